#include "pages/frmReadyToInstallMSDE.h"

frmReadyToInstallMSDE::frmReadyToInstallMSDE() : CPage(3, false) { m_NextLeft = 3960; }

void frmReadyToInstallMSDE::Form_Load() {
  CPage::Form_Load();
  // Two lines high (the original 345 twips clip its second line).
  AddLabel(idLabel0, 480, 1320, 6405, 480, "You are now ready to install the desktop version of Microsoft SQL Server.",
           kArial9);
  AddLabel(idLblWarning, 480, 1800, 6405, 2055, "", kArial9);
  AddLabel(idLabel1, 480, 4080, 6405, 315, "Click \"Next\" to continue with the installation.", kArial9);
  AddSeparator(idLine1);
}

void frmReadyToInstallMSDE::PageSetup() {
  SetText(idLblWarning, std::string("Portions of the following Microsoft install application") + "\r\n" +
                            "may take A VERY LONG TIME" + "\r\n\r\n" +
                            "to complete and, at times, it may appear as if the application has stalled." +
                            "\r\n\r\n" + "Please be patient and do not attempt to terminate the process.");
}
