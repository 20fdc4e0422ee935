// The last page: runs the server configuration once it is on screen, shows
// each progress line and then offers Finish, which ends the program.
#pragma once
#include <string>
#include "configure/MConfigure.h"
#include "pages/CPage.h"

class frmConfigureMSDE : public CPage, public IConfigurationProgress {
public:
  frmConfigureMSDE();
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect, std::string sServerName,
                     std::string sUserID, std::string sPassword, bool bNTAuthentication);

  // Progress receiver of the configuration: one line replaces the last.
  void ConfigurationCallback(const std::string& sInfoText) override;
  void Refresh() override;

  enum : int { idLblConfigInfo = 200, idTmrConfigureServer = 300 };

protected:
  void Form_Load() override;
  void PageSetup() override;
  void Timer_Tick(int nId) override;

private:
  std::string m_sServerName, m_sUserID, m_sPassword;
  bool m_bNTAuthentication = false;
};
