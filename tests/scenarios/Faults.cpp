// Every operating-system call of the engine setup run, the runtime setup and
// the configuration failing in turn; and every state a power loss can leave
// on the restart roads, booted again from its Run entry.
#include <cstdio>
#include <cstring>
#include <functional>
#include "tests/scenarios/Harness.h"

namespace {
const char kSaved[] = "ZoMEL|sa|vormasi17|False";

struct Road {
  const char* name;
  std::function<void()> arrange;   // after Clean()
  std::function<long()> run;       // the outcome: a page result
  bool bSetup;                     // an engine setup run, with its resume data
};

long Setup() {
  RunPage page;
  RunSetup(page, Settings("ZoMEL", "sa", "vormasi17", false));
  return page.nResult;
}

const Road kRoads[] = {
    {"setup 0", [] { ReplayProcesses(0); }, Setup, true},
    {"setup 1603", [] { ReplayProcesses(1603); }, Setup, true},
    {"setup 1641", [] { ReplayProcesses(1641); }, Setup, true},
    {"setup 3010, yes", [] { ReplayProcesses(3010), seam::S().answers = {IDYES}; }, Setup, true},
    {"setup 3010, yes, restarting", [] { ReplayProcesses(3010), seam::S().answers = {IDYES}, seam::S().restartWorks = true; },
     Setup, true},
    {"setup 3010, no", [] { ReplayProcesses(3010), seam::S().answers = {IDNO}; }, Setup, true},
    {"runtime 3010, yes", [] { ReplayProcesses(3010), seam::S().answers = {IDYES}; },
     [] {
       long n = 0;
       RunRuntimePage(&n);
       return n;
     },
     false},
    {"configuration", [] {},
     [] { return Configure("ZoMEL", "zouser", "pw 1", false, nullptr) ? 1L : 0L; }, false},
};

// One run on its own thread; the outcome is -1 when the program ended.
void Run(const Road& r, long* outcome, const std::string& what) {
  *outcome = -1;
  InThread([&] { *outcome = r.run(); }, what);
}

struct Snapshot {
  bool bRun;
  std::string run;
  std::map<std::string, std::string> resume;
};
Snapshot Take() {
  Snapshot s;
  s.bRun = RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &s.run);
  s.resume = RegValues(HKEY_LOCAL_MACHINE, kResumeKey);
  return s;
}
}  // namespace

void FaultScenarios() {
  for (const Road& r : kRoads) {
    Clean();
    r.arrange();
    long outcome = 0;
    Run(r, &outcome, r.name);
    const long n = seam::S().calls;
    int nFailed = 0;
    for (long i = 1; i <= n; ++i) {
      const DWORD t0 = ::GetTickCount();
      Clean();
      r.arrange();
      seam::S().failAt = i;
      Run(r, &outcome, std::string(r.name) + ", call " + std::to_string(i) + " failing");
      const std::string what = std::string(r.name) + ", call " + std::to_string(i) + " (" +
                               seam::Name(seam::S().failedId) + ") failing";
      const int before = nFailed;
      auto check = [&](bool b, const std::string& s) {
        if (!b && nFailed++ < 12) Check(false, what + ": " + s);
      };
      const seam::State& s = seam::S();
      // A failed release leaves its one object; nothing else may stay.
      const bool bRelease = s.failedId == seam::id_RegCloseKey || s.failedId == seam::id_CloseHandle ||
                            s.failedId == seam::id_FreeLibrary || s.failedId == seam::id_VariantClear;
      check(bRelease || (s.keys.empty() && s.handles.empty() && s.libraries == 0 && DmoLive() == 0),
            "left open: " + std::to_string(s.keys.size()) + " key(s), " + std::to_string(s.handles.size()) +
                " handle(s), " + std::to_string(s.libraries) + " librar(ies), " + std::to_string(DmoLive()) +
                " object(s)");
      const Snapshot after = Take();
      if (r.bSetup)
        check(after.bRun == !after.resume.empty(), "Run entry and resume data not both written or both absent");
      // The program as Windows will find it: the short path, or the long one quoted.
      const std::string tail = r.bSetup ? " /Config 46362.5" : " /MSI";
      check(!after.bRun || after.run == ResumeEntry(tail.c_str()) + '\0' ||
                after.run == "\"" + Folder() + "Tarnwick.exe\"" + tail + '\0',
            "Run entry \"" + after.run + "\"");
      if (r.bSetup && s.failedId == seam::id_GetExitCodeProcess)
        check(outcome == PageResultFailed, "an unreadable setup result passed for " + std::to_string(outcome));
      if (nFailed == before) Check(true, what);
      if (::GetTickCount() - t0 > 300) std::printf("  slow: %s, %lu ms\n", what.c_str(), (unsigned long)(::GetTickCount() - t0));
    }
    if (nFailed > 12) Check(false, std::string(r.name) + ": " + std::to_string(nFailed - 12) + " more failures");
    std::printf("  %s: %ld calls failed in turn\n", r.name, n);
  }
}

void PowerLossScenarios() {
  for (size_t k = 0; k < sizeof kRoads / sizeof kRoads[0]; ++k) {
    const Road& r = kRoads[k];
    if (!std::strstr(r.name, "3010") && !std::strstr(r.name, "1641")) continue;
    Clean();
    r.arrange();
    std::vector<Snapshot> states{Take()};
    seam::S().afterWrite = [&states] { states.push_back(Take()); };
    long outcome;
    Run(r, &outcome, r.name);
    seam::S().afterWrite = nullptr;
    Check(states.back().bRun, std::string(r.name) + ": the road writes its Run entry");
    for (size_t i = 0; i < states.size(); ++i) {
      const Snapshot& s = states[i];
      Clean();
      for (const auto& v : s.resume) RegPut(HKEY_LOCAL_MACHINE, kResumeKey, v.first, REG_BINARY, v.second);
      const std::string what = std::string(r.name) + ", power lost after write " + std::to_string(i);
      if (!s.bRun) {
        Check(true, what + ": normal start");
        continue;
      }
      std::string settings;
      const RunMode mode = ParseLine(s.run.c_str(), &settings);
      if (mode == RunModeConfig)
        Eq(what + ": settings", settings, kSaved);
      else
        Check(mode == RunModeFull || (mode == RunModeMsi && !r.bSetup),
              what + ": boots into mode " + std::to_string(mode) + " from \"" + s.run + "\"");
    }
  }
}
