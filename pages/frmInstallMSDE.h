// The engine setup page: once on screen it installs a new engine instance
// from the lowest free package with msiexec, and reports the outcome (Next
// on success, Back and Cancel on failure, or the restart road).
#pragma once
#include <string>
#include "controls/UProgressBar.h"
#include "install/SetupRun.h"
#include "pages/CPage.h"
#include "startup/MMain.h"

class frmInstallMSDE : public CPage, private ISetupRunPage {
public:
  enum : int { idLblInstallMessage = 200, idUProgressBar1 = 201, idTmrStartInstall = 300 };

  frmInstallMSDE();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                     std::string sUserID, std::string sPassword, bool bNTAuthentication);

  UProgressBar UProgressBar1;

protected:
  void Form_Load() override;
  void PageSetup() override;
  void NavClick(int nIndex) override;
  void Timer_Tick(int nId) override;

private:
  void tmrStartInstall_Timer();

  // What the setup run drives on this page.
  void SetInstallMessage(const std::string& sText) override;
  void EnableNavButton(int nIndex) override;
  void SetProgressBarVisible(bool bVisible) override;
  int32_t BarCurrentPercentage() override;
  int32_t BarMaxPercentage() override;
  int32_t BarProgressUnits() override;
  void SetBarProgressUnits(int32_t nNewVal) override;
  void BarIncrementProgress() override;
  int ShowMessage(const std::string& sText, UINT nFlags, bool bRestartQuestion) override;
  long PageResult() override;
  void SetPageResult(long nResult) override;
  void ClosePage() override;
  [[noreturn]] void EndProgram() override;

  InstallParameters m_Params;
};
