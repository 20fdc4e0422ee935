// The progress bar and the custom button drawn by real GDI: pixels of their
// kept surfaces are read back and checked. With CONTROLS_SHOT set to a
// folder, the last case also keeps a window with every look on screen until
// that folder holds "shot.done", so that the screenshot can be taken.
// The program targets Windows 95 headers; this test also counts GDI objects.
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0501
#define _WIN32_WINNT 0x0501
#include <windows.h>
#include <olectl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "controls/UCustomButton.h"
#include "controls/UProgressBar.h"
#include "tests/check.h"

namespace {

const IID kIID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

// ---- a parent window that counts the clicks it is told of ----
int g_clicks = 0;
WPARAM g_lastClick = 0;

LRESULT CALLBACK ParentProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    ++g_clicks;
    g_lastClick = wParam;
    return 0;
  }
  return DefWindowProcA(h, msg, wParam, lParam);
}

HWND MakeParent(bool bVisible, int w = 460, int h = 260) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "ControlsGdiParent";
    RegisterClassA(&wc);
    registered = true;
  }
  HWND hWnd = CreateWindowExA(0, "ControlsGdiParent", "Tarnwick controls", WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN,
                              20, 20, w, h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (bVisible) {
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
  }
  return hWnd;
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

// ---- pixel helpers ----
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;   // inclusive
  bool Empty() const { return right < 0; }
  void Add(int x, int y) {
    if (x < left) left = x;
    if (y < top) top = y;
    if (x > right) right = x;
    if (y > bottom) bottom = y;
  }
};

// Pixels of exactly colour c inside [x0, x1] x [y0, y1].
int Count(HDC hdc, COLORREF c, int x0, int y0, int x1, int y1, Box* box = nullptr) {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (GetPixel(hdc, x, y) == c) {
        ++n;
        if (box) box->Add(x, y);
      }
  return n;
}

// Pixels that are neither of two colours.
int CountOther(HDC hdc, COLORREF a, COLORREF b, int x0, int y0, int x1, int y1, Box* box = nullptr) {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      COLORREF p = GetPixel(hdc, x, y);
      if (p != a && p != b) {
        ++n;
        if (box) box->Add(x, y);
      }
    }
  return n;
}

// Where the percentage text may leave blended (smoothed) pixels.
bool WithinText(const Box& b, HDC dc, const char* sText, int x, int H) {
  SIZE ext;
  GetTextExtentPoint32A(dc, sText, int(std::strlen(sText)), &ext);
  int y = (H - ext.cy) / 2;
  if (y < 0) y = 0;
  return b.Empty() || (b.left >= x - 1 && b.right <= x + ext.cx + 1 && b.top >= y && b.bottom <= y + ext.cy);
}

int TextLeftCentred(HDC dc, const char* sText, int W) {
  SIZE ext;
  GetTextExtentPoint32A(dc, sText, int(std::strlen(sText)), &ext);
  return (W - ext.cx) / 2;
}

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

const int kBarW = 200, kBarH = 20;

// A bar on a hidden parent, advanced to nUnits of nTotal.
struct Bar {
  HWND hParent;
  UProgressBar pb;
  explicit Bar(int nTotal, int nUnits, int w = kBarW, int h = kBarH) {
    hParent = MakeParent(false);
    pb.Create(hParent, 300, 10, 10, w, h);
    pb.ProgressUnits(nTotal);
    pb.IncrementProgress(true);
    for (int i = 0; i < nUnits; ++i) pb.IncrementProgress();
  }
  ~Bar() {
    pb.Destroy();
    DestroyWindow(hParent);
  }
  HDC dc() const { return pb.SurfaceDC(); }
};

COLORREF Highlight() { return GetSysColor(COLOR_HIGHLIGHT); }
COLORREF Face() { return GetSysColor(COLOR_BTNFACE); }
COLORREF HighlightText() { return GetSysColor(COLOR_HIGHLIGHTTEXT); }

}  // namespace

TEST(progress_zero_shows_single_column_and_text_in_fill_colour) {
  Bar b(0, 3);   // no units known: fill 0 whatever the count
  CHECK_EQ(b.pb.CurrentPercentage(), 0);
  HDC dc = b.dc();
  CHECK_EQ(Count(dc, Highlight(), 0, 0, 0, kBarH - 1), kBarH);        // column 0 is the bar
  // Right of it: background and the text "0 %" in FillColor, nothing else.
  Box text, smooth;
  CountOther(dc, Face(), Highlight(), 1, 0, kBarW - 1, kBarH - 1, &smooth);
  CHECK(WithinText(smooth, dc, "0 %", TextLeftCentred(dc, "0 %", kBarW), kBarH));
  CHECK(Count(dc, Highlight(), 1, 0, kBarW - 1, kBarH - 1, &text) > 5);
  CHECK_EQ(Count(dc, HighlightText(), 0, 0, kBarW - 1, kBarH - 1), 0);
  // Centred: the ink lies around the middle.
  CHECK(text.left > kBarW / 2 - 20 && text.right < kBarW / 2 + 20);
}

