#include "pages/frmInstallMSDE.h"

namespace {
const char kCrLf[] = "\r\n";
// Below the banner, across the page (twips).
const double kLeft = 240, kMessageTop = 1320, kWidth = 6960, kMessageHeight = 1560;
const double kBarTop = 3240, kBarHeight = 360;
}  // namespace

frmInstallMSDE::frmInstallMSDE() : CPage(4, false) {}

long frmInstallMSDE::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                                   std::string sUserID, std::string sPassword, bool bNTAuthentication) {
  m_Params.sServerName = sServerName;
  m_Params.sUserID = sUserID;
  m_Params.sPassword = sPassword;
  m_Params.bNTAuthentication = bNTAuthentication;
  return CPage::DisplayDialog(oPicture, lpRect);
}

void frmInstallMSDE::Form_Load() {
  CPage::Form_Load();
  AddLabel(idLblInstallMessage, kLeft, kMessageTop, kWidth, kMessageHeight, "", kMSSansSerif825);
  UProgressBar1.Create(m_hWnd, idUProgressBar1, TwipsToPixelsX(kLeft), TwipsToPixelsY(kBarTop),
                       TwipsToPixelsX(kWidth), TwipsToPixelsY(kBarHeight));
  SetTimer(idTmrStartInstall, 100, false);
  // Only Help is live while the setup runs; the run enables the way on.
  EnableNav(1, false);
  EnableNav(2, false);
  EnableNav(4, false);
  EnableNav(8, false);
}

void frmInstallMSDE::PageSetup() {
  SetText(idLblInstallMessage, std::string("Please be patient while SQL Server is installed on your system.") +
                                   kCrLf + kCrLf + "Portions of this process may take several minutes" + kCrLf +
                                   "and it may appear as if the application has stalled....");
  EnableTimer(idTmrStartInstall, true);
  // The setup's own dialog, kept on top by the watcher, shows the progress;
  // the page's bar stays hidden while it runs.
  UProgressBar1.Visible(false);
}

void frmInstallMSDE::NavClick(int nIndex) {
  if (nIndex == 8) {
    m_PageResult = PageResultFinish;
    Close();
    return;
  }
  CPage::NavClick(nIndex);
}

void frmInstallMSDE::Timer_Tick(int nId) {
  if (nId == idTmrStartInstall) tmrStartInstall_Timer();
}

void frmInstallMSDE::tmrStartInstall_Timer() {
  // One run per opening of the page: no second tick while the first waits.
  EnableTimer(idTmrStartInstall, false);
  RunEngineSetup(*this, m_Params, App::Path());
}

void frmInstallMSDE::SetInstallMessage(const std::string& sText) { SetText(idLblInstallMessage, sText); }
void frmInstallMSDE::EnableNavButton(int nIndex) { EnableNav(nIndex, true); }
void frmInstallMSDE::SetProgressBarVisible(bool bVisible) { UProgressBar1.Visible(bVisible); }
int32_t frmInstallMSDE::BarCurrentPercentage() { return UProgressBar1.CurrentPercentage(); }
int32_t frmInstallMSDE::BarMaxPercentage() { return UProgressBar1.MaxPercentage(); }
int32_t frmInstallMSDE::BarProgressUnits() { return UProgressBar1.ProgressUnits(); }
void frmInstallMSDE::SetBarProgressUnits(int32_t nNewVal) { UProgressBar1.ProgressUnits(nNewVal); }
void frmInstallMSDE::BarIncrementProgress() { UProgressBar1.IncrementProgress(); }
int frmInstallMSDE::ShowMessage(const std::string& sText, UINT nFlags, bool bRestartQuestion) {
  return MsgBox(sText, nFlags, kMsgBoxTitle, bRestartQuestion);
}
long frmInstallMSDE::PageResult() { return m_PageResult; }
void frmInstallMSDE::SetPageResult(long nResult) { m_PageResult = nResult; }
void frmInstallMSDE::ClosePage() { Close(); }
void frmInstallMSDE::EndProgram() { App::End(); }
