// The engine setup run on the simulated machine, driven through a recording
// page: the command line, the log folder, the setup-result library and its
// temporary copy, every result and failure with its texts, buttons and page
// result, the progress animation and the restart road.
#include <cstdio>
#include <string>
#include <vector>
#include "install/SetupRun.h"
#include "pages/CPage.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"
#include "tests/unit/instance_codes.h"
#include "tests/unit/recording_page.h"

namespace {
const char kProgramFolder[] = "C:\\SETUP";
const char kTempCopy[] = "C:\\TEMP\\qxMSI_ERR.dll";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kErrorText[] =
    "Errors occurred durring the install process.\r\n\r\nUnable to continue with server configuration.";
const char kSuccessText[] =
    "The SQL Server desktop edition has been successfully installed.\r\n\r\nClick \"Next\" to continue.";
const char kQuestion[] =
    "The system must be rebooted before the ORV Database installer can continue with the configuration of "
    "the MSDE install.\r\n\r\nChoose \"Yes\" to reboot the system now or \"No\" to reboot later.";
const char kServerTaken[] = "The MSDE setup failed because there is already a server named ZoMEL on this system.";
const char kBadName[] =
    "The MSDE setup failed because some of the characters used in the Server Name are not valid for use in a "
    "SQL Server name.";
const char kManualRestart[] =
    "To automatically configure the database server, you must re-start the system with the ORV Database "
    "installer CD in the CD-ROM drive.  If the ORV Database installer application is not available when the "
    "system re-starts, you will need to run the ORV Database installer application using the \"/Config\" "
    "command line switch to configure the database server.  For more information on the \"/Config\" switch, "
    "see the ORV documentation.\r\n\r\nClick \"OK\" to exit this application.";

// The setup-result library: MSICBK of the setup's process is simulated by
// the process script writing g_recorded.
LONG g_recorded = 0;
int g_initCalls = 0, g_retrieveCalls = 0;
LONG WINAPI FakeInitialize() {
  ++g_initCalls;
  g_recorded = 0;
  return 0;
}
LONG WINAPI FakeRetrieve() {
  ++g_retrieveCalls;
  return g_recorded;
}


InstallParameters Params(const std::string& sServer = "ZoMEL", const std::string& sPassword = "vormasi17",
                         bool bNT = false) {
  InstallParameters p;
  p.sServerName = sServer;
  p.sUserID = "sa";
  p.sPassword = sPassword;
  p.bNTAuthentication = bNT;
  return p;
}

// A machine with the medium at C:\SETUP and the library loadable; msiexec
// ends after dwRunMs with dwExit, its callback having recorded nCallback.
void MachineWithoutSetup() {
  sim::Reset();
  g_recorded = 0;
  g_initCalls = g_retrieveCalls = 0;
  sim::AddLibrary("qxMSI_ERR.dll", {{"InitializeMSILib", reinterpret_cast<FARPROC>(&FakeInitialize)},
                                    {"RetreiveMSIExitCode", reinterpret_cast<FARPROC>(&FakeRetrieve)}});
}

void Machine(DWORD dwExit, LONG nCallback = 0, DWORD dwRunMs = 3000) {
  MachineWithoutSetup();
  sim::ProcessScript s;
  s.dwExitCode = dwExit;
  s.dwRunMs = dwRunMs;
  s.OnExit = [nCallback] {
    if (nCallback) g_recorded = nCallback;
  };
  sim::ScriptProcess("msiexec.exe", s);
}

void Run(RecordingPage& page, const InstallParameters& p = Params()) {
  try {
    RunEngineSetup(page, p, kProgramFolder);
  } catch (const Ended&) {
  }
}

// The failure state of the page: error text, Back and Cancel, result failed.
void CheckFailureState(const RecordingPage& page) {
  CHECK_EQ(page.nResult, long(PageResultFailed));
  CHECK_EQ(page.sMessage, std::string(kErrorText));
  CHECK_EQ(page.enabled, (std::vector<int>{4, 2}));
  CHECK(!page.bClosed);
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK(!sim::FileExists(kTempCopy));
}

// The texts of the message boxes the run showed.
std::vector<std::string> Texts(const RecordingPage& page) {
  std::vector<std::string> v;
  for (const Message& m : page.boxes) v.push_back(m.sText);
  return v;
}
}  // namespace

