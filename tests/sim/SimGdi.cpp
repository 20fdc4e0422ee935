// The simulated gdi32 and the drawing half of user32: cheap objects with
// handle accounting and a log of drawing calls; no pixels.
#include <algorithm>
#include <cstring>
#include <memory>
#include "tests/sim/Sim.h"
#include "tests/sim/SimOs.h"

namespace sim {
void SetScreenPixels(int cx, int cy);   // SimUser.cpp
}

namespace {

struct Obj {
  DWORD type;                     // OBJ_BITMAP, OBJ_BRUSH, OBJ_PEN, OBJ_FONT, OBJ_PAL, OBJ_DC, OBJ_MEMDC
  bool stock = false;
  int cx = 0, cy = 0, bpp = 0;    // bitmaps
  std::vector<unsigned char> bits;
  COLORREF color = 0;             // brushes and pens
  LOGFONTA font{};
  std::vector<PALETTEENTRY> pal;
  // DCs
  HWND wnd = nullptr;
  std::map<DWORD, HGDIOBJ> selected;
  std::vector<std::map<DWORD, HGDIOBJ>> saved;
  COLORREF text = 0, bk = 0xFFFFFF;
  int bkMode = OPAQUE;
  bool fromGetDC = false;
};

struct GdiState {
  std::map<HGDIOBJ, Obj> objs;
  uintptr_t next = 0x500000;
  std::vector<sim::DrawCall> calls;
  std::map<int, HGDIOBJ> stock;
  int dpi = 96, cx = 1024, cy = 768;
  bool palette = false;
};

GdiState& G() {
  static GdiState g;
  return g;
}

HGDIOBJ Add(const Obj& o) {
  G().next += 8;
  HGDIOBJ h = (HGDIOBJ)G().next;
  G().objs[h] = o;
  return h;
}

Obj* Get(HGDIOBJ h) {
  auto it = G().objs.find(h);
  return it == G().objs.end() ? nullptr : &it->second;
}

bool IsDC(const Obj* o) { return o && (o->type == OBJ_DC || o->type == OBJ_MEMDC); }

DWORD Kind(DWORD type) { return type == OBJ_EXTPEN ? OBJ_PEN : type; }

HDC NewDC(HWND wnd, DWORD type) {
  Obj o;
  o.type = type;
  o.wnd = wnd;
  o.selected[OBJ_BITMAP] = nullptr;
  if (type == OBJ_MEMDC) {
    Obj b;
    b.type = OBJ_BITMAP;
    b.stock = true;
    b.cx = b.cy = 1;
    b.bpp = 1;
    o.selected[OBJ_BITMAP] = Add(b);   // the 1x1 monochrome default bitmap
  }
  o.selected[OBJ_FONT] = simos::GetStockObject(SYSTEM_FONT);
  o.selected[OBJ_BRUSH] = simos::GetStockObject(WHITE_BRUSH);
  o.selected[OBJ_PEN] = simos::GetStockObject(BLACK_PEN);
  o.selected[OBJ_PAL] = simos::GetStockObject(DEFAULT_PALETTE);
  return (HDC)Add(o);
}

void Log(const char* op, HDC hdc, int x, int y, int cx, int cy, const std::string& text = "", COLORREF c = 0) {
  G().calls.push_back({op, hdc, x, y, cx, cy, text, c});
}

DWORD SysColor(int index) {
  switch (index) {
    case COLOR_BTNFACE: return RGB(212, 208, 200);
    case COLOR_BTNTEXT: case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(64, 64, 64);
    case COLOR_3DLIGHT: return RGB(212, 208, 200);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT: return RGB(10, 36, 106);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
  }
  return RGB(192, 192, 192);
}

}  // namespace

namespace sim {

void ResetGdi() {
  G() = GdiState();
  SetScreenPixels(1024, 768);
}

void SetScreen(int cx, int cy, int dpi) {
  G().cx = cx;
  G().cy = cy;
  G().dpi = dpi;
  SetScreenPixels(cx, cy);
}

void SetPaletteDisplay(bool b) { G().palette = b; }

int GdiObjects() {
  int n = 0;
  for (auto& kv : G().objs)
    if (!kv.second.stock && !IsDC(&kv.second)) ++n;
  return n;
}

int DCs() {
  int n = 0;
  for (auto& kv : G().objs)
    if (IsDC(&kv.second)) ++n;
  return n;
}

const std::vector<DrawCall>& DrawCalls() { return G().calls; }
void ClearDrawCalls() { G().calls.clear(); }

HGDIOBJ Selected(HDC hdc, DWORD type) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return nullptr;
  auto it = d->selected.find(type);
  return it == d->selected.end() ? nullptr : it->second;
}

