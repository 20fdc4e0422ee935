// The progress bar and the custom button as windows on the simulated
// platform: the drawing calls of IncrementProgress and DrawButton, GDI
// objects given back, the mouse messages with capture and the click that the
// parent is told of.
#include <string>
#include <vector>
#include "controls/UCustomButton.h"
#include "controls/UProgressBar.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {
const IID kIID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
struct ClickRecord {
  WPARAM wParam;
  LPARAM lParam;
  size_t nDrawCalls;   // drawing calls made before the click arrived
};
std::vector<ClickRecord> g_clicks;

LRESULT CALLBACK ParentProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) {
    g_clicks.push_back({wParam, lParam, sim::DrawCalls().size()});
    return 0;
  }
  return api::DefWindowProcA(h, msg, wParam, lParam);
}

HWND NewParent() {
  g_clicks.clear();
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ParentProc;
  wc.lpszClassName = "ControlsTestParent";
  api::RegisterClassA(&wc);
  return api::CreateWindowExA(0, "ControlsTestParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                              nullptr, nullptr, nullptr, nullptr);
}

std::vector<sim::DrawCall> CallsOn(HDC hdc, const char* sOp = nullptr) {
  std::vector<sim::DrawCall> v;
  for (const auto& c : sim::DrawCalls())
    if ((!hdc || c.hdc == hdc) && (!sOp || c.sOp == sOp)) v.push_back(c);
  return v;
}

const COLORREF kFace = RGB(212, 208, 200), kHighlight = RGB(10, 36, 106), kHighlightText = RGB(255, 255, 255);
}  // namespace

TEST(progress_draws_bar_text_and_copy_from_fill_plus_one) {
  sim::Reset();
  HWND hParent = NewParent();
  UProgressBar pb;
  CHECK(pb.Create(hParent, 7, 10, 10, 186, 20) != nullptr);
  pb.ProgressUnits(4);
  pb.IncrementProgress(true);
  sim::ClearDrawCalls();
  const int objects = sim::GdiObjects(), dcs = sim::DCs();
  pb.IncrementProgress();
  CHECK_EQ(pb.CurrentUnit(), 1);
  CHECK_EQ(pb.CurrentPercentage(), 25);   // fill 46 of 186
  HDC dc = pb.SurfaceDC();

  auto fills = CallsOn(dc, "FillRect");
  CHECK_EQ(fills.size(), size_t(2));
  if (fills.size() == 2) {
    CHECK_EQ(fills[0].cx, 186);   // cleared to the background
    CHECK_EQ(fills[0].color, kFace);
    CHECK_EQ(fills[1].x, 0);      // the bar: columns 0..46, rows 0..H
    CHECK_EQ(fills[1].cx, 47);
    CHECK_EQ(fills[1].cy, 21);
    CHECK_EQ(fills[1].color, kHighlight);
  }
  // The text "25 %" (4 characters of 5 pixels, 11 high) centred.
  auto texts = CallsOn(nullptr, "TextOut");
  CHECK_EQ(texts.size(), size_t(2));
  if (texts.size() == 2) {
    CHECK(texts[0].hdc != dc);    // the off-screen picture first, in FillColor
    CHECK_EQ(texts[0].sText, std::string("25 %"));
    CHECK_EQ(texts[0].color, kHighlight);
    CHECK_EQ(texts[1].hdc, dc);   // then over the bar in InvertedTextColor
    CHECK_EQ(texts[1].color, kHighlightText);
    CHECK_EQ(texts[1].x, 83);
    CHECK_EQ(texts[1].y, 4);
    CHECK_EQ(texts[0].x, texts[1].x);
  }
  auto blits = CallsOn(dc, "BitBlt");
  CHECK_EQ(blits.size(), size_t(1));
  if (!blits.empty()) {
    CHECK_EQ(blits[0].x, 47);
    CHECK_EQ(blits[0].sText, std::string("47,0"));
    CHECK_EQ(blits[0].cx, 186);
    CHECK_EQ(blits[0].color, COLORREF(SRCCOPY));
  }
  // Shown on the window at once, and nothing left behind.
  CHECK(!CallsOn(nullptr, "BitBlt").empty() && CallsOn(nullptr, "BitBlt").back().hdc != dc);
  CHECK_EQ(sim::GdiObjects(), objects);
  CHECK_EQ(sim::DCs(), dcs);
  // The surface's text colour is FillColor again.
  CHECK_EQ(api::GetTextColor(dc), kHighlight);
  pb.Destroy();
  CHECK_EQ(sim::DCs(), 0);
}

