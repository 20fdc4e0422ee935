// Power lost at any moment of a restart road, then the machine boots and
// Windows starts what the Run entry says: the wizard must configure with
// exactly the settings the run had, show the invalid-command-line message,
// or (no Run entry) start afresh; never configure with other settings.
#include <functional>
#include <string>
#include <vector>
#include "install/SetupRun.h"
#include "pages/CPage.h"
#include "pages/frmInstallMSI.h"
#include "startup/WizardSequence.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kInvalid[] =
    "Invalid command line paramiters.\r\n\r\nThe following are valid parameters:\r\n\r\n"
    "/Config <configuration data>\r\n\r\n/MSI\r\n\r\n/MANUALCONFIG";

HRESULT CALLBACK NewMsi(DWORD* info) {
  info[1] = 3, info[2] = 1, info[3] = 4000;
  return 0;
}

// Pages that only record where the start-up led and with what.
struct Pages : WizardPages {
  std::vector<std::string> seen;
  long Welcome(IPicture*&, WindowRect*) override { return Seen("Welcome", 4); }
  long InstallMSI(IPicture*&, WindowRect*) override { return Seen("InstallMSI", 4); }
  long GetServerInfo(IPicture*&, WindowRect*, std::string&, std::string&, std::string&, bool&) override {
    return Seen("GetServerInfo", 0);
  }
  long ReadyToInstall(IPicture*&, WindowRect*) override { return Seen("ReadyToInstall", 1); }
  long InstallMSDE(IPicture*&, WindowRect*, std::string, std::string, std::string, bool) override {
    return Seen("InstallMSDE", 4);
  }
  long ConfigureMSDE(IPicture*&, WindowRect*, std::string a, std::string b, std::string c, bool d) override {
    return Seen("ConfigureMSDE " + ConfigurationData(InstallParameters{a, b, c, d}), 8);
  }
  long Seen(const std::string& s, long n) {
    seen.push_back(s);
    return n;
  }
};

// Boots each state the run could have left and checks the wizard's start.
// sResume: the Run entry's switch this road writes.
void BootEach(const std::vector<std::shared_ptr<const sim::Persistent>>& states, const InstallParameters& params,
              const std::string& sResume, const std::string& sRoad) {
  int nConfigured = 0, nFresh = 0, nInvalid = 0;
  for (size_t i = 0; i < states.size(); ++i) {
    sim::Reset();   // a fresh process: nothing but the registry and the files
    sim::AddLibrary("msi.dll", {{"DllGetVersion", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&NewMsi))}});
    sim::RestorePersistent(*states[i]);
    const std::string sEntry = sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer");
    sim::SetCommandLine(App::CommandFrom(sEntry));
    Pages pages;
    RunWizard(pages);
    std::vector<std::string> boxes;
    for (const auto& b : sim::MessageBoxes()) boxes.push_back(b.sText);
    const std::string at = sRoad + ", state " + std::to_string(i) + " (" + sEntry + "): ";
    if (sEntry.empty()) {
      ++nFresh;
      CHECK_EQ(at + (pages.seen.empty() ? "" : pages.seen[0]), at + "Welcome");
    } else if (!pages.seen.empty() && pages.seen[0].compare(0, 13, "ConfigureMSDE") == 0) {
      ++nConfigured;
      CHECK_EQ(at + pages.seen[0], at + "ConfigureMSDE " + ConfigurationData(params));
      CHECK_EQ(pages.seen.size(), size_t(1));
    } else if (sResume == "/MSI") {
      ++nFresh;
      CHECK_EQ(at + sEntry + " " + pages.seen[0], at + "C:\\SETUP\\Tarnwick.exe /MSI Welcome");
    } else {
      ++nInvalid;
      CHECK_EQ(at + std::to_string(pages.seen.size()), at + "0");
      CHECK_EQ(boxes, std::vector<std::string>{kInvalid});
    }
    if (sEntry.empty() || sResume == "/MSI") CHECK_EQ(at + std::to_string(boxes.size()), at + "0");
    // Whatever the start did, its Run entry acts once.
    CHECK_EQ(at + sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer"), at);
  }
  // The road reached its end: the last state resumes.
  CHECK(nConfigured + nFresh > 0 && nInvalid == 0);
  if (sResume != "/MSI") CHECK(nConfigured > 0);
  std::printf("  %s: %zu power-loss states (%d configure, %d fresh start)\n", sRoad.c_str(), states.size(),
              nConfigured, nFresh);
}