TEST(progress_full_bar_has_text_in_inverted_colour_only) {
  Bar b(4, 6);   // past the end: clamped
  CHECK_EQ(b.pb.CurrentUnit(), 6);
  CHECK_EQ(b.pb.CurrentPercentage(), 100);
  HDC dc = b.dc();
  CHECK_EQ(Count(dc, Face(), 0, 0, kBarW - 1, kBarH - 1), 0);
  CHECK(Count(dc, HighlightText(), 0, 0, kBarW - 1, kBarH - 1) > 5);
  Box smooth;
  CountOther(dc, Highlight(), HighlightText(), 0, 0, kBarW - 1, kBarH - 1, &smooth);
  CHECK(WithinText(smooth, dc, "100 %", TextLeftCentred(dc, "100 %", kBarW), kBarH));
}

TEST(progress_straddling_text_shows_both_colours) {
  Bar b(200, 90);   // fill 90 of 200 -> 45 %
  CHECK_EQ(b.pb.CurrentPercentage(), 45);
  HDC dc = b.dc();
  const int fill = 90;
  SIZE ext;
  GetTextExtentPoint32A(dc, "45 %", 4, &ext);
  const int x = (kBarW - ext.cx) / 2;
  CHECK(x < fill && fill < x + ext.cx);   // the text does straddle the boundary
  // The bar: columns 0..fill, no background pixel there.
  CHECK_EQ(Count(dc, Face(), 0, 0, fill, kBarH - 1), 0);
  Box inv, over;
  CHECK(Count(dc, HighlightText(), 0, 0, fill, kBarH - 1, &inv) > 0);
  CHECK(inv.left >= x - 1);
  // Right of the bar the text is in FillColor on the background.
  CHECK_EQ(Count(dc, HighlightText(), fill + 1, 0, kBarW - 1, kBarH - 1), 0);
  CHECK(Count(dc, Highlight(), fill + 1, 0, kBarW - 1, kBarH - 1, &over) > 0);
  CHECK(over.left > fill && over.right <= x + ext.cx);
  Box smooth;
  CountOther(dc, Face(), Highlight(), fill + 1, 0, kBarW - 1, kBarH - 1, &smooth);
  CHECK(WithinText(smooth, dc, "45 %", x, kBarH));
}

TEST(progress_flood_style_zero_draws_the_bar_only) {
  for (int style : {0, 3}) {
    HWND hParent = MakeParent(false);
    UProgressBar pb;
    pb.Create(hParent, 300, 0, 0, kBarW, kBarH);
    pb.FloodStyle(style);
    pb.ProgressUnits(200);
    pb.IncrementProgress(true);
    for (int i = 0; i < 90; ++i) pb.IncrementProgress();
    HDC dc = pb.SurfaceDC();
    CHECK_EQ(Count(dc, Highlight(), 0, 0, 90, kBarH - 1), 91 * kBarH);
    CHECK_EQ(Count(dc, Face(), 91, 0, kBarW - 1, kBarH - 1), (kBarW - 91) * kBarH);
    pb.Destroy();
    DestroyWindow(hParent);
  }
}

TEST(progress_alignment_left_and_right_and_own_colours) {
  HWND hParent = MakeParent(false);
  UProgressBar pb;
  pb.Create(hParent, 300, 0, 0, kBarW, kBarH);
  const COLORREF red = RGB(200, 0, 0), white = RGB(255, 255, 255), green = RGB(0, 160, 0);
  pb.FillColor(red);
  pb.BackColor(white);
  pb.InvertedTextColor(green);
  pb.TextAlignment(1);
  pb.IncrementProgress(true);   // 0 %
  HDC dc = pb.SurfaceDC();
  Box text;
  CHECK(Count(dc, red, 1, 0, kBarW - 1, kBarH - 1, &text) > 0);
  CHECK(text.left >= 3 && text.left <= 5);
  Box smooth;
  CountOther(dc, white, red, 0, 0, kBarW - 1, kBarH - 1, &smooth);
  CHECK(WithinText(smooth, dc, "0 %", 3, kBarH));

  pb.TextAlignment(2);
  pb.IncrementProgress(true);
  SIZE ext;
  GetTextExtentPoint32A(dc, "0 %", 3, &ext);
  Box right;
  CHECK(Count(dc, red, 1, 0, kBarW - 1, kBarH - 1, &right) > 0);
  CHECK(right.right <= kBarW - 6 && right.left >= kBarW - ext.cx - 6);

  // A system colour given by its number resolves through GetSysColor.
  pb.FillColor(0x80000000u | COLOR_BTNSHADOW);
  pb.IncrementProgress(true);
  CHECK_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_BTNSHADOW));
  pb.Destroy();
  DestroyWindow(hParent);
}

