// Configuration of a newly installed server instance: service manager with
// its auto-start box, service start, the administrator's password, the
// application's login and its server role. Runs on the user-interface thread
// and reports each stage to a progress receiver.
#pragma once
#include <string>

// The configure page receives the progress lines.
class IConfigurationProgress {
public:
  virtual void ConfigurationCallback(const std::string& sInfoText) = 0;
  virtual void Refresh() = 0;     // repaint at once

protected:
  ~IConfigurationProgress() {}
};

// The tools folder under the system's program folder (ProgramFilesDir).
std::string SqlToolsFolder();

// True only when the service was started and every management step
// succeeded. An error in a step is shown (except number 53) and ends the run
// with false: later steps log in with what the failed step was to set.
bool ConfigureServer(const std::string& sServerName, const std::string& sUserID,
                     const std::string& sPassword, bool bNTAuthentication,
                     IConfigurationProgress* oProgress);

// Management steps; each opens and closes its own connection and raises a
// RuntimeError when the server refuses.
void SetLoginPassword(const std::string& sServer, const std::string& sLogin,
                      const std::string& sOldPassword, const std::string& sNewPassword);
void SetLoginPasswordNT(const std::string& sServer, const std::string& sLogin,
                        const std::string& sOldPassword, const std::string& sNewPassword);
void AddServerLogin(const std::string& sServer, const std::string& sAdminLogin,
                    const std::string& sAdminPassword, const std::string& sLoginName,
                    const std::string& sLoginPassword, long nLoginType);
void AddLoginToServerRole(const std::string& sServer, const std::string& sAdminLogin,
                          const std::string& sAdminPassword, const std::string& sLoginName,
                          const std::string& sRoleName);
std::string GetServerRoleName(long nRole);

// Quotes a program path for a command line that has no application name,
// so that a path with blanks is not split at its first blank.
std::string QuoteProgramPath(const std::string& sPath);
