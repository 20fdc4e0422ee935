// The Windows Installer runtime page on the simulated machine: which
// redistributable runs and how, every outcome with its texts, buttons and
// page result, the restart road and the Run entry.
#include <climits>
#include <functional>
#include <string>
#include <vector>
#include "tests/check.h"
#include "pages/frmInstallMSI.h"
#include "tests/sim/Sim.h"

namespace {
const char kTitle[] = "Custom Database Configuration";
const char kArgs[] = " /c:\"msiinst.exe /i instmsi.msi /qn\"";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "MSDE Instance Installer";
const char kRunAgain[] =
    "\r\n\r\nPlease run the ORV Database Install application again after rebooting your system.";
const char kQuestion[] =
    "The Microsoft Installer application was installed successfully.\r\n"
    "The system must be rebooted before the changes will take effect.\r\n\r\n"
    "Would you like to reboot your system now?";

const int kFrame0 = frmInstallMSI::idFrInstallMessages;
const int kFrame1 = frmInstallMSI::idFrInstallMessages + 1;
const int kStatus = frmInstallMSI::idLblInstallInfo + 2;

// What the page showed at one moment.
struct Snapshot {
  bool bHelp = false, bCancel = false, bBack = false, bNext = false, bFinish = false;
  bool bFrame0 = false, bFrame1 = false;
  std::string sStatus;
  int nPercent = -1;
  int nPointer = -1;
  bool bFocusNext = false, bFocusFinish = false;
};

// User input goes through the message queue, as on a real desktop, so the
// page's modal loop sees each action as a message of its own.
// The custom button answers the mouse only: a left press and release inside.
void PressInstallMSI(frmInstallMSI& page) {
  HWND h = page.cmdInstallMSI.hWnd();
  api::PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  api::PostMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void Press(HWND hButton) { api::PostMessageA(hButton, BM_CLICK, 0, 0); }

Snapshot Take(frmInstallMSI& page) {
  Snapshot s;
  s.bHelp = page.Enabled(NavId(10));
  s.bCancel = page.Enabled(NavId(4));
  s.bBack = page.Enabled(NavId(2));
  s.bNext = page.Enabled(NavId(1));
  s.bFinish = page.Enabled(NavId(8));
  s.bFrame0 = page.Visible(kFrame0);
  s.bFrame1 = page.Visible(kFrame1);
  s.sStatus = page.Text(kStatus);
  s.nPercent = page.pbProgress.CurrentPercentage();
  s.nPointer = Screen::MousePointer();
  s.bFocusNext = sim::FocusWindow() == page.Control(NavId(1));
  s.bFocusFinish = sim::FocusWindow() == page.Control(NavId(8));
  return s;
}

struct Outcome {
  long nResult = -1;
  bool bEnded = false;           // the program ended inside the page
  Snapshot offer, running, last; // last: when the user came back after the run
};

// A medium at C:\SETUP with both redistributables; the setup ends with
// dwExit after dwRunMs.
void Medium(DWORD dwExit, DWORD dwRunMs = 1200) {
  sim::AddFolder("C:\\SETUP\\MSI");
  sim::AddFile("C:\\SETUP\\MSI\\INSTMSI.EXE");
  sim::AddFile("C:\\SETUP\\MSI\\INSTMSIW.EXE");
  sim::ProcessScript script;
  script.dwExitCode = dwExit;
  script.dwRunMs = dwRunMs;
  sim::ScriptProcess("INSTMSI", script);
}

// Shows the page, presses Install MSI, waits for the outcome and then
// presses the one navigation button the outcome left enabled.
Outcome RunPage(frmInstallMSI& page) {
  Outcome o;
  bool bClicked = false;
  int nIdle = 0;
  sim::SetUser([&]() {
    if (++nIdle > 2000) return false;
    if (!bClicked) {
      o.offer = Take(page);
      bClicked = true;
      PressInstallMSI(page);
      return true;
    }
    if (page.Enabled(NavId(1)) || page.Enabled(NavId(8))) {
      o.last = Take(page);
      Press(page.Control(NavId(page.Enabled(NavId(1)) ? 1 : 8)));
      return true;
    }
    sim::Advance(100);   // let the page's timer come due
    return true;
  });
  IPicture* pic = nullptr;
  WindowRect rc;
  rc.Left = 100;
  rc.Top = 80;
  try {
    o.nResult = page.DisplayDialog(pic, &rc);
  } catch (const sim::ProcessExit&) {
    o.bEnded = true;
  }
  return o;
}

std::string RunEntry() {
  HKEY h = nullptr;
  if (api::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &h) != ERROR_SUCCESS) return "(none)";
  char buf[512] = {};
  DWORD cb = sizeof(buf), type = 0;
  LONG rc = api::RegQueryValueExA(h, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb);
  api::RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return "(none)";
  return type == REG_SZ ? std::string(buf) : "(not text)";
}

const char kUnable[] = "Unable to continue.\r\n\r\nClick \"Finish\" to exit.";
const char kMsiFailed[] = "The MSI installation failed.";

// The page after an outcome that leaves only Finish: the status text, Finish
// enabled and focused, the pointer back to normal, no restart anywhere.
void CheckFinishOnly(const Outcome& o, const std::string& sStatus) {
  CHECK_EQ(o.nResult, 4L);
  CHECK_EQ(o.last.sStatus, sStatus);
  CHECK(o.last.bFinish && o.last.bFocusFinish);
  CHECK(!o.last.bNext && !o.last.bCancel);
  CHECK_EQ(o.last.nPointer, 0);
  CHECK_EQ(RunEntry(), std::string("(none)"));
  CHECK(sim::ExitWindowsCalls().empty());
  CHECK_EQ(sim::OpenHandles(), 0);
}

// The texts of the message boxes shown so far.
std::vector<std::string> BoxTexts() {
  std::vector<std::string> v;
  for (const auto& b : sim::MessageBoxes()) v.push_back(b.sText);
  return v;
}
}  // namespace

