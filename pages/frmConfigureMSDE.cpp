// PLACEHOLDER until the configure page lands: shows the bare page frame.
#include "pages/frmConfigureMSDE.h"
frmConfigureMSDE::frmConfigureMSDE() : CPage(5, true) {}
long frmConfigureMSDE::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string, std::string,
                                     std::string, bool) {
  return CPage::DisplayDialog(oPicture, lpRect);
}
