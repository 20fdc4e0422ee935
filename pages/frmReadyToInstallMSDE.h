// The last page before the engine setup: warns that it takes long.
#pragma once
#include "pages/CPage.h"

class frmReadyToInstallMSDE : public CPage {
public:
  enum : int { idLabel0 = 200, idLblWarning = 201, idLabel1 = 202, idLine1 = 203 };
  frmReadyToInstallMSDE();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect) { return CPage::DisplayDialog(oPicture, lpRect); }

protected:
  void Form_Load() override;
  void PageSetup() override;
};
