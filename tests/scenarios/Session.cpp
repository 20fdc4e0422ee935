// The end of the session as Windows asks for it, of the whole wizard on a thread of its own: from
// outside while it waits, and from inside ExitWindowsEx when it restarts the machine itself.
#include <algorithm>
#include <cstring>
#include "startup/MMain.h"
#include "tests/scenarios/Harness.h"

namespace {
char g_noArguments[] = "scenarios.exe";
LPSTR WINAPI NoArguments() { return g_noArguments; }


// A limited user's registry: every key opened for writing is refused.
LONG WINAPI NoWrites(HKEY h, LPCSTR sub, DWORD options, REGSAM sam, PHKEY out) {
  if (sam & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
  return ::RegOpenKeyExA(h, sub, options, sam, out);
}

// The wizard's forms (owner and page), or the first enabled control of theirs starting with sText.
struct Windows {
  const char* sText = nullptr;
  std::vector<HWND> forms;
  HWND found = nullptr;
  static BOOL CALLBACK Form(HWND h, LPARAM p) {
    char cls[32] = {};
    ::GetClassNameA(h, cls, sizeof cls);
    if (!std::strcmp(cls, "TarnwickForm")) reinterpret_cast<Windows*>(p)->forms.push_back(h);
    return TRUE;
  }
  static BOOL CALLBACK Child(HWND h, LPARAM p) {
    Windows* w = reinterpret_cast<Windows*>(p);
    char s[256] = {};
    ::GetWindowTextA(h, s, sizeof s);
    if (!std::strncmp(s, w->sText, std::strlen(w->sText)) && ::IsWindowEnabled(h)) w->found = h;
    return !w->found;
  }
  Windows(DWORD tid, const char* text = nullptr) : sText(text) {
    ::EnumThreadWindows(tid, Form, LPARAM(this));
    for (HWND h : forms)
      if (sText && !found) ::EnumChildWindows(h, Child, LPARAM(this));
  }
};

// "page 0 proxy 1": each window's answer to the end of the session.
std::string SessionAnswers(DWORD tid) {
  std::vector<std::string> answers;
  for (HWND h : Windows(tid).forms) {
    RECT rc = {};
    ::GetWindowRect(h, &rc);
    DWORD_PTR r = 0;
    ::SendMessageTimeoutA(h, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &r);
    answers.push_back(std::string(rc.top < -1000 ? "proxy " : "page ") + (r ? "1" : "0"));
  }
  std::sort(answers.begin(), answers.end());
  return Join(answers, " ");
}

// Waits up to 10 s for the control; presses it when it is a button.
void WaitFor(DWORD tid, const char* text, bool bPress = false) {
  for (int i = 0; i < 200; ++i, ::Sleep(50))
    if (HWND h = Windows(tid, text).found) {
      if (bPress) ::PostMessageA(h, BM_CLICK, 0, 0);
      return;
    }
  Check(false, std::string("no control \"") + text + "\" within 10 s");
}

// Main on a thread of its own, up to the engine setup when asked.
struct Wizard {
  HANDLE thread = nullptr;
  DWORD tid = 0;
  static DWORD WINAPI Run(LPVOID) { return Main(); }
  explicit Wizard(bool bToSetup) {
    seam::hook::GetCommandLineA = NoArguments;
    thread = ::CreateThread(nullptr, 0, Run, nullptr, 0, &tid);
    if (!bToSetup) return;
    WaitFor(tid, "&Next >", true);
    WaitFor(tid, "You are now ready");
    WaitFor(tid, "&Next >", true);
  }
  ~Wizard() {
    if (::WaitForSingleObject(thread, 20000) != WAIT_OBJECT_0) Check(false, "the wizard did not end");
    ::CloseHandle(thread);
    seam::hook::GetCommandLineA = nullptr;
  }
};
}  // namespace

void SessionScenarios() {
  // The welcome page refuses the end of the session, its owner never does.
  Clean();
  {
    Wizard w(false);
    WaitFor(w.tid, "Welcome!");
    Eq("session end on the welcome page", SessionAnswers(w.tid), "page 0 proxy 1");
    seam::S().answers = {IDYES};
    WaitFor(w.tid, "Cancel", true);
  }
  // While the engine setup runs, its page refuses.
  Clean();
  StandInSetup(0, 0, 3000);
  {
    Wizard w(true);
    WaitFor(w.tid, "Please be patient while SQL Server");
    ::Sleep(1000);
    Eq("session end during the engine setup", SessionAnswers(w.tid), "page 0 proxy 1");
    WaitFor(w.tid, "&Next >", true);
    WaitFor(w.tid, "&Finish", true);
  }
  // The wizard's own restart: every window agrees by the time Windows asks; on 1641 after the resume entries.
  for (const DWORD dwExit : {3010, 1641}) {
    Clean();
    StandInSetup(dwExit, 0, 0);
    seam::S().answers = {IDYES};
    seam::S().restartWorks = true;
    std::string answers, entries;
    seam::S().onRestart = [&] {
      answers = SessionAnswers(::GetCurrentThreadId());
      entries = std::to_string(RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, nullptr)) +
                std::to_string(RegGet(HKEY_LOCAL_MACHINE, kResumeKey, kStamp, nullptr));
    };
    { Wizard w(true); }
    const std::string what = "the wizard's restart after " + std::to_string(dwExit);
    Eq(what + ": session end", answers, "page 1 proxy 1");
    Eq(what + ": Run entry and resume data before the restart", entries, "11");
    Eq(what + ": restart flags", seam::S().restarts, "10+");
    Eq(what + ": exit code, the restart under way", App::ExitCode(), 1641);
    Check(seam::S().ended, what + ": the wizard ends");
  }
  // Starts that leave the machine as they found it, a pending resume included: a user who may not write the
  // machine's settings, and a start while that resume waits for its restart.
  for (const bool bNoRights : {true, false}) {
    Clean();
    RegPut(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, REG_SZ, CopyEntry(" /Config 46362.5 /quiet") + '\0');
    RegPut(HKEY_LOCAL_MACHINE, kResumeKey, kStamp, REG_BINARY, ResumeBytes());
    if (bNoRights) seam::hook::RegOpenKeyExA = NoWrites;
    { Wizard w(false); }
    seam::hook::RegOpenKeyExA = nullptr;
    const char* const box = bNoRights ? "The database server can only be installed by a user with administrator rights"
                                      : "A restart is needed to finish the installation already under way.";
    // The box, the exit code, nothing written or removed: the Run entry and the resume data are still there.
    Eq(std::string(bNoRights ? "no rights" : "a resume pending") + ": box, exit code, writes, removals, entries",
       Boxes().substr(0, std::strlen(box)) + " " + std::to_string(App::ExitCode()) + " " + Join(seam::S().writes) +
           std::to_string(seam::S().counts[seam::id_RegDeleteValueA]) + " " +
           std::to_string(RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, nullptr) && RegGet(HKEY_LOCAL_MACHINE, kResumeKey, kStamp, nullptr)),
       box + std::string(bNoRights ? " 1603 0 1" : " 3010 0 1"));
  }
}
