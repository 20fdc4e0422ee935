// The Windows Installer runtime page: offers the runtime setup, runs the
// redistributable from the medium's MSI folder while a progress bar runs,
// and reports the outcome (go on, restart, or give up with Finish).
#pragma once
#include "pages/CPage.h"
#include "controls/UCustomButton.h"
#include "controls/UProgressBar.h"

// What InstallMSI reports.
enum RuntimeSetupResult : long {
  RuntimeSetupInstalled = 0,
  RuntimeSetupRestartRequired = 1,
  RuntimeSetupFailed = 2,
};

class frmInstallMSI : public CPage {
public:
  // Control ids of the page; lblInstallInfo(i) and frInstallMessages(i) are
  // the base id plus the index.
  enum : int {
    idFrInstallMessages = 300,        // 300, 301
    idLblInstallInfo = 310,           // 310, 311 in frame 0; 312 in frame 1
    idCmdInstallMSI = 320,
    idPbProgress = 321,
    idTmrInstallMSI = 330,
    idSeparator = 340,
  };

  frmInstallMSI();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect);

  // Runs the redistributable and waits for it; the page's hourglass, bar and
  // message dispatch run meanwhile.
  long InstallMSI();

  UCustomButton cmdInstallMSI;
  UProgressBar pbProgress;

protected:
  void Form_Load() override;
  void NavClick(int nIndex) override;
  void AutoStep() override;
  void Control_Click(int nId) override;
  void Timer_Tick(int nId) override;

private:
  void tmrInstallMSI_Timer();
  bool m_bBusy = false;   // the redistributable ended with 1618: another installation in progress
};
