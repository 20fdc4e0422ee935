#pragma once
#include "pages/CPage.h"

class frmInstallMSI : public CPage {
public:
  frmInstallMSI();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect);
};
