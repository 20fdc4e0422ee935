// Main's order of pages with scripted pages: every run mode, every page
// result of the state table, the defaults, the runtime test, the proxy.
#include <cmath>
#include <deque>
#include "startup/MMain.h"
#include "startup/WizardSequence.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {

// The Windows Installer runtime the machine reports.
DWORD g_MsiMajor = 3, g_MsiMinor = 1, g_MsiBuild = 4000;
HRESULT CALLBACK FakeDllGetVersion(DWORD* info) {
  info[1] = g_MsiMajor;
  info[2] = g_MsiMinor;
  info[3] = g_MsiBuild;
  return 0;
}
void MsiIsNew(bool b) {
  g_MsiMajor = b ? 3 : 1;
  g_MsiMinor = b ? 1 : 0;
  g_MsiBuild = b ? 4000 : 1000;
}

struct Call {
  std::string sPage;
  std::string sArgs;   // server|user|password|nt for the pages that take them
  WindowRect rect;
  bool bPictureGiven;
};

struct ScriptedPages : WizardPages {
  std::vector<Call> calls;
  std::map<std::string, std::deque<long>> results;   // next results per page; default below
  std::map<std::string, long> fallback = {{"Welcome", 1},       {"InstallMSI", 1},    {"GetServerInfo", 0},
                                          {"ReadyToInstall", 1}, {"InstallMSDE", 1}, {"ConfigureMSDE", 8}};
  std::function<void(const std::string&)> onPage;
  IPicture* picture = nullptr;     // what a picture-creating page would make
  bool bProxyOwned = true;

  long Next(const std::string& page, IPicture*& o, WindowRect* r, const std::string& args = "") {
    calls.push_back({page, args, *r, o != nullptr});
    if (!TaskbarProxy() || !api::IsWindow(TaskbarProxy())) bProxyOwned = false;
    if ((page == "Welcome" || page == "ConfigureMSDE") && !o) o = picture;
    r->Left += 1;   // the user moved the page a little
    r->Right = r->Left + 504;
    if (onPage) onPage(page);
    auto& q = results[page];
    if (q.empty()) return fallback[page];
    long n = q.front();
    q.pop_front();
    return n;
  }
  static std::string Args(const std::string& a, const std::string& b, const std::string& c, bool d) {
    return a + "|" + b + "|" + c + "|" + (d ? "True" : "False");
  }
  long Welcome(IPicture*& o, WindowRect* r) override { return Next("Welcome", o, r); }
  long InstallMSI(IPicture*& o, WindowRect* r) override { return Next("InstallMSI", o, r); }
  long GetServerInfo(IPicture*& o, WindowRect* r, std::string& a, std::string& b, std::string& c, bool& d) override {
    long n = Next("GetServerInfo", o, r, Args(a, b, c, d));
    // The real page changes nothing; a changed value here would show.
    a += "?";
    a.pop_back();
    return n;
  }
  long ReadyToInstall(IPicture*& o, WindowRect* r) override { return Next("ReadyToInstall", o, r); }
  long InstallMSDE(IPicture*& o, WindowRect* r, std::string a, std::string b, std::string c, bool d) override {
    return Next("InstallMSDE", o, r, Args(a, b, c, d));
  }
  long ConfigureMSDE(IPicture*& o, WindowRect* r, std::string a, std::string b, std::string c, bool d) override {
    return Next("ConfigureMSDE", o, r, Args(a, b, c, d));
  }
  std::vector<std::string> Pages() const {
    std::vector<std::string> v;
    for (auto& c : calls) v.push_back(c.sPage);
    return v;
  }
};

void Machine(const std::string& sCommandLine, bool bMsiNew = true) {
  sim::Reset();
  sim::SetCommandLine(sCommandLine);
  MsiIsNew(bMsiNew);
  sim::AddLibrary("msi.dll", {{"DllGetVersion", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeDllGetVersion))}});
}

typedef std::vector<std::string> Pages;

// The resume data that a restart with "/Config" reads.
void StoreResume(const std::string& sStamp, const std::string& sData) { SaveResumeData(sStamp, sData); }

}  // namespace

TEST(FullRunShowsEveryPageInOrder) {
  Machine("");
  ScriptedPages p;
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}));
  // Defaults after the welcome page, handed to the later pages.
  CHECK_EQ(p.calls[1].sArgs, std::string("ZoMEL|sa|vormasi17|False"));
  CHECK_EQ(p.calls[3].sArgs, std::string("ZoMEL|sa|vormasi17|False"));
  CHECK_EQ(p.calls[4].sArgs, std::string("ZoMEL|sa|vormasi17|False"));
  CHECK(p.bProxyOwned);
}

