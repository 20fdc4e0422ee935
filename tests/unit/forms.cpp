// Form services on the simulated Windows: events, modal show, controls,
// keyboard, timers, screen and program.
#include <stdexcept>
#include "platform/Forms.h"
#include "tests/sim/Sim.h"
#include "tests/unit/table.h"

namespace {

enum { idOk = 1, idCancel = 2, idOff = 3, idFrame = 10, idInFrame = 11, idLabel = 20, idPic = 30 };
enum { tmrOnce = 1, tmrRepeat = 2 };

class TestForm : public CForm {
public:
  std::vector<std::string> events;
  std::vector<int> clicks;
  std::vector<int> keys;
  bool refuseClose = false;
  bool closeOnOk = true;
  int onceTicks = 0, repeatTicks = 0;
  bool throwOnClick = false;

  using CForm::Control_Click;

protected:
  void Form_Load() override {
    events.push_back("load");
    SetSizeTwips(7560, 5835);
    AddButton(idOk, 100, 100, 1000, 300, "&Next >");
    AddButton(idOff, 1200, 100, 1000, 300, "Off");
    SetEnabled(idOff, false);
    AddButton(idCancel, 2400, 100, 1000, 300, "Cancel");
    SetCancelButton(idCancel);
    AddFrame(idFrame, 100, 600, 4000, 2000, "Frame text");
    AddButton(idInFrame, 200, 300, 1000, 300, "&Inner", idFrame);
    AddLabel(idLabel, 100, 3000, 4000, 600, "Line one\r\nLine two", kArial9);
    AddPicture(idPic, 0, 4000, 4000, 500);
  }
  bool Form_QueryUnload() override {
    events.push_back("query");
    return !refuseClose;
  }
  void Form_Unload() override { events.push_back("unload"); }
  void Control_Click(int nId) override {
    if (throwOnClick) throw RuntimeError{13, "Type mismatch"};
    clicks.push_back(nId);
    if (nId == idOk && closeOnOk) Unload();
  }
  bool Form_KeyDown(int nKeyCode) override {
    keys.push_back(nKeyCode);
    return nKeyCode == VK_F4;
  }
  void Timer_Tick(int nId) override {
    if (nId == tmrOnce) {
      EnableTimer(tmrOnce, false);
      ++onceTicks;
      // Long work that lets messages through, as the pages do.
      MSG m;
      for (int i = 0; i < 5; ++i) {
        sim::Advance(500);
        while (api::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) api::DispatchMessageA(&m);
      }
    } else if (nId == tmrRepeat) {
      if (++repeatTicks == 3) Unload();
    }
  }
};

HWND Owner() {
  return sim::AddWindow("Owner", "owner", api::GetCurrentProcessId());
}

}  // namespace

TEST(LoadRunsOnFirstNeedAndSizesInTwips) {
  sim::Reset();
  TestForm f;
  CHECK(!f.Loaded());
  CHECK(f.events.empty());
  HWND h = f.hWnd();
  CHECK(h != nullptr);
  CHECK_EQ(f.events, std::vector<std::string>{"load"});
  CHECK(f.hWnd() == h);   // no second load
  CHECK_EQ(f.events.size(), (size_t)1);
  RECT rc;
  api::GetWindowRect(h, &rc);
  CHECK_EQ(rc.right - rc.left, 504);   // 7560 / 15
  CHECK_EQ(rc.bottom - rc.top, 389);   // 5835 / 15
  CHECK(!api::IsWindowVisible(h));
}

TEST(TextsAreChildWindowTexts) {
  sim::Reset();
  TestForm f;
  HWND h = f.hWnd();
  CHECK(sim::FindChildByText(h, "Line one\r\nLine two") == f.Control(idLabel));
  CHECK(sim::FindChildByText(h, "&Inner") == f.Control(idInFrame));
  CHECK_EQ(f.Text(idFrame), std::string("Frame text"));
  f.SetText(idFrame, "Other");
  CHECK_EQ(f.Text(idFrame), std::string("Other"));
  // The group box inside the frame says the same.
  CHECK(sim::FindChildByText(f.Control(idFrame), "Other") != nullptr);
  sim::WindowInfo wi;
  CHECK(sim::GetWindow(f.Control(idLabel), wi));
  CHECK_EQ(wi.sClass, std::string("STATIC"));
  CHECK(sim::GetWindow(f.Control(idInFrame), wi));
  CHECK(wi.hParent == f.Control(idFrame));
  // Positions in twips inside the parent: 200, 300 twips = 13, 20 pixels.
  RECT rf, rb;
  api::GetWindowRect(f.Control(idFrame), &rf);
  api::GetWindowRect(f.Control(idInFrame), &rb);
  CHECK_EQ(rb.left - rf.left, 13);
  CHECK_EQ(rb.top - rf.top, 20);
}

