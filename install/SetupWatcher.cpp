#include "install/SetupWatcher.h"

DWORD GetWindowProcessID(HWND hWnd) {
  DWORD dwProcessId = 0;
  api::GetWindowThreadProcessId(hWnd, &dwProcessId);
  return dwProcessId;
}

bool HideSetupCancelButton(DWORD dwProcessId) {
  // Only the first dialog is looked at; another program's dialog in front
  // makes this pass fail and the next one try again.
  HWND hDialog = api::FindWindowA("#32770", nullptr);
  if (!hDialog) return false;
  if (GetWindowProcessID(hDialog) != dwProcessId) return false;
  HWND hCancel = api::FindWindowExA(hDialog, nullptr, "Button", "Cancel");
  if (!hCancel) return false;

  const LONG nStyle = api::GetWindowLongA(hCancel, GWL_STYLE);
  if (nStyle & WS_VISIBLE) {
    api::SetWindowLongA(hCancel, GWL_STYLE, nStyle & ~LONG(WS_VISIBLE));
    api::EnableWindow(hCancel, FALSE);
    api::MoveWindow(hCancel, -50, -50, 0, 0, TRUE);
    api::SetWindowPos(hDialog, HWND_TOPMOST, 0, 0, 0, 0,
                      SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    api::InvalidateRect(hDialog, nullptr, TRUE);
    api::SendMessageA(hDialog, WM_PAINT, 0, 0);
  }
  return true;
}
