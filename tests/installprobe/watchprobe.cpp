// Runs the wizard's setup-window watcher against a real dialog of a child
// process (canceldialog.exe beside this program) and checks what it did to
// the dialog's Cancel button. Exit code 0 when everything held.
#include <windows.h>
#include <cstdio>
#include <string>
#include "install/SetupWatcher.h"

namespace {
int g_failures = 0;
void Expect(bool b, const char* what) {
  std::printf("%s: %s\n", b ? "ok" : "FAILED", what);
  if (!b) ++g_failures;
}

std::string Folder() {
  char s[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, s, MAX_PATH);
  std::string p = s;
  return p.substr(0, p.rfind('\\') + 1);
}
}  // namespace

int main() {
  const std::string sChild = Folder() + "canceldialog.exe";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::string sCommand = "\"" + sChild + "\"";
  if (!CreateProcessA(sChild.c_str(), &sCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("FAILED: cannot start %s (%lu)\n", sChild.c_str(), GetLastError());
    return 2;
  }

  // Before the child shows anything the watcher must keep trying.
  bool bDone = false;
  int nPasses = 0;
  for (; nPasses < 60 && !bDone; ++nPasses) {
    bDone = HideSetupCancelButton(pi.dwProcessId);
    if (!bDone) Sleep(250);
  }
  Expect(bDone, "the watcher found the child's dialog with its Cancel button");
  // Another process's id never matches.
  Expect(!HideSetupCancelButton(pi.dwProcessId + 4), "a dialog of another process is left alone");

  HWND hDialog = FindWindowA("#32770", nullptr);
  Expect(hDialog != nullptr && GetWindowProcessID(hDialog) == pi.dwProcessId, "the dialog belongs to the child");
  HWND hCancel = hDialog ? FindWindowExA(hDialog, nullptr, "Button", "Cancel") : nullptr;
  Expect(hCancel != nullptr, "the Cancel button is still there");
  if (hCancel) {
    Expect((GetWindowLongA(hCancel, GWL_STYLE) & WS_VISIBLE) == 0, "Cancel is hidden");
    Expect(!IsWindowEnabled(hCancel), "Cancel is disabled");
    RECT rc = {};
    GetWindowRect(hCancel, &rc);
    Expect(rc.right == rc.left && rc.bottom == rc.top, "Cancel has no size");
  }
  if (hDialog) {
    Expect((GetWindowLongA(hDialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, "the dialog is topmost");
    Expect(IsWindowVisible(hDialog) != FALSE, "the dialog is still shown");
    // Hidden already: found again, nothing more to do.
    Expect(HideSetupCancelButton(pi.dwProcessId), "a second pass still reports the dialog");
    HWND hRetry = GetDlgItem(hDialog, IDRETRY);
    if (hRetry) PostMessageA(hRetry, BM_CLICK, 0, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
    Expect(false, "the child ended through its other button");
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::printf("%s after %d passes\n", g_failures ? "FAILED" : "PASSED", nPasses);
  return g_failures ? 1 : 0;
}
