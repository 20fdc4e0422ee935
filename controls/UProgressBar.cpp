#include "controls/UProgressBar.h"
#include "controls/ControlLayout.h"

namespace {
const char kClassName[] = "TarnwickProgressBar";
const uint32_t kDefFill = 0x8000000D, kDefBack = 0x8000000F, kDefInverted = 0x8000000E;
}

UProgressBar::UProgressBar() : m_Surface(kDefFill, kDefBack) {}

HWND UProgressBar::Create(HWND hParent, int nId, int x, int y, int w, int h) {
  if (!CreateControl(kClassName, hParent, nId, x, y, w, h)) return nullptr;
  m_Surface.Attach(m_hWnd);
  return m_hWnd;
}

void UProgressBar::InitProperties() {
  m_MaxPercentage = 100;
  m_Surface.ForeColor(kDefFill);
  m_Surface.BackColor(kDefBack);
  m_InvertedTextColor = kDefInverted;
  m_TextAlignment = 0;
  m_FloodStyle = 2;
}

void UProgressBar::Repaint() {
  if (m_hWnd) api::InvalidateRect(m_hWnd, nullptr, FALSE);
}

// Colour and font writes only ask for a repaint, which shows the kept look:
// the bar takes the new settings at the next IncrementProgress.
void UProgressBar::BackColor(uint32_t oNewVal) {
  m_Surface.BackColor(oNewVal);
  Repaint();
}

void UProgressBar::FillColor(uint32_t oNewVal) {
  m_Surface.ForeColor(oNewVal);
  Repaint();
}

void UProgressBar::Font(const StdFont& New_Font) {
  m_Surface.Font(New_Font);
  if (m_pHost) m_pHost->PropertyChanged("Font");
  Repaint();
}

void UProgressBar::Visible(bool b) {
  if (m_hWnd) api::ShowWindow(m_hWnd, b ? SW_SHOW : SW_HIDE);
}

double UProgressBar::EstamatedTimeToFinish() const {
  SYSTEMTIME st;
  api::GetLocalTime(&st);
  return EstimateTimeToFinish(DateSerial(st), m_StartTime, m_CurrentUnit, m_ProgressUnits);
}

void UProgressBar::IncrementProgress(bool bStartFresh) {
  if (bStartFresh) {
    SYSTEMTIME st;
    api::GetLocalTime(&st);
    m_StartTime = DateSerial(st);
    m_CurrentUnit = 0;
  } else {
    m_CurrentUnit = CheckedAdd(m_CurrentUnit, 1);
  }
  m_Surface.Cls();
  const int32_t W = m_Surface.Width(), H = m_Surface.Height();
  ProgressFill pf = ComputeProgressFill(W, m_ProgressUnits, m_CurrentUnit, m_MaxPercentage, m_MinPercentage);
  m_CurrentPercentage = pf.nPercentage;
  const int32_t fill = pf.nFill;

  HDC hdc = m_Surface.hDC();
  if (!hdc) return;
  // The box from (0, 0) to (fill, H) with both corners included.
  RECT rcBar = {0, 0, fill + 1, H + 1};
  HBRUSH hbrFill = api::CreateSolidBrush(ResolveColor(m_Surface.ForeColor()));

  if (m_FloodStyle != 1 && m_FloodStyle != 2) {
    api::FillRect(hdc, &rcBar, hbrFill);
    api::DeleteObject(hbrFill);
    m_Surface.Present();
    return;
  }

  const std::string sText = PercentText(m_CurrentPercentage);
  const SIZE ext = m_Surface.TextExtent(sText);
  const int32_t y = ProgressTextTop(H, ext.cy);
  const int32_t x = ProgressTextLeft(m_TextAlignment, W, ext.cx);

  // The empty part as it will look: background with the text in FillColor.
  HDC hdcOff = api::CreateCompatibleDC(hdc);
  int nSaved = api::SaveDC(hdcOff);
  HBITMAP hbmOff = api::CreateCompatibleBitmap(hdc, W > 0 ? W : 1, H > 0 ? H : 1);
  HGDIOBJ hOldBmp = api::SelectObject(hdcOff, hbmOff);
  RECT rcAll = {0, 0, W, H};
  HBRUSH hbrBack = api::CreateSolidBrush(ResolveColor(m_Surface.BackColor()));
  api::FillRect(hdcOff, &rcAll, hbrBack);
  api::DeleteObject(hbrBack);
  int nOldMode = api::SetBkMode(hdcOff, TRANSPARENT);
  COLORREF crOld = api::SetTextColor(hdcOff, ResolveColor(m_Surface.ForeColor()));
  HGDIOBJ hOldFont = api::SelectObject(hdcOff, m_Surface.hFont());
  api::TextOutA(hdcOff, x, y, sText.c_str(), int(sText.size()));
  api::SelectObject(hdcOff, hOldFont);
  api::SetTextColor(hdcOff, crOld);
  api::SetBkMode(hdcOff, nOldMode);

  // The bar, with the text over it in InvertedTextColor.
  api::FillRect(hdc, &rcBar, hbrFill);
  api::DeleteObject(hbrFill);
  COLORREF crFore = api::SetTextColor(hdc, ResolveColor(m_InvertedTextColor));
  api::TextOutA(hdc, x, y, sText.c_str(), int(sText.size()));
  api::SetTextColor(hdc, crFore);

  // Right of the bar the empty part's picture replaces it.
  api::BitBlt(hdc, fill + 1, 0, W, H, hdcOff, fill + 1, 0, SRCCOPY);

  api::SelectObject(hdcOff, hOldBmp);
  api::RestoreDC(hdcOff, nSaved);
  api::DeleteDC(hdcOff);
  // Only after its DC is gone: a bitmap still selected cannot be deleted.
  api::DeleteObject(hbmOff);
  m_Surface.Present();
}

LRESULT UProgressBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      m_Surface.Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;   // the kept look covers the whole window
    case WM_DESTROY:
      m_Surface.Detach();
      break;
    case WM_SIZE:
      if (m_Surface.hDC() &&
          (LOWORD(lParam) != m_Surface.Width() || HIWORD(lParam) != m_Surface.Height()))
        m_Surface.Attach(m_hWnd);
      return 0;
    default:
      break;
  }
  return CControlWindow::WndProc(msg, wParam, lParam);
}
