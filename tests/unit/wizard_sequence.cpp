// Main's order of pages with scripted pages: every run mode, every page
// result of the state table, the defaults, the runtime test, the proxy.
#include <cmath>
#include <deque>
#include "startup/MMain.h"
#include "startup/WizardSequence.h"
#include "tests/unit/table.h"
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
const Pages kFull = {"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"};
const Pages kWithRuntime = {"Welcome", "InstallMSI", "GetServerInfo", "ReadyToInstall", "InstallMSDE",
                            "ConfigureMSDE"};

}  // namespace

// Every route through the state table: the command line, the runtime's age,
// and the results one page gives (each sequence in `runs` is one run).
TEST(PageOrderForEveryRunModeAndPageResult) {
  struct Route {
    const char* sName;
    const char* sLine;
    bool bMsiNew;
    const char* sPage;
    std::vector<std::deque<long>> runs;
    Pages want;
  } routes[] = {
      {"full", "", true, "", {{}}, kFull},
      {"msi", "/MSI", true, "", {{}}, kFull},
      {"manual", "/manualconfig", true, "", {{}},
       {"GetServerInfo", "Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}},
      {"old runtime", "", false, "", {{}}, kWithRuntime},
      {"runtime cancel/finish", "", false, "InstallMSI", {{4}, {8}}, {"Welcome", "InstallMSI"}},
      {"runtime other", "", false, "InstallMSI", {{0}, {1}, {2}, {10}, {800000000}}, kWithRuntime},
      {"welcome other: no runtime test", "", false, "Welcome", {{2}}, kFull},
      {"ready back", "", true, "ReadyToInstall", {{2, 2, 1}},
       {"Welcome", "GetServerInfo", "ReadyToInstall", "GetServerInfo", "ReadyToInstall", "GetServerInfo",
        "ReadyToInstall", "InstallMSDE", "ConfigureMSDE"}},
      {"ready other", "", true, "ReadyToInstall", {{0}, {4}, {8}, {10}}, kFull},
      {"install back", "", true, "InstallMSDE", {{2, 1}},
       {"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE", "GetServerInfo", "ReadyToInstall",
        "InstallMSDE", "ConfigureMSDE"}},
      {"install other", "", true, "InstallMSDE", {{0}, {4}, {8}, {10}, {800000000}},
       {"Welcome", "GetServerInfo", "ReadyToInstall", "InstallMSDE"}},
      {"configure result unused", "", true, "ConfigureMSDE", {{0}, {1}, {2}, {4}}, kFull},
  };
  for (const Route& r : routes) {
    for (const auto& results : r.runs) {
      Machine(r.sLine, r.bMsiNew);
      ScriptedPages p;
      if (*r.sPage) p.results[r.sPage] = results;
      RunWizard(p);
      std::string row = std::string(r.sName) + (results.empty() ? "" : " " + std::to_string(results.front()));
      CHECK_ROW(row, p.Pages(), r.want);
      CHECK_ROW(row, p.bProxyOwned, true);
      // The proxy was made for the run and is gone again.
      CHECK_ROW(row, TaskbarProxy() == nullptr && sim::TopLevelWindows().empty(), true);
    }
  }
}

TEST(DefaultsAreSetByTheWelcomePageOnly) {
  Machine("");
  ScriptedPages full;
  RunWizard(full);
  for (size_t i : {1, 3, 4}) CHECK_EQ(full.calls[i].sArgs, std::string("ZoMEL|sa|vormasi17|False"));
  Machine("", false);
  ScriptedPages other;
  other.results["Welcome"] = {2};
  RunWizard(other);
  CHECK_EQ(other.calls[1].sArgs, std::string("|||False"));
  Machine("/manualconfig");
  ScriptedPages manual;
  RunWizard(manual);
  CHECK_EQ(manual.calls[0].sArgs, std::string("|||False"));   // before the welcome page
}

TEST(FirstPositionRectangleAndPictureHandedOn) {
  Machine("");
  ScriptedPages p;
  // A picture object that counts its releases.
  HDC dc = api::GetDC(nullptr);
  p.picture = CreateBitmapPicture(dc, 0, 0, 4, 4);
  api::ReleaseDC(nullptr, dc);
  RunWizard(p);
  // 1024 x 768 at 15 twips per pixel: 512 - 220.5 = 291.5 goes to 292;
  // 307.2 - 152.5 = 154.7 goes to 155.
  CHECK_EQ(p.calls[0].rect.Left, 292);
  CHECK_EQ(p.calls[0].rect.Top, 155);
  CHECK_EQ(p.calls[0].rect.Right, 0);
  CHECK_EQ(p.calls[0].rect.Bottom, 0);
  CHECK(!p.calls[0].bPictureGiven);
  // Each page opens where the previous one was left, with the shared picture.
  for (size_t i = 1; i < p.calls.size(); ++i) {
    CHECK_EQ(p.calls[i].rect.Left, (int32_t)(292 + i));
    CHECK(p.calls[i].bPictureGiven);
  }
  CHECK_EQ(sim::LivePictures(), 0);   // Main let go of it at the end
}

TEST(FirstPositionRoundsHalfToEven) {
  WindowRect r;
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

TEST(InvalidCommandLineShowsNoPage) {
  Machine("/bogus");
  ScriptedPages p;
  RunWizard(p);
  CHECK(p.calls.empty());
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  CHECK(sim::TopLevelWindows().empty());
  CHECK(TaskbarProxy() == nullptr);
}

TEST(ConfigRunShowsOnlyTheConfigurePageWithTheStoredFields) {
  struct { const char* sStamp; const char* sData; const char* sArgs; } cases[] = {
      {"45000.5", "Srv|usr|pw|True", "Srv|usr|pw|True"},
      {"1", "||x|0", "||x|False"},   // no defaults applied
  };
  for (const auto& c : cases) {
    Machine(std::string("/Config ") + c.sStamp);
    SaveResumeData(c.sStamp, c.sData);
    ScriptedPages p;
    RunWizard(p);
    CHECK_ROW(c.sData, p.Pages(), Pages{"ConfigureMSDE"});
    if (p.calls.empty()) continue;
    CHECK_ROW(c.sData, p.calls[0].sArgs, std::string(c.sArgs));
    CHECK_ROW(c.sData, p.calls[0].bPictureGiven, false);
  }
}

TEST(RuntimeTestMadeAfterTheWelcomePage) {
  Machine("", true);
  ScriptedPages p;
  // The runtime turns old while the welcome page is open.
  p.onPage = [](const std::string& page) {
    if (page == "Welcome") MsiIsNew(false);
  };
  RunWizard(p);
  CHECK_EQ(p.Pages(), kWithRuntime);
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
  const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (const char* line : {"", "/bogus", "/msi", "/manualconfig"}) {
    Machine(line);
    AddResumeEntry("/MSI", "");
    CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, kRun, "MSDE Instance Installer", nullptr, nullptr));
    ScriptedPages p;
    RunWizard(p);
    CHECK_ROW(line, sim::RegGet(HKEY_LOCAL_MACHINE, kRun, "MSDE Instance Installer", nullptr, nullptr), false);
  }
}
