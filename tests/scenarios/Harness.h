// What the scenarios share: checks, the machine (the prefix's real registry
// and files, reset between cases), processes started for real or replayed,
// and a setup-run page that behaves as the wizard's own.
#pragma once
#include <shlwapi.h>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "install/SetupRun.h"
#include "pages/CPage.h"
#include "tests/scenarios/Seam.h"

// ---- checks: one line per failure, counted
void Check(bool ok, const std::string& what);
void Eq(const std::string& what, const std::string& got, const std::string& want);
inline void Eq(const std::string& what, long long got, long long want) { Eq(what, std::to_string(got), std::to_string(want)); }
std::string Join(const std::vector<std::string>& v, const char* sep = "\n");

// ---- the machine
extern const char* const kRunKey;      // HKLM
extern const char* const kRunValue;
extern const char* const kResumeKey;   // HKLM
extern const char* const kStamp;       // the resume stamp of the seam's clock
extern const char* const kLocalCopy;   // where a /Config entry's program is copied
std::string Folder();                  // the medium: this program's folder, "\" at the end
std::string ShortPath(const std::string& s);   // the platform's own answer

// A machine as before the wizard: no Run entry, resume data, library or
// local copy, an old setup result recorded, a new log; a fresh seam.
void Clean();
// The real registry, not through the seam.
bool RegGet(HKEY root, const std::string& key, const std::string& name, std::string* data);
inline void RegPut(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
  ::SHSetValueA(root, key.c_str(), name.c_str(), type, data.data(), DWORD(data.size()));
}
std::map<std::string, std::string> RegValues(HKEY root, const std::string& key);
std::string Bytes(std::initializer_list<int> b);
// The resume data of ZoMEL|sa|vormasi17|False; the Run entry naming this
// medium's program (short path) with the given switches.
std::string ResumeBytes();
std::string ResumeEntry(const char* tail);
std::string CopyEntry(const char* tail);   // the Run entry naming the local copy (short path)
// The wizard's log since LogStart(Folder()) in Clean, without the times.
std::string LogText();

// Processes are not started; each start is recorded and answered with a
// process that has already ended with dwExit.
void ReplayProcesses(DWORD dwExit);
// The next msiexec stand-in ends with dwExit after telling the library
// dwLibrary, nMs after its start.
void StandInSetup(DWORD dwExit, DWORD dwLibrary, DWORD nMs = 0);
// GetVersionExA reports this platform and version while set (0 0 0: the real one).
void ReportWindows(DWORD dwPlatform, DWORD dwMajor, DWORD dwMinor);
std::string LeftOpen();   // through the seam: "keys handles libraries objects"
void CheckReleased(const std::string& what);

struct RunPage : ISetupRunPage {   // the setup run's page, as the wizard's
  std::string sMessage, enabled;   // the buttons enabled, "4 2 " say
  long nResult = 0;
  bool bClosed = false;
  void SetInstallMessage(const std::string& s) override { sMessage = s; }
  void EnableNavButton(int n) override { enabled += std::to_string(n) + " "; }
  int ShowMessage(const std::string& s, UINT n, bool b) override { return MsgBox(s, n, kMsgBoxTitle, b); }
  long PageResult() override { return nResult; }
  void SetPageResult(long n) override { nResult = n; }
  void ClosePage() override { bClosed = true; }
  [[noreturn]] void EndProgram() override { App::End(); }
  // The bar is not looked at.
  void SetProgressBarVisible(bool) override {}
  int32_t BarCurrentPercentage() override { return 0; }
  int32_t BarMaxPercentage() override { return 100; }
  int32_t BarProgressUnits() override { return 0; }
  void SetBarProgressUnits(int32_t) override {}
  void BarIncrementProgress() override {}
};
// Runs f on a thread of its own, which the program's end (ExitProcess) ends.
// An exception that leaves f meets the program's own last handler (a box,
// then the end). False when the program ended.
bool InThread(const std::function<void()>& f, const std::string& what = "a run");
// One engine setup run; false when it ended the program.
bool RunSetup(RunPage& page, const InstallParameters& p);

// A start with this command line: the run mode, and the settings
// (srv|usr|pwd|True before) as configuration data.
RunMode ParseLine(const std::string& line, std::string* settings);
// One configuration, every process replayed as ended at once; false when it failed.
bool Configure(const char* server, const char* user, const char* password, bool nt, std::vector<std::string>* lines);
// The runtime page's button pressed: the status text ("(closed)" when the
// page closed itself) and the page result.
std::string RunRuntimePage(long* pResult);

// The management objects behind CoCreateInstance (UseDmo): a log line per
// call, and the objects not yet released.
std::vector<std::string>& DmoLog();
int DmoLive();
void UseDmo(), ResetDmo();
void RefuseLogins();                   // every Connect fails, until ResetDmo
std::string Boxes();
int FreeGdiObjects();                  // brushes the system still hands out                   // the message boxes shown, one "text [flags]" a line

// ---- the scenario groups
void SessionScenarios(), SetupRunScenarios(), RuntimeScenarios(), ConfigureScenarios(), StartupScenarios(), SelectionScenarios(),
    PageScenarios(), ControlScenarios(), FaultScenarios(), PowerLossScenarios();