TEST(progress_flood_style_and_fresh_start) {
  sim::Reset();
  HWND hParent = NewParent();
  UProgressBar pb;
  pb.Create(hParent, 7, 0, 0, 186, 20);
  pb.ProgressUnits(4);
  pb.FloodStyle(3);
  for (int i = 0; i < 6; ++i) pb.IncrementProgress();
  CHECK_EQ(pb.CurrentUnit(), 6);
  CHECK_EQ(pb.CurrentPercentage(), 100);
  sim::ClearDrawCalls();
  pb.FloodStyle(0);
  pb.IncrementProgress(true);
  CHECK_EQ(pb.CurrentUnit(), 0);
  CHECK_EQ(pb.CurrentPercentage(), 0);
  CHECK(CallsOn(nullptr, "TextOut").empty());
  auto fills = CallsOn(pb.SurfaceDC(), "FillRect");
  CHECK_EQ(fills.size(), size_t(2));
  if (fills.size() == 2) CHECK_EQ(fills[1].cx, 1);   // the single column 0
  // Clear changes nothing.
  pb.FloodStyle(2);
  pb.IncrementProgress();
  int nUnit = pb.CurrentUnit(), nPct = pb.CurrentPercentage();
  sim::ClearDrawCalls();
  pb.Clear();
  CHECK_EQ(pb.CurrentUnit(), nUnit);
  CHECK_EQ(pb.CurrentPercentage(), nPct);
  CHECK(sim::DrawCalls().empty());
  // A colour write draws nothing of the bar.
  pb.FillColor(0x000000FFu);
  CHECK(CallsOn(pb.SurfaceDC(), "FillRect").empty());
  // Hidden and shown again by the page.
  pb.Visible(false);
  CHECK(!api::IsWindowVisible(pb.hWnd()));
  pb.Visible(true);
  CHECK(api::IsWindowVisible(pb.hWnd()));
}

TEST(progress_time_estimate_uses_the_clock) {
  sim::Reset();
  SYSTEMTIME st = {};
  st.wYear = 2026, st.wMonth = 12, st.wDay = 6, st.wHour = 12;
  sim::SetLocalTime(st);
  UProgressBar pb;
  pb.ProgressUnits(10);
  CHECK(pb.EstamatedTimeToFinish() > 4.6e5);   // never started: from day 0
  pb.IncrementProgress(true);
  pb.IncrementProgress();
  st.wHour = 18;                                // a quarter of a day later
  sim::SetLocalTime(st);
  double d = pb.EstamatedTimeToFinish();        // 0.25 / 2 * 9
  CHECK(d > 1.1249999 && d < 1.1250001);
}

namespace {
UINT EdgeOf(const sim::DrawCall& c) { return UINT(c.color) >> 16; }

std::vector<UINT> Edges() {
  std::vector<UINT> v;
  for (const auto& c : CallsOn(nullptr, "DrawEdge")) v.push_back(EdgeOf(c));
  return v;
}
}  // namespace

TEST(button_press_out_in_release_clicks_once) {
  sim::Reset();
  HWND hParent = NewParent();
  UCustomButton b;
  HWND h = b.Create(hParent, 42, 10, 10, 96, 32);
  CHECK(h != nullptr);
  CHECK_EQ(Edges(), std::vector<UINT>{5});        // drawn raised when created
  auto edge = CallsOn(nullptr, "DrawEdge");
  CHECK(!edge.empty() && (UINT(edge[0].color) & 0xFFFF) == 0x100Fu);
  CHECK(!edge.empty() && edge[0].cx == 96 && edge[0].cy == 32);
  sim::ClearDrawCalls();

  api::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  CHECK(api::GetCapture() == h);
  api::SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-3, 40));   // out
  api::SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(96, 32));   // on the corner: in
  CHECK(g_clicks.empty());
  api::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(96, 32));
  CHECK_EQ(Edges(), (std::vector<UINT>{10, 5, 10, 5}));
  CHECK(api::GetCapture() == nullptr);
  CHECK_EQ(g_clicks.size(), size_t(1));
  if (g_clicks.size() == 1) {
    CHECK_EQ(g_clicks[0].wParam, WPARAM(MAKEWPARAM(42, BN_CLICKED)));
    CHECK_EQ(g_clicks[0].lParam, reinterpret_cast<LPARAM>(h));
    CHECK_EQ(g_clicks[0].nDrawCalls, sim::DrawCalls().size());   // after the last redraw
  }
  // Press, release outside: no click, the last look stays.
  sim::ClearDrawCalls();
  api::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  api::SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(97, 5));
  api::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(97, 5));
  CHECK_EQ(Edges(), (std::vector<UINT>{10, 5}));
  CHECK_EQ(g_clicks.size(), size_t(1));
  CHECK(api::GetCapture() == nullptr);
  // BM_CLICK presses it like the mouse does.
  sim::ClearDrawCalls();
  sim::Click(h);
  CHECK_EQ(Edges(), (std::vector<UINT>{10, 5}));
  CHECK_EQ(g_clicks.size(), size_t(2));
}