COLORREF BrushColor(HBRUSH h) {
  if ((uintptr_t)h > 0 && (uintptr_t)h <= COLOR_MENUBAR + 1) return SysColor((int)(uintptr_t)h - 1);
  Obj* o = Get(h);
  return o ? o->color : CLR_INVALID;
}

bool GetFont(HFONT h, LOGFONTA& lf) {
  Obj* o = Get(h);
  if (!o || o->type != OBJ_FONT) return false;
  lf = o->font;
  return true;
}

}  // namespace sim

namespace simos {

// ---- drawing parts of user32
HDC GetDC(HWND h) {
  if (h && !simos::IsWindow(h)) return nullptr;
  HDC dc = NewDC(h, OBJ_DC);
  Get(dc)->fromGetDC = true;
  return dc;
}

int ReleaseDC(HWND, HDC hdc) {
  Obj* o = Get(hdc);
  if (!o || o->type != OBJ_DC) return 0;
  G().objs.erase(hdc);
  return 1;
}

HDC BeginPaint(HWND h, LPPAINTSTRUCT ps) {
  if (!ps || !simos::IsWindow(h)) return nullptr;
  std::memset(ps, 0, sizeof *ps);
  ps->hdc = NewDC(h, OBJ_DC);
  simos::GetClientRect(h, &ps->rcPaint);
  ps->fErase = FALSE;
  return ps->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  G().objs.erase(ps->hdc);
  return TRUE;
}

int FillRect(HDC hdc, const RECT* r, HBRUSH br) {
  if (!IsDC(Get(hdc)) || !r) return 0;
  Log("FillRect", hdc, r->left, r->top, r->right - r->left, r->bottom - r->top, "", sim::BrushColor(br));
  return 1;
}

BOOL DrawStateA(HDC hdc, HBRUSH, DRAWSTATEPROC, LPARAM lData, WPARAM wData, int x, int y, int cx, int cy,
                UINT flags) {
  if (!IsDC(Get(hdc))) return FALSE;
  std::string text;
  if ((flags & 0xF) == DST_TEXT || (flags & 0xF) == DST_PREFIXTEXT)
    text = wData ? std::string((const char*)lData, wData) : std::string((const char*)lData);
  Log("DrawState", hdc, x, y, cx, cy, text, (COLORREF)flags);
  return TRUE;
}

BOOL DrawEdge(HDC hdc, LPRECT r, UINT edge, UINT flags) {
  if (!IsDC(Get(hdc)) || !r) return FALSE;
  Log("DrawEdge", hdc, r->left, r->top, r->right - r->left, r->bottom - r->top, "", (COLORREF)(edge << 16 | flags));
  return TRUE;
}

DWORD GetSysColor(int index) { return SysColor(index); }
HBRUSH GetSysColorBrush(int index) { return (HBRUSH)(uintptr_t)(index + 1); }

// ---- gdi32
HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !IsDC(Get(hdc))) return nullptr;
  return NewDC(nullptr, OBJ_MEMDC);
}

int SaveDC(HDC hdc) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return 0;
  d->saved.push_back(d->selected);
  return (int)d->saved.size();
}

BOOL RestoreDC(HDC hdc, int n) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return FALSE;
  int count = (int)d->saved.size();
  int index = n < 0 ? count + n : n - 1;
  if (index < 0 || index >= count) return FALSE;
  d->selected = d->saved[index];
  d->saved.resize(index);
  return TRUE;
}

BOOL DeleteDC(HDC hdc) {
  Obj* d = Get(hdc);
  if (!d || d->type != OBJ_MEMDC) return FALSE;
  G().objs.erase(hdc);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  Obj* d = Get(hdc);
  if (!IsDC(d) || cx < 0 || cy < 0) return nullptr;
  Obj b;
  b.type = OBJ_BITMAP;
  b.cx = cx;
  b.cy = cy;
  b.bpp = G().palette ? 8 : 32;
  if (d->type == OBJ_MEMDC) {
    Obj* sel = Get(d->selected[OBJ_BITMAP]);
    if (sel) b.bpp = sel->bpp;
  }
  return (HBITMAP)Add(b);
}

