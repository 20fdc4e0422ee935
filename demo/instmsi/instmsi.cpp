// Stand-in for the Windows Installer redistributables MSI\INSTMSI.EXE and
// MSI\INSTMSIW.EXE on the demo medium and in the tests. It installs nothing:
// it checks the argument it was started with, records the start and ends
// with the exit code chosen beside it.
//
//   EXITCODE.TXT  (optional, beside the program) "<exit code> [<run time ms>]",
//                 e.g. "3010" or "0 2000"; without it: 0 at once.
//   RUNLOG.TXT    (appended, beside the program) one block per start:
//                 program=, cmdline=, args=, cwd=, exit=, note=
//
// The quiet form " /q /c:..." is taken too. A wrong argument ends with 1639 (ERROR_INVALID_COMMAND_LINE, what the
// real redistributable's installer reports) and the note says why.
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace {
// The command it runs after unpacking itself; /q in front asks for no window.
const char kExpectedArgs[] = " /c:\"msiinst.exe /i instmsi.msi /qn\"";
const char kQuietArgs[] = " /q /c:\"msiinst.exe /i instmsi.msi /qn\"";
const DWORD kBadArgument = 1639;

// The command line after the program name, as Windows hands it over. When
// the caller gives the program as the application name and a command line
// that starts with a blank, the program name part is empty.
const char* ArgumentsOf(const char* sCmd) {
  const char* p = sCmd;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  return p;
}

void ReadChoice(const char* sPath, DWORD& dwExit, DWORD& dwRunMs) {
  FILE* f = std::fopen(sPath, "r");
  if (!f) return;
  unsigned long a = 0, b = 0;
  int n = std::fscanf(f, "%lu %lu", &a, &b);
  std::fclose(f);
  if (n >= 1) dwExit = a;
  if (n >= 2) dwRunMs = b;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char sFolder[MAX_PATH] = {}, sPath[MAX_PATH + 16], cwd[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, sFolder, MAX_PATH);
  char* slash = std::strrchr(sFolder, '\\');
  char sName[MAX_PATH] = {};
  std::strcpy(sName, slash ? slash + 1 : sFolder);
  if (slash) slash[1] = 0; else sFolder[0] = 0;
  GetCurrentDirectoryA(MAX_PATH, cwd);

  const char* sCmd = GetCommandLineA();
  const char* sArgs = ArgumentsOf(sCmd);

  DWORD dwExit = 0, dwRunMs = 0;
  std::sprintf(sPath, "%sEXITCODE.TXT", sFolder);
  ReadChoice(sPath, dwExit, dwRunMs);

  bool bOk = std::strcmp(sArgs, kExpectedArgs) == 0 || std::strcmp(sArgs, kQuietArgs) == 0;
  if (!bOk) {
    dwExit = kBadArgument;
    dwRunMs = 0;
  }

  std::sprintf(sPath, "%sRUNLOG.TXT", sFolder);
  if (FILE* log = std::fopen(sPath, "a")) {
    std::fprintf(log, "program=%s\ncmdline=%s\nargs=%s\ncwd=%s\nexit=%lu\n", sName, sCmd, sArgs, cwd,
                 (unsigned long)dwExit);
    if (bOk)
      std::fprintf(log, "note=ok\n\n");
    else
      std::fprintf(log, "note=bad argument: expected [%s] got [%s]\n\n", kExpectedArgs, sArgs);
    std::fclose(log);
  }
  if (dwRunMs) Sleep(dwRunMs);
  return (int)dwExit;
}
