// A stand-in for the engine setup's progress dialog: a standard dialog-class
// window (#32770) with a Cancel button, shown until another button ends it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // A message box is a #32770 dialog; Retry stays usable to close it once the
  // watcher has taken Cancel away.
  MessageBoxA(nullptr, "Installing the engine instance...", "Engine setup", MB_RETRYCANCEL | MB_ICONINFORMATION);
  return 0;
}
