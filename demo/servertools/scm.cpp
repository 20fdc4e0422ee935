// Stand-in for the service control program of the server tools:
//   scm.exe -Action 1 -Silent 1 -Server <computer> -Service MSSQL[$<instance>]
// Action 1 starts the instance's service and waits until it runs, 2 stops
// it. "-Service MSSQL" names the default instance, whose service is
// "MSSQLSERVER". The exit code is 0 on success; without -Silent 1 a failure
// is also shown in a message box. Every call is logged to servertools.log
// beside the program.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "ServerState.h"

namespace {

void Log(const std::string& sLine) { ToolLog(nullptr, sLine); }

int Fail(bool bSilent, const std::string& sText) {
  Log("scm: " + sText);
  if (!bSilent) MessageBoxA(nullptr, sText.c_str(), "SQL Server Service Control", MB_OK | MB_ICONSTOP);
  return 1;
}

bool WaitForState(SC_HANDLE hService, DWORD dwWanted) {
  for (int i = 0; i < 300; ++i) {
    SERVICE_STATUS st;
    if (!QueryServiceStatus(hService, &st)) return false;
    if (st.dwCurrentState == dwWanted) return true;
    Sleep(100);
  }
  return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Log(std::string("scm: ") + GetCommandLineA());
  int nAction = 0;
  bool bSilent = false;
  std::string sServer, sService;
  for (int i = 1; i + 1 < __argc; i += 2) {
    const char* k = __argv[i];
    const char* v = __argv[i + 1];
    if (!_stricmp(k, "-Action")) nAction = std::atoi(v);
    else if (!_stricmp(k, "-Silent")) bSilent = std::atoi(v) != 0;
    else if (!_stricmp(k, "-Server")) sServer = v;
    else if (!_stricmp(k, "-Service")) sService = v;
  }
  if (sService.empty() || (nAction != 1 && nAction != 2)) return Fail(bSilent, "Invalid command line.");
  if (SameText(sService, "MSSQL")) sService = "MSSQLSERVER";

  char sComputer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD nSize = sizeof(sComputer);
  if (!GetComputerNameA(sComputer, &nSize)) sComputer[0] = 0;
  std::string sMachine;   // empty: this computer
  if (!sServer.empty() && !SameText(sServer, sComputer) && sServer != "." && !SameText(sServer, "(local)"))
    sMachine = "\\\\" + sServer;

  SC_HANDLE hManager = OpenSCManagerA(sMachine.empty() ? nullptr : sMachine.c_str(), nullptr, SC_MANAGER_CONNECT);
  if (!hManager) return Fail(bSilent, "Cannot reach the service control manager of " + sServer + ".");
  SC_HANDLE hService = OpenServiceA(hManager, sService.c_str(), SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!hService) {
    CloseServiceHandle(hManager);
    return Fail(bSilent, "The service " + sService + " does not exist.");
  }
  bool bOk;
  if (nAction == 1) {
    bOk = StartServiceA(hService, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
    bOk = bOk && WaitForState(hService, SERVICE_RUNNING);
  } else {
    SERVICE_STATUS st;
    bOk = ControlService(hService, SERVICE_CONTROL_STOP, &st) || GetLastError() == ERROR_SERVICE_NOT_ACTIVE;
    bOk = bOk && WaitForState(hService, SERVICE_STOPPED);
  }
  CloseServiceHandle(hService);
  CloseServiceHandle(hManager);
  if (!bOk) return Fail(bSilent, "The service " + sService + (nAction == 1 ? " could not be started." : " could not be stopped."));
  Log("scm: " + sService + (nAction == 1 ? " running" : " stopped"));
  return 0;
}
