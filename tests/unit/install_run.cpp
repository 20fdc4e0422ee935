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

struct Ended {};

struct Message {
  std::string sText;
  UINT nFlags;
};

// A page that records what the run does to it. The bar follows the
// progress bar's own arithmetic (fill = units done / units, capped).
class RecordingPage : public ISetupRunPage {
public:
  std::string sMessage = "waiting";
  std::vector<int> enabled;
  std::vector<Message> boxes;
  std::vector<int> answers;         // for questions, in order
  long nResult = 0;
  bool bClosed = false, bEnded = false;
  int nHidden = 0, nIncrements = 0;
  std::vector<int32_t> percentages;
  int32_t nUnits = 0, nUnit = 0, nPercent = 0;

  void SetInstallMessage(const std::string& s) override { sMessage = s; }
  void EnableNavButton(int n) override { enabled.push_back(n); }
  void SetProgressBarVisible(bool b) override { nHidden += b ? 0 : 1; }
  int32_t BarCurrentPercentage() override { return nPercent; }
  int32_t BarMaxPercentage() override { return 100; }
  int32_t BarProgressUnits() override { return nUnits; }
  void SetBarProgressUnits(int32_t n) override { nUnits = n; }
  void BarIncrementProgress() override {
    ++nIncrements;
    ++nUnit;
    nPercent = nUnits == 0 ? 0 : (nUnit >= nUnits ? 100 : int32_t(100.0 * nUnit / nUnits + 0.5));
    percentages.push_back(nPercent);
  }
  int ShowMessage(const std::string& s, UINT n) override {
    boxes.push_back({s, n});
    if ((n & MB_YESNO) == 0) return IDOK;
    CHECK(!answers.empty());
    if (answers.empty()) return IDCANCEL;
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  long PageResult() override { return nResult; }
  void SetPageResult(long n) override { nResult = n; }
  void ClosePage() override { bClosed = true; }
  void EndProgram() override {
    bEnded = true;
    throw Ended();
  }
};

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
}
}  // namespace

// ---- command line and log folder

TEST(run_command_line_pieces_for_named_and_default_instances) {
  CHECK_EQ(BuildSetupCommandLine("SqlRun03.msi", "SALES", "", true, "C:\\"),
           std::string(" /i SqlRun03.msi INSTANCENAME=SALES SAPWD= CALLBACK=qxMSI_ERR!MSICBK /qb /l*v "
                       "C:\\msde_inst.log"));
  CHECK_EQ(BuildSetupCommandLine("SqlRun01.msi", "default", "pw", false, "D:\\"),
           std::string(" /i SqlRun01.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK SECURITYMODE=SQL /qb /l*v "
                       "D:\\msde_inst.log"));
  CHECK_EQ(BuildSetupCommandLine("SqlRun01.msi", "Default", "pw", true, "C:\\"),
           std::string(" /i SqlRun01.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"));
  // Only the exact word (in any case) means the default instance.
  CHECK(BuildSetupCommandLine("SqlRun01.msi", "DEFAULT1", "pw", true, "C:\\").find(" INSTANCENAME=DEFAULT1 ") !=
        std::string::npos);
}

TEST(run_command_line_keeps_hostile_values_inside_their_property) {
  CHECK_EQ(QuotePropertyValue("plain"), std::string("plain"));
  CHECK_EQ(QuotePropertyValue(""), std::string(""));
  CHECK_EQ(QuotePropertyValue("two words"), std::string("\"two words\""));
  CHECK_EQ(QuotePropertyValue("say \"hi\""), std::string("\"say \"\"hi\"\"\""));
  CHECK_EQ(QuotePropertyValue("a\"b"), std::string("\"a\"\"b\""));
  // A password that would otherwise add its own properties.
  const std::string s = BuildSetupCommandLine("SqlRun01.msi", "SALES", "x SECURITYMODE=NT", true, "C:\\");
  CHECK_EQ(s, std::string(" /i SqlRun01.msi INSTANCENAME=SALES SAPWD=\"x SECURITYMODE=NT\" "
                          "CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"));
  CHECK(BuildSetupCommandLine("SqlRun01.msi", "MY SERVER", "p", true, "C:\\").find(" INSTANCENAME=\"MY SERVER\" ") !=
        std::string::npos);
}

