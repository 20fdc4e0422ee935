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

// A fresh machine with a parent window that records the clicks it is told of.
HWND NewParent() {
  sim::Reset();
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

// "x,cx,cy" of each call.
std::string Rects(const std::vector<sim::DrawCall>& v) {
  std::string s;
  for (const auto& c : v) s += (s.empty() ? "" : " ") + std::to_string(c.x) + "," + std::to_string(c.cx) + "," + std::to_string(c.cy);
  return s;
}

const COLORREF kFace = RGB(212, 208, 200), kHighlight = RGB(10, 36, 106), kHighlightText = RGB(255, 255, 255);
}  // namespace

TEST(progress_draws_bar_text_and_copy_from_fill_plus_one) {
  UProgressBar pb;
  CHECK(pb.Create(NewParent(), 7, 10, 10, 186, 20) != nullptr);
  pb.ProgressUnits(4);
  pb.IncrementProgress(true);
  sim::ClearDrawCalls();
  const int objects = sim::GdiObjects(), dcs = sim::DCs();
  pb.IncrementProgress();
  CHECK_EQ(pb.CurrentUnit(), 1);
  CHECK_EQ(pb.CurrentPercentage(), 25);   // fill 46 of 186
  HDC dc = pb.SurfaceDC();

  // Cleared to the background, then the bar: columns 0..46, rows 0..H.
  CHECK_EQ(Rects(CallsOn(dc, "FillRect")), std::string("0,186,20 0,47,21"));
  auto fills = CallsOn(dc, "FillRect");
  if (fills.size() == 2) {
    CHECK_EQ(fills[0].color, kFace);
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
  UProgressBar pb;
  pb.Create(NewParent(), 7, 0, 0, 186, 20);
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
  CHECK_EQ(Rects(CallsOn(pb.SurfaceDC(), "FillRect")), std::string("0,186,20 0,1,21"));   // the single column 0
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
void Mouse(HWND h, UINT msg, WPARAM keys, int x, int y) { api::SendMessageA(h, msg, keys, MAKELPARAM(x, y)); }

// A press, a move and a release at one place with the left button.
void PressAndRelease(HWND h, int x, int y) {
  Mouse(h, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  Mouse(h, WM_MOUSEMOVE, MK_LBUTTON, x, y);
  Mouse(h, WM_LBUTTONUP, 0, x, y);
}

UINT EdgeOf(const sim::DrawCall& c) { return UINT(c.color) >> 16; }

std::vector<UINT> Edges() {
  std::vector<UINT> v;
  for (const auto& c : CallsOn(nullptr, "DrawEdge")) v.push_back(EdgeOf(c));
  return v;
}
}  // namespace

TEST(button_press_out_in_release_clicks_once) {
  UCustomButton b;
  HWND h = b.Create(NewParent(), 42, 10, 10, 96, 32);
  CHECK(h != nullptr);
  CHECK_EQ(Edges(), std::vector<UINT>{5});        // drawn raised when created
  auto edge = CallsOn(nullptr, "DrawEdge");
  CHECK(!edge.empty() && (UINT(edge[0].color) & 0xFFFF) == 0x100Fu);
  CHECK(!edge.empty() && edge[0].cx == 96 && edge[0].cy == 32);
  sim::ClearDrawCalls();

  Mouse(h, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  CHECK(api::GetCapture() == h);
  Mouse(h, WM_MOUSEMOVE, MK_LBUTTON, -3, 40);   // out
  Mouse(h, WM_MOUSEMOVE, MK_LBUTTON, 96, 32);   // on the corner: in
  CHECK(g_clicks.empty());
  Mouse(h, WM_LBUTTONUP, 0, 96, 32);
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
  PressAndRelease(h, 97, 5);
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
  UCustomButton b;
  HWND h = b.Create(NewParent(), 42, 10, 10, 96, 32);
  sim::ClearDrawCalls();
  Mouse(h, WM_RBUTTONDOWN, MK_RBUTTON, 5, 5);
  CHECK(api::GetCapture() == h);   // the mouse is held for any button
  Mouse(h, WM_MOUSEMOVE, MK_RBUTTON, 6, 6);
  Mouse(h, WM_RBUTTONUP, 0, 6, 6);
  CHECK(api::GetCapture() == nullptr);
  // Left pressed while the right is held, released while it still is.
  Mouse(h, WM_RBUTTONDOWN, MK_RBUTTON, 5, 5);
  Mouse(h, WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 5, 5);
  Mouse(h, WM_LBUTTONUP, MK_RBUTTON, 5, 5);
  CHECK(api::GetCapture() == h);   // right still down
  Mouse(h, WM_RBUTTONUP, 0, 5, 5);
  CHECK(api::GetCapture() == nullptr);
  CHECK_EQ(Edges(), std::vector<UINT>{5});   // only the move, drawn raised
  CHECK(g_clicks.empty());
}

TEST(button_disabled_draws_grey_and_never_clicks) {
  UCustomButton b;
  HWND h = b.Create(NewParent(), 42, 10, 10, 75, 23);
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
  PressAndRelease(h, 5, 5);
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
  Mouse(h, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  states = CallsOn(nullptr, "DrawState");
  CHECK(!states.empty() && states[0].x == 31 && states[0].y == 7 && UINT(states[0].color) == DST_PREFIXTEXT);
  Mouse(h, WM_LBUTTONUP, 0, 5, 5);
  CHECK_EQ(g_clicks.size(), size_t(1));
}

TEST(button_draws_caption_left_of_bitmap) {
  UCustomButton b;
  b.Create(NewParent(), 42, 10, 10, 75, 23);
  PICTDESC pd = {sizeof(PICTDESC), PICTYPE_BITMAP};
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
