// A setup that does nothing: stands in for msiexec.exe while the benchmark
// measures what the wizard costs while it waits. Sleeps SLEEPSETUP_MS
// milliseconds (default 60000) and ends with 0. Appends "start <ms>" and
// "end <ms>" (system tick count) to sleepsetup.log beside itself, so the
// benchmark knows when the wait began and ended.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void Mark(const char* sWhat) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (!slash) return;
  std::strcpy(slash + 1, "sleepsetup.log");
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s %lu\n", sWhat, GetTickCount());
    std::fclose(f);
  }
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  DWORD ms = 60000;
  char buf[32] = {};
  if (GetEnvironmentVariableA("SLEEPSETUP_MS", buf, sizeof buf) > 0) ms = std::strtoul(buf, nullptr, 10);
  Mark("start");
  Sleep(ms);
  Mark("end");
  return 0;
}