TEST(ModalShowDisablesOwnerUntilUnloaded) {
  sim::Reset();
  HWND owner = Owner();
  TestForm f;
  bool ownerDisabledMeanwhile = false;
  sim::SetUser(Steps({[&] {
    ownerDisabledMeanwhile = !api::IsWindowEnabled(owner);
    CHECK(api::IsWindowVisible(f.hWnd()));
    sim::Click(f.Control(idOk));
  }}));
  f.Show(true, owner);
  CHECK(ownerDisabledMeanwhile);
  CHECK(api::IsWindowEnabled(owner));
  CHECK(!f.Loaded());
  CHECK_EQ(f.events, (std::vector<std::string>{"load", "query", "unload"}));
  CHECK_EQ(f.clicks, std::vector<int>{idOk});
  sim::WindowInfo wi;
  CHECK(!sim::GetWindow(owner, wi) || wi.bEnabled);
}

TEST(ModelessShowReturnsAtOnceAndFramesHandTheirButtonsToTheForm) {
  sim::Reset();
  TestForm f;
  f.Show(false);
  CHECK(f.Loaded());
  CHECK(api::IsWindowVisible(f.hWnd()));
  sim::Click(f.Control(idInFrame));
  CHECK_EQ(f.clicks, std::vector<int>{idInFrame});
  CHECK(f.Unload());
  CHECK(!f.Loaded());
}

TEST(QueryUnloadRefusesEveryCloseRequest) {
  sim::Reset();
  TestForm f;
  f.refuseClose = true;
  HWND h = f.hWnd();
  CHECK(!f.Unload());
  api::SendMessageA(h, WM_CLOSE, 0, 0);
  api::SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  CHECK(f.Loaded());
  CHECK(api::IsWindow(h));
  CHECK_EQ(f.events, (std::vector<std::string>{"load", "query", "query", "query"}));
  f.refuseClose = false;
  api::SendMessageA(h, WM_CLOSE, 0, 0);
  CHECK(!f.Loaded());
  CHECK(!api::IsWindow(h));
}

TEST(DisabledOrHiddenButtonsAreNotPressed) {
  sim::Reset();
  TestForm f;
  f.Show(false);
  HWND h = f.hWnd();
  // Even a click notice that reaches the form is dropped while disabled.
  api::SendMessageA(h, WM_COMMAND, MAKEWPARAM(idOff, BN_CLICKED), (LPARAM)f.Control(idOff));
  sim::Click(f.Control(idOff));
  f.SetVisible(idInFrame, false);
  CHECK(!f.Visible(idInFrame));
  f.PressControl(idInFrame);
  CHECK(f.clicks.empty());
  f.SetEnabled(idOff, true);
  CHECK(f.Enabled(idOff));
  sim::Click(f.Control(idOff));
  CHECK_EQ(f.clicks, std::vector<int>{idOff});
}

TEST(KeyboardTabMovesBetweenEnabledButtons) {
  sim::Reset();
  TestForm f;
  f.hWnd();
  f.closeOnOk = false;
  // Ok, (Off is disabled) Cancel, Inner, round to Ok; Shift+Tab back to
  // Inner (Space presses it), Shift+Tab to Cancel (Enter presses it).
  const std::vector<HWND> expected = {f.Control(idOk),      f.Control(idCancel), f.Control(idInFrame),
                                      f.Control(idOk),      f.Control(idInFrame), f.Control(idCancel)};
  std::vector<HWND> seen;
  auto press = [&](UINT key, bool shift = false, bool record = true) {
    return [&seen, key, shift, record] {
      if (record) seen.push_back(api::GetFocus());
      sim::PressKey(api::GetFocus(), key, false, shift);
    };
  };
  sim::SetUser(Steps({press(VK_TAB), press(VK_TAB), press(VK_TAB), press(VK_TAB, true), press(VK_SPACE),
                      press(VK_TAB, true, false), press(VK_RETURN), [&] {
                        f.closeOnOk = true;
                        f.PressControl(idOk);
                      }}));
  f.Show(true);
  CHECK(seen == expected);
  CHECK_EQ(f.clicks, (std::vector<int>{idInFrame, idCancel, idOk}));
}

