// The scenario program's entry, its checks and its machine. Started under
// the name msiexec.exe it is the engine setup's stand-in instead.
#include "tests/scenarios/Harness.h"
#include <cstdio>
#include "util/MLog.h"
#include "util/Restart.h"
#include <cstring>

const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValue = "MSDE Instance Installer";
const char* const kResumeKey = "SOFTWARE\\LumeDax";
const char* const kStamp = "46362.5";   // 2026-12-06 12:00:00 as a date serial
const char* const kLocalCopy = "C:\\Program Files\\LumeDax\\Tarnwick.exe";

namespace {
int g_passed = 0, g_failed = 0;

std::string Visible(const std::string& s) {
  std::string out;
  char hex[8];
  for (unsigned char c : s)
    out += c >= 32 && c < 127 ? std::string(1, char(c)) : (std::snprintf(hex, sizeof hex, "\\x%02X", c), hex);
  return out;
}

std::string ModulePath() {
  char buf[MAX_PATH] = {};
  return ::GetModuleFileNameA(nullptr, buf, MAX_PATH), buf;
}

// An ended process per exit code, started once: what a replayed start hands out.
HANDLE Exited(DWORD dwExit) {
  static std::map<DWORD, HANDLE> ended;
  if (HANDLE h = ended[dwExit]) return h;
  STARTUPINFOA si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  std::string cmd = "scenarios /exit " + std::to_string(dwExit);
  if (!::CreateProcessA(ModulePath().c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return nullptr;
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  return ::CloseHandle(pi.hThread), ended[dwExit] = pi.hProcess;
}

void WINAPI Clock(LPSYSTEMTIME st) { *st = SYSTEMTIME{2026, 12, 0, 6, 12, 0, 0, 0}; }
BOOL WINAPI ComputerName(LPSTR buf, LPDWORD size) { return *size >= 5 && ((void)std::strcpy(buf, "HOST"), (*size = 4) != 0); }
UINT WINAPI SystemFolder(LPSTR buf, UINT size) {
  const std::string s = Folder() + "sys";
  return size <= s.size() ? UINT(s.size() + 1) : (std::strcpy(buf, s.c_str()), UINT(s.size()));
}
}  // namespace

void Check(bool ok, const std::string& what) {
  if (!ok) std::printf("FAILED: %s\n", what.c_str());
  ++(ok ? g_passed : g_failed);
}
void Eq(const std::string& what, const std::string& got, const std::string& want) {
  Check(got == want, what + "\n    got:  \"" + Visible(got) + "\"\n    want: \"" + Visible(want) + "\"");
}
std::string Boxes() {
  std::vector<std::string> v;
  for (const auto& b : seam::S().boxes)
    v.push_back((b.caption != kMsgBoxTitle ? b.caption + ": " : "") + b.text + " [" + std::to_string(b.flags) + "]");
  return Join(v);
}
std::string Join(const std::vector<std::string>& v, const char* sep) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) s += (i ? sep : "") + v[i];
  return s;
}

std::string Folder() { const std::string s = ModulePath(); return s.substr(0, s.rfind('\\') + 1); }
std::string ShortPath(const std::string& s) {
  char buf[MAX_PATH] = {};
  DWORD n = ::GetShortPathNameA(s.c_str(), buf, MAX_PATH);
  return n && n < MAX_PATH ? std::string(buf) : s;
}

bool RegGet(HKEY root, const std::string& key, const std::string& name, std::string* data) {
  const auto values = RegValues(root, key);
  const auto it = values.find(name);
  return it != values.end() && (!data || (*data = it->second, true));
}
std::map<std::string, std::string> RegValues(HKEY root, const std::string& key) {
  std::map<std::string, std::string> values;
  HKEY h;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD cch = sizeof name, cb = 4096;
    std::string data(cb, '\0');
    if (::RegEnumValueA(h, i, name, &cch, nullptr, nullptr, (BYTE*)&data[0], &cb) != ERROR_SUCCESS) break;
    values[name] = data.substr(0, cb);
  }
  ::RegCloseKey(h);
  return values;
}
std::string Bytes(std::initializer_list<int> b) { return std::string(b.begin(), b.end()); }

