// The page framework: what every wizard page does alike.
#include "pages/CPage.h"
#include "startup/MMain.h"
#include "util/MLog.h"
#include "util/Unattended.h"

const char* const kFooterText = "Copyright (C) LumeDax. All rights reserved.";

namespace {

const IID kIID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

HWND g_TaskbarProxy = nullptr;

struct NavButton {
  int nIndex;
  const char* sCaption;
  double Left;
};
const NavButton kNav[] = {
    {10, "Help", 108}, {4, "Cancel", 1440}, {2, "< &Back", 2865}, {1, "&Next >", 3975}, {8, "&Finish", 6120},
};

// Enabled buttons when a page opens, by page (banner) number: Help, Cancel,
// Back, Next, Finish.
const bool kNavEnabled[6][5] = {
    {true, true, false, true, false},    // welcome
    {true, true, false, false, false},   // runtime setup
    {true, true, true, true, false},     // server information
    {true, true, true, true, false},     // ready
    {true, false, false, false, false},  // engine setup
    {true, false, false, false, false},  // configure
};

const double kNavHeight = 570;
const UINT_PTR kAutoStepTimer = 0x7A57;

}  // namespace

HWND TaskbarProxy() { return g_TaskbarProxy; }
void SetTaskbarProxy(HWND hWnd) { g_TaskbarProxy = hWnd; }

bool ConfirmCancel() {
  int nAnswer = MsgBox(std::string("This action will cancel any remaining operations.") + "\r\n\r\n" +
                           "Are you sure you wish to cancel ?",
                       36, kMsgBoxTitle);
  if (nAnswer == IDYES) {
    Log("Cancel confirmed");
    App::SetExitCode(ExitCancelled);
    App::End();
  }
  return false;
}

IPicture* CreatePictureFromBitmap(HBITMAP hBmp, HPALETTE hPal) {
  PICTDESC pd{};
  pd.cbSizeofstruct = sizeof(PICTDESC);
  pd.picType = PICTYPE_BITMAP;
  pd.bmp.hbitmap = hBmp;
  pd.bmp.hpal = hPal;
  IPicture* oPicture = nullptr;
  if (FAILED(api::OleCreatePictureIndirect(&pd, kIID_IPicture, TRUE, (LPVOID*)&oPicture))) return nullptr;
  return oPicture;
}

IPicture* CreateBitmapPicture(HDC hdcSrc, int nLeft, int nTop, int nWidth, int nHeight) {
  HDC hdcMem = api::CreateCompatibleDC(hdcSrc);
  HBITMAP hBmp = api::CreateCompatibleBitmap(hdcSrc, nWidth, nHeight);
  HGDIOBJ hBmpPrev = api::SelectObject(hdcMem, hBmp);

  HPALETTE hPal = nullptr, hPalPrev = nullptr;
  if ((api::GetDeviceCaps(hdcSrc, RASTERCAPS) & RC_PALETTE) && api::GetDeviceCaps(hdcSrc, SIZEPALETTE) == 256) {
    // LOGPALETTE holds one entry; the other 255 follow it.
    struct {
      WORD palVersion;
      WORD palNumEntries;
      PALETTEENTRY entries[256];
    } lp;
    lp.palVersion = 0x300;
    lp.palNumEntries = 256;
    api::GetSystemPaletteEntries(hdcSrc, 0, 256, lp.entries);
    hPal = api::CreatePalette((const LOGPALETTE*)&lp);
    hPalPrev = api::SelectPalette(hdcMem, hPal, FALSE);
    api::RealizePalette(hdcMem);
  }

  api::BitBlt(hdcMem, 0, 0, nWidth, nHeight, hdcSrc, nLeft, nTop, SRCCOPY);

  api::SelectObject(hdcMem, hBmpPrev);
  if (hPal) api::SelectPalette(hdcMem, hPalPrev, FALSE);
  api::DeleteDC(hdcMem);
  IPicture* oPicture = CreatePictureFromBitmap(hBmp, hPal);
  if (!oPicture) {
    // Nobody owns them now.
    api::DeleteObject(hBmp);
    if (hPal) api::DeleteObject(hPal);
  }
  return oPicture;
}

IPicture* CreatePagePicture(HWND hWnd) {
  HDC hdcWnd = api::GetDC(hWnd);
  HDC hdcMem1 = api::CreateCompatibleDC(hdcWnd);
  HDC hdcMem2 = api::CreateCompatibleDC(hdcWnd);
  int nSaved1 = api::SaveDC(hdcMem1);
  int nSaved2 = api::SaveDC(hdcMem2);

  RECT rc{};
  api::GetClientRect(hWnd, &rc);
  HBITMAP hBmp = api::CreateCompatibleBitmap(hdcWnd, rc.right - rc.left, rc.bottom - rc.top);
  HGDIOBJ hBmpPrev = api::SelectObject(hdcMem2, hBmp);
  api::FillRect(hdcMem2, &rc, (HBRUSH)(COLOR_BTNFACE + 1));
  api::ReleaseDC(hWnd, hdcWnd);

  IPicture* oPicture = CreateBitmapPicture(hdcMem2, 0, 0, rc.right - rc.left, rc.bottom - rc.top);

  api::SelectObject(hdcMem2, hBmpPrev);
  api::DeleteObject(hBmp);
  api::RestoreDC(hdcMem1, nSaved1);
  api::RestoreDC(hdcMem2, nSaved2);
  api::DeleteDC(hdcMem1);
  api::DeleteDC(hdcMem2);
  return oPicture;
}

