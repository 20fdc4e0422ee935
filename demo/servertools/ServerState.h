// What a server instance of the stand-ins knows about itself: its security
// mode, its logins with their passwords and the members of its fixed server
// roles. Kept in a text file per instance beside the instance's service
// program, one entry a line:
//   SecurityMode=SQL|WINDOWS
//   Login=<type>|<name>|<password>      (the password runs to the line's end)
//   Member=<role>|<login>
// Every operation of a client reads the file afresh and writes it back, so
// separate processes see one another's changes.
#pragma once
#include <string>
#include <vector>

struct StateLogin {
  std::string sName;
  int nType;               // 0 Windows user, 1 Windows group, 2 standard
  std::string sPassword;
};

struct ServerState {
  std::string sSecurityMode = "WINDOWS";
  std::vector<StateLogin> logins;
  std::vector<std::pair<std::string, std::string>> members;   // role, login

  bool Load(const std::string& sPath);
  bool Save(const std::string& sPath) const;
  StateLogin* FindLogin(const std::string& sName);
  bool IsMember(const std::string& sRole, const std::string& sLogin) const;
  void AddMember(const std::string& sRole, const std::string& sLogin);
};

bool SameText(const std::string& a, const std::string& b);   // ignoring letter case
extern const char* const kAdministratorsGroup;               // "BUILTIN\Administrators"
extern const char* const kFixedRoles[8];

// A fresh instance: the administrators group and "sa" with the setup's
// password, both in sysadmin.
ServerState NewInstanceState(const std::string& sSaPassword, const std::string& sSecurityMode);

// The state file of an instance: beside its service program, named by the
// service ("MSSQLSERVER.state", "MSSQL$NAME.state").
std::string StateFileBeside(const std::string& sProgramPath, const std::string& sServiceName);

// Appends a line to "servertools.log" in the folder of the given module
// (nullptr: the program), so a test can see what the stand-ins were asked.
void ToolLog(void* hModule, const std::string& sLine);
