// The progress bar and the custom button drawn by Wine's real GDI: their kept
// looks read back pixel by pixel against the system's own drawing of the
// documented text, place, colours and edge; the click told to the parent; the
// stored properties; GDI objects given back.
#include <windows.h>
#include <olectl.h>
#include <algorithm>
#include <vector>
#include "controls/UCustomButton.h"
#include "controls/UProgressBar.h"
#include "tests/scenarios/Harness.h"

#define CHECK(expr) Check(expr, #expr)
#define CHECK_EQ(a, b) Eq(#a, a, b)

namespace {
std::vector<std::pair<WPARAM, LPARAM>> g_clicks;
LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return m == WM_COMMAND ? (g_clicks.push_back({w, l}), 0) : DefWindowProcA(h, m, w, l);
}
HWND Parent() {
  WNDCLASSA wc = {0, ParentProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "ControlsParent"};
  RegisterClassA(&wc);   // fails harmlessly after the first time
  g_clicks.clear();
  return CreateWindowExA(0, "ControlsParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 120, nullptr, nullptr, nullptr, nullptr);
}
// A w x h picture like dc's, in dc's font, filled with `face`: for reference drawings.
struct Ref {
  HDC dc;
  HBITMAP bmp;
  Ref(HDC like, int w, int h, COLORREF face) : dc(CreateCompatibleDC(like)), bmp(CreateCompatibleBitmap(like, w, h)) {
    SelectObject(dc, bmp), SelectObject(dc, GetCurrentObject(like, OBJ_FONT)), SetBkMode(dc, TRANSPARENT);
    RECT r = {0, 0, w, h};
    SetBkColor(dc, face), ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
  }
  ~Ref() { DeleteDC(dc), DeleteObject(bmp); }
};
std::vector<COLORREF> Pixels(HDC dc, int w, int h) {
  std::vector<COLORREF> v;
  for (int i = 0; i < w * h; ++i) v.push_back(GetPixel(dc, i % w, i / w));
  return v;
}
SIZE Extent(HDC dc, const std::string& s) {
  SIZE e;
  return GetTextExtentPoint32A(dc, s.c_str(), int(s.size()), &e), e;
}
// Smoothed text blends its colour into the plain one: where the reference
// (black on white) left no ink the pixel is plain; where it inked, between
// the two colours, and not plain where the ink is strong.
bool Inked(COLORREF got, COLORREF ref, COLORREF plain, COLORREF text) {
  if (GetRValue(ref) == 255) return got == plain;
  for (int s = 0; s < 24; s += 8)
    if ((got >> s & 255) < std::min(plain >> s & 255, text >> s & 255) || (got >> s & 255) > std::max(plain >> s & 255, text >> s & 255)) return false;
  return GetRValue(ref) >= 128 || got != plain || plain == text;
}
COLORREF Resolve(uint32_t c) { return c & 0x80000000u ? GetSysColor(c & 0xFF) : c; }   // top bit: system colour
}  // namespace

// GDI objects still to be had: brushes made until the system refuses one.
int FreeGdiObjects() {
  std::vector<HBRUSH> v;
  for (HBRUSH b; v.size() < 200000 && (b = CreateSolidBrush(0)) != nullptr;) v.push_back(b);
  for (HBRUSH b : v) DeleteObject(b);
  return int(v.size());
}