CPage::CPage(int nBanner, bool bCreatesPicture) : m_nBanner(nBanner), m_bCreatesPicture(bCreatesPicture) {
  SetCaption(kPageCaption);
  HWND hProxy = TaskbarProxy();
  SetOwner(hProxy && api::IsWindow(hProxy) ? hProxy : nullptr);
  SetCancelButton(NavId(4));
}

long CPage::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect) {
  Screen::SetMousePointer(11);
  HWND h = hWnd();
  api::DeleteMenu(api::GetSystemMenu(h, FALSE), SC_CLOSE, MF_BYCOMMAND);
  if (!oPicture && m_bCreatesPicture) oPicture = CreatePagePicture(h);
  m_Picture = oPicture;
  if (lpRect) m_Rect = *lpRect;
  api::SetWindowPos(h, nullptr, m_Rect.Left, m_Rect.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  PageSetup();
  // Passive: slow enough to see each page and reach Cancel; quiet: nobody looks.
  if (NoQuestions()) api::SetTimer(h, kAutoStepTimer, Unattended().eUi == UiQuiet ? 100 : 2000, nullptr);
  Screen::SetMousePointer(0);
  Show(true, TaskbarProxy());
  if (lpRect) *lpRect = m_Rect;
  return m_PageResult;
}

double CPage::ClientWidthTwips() {
  RECT rc{};
  api::GetClientRect(hWnd(), &rc);
  return rc.right * Screen::TwipsPerPixelX();
}

double CPage::NavTopTwips() {
  RECT rc{};
  api::GetClientRect(hWnd(), &rc);
  return rc.bottom * Screen::TwipsPerPixelY() - kNavHeight;
}

void CPage::Form_Load() {
  SetSizeTwips(7560, 5835);
  const double width = ClientWidthTwips();
  const double navTop = NavTopTwips();

  AddPicture(idPicLogo, 0, 0, width, 67 * Screen::TwipsPerPixelY());
  SetPicture(idPicLogo, CreateBannerBitmap(m_nBanner));

  AddLabel(idFooter, 120, navTop - 300, width - 240, 225, kFooterText, kArial825);

  AddPicture(idPicNav, 0, navTop, width, kNavHeight);
  const bool* enabled = kNavEnabled[(m_nBanner >= 0 && m_nBanner < 6) ? m_nBanner : 3];
  for (int i = 0; i < 5; ++i) {
    const NavButton& b = kNav[i];
    AddButton(NavId(b.nIndex), b.nIndex == 1 ? m_NextLeft : b.Left, 120, 1092, 312, b.sCaption, idPicNav);
    SetEnabled(NavId(b.nIndex), enabled[i]);
  }
  SetFocusControl(NavId(1));
}

void CPage::AddSeparator(int nId) { AddLine(nId, 120, NavTopTwips() - 45, ClientWidthTwips() - 240); }

bool CPage::Form_QueryUnload() { return m_PageResult != 0; }

void CPage::Form_Unload() {
  RECT rc{};
  if (api::GetWindowRect(m_hWnd, &rc)) {
    m_Rect.Left = rc.left;
    m_Rect.Top = rc.top;
    m_Rect.Right = rc.right;
    m_Rect.Bottom = rc.bottom;
  }
}

void CPage::Close() { Unload(); }

void CPage::Control_Click(int nId) {
  for (const NavButton& b : kNav)
    if (nId == NavId(b.nIndex)) {
      NavClick(b.nIndex);
      return;
    }
}

void CPage::NavClick(int nIndex) {
  switch (nIndex) {
    case PageResultHelp:
      break;
    case PageResultCancel:
      ConfirmCancel();
      break;
    case PageResultFinish:
      Log("Finish pressed");
      App::End();
    default:
      m_PageResult = nIndex;
      Close();
      break;
  }
}

bool CPage::Form_KeyDown(int nKeyCode) { return nKeyCode == VK_F4; }

void CPage::AutoStep() {
  if (Enabled(NavId(8)))
    PressControl(NavId(8));
  else if (Enabled(NavId(1)))
    PressControl(NavId(1));
  else if (m_PageResult != 0)
    Close();
}

LRESULT CPage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kAutoStepTimer) {
    AutoStep();
    return 0;
  }
  return CForm::WndProc(msg, wParam, lParam);
}

bool CPage::Form_EraseBackground(HDC hdc) {
  if (!m_Picture) return false;
  OLE_HANDLE hPicture = 0;
  if (FAILED(m_Picture->get_Handle(&hPicture)) || !hPicture) return false;
  HDC hdcMem = api::CreateCompatibleDC(hdc);
  HGDIOBJ hPrev = api::SelectObject(hdcMem, (HBITMAP)(UINT_PTR)hPicture);
  RECT rc{};
  api::GetClientRect(m_hWnd, &rc);
  api::BitBlt(hdc, 0, 0, rc.right, rc.bottom, hdcMem, 0, 0, SRCCOPY);
  api::SelectObject(hdcMem, hPrev);
  api::DeleteDC(hdcMem);
  return true;
}
