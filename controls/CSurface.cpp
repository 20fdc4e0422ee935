#include "controls/CSurface.h"
#include <vector>
#include "controls/ControlLayout.h"
#include "platform/Forms.h"

namespace {
// Window handle -> control object. Pointers are not stored in the window
// itself so that the same code serves 32- and 64-bit builds.
struct Binding { HWND h; CControlWindow* p; };
std::vector<Binding>& Bindings() {
  static std::vector<Binding> v;
  return v;
}
CControlWindow* s_pCreating = nullptr;

CControlWindow* Lookup(HWND h) {
  for (auto& b : Bindings())
    if (b.h == h) return b.p;
  return nullptr;
}
void Unbind(HWND h) {
  auto& v = Bindings();
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i].h == h) { v.erase(v.begin() + i); return; }
}
}  // namespace

CControlWindow::~CControlWindow() { Destroy(); }

void CControlWindow::Destroy() {
  if (!m_hWnd) return;
  HWND h = m_hWnd;
  if (api::IsWindow(h)) api::DestroyWindow(h);
  Unbind(h);
  m_hWnd = nullptr;
}

HWND CControlWindow::CreateControl(const char* sClass, HWND hParent, int nId, int x, int y, int w, int h) {
  HINSTANCE hInst = api::GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = StaticProc;
  wc.hInstance = hInst;
  wc.hCursor = api::LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = sClass;
  api::RegisterClassA(&wc);   // fails harmlessly once the class exists
  s_pCreating = this;
  HWND hWnd = api::CreateWindowExA(0, sClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, w, h,
                                   hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), hInst,
                                   nullptr);
  s_pCreating = nullptr;
  // A page without its buttons would leave the user no way on or out: an
  // error, as for a form that cannot be created.
  if (!hWnd) throw RuntimeError{7, "Out of memory"};
  if (!Lookup(hWnd)) Bindings().push_back({hWnd, this});
  m_hWnd = hWnd;
  return hWnd;
}

LRESULT CALLBACK CControlWindow::StaticProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  CControlWindow* p = Lookup(h);
  // The window being created is bound on its first message of its own.
  if (!p && s_pCreating && msg == WM_NCCREATE) {
    p = s_pCreating;
    p->m_hWnd = h;
    Bindings().push_back({h, p});
  }
  if (msg == WM_NCDESTROY) {
    Unbind(h);
    if (p) p->m_hWnd = nullptr;
    return api::DefWindowProcA(h, msg, wParam, lParam);
  }
  if (!p) return api::DefWindowProcA(h, msg, wParam, lParam);
  try {
    return p->WndProc(msg, wParam, lParam);
  } catch (...) {
    // Not across the system's frames: an error in a handler ends the program
    // as it does for the forms.
    UnhandledException();
  }
}

LRESULT CControlWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return api::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

CSurface::CSurface(uint32_t nForeColor, uint32_t nBackColor) : m_fore(nForeColor), m_back(nBackColor) {}

CSurface::~CSurface() { Detach(); }

void CSurface::Attach(HWND hWnd) {
  Detach();
  m_hWnd = hWnd;
  RECT rc = {0, 0, 0, 0};
  if (hWnd) api::GetClientRect(hWnd, &rc);
  m_w = rc.right - rc.left;
  m_h = rc.bottom - rc.top;
  HDC hdcWin = api::GetDC(hWnd);
  m_hdc = api::CreateCompatibleDC(hdcWin);
  m_hBmp = api::CreateCompatibleBitmap(hdcWin, m_w > 0 ? m_w : 1, m_h > 0 ? m_h : 1);
  api::ReleaseDC(hWnd, hdcWin);
  m_hOldBmp = api::SelectObject(m_hdc, m_hBmp);
  api::SetBkMode(m_hdc, TRANSPARENT);
  api::SetTextColor(m_hdc, ResolveColor(m_fore));
  api::SetBkColor(m_hdc, ResolveColor(m_back));
  ApplyFont();
  Cls();
}

void CSurface::Detach() {
  if (m_hdc) {
    if (m_hOldFont) api::SelectObject(m_hdc, m_hOldFont);
    if (m_hOldBmp) api::SelectObject(m_hdc, m_hOldBmp);
    api::DeleteDC(m_hdc);
  }
  if (m_hBmp) api::DeleteObject(m_hBmp);
  if (m_hFont) api::DeleteObject(m_hFont);
  m_hdc = nullptr;
  m_hBmp = nullptr;
  m_hFont = nullptr;
  m_hOldBmp = m_hOldFont = nullptr;
  m_hWnd = nullptr;
  m_w = m_h = 0;
}

void CSurface::ForeColor(uint32_t c) {
  m_fore = c;
  if (m_hdc) api::SetTextColor(m_hdc, ResolveColor(c));
}

void CSurface::BackColor(uint32_t c) {
  m_back = c;
  if (m_hdc) api::SetBkColor(m_hdc, ResolveColor(c));
}

void CSurface::Font(const StdFont& f) {
  m_font = f;
  if (m_hdc) ApplyFont();
}

void CSurface::ApplyFont() {
  LOGFONTA lf = {};
  int dpi = api::GetDeviceCaps(m_hdc, LOGPIXELSY);
  if (dpi <= 0) dpi = 96;
  lf.lfHeight = -RoundHalfEven(m_font.Size * dpi / 72.0);
  lf.lfWeight = m_font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = m_font.Italic;
  lf.lfUnderline = m_font.Underline;
  lf.lfStrikeOut = m_font.Strikethrough;
  lf.lfCharSet = BYTE(m_font.Charset);
  size_t n = m_font.Name.size() < LF_FACESIZE - 1 ? m_font.Name.size() : LF_FACESIZE - 1;
  for (size_t i = 0; i < n; ++i) lf.lfFaceName[i] = m_font.Name[i];
  HFONT hNew = api::CreateFontIndirectA(&lf);
  if (!hNew) return;
  HGDIOBJ hPrev = api::SelectObject(m_hdc, hNew);
  if (!m_hOldFont) m_hOldFont = hPrev;
  if (m_hFont) api::DeleteObject(m_hFont);
  m_hFont = hNew;
}

void CSurface::Cls() {
  if (!m_hdc) return;
  RECT rc = {0, 0, m_w, m_h};
  HBRUSH hbr = api::CreateSolidBrush(ResolveColor(m_back));
  api::FillRect(m_hdc, &rc, hbr);
  api::DeleteObject(hbr);
}

SIZE CSurface::TextExtent(const std::string& s) const {
  SIZE sz = {0, 0};
  if (m_hdc) api::GetTextExtentPoint32A(m_hdc, s.c_str(), int(s.size()), &sz);
  return sz;
}

void CSurface::Present() {
  if (!m_hdc || !m_hWnd || !api::IsWindowVisible(m_hWnd)) return;
  HDC hdcWin = api::GetDC(m_hWnd);
  if (!hdcWin) return;
  api::BitBlt(hdcWin, 0, 0, m_w, m_h, m_hdc, 0, 0, SRCCOPY);
  api::ReleaseDC(m_hWnd, hdcWin);
}

void CSurface::Paint() {
  PAINTSTRUCT ps;
  HDC hdcWin = api::BeginPaint(m_hWnd, &ps);
  if (hdcWin && m_hdc) api::BitBlt(hdcWin, 0, 0, m_w, m_h, m_hdc, 0, 0, SRCCOPY);
  api::EndPaint(m_hWnd, &ps);
}