LONG WINAPI NoCode() { return 0; }

struct Ended {};

// The engine setup run's page reduced to what the restart road touches.
struct RunPage : ISetupRunPage {
  int nAnswer = IDNO;
  long nResult = 0;
  void SetInstallMessage(const std::string&) override {}
  void EnableNavButton(int) override {}
  void SetProgressBarVisible(bool) override {}
  int32_t BarCurrentPercentage() override { return 0; }
  int32_t BarMaxPercentage() override { return 100; }
  int32_t BarProgressUnits() override { return 0; }
  void SetBarProgressUnits(int32_t) override {}
  void BarIncrementProgress() override {}
  int ShowMessage(const std::string&, UINT n) override { return (n & MB_YESNO) ? nAnswer : IDOK; }
  long PageResult() override { return nResult; }
  void SetPageResult(long n) override { nResult = n; }
  void ClosePage() override {}
  void EndProgram() override { throw Ended(); }
};

}  // namespace

TEST(power_loss_anywhere_on_the_engine_setup_restart_road) {
  // The last one: 52 characters of configuration data ending in "e", the
  // length at which the scrambling loses a last character.
  const InstallParameters params[] = {{"SALES", "zouser", "pw 1", false},
                                      {"default", "sa", "x", true},
                                      {"ZoMEL", "sa", std::string(38, 'p'), true}};
  for (const InstallParameters& p : params) {
    for (DWORD dwExit : {DWORD(1641), DWORD(3010)}) {
      sim::Reset();
      sim::AddLibrary("qxMSI_ERR.dll", {{"InitializeMSILib", reinterpret_cast<FARPROC>(&NoCode)},
                                        {"RetreiveMSIExitCode", reinterpret_cast<FARPROC>(&NoCode)}});
      sim::ProcessScript s;
      s.dwExitCode = dwExit;
      s.dwRunMs = 1000;
      sim::ScriptProcess("msiexec.exe", s);
      sim::RecordPowerLossStates(true);
      RunPage page;
      page.nAnswer = IDYES;
      try {
        RunEngineSetup(page, p, "C:\\SETUP");
      } catch (const Ended&) {
      }
      auto states = sim::PowerLossStates();
      states.push_back(sim::SavePersistent());   // power lost after the run
      BootEach(states, p, "/Config", "setup " + std::to_string(dwExit) + " " + p.sServerName);
    }
  }
}

TEST(power_loss_anywhere_on_the_runtime_setup_restart_road) {
  sim::Reset();
  sim::AddFile("C:\\SETUP\\MSI\\INSTMSIW.EXE");
  sim::ProcessScript s;
  s.dwExitCode = 3010;
  s.dwRunMs = 1200;
  sim::ScriptProcess("INSTMSI", s);
  sim::AnswerMessageBoxes({IDYES});
  sim::RecordPowerLossStates(true);
  {
    frmInstallMSI page;
    bool bClicked = false;
    sim::SetUser([&]() {
      if (bClicked) return false;
      bClicked = true;
      api::PostMessageA(page.cmdInstallMSI.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      api::PostMessageA(page.cmdInstallMSI.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      return true;
    });
    IPicture* pic = nullptr;
    WindowRect rc;
    CHECK_EQ(page.DisplayDialog(pic, &rc), long(PageResultCancel));
    if (pic) pic->Release();
  }
  CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
  auto states = sim::PowerLossStates();
  states.push_back(sim::SavePersistent());
  BootEach(states, InstallParameters(), "/MSI", "runtime setup 3010");
}
