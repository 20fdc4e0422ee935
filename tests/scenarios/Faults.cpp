// Every operating-system call of the engine setup run, the runtime setup and
// the configuration failing in turn; and every state a power loss can leave
// on the restart roads, booted again from its Run entry.
#include <cstdio>
#include "tests/scenarios/Harness.h"
#include "util/MLog.h"

namespace {
struct Road {
  const char* name;
  char kind;       // 's' engine setup, 'r' runtime setup, 'c' configuration
  DWORD dwExit;    // of every process started
  int answer;      // to the restart question
  bool bRestarts;  // the restart goes ahead
};
const Road kRoads[] = {
    {"setup 0", 's', 0, 0, false},           {"setup 1603", 's', 1603, 0, false},
    {"setup 1641", 's', 1641, 0, false},     {"setup 3010, yes", 's', 3010, IDYES, false},
    {"setup 3010, no", 's', 3010, IDNO, false}, {"setup 3010, yes, restarting", 's', 3010, IDYES, true},
    {"runtime 3010, yes", 'r', 3010, IDYES, false}, {"configuration", 'c', 0, 0, false},
};

// One run on its own thread after a clean start; the outcome is the page
// result (for the configuration 1 or 0), -1 when the program ended.
long Run(const Road& r, long failAt, const std::string& what, std::function<void()> afterWrite = nullptr) {
  Clean();
  seam::S().failAt = failAt;
  LogStart(Folder());   // the log's own calls fail in turn too
  ReplayProcesses(r.dwExit);
  seam::S().answers = {r.answer};
  seam::S().restartWorks = r.bRestarts;
  seam::S().afterWrite = afterWrite;
  long outcome = -1;
  InThread([&] {
    RunPage page;
    if (r.kind == 's') RunSetup(page, InstallParameters{"ZoMEL", "sa", "vormasi17", false}), outcome = page.nResult;
    if (r.kind == 'r') RunRuntimePage(&outcome);
    if (r.kind == 'c') outcome = Configure("ZoMEL", "zouser", "pw 1", false, nullptr);
  }, what);
  return outcome;
}

struct Snapshot {
  bool bRun;
  std::string run;
  std::map<std::string, std::string> resume;
};
Snapshot Take() {
  Snapshot s{false, "", RegValues(HKEY_LOCAL_MACHINE, kResumeKey)};
  return s.bRun = RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &s.run), s;
}
}  // namespace

void FaultScenarios() {
  for (const Road& r : kRoads) {
    const DWORD t0 = ::GetTickCount();
    const long nNormal = Run(r, 0, r.name);
    const long n = seam::S().calls;
    int nFailed = 0;
    for (long i = 1; i <= n; ++i) {
      const long outcome = Run(r, i, std::string(r.name) + ", call " + std::to_string(i) + " failing");
      const seam::State& s = seam::S();
      const std::string what = std::string(r.name) + ", call " + std::to_string(i) + " (" + seam::Name(s.failedId) + ") failing: ";
      auto check = [&](bool b, const std::string& text) { Check(b || nFailed++ >= 12, what + text); };
      // A failed release leaves its one object; nothing else may stay.
      const bool bRelease = std::string(" RegCloseKey CloseHandle FreeLibrary VariantClear FindClose ")
                                .find(std::string(" ") + seam::Name(s.failedId) + " ") != std::string::npos;
      check(bRelease || LeftOpen() == "0 0 0 0", "keys, handles, libraries, objects left: " + LeftOpen());
      const Snapshot after = Take();
      if (r.kind == 's') check(after.bRun == !after.resume.empty(), "Run entry and resume data not both there or gone");
      // The program as Windows will find it: the short path, or the long one quoted.
      const std::string tail = r.kind == 's' ? " /Config 46362.5" : " /MSI";
      check(!after.bRun || after.run == ResumeEntry(tail.c_str()) + '\0' || after.run == CopyEntry(tail.c_str()) + '\0' ||
                after.run == "\"" + Folder() + "Tarnwick.exe\"" + tail + '\0' || after.run == "\"" + std::string(kLocalCopy) + "\"" + tail + '\0',
            "Run entry \"" + std::string(after.run.c_str()) + "\"");
      const bool bRestartCode = (r.dwExit == 1641 || r.dwExit == 3010) && (App::ExitCode() == 3010 || App::ExitCode() == 1641);
      check(after.bRun || !bRestartCode, "exit code " + std::to_string(App::ExitCode()) + " without a Run entry");
      check(after.bRun || ::GetFileAttributesA(kLocalCopy) == INVALID_FILE_ATTRIBUTES, "a local copy without a Run entry");
      // Only the log writes files: a log that cannot be written changes nothing.
      if (s.failedId == seam::id_CreateFileA || s.failedId == seam::id_SetFilePointer || s.failedId == seam::id_WriteFile)
        check(outcome == nNormal, "a failed log write changed the outcome to " + std::to_string(outcome));
      // A run-time error ends the program with the platform's box; any other
      // exception would be a fault of the program.
      for (const auto& b : s.boxes)
        if (b.caption != kMsgBoxTitle) check(b.text == "Run-time error '7':\r\n\r\nOut of memory", "box " + b.caption + ": " + b.text);
      if (r.kind == 's' && s.failedId == seam::id_GetExitCodeProcess)
        check(outcome == PageResultFailed, "an unreadable setup result passed for " + std::to_string(outcome));
    }
    if (nFailed > 12) Check(false, std::string(r.name) + ": " + std::to_string(nFailed - 12) + " more failures");
    std::printf("  %s: %ld calls failed in turn (%lu ms)\n", r.name, n, (unsigned long)(::GetTickCount() - t0));
  }
}

void PowerLossScenarios() {
  for (const Road& r : kRoads) {
    if (r.dwExit != 1641 && r.dwExit != 3010) continue;
    std::vector<Snapshot> states;
    Run(r, 0, r.name, [&states] { states.push_back(Take()); });
    Check(!states.empty() && states.back().bRun, std::string(r.name) + ": the road writes its Run entry");
    for (size_t i = 0; i < states.size(); ++i) {
      const Snapshot& s = states[i];
      if (!s.bRun) continue;   // no Run entry: a normal start
      Clean();
      for (const auto& v : s.resume) RegPut(HKEY_LOCAL_MACHINE, kResumeKey, v.first, REG_BINARY, v.second);
      const std::string what = std::string(r.name) + ", power lost after write " + std::to_string(i);
      std::string settings;
      const RunMode mode = ParseLine(s.run.c_str(), &settings);
      if (mode == RunModeConfig)
        Eq(what + ": settings", settings, "ZoMEL|sa|vormasi17|False");
      else
        Check(mode == RunModeFull || (mode == RunModeMsi && r.kind == 'r'),
              what + ": boots into mode " + std::to_string(mode) + " from \"" + s.run + "\"");
    }
  }
}
