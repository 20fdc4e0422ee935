// The engine setup run and the runtime setup page with their stand-ins
// started for real, and the page framework at the end of the session.
#include <cstdio>
#include <cstring>
#include <new>
#include "controls/UProgressBar.h"
#include "pages/frmInstallMSI.h"
#include "tests/scenarios/Harness.h"
#include "util/Unattended.h"
#include "util/Util.h"

namespace {
const char kErrorText[] = "Errors occurred durring the install process.\r\n\r\nUnable to continue with server configuration.";
const char kSuccessText[] = "The SQL Server desktop edition has been successfully installed.\r\n\r\nClick \"Next\" to continue.";
const char kQuestion[] =
    "The system must be rebooted before the ORV Database installer can continue with the configuration of "
    "the MSDE install.\r\n\r\nChoose \"Yes\" to reboot the system now or \"No\" to reboot later.";
const char kManualRestart[] =
    "To automatically configure the database server, you must re-start the system with the ORV Database "
    "installer CD in the CD-ROM drive.  If the ORV Database installer application is not available when the "
    "system re-starts, you will need to run the ORV Database installer application using the \"/Config\" "
    "command line switch to configure the database server.  For more information on the \"/Config\" switch, "
    "see the ORV documentation.\r\n\r\nClick \"OK\" to exit this application.";
const char kFailed[] = "The MSDE setup failed.";
const char kTaken[] = "The MSDE setup failed because there is already a server named ZoMEL on this system.";
const char kRunAgain[] = "\r\n\r\nPlease run the ORV Database Install application again after rebooting your system.";

// The dialogs as the watcher finds them, one a pass: another program's, the setup's first, its second.
HWND g_dialogs[3];
HWND WINAPI SetupDialog(LPCSTR cls, LPCSTR title) {
  static int n;
  if (!cls || std::strcmp(cls, "#32770")) return ::FindWindowA(cls, title);
  return g_dialogs[n < 2 ? n++ : 2];
}
DWORD WINAPI DialogProcess(HWND h, LPDWORD pid) {
  if (h != g_dialogs[1] && h != g_dialogs[2]) return ::GetWindowThreadProcessId(h, pid);
  if (pid) *pid = seam::S().lastProcessId;
  return 1;
}

std::string Box(const std::string& text, UINT flags) { return text + " [" + std::to_string(flags) + "]"; }

bool TempCopyLeft() {
  char temp[MAX_PATH] = {};
  return ::GetFileAttributesA((std::string(temp, ::GetTempPathA(MAX_PATH, temp)) + "qxMSI_ERR.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// msi.dll's DllGetVersion reporting g_version (a fourth field of 2: it fails).
const DWORD* g_version;
HRESULT CALLBACK FakeDllGetVersion(DWORD* info) {
  for (int i = 0; i < 3; ++i) info[1 + i] = g_version[i];
  return g_version[3] == 2 ? E_FAIL : S_OK;
}
FARPROC WINAPI VersionExport(HMODULE h, LPCSTR name) {
  if (HIWORD(UINT_PTR(name)) && !std::strcmp(name, "DllGetVersion")) return FARPROC(FakeDllGetVersion);
  return ::GetProcAddress(h, name);
}

HDC WINAPI NoMemoryPaint(HWND, LPPAINTSTRUCT) { throw std::bad_alloc(); }

int g_nullWindows;
LRESULT WINAPI CountNullWindow(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (!h) ++g_nullWindows;
  return ::DefWindowProcA(h, msg, wp, lp);
}

void WriteExitCode(DWORD dwExit) {
  if (FILE* f = std::fopen((Folder() + "MSI\\EXITCODE.TXT").c_str(), "w")) std::fprintf(f, "%lu\n", (unsigned long)dwExit), std::fclose(f);
}
}  // namespace

std::string ResumeEntry(const char* tail) { return ShortPath(Folder() + "Tarnwick.exe") + tail; }
std::string CopyEntry(const char* tail) { return ShortPath(kLocalCopy) + tail; }

void SetupRunScenarios() {
  // msiexec's arguments: the default instance has no name; values that would add properties are quoted.
  const char* const lines[][5] = {
      {"SqlRun03.msi", "SALES", "", "C:\\",
       " /i SqlRun03.msi INSTANCENAME=SALES SAPWD= CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"},
      {"SqlRun01.msi", "Default", "pw", "D:\\",
       " /i SqlRun01.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK /qb /l*v D:\\msde_inst.log"},
      {"SqlRun01.msi", "MY SERVER", "say \"hi\"", "C:\\",
       " /i SqlRun01.msi INSTANCENAME=\"MY SERVER\" SAPWD=\"say \"\"hi\"\"\" CALLBACK=qxMSI_ERR!MSICBK /qb /l*v "
       "C:\\msde_inst.log"},
      {"SqlRun02.msi", "A\"B", "p\"w", "C:\\",
       " /i SqlRun02.msi INSTANCENAME=\"A\"\"B\" SAPWD=\"p\"\"w\" CALLBACK=qxMSI_ERR!MSICBK /qb /l*v C:\\msde_inst.log"},
  };
  for (const auto& l : lines) Eq("msiexec arguments", BuildSetupCommandLine(l[0], l[1], l[2], true, l[3]), l[4]);

  // The setup may not restart the machine itself where nobody could refuse it in time: unattended, and from Vista on,
  // told by the major version (NT 5.2 shares Vista's version code). Windows as platform, major, minor.
  const struct { UiLevel ui; DWORD platform, major, minor; bool bSuppressed; } reboots[] = {
      {UiFull, 1, 4, 0, false}, {UiFull, 2, 5, 1, false}, {UiFull, 2, 5, 2, false}, {UiFull, 2, 6, 1, true},
      {UiPassive, 1, 4, 0, true}, {UiPassive, 2, 5, 1, true}, {UiPassive, 2, 6, 1, true},
      {UiQuiet, 1, 4, 0, true}, {UiQuiet, 2, 5, 1, true}, {UiQuiet, 2, 6, 1, true}};
  for (const auto& r : reboots) {
    Unattended().eUi = r.ui;
    ReportWindows(r.platform, r.major, r.minor);
    Eq("msiexec arguments, row " + std::to_string(&r - reboots), BuildSetupCommandLine("SqlRun01.msi", "Default", "pw", true, "C:\\"),
       std::string(" /i SqlRun01.msi SAPWD=pw CALLBACK=qxMSI_ERR!MSICBK") + (r.bSuppressed ? " REBOOT=ReallySuppress" : "") +
           (r.ui == UiQuiet ? " /qn" : " /qb") + " /l*v C:\\msde_inst.log");
  }
  ReportWindows(0, 0, 0);
  Unattended() = Deployment();

  // Each result of the stand-in (exit code, library code): the boxes, the page ("message|buttons|result|closed") and
  // the run's exit code; the restart roads with the user's answer and the restart going ahead or refused.
  const std::string kFailurePage = kErrorText + std::string("|4 2 |800000000|"), kRestart = Box(kQuestion, 36);
  const struct {
    DWORD dwExit, dwLibrary;
    int answer;
    bool bRestarts;
    std::string boxes, page;
    unsigned exitCode;
  } results[] = {
      {0, 0, 0, false, "", kSuccessText + std::string("|1 |0|"), 0},
      {1603, 0, 0, false, Box(kFailed, 64), kFailurePage, 1603},
      {1618, 0, 0, false, Box(kFailed, 64), kFailurePage, 1618},   // another installation: tools retry
      {0, 50035, 0, false, Box("The MSDE setup failed because some of the characters entered for the Server Name are "
                               "not supported by the current code page.", 64), kFailurePage, 1603},
      {0, 50043, 0, false, Box(kTaken, 64), kFailurePage, 1638},   // the run repeats one already done
      {0, 50047, 0, false, Box("The MSDE setup failed because some of the characters used in the Server Name are not "
                               "valid for use in a SQL Server name.", 64), kFailurePage, 1603},
      {0, 60007, 0, false, Box("The MSDE setup failed because there are already 16 instances of the SQL Server desktop "
                               "edition installed on this system.", 64), kFailurePage, 1603},
      {50043, 0, 0, false, Box(kTaken, 64), kFailurePage, 1638},
      {1603, 50043, 0, false, Box(kFailed, 64), kFailurePage, 1603},   // a non-zero exit code stands
      {0, 1, 0, false, Box(kFailed, 64), kFailurePage, 1603},
      {1641, 0, 0, false, Box(kManualRestart, 64), "||4|closed", 3010},
      {1641, 0, 0, true, "", "||4|ended", 1641},
      {3010, 0, IDNO, false, kRestart + "\n" + Box(kManualRestart, 64), "||4|closed", 3010},
      {3010, 0, IDYES, false, kRestart + "\n" + Box(kManualRestart, 64), "||4|closed", 3010},
      {3010, 0, IDYES, true, kRestart, "||4|ended", 1641},
  };
  for (const auto& r : results) {
    Clean();
    StandInSetup(r.dwExit, r.dwLibrary);
    seam::S().answers = {r.answer};
    seam::S().restartWorks = r.bRestarts;
    RunPage page;
    const bool bReturned = RunSetup(page, InstallParameters{"ZoMEL", "sa", "vormasi17", false});
    const std::string what = "setup " + std::to_string(r.dwExit) + "/" + std::to_string(r.dwLibrary) + " answer " +
                             std::to_string(r.answer) + (r.bRestarts ? " restarting" : "");
    Eq(what + ": started", Join(seam::S().commands),
       ShortPath(Folder() + "sys") + "\\msiexec.exe| /i SqlRun01.msi INSTANCENAME=ZoMEL SAPWD=vormasi17 "
                                     "CALLBACK=qxMSI_ERR!MSICBK SECURITYMODE=SQL /qb /l*v C:\\msde_inst.log");
    Eq(what + ": boxes", Boxes(), r.boxes);
    Eq(what + ": page", page.sMessage + "|" + page.enabled + "|" + std::to_string(page.nResult) + "|" +
                            (page.bClosed ? "closed" : bReturned ? "" : "ended"), r.page);
    Eq(what + ": exit code", App::ExitCode(), r.exitCode);
    Eq(what + ": restarts asked", seam::S().restarts, r.answer == IDYES || r.dwExit == 1641 ? "10+" : "");
    const bool bRoad = r.dwExit == 1641 || r.dwExit == 3010;
    std::string entry, data;
    RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &entry);
    RegGet(HKEY_LOCAL_MACHINE, kResumeKey, kStamp, &data);
    Eq(what + ": Run entry", entry, bRoad ? CopyEntry(" /Config 46362.5") + '\0' : "");
    Eq(what + ": resume data", data, bRoad ? ResumeBytes() : "");
    Check(!TempCopyLeft(), what + ": library copy gone");
    CheckReleased(what);
  }

  // A road that cannot leave what resumes says so and ends with 1603, leaving nothing half-written; a local copy that
  // cannot be made leaves the medium's program in the entry. The nth call of a function fails.
  const struct { seam::Id call; long nth; bool bEntry; unsigned exitCode; const char* logged; } unwritten[] = {
      {seam::id_RegSetValueExA, 1, false, 1603, "resume data not written, no Run entry: nothing will resume"},
      {seam::id_RegSetValueExA, 2, false, 1603, "Run entry not written, resume data removed: nothing will resume"},
      {seam::id_CopyFileA, 2, true, 3010, "no local copy could be made in C:\\Program Files\\LumeDax\\Tarnwick.exe"}};
  for (const auto& u : unwritten) {
    Clean();
    StandInSetup(3010, 0);
    seam::S().answers = {IDNO};
    seam::S().failOnly = u.call;
    seam::S().failAt = u.nth;
    RunPage page;
    RunSetup(page, InstallParameters{"ZoMEL", "sa", "vormasi17", false});
    const std::string what = std::string("restart road, ") + seam::Name(u.call) + " " + std::to_string(u.nth) + " failing: ";
    std::string entry;
    RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &entry);
    Eq(what + "Run entry, resume data, exit code", entry + "|" + std::to_string(RegValues(HKEY_LOCAL_MACHINE, kResumeKey).size()) + "|" +
       std::to_string(App::ExitCode()), (u.bEntry ? ResumeEntry(" /Config 46362.5") + '\0' + "|1|" : std::string("|0|")) + std::to_string(u.exitCode));
    Check(LogText().find(u.logged) != std::string::npos, what + "the log says " + u.logged);
  }
  // The logged line hides the password whatever its length: the log's writer hides only from three characters on.
  Clean();
  StandInSetup(1603, 0);
  RunPage page1;
  RunSetup(page1, InstallParameters{"ZoMEL", "sa", "q", false});
  Check(LogText().find("INSTANCENAME=ZoMEL SAPWD=**** CALLBACK") != std::string::npos, "logged msiexec line: SAPWD=****");

  // The watcher leaves other programs' dialogs alone and acts once per run, on the setup's first dialog.
  Clean();
  StandInSetup(0, 0, 2000);
  seam::hook::FindWindowA = SetupDialog;
  seam::hook::GetWindowThreadProcessId = DialogProcess;
  RunPage page;
  std::string cancels;
  InThread([&] {
    HWND buttons[3];
    for (int i = 0; i < 3; ++i) {
      g_dialogs[i] = ::CreateWindowExA(0, "#32770", "Setup", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
      buttons[i] = ::CreateWindowExA(0, "Button", "Cancel", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, g_dialogs[i], nullptr, nullptr, nullptr);
    }
    RunEngineSetup(page, InstallParameters{"ZoMEL", "sa", "vormasi17", false}, App::Path());
    for (HWND h : buttons) {
      RECT rc = {};
      ::GetWindowRect(h, &rc);
      cancels += std::to_string((::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0) + std::to_string(::IsWindowEnabled(h) != 0) +
                 std::to_string(rc.right > rc.left) + " ";
    }
    cancels += std::to_string((::GetWindowLongA(g_dialogs[1], GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    for (HWND h : g_dialogs) ::DestroyWindow(h);
  });
  seam::hook::FindWindowA = nullptr;
  seam::hook::GetWindowThreadProcessId = nullptr;
  Eq("watcher: dialogs looked for", seam::S().counts[seam::id_FindWindowA], 2);
  Eq("watcher: Cancel shown, enabled, sized, on another program's dialog, the setup's first and second; "
     "the first on top", cancels, "111 000 111 1");
  Eq("watcher: setup result", page.sMessage, kSuccessText);
}

// The runtime page's outcome through its button and timer, the
// redistributable's stand-in ending with its EXITCODE.TXT.
std::string RunRuntimePage(long* pResult) {
  // Faults count from the button press: the page's own making is not the setup's.
  const long failAt = seam::S().failAt;
  const long calls = seam::S().calls;
  seam::S().failAt = 0;
  frmInstallMSI page;
  // Visible to the page's own checks, never mapped on the display: quicker.
  ::SetWindowLongA(page.hWnd(), GWL_STYLE, ::GetWindowLongA(page.hWnd(), GWL_STYLE) | WS_VISIBLE);
  seam::S().failAt = failAt;
  seam::S().calls = calls;
  page.PressControl(frmInstallMSI::idCmdInstallMSI);
  // The tick of the timer the button started, without the wait for it.
  if (page.Loaded()) ::SendMessageA(page.hWnd(), WM_TIMER, frmInstallMSI::idTmrInstallMSI, 0);
  if (pResult) *pResult = page.Result();
  const std::string status = page.Loaded() ? page.Text(frmInstallMSI::idLblInstallInfo + 2) : "(closed)";
  if (page.Loaded()) ::DestroyWindow(page.hWnd());
  return status;
}

void RuntimeScenarios() {
  const std::string kFailedBox = Box(std::string("The MSI installation failed.") + kRunAgain, 64);
  const std::string kUnable = "Unable to continue.\r\n\r\nClick \"Finish\" to exit.";
  const std::string kQuestion = Box(
      "The Microsoft Installer application was installed successfully.\r\nThe system must be rebooted before the "
      "changes will take effect.\r\n\r\nWould you like to reboot your system now?", 36);
  const std::string kNoReboot = Box(std::string("The install cannot be completed until the system is rebooted.") + kRunAgain, 64);
  const char kCannot[] = "Cannot continue without reboot.\r\n\r\nClick \"Finish\" to exit.";
  // The Run entry's tail, "" for none; a tail with /norestart runs under that switch.
  const struct {
    DWORD dwExit;
    bool bUnreadable;   // GetExitCodeProcess fails: counts as still running
    int answer;
    std::string boxes, status;
    long result;
    const char* tail;
    unsigned exitCode;
  } cases[] = {
      {0, false, 0, "", "The Microsoft Installer application was successfully installed.\r\n\r\nClick \"Next\" to continue.", 0, "", 0},
      {1603, false, 0, kFailedBox, kUnable, 4, "", 1603},
      {1618, false, 0, kFailedBox, kUnable, 4, "", 1618},   // another installation: tools retry
      {0, true, 0, kFailedBox, kUnable, 4, "", 1603},
      {3010, false, IDNO, kQuestion + "\n" + kNoReboot, kCannot, 4, "", 1603},
      {3010, false, IDYES, kNoReboot, kCannot, 4, " /MSI /norestart", 3010},   // the question answered No unseen
      {3010, false, IDYES,
       kQuestion + "\n" + Box("Windows could not be restarted automatically.\r\n\r\nPlease restart your system now; the "
                              "ORV Database Install application will continue after the restart.", 64),
       "(closed)", 4, " /MSI", 3010},
      {3010, false, IDYES, kQuestion, "(closed)", 4, " /MSI", 1641},   // the restart under way
  };
  for (const auto& c : cases) {
    Clean();
    Unattended().bNoRestart = std::strstr(c.tail, "/norestart") != nullptr;
    WriteExitCode(c.dwExit);
    seam::S().answers = {c.answer};
    seam::S().restartWorks = c.exitCode == 1641;
    if (c.bUnreadable) seam::S().failOnly = seam::id_GetExitCodeProcess, seam::S().failAt = 1;
    long result = -1;
    const std::string what = "runtime setup " + std::to_string(c.dwExit) + (c.bUnreadable ? " unread" : "") +
                             " answer " + std::to_string(c.answer);
    const std::string status = RunRuntimePage(&result);
    Unattended() = Deployment();
    Eq(what + ": status", status + " " + std::to_string(result) + " " + std::to_string(App::ExitCode()),
       c.status + " " + std::to_string(c.result) + " " + std::to_string(c.exitCode));
    Eq(what + ": boxes", Boxes(), c.boxes);
    Eq(what + ": started", Join(seam::S().commands),
       ShortPath(Folder() + "MSI\\INSTMSIW.EXE") + "| /c:\"msiinst.exe /i instmsi.msi /qn\"");
    std::string entry;
    RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &entry);
    Eq(what + ": Run entry", entry, *c.tail ? ResumeEntry(c.tail) + '\0' : "");
    CheckReleased(what);
  }
  WriteExitCode(0);
  // The redistributable for each Windows: INSTMSIW.EXE from NT 4.0 on.
  const struct {
    DWORD platform, major, minor;
    const char* program;
  } systems[] = {
      {0, 5, 1, "INSTMSI.EXE"}, {1, 4, 5, "INSTMSI.EXE"},  {2, 3, 51, "INSTMSI.EXE"}, {1, 4, 0, "INSTMSI.EXE"},
      {1, 4, 10, "INSTMSI.EXE"}, {1, 4, 90, "INSTMSI.EXE"}, {2, 4, 0, "INSTMSIW.EXE"}, {2, 5, 0, "INSTMSIW.EXE"},
      {2, 5, 1, "INSTMSIW.EXE"}, {2, 6, 1, "INSTMSIW.EXE"},
  };
  for (const auto& v : systems) {
    Clean();
    ReportWindows(v.platform, v.major, v.minor);
    RunRuntimePage(nullptr);
    ReportWindows(0, 0, 0);
    const std::string program = seam::S().commands.empty() ? "" : seam::S().commands[0];
    Eq("runtime setup on Windows " + std::to_string(v.platform) + " " + std::to_string(v.major) + "." +
           std::to_string(v.minor), program.substr(0, program.find('|')), ShortPath(Folder() + "MSI\\" + v.program));
  }
  // The runtime's version rules: from 1.10 on, build 1029 or later; a failed export is old.
  Clean();
  Eq("runtime update needed, the real msi.dll", MsiRuntimeNeedsUpdate(), false);
  CheckReleased("runtime version check");
  const DWORD versions[][4] = {
      {1, 0, 1000, 1}, {1, 1, 1029, 1},  {1, 9, 2600, 1},  {1, 10, 1028, 1}, {1, 10, 1029, 0}, {1, 11, 2405, 0},
      {2, 0, 1000, 1}, {2, 0, 1028, 1},  {2, 0, 1029, 0},  {2, 0, 2600, 0},  {0, 99, 9999, 1}, {3, 1, 4000, 0},
      {0, 0, 0, 2},
  };
  seam::hook::GetProcAddress = VersionExport;
  for (const auto& v : versions) {
    g_version = v;
    Eq("runtime update needed, msi.dll " + std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
           std::to_string(v[2]), MsiRuntimeNeedsUpdate(), v[3] != 0);
  }
  seam::hook::GetProcAddress = nullptr;
}

struct TestPage : CPage {
  TestPage() : CPage(0, false) {}
  void SetResult(long n) { m_PageResult = n; }
};

// A click whose handler throws what the program's own code does not raise.
struct ThrowingPage : TestPage {
  bool bNoMemory = false;
  void Control_Click(int) override {
    if (bNoMemory) throw std::bad_alloc();
    throw 42;
  }
};

void PageScenarios() {
  // The end of the session and the close command are refused while the page has no result, allowed with one.
  TestPage page;
  page.Show(false);
  const HWND h = page.hWnd();
  Eq("session end without a result", ::SendMessageA(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
  ::SendMessageA(h, WM_CLOSE, 0, 0);
  Check(page.Loaded() && ::IsWindow(h), "close without a result: the page stays");
  page.SetResult(PageResultNext);
  Check(::SendMessageA(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0, "session end with a result is allowed");
  ::SendMessageA(h, WM_CLOSE, 0, 0);
  Check(!page.Loaded() && !::IsWindow(h), "close with a result closes the page");
  Eq("page: boxes", Boxes(), "");
  // An exception from a handler the system called, a form's or a drawn control's, ends the program with its box
  // (unseen when unattended) and 1603 for a tool. In a control: out of memory as it paints.
  const std::string kNoMemory = "scenarios: Run-time error '7':\r\n\r\nOut of memory [16] 1603";
  const struct { bool bControl, bNoMemory; UiLevel ui; std::string boxes; } handlers[] = {
      {false, true, UiFull, kNoMemory}, {false, false, UiFull, "scenarios: Run-time error '51':\r\n\r\nInternal error [16] 1603"},
      {true, true, UiFull, kNoMemory}, {true, true, UiQuiet, " 1603"}};
  for (const auto& h : handlers) {
    Clean();
    Unattended().eUi = h.ui;
    seam::hook::BeginPaint = h.bControl ? NoMemoryPaint : nullptr;
    const bool bReturned = InThread([&h] {
      ThrowingPage p;
      p.bNoMemory = h.bNoMemory;
      p.Show(false);
      UProgressBar bar;
      if (h.bControl) ::SendMessageA(bar.Create(p.hWnd(), 9002, 0, 0, 100, 20), WM_PAINT, 0, 0);
      ::PostMessageA(p.hWnd(), WM_COMMAND, MAKEWPARAM(NavId(PageResultHelp), BN_CLICKED), LPARAM(p.Control(NavId(PageResultHelp))));
      PumpMessages();
    });
    seam::hook::BeginPaint = nullptr;
    Unattended() = Deployment();
    Check(!bReturned, "an exception in a handler ends the program");
    Eq("an exception in a handler: boxes, exit code", Boxes() + " " + std::to_string(App::ExitCode()), h.boxes);
  }
  // A page unloaded hands its destruction's messages on with its real window.
  seam::hook::DefWindowProcA = CountNullWindow;
  {
    TestPage p;
    p.Show(false);
    p.SetResult(PageResultNext);
    g_nullWindows = 0;
    p.Unload();
  }
  seam::hook::DefWindowProcA = nullptr;
  Eq("unload: messages handed on without their window", g_nullWindows, 0);
  // A page made and unloaded gives back every GDI object it took.
  auto once = [] { TestPage p; p.Show(false); p.SetResult(PageResultNext); p.Unload(); };
  once();
  const int before = FreeGdiObjects();
  for (int i = 0; i < 3; ++i) once();
  Eq("pages: GDI objects not given back", before - FreeGdiObjects(), 0);
  // A picture replaced by another is given back: the form holds only the last.
  TestPage p;
  p.Show(false);
  p.AddPicture(9001, 0, 0, 300, 300);
  const int free = FreeGdiObjects();
  for (int i = 0; i < 3; ++i) p.SetPicture(9001, ::CreateBitmap(8, 8, 1, 32, nullptr));
  Eq("pages: bitmaps held after three pictures", free - FreeGdiObjects(), 1);
  p.SetResult(PageResultNext);
  p.Unload();
}