TEST(FirstPositionAndRectangleHandedOn) {
  Machine("");
  ScriptedPages p;
  RunWizard(p);
  // 1024 x 768 at 15 twips per pixel: 512 - 220.5 = 291.5 goes to 292;
  // 307.2 - 152.5 = 154.7 goes to 155.
  CHECK_EQ(p.calls[0].rect.Left, 292);
  CHECK_EQ(p.calls[0].rect.Top, 155);
  CHECK_EQ(p.calls[0].rect.Right, 0);
  CHECK_EQ(p.calls[0].rect.Bottom, 0);
  // Each page opens where the previous one was left.
  for (size_t i = 1; i < p.calls.size(); ++i) CHECK_EQ(p.calls[i].rect.Left, (int32_t)(292 + i));
}

TEST(FirstPositionRoundsHalfToEven) {
  WindowRect r;
  FirstWindowPosition(1024 * 15.0, 768 * 15.0, 15, 15, r);
  CHECK_EQ(r.Left, 292);
  CHECK_EQ(r.Top, 155);
  // 6615 / 12 / 2 = 275.625; 800 / 2 - 275.625 = 124.375 -> 124
  FirstWindowPosition(800 * 12.0, 600 * 12.0, 12, 12, r);
  CHECK_EQ(r.Left, 124);
  CHECK_EQ(r.Top, (int32_t)std::nearbyint(600 / 2.5 - 4575 / 12.0 / 2));
  // Halves: 2.5 -> 2 and 3.5 -> 4.
  FirstWindowPosition(223 * 2 * 15, 0, 15, 15, r);   // 223 - 220.5
  CHECK_EQ(r.Left, 2);
  FirstWindowPosition(224 * 2 * 15, 0, 15, 15, r);   // 224 - 220.5
  CHECK_EQ(r.Left, 4);
}

TEST(PagePictureCreatedFirstAndSharedThenReleased) {
  Machine("");
  ScriptedPages p;
  // A picture object that counts its releases.
  HDC dc = api::GetDC(nullptr);
  p.picture = CreateBitmapPicture(dc, 0, 0, 4, 4);
  api::ReleaseDC(nullptr, dc);
  RunWizard(p);
  CHECK(!p.calls[0].bPictureGiven);
  for (size_t i = 1; i < p.calls.size(); ++i) CHECK(p.calls[i].bPictureGiven);
  CHECK_EQ(sim::LivePictures(), 0);   // Main let go of it at the end
}

TEST(InvalidCommandLineShowsNoPage) {
  Machine("/bogus");
  ScriptedPages p;
  RunWizard(p);
  CHECK(p.calls.empty());
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  // The proxy was created and is gone again.
  CHECK(sim::TopLevelWindows().empty());
  CHECK(TaskbarProxy() == nullptr);
}

TEST(ConfigRunShowsOnlyTheConfigurePageWithStoredFields) {
  Machine("/Config 45000.5");
  StoreResume("45000.5", "Srv|usr|pw|True");
  ScriptedPages p;
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"ConfigureMSDE"}));
  CHECK_EQ(p.calls[0].sArgs, std::string("Srv|usr|pw|True"));
  CHECK(!p.calls[0].bPictureGiven);
}

TEST(ConfigRunAppliesNoDefaults) {
  Machine("/config 1");
  StoreResume("1", "||x|0");
  ScriptedPages p;
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"ConfigureMSDE"}));
  CHECK_EQ(p.calls[0].sArgs, std::string("||x|False"));
}

TEST(ManualConfigRecordsTwiceThenTheFullSequence) {
  Machine("/manualconfig");
  ScriptedPages p;
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"GetServerInfo", "Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE",
                             "ConfigureMSDE"}));
  CHECK_EQ(p.calls[0].sArgs, std::string("|||False"));   // before the welcome page: no defaults yet
}

TEST(MsiRunIsTheFullSequence) {
  Machine("/MSI");
  ScriptedPages p;
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}));
}

TEST(RuntimePageOnlyWhenTheRuntimeIsOld) {
  Machine("", false);
  ScriptedPages p;
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"Welcome", "InstallMSI", "GetServerInfo", "ReadyToInstall", "InstallMSDE",
                             "ConfigureMSDE"}));
}

TEST(RuntimeTestMadeAfterTheWelcomePage) {
  Machine("", true);
  ScriptedPages p;
  // The runtime turns old while the welcome page is open.
  p.onPage = [](const std::string& page) {
    if (page == "Welcome") MsiIsNew(false);
  };
  RunWizard(p);
  Pages shown = p.Pages();
  CHECK(shown.size() > 1 && shown[1] == "InstallMSI");
}