TEST(run_log_folder_is_the_first_fixed_drive) {
  sim::Reset();
  CHECK_EQ(GetLogFolder(), std::string("C:\\"));
  sim::SetDrives({{"A:\\", DRIVE_REMOVABLE}, {"C:\\", DRIVE_CDROM}, {"D:\\", DRIVE_FIXED}, {"E:\\", DRIVE_FIXED}});
  CHECK_EQ(GetLogFolder(), std::string("D:\\"));
  sim::SetDrives({{"A:\\", DRIVE_REMOVABLE}, {"E:\\", DRIVE_CDROM}});
  CHECK_EQ(GetLogFolder(), std::string("C:\\"));
  sim::SetDrives({});
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
}

TEST(run_picks_the_next_package_when_one_is_installed) {
  Machine(0);
  sim::RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\MSSQLServer\\Setup", "ProductCode",
                    "{E09B48B5-E141-427A-AB0C-D3605127224A}");
  RecordingPage page;
  Run(page, Params("default", "pw", true));
  CHECK_EQ(sim::Launches().size(), size_t(1));
  if (!sim::Launches().empty())
    CHECK_EQ(sim::Launches()[0].sCommandLine,
             std::string(" /i SqlRun02.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"));
}

// ---- results

TEST(run_success_shows_the_text_and_offers_next) {
  Machine(0);
  RecordingPage page;
  Run(page);
  CHECK_EQ(page.sMessage, std::string(kSuccessText));
  CHECK_EQ(page.enabled, std::vector<int>{1});
  CHECK_EQ(page.nResult, 0L);
  CHECK(page.boxes.empty());
  CHECK(!page.bClosed);
  CHECK_EQ(g_initCalls, 1);
  CHECK_EQ(g_retrieveCalls, 1);
}

TEST(run_every_failure_result_has_its_message) {
  struct Row {
    DWORD dwExit;
    LONG nLibrary;
    const char* sMessage;
  };
  const Row rows[] = {
      {1603, 0, "The MSDE setup failed."},
      {0, 50035,
       "The MSDE setup failed because some of the characters entered for the Server Name are not supported by "
       "the current code page."},
      {0, 50043, "The MSDE setup failed because there is already a server named ZoMEL on this system."},
      {0, 50047,
       "The MSDE setup failed because some of the characters used in the Server Name are not valid for use in a "
       "SQL Server name."},
      {0, 60007,
       "The MSDE setup failed because there are already 16 instances of the SQL Server desktop edition installed "
       "on this system."},
      {50043, 0, "The MSDE setup failed because there is already a server named ZoMEL on this system."},
      {1603, 50043, "The MSDE setup failed."}, // a non-zero exit code stands
      {1, 0, "The MSDE setup failed."},
      {0, 1, "The MSDE setup failed."},
  };
  for (const Row& r : rows) {
    Machine(r.dwExit, r.nLibrary);
    RecordingPage page;
    Run(page);
    CHECK_EQ(page.boxes.size(), size_t(1));
    if (!page.boxes.empty()) {
      CHECK_EQ(page.boxes[0].sText, std::string(r.sMessage));
      CHECK_EQ(page.boxes[0].nFlags, UINT(MB_ICONINFORMATION));
    }
    CheckFailureState(page);
  }
}

TEST(run_result_table_as_a_function) {
  CHECK_EQ(CombineSetupResult(0, 0), DWORD(0));
  CHECK_EQ(CombineSetupResult(0, 50043), DWORD(50043));
  CHECK_EQ(CombineSetupResult(1603, 50043), DWORD(1603));
  CHECK_EQ(CombineSetupResult(3010, 50043), DWORD(3010));
  CHECK_EQ(SetupResultMessage(0, "X"), std::string());
  CHECK_EQ(SetupResultMessage(1641, "X"), std::string());
  CHECK_EQ(SetupResultMessage(3010, "X"), std::string());
  CHECK_EQ(SetupResultMessage(50043, "Big Name"),
           std::string("The MSDE setup failed because there is already a server named Big Name on this system."));
  CHECK_EQ(SetupResultMessage(259, "X"), std::string("The MSDE setup failed."));
}

// ---- the setup-result library

