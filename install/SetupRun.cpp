#include "install/SetupRun.h"

#include <cstdio>
#include <vector>
#include "install/InstanceFiles.h"
#include "install/SetupWatcher.h"
#include "pages/CPage.h"
#include "util/MLog.h"
#include "util/Restart.h"
#include "util/Unattended.h"
#include "util/Util.h"

namespace {
const char kCrLf[] = "\r\n";
const char kLibraryName[] = "qxMSI_ERR.dll";
const char kLogName[] = "msde_inst.log";
const DWORD kBuffer = 260;
const DWORD kPollMs = 500;

const char kNoPackage[] = "Unable to obtain available SQL MSI instance file.";
const char kSetupFailed[] = "The MSDE setup failed.";

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

std::string SuccessText() {
  return std::string("The SQL Server desktop edition has been successfully installed.") + kCrLf + kCrLf +
         "Click \"Next\" to continue.";
}

std::string ErrorText() {
  return std::string("Errors occurred durring the install process.") + kCrLf + kCrLf +
         "Unable to continue with server configuration.";
}

std::string RestartQuestion() {
  return std::string("The system must be rebooted before the ORV Database installer can continue with the "
                     "configuration of the MSDE install.") +
         kCrLf + kCrLf + "Choose \"Yes\" to reboot the system now or \"No\" to reboot later.";
}

std::string ManualRestartText() {
  return std::string("To automatically configure the database server, you must re-start the system with the "
                     "ORV Database installer CD in the CD-ROM drive.") +
         "  If the ORV Database installer application is not available when the system re-starts, you will "
         "need to run the " +
         "ORV Database installer application using the \"/Config\" command line switch to configure the "
         "database server." +
         "  For more information on the \"/Config\" switch, see the ORV documentation." + kCrLf + kCrLf +
         "Click \"OK\" to exit this application.";
}

// Days from 1970-01-01 of a proleptic Gregorian date.
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + long(doe) - 719468;
}

// Restart road (results 1641 and 3010): the Run entry and the resume data
// bring the configuration back after the reboot.
void RestartRoad(ISetupRunPage& page, const InstallParameters& params, DWORD dwResult) {
  const std::string sStamp = ResumeStamp();
  // The data first, then the entry that names it; without both the next
  // start would show the invalid-command-line message instead.
  const bool bData = SaveResumeData(sStamp, ConfigurationData(params));
  const bool bEntry = bData && AddResumeEntry("/Config", sStamp);
  if (bData && !bEntry) DeleteResumeData(sStamp);
  Log("Restart road: stamp " + sStamp + ", " +
      (bEntry  ? "resume data and Run entry written"
       : bData ? "Run entry not written, resume data removed: nothing will resume"
               : "resume data not written, no Run entry: nothing will resume"));
  App::SetExitCode(bEntry ? ExitRestartNeeded : ExitFailed);
  // From here the page may go: the resume entries are in place. Set before
  // any restart request, or the page would veto the restart it asked for.
  page.SetPageResult(PageResultCancel);
  // 1641: the setup's own restart was refused while the page waited (the
  // entries were not written yet); ask for it again now that they are.
  const bool bRestart =
      dwResult == SetupRestartInitiated
          ? !Unattended().bNoRestart
          : page.ShowMessage(RestartQuestion(), MB_YESNO | MB_ICONQUESTION, true) != IDNO;
  if (bRestart && RequestRestart()) {
    if (bEntry) App::SetExitCode(ExitRestarting);
    page.EndProgram();
  }
  // Declined, or refused (no shutdown right): the resume entries are
  // written, so the user only has to restart by hand.
  page.ShowMessage(ManualRestartText(), MB_ICONINFORMATION);
  page.ClosePage();
}

