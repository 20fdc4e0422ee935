#pragma once
#include <string>
#include "pages/CPage.h"

class frmInstallMSDE : public CPage {
public:
  frmInstallMSDE();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                     std::string sUserID, std::string sPassword, bool bNTAuthentication);
};
