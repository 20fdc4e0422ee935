// mouseclick.exe TEXT: a real left click, through the system's mouse input,
// in the middle of the visible wizard page's child window whose text is
// TEXT. For controls that answer the mouse alone (the wizard's own button
// ignores BM_CLICK, as the button it imitates does not take keyboard or
// programmatic presses). Exit code 0 when the click was sent, 1 otherwise.
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace {
const char* g_Text;
HWND g_Found;

BOOL CALLBACK EnumChild(HWND h, LPARAM) {
  char buf[512];
  GetWindowTextA(h, buf, sizeof buf);
  if (IsWindowVisible(h) && std::strcmp(buf, g_Text) == 0) {
    g_Found = h;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK EnumTop(HWND h, LPARAM) {
  char cls[64];
  GetClassNameA(h, cls, sizeof cls);
  if (IsWindowVisible(h) && std::strcmp(cls, "TarnwickForm") == 0) EnumChildWindows(h, EnumChild, 0);
  return g_Found == nullptr;
}

void Mouse(DWORD flags, LONG x = 0, LONG y = 0) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: mouseclick TEXT\n");
    return 1;
  }
  g_Text = argv[1];
  EnumWindows(EnumTop, 0);
  if (!g_Found) {
    std::printf("mouseclick: no visible control \"%s\"\n", g_Text);
    return 1;
  }
  RECT rc;
  GetWindowRect(g_Found, &rc);
  const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
  // Absolute coordinates are in 0..65535 across the primary screen.
  const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65535 + cx / 2) / (cx - 1), (y * 65535 + cy / 2) / (cy - 1));
  Sleep(100);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Sleep(100);
  Mouse(MOUSEEVENTF_LEFTUP);
  std::printf("mouseclick: clicked \"%s\" at %d,%d\n", g_Text, x, y);
  return 0;
}