TEST(run_library_copy_made_by_the_run_is_released_and_deleted) {
  Machine(0);
  CHECK(!sim::FileExists(kTempCopy));
  RecordingPage page;
  Run(page);
  CHECK(!sim::FileExists(kTempCopy));
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

TEST(run_library_copy_that_was_there_is_overwritten_and_kept) {
  Machine(0, 50043);
  sim::AddFile(kTempCopy);
  RecordingPage page;
  Run(page);
  CHECK(sim::FileExists(kTempCopy));
  CHECK_EQ(sim::LoadedLibraries(), 0);
  // The library still answered from the copy.
  CHECK_EQ(page.boxes.size(), size_t(1));
  if (!page.boxes.empty())
    CHECK_EQ(page.boxes[0].sText,
             std::string("The MSDE setup failed because there is already a server named ZoMEL on this system."));
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

TEST(run_without_temporary_folder_still_initialises_the_library) {
  Machine(0, 50047);
  sim::SetTempPath(nullptr);
  RecordingPage page;
  Run(page);
  CHECK_EQ(g_initCalls, 1);
  CHECK_EQ(g_retrieveCalls, 1);
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK_EQ(page.boxes.size(), size_t(1));
  if (!page.boxes.empty())
    CHECK_EQ(page.boxes[0].sText,
             std::string("The MSDE setup failed because some of the characters used in the Server Name are not "
                         "valid for use in a SQL Server name."));
}

TEST(run_with_a_failed_copy_goes_on) {
  Machine(0);
  sim::SetTempPath("C:\\NOSUCHDIR\\");
  RecordingPage page;
  Run(page);
  CHECK_EQ(sim::Launches().size(), size_t(1));
  CHECK_EQ(page.sMessage, std::string(kSuccessText));
  CHECK_EQ(g_initCalls, 1);
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

TEST(run_without_any_library_counts_nothing_recorded) {
  Machine(0);
  sim::RemoveFile("C:\\SETUP\\qxMSI_ERR.dll");
  RecordingPage page;
  Run(page);
  CHECK_EQ(g_initCalls, 0);
  CHECK_EQ(page.sMessage, std::string(kSuccessText));
  CHECK(!sim::FileExists(kTempCopy));
}

// ---- failures before and around the setup

TEST(run_failure_when_the_system_folder_is_unknown) {
  Machine(0);
  sim::SetSystemDirectory(nullptr);
  RecordingPage page;
  Run(page);
  CHECK(page.boxes.empty());
  CHECK(sim::Launches().empty());
  CheckFailureState(page);
}

TEST(run_failure_when_no_package_is_free) {
  Machine(0);
  const char* const codes[16] = {
      "{E09B48B5-E141-427A-AB0C-D3605127224A}", "{689404D2-1C94-44B3-9203-BEC5594FDA7A}",
      "{EFB70B01-B1F3-4960-AB69-4A280084A60C}", "{C2736CA7-76E1-4D0C-B590-483A7FFD18DA}",
      "{FE7E950B-220A-4182-B5CA-19397244DCFD}", "{7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19}",
      "{F07E35BF-8B03-4777-9B5E-AE90E4FF0932}", "{C5B59406-E985-4187-84E8-68E2D9F89A47}",
      "{D7CE240C-0F3B-4C40-9278-C0B90E533652}", "{A519AE9C-7C79-4C5B-9127-8F46D648D5A4}",
      "{4541DA32-2108-43E9-9915-C71B9DE77048}", "{A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D}",
      "{9FCE5BBD-D85F-4905-8A0C-12A3A86C2434}", "{F4E46404-2578-4955-B748-547957F08AB1}",
      "{B7300824-E68F-45F1-BAC1-5F15636C346F}", "{CD59EA85-6CBF-4C08-BE59-6C628B3D8F54}",
  };
  for (int i = 0; i < 16; ++i)
    sim::RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Microsoft SQL Server\\I" + std::to_string(i) + "\\Setup",
                      "ProductCode", codes[i]);
  RecordingPage page;
  Run(page);
  CHECK_EQ(page.boxes.size(), size_t(1));
  if (!page.boxes.empty()) {
    CHECK_EQ(page.boxes[0].sText, std::string("Unable to obtain available SQL MSI instance file."));
    CHECK_EQ(page.boxes[0].nFlags, UINT(MB_ICONINFORMATION));
  }
  CHECK(sim::Launches().empty());
  CHECK_EQ(g_initCalls, 0);
  CheckFailureState(page);
}

TEST(run_failure_when_msiexec_is_missing) {
  Machine(0);
  sim::RemoveFile("C:\\WINDOWS\\system32\\msiexec.exe");
  RecordingPage page;
  Run(page);
  CHECK(page.boxes.empty());
  CHECK(sim::Launches().empty());
  CHECK(!sim::FileExists(kTempCopy));
  CheckFailureState(page);
}

TEST(run_failure_when_msiexec_does_not_start_releases_the_library) {
  MachineWithoutSetup();   // CreateProcessA finds no msiexec to run
  RecordingPage page;
  Run(page);
  CHECK_EQ(sim::Launches().size(), size_t(1));   // tried, refused
  CHECK(page.boxes.empty());
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK(!sim::FileExists(kTempCopy));
  CheckFailureState(page);
}

TEST(run_failed_wait_takes_the_exit_code_of_a_running_setup) {
  MachineWithoutSetup();
  sim::ProcessScript s;
  s.dwRunMs = 60000;
  s.bWaitFails = true;
  sim::ScriptProcess("msiexec.exe", s);
  RecordingPage page;
  Run(page);
  CHECK_EQ(page.boxes.size(), size_t(1));
  if (!page.boxes.empty()) CHECK_EQ(page.boxes[0].sText, std::string("The MSDE setup failed."));
  CheckFailureState(page);
  CHECK_EQ(sim::OpenHandles(), 0);
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
}

TEST(run_animation_turns_at_the_ends) {
  RecordingPage page;
  bool bRising = false;
  // Near the top the bar goes down again.
  page.nUnits = 98;
  page.nPercent = 10;
  AnimateProgress(page, bRising);
  CHECK_EQ(page.nUnits, 99);
  CHECK(!bRising);
  page.nPercent = 100;
  page.nUnits = 2;
  AnimateProgress(page, bRising);
  CHECK_EQ(page.nUnits, 1);
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
  CHECK_EQ(sServer, std::string("SALES"));
  CHECK_EQ(sUser, std::string("sa"));
  CHECK_EQ(sPassword, std::string("pw"));
  CHECK(!bNT);
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK(!sim::FileExists(kTempCopy));
}

TEST(run_restart_3010_answered_no_explains_and_returns_cancel) {
  Machine(3010);
  RecordingPage page;
  page.answers = {IDNO};
  Run(page);
  CHECK_EQ(page.boxes.size(), size_t(2));
  if (page.boxes.size() == 2) {
    CHECK_EQ(page.boxes[0].sText, std::string(kQuestion));
    CHECK_EQ(page.boxes[0].nFlags, UINT(36));
    CHECK_EQ(page.boxes[1].sText, std::string(kManualRestart));
    CHECK_EQ(page.boxes[1].nFlags, UINT(64));
  }
  CHECK(sim::ExitWindowsCalls().empty());
  CHECK_EQ(page.nResult, long(PageResultCancel));
  CHECK(page.bClosed);
  CHECK(!page.bEnded);
  CHECK(!sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer").empty());
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
    CHECK_EQ(sim::ExitWindowsCalls()[0].dwReason, DWORD(0));
    CHECK(sim::ExitWindowsCalls()[0].bPrivilegeEnabled);
  }
  CHECK(!page.bClosed);
  CHECK(!sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer").empty());
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

TEST(run_restart_refused_by_windows_asks_for_a_manual_restart) {
  Machine(3010);
  sim::SetExitWindowsFails(true);
  RecordingPage page;
  page.answers = {IDYES};
  Run(page);
  CHECK(!page.bEnded);
  CHECK_EQ(page.boxes.size(), size_t(2));
  if (page.boxes.size() == 2) CHECK_EQ(page.boxes[1].sText, std::string(kManualRestart));
  CHECK_EQ(page.nResult, long(PageResultCancel));
  CHECK(page.bClosed);
  CHECK(!sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, "MSDE Instance Installer").empty());
}

// ---- the stamp

TEST(run_stamp_is_a_date_serial_in_the_locale_form) {
  SYSTEMTIME st = {};
  st.wYear = 1899;
  st.wMonth = 12;
  st.wDay = 30;
  CHECK_EQ(StampSerial(st), 0.0);
  st.wYear = 2005;
  st.wMonth = 5;
  st.wDay = 1;
  st.wHour = 6;
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