// ---- command line and log folder

TEST(run_command_line_for_each_instance_kind_and_hostile_value) {
  struct Row { const char* sPackage; const char* sServer; const char* sPassword; bool bNT; const char* sFolder; const char* sLine; };
  const Row rows[] = {
      {"SqlRun03.msi", "SALES", "", true, "C:\\",
       " /i SqlRun03.msi INSTANCENAME=SALES SAPWD= CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"},
      {"SqlRun01.msi", "default", "pw", false, "D:\\",
       " /i SqlRun01.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK SECURITYMODE=SQL /qb /l*v D:\\msde_inst.log"},
      {"SqlRun01.msi", "Default", "pw", true, "C:\\",
       " /i SqlRun01.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"},
      // Only the exact word (in any case) means the default instance.
      {"SqlRun01.msi", "DEFAULT1", "pw", true, "C:\\",
       " /i SqlRun01.msi INSTANCENAME=DEFAULT1 SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"},
      // Values that would otherwise add properties of their own stay quoted.
      {"SqlRun01.msi", "SALES", "x SECURITYMODE=NT", true, "C:\\",
       " /i SqlRun01.msi INSTANCENAME=SALES SAPWD=\"x SECURITYMODE=NT\" CALLBACK=qxMSI_ERR!MSICBK /qb /l*v "
       "C:\\msde_inst.log"},
      {"SqlRun01.msi", "MY SERVER", "p", true, "C:\\",
       " /i SqlRun01.msi INSTANCENAME=\"MY SERVER\" SAPWD=p CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"},
  };
  for (const Row& r : rows)
    CHECK_EQ(std::string(r.sServer) + ": " + BuildSetupCommandLine(r.sPackage, r.sServer, r.sPassword, r.bNT, r.sFolder),
             std::string(r.sServer) + ": " + r.sLine);
  const char* const quoted[][2] = {{"plain", "plain"}, {"", ""}, {"two words", "\"two words\""},
                                   {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"a\"b", "\"a\"\"b\""}};
  for (const auto& q : quoted) CHECK_EQ(QuotePropertyValue(q[0]), std::string(q[1]));
}

TEST(run_log_folder_is_the_first_fixed_drive) {
  sim::Reset();
  CHECK_EQ(GetLogFolder(), std::string("C:\\"));
  sim::SetDrives({{"A:\\", DRIVE_REMOVABLE}, {"C:\\", DRIVE_CDROM}, {"D:\\", DRIVE_FIXED}, {"E:\\", DRIVE_FIXED}});
  CHECK_EQ(GetLogFolder(), std::string("D:\\"));
  sim::SetDrives({{"A:\\", DRIVE_REMOVABLE}, {"E:\\", DRIVE_CDROM}});   // no fixed drive at all
  CHECK_EQ(GetLogFolder(), std::string("C:\\"));
}

TEST(run_starts_msiexec_from_the_system_folder_in_the_program_folder) {
  Machine(0);
  sim::SetDrives({{"A:\\", DRIVE_REMOVABLE}, {"D:\\", DRIVE_FIXED}});
  sim::SetShortName("C:\\WINDOWS\\system32", "C:\\WINDOWS\\SYSTEM~1");
  sim::AddFile("C:\\WINDOWS\\SYSTEM~1\\msiexec.exe");
  RecordingPage page;
  Run(page, Params("SALES", "pw", false));
  CHECK_EQ(sim::Launches().size(), size_t(1));
  if (sim::Launches().size() == 1) {
    const sim::Launch& l = sim::Launches()[0];
    CHECK_EQ(l.sApplication, std::string("C:\\WINDOWS\\SYSTEM~1\\msiexec.exe"));
    CHECK_EQ(l.sCommandLine, std::string(" /i SqlRun01.msi INSTANCENAME=SALES SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK "
                                         "SECURITYMODE=SQL /qb /l*v D:\\msde_inst.log"));
    CHECK_EQ(l.sDirectory, std::string(kProgramFolder));
    CHECK_EQ(l.dwCreationFlags, DWORD(NORMAL_PRIORITY_CLASS));
    CHECK_EQ(l.cbStartupInfo, DWORD(sizeof(STARTUPINFOA)));
  }
  CHECK_EQ(sim::OpenHandles(), 0);

  // With the first package installed, the next one is run.
  Machine(0);
  testdata::AddInstance("", testdata::kInstanceCodes[0]);
  Run(page, Params("default", "pw", true));
  CHECK_EQ(sim::Launches().size(), size_t(1));
  if (!sim::Launches().empty())
    CHECK_EQ(sim::Launches()[0].sCommandLine,
             std::string(" /i SqlRun02.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"));
}

