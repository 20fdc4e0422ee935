// Every operating-system call of three long runs, made to fail one at a time:
// the engine setup run, the runtime setup page and the server configuration.
// Whatever fails, the run must end in one of its defined states, release
// what it took, leave no temporary copy behind, show only its own texts, and
// leave the Run entry and the resume data both written or both absent.
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "configure/MConfigure.h"
#include "install/SetupRun.h"
#include "pages/CPage.h"
#include "pages/frmInstallMSI.h"
#include "tests/check.h"
#include "tests/unit/fake_dispatch.h"
#include "tests/unit/recording_page.h"
#include "tests/sim/Sim.h"
#include "tests/sim/SimOs.h"

namespace {

const char kTempCopy[] = "C:\\TEMP\\qxMSI_ERR.dll";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "MSDE Instance Installer";
const char kResumeKey[] = "SOFTWARE\\LumeDax";
const char kTitle[] = "Custom Database Configuration";

unsigned g_nFault = 0;

// Runs the scenario clean to count its calls N, then N times with call k
// failing; `check` judges each run (k = 0 is the clean one).
void ForEachFault(const char* sName, const std::function<void()>& arrange, const std::function<void()>& run,
                  const std::function<void()>& check) {
  unsigned n = 0;
  for (g_nFault = 0; g_nFault <= n; ++g_nFault) {
    arrange();
    sim::FailCall(g_nFault);
    run();
    if (g_nFault == 0) n = sim::CallCount();
    check();
  }
  CHECK(n > 20);
  std::printf("  %s: %u injected faults\n", sName, n);
}

// "call 12 (RegSetValueExA)": names the faulty run in a failed check.
std::string Fault() {
  const std::string s = sim::FailedCallName();
  return s.empty() ? "no fault" : "call " + std::to_string(g_nFault) + " (" + s + ")";
}

#define CHECK_IN(fault, cond) \
  do { if (!(cond)) check::Fail(__FILE__, __LINE__, (fault) + ": " #cond); } while (0)

// The resume data's stamps, and the Run entry (empty when absent).
std::vector<std::string> ResumeStamps() {
  std::vector<std::string> v;
  for (const char* s : {"46362.5", "46362.5000115741", "46362.5000231481", "46362.5000347222"})
    if (sim::RegGet(HKEY_LOCAL_MACHINE, kResumeKey, s, nullptr, nullptr)) v.push_back(s);
  return v;
}
std::string RunEntry() { return sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue); }

// A text the program defines: one of `exact`, or `prefix` + a run-time
// error's description + " " + its number.
bool DefinedText(const std::string& s, const std::set<std::string>& exact, const std::string& prefix) {
  if (exact.count(s)) return true;
  if (prefix.empty() || s.compare(0, prefix.size(), prefix) != 0) return false;
  static const char* const kErrors[] = {"Out of memory 7", "Type mismatch 13", "Object required 424",
                                        "ActiveX component can't create object 429",
                                        "Invalid procedure call or argument 5", "Login failed 18456"};
  for (const char* e : kErrors)
    if (s == prefix + e) return true;
  return false;
}

// ---- (a) the engine setup run, through a page that records

LONG g_recorded = 0;
LONG WINAPI FakeInitialize() { return g_recorded = 0; }
LONG WINAPI FakeRetrieve() { return g_recorded; }


const std::set<std::string> kSetupTexts = {
    "Unable to obtain available SQL MSI instance file.", "The MSDE setup failed.",
    "The system must be rebooted before the ORV Database installer can continue with the configuration of the "
    "MSDE install.\r\n\r\nChoose \"Yes\" to reboot the system now or \"No\" to reboot later.",
    "To automatically configure the database server, you must re-start the system with the ORV Database "
    "installer CD in the CD-ROM drive.  If the ORV Database installer application is not available when the "
    "system re-starts, you will need to run the ORV Database installer application using the \"/Config\" "
    "command line switch to configure the database server.  For more information on the \"/Config\" switch, "
    "see the ORV documentation.\r\n\r\nClick \"OK\" to exit this application."};

void CheckSetupRun(DWORD dwExit, int nAnswer) {
  const InstallParameters params{"SALES", "zouser", "pw 1", false};
  auto arrange = [dwExit] {
    sim::Reset();
    sim::AddLibrary("qxMSI_ERR.dll", {{"InitializeMSILib", reinterpret_cast<FARPROC>(&FakeInitialize)},
                                      {"RetreiveMSIExitCode", reinterpret_cast<FARPROC>(&FakeRetrieve)}});
    sim::ProcessScript s;
    s.dwExitCode = dwExit;
    s.dwRunMs = 1500;
    sim::ScriptProcess("msiexec.exe", s);
  };
  const std::string sName = "setup run, exit " + std::to_string(dwExit) + (nAnswer == IDNO ? ", No" : "");
  RecordingPage page;
  auto run = [&] {
    page = RecordingPage();
    page.answers = {nAnswer};
    try {
      RunEngineSetup(page, params, "C:\\SETUP");
    } catch (const Ended&) {
    }
  };
  ForEachFault(sName.c_str(), arrange, run, [&] {
    const std::string f = Fault();
    const bool bFailed = page.nResult == PageResultFailed && !page.bClosed &&
                         page.sMessage.compare(0, 13, "Errors occurr") == 0 && page.enabled == std::vector<int>{4, 2};
    const bool bSucceeded = page.nResult == 0 && !page.bClosed && page.enabled == std::vector<int>{1} &&
                            page.sMessage.compare(0, 20, "The SQL Server deskt") == 0;
    const bool bRestart = (page.nResult == PageResultCancel && page.bClosed) || page.bEnded;
    CHECK_IN(f, bFailed || bSucceeded || bRestart);
    CHECK_IN(f, bRestart || (RunEntry().empty() && ResumeStamps().empty()));
    for (const Message& b : page.boxes) CHECK_IN(f, kSetupTexts.count(b.sText) == 1);
    CHECK_IN(f, sim::OpenHandles() == 0 && sim::OpenKeys() == 0 && sim::LoadedLibraries() == 0);
    CHECK_IN(f, !sim::FileExists(kTempCopy) || sim::FailedCallName() == "DeleteFileA");
    // Both resume entries or neither; when both, the next start finds the
    // settings the run had.
    const std::vector<std::string> stamps = ResumeStamps();
    CHECK_IN(f, stamps.size() <= 1 && RunEntry().empty() == stamps.empty());
    if (stamps.size() == 1 && !RunEntry().empty()) {
      CHECK_IN(f, RunEntry() == "C:\\SETUP\\Tarnwick.exe /Config " + stamps[0]);
      sim::FailCall(0);
      sim::SetCommandLine("/Config " + stamps[0]);
      InstallParameters p;
      CHECK_IN(f, ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication) == RunModeConfig);
      CHECK_IN(f, ConfigurationData(p) == ConfigurationData(params));
    }
  });
}

// ---- (b) the runtime setup page, driven by a user who presses every button

const std::string kRunAgain =
    "\r\n\r\nPlease run the ORV Database Install application again after rebooting your system.";
const std::set<std::string> kRuntimeTexts = {
    "The MSI installation failed." + kRunAgain,
    "The install cannot be completed until the system is rebooted." + kRunAgain,
    "The Microsoft Installer application was installed successfully.\r\nThe system must be rebooted before the "
    "changes will take effect.\r\n\r\nWould you like to reboot your system now?",
    "Windows could not be restarted automatically.\r\n\r\nPlease restart your system now; the ORV Database "
    "Install application will continue after the restart.",
    "This action will cancel any remaining operations.\r\n\r\nAre you sure you wish to cancel ?",
};

void CheckRuntimePage(DWORD dwExit, int nAnswer) {
  auto arrange = [dwExit, nAnswer] {
    sim::Reset();
    sim::AddFile("C:\\SETUP\\MSI\\INSTMSIW.EXE");
    sim::ProcessScript s;
    s.dwExitCode = dwExit;
    s.dwRunMs = 1200;
    sim::ScriptProcess("INSTMSI", s);
    // The restart question gets nAnswer; Yes confirms a Cancel.
    sim::SetMessageBoxHandler([nAnswer](const sim::MessageBoxRecord& b) {
      return !(b.uType & MB_YESNO) ? IDOK : b.sText.find("reboot your system now") != std::string::npos ? nAnswer : IDYES;
    });
  };
  const std::string sName = "runtime page, exit " + std::to_string(dwExit) + (nAnswer == IDNO ? ", No" : "");
  long nResult = -1;
  bool bEnded = false;
  auto run = [&] {
    nResult = -1;
    bEnded = false;
    frmInstallMSI page;
    bool bClicked = false;
    int nIdle = 0;
    // The user's own input is not the program's: it goes to the simulation
    // directly, uncounted. Where nothing happens for a while (a control or
    // a timer that could not be made), the user cancels.
    sim::SetUser([&]() {
      ++nIdle;
      if (!bClicked && page.cmdInstallMSI.hWnd()) {
        bClicked = true;
        simos::PostMessageA(page.cmdInstallMSI.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        simos::PostMessageA(page.cmdInstallMSI.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      } else if (page.Enabled(NavId(1)) || page.Enabled(NavId(8))) {
        sim::Click(page.Control(NavId(page.Enabled(NavId(1)) ? 1 : 8)));
      } else if (nIdle > 100 && page.Enabled(NavId(4))) {
        sim::Click(page.Control(NavId(4)));
      } else if (nIdle > 400) {
        return false;   // no way out left: the page waits for ever
      } else {
        sim::Advance(100);
      }
      return true;
    });
    IPicture* pic = nullptr;
    WindowRect rc;
    try {
      nResult = page.DisplayDialog(pic, &rc);
    } catch (const sim::ProcessExit&) {
      bEnded = true;
    } catch (const RuntimeError&) {
      bEnded = true;   // outside a window procedure: Main reports it and ends the program
    } catch (const std::exception& e) {
      CHECK_IN(Fault(), !e.what());   // a hang or an unanswered question
    }
    if (pic) pic->Release();
  };
  ForEachFault(sName.c_str(), arrange, run, [&] {
    const std::string f = Fault();
    CHECK_IN(f, bEnded || nResult == PageResultNext || nResult == PageResultCancel);
    for (const auto& b : sim::MessageBoxes()) {
      const bool bRunTimeError = b.sCaption == App::Title() && b.sText.compare(0, 15, "Run-time error ") == 0;
      CHECK_IN(f, bRunTimeError || (b.sCaption == kTitle &&
                                    DefinedText(b.sText, kRuntimeTexts,
                                                "The following error occured during the MSI install: ")));
    }
    CHECK_IN(f, sim::OpenHandles() == 0 && sim::OpenKeys() == 0 && sim::LoadedLibraries() == 0);
    CHECK_IN(f, sim::GdiObjects() == 0 && sim::DCs() == 0 && sim::LivePictures() == 0 && sim::ActiveTimers() == 0);
    CHECK_IN(f, sim::TopLevelWindows().empty());
    // Only the restart the user agreed to leaves a Run entry, and no data.
    const std::string sEntry = RunEntry();
    CHECK_IN(f, sEntry.empty() || sEntry == "C:\\SETUP\\Tarnwick.exe /MSI");
    CHECK_IN(f, sEntry.empty() || (nAnswer == IDYES && dwExit == 3010));
    CHECK_IN(f, ResumeStamps().empty());
  });
}

// ---- (c) the server configuration, against management objects on COM

// One fake management object of each kind, sharing the server's state.
struct Server {
  std::map<std::string, std::string> logins{{"sa", ""}};   // login -> password
  std::set<std::string> sysadmins;
  int nLive = 0;
};
Server g_server;

std::string Narrow(const WCHAR* w) {
  std::string s;
  for (; w && *w; ++w) s += char(*w);
  return s;
}

struct Dmo : FakeDispatch {
  enum Kind { ServerObj, Logins, Login, Roles, Role } kind;
  bool bSecure = false;
  std::string sName, sPassword;   // Login: its name; a new login: its password until added
  explicit Dmo(Kind k, const std::string& s = "") : kind(k), sName(s) { ++g_server.nLive; }
  virtual ~Dmo() { --g_server.nLive; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = this;
    AddRef();
    return S_OK;
  }
  static const std::vector<std::string>& Members() {
    static const std::vector<std::string> m = {"Connect", "DisConnect", "Logins", "ServerRoles", "Item",
                                               "SetPassword", "Add", "AddMember", "LoginSecure", "Name", "Type"};
    return m;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    for (size_t i = 0; i < Members().size(); ++i)
      if (Narrow(names[0]) == Members()[i]) return ids[0] = DISPID(i), S_OK;
    return DISP_E_UNKNOWNNAME;
  }
  static std::string Text(const DISPPARAMS* dp, UINT i) {   // i-th argument in call order
    return i < dp->cArgs && V_VT(&dp->rgvarg[dp->cArgs - 1 - i]) == VT_BSTR ? Narrow(V_BSTR(&dp->rgvarg[dp->cArgs - 1 - i]))
                                                                          : "?";
  }
  static HRESULT Refuse(EXCEPINFO* ex) {
    ex->scode = MAKE_HRESULT(1, FACILITY_CONTROL, 18456);
    std::vector<WCHAR> w;
    for (char c : std::string("Login failed")) w.push_back(WCHAR(c));
    w.push_back(0);
    ex->bstrDescription = api::SysAllocString(w.data());
    return DISP_E_EXCEPTION;
  }
  HRESULT Result(VARIANT* r, Dmo* o) {
    V_VT(r) = VT_DISPATCH;
    V_DISPATCH(r) = o;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT* r, EXCEPINFO* ex,
                                   UINT*) override {
    Server& s = g_server;
    const std::string m = Members()[size_t(id)];
    if (m == "LoginSecure") bSecure = true;
    if (m == "Name") sName = Text(dp, 0);
    if (m == "Connect") {
      auto it = s.logins.find(Text(dp, 1));
      if (Text(dp, 0) != "HOST\\SALES" || (!bSecure && (it == s.logins.end() || it->second != Text(dp, 2))))
        return Refuse(ex);
    }
    if (m == "Logins") return Result(r, new Dmo(Logins));
    if (m == "ServerRoles") return Result(r, new Dmo(Roles));
    if (m == "Item") {
      if (kind == Logins && !s.logins.count(Text(dp, 0))) return Refuse(ex);
      return Result(r, new Dmo(kind == Logins ? Login : Role, Text(dp, 0)));
    }
    if (m == "SetPassword") {
      auto it = s.logins.find(sName);
      if (it == s.logins.end()) sPassword = Text(dp, 1);   // a new login, not yet added
      else if (it->second == Text(dp, 0)) it->second = Text(dp, 1);
      else return Refuse(ex);
    }
    if (m == "Add") {
      Dmo* o = static_cast<Dmo*>(V_DISPATCH(&dp->rgvarg[0]));
      s.logins[o->sName] = o->sPassword;
    }
    if (m == "AddMember") {
      if (sName != "sysadmin" || !s.logins.count(Text(dp, 0))) return Refuse(ex);
      s.sysadmins.insert(Text(dp, 0));
    }
    return S_OK;
  }
};

void CheckConfiguration(bool bNT) {
  const GUID kServerClass = {0x10020200, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
  const GUID kLoginClass = {0x10021300, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
  auto arrange = [&] {
    sim::Reset();
    g_server = Server();
    sim::RegisterClassObject(kServerClass, [](REFIID, void** ppv) { return *ppv = new Dmo(Dmo::ServerObj), S_OK; });
    sim::RegisterClassObject(kLoginClass, [](REFIID, void** ppv) { return *ppv = new Dmo(Dmo::Login), S_OK; });
    sim::AddFile(std::string(kSqlToolsFolder) + "sqlmangr.exe");
    sim::ProcessScript mgr;
    mgr.dwRunMs = 600000;
    mgr.dwIdleMs = 1200;
    mgr.OnStart = [](DWORD pid) {
      HWND h = sim::AddWindow("SQLManagerApplicationClass", "SQL Server Service Manager", pid);
      sim::AddWindow("Button", "&Auto-start service when OS starts", pid, h);
    };
    sim::ScriptProcess("sqlmangr.exe", mgr);
    sim::ProcessScript net;
    net.dwRunMs = 1700;
    sim::ScriptProcess("net start", net);
  };
  const std::map<std::string, std::string> kDone =
      bNT ? std::map<std::string, std::string>{{"sa", "ruzal"}} : std::map<std::string, std::string>{{"sa", "ruzal"}, {"zouser", "pw 1"}};
  bool bResult = false;
  auto run = [&] { bResult = ConfigureServer("SALES", "zouser", "pw 1", bNT, nullptr); };
  ForEachFault(bNT ? "configuration, NT authentication" : "configuration, SQL authentication", arrange, run, [&] {
    const std::string f = Fault();
    const Server& s = g_server;
    const auto& boxes = sim::MessageBoxes();
    // Done, given up with the error shown, or no service start at all; a
    // step that ran did what it was asked, never something else.
    CHECK_IN(f, !bResult || (s.logins == kDone && s.sysadmins.size() == (bNT ? 0u : 1u) && boxes.empty()));
    CHECK_IN(f, boxes.size() <= 1);
    for (const auto& b : boxes)
      CHECK_IN(f, b.sCaption == kTitle &&
                      DefinedText(b.sText, {}, "The following error occured during database configuration: "));
    for (const auto& l : s.logins)
      CHECK_IN(f, (l.first == "sa" && l.second.empty()) || (kDone.count(l.first) && kDone.at(l.first) == l.second));
    CHECK_IN(f, s.sysadmins.empty() || s.sysadmins == std::set<std::string>{"zouser"});
    CHECK_IN(f, s.nLive == 0 && sim::OpenHandles() == 0 && sim::LoadedLibraries() == 0 && sim::ComInitialized() <= 1);
  });
}

}  // namespace

TEST(fault_in_any_call_of_the_engine_setup_run) {
  CheckSetupRun(0, IDYES);
  CheckSetupRun(1641, IDYES);
  CheckSetupRun(3010, IDYES);
  CheckSetupRun(3010, IDNO);
}

TEST(fault_in_any_call_of_the_runtime_setup_page) {
  CheckRuntimePage(0, IDYES);
  CheckRuntimePage(3010, IDYES);
  CheckRuntimePage(3010, IDNO);
}

TEST(fault_in_any_call_of_the_server_configuration) {
  CheckConfiguration(false);
  CheckConfiguration(true);
}