TEST(success_goes_from_offer_over_the_wait_to_next) {
  sim::Reset();
  Medium(0);
  frmInstallMSI page;
  Snapshot running;
  sim::ProcessScript script;
  script.dwRunMs = 1500;
  script.OnStart = [&page, &running](DWORD) { running = Take(page); };
  sim::ScriptProcess("INSTMSI", script);
  Outcome o = RunPage(page);
  // The offer: the explanation, only Help and Cancel; the text sends the user
  // to the "Install MSI" button, so it carries that name.
  CHECK(o.offer.bFrame0 && !o.offer.bFrame1);
  CHECK(o.offer.bHelp && o.offer.bCancel);
  CHECK(!o.offer.bBack && !o.offer.bNext && !o.offer.bFinish);
  CHECK_EQ(page.cmdInstallMSI.Caption(), std::string("Install MSI"));
  // While the setup runs: the waiting text and the bar, no button to press.
  CHECK(running.bFrame1 && !running.bFrame0);
  CHECK(!running.bCancel && !running.bNext && !running.bFinish);
  CHECK_EQ(running.nPointer, 11);
  CHECK_EQ(running.sStatus,
           std::string("Please be patient while the Microsoft Installer application is installed on your system...."));
  // After it: success text, Next the only way on and focused, the bar full.
  CHECK_EQ(o.nResult, 1L);
  CHECK(!o.bEnded);
  CHECK_EQ(o.last.sStatus, std::string("The Microsoft Installer application was successfully installed.\r\n\r\n"
                                       "Click \"Next\" to continue."));
  CHECK(o.last.bNext && o.last.bFocusNext);
  CHECK(!o.last.bCancel && !o.last.bFinish && !o.last.bBack);
  CHECK(o.last.bFrame1 && !o.last.bFrame0);
  CHECK_EQ(o.last.nPercent, 100);
  CHECK_EQ(o.last.nPointer, 0);
  CHECK(sim::MessageBoxes().empty());
  CHECK_EQ(RunEntry(), std::string("(none)"));
  CHECK(sim::ExitWindowsCalls().empty());
  CHECK_EQ(sim::OpenHandles(), 0);
}

TEST(each_family_runs_its_redistributable_with_the_exact_command) {
  struct { DWORD platform, major, minor; const char* exe; } cases[] = {
      {2, 5, 1, "INSTMSIW.EXE"},   // XP
      {2, 5, 0, "INSTMSIW.EXE"},   // 2000
      {2, 4, 0, "INSTMSIW.EXE"},   // NT 4.0
      {2, 6, 1, "INSTMSIW.EXE"},   // a later NT
      {1, 4, 10, "INSTMSI.EXE"},   // 98
      {1, 4, 0, "INSTMSI.EXE"},    // 95
      {1, 4, 90, "INSTMSI.EXE"},   // Me
      {2, 3, 51, "INSTMSI.EXE"},   // NT 3.51 counts with the old family
  };
  for (const auto& c : cases) {
    sim::Reset();
    sim::SetVersion(c.platform, c.major, c.minor);
    Medium(0);
    frmInstallMSI page;
    Outcome o = RunPage(page);
    CHECK_EQ(o.nResult, 1L);
    CHECK_EQ(sim::Launches().size(), size_t(1));
    if (sim::Launches().empty()) continue;
    const sim::Launch& l = sim::Launches()[0];
    CHECK_EQ(l.sApplication, std::string("C:\\SETUP\\MSI\\") + c.exe);
    CHECK_EQ(l.sCommandLine, std::string(kArgs));
    CHECK_EQ(l.sDirectory, std::string("C:\\SETUP\\MSI"));
    CHECK_EQ(l.dwCreationFlags, DWORD(NORMAL_PRIORITY_CLASS));
    CHECK_EQ(l.cbStartupInfo, DWORD(sizeof(STARTUPINFOA)));
  }
}

