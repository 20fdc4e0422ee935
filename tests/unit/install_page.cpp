// The engine setup page on the simulated machine: what it shows while the
// setup runs, the three ways it ends, its buttons and the page result, and a
// fresh run with a fresh package choice on every opening.
#include <functional>
#include <string>
#include <vector>
#include "pages/frmInstallMSDE.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"
#include "tests/unit/instance_codes.h"

namespace {
const char kTitle[] = "Custom Database Configuration";
const char kWaiting[] =
    "Please be patient while SQL Server is installed on your system.\r\n\r\n"
    "Portions of this process may take several minutes\r\nand it may appear as if the application has stalled....";
const char kSuccess[] =
    "The SQL Server desktop edition has been successfully installed.\r\n\r\nClick \"Next\" to continue.";
const char kError[] =
    "Errors occurred durring the install process.\r\n\r\nUnable to continue with server configuration.";

struct Snapshot {
  std::string sMessage;
  bool bHelp = false, bCancel = false, bBack = false, bNext = false, bFinish = false;
  bool bBarVisible = true;
};

Snapshot Take(frmInstallMSDE& page) {
  Snapshot s;
  s.sMessage = page.Text(frmInstallMSDE::idLblInstallMessage);
  s.bHelp = page.Enabled(NavId(10));
  s.bCancel = page.Enabled(NavId(4));
  s.bBack = page.Enabled(NavId(2));
  s.bNext = page.Enabled(NavId(1));
  s.bFinish = page.Enabled(NavId(8));
  sim::WindowInfo info{};
  if (page.UProgressBar1.hWnd() && sim::GetWindow(page.UProgressBar1.hWnd(), info)) s.bBarVisible = info.bVisible;
  return s;
}

struct Outcome {
  long nResult = -1;
  bool bEnded = false;
  Snapshot running, settled;   // running: as the setup starts
};

frmInstallMSDE* g_page = nullptr;
Snapshot g_running;

// An msiexec that runs for dwRunMs and ends with dwExit; installing writes
// the product code of the package it was given, as the demo packages do.
void Setup(DWORD dwExit, DWORD dwRunMs = 2000, std::function<void(DWORD)> onStart = nullptr) {
  sim::ProcessScript s;
  s.dwExitCode = dwExit;
  s.dwRunMs = dwRunMs;
  s.OnStart = [onStart](DWORD pid) {
    if (g_page) g_running = Take(*g_page);
    if (onStart) onStart(pid);
  };
  s.OnExit = [dwExit] {
    if (dwExit != 0 || sim::Launches().empty()) return;
    const std::string& cmd = sim::Launches().back().sCommandLine;
    for (int i = 0; i < 2; ++i)
      if (cmd.find(i == 0 ? "SqlRun01.msi" : "SqlRun02.msi") != std::string::npos)
        testdata::AddInstance("I" + std::to_string(i), testdata::kInstanceCodes[i]);
  };
  sim::ScriptProcess("msiexec.exe", s);
}

// Opens the page; once the run has settled, presses nPress (0: nothing).
Outcome Open(int nPress, const std::string& sServer = "ZoMEL") {
  frmInstallMSDE page;
  g_page = &page;
  g_running = Snapshot();
  Outcome o;
  bool bSettled = false;
  int nIdle = 0;
  sim::SetUser([&]() {
    if (++nIdle > 5000) return false;
    const std::string sText = page.Text(frmInstallMSDE::idLblInstallMessage);
    if (!bSettled && (sText == kSuccess || sText == kError)) {
      bSettled = true;
      o.settled = Take(page);
      if (nPress == 0) return false;
      api::PostMessageA(page.Control(NavId(nPress)), BM_CLICK, 0, 0);
      return true;
    }
    sim::Advance(100);
    return true;
  });
  IPicture* pic = nullptr;
  WindowRect rc;
  try {
    o.nResult = page.DisplayDialog(pic, &rc, sServer, "sa", "pw", false);
  } catch (const sim::ProcessExit&) {
    o.bEnded = true;
  }
  o.running = g_running;
  g_page = nullptr;
  return o;
}
}  // namespace