TEST(progress_draws_nothing_leaky) {
  HWND hParent = MakeParent(false);
  UProgressBar pb;
  pb.Create(hParent, 300, 0, 0, kBarW, kBarH);
  pb.ProgressUnits(50);
  pb.IncrementProgress(true);
  DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 200; ++i) pb.IncrementProgress();
  DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  CHECK(after <= before + 2);
  CHECK_EQ(pb.CurrentPercentage(), 100);
  pb.Destroy();
  DestroyWindow(hParent);
}

namespace {
const int kBtnW = 100, kBtnH = 30;

struct Btn {
  HWND hParent;
  UCustomButton b;
  explicit Btn(const char* sCaption, bool bVisible = false) {
    hParent = MakeParent(bVisible);
    b.Create(hParent, 401, 10, 10, kBtnW, kBtnH);
    b.Caption(sCaption);
  }
  ~Btn() {
    b.Destroy();
    DestroyWindow(hParent);
  }
  HDC dc() const { return b.SurfaceDC(); }
};

// Caption ink in the face, the 2-pixel edge left out.
Box Ink(HDC dc, COLORREF c) {
  Box box;
  Count(dc, c, 2, 2, kBtnW - 3, kBtnH - 3, &box);
  return box;
}
}  // namespace

TEST(button_caption_moves_one_pixel_when_pressed) {
  Btn t("Go");
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  t.b.DrawButton(EdgeRaised);
  Box up = Ink(t.dc(), text);
  COLORREF upTopLeft = GetPixel(t.dc(), 0, kBtnH / 2), upBottomRight = GetPixel(t.dc(), kBtnW - 1, kBtnH / 2);
  t.b.DrawButton(EdgeSunken);
  Box down = Ink(t.dc(), text);
  COLORREF dnTopLeft = GetPixel(t.dc(), 0, kBtnH / 2), dnBottomRight = GetPixel(t.dc(), kBtnW - 1, kBtnH / 2);
  CHECK(!up.Empty());
  CHECK_EQ(down.left, up.left + 1);
  CHECK_EQ(down.top, up.top + 1);
  CHECK_EQ(down.right, up.right + 1);
  CHECK_EQ(down.bottom, up.bottom + 1);
  // Raised: light on the left, dark on the right; sunken the other way round.
  CHECK(Brightness(upTopLeft) > Brightness(upBottomRight));
  CHECK(Brightness(dnTopLeft) < Brightness(dnBottomRight));
  // Centred in the face.
  CHECK(up.left > kBtnW / 2 - 15 && up.right < kBtnW / 2 + 15);
}

TEST(button_disabled_is_greyed_and_not_moved) {
  Btn t("Go");
  const COLORREF text = GetSysColor(COLOR_BTNTEXT), shadow = GetSysColor(COLOR_BTNSHADOW);
  t.b.DrawButton(EdgeRaised);
  Box up = Ink(t.dc(), text);
  t.b.Enabled(false);
  CHECK(!t.b.Enabled());
  CHECK(!IsWindowEnabled(t.b.hWnd()));
  t.b.DrawButton(EdgeSunken);   // a disabled button is never pushed in
  CHECK(Ink(t.dc(), text).Empty());
  Box grey = Ink(t.dc(), shadow);
  CHECK(!grey.Empty());
  CHECK_EQ(grey.left, up.left);
  CHECK_EQ(grey.top, up.top);
  // It keeps a raised edge.
  CHECK(Brightness(GetPixel(t.dc(), 0, kBtnH / 2)) > Brightness(GetPixel(t.dc(), kBtnW - 1, kBtnH / 2)));
  // Enabled again through the window, the caption is black again.
  EnableWindow(t.b.hWnd(), TRUE);
  CHECK(t.b.Enabled());
  CHECK(!Ink(t.dc(), text).Empty());
}