TEST(paths_are_handed_over_in_their_short_form) {
  sim::Reset();
  sim::SetProgramPath("C:\\Program Files\\ZoMel Setup\\Tarnwick.exe");
  sim::AddFolder("C:\\Program Files\\ZoMel Setup\\MSI");
  sim::AddFile("C:\\Program Files\\ZoMel Setup\\MSI\\INSTMSIW.EXE");
  sim::SetShortName("C:\\Program Files\\ZoMel Setup\\MSI", "C:\\PROGRA~1\\ZOMELS~1\\MSI");
  sim::SetShortName("C:\\Program Files\\ZoMel Setup\\MSI\\INSTMSIW.EXE",
                    "C:\\PROGRA~1\\ZOMELS~1\\MSI\\INSTMSIW.EXE");
  sim::ScriptProcess("INSTMSIW", sim::ProcessScript{});
  frmInstallMSI page;
  CHECK_EQ(RunPage(page).nResult, 1L);
  CHECK_EQ(sim::Launches().size(), size_t(1));
  if (!sim::Launches().empty()) {
    CHECK_EQ(sim::Launches()[0].sApplication, std::string("C:\\PROGRA~1\\ZOMELS~1\\MSI\\INSTMSIW.EXE"));
    CHECK_EQ(sim::Launches()[0].sDirectory, std::string("C:\\PROGRA~1\\ZOMELS~1\\MSI"));
  }
}

TEST(the_wait_polls_every_half_second_until_the_setup_ends) {
  sim::Reset();
  Medium(0, 2600);
  frmInstallMSI page;
  int nPercentAtEnd = -1;
  sim::ProcessScript script;
  script.dwRunMs = 2600;
  script.OnStart = [&page](DWORD) {
    // The user tries to leave while the setup runs: the pumped messages
    // reach only disabled buttons.
    api::PostMessageA(page.Control(NavId(4)), BM_CLICK, 0, 0);
    api::PostMessageA(page.Control(NavId(1)), BM_CLICK, 0, 0);
    sim::PressKey(page.hWnd(), VK_ESCAPE);
  };
  script.OnExit = [&] { nPercentAtEnd = page.pbProgress.CurrentPercentage(); };
  sim::ScriptProcess("INSTMSI", script);
  Outcome o = RunPage(page);
  CHECK_EQ(o.nResult, 1L);
  CHECK(sim::MessageBoxes().empty());   // no Cancel question
  CHECK_EQ(nPercentAtEnd, 0);           // no units known: 0 % throughout the wait
  // 2.6 s of setup: five waits time out, the sixth sees the end; the bar
  // counts one step per pass and one more to fill itself.
  CHECK_EQ(page.pbProgress.CurrentUnit(), 7);
  CHECK_EQ(page.pbProgress.ProgressUnits(), 1);
  CHECK_EQ(sim::Launches().size(), size_t(1));   // one run per press
}

TEST(restart_accepted_writes_the_run_entry_and_restarts) {
  // XP, 98 (no privilege needed), and Windows refusing the restart.
  for (int nCase = 0; nCase < 3; ++nCase) {
    sim::Reset();
    if (nCase == 1) sim::SetVersion(1, 4, 10);
    sim::SetExitWindowsFails(nCase == 2);
    Medium(3010);
    sim::AnswerMessageBoxes({IDYES});
    frmInstallMSI page;
    Outcome o = RunPage(page);
    CHECK_EQ(o.nResult, 4L);
    CHECK(!o.bEnded);
    CHECK_EQ(sim::MessageBoxes().size(), size_t(nCase == 2 ? 2 : 1));   // a refusal asks for a manual restart
    if (!sim::MessageBoxes().empty()) {
      CHECK_EQ(sim::MessageBoxes()[0].sText, std::string(kQuestion));
      CHECK_EQ(sim::MessageBoxes()[0].sCaption, std::string(kTitle));
      CHECK_EQ(sim::MessageBoxes()[0].uType, UINT(36));
    }
    if (sim::MessageBoxes().size() == 2) {
      CHECK(sim::MessageBoxes()[1].sText.find("restart") != std::string::npos);
      CHECK_EQ(sim::MessageBoxes()[1].uType, UINT(64));
      CHECK_EQ(sim::MessageBoxes()[1].sCaption, std::string(kTitle));
    }
    // The next logon brings the wizard back in every case.
    CHECK_EQ(RunEntry(), std::string("C:\\SETUP\\Tarnwick.exe /MSI"));
    CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
    if (!sim::ExitWindowsCalls().empty()) {
      CHECK_EQ(sim::ExitWindowsCalls()[0].uFlags, UINT(10));
      CHECK_EQ(sim::ExitWindowsCalls()[0].dwReason, DWORD(0));
      if (nCase == 0) CHECK(sim::ExitWindowsCalls()[0].bPrivilegeEnabled);
    }
    CHECK_EQ(sim::OpenHandles(), 0);
  }
}