// Steps up to the setup's result. Returns false when the restart road has
// closed the page; true when the closing steps are due.
bool RunSetup(ISetupRunPage& page, const InstallParameters& params, const std::string& sProgramFolder,
              CSetupResultLibrary& lib) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);

  std::vector<char> buf(kBuffer, '\0');
  if (api::GetSystemDirectoryA(buf.data(), kBuffer) == 0) {
    page.SetPageResult(PageResultFailed);
    return true;
  }

  const std::string sPackage = GetAvailableInstanceFile();
  Log("Engine setup: package " + (sPackage.empty() ? std::string("none free") : sPackage));
  if (sPackage.empty()) {
    page.SetPageResult(PageResultFailed);
    page.ShowMessage(kNoPackage, MB_ICONINFORMATION);
    return true;
  }

  const std::string sSystemFolder = AddBackslash(GetShortPath(TrimAtNull(std::string(buf.data(), kBuffer))));
  const std::string sSetupProgram = sSystemFolder + "msiexec.exe";
  if (!FileExists(sSetupProgram)) {
    page.SetPageResult(PageResultFailed);
    return true;
  }

  const std::string sCommand = BuildSetupCommandLine(sPackage, params.sServerName, params.sPassword,
                                                     params.bNTAuthentication, GetLogFolder());

  lib.Prepare(sProgramFolder);
  lib.Initialize();
  Log("Engine setup: " + sSetupProgram +
      BuildSetupCommandLine(sPackage, params.sServerName, kHiddenText, params.bNTAuthentication, GetLogFolder()));

  std::vector<char> command(sCommand.begin(), sCommand.end());
  command.push_back('\0');
  PROCESS_INFORMATION pi = {};
  if (!api::CreateProcessA(sSetupProgram.c_str(), command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                           nullptr, sProgramFolder.c_str(), &si, &pi)) {
    Log("Engine setup: msiexec could not be started, error " + std::to_string(api::GetLastError()));
    page.SetPageResult(PageResultFailed);
    return true;
  }

  // The page stays alive through the message dispatch; its buttons are
  // disabled, so nothing can navigate away meanwhile.
  bool bWatcherDone = false, bRising = false;
  int nPoll = 0;
  for (;;) {
    if (!bWatcherDone) bWatcherDone = HideSetupCancelButton(pi.dwProcessId);
    page.SetProgressBarVisible(false);
    if (++nPoll == 2) {
      AnimateProgress(page, bRising);
      nPoll = 0;
    }
    PumpMessages();
    const DWORD rc = api::WaitForSingleObject(pi.hProcess, kPollMs);
    if (rc == WAIT_OBJECT_0 || rc == WAIT_FAILED) break;
  }

  // An exit code that cannot be read counts as a setup still running, which
  // is a failure: never success, never the restart road.
  DWORD dwExitCode = 0;
  if (!api::GetExitCodeProcess(pi.hProcess, &dwExitCode)) dwExitCode = STILL_ACTIVE;
  api::CloseHandle(pi.hThread);
  api::CloseHandle(pi.hProcess);
  const DWORD dwLibraryCode = lib.Retrieve();
  lib.Release();

  const DWORD dwResult = CombineSetupResult(dwExitCode, dwLibraryCode);
  Log("Engine setup: exit code " + std::to_string(dwExitCode) + ", library code " + std::to_string(dwLibraryCode) +
      ", result " + std::to_string(dwResult));
  if (dwResult == SetupSucceeded) {
    page.SetInstallMessage(SuccessText());
    App::SetExitCode(ExitDone);
    page.EnableNavButton(1);
  } else if (dwResult == SetupRestartInitiated || dwResult == SetupRestartRequired) {
    RestartRoad(page, params, dwResult);
    return false;
  } else {
    page.SetPageResult(PageResultFailed);
    App::SetExitCode(SetupFailureExitCode(dwResult));
    if (dwResult == SetupBusy) Log("Engine setup: another installation is in progress");
    page.ShowMessage(SetupResultMessage(dwResult, params.sServerName), MB_ICONINFORMATION);
  }
  return true;
}
}  // namespace

void RunEngineSetup(ISetupRunPage& page, const InstallParameters& params, const std::string& sProgramFolder) {
  // Until the setup's result says otherwise, the run has failed.
  App::SetExitCode(ExitFailed);
  CSetupResultLibrary lib;
  if (!RunSetup(page, params, sProgramFolder, lib)) return;
  lib.Release();
  if (page.PageResult() == PageResultFailed) {
    page.SetInstallMessage(ErrorText());
    page.EnableNavButton(4);
    page.EnableNavButton(2);
  }
}

std::string QuotePropertyValue(const std::string& sValue) {
  if (sValue.find_first_of(" \t\"") == std::string::npos) return sValue;
  std::string s = "\"";
  for (char c : sValue) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}

std::string BuildSetupCommandLine(const std::string& sPackage, const std::string& sServerName,
                                  const std::string& sPassword, bool bNTAuthentication,
                                  const std::string& sLogFolder) {
  std::string s = " /i " + sPackage;
  if (Upper(sServerName) != "DEFAULT") s += " INSTANCENAME=" + QuotePropertyValue(sServerName);
  s += " SAPWD=" + QuotePropertyValue(sPassword);
  s += " CALLBACK=qxMSI_ERR!MSICBK";
  if (!bNTAuthentication) s += " SECURITYMODE=SQL";
  if (Unattended().eUi != UiFull || IsWindowsVistaOrLater()) s += " REBOOT=ReallySuppress";
  s += Unattended().eUi == UiQuiet ? " /qn" : " /qb";
  s += " /l*v " + sLogFolder + kLogName;
  return s;
}

std::string GetLogFolder() {
  std::vector<char> buf(kBuffer, '\0');
  api::GetLogicalDriveStringsA(kBuffer, buf.data());
  std::string sFolder;
  // Roots are 4 characters apart ("C:\" and its NUL). The list ends at the
  // first empty entry: an empty root would name the current drive.
  for (DWORD nPos = 0; nPos < 256 && buf[nPos]; nPos += 4) {
    const std::string sRoot(buf.data() + nPos, 3);
    if (api::GetDriveTypeA(sRoot.c_str()) == DRIVE_FIXED) {
      sFolder = sRoot;
      break;
    }
  }
  if (sFolder.empty()) sFolder = "C:\\";
  return AddBackslash(sFolder);
}

