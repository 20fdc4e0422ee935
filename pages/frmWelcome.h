// The first page of the full sequence: what the wizard does, and the advice
// to close other programs. Loading it removes an old restart entry.
#pragma once
#include "pages/CPage.h"

extern const char* const kRunOnceKey;     // under HKEY_LOCAL_MACHINE

class frmWelcome : public CPage {
public:
  enum : int { idLabel0 = 200, idLabel1 = 201, idLine1 = 202 };
  frmWelcome();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect) { return CPage::DisplayDialog(oPicture, lpRect); }

protected:
  void Form_Load() override;
  void PageSetup() override;
};