TEST(restart_declined_ends_with_finish_and_no_run_entry) {
  sim::Reset();
  Medium(3010);
  sim::AnswerMessageBoxes({IDNO});
  frmInstallMSI page;
  Outcome o = RunPage(page);
  CHECK_EQ(BoxTexts(), (std::vector<std::string>{
                           kQuestion, std::string("The install cannot be completed until the system is rebooted.") +
                                          kRunAgain}));
  if (sim::MessageBoxes().size() == 2) CHECK_EQ(sim::MessageBoxes()[1].uType, UINT(64));
  CheckFinishOnly(o, "Cannot continue without reboot.\r\n\r\nClick \"Finish\" to exit.");
}

TEST(failed_setups_end_with_finish) {
  struct Row { const char* sWhat; void (*arrange)(); bool bBarFull; };
  const Row rows[] = {
      {"1603", [] { Medium(1603); }, true},
      {"1641, a restart the setup started itself", [] { Medium(1641); }, true},
      {"1", [] { Medium(1); }, true},
      {"3011", [] { Medium(3011); }, true},
      {"no MSI folder, nothing to start", [] {}, false},
      {"the wait fails on a running setup", [] {
         Medium(0);
         sim::ProcessScript script;
         script.dwRunMs = 60000;
         script.bWaitFails = true;
         sim::ScriptProcess("INSTMSI", script);
       }, false},
  };
  for (const Row& r : rows) {
    sim::Reset();
    r.arrange();
    frmInstallMSI page;
    Outcome o = RunPage(page);
    CHECK_EQ(std::string(r.sWhat) + ": " + (BoxTexts().empty() ? "" : BoxTexts()[0]),
             std::string(r.sWhat) + ": " + kMsiFailed + kRunAgain);
    CHECK_EQ(sim::MessageBoxes().size(), size_t(1));
    if (!sim::MessageBoxes().empty()) {
      CHECK_EQ(sim::MessageBoxes()[0].uType, UINT(64));
      CHECK_EQ(sim::MessageBoxes()[0].sCaption, std::string(kTitle));
    }
    CheckFinishOnly(o, kUnable);
    if (r.bBarFull) CHECK_EQ(o.last.nPercent, 100);   // a finished setup fills the bar
  }
}

TEST(a_runtime_error_is_reported_and_counts_as_failure) {
  sim::Reset();
  Medium(0);
  sim::ProcessScript script;
  script.dwRunMs = 1500;
  // The bar raises an overflow as soon as it computes a percentage.
  frmInstallMSI page;
  script.OnStart = [&](DWORD) { page.pbProgress.MinPercentage(INT_MIN); };
  sim::ScriptProcess("INSTMSI", script);
  Outcome o = RunPage(page);
  CHECK_EQ(BoxTexts(), (std::vector<std::string>{"The following error occured during the MSI install: Overflow 6",
                                                 std::string(kMsiFailed) + kRunAgain}));
  if (!sim::MessageBoxes().empty()) {
    CHECK_EQ(sim::MessageBoxes()[0].uType, UINT(48));
    CHECK_EQ(sim::MessageBoxes()[0].sCaption, std::string(kTitle));
  }
  CheckFinishOnly(o, kUnable);   // the abandoned setup's handles are closed too
}

TEST(cancel_before_the_run_asks_and_no_keeps_the_page) {
  sim::Reset();
  Medium(0);
  sim::AnswerMessageBoxes({IDNO, IDYES});
  frmInstallMSI page;
  int nStep = 0;
  Snapshot after;
  sim::SetUser([&]() {
    switch (nStep++) {
      case 0: Press(page.Control(NavId(4))); return true;   // No
      case 1: after = Take(page); Press(page.Control(NavId(4))); return true;   // Yes
      default: return false;
    }
  });
  IPicture* pic = nullptr;
  WindowRect rc;
  bool bEnded = false;
  try {
    page.DisplayDialog(pic, &rc);
  } catch (const sim::ProcessExit&) {
    bEnded = true;
  }
  CHECK(bEnded);
  CHECK(after.bFrame0 && after.bCancel);
  CHECK(sim::Launches().empty());
  CHECK_EQ(sim::MessageBoxes().size(), size_t(2));
}
