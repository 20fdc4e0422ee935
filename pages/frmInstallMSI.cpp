// PLACEHOLDER until the runtime page lands: shows the bare page frame.
#include "pages/frmInstallMSI.h"
frmInstallMSI::frmInstallMSI() : CPage(1, false) {}
long frmInstallMSI::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect) {
  return CPage::DisplayDialog(oPicture, lpRect);
}