// Known fills: the bar covers columns 0 to fill; the text "<percentage> %"
// sits centred (alignment 0), 3 pixels from the left (1), 6 from the right
// (2) or at 0 (others), half the free height down; in InvertedTextColor over
// the bar, FillColor beside it; FloodStyle other than 1 and 2 draws none.
static void progress_bar_fill_text_and_colours() {
  const uint32_t kHi = 0x8000000D, kFace = 0x8000000F, kHiText = 0x8000000E;
  const struct { int W, units, steps, max, min, align, flood; uint32_t fill, back, inv; int nFill, pct; } rows[] = {
      {186, 4, 1, 100, 0, 0, 2, kHi, kFace, kHiText, 46, 25},   // 46.5 rounds to even; 46 of 186 is 24.7 %
      {200, 8, 1, 100, 0, 1, 2, kHi, kFace, kHiText, 25, 12},   // 12.5 % shows as 12
      {186, 0, 7, 100, 0, 2, 1, 0x0000C8, 0xFFFFFF, 0x00A000, 0, 0},   // no units: column 0 only
      {186, 4, 9, 250, 0, 0, 2, 0x80000010, kFace, 0x80000005, 186, 250},   // past the end: full, MaxPercentage
      {200, 4, 2, 100, 20, 5, 2, kHi, kFace, kHiText, 100, 40},   // MinPercentage narrows the span
      {200, 4, 2, 100, 20, 0, 0, kHi, kFace, kHiText, 100, 40},
      {200, 4, 3, 100, 0, 0, 3, kHi, kFace, kHiText, 150, 75}};
  HWND parent = Parent();
  for (const auto& r : rows) {
    UProgressBar pb;
    pb.Create(parent, 300, 0, 0, r.W, 20);
    pb.ProgressUnits(r.units), pb.MaxPercentage(r.max), pb.MinPercentage(r.min), pb.TextAlignment(r.align);
    pb.FloodStyle(r.flood), pb.FillColor(r.fill), pb.BackColor(r.back), pb.InvertedTextColor(r.inv);
    pb.IncrementProgress(true);
    for (int i = 0; i < r.steps; ++i) pb.IncrementProgress();
    CHECK_EQ(pb.CurrentPercentage(), r.pct);
    const std::string text = std::to_string(r.pct) + " %";
    Ref ink(pb.SurfaceDC(), r.W, 20, RGB(255, 255, 255));
    const SIZE e = Extent(ink.dc, text);
    const int x = r.align == 0 ? (r.W - e.cx) / 2 : r.align == 1 ? 3 : r.align == 2 ? r.W - e.cx - 6 : 0;
    if (r.flood == 1 || r.flood == 2) TextOutA(ink.dc, x, (20 - e.cy) / 2, text.c_str(), int(text.size()));
    const std::vector<COLORREF> want = Pixels(ink.dc, r.W, 20), got = Pixels(pb.SurfaceDC(), r.W, 20);
    int wrong = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      const bool bar = int(i % r.W) <= r.nFill;
      wrong += !Inked(got[i], want[i], Resolve(bar ? r.fill : r.back), Resolve(bar ? r.inv : r.fill));
    }
    CHECK_EQ(text + ": " + std::to_string(wrong) + " pixels wrong", text + ": 0 pixels wrong");
  }
  DestroyWindow(parent);
}

// Each look against the system's drawing of it: the caption centred by its
// extent (the "&" counted, drawn as an underline), one pixel right and down
// when pressed, greyed and never pressed when disabled, in a soft edge; focus
// shows nothing. A click is one BN_CLICKED to the parent, for a left press and
// release on the button (edges included) or BM_CLICK, when enabled.
static void button_looks_and_clicks() {
  const int W = 100, H = 30;
  HWND parent = Parent();
  UCustomButton b;
  HWND h = b.Create(parent, 401, 10, 10, W, H);
  b.Caption("&Go");
  const SIZE e = Extent(b.SurfaceDC(), "&Go");
  const auto look = [&](const char* what, int d, UINT edge, UINT state) {
    Ref ref(b.SurfaceDC(), W, H, GetSysColor(COLOR_BTNFACE));
    DrawStateA(ref.dc, nullptr, nullptr, LPARAM("&Go"), 3, W / 2 - e.cx / 2 + d, H / 2 - e.cy / 2 + d, 0, 0, DST_PREFIXTEXT | state);
    RECT rc = {0, 0, W, H};
    DrawEdge(ref.dc, &rc, edge, BF_RECT | BF_SOFT);
    CHECK_EQ(std::string(what) + (Pixels(ref.dc, W, H) == Pixels(b.SurfaceDC(), W, H) ? "" : " differs"), what);
  };
  const auto mouse = [&](UINT msg, WPARAM keys, int x, int y) { SendMessageA(h, msg, keys, MAKELPARAM(x, y)); };
  look("normal", 0, EDGE_RAISED, 0);
  SetFocus(h);
  look("focused", 0, EDGE_RAISED, 0);
  mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  CHECK(GetCapture() == h);
  look("pressed", 1, EDGE_SUNKEN, 0);
  mouse(WM_MOUSEMOVE, MK_LBUTTON, W + 1, 5);
  look("pressed, mouse out", 0, EDGE_RAISED, 0);
  mouse(WM_MOUSEMOVE, MK_LBUTTON, W, H);
  look("pressed, mouse on the corner", 1, EDGE_SUNKEN, 0);
  CHECK(g_clicks.empty());
  mouse(WM_LBUTTONUP, 0, W, H);
  look("released", 0, EDGE_RAISED, 0);
  CHECK(GetCapture() != h && g_clicks == (std::vector<std::pair<WPARAM, LPARAM>>{{MAKEWPARAM(401, BN_CLICKED), LPARAM(h)}}));
  mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5), mouse(WM_LBUTTONUP, 0, -1, 5);   // released outside
  mouse(WM_RBUTTONDOWN, MK_RBUTTON, 5, 5), mouse(WM_RBUTTONUP, 0, 5, 5);    // right button
  SendMessageA(h, BM_CLICK, 0, 0);
  CHECK_EQ(g_clicks.size(), size_t(2));
  b.Enabled(false);
  CHECK(!IsWindowEnabled(h));
  mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  look("disabled, pressed", 0, EDGE_RAISED, DSS_DISABLED);
  mouse(WM_LBUTTONUP, 0, 5, 5), SendMessageA(h, BM_CLICK, 0, 0);
  CHECK_EQ(g_clicks.size(), size_t(2));
  EnableWindow(h, TRUE);   // the form enables the window: the button follows
  CHECK(b.Enabled());
  look("enabled again", 0, EDGE_RAISED, 0);
  DestroyWindow(parent);
}