HBITMAP CreateBitmap(int cx, int cy, UINT planes, UINT bpp, const VOID* bits) {
  if (cx < 0 || cy < 0) return nullptr;
  Obj b;
  b.type = OBJ_BITMAP;
  b.cx = cx;
  b.cy = cy;
  b.bpp = (int)(planes * bpp);
  size_t stride = ((size_t)cx * b.bpp + 15) / 16 * 2;
  b.bits.assign(stride * cy, 0);
  if (bits) std::memcpy(b.bits.data(), bits, b.bits.size());
  return (HBITMAP)Add(b);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* bmi, UINT, VOID** bits, HANDLE, DWORD) {
  if (!bmi) return nullptr;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biBitCount == 0) return nullptr;
  Obj b;
  b.type = OBJ_BITMAP;
  b.cx = h.biWidth;
  b.cy = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  b.bpp = h.biBitCount;
  size_t stride = ((size_t)b.cx * b.bpp + 31) / 32 * 4;
  b.bits.assign(stride * b.cy, 0);
  HGDIOBJ o = Add(b);
  if (bits) *bits = Get(o)->bits.data();
  return (HBITMAP)o;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  Obj* d = Get(hdc);
  Obj* o = Get(h);
  if (!IsDC(d) || !o || IsDC(o)) return nullptr;
  DWORD k = Kind(o->type);
  if (k == OBJ_PAL) return nullptr;   // palettes go through SelectPalette
  if (k == OBJ_BITMAP && d->type != OBJ_MEMDC) return nullptr;
  HGDIOBJ old = d->selected[k];
  d->selected[k] = h;
  return old;
}

BOOL DeleteObject(HGDIOBJ h) {
  Obj* o = Get(h);
  if (!o || IsDC(o)) return FALSE;
  if (o->stock) return TRUE;
  // A selected object is not deleted, as on Windows.
  for (auto& kv : G().objs)
    if (IsDC(&kv.second))
      for (auto& s : kv.second.selected)
        if (s.second == h) return FALSE;
  G().objs.erase(h);
  return TRUE;
}

HGDIOBJ GetStockObject(int i) {
  auto it = G().stock.find(i);
  if (it != G().stock.end()) return it->second;
  Obj o;
  o.stock = true;
  switch (i) {
    case WHITE_BRUSH: case LTGRAY_BRUSH: case GRAY_BRUSH: case DKGRAY_BRUSH: case BLACK_BRUSH:
    case NULL_BRUSH:
      o.type = OBJ_BRUSH;
      o.color = i == WHITE_BRUSH ? RGB(255, 255, 255) : i == BLACK_BRUSH ? 0 : RGB(128, 128, 128);
      break;
    case WHITE_PEN: case BLACK_PEN: case NULL_PEN:
      o.type = OBJ_PEN;
      o.color = i == WHITE_PEN ? RGB(255, 255, 255) : 0;
      break;
    case DEFAULT_PALETTE:
      o.type = OBJ_PAL;
      o.pal.assign(20, PALETTEENTRY{});
      break;
    default:
      o.type = OBJ_FONT;
      o.font.lfHeight = 16;
      std::strcpy(o.font.lfFaceName, "System");
      break;
  }
  HGDIOBJ h = Add(o);
  G().stock[i] = h;
  return h;
}

int GetObjectA(HANDLE h, int c, LPVOID pv) {
  Obj* o = Get(h);
  if (!o) return 0;
  if (o->type == OBJ_BITMAP) {
    if (!pv) return sizeof(BITMAP);
    if (c < (int)sizeof(BITMAP)) return 0;
    BITMAP b{};
    b.bmType = 0;
    b.bmWidth = o->cx;
    b.bmHeight = o->cy;
    b.bmPlanes = 1;
    b.bmBitsPixel = (WORD)o->bpp;
    b.bmWidthBytes = (o->cx * o->bpp + 15) / 16 * 2;
    b.bmBits = o->bits.empty() ? nullptr : o->bits.data();
    std::memcpy(pv, &b, sizeof b);
    return sizeof(BITMAP);
  }
  if (o->type == OBJ_FONT) {
    if (!pv) return sizeof(LOGFONTA);
    int n = std::min<int>(c, sizeof(LOGFONTA));
    std::memcpy(pv, &o->font, n);
    return n;
  }
  if (o->type == OBJ_PAL) {
    if (pv && c >= 2) *(WORD*)pv = (WORD)o->pal.size();
    return 2;
  }
  if (o->type == OBJ_BRUSH) {
    if (!pv) return sizeof(LOGBRUSH);
    LOGBRUSH lb{BS_SOLID, o->color, 0};
    int n = std::min<int>(c, sizeof lb);
    std::memcpy(pv, &lb, n);
    return n;
  }
  return 0;
}

