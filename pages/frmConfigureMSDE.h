#pragma once
#include <string>
#include "pages/CPage.h"

class frmConfigureMSDE : public CPage {
public:
  frmConfigureMSDE();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                     std::string sUserID, std::string sPassword, bool bNTAuthentication);
};