// ---- results

TEST(run_every_failure_result_has_its_message) {
  struct Row { DWORD dwExit; LONG nLibrary; const char* sMessage; };
  const Row rows[] = {
      {1603, 0, "The MSDE setup failed."},
      {0, 50035,
       "The MSDE setup failed because some of the characters entered for the Server Name are not supported by "
       "the current code page."},
      {0, 50043, kServerTaken},
      {0, 50047, kBadName},
      {0, 60007,
       "The MSDE setup failed because there are already 16 instances of the SQL Server desktop edition installed "
       "on this system."},
      {50043, 0, kServerTaken},
      {1603, 50043, "The MSDE setup failed."},   // a non-zero exit code stands
      {1, 0, "The MSDE setup failed."},
      {0, 1, "The MSDE setup failed."},
  };
  for (const Row& r : rows) {
    Machine(r.dwExit, r.nLibrary);
    RecordingPage page;
    Run(page);
    CHECK_EQ(Texts(page), std::vector<std::string>{r.sMessage});
    if (!page.boxes.empty()) CHECK_EQ(page.boxes[0].nFlags, UINT(MB_ICONINFORMATION));
    CheckFailureState(page);
  }
  // A restart wanted by the setup outranks what the library recorded, and
  // has no failure text; the server name goes into the text as given.
  CHECK_EQ(CombineSetupResult(3010, 50043), DWORD(3010));
  for (DWORD d : {DWORD(0), DWORD(1641), DWORD(3010)}) CHECK_EQ(SetupResultMessage(d, "X"), std::string());
  CHECK_EQ(SetupResultMessage(50043, "Big Name"),
           std::string("The MSDE setup failed because there is already a server named Big Name on this system."));
}

// ---- the setup-result library

// Success (Next only, no result, the page stays) whatever becomes of the
// library's copy; the library's answer still counts when it was there.
TEST(run_success_and_the_library_copy_in_every_form) {
  struct Row {
    const char* sWhat;
    void (*arrange)();
    LONG nLibrary;
    bool bCopyAfter;   // the temporary copy is still there after the run
    int nInit;
    const char* sBox;  // nullptr: success
  };
  const Row rows[] = {
      {"copy made by the run is deleted", [] {}, 0, false, 1, nullptr},
      {"copy that was there is overwritten and kept", [] { sim::AddFile(kTempCopy); }, 50043, true, 1, kServerTaken},
      {"no temporary folder", [] { sim::SetTempPath(nullptr); }, 50047, false, 1, kBadName},
      {"copy fails", [] { sim::SetTempPath("C:\\NOSUCHDIR\\"); }, 0, false, 1, nullptr},
      {"no library at all", [] { sim::RemoveFile("C:\\SETUP\\qxMSI_ERR.dll"); }, 0, false, 0, nullptr},
  };
  for (const Row& r : rows) {
    Machine(0, r.nLibrary);
    r.arrange();
    RecordingPage page;
    Run(page);
    const std::string what = std::string(r.sWhat) + ": ";
    CHECK_EQ(what + (sim::FileExists(kTempCopy) ? "kept" : "gone"), what + (r.bCopyAfter ? "kept" : "gone"));
    CHECK_EQ(what + std::to_string(g_initCalls) + " " + std::to_string(g_retrieveCalls),
             what + std::to_string(r.nInit) + " " + std::to_string(r.nInit));
    CHECK_EQ(sim::LoadedLibraries(), 0);
    CHECK_EQ(sim::Launches().size(), size_t(1));
    CHECK_EQ(Texts(page), r.sBox ? std::vector<std::string>{r.sBox} : std::vector<std::string>{});
    if (r.sBox) continue;
    CHECK_EQ(what + page.sMessage, what + kSuccessText);
    CHECK_EQ(page.enabled, std::vector<int>{1});
    CHECK_EQ(page.nResult, 0L);
    CHECK(!page.bClosed);
  }
}