int GetDeviceCaps(HDC hdc, int index) {
  if (!IsDC(Get(hdc))) return 0;
  switch (index) {
    case LOGPIXELSX: case LOGPIXELSY: return G().dpi;
    case HORZRES: return G().cx;
    case VERTRES: return G().cy;
    case BITSPIXEL: return G().palette ? 8 : 32;
    case PLANES: return 1;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP | (G().palette ? RC_PALETTE : 0);
    case SIZEPALETTE: return G().palette ? 256 : 0;
    case NUMCOLORS: return G().palette ? 20 : -1;
  }
  return 0;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT n, LPPALETTEENTRY pe) {
  if (!IsDC(Get(hdc)) || !G().palette) return 0;
  if (!pe) return 256;
  UINT count = 0;
  for (UINT i = start; i < 256 && count < n; ++i, ++count)
    pe[count] = PALETTEENTRY{(BYTE)i, (BYTE)(255 - i), (BYTE)(i / 2), 0};
  return count;
}

HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (!lp || lp->palVersion != 0x300) return nullptr;
  Obj o;
  o.type = OBJ_PAL;
  o.pal.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
  return (HPALETTE)Add(o);
}

HPALETTE SelectPalette(HDC hdc, HPALETTE pal, BOOL) {
  Obj* d = Get(hdc);
  Obj* p = Get(pal);
  if (!IsDC(d) || !p || p->type != OBJ_PAL) return nullptr;
  HGDIOBJ old = d->selected[OBJ_PAL];
  d->selected[OBJ_PAL] = pal;
  return (HPALETTE)old;
}

UINT RealizePalette(HDC hdc) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return GDI_ERROR;
  Obj* p = Get(d->selected[OBJ_PAL]);
  return p ? (UINT)p->pal.size() : 0;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop) {
  if (!IsDC(Get(hdc)) || (src && !IsDC(Get(src)))) return FALSE;
  Log("BitBlt", hdc, x, y, cx, cy, std::to_string(x1) + "," + std::to_string(y1), rop);
  return TRUE;
}

BOOL StretchBlt(HDC hdc, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, DWORD rop) {
  if (!IsDC(Get(hdc)) || (src && !IsDC(Get(src)))) return FALSE;
  Log("StretchBlt", hdc, x, y, w, h,
      std::to_string(xs) + "," + std::to_string(ys) + "," + std::to_string(ws) + "," + std::to_string(hs), rop);
  return TRUE;
}

HBRUSH CreateSolidBrush(COLORREF c) {
  Obj o;
  o.type = OBJ_BRUSH;
  o.color = c;
  return (HBRUSH)Add(o);
}

HPEN CreatePen(int, int, COLORREF c) {
  Obj o;
  o.type = OBJ_PEN;
  o.color = c;
  return (HPEN)Add(o);
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT) {
  if (!IsDC(Get(hdc))) return FALSE;
  Log("MoveTo", hdc, x, y, 0, 0);
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return FALSE;
  Obj* pen = Get(d->selected[OBJ_PEN]);
  Log("LineTo", hdc, x, y, 0, 0, "", pen ? pen->color : 0);
  return TRUE;
}

int SetBkMode(HDC hdc, int mode) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return 0;
  int old = d->bkMode;
  d->bkMode = mode;
  return old;
}

COLORREF SetTextColor(HDC hdc, COLORREF c) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return CLR_INVALID;
  COLORREF old = d->text;
  d->text = c;
  return old;
}
COLORREF GetTextColor(HDC hdc) {
  Obj* d = Get(hdc);
  return IsDC(d) ? d->text : CLR_INVALID;
}
COLORREF SetBkColor(HDC hdc, COLORREF c) {
  Obj* d = Get(hdc);
  if (!IsDC(d)) return CLR_INVALID;
  COLORREF old = d->bk;
  d->bk = c;
  return old;
}
COLORREF GetBkColor(HDC hdc) {
  Obj* d = Get(hdc);
  return IsDC(d) ? d->bk : CLR_INVALID;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR s, int c) {
  Obj* d = Get(hdc);
  if (!IsDC(d) || (!s && c)) return FALSE;
  Log("TextOut", hdc, x, y, 0, 0, std::string(s, c), d->text);
  return TRUE;
}

// Every character is as wide as half the font's height (at least 1 pixel).
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR, int c, LPSIZE sz) {
  Obj* d = Get(hdc);
  if (!IsDC(d) || !sz) return FALSE;
  Obj* f = Get(d->selected[OBJ_FONT]);
  int h = f ? std::abs((int)f->font.lfHeight) : 16;
  if (!h) h = 16;
  sz->cx = c * std::max(1, h / 2);
  sz->cy = h;
  return TRUE;
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  if (!lf) return nullptr;
  Obj o;
  o.type = OBJ_FONT;
  o.font = *lf;
  return (HFONT)Add(o);
}

}  // namespace simos