TEST(KeyboardEscPressesCancelOnlyWhenEnabled) {
  sim::Reset();
  TestForm f;
  HWND h = f.hWnd();
  f.SetEnabled(idCancel, false);
  sim::SetUser(Steps({
      [&] { sim::PressKey(h, VK_ESCAPE); },
      [&] { CHECK(f.clicks.empty()); f.SetEnabled(idCancel, true); sim::PressKey(h, VK_ESCAPE); },
      [&] { f.PressControl(idOk); },
  }));
  f.Show(true);
  CHECK_EQ(f.clicks, (std::vector<int>{idCancel, idOk}));
}

TEST(KeyboardAccessKeysAndF4) {
  sim::Reset();
  TestForm f;
  HWND h = f.hWnd();
  sim::SetUser(Steps({
      [&] { sim::PressKey(h, VK_F4, true); },           // Alt+F4: discarded by the form
      [&] { sim::PressKey(h, VK_F4); },
      [&] { CHECK(f.Loaded()); sim::PressKey(h, 'I', true); },
      [&] { sim::PressKey(h, 'N', true); },
  }));
  f.Show(true);
  CHECK_EQ(f.clicks, (std::vector<int>{idInFrame, idOk}));
  CHECK_EQ(f.keys.size() >= 2, true);
  CHECK_EQ(f.keys[0], VK_F4);
  // Only the load, query and unload of the Next click: F4 asked nothing.
  CHECK_EQ(f.events, (std::vector<std::string>{"load", "query", "unload"}));
}

TEST(TimerThatDisablesItselfTicksOnce) {
  sim::Reset();
  TestForm f;
  f.hWnd();
  f.SetTimer(tmrOnce, 100, true);
  f.SetTimer(tmrRepeat, 1000, true);
  DWORD start = sim::Now();
  f.Show(true);   // no user: time passes until the repeating timer closes
  CHECK_EQ(f.onceTicks, 1);
  CHECK_EQ(f.repeatTicks, 3);
  CHECK(sim::Now() - start >= 3000);
  CHECK_EQ(sim::ActiveTimers(), 0);
}

TEST(TimerSetBeforeLoadStartsWithTheWindow) {
  sim::Reset();
  TestForm f;
  f.SetTimer(tmrRepeat, 50, true);
  CHECK_EQ(sim::ActiveTimers(), 0);
  f.hWnd();
  CHECK_EQ(sim::ActiveTimers(), 1);
  f.EnableTimer(tmrRepeat, false);
  CHECK_EQ(sim::ActiveTimers(), 0);
}

TEST(ScreenInTwipsAndMousePointer) {
  sim::Reset();
  CHECK_EQ(Screen::TwipsPerPixelX(), 15.0);
  CHECK_EQ(Screen::Width(), 1024 * 15.0);
  CHECK_EQ(Screen::Height(), 768 * 15.0);
  sim::SetScreen(800, 600, 120);
  CHECK_EQ(Screen::TwipsPerPixelY(), 12.0);
  CHECK_EQ(Screen::Width(), 800 * 12.0);
  CHECK_EQ(TwipsToPixelsX(7560), 630);
  Screen::SetMousePointer(11);
  CHECK_EQ(Screen::MousePointer(), 11);
  CHECK(sim::CurrentCursor() == IDC_WAIT);
  Screen::SetMousePointer(0);
  CHECK(sim::CurrentCursor() == IDC_ARROW);
}