void Clean() {
  ::SHDeleteValueA(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
  ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  ::DeleteFileA(kLocalCopy);
  for (const auto& v : RegValues(HKEY_LOCAL_MACHINE, kResumeKey)) ::SHDeleteValueA(HKEY_LOCAL_MACHINE, kResumeKey, v.first.c_str());
  RegPut(HKEY_CURRENT_USER, "Software\\LumeDax\\qxMSI_ERR", "SetupError", REG_DWORD, Bytes({0x73, 0xC3, 0, 0}));   // 50035 of a run before
  char temp[MAX_PATH] = {};
  ::DeleteFileA((std::string(temp, ::GetTempPathA(MAX_PATH, temp)) + "qxMSI_ERR.dll").c_str());
  seam::Reset();
  RequestRestart();   // refused, as the seam refuses by default: no earlier request stands
  ::DeleteFileA((Folder() + "msde_wizard.log").c_str());
  LogStart(Folder());
  seam::Reset();
  App::SetExitCode(0);
  ResetDmo();
}

std::string LogText() {
  std::string text;
  if (FILE* f = std::fopen((Folder() + "msde_wizard.log").c_str(), "rb")) {
    for (char buf[1024]; std::fgets(buf, sizeof buf, f);) text += std::string(buf).substr(20);
    std::fclose(f);
  }
  return text;
}

void ReplayProcesses(DWORD dwExit) {
  seam::S().fakeStart = [dwExit](LPPROCESS_INFORMATION pi) -> BOOL {
    HANDLE h = Exited(dwExit), self = ::GetCurrentProcess();
    if (!h || !::DuplicateHandle(self, h, self, &pi->hProcess, 0, FALSE, DUPLICATE_SAME_ACCESS) ||
        !::DuplicateHandle(self, h, self, &pi->hThread, 0, FALSE, DUPLICATE_SAME_ACCESS))
      return FALSE;
    pi->dwProcessId = pi->dwThreadId = 0;
    return TRUE;
  };
}

void StandInSetup(DWORD dwExit, DWORD dwLibrary, DWORD nMs) {
  FILE* f = std::fopen((Folder() + "sys\\result.txt").c_str(), "w");
  if (f) std::fprintf(f, "%lu %lu %lu\n", (unsigned long)dwExit, (unsigned long)dwLibrary, (unsigned long)nMs), std::fclose(f);
}

namespace {
OSVERSIONINFOA g_windows;
BOOL WINAPI Windows(LPOSVERSIONINFOA v) {
  v->dwPlatformId = g_windows.dwPlatformId;
  v->dwMajorVersion = g_windows.dwMajorVersion;
  v->dwMinorVersion = g_windows.dwMinorVersion;
  return TRUE;
}
}  // namespace

void ReportWindows(DWORD dwPlatform, DWORD dwMajor, DWORD dwMinor) {
  g_windows.dwPlatformId = dwPlatform;
  g_windows.dwMajorVersion = dwMajor;
  g_windows.dwMinorVersion = dwMinor;
  seam::hook::GetVersionExA = dwPlatform || dwMajor || dwMinor ? Windows : nullptr;
}

std::string LeftOpen() {
  const seam::State& s = seam::S();
  return std::to_string(s.keys.size()) + " " + std::to_string(s.handles.size()) + " " + std::to_string(s.libraries) +
         " " + std::to_string(DmoLive());
}
void CheckReleased(const std::string& what) { Eq(what + ": keys, handles, libraries, objects left", LeftOpen(), "0 0 0 0"); }

static DWORD WINAPI ThreadMain(LPVOID p) {
  try {
    (*static_cast<const std::function<void()>*>(p))();
  } catch (...) {
    UnhandledException();   // as the program's handlers: its box, then the end
  }
  return 0;
}

bool InThread(const std::function<void()>& f, const std::string& what) {
  HANDLE h = ::CreateThread(nullptr, 0, ThreadMain, const_cast<std::function<void()>*>(&f), 0, nullptr);
  if (!h) return Check(false, what + ": no thread"), false;
  if (::WaitForSingleObject(h, 20000) != WAIT_OBJECT_0) Check(false, what + ": does not end");
  ::CloseHandle(h);
  return !seam::S().ended;
}

bool RunSetup(RunPage& page, const InstallParameters& p) {
  return InThread([&] { RunEngineSetup(page, p, App::Path()); });
}

int main(int argc, char** argv) {
  const std::string self = ModulePath();
  if (self.size() >= 11 && !_stricmp(self.c_str() + self.size() - 11, "msiexec.exe")) {
    // The engine setup's stand-in: result.txt beside it holds "<exit> <library code>".
    unsigned long dwExit = 1603, dwLibrary = 0, nMs = 0;
    std::string sys = Folder();
    if (FILE* f = std::fopen((sys + "result.txt").c_str(), "r")) {
      if (std::fscanf(f, "%lu %lu %lu", &dwExit, &dwLibrary, &nMs) != 3) dwExit = 1603;
      std::fclose(f);
    }
    ::Sleep(nMs);
    // The setup's custom action tells the library (beside the medium) the code.
    typedef LONG(WINAPI * Callback)(DWORD, LPCSTR);
    HMODULE h = dwLibrary ? ::LoadLibraryA((sys + "..\\qxMSI_ERR.dll").c_str()) : nullptr;
    if (Callback f = h ? reinterpret_cast<Callback>(::GetProcAddress(h, "MSICBK")) : nullptr) f(dwLibrary, nullptr), f(1603, nullptr);   // the cause, then the roll-back's code
    return int(dwExit);
  }
  if (argc == 3 && !std::strcmp(argv[1], "/exit")) return std::atoi(argv[2]);

  std::setvbuf(stdout, nullptr, _IONBF, 0);
  ::CreateDirectoryA((Folder() + "sys").c_str(), nullptr);
  char sys[MAX_PATH] = {};   // the system folder the wizard is shown: the msiexec stand-in, the real msi.dll
  ::GetSystemDirectoryA(sys, MAX_PATH);
  if (!::CopyFileA(self.c_str(), (Folder() + "sys\\msiexec.exe").c_str(), FALSE) ||
      !::CopyFileA((std::string(sys) + "\\msi.dll").c_str(), (Folder() + "sys\\msi.dll").c_str(), FALSE))
    Check(false, "cannot lay out the system folder");
  seam::hook::GetLocalTime = Clock;
  seam::hook::GetComputerNameA = ComputerName;
  seam::hook::GetSystemDirectoryA = SystemFolder;
  UseDmo();

  const struct {
    const char* name;
    void (*run)();
  } groups[] = {
      {"startup", StartupScenarios},   {"selection", SelectionScenarios}, {"setup run", SetupRunScenarios},
      {"runtime", RuntimeScenarios},   {"configure", ConfigureScenarios}, {"pages", PageScenarios},
      {"controls", ControlScenarios},  {"session", SessionScenarios},   {"faults", FaultScenarios},
      {"power loss", PowerLossScenarios},
  };
  for (const auto& g : groups) {
    if (argc == 2 && std::strcmp(argv[1], g.name)) continue;
    const int before = g_failed;
    const DWORD t0 = ::GetTickCount();
    try {
      Clean();
      g.run();
    } catch (...) {
      Check(false, std::string(g.name) + ": an exception escaped the scenario");
    }
    std::printf("%-10s %s (%lu ms)\n", g.name, g_failed == before ? "ok" : "FAILED",
                (unsigned long)(::GetTickCount() - t0));
  }
  Clean();
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed ? 1 : 0;
}
