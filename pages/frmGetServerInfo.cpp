#include "pages/frmGetServerInfo.h"
#include "settings/HandOff.h"

frmGetServerInfo::frmGetServerInfo() : CPage(2, false) {}

void frmGetServerInfo::Form_Load() {
  CPage::Form_Load();
  m_bSaveOnly = true;
}

void frmGetServerInfo::SaveParameters() { ::SaveParameters(m_bNTAuthentication); }

long frmGetServerInfo::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string&, std::string&,
                                     std::string&, bool&) {
  Screen::SetMousePointer(11);
  HWND h = hWnd();
  api::GetSystemMenu(h, FALSE);
  if (m_bSaveOnly) {
    // The pointer stays; the next page sets and resets it.
    SaveParameters();
    m_bSaveOnly = false;
    return 0;
  }
  return CPage::DisplayDialog(oPicture, lpRect);
}
