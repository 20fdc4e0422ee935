// The Windows entry point: the whole run is Main.
#include "platform/MAPI_Declares.h"
#include "startup/MMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return int(Main());
}