TEST(run_library_object_on_its_own) {
  Machine(0);
  CSetupResultLibrary lib;
  lib.Prepare(kProgramFolder);
  CHECK(lib.Handle() != nullptr);
  CHECK(lib.CopyIsOurs());
  CHECK_EQ(lib.TempPath(), std::string(kTempCopy));
  CHECK(sim::FileExists(kTempCopy));
  g_recorded = 7;
  lib.Initialize();
  CHECK_EQ(lib.Retrieve(), DWORD(0));
  g_recorded = 60007;
  CHECK_EQ(lib.Retrieve(), DWORD(60007));
  lib.Release();
  CHECK(lib.Handle() == nullptr);
  CHECK(!sim::FileExists(kTempCopy));
  lib.Release();   // twice is harmless
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

// ---- failures before and around the setup

TEST(run_failures_before_or_during_the_setup) {
  struct Row {
    const char* sWhat;
    void (*arrange)();
    const char* sBox;   // nullptr: no message box
    size_t nLaunches;
  };
  const Row rows[] = {
      {"system folder unknown", [] { sim::SetSystemDirectory(nullptr); }, nullptr, 0},
      {"no package free", [] {
         for (int i = 0; i < 16; ++i) testdata::AddInstance("I" + std::to_string(i), testdata::kInstanceCodes[i]);
       }, "Unable to obtain available SQL MSI instance file.", 0},
      {"msiexec missing", [] { sim::RemoveFile("C:\\WINDOWS\\system32\\msiexec.exe"); }, nullptr, 0},
      {"msiexec does not start", [] { MachineWithoutSetup(); }, nullptr, 1},
      {"the wait fails on a running setup", [] {
         MachineWithoutSetup();
         sim::ProcessScript s;
         s.dwRunMs = 60000;
         s.bWaitFails = true;
         sim::ScriptProcess("msiexec.exe", s);
       }, "The MSDE setup failed.", 1},
  };
  for (const Row& r : rows) {
    Machine(0);
    r.arrange();
    RecordingPage page;
    Run(page);
    const std::string what = std::string(r.sWhat) + ": ";
    CHECK_EQ(what + std::to_string(sim::Launches().size()), what + std::to_string(r.nLaunches));
    CHECK_EQ(Texts(page), r.sBox ? std::vector<std::string>{r.sBox} : std::vector<std::string>{});
    if (r.sBox && !page.boxes.empty()) CHECK_EQ(page.boxes[0].nFlags, UINT(MB_ICONINFORMATION));
    if (r.nLaunches == 0) CHECK_EQ(g_initCalls, 0);
    CheckFailureState(page);
    CHECK_EQ(sim::OpenHandles(), 0);
  }
}

// ---- the wait

TEST(run_wait_polls_and_animates_the_bar_full_and_empty) {
  Machine(0, 0, 5000);   // ten polls of 500 ms
  RecordingPage page;
  Run(page);
  CHECK(page.nHidden >= 10);
  CHECK_EQ(page.nIncrements, page.nHidden / 2);
  // Full on one step, empty on the next.
  CHECK(page.percentages.size() >= 4);
  for (size_t i = 0; i < page.percentages.size(); ++i) CHECK_EQ(page.percentages[i], i % 2 == 0 ? 100 : 0);
  // The turn at each end, from a bar the run did not set up itself.
  RecordingPage bar;
  bool bRising = false;
  bar.nUnits = 98;
  bar.nPercent = 10;
  AnimateProgress(bar, bRising);
  CHECK_EQ(bar.nUnits, 99);
  CHECK(!bRising);
  bar.nPercent = 100;
  bar.nUnits = 2;
  AnimateProgress(bar, bRising);
  CHECK_EQ(bar.nUnits, 1);
  CHECK(bRising);
}

// ---- restart road

TEST(run_restart_1641_writes_the_resume_entries_and_returns_cancel) {
  Machine(1641, 0, 0);   // ends at once: the clock still reads 12:00:00
  RecordingPage page;
  Run(page, Params("SALES", "pw", false));
  CHECK(page.boxes.empty());
  CHECK_EQ(page.nResult, long(PageResultCancel));
  CHECK(page.bClosed);
  CHECK(sim::ExitWindowsCalls().empty());
  // 2026-12-06 12:00:00 is day 46362 of the serial, half past.
  CHECK_EQ(sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer"),
           std::string("C:\\SETUP\\Tarnwick.exe /Config 46362.5"));
  DWORD dwType = 0;
  CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, "SOFTWARE\\LumeDax", "46362.5", &dwType, nullptr));
  CHECK_EQ(dwType, DWORD(REG_BINARY));
  // The next start with the Run entry's switch finds the settings again.
  sim::SetCommandLine("/Config 46362.5");
  std::string sServer, sUser, sPassword;
  bool bNT = true;
  CHECK_EQ(ParseCommandLine(sServer, sUser, sPassword, bNT), RunModeConfig);
  CHECK_EQ(sServer + "|" + sUser + "|" + sPassword, std::string("SALES|sa|pw"));
  CHECK(!bNT);
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK(!sim::FileExists(kTempCopy));
}