TEST(button_ampersand_underlines_instead_of_drawing) {
  Btn plain("Go"), prefixed("&Go");
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  Box a = Ink(plain.dc(), text), b = Ink(prefixed.dc(), text);
  CHECK(!a.Empty() && !b.Empty());
  // Same ink width (no ampersand drawn), a row more below for the underline.
  CHECK(b.right - b.left >= a.right - a.left);
  CHECK(b.right - b.left <= a.right - a.left + 1);
  CHECK_EQ(b.top, a.top);
  CHECK(b.bottom > a.bottom);
}

namespace {
// A 32 x 32 Windows metafile: left half black, right half red.
IPicture* MakeMetafilePicture(int px) {
  HDC mdc = CreateMetaFileA(nullptr);
  SetWindowOrgEx(mdc, 0, 0, nullptr);
  SetWindowExtEx(mdc, 32, 32, nullptr);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0)), red = CreateSolidBrush(RGB(255, 0, 0));
  RECT l = {0, 0, 16, 32}, r = {16, 0, 32, 32};
  FillRect(mdc, &l, black);
  FillRect(mdc, &r, red);
  HMETAFILE hmf = CloseMetaFile(mdc);
  DeleteObject(black);
  DeleteObject(red);
  PICTDESC pd = {};
  pd.cbSizeofstruct = sizeof pd;
  pd.picType = PICTYPE_METAFILE;
  pd.wmf.hmeta = hmf;
  pd.wmf.xExt = px * 2540 / 96;
  pd.wmf.yExt = px * 2540 / 96;
  IPicture* p = nullptr;
  OleCreatePictureIndirect(&pd, kIID_IPicture, TRUE, reinterpret_cast<void**>(&p));
  return p;
}
}  // namespace

TEST(button_transparent_metafile_takes_the_background) {
  IPicture* pic = MakeMetafilePicture(32);
  CHECK(pic != nullptr);
  if (!pic) return;
  DWORD attr = 0;
  pic->get_Attributes(&attr);
  CHECK(attr & PICTURE_TRANSPARENT);
  Btn t("");
  t.b.Picture(pic);
  CHECK(t.b.Picture() == pic);
  SHORT type = 0;
  t.b.DrawnPicture()->get_Type(&type);
  CHECK_EQ(type, SHORT(PICTYPE_BITMAP));     // converted on the first paint
  t.b.Picture()->get_Type(&type);
  CHECK_EQ(type, SHORT(PICTYPE_METAFILE));   // what was set reads back
  IPicture* drawn = t.b.DrawnPicture();
  t.b.DrawButton(EdgeSunken);
  CHECK(t.b.DrawnPicture() == drawn);       // converted once only

  // Centred 32 x 32 at (34, -1) + 1 when pressed: left half face, right half red.
  t.b.DrawButton(EdgeRaised);
  const int px = kBtnW / 2 - 16, py = kBtnH / 2 - 16;
  HDC dc = t.dc();
  int face = 0, red = 0, black = 0;
  for (int y = (py < 2 ? 2 : py); y < py + 32 && y < kBtnH - 2; ++y)
    for (int x = px; x < px + 32; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      if (x < px + 16) face += c == Face(), black += c == RGB(0, 0, 0);
      else red += c == RGB(255, 0, 0);
    }
  CHECK(face > 0);
  CHECK_EQ(black, 0);
  CHECK(red > 0);
  pic->Release();
}

