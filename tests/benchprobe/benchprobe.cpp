// Starts a program and reports how long it takes until its first visible
// top-level window with a caption appears:
//
//   benchprobe [--timeout MS] [--keep] <program> [arguments...]
//
// prints "first-window-ms <ms>", "caption <text>" and "pid <id>"; ends the
// program afterwards unless --keep is given. Exit code 0 when a window came,
// 1 on time-out, 2 when the program did not start.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
struct Search {
  DWORD pid;
  HWND found;
  char caption[256];
};

BOOL CALLBACK OnWindow(HWND hWnd, LPARAM lParam) {
  Search* s = reinterpret_cast<Search*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hWnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hWnd)) return TRUE;
  if (GetWindowTextA(hWnd, s->caption, sizeof s->caption) <= 0) return TRUE;
  s->found = hWnd;
  return FALSE;
}

std::string Quote(const char* s) {
  if (*s && !std::strpbrk(s, " \t\"")) return s;
  std::string q = "\"";
  for (; *s; ++s) {
    if (*s == '"') q += '\\';
    q += *s;
  }
  return q + "\"";
}
}  // namespace

int main(int argc, char** argv) {
  DWORD timeout = 30000;
  bool keep = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
    if (!std::strcmp(argv[i], "--keep")) keep = true;
    else if (!std::strcmp(argv[i], "--timeout") && i + 1 < argc) timeout = std::strtoul(argv[++i], nullptr, 10);
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: benchprobe [--timeout MS] [--keep] program [arguments...]\n");
    return 2;
  }
  std::string cmd;
  for (int j = i; j < argc; ++j) cmd += (j > i ? " " : "") + Quote(argv[j]);

  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  QueryPerformanceCounter(&t0);
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "benchprobe: cannot start %s (error %lu)\n", cmd.c_str(), GetLastError());
    return 2;
  }
  Search s = {pi.dwProcessId, nullptr, {}};
  double ms = 0;
  for (;;) {
    EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&s));
    QueryPerformanceCounter(&t1);
    ms = double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart);
    if (s.found || ms > timeout) break;
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  int rc = 0;
  if (s.found) {
    std::printf("first-window-ms %.1f\ncaption %s\npid %lu\n", ms, s.caption, pi.dwProcessId);
  } else {
    std::printf("first-window-ms none\n");
    rc = 1;
  }
  std::fflush(stdout);
  if (!keep) TerminateProcess(pi.hProcess, 0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return rc;
}
