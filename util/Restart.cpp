#include "util/Restart.h"
#include <string>
#include "util/MLog.h"
#include "platform/MAPI_Declares.h"

namespace {
bool g_bRestartRequested = false;

// Best effort: a failure here shows up as a refused ExitWindowsEx.
void EnableShutdownPrivilege() {
  HANDLE hToken = nullptr;
  if (!api::OpenProcessToken(api::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                             &hToken))
    return;
  TOKEN_PRIVILEGES tp = {};
  // Spelled out: the header macro is a wide string in some header sets.
  if (api::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) {
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    api::AdjustTokenPrivileges(hToken, FALSE, &tp, 0, nullptr, nullptr);
  }
  api::CloseHandle(hToken);
}
}  // namespace

bool RestartRequested() { return g_bRestartRequested; }

bool RequestRestart() {
  EnableShutdownPrivilege();
  // Windows NT asks the caller's windows too, right after this call returns
  // and before the page has gone: they must agree already.
  g_bRestartRequested = true;
  const UINT nFlags = EWX_REBOOT | EWX_POWEROFF;
  const bool bDone = api::ExitWindowsEx(nFlags, 0) != FALSE;
  g_bRestartRequested = bDone;
  Log("Restart requested with flags " + std::to_string(nFlags) + ": " + (bDone ? "accepted by Windows" : "refused by Windows"));
  return bDone;
}
