// The engine setup run: msiexec with the chosen instance package, the wait
// with the watcher and the progress animation, the setup's result and what
// the user is told, and the restart road with its resume entries.
#pragma once
#include <cstdint>
#include <string>
#include "platform/MAPI_Declares.h"
#include "startup/MMain.h"

// Setup results with a meaning of their own.
enum : DWORD {
  SetupSucceeded = 0,
  SetupBusy = 1618,             // another installation in progress
  SetupRestartInitiated = 1641,
  SetupRestartRequired = 3010,
};

// What the run needs of its page. The page owns the controls; the run only
// drives them.
class ISetupRunPage {
public:
  virtual ~ISetupRunPage() {}
  virtual void SetInstallMessage(const std::string& sText) = 0;
  virtual void EnableNavButton(int nIndex) = 0;
  virtual void SetProgressBarVisible(bool bVisible) = 0;
  virtual int32_t BarCurrentPercentage() = 0;
  virtual int32_t BarMaxPercentage() = 0;
  virtual int32_t BarProgressUnits() = 0;
  virtual void SetBarProgressUnits(int32_t nNewVal) = 0;
  virtual void BarIncrementProgress() = 0;
  virtual int ShowMessage(const std::string& sText, UINT nFlags, bool bRestartQuestion = false) = 0;   // titled, modal
  virtual long PageResult() = 0;
  virtual void SetPageResult(long nResult) = 0;
  virtual void ClosePage() = 0;                  // unload; DisplayDialog returns the result
  [[noreturn]] virtual void EndProgram() = 0;    // no further page, Main does not go on
};

// The whole run, once per opening of the page. sProgramFolder holds the
// packages and qxMSI_ERR.dll.
void RunEngineSetup(ISetupRunPage& page, const InstallParameters& params, const std::string& sProgramFolder);

// ---- the pieces of the run, each on its own

// msiexec's arguments, starting with a blank. A value with a blank or a double
// quote is quoted PROP="value" with inner quotes doubled, so it stays one
// property; any other value goes in as it stands. Unattended, and on every
// Windows from Vista on, the setup may not restart the machine itself
// (REBOOT=ReallySuppress): it would restart before the resume entries are
// written, and there it cannot be refused. It ends with 3010 instead.
std::string BuildSetupCommandLine(const std::string& sPackage, const std::string& sServerName,
                                  const std::string& sPassword, bool bNTAuthentication,
                                  const std::string& sLogFolder);
std::string QuotePropertyValue(const std::string& sValue);

// Root of the first fixed drive, "C:\" when there is none; ends in "\".
std::string GetLogFolder();

// The result that counts: a non-zero exit code, else the library's code.
DWORD CombineSetupResult(DWORD dwExitCode, DWORD dwLibraryCode);

// What the user is told of a failed result; "" for success and restarts.
std::string SetupResultMessage(DWORD dwResult, const std::string& sServerName);
// The run's exit code for a failed result.
unsigned SetupFailureExitCode(DWORD dwResult);

// The current local time as a date serial (days since 1899-12-30 with the
// time as fraction), printed like the platform's text form of a double: up
// to 15 significant digits, the locale's decimal separator.
std::string ResumeStamp();
double StampSerial(const SYSTEMTIME& st);
std::string DoubleToText(double dValue, const std::string& sDecimal);

// One step of the progress animation while the setup runs: the bar goes
// full and empty in turn.
void AnimateProgress(ISetupRunPage& page, bool& bRising);

// The setup-result library qxMSI_ERR.dll, used from a private copy in the
// temporary folder. A copy that was there before the run is overwritten and
// left in place; one made by the run is deleted once released.
class CSetupResultLibrary {
public:
  ~CSetupResultLibrary() { Release(); }
  void Prepare(const std::string& sProgramFolder);
  void Initialize();            // InitializeMSILib
  DWORD Retrieve();             // RetreiveMSIExitCode; 0 when nothing was recorded
  void Release();

  HMODULE Handle() const { return m_hLib; }
  bool CopyIsOurs() const { return m_bOurs; }
  const std::string& TempPath() const { return m_sTempPath; }

private:
  typedef LONG(WINAPI* LibraryFunction)();
  LONG Call(const char* sFunction);

  std::string m_sProgramLibrary;
  std::string m_sTempPath;
  bool m_bOurs = false;
  HMODULE m_hLib = nullptr;
};
