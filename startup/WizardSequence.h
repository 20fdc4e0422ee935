// The order of the wizard's pages. Main reaches every page only through its
// DisplayDialog; the pages sit behind this interface so that the order can
// be driven with scripted pages.
#pragma once
#include <string>
#include "pages/CPage.h"

struct WizardPages {
  virtual ~WizardPages() {}
  virtual long Welcome(IPicture*& oPicture, WindowRect* lpRect) = 0;
  virtual long InstallMSI(IPicture*& oPicture, WindowRect* lpRect) = 0;
  virtual long GetServerInfo(IPicture*& oPicture, WindowRect* lpRect, std::string& sServerName,
                             std::string& sUserID, std::string& sPassword, bool& bNTAuthentication) = 0;
  virtual long ReadyToInstall(IPicture*& oPicture, WindowRect* lpRect) = 0;
  virtual long InstallMSDE(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName, std::string sUserID,
                           std::string sPassword, bool bNTAuthentication) = 0;
  virtual long ConfigureMSDE(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                             std::string sUserID, std::string sPassword, bool bNTAuthentication) = 0;
};

// The first position of the page window, in pixels, from the screen's size
// in twips and its twips per pixel; rounded half to even.
void FirstWindowPosition(double dScreenWidth, double dScreenHeight, double dTwipsPerPixelX,
                         double dTwipsPerPixelY, WindowRect& rect);

// Main with the given pages: TaskbarProxy, first position, run mode, order.
void RunWizard(WizardPages& pages);