TEST(transparent_copy_keeps_destination_under_key_colour) {
  HDC screen = GetDC(nullptr);
  HDC src = CreateCompatibleDC(screen), dst = CreateCompatibleDC(screen);
  HBITMAP bs = CreateCompatibleBitmap(screen, 20, 10), bd = CreateCompatibleBitmap(screen, 10, 10);
  HGDIOBJ os = SelectObject(src, bs), od = SelectObject(dst, bd);
  ReleaseDC(nullptr, screen);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), black = CreateSolidBrush(RGB(0, 0, 0)),
         green = CreateSolidBrush(RGB(0, 255, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT r0 = {0, 0, 10, 10}, r1 = {10, 0, 15, 10}, r2 = {15, 0, 20, 10};
  FillRect(src, &r0, red);
  FillRect(src, &r1, black);
  FillRect(src, &r2, green);
  FillRect(dst, &r0, blue);
  // The source rectangle does not start at the origin.
  POINT pt = {0, 0};
  RECT rc = {10, 0, 20, 10};
  TransparentCopy(dst, pt, src, rc, RGB(0, 0, 0));
  CHECK_EQ(GetPixel(dst, 2, 5), RGB(0, 0, 255));
  CHECK_EQ(GetPixel(dst, 7, 5), RGB(0, 255, 0));
  CHECK_EQ(GetPixel(src, 5, 5), RGB(255, 0, 0));   // the rest of the source is untouched
  SelectObject(src, os);
  SelectObject(dst, od);
  DeleteObject(bs);
  DeleteObject(bd);
  DeleteDC(src);
  DeleteDC(dst);
  DeleteObject(red);
  DeleteObject(black);
  DeleteObject(green);
  DeleteObject(blue);
}

TEST(button_mouse_capture_and_one_click) {
  Btn t("Go", true);
  HWND h = t.b.hWnd();
  g_clicks = 0;
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  Box up = Ink(t.dc(), text);
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  CHECK(GetCapture() == h);
  CHECK_EQ(Ink(t.dc(), text).left, up.left + 1);
  SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, -5));   // out: up again
  CHECK_EQ(Ink(t.dc(), text).left, up.left);
  SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kBtnW, kBtnH));   // the edge is inside
  CHECK_EQ(Ink(t.dc(), text).left, up.left + 1);
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(kBtnW, kBtnH));
  CHECK(GetCapture() != h);
  CHECK_EQ(g_clicks, 1);
  CHECK_EQ(g_lastClick, WPARAM(MAKEWPARAM(401, BN_CLICKED)));
  CHECK_EQ(Ink(t.dc(), text).left, up.left);
  // Release outside and right clicks do nothing.
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(kBtnW + 1, 10));
  SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
  SendMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  CHECK_EQ(g_clicks, 1);
  CHECK(GetCapture() != h);
}

// The window for the screenshot: bars at 0, 45 and 100 %, buttons raised,
// sunken and disabled. Also checks that a repaint shows the kept look.
TEST(window_with_every_look) {
  HWND hWnd = MakeParent(true, 460, 240);
  UProgressBar bars[3];
  const int units[3] = {0, 90, 200};
  for (int i = 0; i < 3; ++i) {
    // 240 wide, so that the 45 % text straddles the end of the bar.
    bars[i].Create(hWnd, 300 + i, 20, 20 + i * 34, 240, 22);
    bars[i].ProgressUnits(200);
    bars[i].IncrementProgress(true);
    for (int k = 0; k < units[i]; ++k) bars[i].IncrementProgress();
  }
  CHECK_EQ(bars[0].CurrentPercentage(), 0);
  CHECK_EQ(bars[1].CurrentPercentage(), 45);
  CHECK_EQ(bars[2].CurrentPercentage(), 100);
  UCustomButton buttons[3];
  const char* captions[3] = {"&Raised", "&Sunken", "&Disabled"};
  for (int i = 0; i < 3; ++i) {
    buttons[i].Create(hWnd, 400 + i, 20 + i * 140, 130, 120, 34);
    buttons[i].Caption(captions[i]);
  }
  buttons[1].DrawButton(EdgeSunken);
  buttons[2].Enabled(false);

  // Cover-and-uncover: a full repaint must show what was last drawn.
  InvalidateRect(hWnd, nullptr, TRUE);
  UpdateWindow(hWnd);
  Pump();
  HDC screen = GetDC(bars[1].hWnd());
  const int probes[][2] = {{2, 2}, {108, 11}, {120, 11}, {239, 21}};
  for (auto& p : probes) CHECK_EQ(GetPixel(screen, p[0], p[1]), GetPixel(bars[1].SurfaceDC(), p[0], p[1]));
  ReleaseDC(bars[1].hWnd(), screen);
  screen = GetDC(buttons[1].hWnd());
  for (int x = 0; x < 120; x += 7)
    CHECK_EQ(GetPixel(screen, x, 17), GetPixel(buttons[1].SurfaceDC(), x, 17));
  ReleaseDC(buttons[1].hWnd(), screen);

  const char* shot = std::getenv("CONTROLS_SHOT");
  if (shot && *shot) {
    std::string ready = std::string(shot) + "\\shot.ready", done = std::string(shot) + "\\shot.done";
    if (FILE* f = std::fopen(ready.c_str(), "w")) std::fclose(f);
    for (int i = 0; i < 300 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
      Pump();
      Sleep(100);
    }
  }
  for (auto& b : buttons) b.Destroy();
  for (auto& b : bars) b.Destroy();
  DestroyWindow(hWnd);
}
