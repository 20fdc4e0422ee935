// Start-up: run modes, the settings of one run, the command line and the
// resume entries that bring the wizard back after a reboot.
#pragma once
#include <string>

struct InstallParameters {
  std::string sServerName;
  std::string sUserID;
  std::string sPassword;
  bool bNTAuthentication = false;
};

enum RunMode : long {
  RunModeInvalid = 0,
  RunModeMsi = 1,
  RunModeConfig = 2,
  RunModeManualConfig = 3,
  RunModeFull = 10,
};

extern const char* const kMsgBoxTitle;       // "Custom Database Configuration"
extern const char* const kPageCaption;       // "ZoMel MSDE Installation and Setup"

RunMode ParseCommandLine(std::string& sServerName, std::string& sUserID, std::string& sPassword,
                         bool& bNTAuthentication);
bool SplitConfigurationData(const std::string& sData, std::string& sServerName, std::string& sUserID,
                            std::string& sPassword, bool& bNTAuthentication);
std::string ConfigurationData(const InstallParameters& p);   // the four fields joined by "|"
// Both report whether the value was written. No Run entry is written when
// the program's own path cannot be had: it could not start the program. The
// entry goes under Run, from Windows Vista on under RunOnce; a "/Config"
// entry names a local copy of the program where one can be made.
bool AddResumeEntry(const std::string& sSwitch, const std::string& sArgument);
bool SaveResumeData(const std::string& sValueName, const std::string& sConfigurationData);
void RemoveResumeEntry();                     // from Run and RunOnce, under every name it may have
// The stamp of a "/Config" resume entry whose resume data is there too: a
// restart is pending that will configure an instance already installed. ""
// when there is none.
std::string PendingResumeStamp();
// Whether this start is the one that entry makes: "/config" with that stamp.
bool IsResumeStart(const std::string& sStamp);
void DeleteResumeData(const std::string& sValueName);
std::string ScrambleString(const std::string& sText);
// The command line for the log: what follows "/Config" only when it has the
// form of a resume stamp; a user may have typed the settings there.
std::string LoggedCommandLine(const std::string& sCommand);
bool MsiRuntimeNeedsUpdate();
std::string MsiRuntimeVersion();              // "major.minor.build", or "not found"

unsigned Main();                              // the whole run; its exit code