TEST(button_right_and_both_buttons_never_click) {
  sim::Reset();
  HWND hParent = NewParent();
  UCustomButton b;
  HWND h = b.Create(hParent, 42, 10, 10, 96, 32);
  sim::ClearDrawCalls();
  api::SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  CHECK(api::GetCapture() == h);   // the mouse is held for any button
  api::SendMessageA(h, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(6, 6));
  api::SendMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(6, 6));
  CHECK(api::GetCapture() == nullptr);
  // Left pressed while the right is held, released while it still is.
  api::SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  api::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(5, 5));
  api::SendMessageA(h, WM_LBUTTONUP, MK_RBUTTON, MAKELPARAM(5, 5));
  CHECK(api::GetCapture() == h);   // right still down
  api::SendMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  CHECK(api::GetCapture() == nullptr);
  CHECK_EQ(Edges(), std::vector<UINT>{5});   // only the move, drawn raised
  CHECK(g_clicks.empty());
}

TEST(button_disabled_draws_grey_and_never_clicks) {
  sim::Reset();
  HWND hParent = NewParent();
  UCustomButton b;
  HWND h = b.Create(hParent, 42, 10, 10, 75, 23);
  b.Caption("&Go");
  sim::ClearDrawCalls();
  b.Enabled(false);
  CHECK(!api::IsWindowEnabled(h));
  auto states = CallsOn(nullptr, "DrawState");
  CHECK_EQ(states.size(), size_t(1));   // the caption, greyed, redrawn at once
  if (!states.empty()) {
    CHECK_EQ(states[0].sText, std::string("&Go"));
    CHECK_EQ(UINT(states[0].color), UINT(DST_PREFIXTEXT | DSS_DISABLED));
    CHECK_EQ(states[0].x, 30);   // 37 - 7 (three characters of 5 pixels)
    CHECK_EQ(states[0].y, 6);    // 11 - 5
  }
  sim::ClearDrawCalls();
  api::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  api::SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
  api::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  CHECK_EQ(Edges(), std::vector<UINT>{5});   // the move: disabled look, raised edge
  states = CallsOn(nullptr, "DrawState");
  CHECK(!states.empty() && states[0].x == 30 && (UINT(states[0].color) & DSS_DISABLED));
  CHECK(g_clicks.empty());
  api::SendMessageA(h, BM_CLICK, 0, 0);
  CHECK(g_clicks.empty());
  // Enabled again by the form: pressed look moves one pixel.
  api::EnableWindow(h, TRUE);
  CHECK(b.Enabled());
  sim::ClearDrawCalls();
  api::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  states = CallsOn(nullptr, "DrawState");
  CHECK(!states.empty() && states[0].x == 31 && states[0].y == 7 && UINT(states[0].color) == DST_PREFIXTEXT);
  api::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  CHECK_EQ(g_clicks.size(), size_t(1));
}

TEST(button_draws_caption_left_of_bitmap) {
  sim::Reset();
  HWND hParent = NewParent();
  UCustomButton b;
  b.Create(hParent, 42, 10, 10, 75, 23);
  PICTDESC pd = {};
  pd.cbSizeofstruct = sizeof pd;
  pd.picType = PICTYPE_BITMAP;
  pd.bmp.hbitmap = api::CreateBitmap(16, 16, 1, 32, nullptr);
  IPicture* pic = nullptr;
  api::OleCreatePictureIndirect(&pd, kIID_IPicture, TRUE, reinterpret_cast<void**>(&pic));
  b.Caption("Go");
  b.Picture(pic);
  sim::ClearDrawCalls();
  b.DrawButton(EdgeSunken);
  auto states = CallsOn(b.SurfaceDC(), "DrawState");
  CHECK_EQ(states.size(), size_t(2));
  if (states.size() == 2) {
    // tw 10, pw 16: totalW 26; caption at 37 - 13 = 24, picture at 24 + 10; +1 pressed.
    CHECK_EQ(UINT(states[0].color), UINT(DST_BITMAP));
    CHECK_EQ(states[0].x, 35);
    CHECK_EQ(states[0].y, 4);    // 11 - 8 + 1
    CHECK_EQ(states[0].cx, 16);
    CHECK_EQ(states[1].x, 25);
    CHECK_EQ(states[1].y, 7);    // 11 - 5 + 1
  }
  CHECK_EQ(Edges(), std::vector<UINT>{10});
  CHECK(b.Picture() == pic);
  CHECK(b.DrawnPicture() == pic);   // a bitmap is drawn as it is
  pic->Release();
}
