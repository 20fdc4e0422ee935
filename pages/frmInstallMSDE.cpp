// PLACEHOLDER until the engine setup page lands: shows the bare page frame.
#include "pages/frmInstallMSDE.h"
frmInstallMSDE::frmInstallMSDE() : CPage(4, false) {}
long frmInstallMSDE::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string, std::string,
                                   std::string, bool) {
  return CPage::DisplayDialog(oPicture, lpRect);
}
