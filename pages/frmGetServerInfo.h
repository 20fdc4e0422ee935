// The server information page: asks nothing in this system; each call of
// DisplayDialog records the hand-off parameters and returns 0 at once.
#pragma once
#include <string>
#include "pages/CPage.h"

class frmGetServerInfo : public CPage {
public:
  frmGetServerInfo();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string& sServerName, std::string& sUserID,
                     std::string& sPassword, bool& bNTAuthentication);
  void SaveParameters();

protected:
  void Form_Load() override;

private:
  std::string m_sServerName, m_sUserID, m_sPassword;
  bool m_bNTAuthentication = false;
  bool m_bSaveOnly = false;
};