// A transparent metafile, 32 x 32 pixels, left half black and right half red,
// becomes a bitmap at the first paint, once; black shows the face. Alone it is
// centred; with a caption on its left (alignment 0) it follows it. All of it
// is given back with the picture.
static void button_picture() {
  const IID kIID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
  HWND parent = Parent();
  UCustomButton b;
  b.Create(parent, 402, 0, 0, 100, 30);
  const int before = FreeGdiObjects();
  HDC mdc = CreateMetaFileA(nullptr);
  SetWindowOrgEx(mdc, 0, 0, nullptr), SetWindowExtEx(mdc, 32, 32, nullptr);
  RECT left = {0, 0, 16, 32}, right = {16, 0, 32, 32};
  HBRUSH black = CreateSolidBrush(0), red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(mdc, &left, black), FillRect(mdc, &right, red);
  PICTDESC pd = {sizeof pd, PICTYPE_METAFILE};
  pd.wmf.hmeta = CloseMetaFile(mdc), pd.wmf.xExt = pd.wmf.yExt = 32 * 2540 / 96;
  DeleteObject(black), DeleteObject(red);
  IPicture* pic = nullptr;
  OleCreatePictureIndirect(&pd, kIID_IPicture, TRUE, reinterpret_cast<void**>(&pic));
  b.Picture(pic);
  IPicture* drawn = b.DrawnPicture();
  SHORT type = 0, setType = 0;
  drawn->get_Type(&type), b.Picture()->get_Type(&setType);
  CHECK(type == PICTYPE_BITMAP && setType == PICTYPE_METAFILE);   // what was set reads back
  const auto row = [&](int red0) {   // row 24, below the caption: red from red0 on for 16 pixels, face elsewhere
    std::string s;
    for (int x = 2; x < 98; ++x)
      if (GetPixel(b.SurfaceDC(), x, 24) != (x >= red0 && x < red0 + 16 ? RGB(255, 0, 0) : GetSysColor(COLOR_BTNFACE))) s += std::to_string(x) + " ";
    return s;
  };
  b.DrawButton(EdgeSunken);
  CHECK(b.DrawnPicture() == drawn);
  CHECK_EQ(row(50 - 16 + 1 + 16), "");
  b.Caption("Go");
  const int tw = Extent(b.SurfaceDC(), "Go").cx;
  CHECK_EQ(row(50 - (tw + 32) / 2 + tw + 16), "");
  pic->Release(), b.Picture(nullptr);
  CHECK_EQ(FreeGdiObjects(), before);   // the picture, its bitmap and the work areas given back
  DestroyWindow(parent);
}

