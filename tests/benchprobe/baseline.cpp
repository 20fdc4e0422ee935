// The least a GUI program does before its first window: shows a message box.
// The benchmark times it beside the wizard, so that Wine's own start-up cost
// on the machine at hand can be told apart from the wizard's.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return MessageBoxA(nullptr, "Baseline", "Baseline", MB_OK);
}
