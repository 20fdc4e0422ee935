#include "configure/MConfigure.h"
#include <cstdio>
#include <new>
#include "configure/MAutomation.h"
#include "platform/Forms.h"
#include "settings/MReg32.h"
#include "util/MLog.h"
#include "util/Unattended.h"
#include "util/Util.h"

std::string SqlToolsFolder() { return ProgramFilesFolder() + "Microsoft SQL Server\\80\\Tools\\Binn\\"; }

namespace {

const char* const kManagerClass = "SQLManagerApplicationClass";
const char* const kManagerTitle = "SQL Server Service Manager";
const char* const kAutoStartCaption = "&Auto-start service when OS starts";
const char* const kAdminLogin = "sa";
const char* const kAdminPassword = "ruzal";
const long kStandardLogin = 2;

const char* const kServerClass = "{10020200-E260-11CF-AE68-00AA004A34D5}";
const char* const kServerInterface = "{10020206-E260-11CF-AE68-00AA004A34D5}";
const char* const kLoginClass = "{10021300-E260-11CF-AE68-00AA004A34D5}";
const char* const kLoginInterface = "{10021306-E260-11CF-AE68-00AA004A34D5}";

void Report(IConfigurationProgress* oProgress, const char* sText, bool bRepaint) {
  Log(std::string("Configuration: ") + sText);
  if (!oProgress) return;
  oProgress->ConfigurationCallback(sText);
  if (bRepaint) oProgress->Refresh();
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

STARTUPINFOA EmptyStartupInfo() {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  return si;
}

// CreateProcessA may write into the command line, so it gets its own buffer.
// Under /quiet the program starts hidden and a console program gets no console
// window (bConsole: only the NT branch says so, Windows 9x lacks that flag);
// other runs start it as they always have.
bool Start(const char* sApplication, const std::string& sCommandLine, const char* sDirectory,
           STARTUPINFOA& si, PROCESS_INFORMATION& pi, bool bConsole = false) {
  std::vector<char> cmd(sCommandLine.begin(), sCommandLine.end());
  cmd.push_back('\0');
  pi = PROCESS_INFORMATION();
  const bool bQuiet = Unattended().eUi == UiQuiet;
  if (bQuiet) {
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
  }
  const DWORD dwFlags = NORMAL_PRIORITY_CLASS | (bQuiet && bConsole ? CREATE_NO_WINDOW : 0);
  const bool bStarted = api::CreateProcessA(sApplication, cmd.data(), nullptr, nullptr, FALSE, dwFlags, nullptr,
                                            sDirectory, &si, &pi) != FALSE;
  Log(std::string("Configuration: ") + (bStarted ? "started " : "could not start ") +
      (sApplication ? std::string(sApplication) + " " : std::string()) + sCommandLine);
  return bStarted;
}

// Keeps the page painted while the process runs; a time-out only repeats.
void WaitForProcess(const PROCESS_INFORMATION& pi, bool bInputIdle) {
  DWORD r;
  do {
    PumpMessages();
    r = bInputIdle ? api::WaitForInputIdle(pi.hProcess, 500) : api::WaitForSingleObject(pi.hProcess, 500);
  } while (r != 0 && r != WAIT_FAILED);
  api::CloseHandle(pi.hThread);
  api::CloseHandle(pi.hProcess);
}

void StartServiceManager(IConfigurationProgress* oProgress) {
  HWND hManager = api::FindWindowA(kManagerClass, kManagerTitle);
  if (!hManager) {
    std::string sManager = GetShortPath(SqlToolsFolder() + "sqlmangr.exe");
    if (FileExists(sManager)) {
      STARTUPINFOA si = EmptyStartupInfo();
      PROCESS_INFORMATION pi;
      // No folder given: it runs in the wizard's own current folder.
      if (Start(sManager.c_str(), "/n", nullptr, si, pi)) {
        WaitForProcess(pi, true);
        Report(oProgress, "SQL Manager started successfully....", true);
      }
    }
    hManager = api::FindWindowA(kManagerClass, kManagerTitle);
    if (!hManager) return;
  }
  HWND hBox = api::FindWindowExA(hManager, nullptr, "Button", kAutoStartCaption);
  if (hBox && api::SendMessageA(hBox, BM_GETCHECK, 0, 0) != BST_CHECKED)
    api::SendMessageA(hBox, BM_SETCHECK, BST_CHECKED, 0);
  api::Sleep(1000);
  api::PostMessageA(hManager, WM_CLOSE, 0, 0);
}

// True when a way of starting the service was launched and waited for.
bool StartInstanceService(const std::string& sServerName, bool bDefault, const std::string& sComputer) {
  STARTUPINFOA si = EmptyStartupInfo();
  PROCESS_INFORMATION pi;
  if (GetOSVersion() >= 5) {
    std::string sComspec = App::Environ("COMSPEC");
    if (!FileExists(sComspec)) return false;
    std::string sLine = QuoteProgramPath(sComspec) + " /C net start " +
                        (bDefault ? std::string("MSSQLSERVER") : "MSSQL$" + sServerName);
    std::string sFolder;
    SplitPath(sComspec, sFolder);
    si.wShowWindow = 0;
    if (!Start(nullptr, sLine, sFolder.empty() ? nullptr : sFolder.c_str(), si, pi, true)) return false;
    WaitForProcess(pi, false);
    return true;
  }
  std::string sScm = GetShortPath(SqlToolsFolder() + "scm.exe");
  if (!FileExists(sScm)) return false;
  std::string sLine = QuoteProgramPath(sScm) + " -Action 1 -Silent 1 -Server " + sComputer + " -Service MSSQL" +
                      (bDefault ? std::string() : "$" + sServerName);
  char sNoTitle[1] = {'\0'};
  si.lpTitle = sNoTitle;
  if (!Start(nullptr, sLine, nullptr, si, pi)) return false;
  WaitForProcess(pi, true);
  return true;
}

AutoRef ConnectServer(const std::string& sServer, const std::string& sLogin, const std::string& sPassword) {
  AutoRef oServer = Automation().CreateObject(kServerClass, kServerInterface);
  oServer->Call("Connect", {AutoText(sServer), AutoText(sLogin), AutoText(sPassword)});
  return oServer;
}

void ChangePassword(const AutoRef& oServer, const std::string& sLogin, const std::string& sOldPassword,
                    const std::string& sNewPassword) {
  AutoRef oLogins = oServer->CallObject("Logins", {});
  AutoRef oLogin = oLogins->CallObject("Item", {AutoText(sLogin)});
  oLogin->Call("SetPassword", {AutoText(sOldPassword), AutoText(sNewPassword)});
  oServer->Call("DisConnect");
}

void ReportError(const RuntimeError& e) {
  char sNumber[16];
  std::snprintf(sNumber, sizeof(sNumber), "%ld", e.Number);
  Log("Configuration: error " + std::string(sNumber) + " " + e.Description);
  if (e.Number == 53) return;
  MsgBox("The following error occured during database configuration: " + e.Description + " " + sNumber,
         MB_ICONEXCLAMATION, "Custom Database Configuration");
}

}  // namespace

std::string QuoteProgramPath(const std::string& sPath) {
  if (sPath.find(' ') == std::string::npos || (!sPath.empty() && sPath[0] == '"')) return sPath;
  return "\"" + sPath + "\"";
}

void SetLoginPassword(const std::string& sServer, const std::string& sLogin, const std::string& sOldPassword,
                      const std::string& sNewPassword) {
  AutoRef oServer = ConnectServer(sServer, sLogin, sOldPassword);
  ChangePassword(oServer, sLogin, sOldPassword, sNewPassword);
}

void SetLoginPasswordNT(const std::string& sServer, const std::string& sLogin, const std::string& sOldPassword,
                        const std::string& sNewPassword) {
  AutoRef oServer = Automation().CreateObject(kServerClass, kServerInterface);
  oServer->Let("LoginSecure", AutoBool(true));
  oServer->Call("Connect", {AutoText(sServer)});
  ChangePassword(oServer, sLogin, sOldPassword, sNewPassword);
}

void AddServerLogin(const std::string& sServer, const std::string& sAdminLogin, const std::string& sAdminPassword,
                    const std::string& sLoginName, const std::string& sLoginPassword, long nLoginType) {
  AutoRef oServer = ConnectServer(sServer, sAdminLogin, sAdminPassword);
  AutoRef oLogin = Automation().CreateObject(kLoginClass, kLoginInterface);
  oLogin->Let("Name", AutoText(sLoginName));
  oLogin->Let("Type", AutoLong(nLoginType));
  oLogin->Call("SetPassword", {AutoText(""), AutoText(sLoginPassword)});
  oServer->CallObject("Logins", {})->Call("Add", {AutoObject(oLogin)});
  oServer->Call("DisConnect");
}

void AddLoginToServerRole(const std::string& sServer, const std::string& sAdminLogin,
                          const std::string& sAdminPassword, const std::string& sLoginName,
                          const std::string& sRoleName) {
  AutoRef oServer = ConnectServer(sServer, sAdminLogin, sAdminPassword);
  AutoRef oRole = oServer->CallObject("ServerRoles", {})->CallObject("Item", {AutoText(sRoleName)});
  oRole->Call("AddMember", {AutoText(sLoginName)});
  oServer->Call("DisConnect");
}

std::string GetServerRoleName(long nRole) {
  static const char* const kRoles[] = {"sysadmin",     "securityadmin", "serveradmin", "setupadmin",
                                       "processadmin", "diskadmin",     "dbcreator",   "bulkadmin"};
  if (nRole < 1 || nRole > 8) return std::string();
  return kRoles[nRole - 1];
}

bool ConfigureServer(const std::string& sServerName, const std::string& sUserID, const std::string& sPassword,
                     bool bNTAuthentication, IConfigurationProgress* oProgress) {
  Screen::SetMousePointer(11);
  LogSecret(sPassword);
  LogSecret(kAdminPassword);
  bool bResult = false;
  try {
    try {
      StartServiceManager(oProgress);

      bool bDefault = Upper(sServerName) == "DEFAULT";
      std::string sComputer = GetComputerNameText();
      if (StartInstanceService(sServerName, bDefault, sComputer)) {
        Report(oProgress, "SQL Server service started successfully....", true);
        std::string sTarget = bDefault ? sComputer
                              : sServerName.find('\\') != std::string::npos ? sServerName
                                                                            : sComputer + "\\" + sServerName;
        // The engine setup gave sa the settings' password, so that is the old
        // one. When the application itself logs in as sa, sa keeps it (the
        // change proves the hand-off credentials) and already is a sysadmin.
        Report(oProgress, "Setting sa password....", false);
        if (bNTAuthentication) {
          SetLoginPasswordNT(sTarget, kAdminLogin, sPassword, kAdminPassword);
        } else if (Upper(sUserID) == "SA") {
          SetLoginPassword(sTarget, kAdminLogin, sPassword, sPassword);
        } else {
          SetLoginPassword(sTarget, kAdminLogin, sPassword, kAdminPassword);
          Report(oProgress, "Setting up user login....", false);
          AddServerLogin(sTarget, kAdminLogin, kAdminPassword, sUserID, sPassword, kStandardLogin);
          Report(oProgress, "Setting user password....", false);
          AddLoginToServerRole(sTarget, kAdminLogin, kAdminPassword, sUserID, GetServerRoleName(1));
        }
        bResult = true;
      } else {
        Log("Configuration: the service could not be started");
      }
    } catch (const std::bad_alloc&) {
      throw RuntimeError{7, "Out of memory"};   // the platform's run-time error 7
    }
  } catch (const RuntimeError& e) {
    Screen::SetMousePointer(0);
    // Reporting needs memory too; without it the error goes untold, and the
    // result stays false.
    try {
      ReportError(e);
    } catch (...) {
    }
    bResult = false;
  }
  Screen::SetMousePointer(0);
  Log(bResult ? "Configuration: ended" : "Configuration: ended early");
  // A tool that reads the exit code must never take an instance left
  // unconfigured for success.
  App::SetExitCode(bResult ? ExitDone : ExitFailed);
  return bResult;
}
