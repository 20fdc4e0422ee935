// Drives the wizard under Wine to its engine setup page and reports what it
// shows, one line per event in the log file (flushed at once, so a script can
// follow it):
//   PAGE <n> next              pressed Next on a page that is not the setup page
//   BOX <title>|<text>         a message box of the wizard (then answered)
//   INSTALL waiting            the setup page with its waiting text
//   INSTALL success|failed next=N back=N cancel=N
//   EXIT <code> | TIMEOUT
// After the setup page has settled the driver waits HOLD seconds (for a
// screenshot) and ends the wizard.
//   installdriver.exe <log> <timeout-s> <hold-s> <program> [arguments]
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {
const char kPageCaption[] = "ZoMel MSDE Installation and Setup";
const char kWaiting[] = "Please be patient while SQL Server is installed";
const char kSuccess[] = "The SQL Server desktop edition has been successfully installed.";
const char kFailure[] = "Errors occurred durring the install process.";

FILE* g_log = nullptr;
DWORD g_pid = 0;

void Log(const std::string& s) {
  std::string line;
  for (char c : s) {
    if (c == '\r') continue;
    line += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  std::fprintf(g_log, "%s\n", line.c_str());
  std::fflush(g_log);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string Text(HWND h) {
  char s[2048] = {};
  GetWindowTextA(h, s, sizeof(s));
  return s;
}

std::string Class(HWND h) {
  char s[256] = {};
  GetClassNameA(h, s, sizeof(s));
  return s;
}

BOOL CALLBACK CollectTop(HWND h, LPARAM l) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == g_pid && IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND h, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
  return TRUE;
}

std::vector<HWND> Children(HWND h) {
  std::vector<HWND> v;
  EnumChildWindows(h, CollectChild, reinterpret_cast<LPARAM>(&v));
  return v;
}

HWND ButtonByText(HWND hPage, const char* sText) {
  for (HWND c : Children(hPage))
    if (Text(c) == sText) return c;
  return nullptr;
}

bool PageHas(HWND hPage, const char* sText) {
  for (HWND c : Children(hPage))
    if (Text(c).find(sText) != std::string::npos) return true;
  return false;
}

int Enabled(HWND hPage, const char* sButton) {
  HWND h = ButtonByText(hPage, sButton);
  return h && IsWindowEnabled(h) && IsWindowVisible(h) ? 1 : 0;
}

void Click(HWND h) { PostMessageA(h, BM_CLICK, 0, 0); }

void AnswerBox(HWND hBox) {
  HWND hText = GetDlgItem(hBox, 0xFFFF);
  Log("BOX " + Text(hBox) + "|" + (hText ? Text(hText) : std::string()));
  // OK, or No to a question (never a restart or a confirmed cancel).
  for (int id : {IDOK, IDNO, IDCANCEL}) {
    HWND b = GetDlgItem(hBox, id);
    if (b) {
      Click(b);
      return;
    }
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: installdriver <log> <timeout-s> <hold-s> <program> [arguments]\n");
    return 2;
  }
  g_log = std::fopen(argv[1], "w");
  if (!g_log) return 2;
  const DWORD dwTimeout = DWORD(std::atoi(argv[2])) * 1000, dwHold = DWORD(std::atoi(argv[3])) * 1000;
  std::string sCommand = std::string("\"") + argv[4] + "\"";
  for (int i = 5; i < argc; ++i) sCommand += std::string(" ") + argv[i];
  std::string sFolder = argv[4];
  sFolder = sFolder.substr(0, sFolder.rfind('\\') + 1);

  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(argv[4], &sCommand[0], nullptr, nullptr, FALSE, 0, nullptr,
                      sFolder.empty() ? nullptr : sFolder.c_str(), &si, &pi)) {
    Log("NOSTART " + std::to_string(GetLastError()));
    return 2;
  }
  g_pid = pi.dwProcessId;

  std::set<HWND> answered, waitingSeen;
  HWND hLastPage = nullptr;
  DWORD dwLastClick = 0, dwSettled = 0;
  int nPages = 0;
  const DWORD dwStart = GetTickCount();
  int rc = 0;
  for (;;) {
    if (WaitForSingleObject(pi.hProcess, 200) == WAIT_OBJECT_0) {
      DWORD dwExit = 0;
      GetExitCodeProcess(pi.hProcess, &dwExit);
      Log("EXIT " + std::to_string(dwExit));
      break;
    }
    if (dwSettled) {
      if (GetTickCount() - dwSettled >= dwHold) {
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        break;
      }
      continue;
    }
    if (GetTickCount() - dwStart > dwTimeout) {
      Log("TIMEOUT");
      TerminateProcess(pi.hProcess, 1);
      rc = 1;
      break;
    }
    std::vector<HWND> tops;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&tops));
    bool bBox = false;
    for (HWND h : tops)
      if (Class(h) == "#32770") {
        bBox = true;
        if (!answered.count(h)) {
          answered.insert(h);
          AnswerBox(h);
        }
      }
    if (bBox) continue;   // a page behind a box is not to be pressed
    for (HWND h : tops) {
      if (Text(h) != kPageCaption) continue;
      if (PageHas(h, kSuccess) || PageHas(h, kFailure)) {
        Log(std::string("INSTALL ") + (PageHas(h, kSuccess) ? "success" : "failed") +
            " next=" + std::to_string(Enabled(h, "&Next >")) + " back=" + std::to_string(Enabled(h, "< &Back")) +
            " cancel=" + std::to_string(Enabled(h, "Cancel")));
        dwSettled = GetTickCount();
        break;
      }
      if (PageHas(h, kWaiting)) {
        if (!waitingSeen.count(h)) {
          waitingSeen.insert(h);
          Log("INSTALL waiting");
        }
        break;
      }
      // The setup page is only ever watched, whatever it shows meanwhile.
      if (waitingSeen.count(h)) break;
      // Any other page: Next, again after a while if it did not go.
      HWND hNext = ButtonByText(h, "&Next >");
      if (hNext && IsWindowEnabled(hNext) && (h != hLastPage || GetTickCount() - dwLastClick > 8000)) {
        if (h != hLastPage) Log("PAGE " + std::to_string(++nPages) + " next");
        hLastPage = h;
        dwLastClick = GetTickCount();
        Click(hNext);
      }
      break;
    }
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::fclose(g_log);
  return rc;
}
