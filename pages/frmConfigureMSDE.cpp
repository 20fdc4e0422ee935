#include "pages/frmConfigureMSDE.h"

namespace {
const char* const kWaitText = "Please wait while the Microsoft SQL Server Desktop Engine is configured.......";
const char* const kDoneText =
    "The SQL Server desktop edition has been successfully configured.\r\n\r\nClick \"Finish\" to exit.";
const char* const kIncompleteText =
    "The SQL Server desktop edition was installed, but its configuration did not complete.\r\n\r\n"
    "Click \"Finish\" to exit.";
}  // namespace

frmConfigureMSDE::frmConfigureMSDE() : CPage(5, true) {}

long frmConfigureMSDE::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                                     std::string sUserID, std::string sPassword, bool bNTAuthentication) {
  m_sServerName = sServerName;
  m_sUserID = sUserID;
  m_sPassword = sPassword;
  m_bNTAuthentication = bNTAuthentication;
  return CPage::DisplayDialog(oPicture, lpRect);
}

void frmConfigureMSDE::Form_Load() {
  CPage::Form_Load();
  AddLabel(idLblConfigInfo, 480, 1440, 6480, 2400, kWaitText, kArial9);
  SetTimer(idTmrConfigureServer, 100, false);
  // Nothing but Help until the configuration is over; then only Finish.
  EnableNav(1, false);
  EnableNav(2, false);
  EnableNav(4, false);
  EnableNav(8, false);
  EnableNav(10, true);
}

void frmConfigureMSDE::PageSetup() { EnableTimer(idTmrConfigureServer, true); }

void frmConfigureMSDE::Timer_Tick(int nId) {
  if (nId != idTmrConfigureServer) return;
  EnableTimer(idTmrConfigureServer, false);
  bool bConfigured = ConfigureServer(m_sServerName, m_sUserID, m_sPassword, m_bNTAuthentication, this);
  EnableNav(8, true);
  SetText(idLblConfigInfo, bConfigured ? kDoneText : kIncompleteText);
}

void frmConfigureMSDE::ConfigurationCallback(const std::string& sInfoText) {
  SetText(idLblConfigInfo, sInfoText);
  Refresh();
}

void frmConfigureMSDE::Refresh() {
  if (!Loaded()) return;
  api::InvalidateRect(m_hWnd, nullptr, TRUE);
  api::UpdateWindow(m_hWnd);
  api::UpdateWindow(Control(idLblConfigInfo));   // the label paints itself apart from the page
}
