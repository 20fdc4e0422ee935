// Stand-in for an instance's database engine service. Registered with the
// service control manager once per instance ("MSSQLSERVER" or "MSSQL$NAME");
// the service name it is started under tells it which instance it is. It
// only reports itself running until it is told to stop.
//
//   sqlservr.exe -init <service name> <sa password> [SQL|WINDOWS]
// seeds the instance's state file beside this program, as the setup does.
#include <windows.h>
#include <cstdio>
#include <string>
#include "ServerState.h"

namespace {

SERVICE_STATUS_HANDLE g_hStatus = nullptr;
HANDLE g_hStop = nullptr;
SERVICE_STATUS g_status;

void Report(DWORD dwState) {
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_status.dwCurrentState = dwState;
  g_status.dwControlsAccepted = dwState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  g_status.dwWin32ExitCode = NO_ERROR;
  g_status.dwWaitHint = dwState == SERVICE_RUNNING || dwState == SERVICE_STOPPED ? 0 : 3000;
  SetServiceStatus(g_hStatus, &g_status);
}

DWORD WINAPI Handler(DWORD dwControl, DWORD, LPVOID, LPVOID) {
  switch (dwControl) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Report(SERVICE_STOP_PENDING);
      SetEvent(g_hStop);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
  const char* sName = argc > 0 ? argv[0] : "MSSQLSERVER";
  g_hStatus = RegisterServiceCtrlHandlerExA(sName, Handler, nullptr);
  if (!g_hStatus) return;
  g_hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::string sService = sName;
  Report(SERVICE_START_PENDING);
  Report(SERVICE_RUNNING);
  ToolLog(nullptr, "sqlservr: " + sService + " running");
  WaitForSingleObject(g_hStop, INFINITE);
  ToolLog(nullptr, "sqlservr: " + sService + " stopped");
  Report(SERVICE_STOPPED);
}

int Seed(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: sqlservr -init <service name> <sa password> [SQL|WINDOWS]\n");
    return 2;
  }
  char sSelf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, sSelf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  ServerState st = NewInstanceState(argv[3], argc > 4 ? argv[4] : "WINDOWS");
  bool bSaved = st.Save(StateFileBeside(sSelf, argv[2]));
  ToolLog(nullptr, std::string("sqlservr: -init ") + argv[2] + (bSaved ? " seeded, security mode " : " NOT seeded, ") +
                       st.sSecurityMode);
  return bSaved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "-init") return Seed(argc, argv);
  char sEmpty[1] = {0};
  SERVICE_TABLE_ENTRYA table[] = {{sEmpty, ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) {
    std::fprintf(stderr, "sqlservr: runs as a service; use -init to seed an instance\n");
    return 1;
  }
  return 0;
}