TEST(AppCommandPathTitleEnviron) {
  sim::Reset();
  sim::SetCommandLine("/CONFIG 123.5");
  CHECK_EQ(App::Command(), std::string("/CONFIG 123.5"));
  CHECK_EQ(App::CommandFrom("C:\\SETUP\\Tarnwick.exe /msi"), std::string("/msi"));
  CHECK_EQ(App::CommandFrom("\"C:\\My Setup\\Tarnwick.exe\"   /msi x"), std::string("/msi x"));
  CHECK_EQ(App::CommandFrom("\"C:\\My Setup\\Tarnwick.exe\""), std::string(""));
  CHECK_EQ(App::CommandFrom("Tarnwick.exe"), std::string(""));
  CHECK_EQ(App::Path(), std::string("C:\\SETUP"));
  CHECK_EQ(App::Title(), std::string("Tarnwick"));
  sim::SetProgramPath("D:\\Tarnwick.exe");
  CHECK_EQ(App::Path(), std::string("D:\\"));
  sim::SetEnv("COMSPEC", "C:\\X\\cmd.exe");
  CHECK_EQ(App::Environ("COMSPEC"), std::string("C:\\X\\cmd.exe"));
  CHECK_EQ(App::Environ("NO_SUCH_THING"), std::string(""));
  unsigned code = 1;
  try {
    App::End();
  } catch (const sim::ProcessExit& e) {
    code = e.uExitCode;
  }
  CHECK_EQ(code, 0u);   // ended on the spot with exit code 0
}

TEST(MsgBoxIsOwnedByTheModalForm) {
  sim::Reset();
  TestForm f;
  int answer = 0;
  sim::AnswerMessageBoxes({IDNO});
  sim::SetUser(Steps({
      [&] { answer = MsgBox("Question?", 36, "Title"); },
      [&] { f.PressControl(idOk); },
  }));
  f.Show(true);
  CHECK_EQ(answer, IDNO);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  CHECK(sim::MessageBoxes()[0].hOwner != nullptr);
  CHECK_EQ(sim::MessageBoxes()[0].uType, 36u);
  CHECK_EQ(MsgBox("Plain", 0, "T"), IDOK);
  CHECK(sim::MessageBoxes()[1].hOwner == nullptr);
}

TEST(UnhandledRuntimeErrorIsReportedAndEndsTheProgram) {
  sim::Reset();
  TestForm f;
  f.Show(false);
  f.throwOnClick = true;
  bool ended = false;
  try {
    sim::Click(f.Control(idOk));
  } catch (const sim::ProcessExit&) {
    ended = true;
  }
  CHECK(ended);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  if (!sim::MessageBoxes().empty())
    CHECK_EQ(sim::MessageBoxes()[0].sText, std::string("Run-time error '13':\r\n\r\nType mismatch"));
}

TEST(UnloadReleasesWindowsAndGdiObjects) {
  sim::Reset();
  int before = sim::GdiObjects();
  {
    TestForm f;
    f.hWnd();
    f.SetFont(idLabel, kArial825);
    f.SetPicture(idPic, api::CreateBitmap(8, 8, 1, 24, nullptr));
    CHECK(sim::GdiObjects() > before);
    f.Unload();
    CHECK(sim::TopLevelWindows().empty());
    CHECK_EQ(sim::GdiObjects(), before);
  }
  {
    TestForm g;
    g.hWnd();
    g.SetPicture(idPic, api::CreateBitmap(8, 8, 1, 24, nullptr));
  }   // dropped while loaded
  CHECK(sim::TopLevelWindows().empty());
  CHECK_EQ(sim::GdiObjects(), before);
  CHECK_EQ(sim::DCs(), 0);
}

TEST(SimHangIsReported) {
  sim::Reset();
  TestForm f;
  bool hang = false;
  try {
    f.Show(true);   // no user, no timer
  } catch (const std::logic_error&) {
    hang = true;
  }
  CHECK(hang);
}

TEST(FormDestroyedWithItsOwnerEndsItsModalShow) {
  sim::Reset();
  TestForm owner;
  owner.Show(false);
  TestForm f;
  sim::SetUser(Steps({[&] { api::DestroyWindow(owner.hWnd()); }}));
  f.Show(true, owner.hWnd());
  CHECK(!f.Loaded());
  CHECK(!owner.Loaded());
  // No events for a window that went without being unloaded.
  CHECK_EQ(f.events, std::vector<std::string>{"load"});
}