DWORD CombineSetupResult(DWORD dwExitCode, DWORD dwLibraryCode) {
  return dwExitCode == 0 ? dwLibraryCode : dwExitCode;
}

std::string SetupResultMessage(DWORD dwResult, const std::string& sServerName) {
  switch (dwResult) {
    case SetupSucceeded:
    case SetupRestartInitiated:
    case SetupRestartRequired:
      return std::string();
    case 50035:
      return "The MSDE setup failed because some of the characters entered for the Server Name are not "
             "supported by the current code page.";
    case 50043:
      return "The MSDE setup failed because there is already a server named " + sServerName + " on this system.";
    case 50047:
      return "The MSDE setup failed because some of the characters used in the Server Name are not valid for "
             "use in a SQL Server name.";
    case 60007:
      return "The MSDE setup failed because there are already 16 instances of the SQL Server desktop edition "
             "installed on this system.";
    default:
      return kSetupFailed;   // 1603 and every other code
  }
}

unsigned SetupFailureExitCode(DWORD dwResult) {
  if (dwResult == SetupBusy) return ExitBusy;
  if (dwResult == 50043) return ExitAlreadyInstalled;
  return ExitFailed;
}

double StampSerial(const SYSTEMTIME& st) {
  // The platform's clock has whole seconds.
  const long nDays = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - DaysFromCivil(1899, 12, 30);
  const long nSeconds = (st.wHour * 60L + st.wMinute) * 60L + st.wSecond;
  return double(nDays) + double(nSeconds) / 86400.0;
}

std::string DoubleToText(double dValue, const std::string& sDecimal) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.15g", dValue);
  std::string s;
  for (const char* p = buf; *p; ++p) {
    if (*p == '.')
      s += sDecimal;
    else
      s += *p;
  }
  return s;
}

std::string ResumeStamp() {
  SYSTEMTIME st = {};
  api::GetLocalTime(&st);
  char sDecimal[8] = {};
  std::string sSeparator = ".";
  if (api::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sDecimal, sizeof(sDecimal)) > 1)
    sSeparator = TrimAtNull(std::string(sDecimal, sizeof(sDecimal)));
  return DoubleToText(StampSerial(st), sSeparator);
}

void AnimateProgress(ISetupRunPage& page, bool& bRising) {
  const int32_t nCurrent = page.BarCurrentPercentage(), nMax = page.BarMaxPercentage();
  if (nCurrent < nMax)
    bRising = true;
  else if (nCurrent >= nMax - 1)
    bRising = false;
  if (bRising) {
    page.SetBarProgressUnits(page.BarProgressUnits() + 1);
    page.BarIncrementProgress();
    if (page.BarProgressUnits() == 99) bRising = false;
  } else {
    page.SetBarProgressUnits(page.BarProgressUnits() - 1);
    page.BarIncrementProgress();
    if (page.BarProgressUnits() == 1) bRising = true;
  }
}

// ---- the setup-result library

void CSetupResultLibrary::Prepare(const std::string& sProgramFolder) {
  m_sProgramLibrary = AddBackslash(sProgramFolder) + kLibraryName;
  std::vector<char> buf(kBuffer, '\0');
  const DWORD n = api::GetTempPathA(kBuffer, buf.data());
  if (n == 0 || n >= kBuffer) return;   // no (usable) temporary folder: no copy
  m_sTempPath = AddBackslash(TrimAtNull(std::string(buf.data(), kBuffer))) + kLibraryName;
  m_bOurs = !FileExists(m_sTempPath);
  if (api::CopyFileA(m_sProgramLibrary.c_str(), m_sTempPath.c_str(), FALSE)) {
    m_hLib = api::LoadLibraryA(m_sTempPath.c_str());
    // Release() only sees a loaded copy: one that would not load goes now.
    if (!m_hLib && m_bOurs) api::DeleteFileA(m_sTempPath.c_str());
  }
}

LONG CSetupResultLibrary::Call(const char* sFunction) {
  if (m_hLib) {
    LibraryFunction pfn = reinterpret_cast<LibraryFunction>(api::GetProcAddress(m_hLib, sFunction));
    return pfn ? pfn() : 0;
  }
  // Without the private copy the medium's own library serves, held only for
  // the call; a missing library counts as nothing recorded.
  if (m_sProgramLibrary.empty()) return 0;
  HMODULE hLib = api::LoadLibraryA(m_sProgramLibrary.c_str());
  if (!hLib) return 0;
  LibraryFunction pfn = reinterpret_cast<LibraryFunction>(api::GetProcAddress(hLib, sFunction));
  const LONG n = pfn ? pfn() : 0;
  api::FreeLibrary(hLib);
  return n;
}

void CSetupResultLibrary::Initialize() { Call("InitializeMSILib"); }

DWORD CSetupResultLibrary::Retrieve() { return DWORD(Call("RetreiveMSIExitCode")); }

void CSetupResultLibrary::Release() {
  if (!m_hLib) return;
  api::FreeLibrary(m_hLib);
  if (m_bOurs) api::DeleteFileA(m_sTempPath.c_str());
  m_hLib = nullptr;
}