TEST(RuntimePageCancelOrFinishEndsTheRun) {
  for (long n : {4L, 8L}) {
    Machine("", false);
    ScriptedPages p;
    p.results["InstallMSI"] = {n};
    RunWizard(p);
    CHECK_EQ(p.Pages(), (Pages{"Welcome", "InstallMSI"}));
    CHECK(TaskbarProxy() == nullptr);
    CHECK(sim::TopLevelWindows().empty());
  }
}

TEST(RuntimePageOtherResultsGoOn) {
  for (long n : {0L, 1L, 2L, 10L, 800000000L}) {
    Machine("", false);
    ScriptedPages p;
    p.results["InstallMSI"] = {n};
    RunWizard(p);
    CHECK_EQ(p.Pages().size(), (size_t)6);
  }
}

TEST(WelcomeOtherResultGoesOnWithoutDefaultsOrRuntimeTest) {
  Machine("", false);
  ScriptedPages p;
  p.results["Welcome"] = {2};
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}));
  CHECK_EQ(p.calls[1].sArgs, std::string("|||False"));
}

TEST(BackOnReadyShowsTheReadyPageAgain) {
  Machine("");
  ScriptedPages p;
  p.results["ReadyToInstall"] = {2, 2, 1};
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"Welcome", "GetServerInfo", "ReadyToInstall", "GetServerInfo", "ReadyToInstall",
                             "GetServerInfo", "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}));
}

TEST(ReadyOtherResultsGoOn) {
  for (long n : {0L, 4L, 8L, 10L}) {
    Machine("");
    ScriptedPages p;
    p.results["ReadyToInstall"] = {n};
    RunWizard(p);
    CHECK_EQ(p.Pages().size(), (size_t)5);
  }
}

TEST(BackOnInstallLeadsToTheReadyPage) {
  Machine("");
  ScriptedPages p;
  p.results["InstallMSDE"] = {2, 1};
  RunWizard(p);
  CHECK_EQ(p.Pages(), (Pages{"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "GetServerInfo",
                             "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}));
}

TEST(InstallOtherResultsEndWithoutConfiguring) {
  for (long n : {0L, 4L, 8L, 10L, 800000000L}) {
    Machine("");
    ScriptedPages p;
    p.results["InstallMSDE"] = {n};
    RunWizard(p);
    CHECK_EQ(p.Pages(), (Pages{"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE"}));
    CHECK(sim::TopLevelWindows().empty());
  }
}

TEST(ConfigureResultIsNotUsed) {
  for (long n : {0L, 1L, 2L, 4L}) {
    Machine("");
    ScriptedPages p;
    p.results["ConfigureMSDE"] = {n};
    RunWizard(p);
    CHECK_EQ(p.Pages().size(), (size_t)5);
  }
}

TEST(ProxyHiddenFarAwayWithCaptionAndTaskbarOwnership) {
  Machine("");
  ScriptedPages p;
  bool checked = false;
  p.onPage = [&](const std::string& page) {
    if (page != "Welcome") return;
    HWND proxy = TaskbarProxy();
    sim::WindowInfo wi;
    CHECK(sim::GetWindow(proxy, wi));
    CHECK_EQ(wi.sText, std::string("ZoMel MSDE Installation and Setup"));
    CHECK(wi.bVisible);
    CHECK(wi.hParent == nullptr);               // unowned: it has the taskbar button
    CHECK_EQ(wi.rc.left, -504);                 // -7560 twips
    CHECK_EQ(wi.rc.top, -10000);                // -150000 twips
    CHECK_EQ(wi.rc.right - wi.rc.left, 0);
    // A close from the taskbar would take the page with it: refused.
    api::SendMessageA(proxy, WM_CLOSE, 0, 0);
    CHECK(api::IsWindow(proxy));
    checked = true;
  };
  RunWizard(p);
  CHECK(checked);
}

TEST(ProxyTakesTheProgramIconWhenThereIsOne) {
  Machine("");
  sim::AddResource((LPCSTR)RT_GROUP_ICON, MAKEINTRESOURCEA(1), "icon");
  ScriptedPages p;
  bool iconSet = false;
  p.onPage = [&](const std::string&) { iconSet = sim::WindowIcon(TaskbarProxy(), true) != nullptr; };
  RunWizard(p);
  CHECK(iconSet);
}

TEST(RunEntryRemovedOnEveryStart) {
  for (const char* line : {"", "/bogus", "/msi", "/manualconfig"}) {
    Machine(line);
    AddResumeEntry("/MSI", "");
    ScriptedPages p;
    RunWizard(p);
    HKEY k = nullptr;
    DWORD type = 0;
    bool present = false;
    if (api::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ,
                           &k) == 0) {
      present = api::RegQueryValueExA(k, "MSDE Instance Installer", nullptr, &type, nullptr, nullptr) == 0;
      api::RegCloseKey(k);
    }
    CHECK(!present);
  }
}
