// The simulated user32/gdi32 that other tests build on: windows of other
// processes, z-order, messages, timers, message boxes, GDI accounting.
#include <stdexcept>
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {
int g_Ticks = 0;
LRESULT CALLBACK TickProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_TIMER) ++g_Ticks;
  return api::DefWindowProcA(h, m, w, l);
}
}  // namespace

TEST(OtherProcessWindowsAreFoundAndReadable) {
  sim::Reset();
  HWND setup = sim::AddWindow("#32770", "Setup", 4242);
  HWND cancel = sim::AddWindow("Button", "Cancel", 4242, setup);
  HWND other = sim::AddWindow("#32770", "Setup", 77);
  // The last added is on top.
  CHECK(api::FindWindowA("#32770", "Setup") == other);
  CHECK(api::FindWindowExA(nullptr, other, "#32770", "Setup") == setup);
  CHECK(api::FindWindowExA(nullptr, setup, "#32770", nullptr) == nullptr);
  CHECK(api::FindWindowExA(setup, nullptr, "button", nullptr) == cancel);   // class names ignore case
  DWORD pid = 0;
  CHECK(api::GetWindowThreadProcessId(cancel, &pid) != 0);
  CHECK_EQ(pid, (DWORD)4242);
  char buf[32];
  CHECK_EQ(api::GetWindowTextA(cancel, buf, sizeof buf), 6);
  CHECK_EQ(std::string(buf), std::string("Cancel"));
  CHECK_EQ(api::GetWindowTextA(cancel, buf, 4), 3);   // cut to the buffer
  CHECK_EQ(std::string(buf), std::string("Can"));
}

TEST(OtherProcessWindowsRecordMessagesAndRunTheirHandler) {
  sim::Reset();
  HWND w = sim::AddWindow("SQLManagerApplicationClass", "SQL Server Service Manager", 5);
  int closes = 0;
  sim::SetWindowHandler(w, [&](UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_CLOSE) {
      ++closes;
      api::DestroyWindow(w);
    }
    return 0;
  });
  api::ShowWindow(w, SW_HIDE);
  CHECK(!api::IsWindowVisible(w));
  api::PostMessageA(w, WM_CLOSE, 0, 0);
  CHECK_EQ(closes, 1);
  CHECK(!api::IsWindow(w));
  CHECK(!api::PostMessageA(w, WM_CLOSE, 0, 0));
  HWND b = sim::AddWindow("Button", "OK", 5);
  api::SendMessageA(b, BM_CLICK, 0, 0);
  api::EnableWindow(b, FALSE);
  CHECK_EQ(sim::MessagesTo(b).size(), (size_t)1);
  CHECK_EQ(sim::MessagesTo(b)[0].msg, (UINT)BM_CLICK);
  CHECK(!api::IsWindowEnabled(b));
}

TEST(ZOrderFollowsSetWindowPos) {
  sim::Reset();
  HWND a = sim::AddWindow("A", "a", 1), b = sim::AddWindow("B", "b", 1), c = sim::AddWindow("C", "c", 1);
  CHECK(sim::TopLevelWindows() == (std::vector<HWND>{c, b, a}));
  api::SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  CHECK(sim::TopLevelWindows() == (std::vector<HWND>{b, a, c}));
  api::SetWindowPos(c, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  CHECK(sim::TopLevelWindows() == (std::vector<HWND>{b, c, a}));
  api::SetWindowPos(a, HWND_TOPMOST, 5, 6, 0, 0, SWP_NOSIZE);
  sim::WindowInfo wi;
  CHECK(sim::GetWindow(a, wi));
  CHECK(wi.hInsertAfter == HWND_TOPMOST);
  CHECK(wi.dwExStyle & WS_EX_TOPMOST);
  CHECK_EQ(wi.rc.left, 5L);
  CHECK(sim::TopLevelWindows()[0] == a);
}

TEST(MessageBoxesAnsweredFromTheScript) {
  sim::Reset();
  sim::AnswerMessageBoxes({IDYES, IDNO});
  CHECK_EQ(api::MessageBoxA(nullptr, "q1", "T", MB_YESNO), IDYES);
  CHECK_EQ(api::MessageBoxA(nullptr, "q2", "T", MB_YESNO), IDNO);
  CHECK_EQ(api::MessageBoxA(nullptr, "info", "T", MB_ICONINFORMATION), IDOK);
  bool thrown = false;
  try {
    api::MessageBoxA(nullptr, "q3", "T", MB_YESNO | MB_ICONQUESTION);
  } catch (const std::logic_error&) {
    thrown = true;
  }
  CHECK(thrown);
  sim::SetMessageBoxHandler([](const sim::MessageBoxRecord& r) { return r.sText == "q4" ? IDNO : 0; });
  CHECK_EQ(api::MessageBoxA(nullptr, "q4", "T", MB_YESNO), IDNO);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)5);
  CHECK_EQ(sim::MessageBoxes()[2].uType, (UINT)MB_ICONINFORMATION);
}

TEST(TimersTickOnTheSimulatedClock) {
  sim::Reset();
  WNDCLASSA wc{};
  g_Ticks = 0;
  wc.lpfnWndProc = TickProc;
  wc.lpszClassName = "T";
  CHECK(api::RegisterClassA(&wc) != 0);
  CHECK(api::RegisterClassA(&wc) == 0);   // already there
  HWND h = api::CreateWindowExA(0, "T", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CHECK(api::SetTimer(h, 7, 100, nullptr) != 0);
  MSG m;
  CHECK(!api::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  sim::Advance(100);
  CHECK(api::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  CHECK_EQ(m.message, (UINT)WM_TIMER);
  api::DispatchMessageA(&m);
  CHECK_EQ(g_Ticks, 1);
  CHECK(!api::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));   // next one due at 200
  CHECK(api::KillTimer(h, 7));
  CHECK(!api::KillTimer(h, 7));
  sim::Advance(1000);
  CHECK(!api::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  api::DestroyWindow(h);
}

TEST(GdiObjectsAreCounted) {
  sim::Reset();
  HDC screen = api::GetDC(nullptr);
  HDC mem = api::CreateCompatibleDC(screen);
  HBITMAP bmp = api::CreateCompatibleBitmap(screen, 10, 10);
  HBRUSH br = api::CreateSolidBrush(RGB(1, 2, 3));
  CHECK_EQ(sim::GdiObjects(), 2);
  CHECK_EQ(sim::DCs(), 2);
  HGDIOBJ old = api::SelectObject(mem, bmp);
  CHECK(!api::DeleteObject(bmp));   // selected: not deleted
  RECT r{0, 0, 10, 10};
  api::FillRect(mem, &r, br);
  CHECK_EQ(sim::DrawCalls().back().color, RGB(1, 2, 3));
  api::SelectObject(mem, old);
  CHECK(api::DeleteObject(bmp));
  CHECK(api::DeleteObject(br));
  CHECK(api::DeleteDC(mem));
  CHECK_EQ(api::ReleaseDC(nullptr, screen), 1);
  CHECK_EQ(sim::GdiObjects(), 0);
  CHECK_EQ(sim::DCs(), 0);
}