TEST(run_restart_3010_declined_or_refused_explains_and_returns_cancel) {
  for (bool bRefused : {false, true}) {
    Machine(3010);
    sim::SetExitWindowsFails(bRefused);
    RecordingPage page;
    page.answers = {bRefused ? IDYES : IDNO};
    Run(page);
    CHECK_EQ(Texts(page), (std::vector<std::string>{kQuestion, kManualRestart}));
    if (page.boxes.size() == 2) {
      CHECK_EQ(page.boxes[0].nFlags, UINT(36));
      CHECK_EQ(page.boxes[1].nFlags, UINT(64));
    }
    CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(bRefused ? 1 : 0));
    CHECK_EQ(page.nResult, long(PageResultCancel));
    CHECK(page.bClosed);
    CHECK(!page.bEnded);
    CHECK(!sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer").empty());
  }
}

TEST(run_restart_3010_answered_yes_restarts_and_ends) {
  Machine(3010);
  RecordingPage page;
  page.answers = {IDYES};
  Run(page);
  CHECK(page.bEnded);
  CHECK_EQ(page.boxes.size(), size_t(1));
  CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
  if (!sim::ExitWindowsCalls().empty()) {
    CHECK_EQ(sim::ExitWindowsCalls()[0].uFlags, UINT(10));
    CHECK(sim::ExitWindowsCalls()[0].bPrivilegeEnabled);
  }
  CHECK(!page.bClosed);
  CHECK(!sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer").empty());
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

// ---- the stamp

TEST(run_stamp_is_a_date_serial_in_the_locale_form) {
  SYSTEMTIME st = {};
  st.wYear = 1899, st.wMonth = 12, st.wDay = 30;
  CHECK_EQ(StampSerial(st), 0.0);
  st.wYear = 2005, st.wMonth = 5, st.wDay = 1, st.wHour = 6;
  CHECK_EQ(StampSerial(st), 38473.25);
  st.wSecond = 1;
  st.wMilliseconds = 999;   // the platform's clock has whole seconds
  CHECK_EQ(DoubleToText(StampSerial(st), "."), std::string("38473.2500115741"));
  CHECK_EQ(DoubleToText(38475.0, ","), std::string("38475"));
  CHECK_EQ(DoubleToText(38475.51, ","), std::string("38475,51"));

  sim::Reset();
  CHECK_EQ(ResumeStamp(), std::string("46362.5"));
  sim::SetDecimalSeparator(",");
  sim::Advance(1000);
  CHECK_EQ(ResumeStamp(), std::string("46362,5000115741"));
}