// What the controls keep in the property bag (a value at its default is not
// stored) and what they make of values stored as text.
static void properties_kept_and_read() {
  const std::vector<std::string> kBar = {"Font", "MaxPercentage", "MinPercentage", "FillColor", "BackColor",
                                         "InvertedTextColor", "TextAlignment", "FloodStyle", "ProgressUnits"};
  HWND parent = Parent();
  UProgressBar pb;
  pb.Create(parent, 300, 0, 0, 100, 20);
  pb.InitProperties();
  CPropertyBag defaults, kept, text, button;
  pb.WriteProperties(defaults);
  CHECK(defaults.Writes() == kBar && defaults.StoredNames().empty());
  pb.MaxPercentage(250), pb.FillColor(0xFF0000), pb.FloodStyle(0);
  pb.WriteProperties(kept);
  CHECK(kept.StoredNames() == (std::vector<std::string>{"MaxPercentage", "FillColor", "FloodStyle"}));
  CHECK(kept.ReadProperty("MaxPercentage", 0).ToLong() == 250 && kept.ReadProperty("FillColor", 0).ToLong() == 0xFF0000);
  CHECK_EQ(kept.ReadProperty("FloodStyle", 2).ToLong(), 0);
  pb.ReadProperties(defaults);   // nothing stored: every default back
  CHECK(pb.MaxPercentage() == 100 && pb.FillColor() == 0x8000000D && pb.BackColor() == 0x8000000F &&
        pb.InvertedTextColor() == 0x8000000E && pb.FloodStyle() == 2 && pb.TextAlignment() == 0);
  text.WriteProperty("FillColor", "&H80000012", int32_t(0));
  text.WriteProperty("TextAlignment", " 12.5 ", int32_t(0));
  text.WriteProperty("FloodStyle", "True", int32_t(2));
  pb.ReadProperties(text);
  CHECK(text.Reads() == kBar);
  CHECK(pb.MaxPercentage() == 100 && pb.FillColor() == 0x80000012 && pb.TextAlignment() == 12 && pb.FloodStyle() == -1);
  pb.IncrementProgress(true);
  CHECK_EQ(GetPixel(pb.SurfaceDC(), 0, 0), GetSysColor(COLOR_BTNTEXT));
  button.WriteProperty("Enabled", "False", true);
  button.WriteProperty("Caption", "&Install MSI", "");
  button.WriteProperty("CaptionAlignment", "2", int32_t(0));
  UCustomButton b;
  b.Create(parent, 401, 0, 30, 100, 30);
  b.ReadProperties(button);
  CHECK(button.Reads() == (std::vector<std::string>{"Enabled", "Caption", "Font", "Picture", "CaptionAlignment"}));
  CHECK(!b.Enabled() && !IsWindowEnabled(b.hWnd()) && b.Caption() == "&Install MSI" && b.CaptionAlignment() == 2);
  DestroyWindow(parent);
}

// Drawing, creating and destroying give back every GDI object taken; a
// repaint of the window shows the kept look.
static void gdi_objects_and_repaint() {
  HWND parent = Parent();
  int before = 0;
  for (int i = 0; i < 21; ++i) {
    if (i == 1) before = FreeGdiObjects();   // the first round warms up what the system keeps (windows' DCs)
    UProgressBar pb;
    UCustomButton b;
    pb.Create(parent, 300, 0, 0, 200, 20), b.Create(parent, 401, 0, 40, 100, 30);
    pb.ProgressUnits(50), b.Caption("Go");
    for (int k = 0; k < 10; ++k) pb.IncrementProgress(), b.DrawButton(k & 1 ? EdgeSunken : EdgeRaised);
    if (i) continue;
    InvalidateRect(parent, nullptr, TRUE), UpdateWindow(parent);
    for (auto c : {std::pair<HWND, HDC>{pb.hWnd(), pb.SurfaceDC()}, {b.hWnd(), b.SurfaceDC()}}) {
      HDC dc = GetDC(c.first);
      CHECK(Pixels(dc, 100, 20) == Pixels(c.second, 100, 20));
      ReleaseDC(c.first, dc);
    }
  }
  CHECK_EQ(FreeGdiObjects(), before);
  DestroyWindow(parent);
}

void ControlScenarios() {
  progress_bar_fill_text_and_colours();
  button_looks_and_clicks();
  button_picture();
  properties_kept_and_read();
  gdi_objects_and_repaint();
}