TEST(page_success_shows_waiting_then_success_and_returns_next) {
  sim::Reset();
  Setup(0);
  Outcome o = Open(1);
  // As the setup starts: the waiting text, only Help, no bar.
  CHECK_EQ(o.running.sMessage, std::string(kWaiting));
  CHECK(o.running.bHelp);
  CHECK(!o.running.bCancel && !o.running.bBack && !o.running.bNext && !o.running.bFinish);
  CHECK(!o.running.bBarVisible);
  // Settled: the success text, Next the only way on, the bar hidden all through.
  CHECK_EQ(o.settled.sMessage, std::string(kSuccess));
  CHECK(o.settled.bNext);
  CHECK(!o.settled.bBack && !o.settled.bCancel && !o.settled.bFinish);
  CHECK(!o.settled.bBarVisible);
  CHECK_EQ(o.nResult, 1L);
  CHECK(sim::MessageBoxes().empty());
  CHECK_EQ(sim::OpenHandles(), 0);
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

TEST(page_failure_offers_back_and_cancel) {
  sim::Reset();
  Setup(1603);
  Outcome o = Open(2);
  CHECK_EQ(o.settled.sMessage, std::string(kError));
  CHECK(o.settled.bBack && o.settled.bCancel);
  CHECK(!o.settled.bNext);
  CHECK_EQ(o.nResult, 2L);
  CHECK_EQ(sim::MessageBoxes().size(), size_t(1));
  if (!sim::MessageBoxes().empty()) {
    CHECK_EQ(sim::MessageBoxes()[0].sText, std::string("The MSDE setup failed."));
    CHECK_EQ(sim::MessageBoxes()[0].sCaption, std::string(kTitle));
    CHECK_EQ(sim::MessageBoxes()[0].uType & 0xF0, UINT(MB_ICONINFORMATION));
  }
  // Cancel asks, and Yes ends the program.
  sim::Reset();
  Setup(1603);
  sim::AnswerMessageBoxes({IDOK, IDYES});
  o = Open(4);
  CHECK(o.bEnded);
  CHECK_EQ(sim::MessageBoxes().size(), size_t(2));
}

TEST(page_restart_results_close_or_end_the_page) {
  struct Row { DWORD dwExit; std::vector<int> answers; bool bEnded; size_t nBoxes, nRestarts; };
  const Row rows[] = {
      {1641, {}, false, 0, 0},             // the setup restarts by itself: Cancel
      {3010, {IDYES}, true, 1, 1},         // restart now: the program ends
      {3010, {IDNO, IDOK}, false, 2, 0},   // later: Cancel
  };
  for (const Row& r : rows) {
    sim::Reset();
    Setup(r.dwExit);
    sim::AnswerMessageBoxes(r.answers);
    Outcome o = Open(0);
    const std::string what = std::to_string(r.dwExit) + "/" + std::to_string(r.answers.size()) + ": ";
    CHECK_EQ(what + (o.bEnded ? "ended" : std::to_string(o.nResult)), what + (r.bEnded ? "ended" : "4"));
    CHECK_EQ(sim::MessageBoxes().size(), r.nBoxes);
    if (!sim::MessageBoxes().empty()) CHECK_EQ(sim::MessageBoxes()[0].uType & 0xFF, UINT(36));
    CHECK_EQ(sim::ExitWindowsCalls().size(), r.nRestarts);
    if (!sim::ExitWindowsCalls().empty()) CHECK_EQ(sim::ExitWindowsCalls()[0].uFlags, UINT(10));
  }
}

TEST(page_every_opening_runs_again_with_the_next_package) {
  sim::Reset();
  Setup(0);
  CHECK_EQ(Open(1).nResult, 1L);
  CHECK_EQ(Open(1).nResult, 1L);
  CHECK_EQ(sim::Launches().size(), size_t(2));
  if (sim::Launches().size() == 2) {
    CHECK(sim::Launches()[0].sCommandLine.find(" /i SqlRun01.msi ") != std::string::npos);
    CHECK(sim::Launches()[1].sCommandLine.find(" /i SqlRun02.msi ") != std::string::npos);
  }
}

TEST(page_run_hides_the_setup_dialogs_cancel_button) {
  sim::Reset();
  HWND hCancel = nullptr;
  Setup(0, 3000, [&hCancel](DWORD pid) {
    HWND hDialog = sim::AddWindow("#32770", "Engine setup", pid);
    hCancel = sim::AddWindow("Button", "Cancel", pid, hDialog);
  });
  CHECK_EQ(Open(1).nResult, 1L);
  sim::WindowInfo info{};
  CHECK(hCancel && sim::GetWindow(hCancel, info));
  CHECK(!info.bVisible);
  CHECK(!info.bEnabled);
}
