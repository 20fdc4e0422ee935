// The entry routine: the hidden owner window, the first window position, the
// run mode and the order of the pages.
#include <cmath>
#include "pages/frmConfigureMSDE.h"
#include "pages/frmGetServerInfo.h"
#include "pages/frmInstallMSDE.h"
#include "pages/frmInstallMSI.h"
#include "pages/frmReadyToInstallMSDE.h"
#include "pages/frmWelcome.h"
#include "settings/MReg32.h"
#include "startup/LocalCopy.h"
#include "startup/MMain.h"
#include "startup/WizardSequence.h"
#include "startup/resource.h"
#include "install/SetupRun.h"
#include "util/MLog.h"
#include "util/Unattended.h"
#include "util/Util.h"

namespace {

const char kDefaultServerName[] = "ZoMEL";
const char kDefaultUserID[] = "sa";
const char kDefaultPassword[] = "vormasi17";

// Owns the wizard's one taskbar button; lies far outside every screen.
// Closing it from the taskbar would take the open page with it, unasked:
// it refuses every close request until Main lets it go. The end of the
// session is the pages' to refuse, not its own.
class frmTaskbarProxy : public CForm {
public:
  void Release() {
    m_bReleasing = true;
    Unload();
  }

protected:
  void Form_Load() override { SetSizeTwips(7560, 5835); }
  bool Form_QueryUnload() override { return m_bReleasing; }
  bool Form_QueryEndSession() override { return true; }

private:
  bool m_bReleasing = false;
};

long Logged(const char* sPage, long nResult) {
  Log(std::string("Page ") + sPage + " returned " + std::to_string(nResult));
  return nResult;
}

// Each step gets a new page object, released when the step is over.
struct ProgramPages : WizardPages {
  long Welcome(IPicture*& o, WindowRect* r) override {
    frmWelcome f;
    Log("Page Welcome shown");
    return Logged("Welcome", f.DisplayDialog(o, r));
  }
  long InstallMSI(IPicture*& o, WindowRect* r) override {
    frmInstallMSI f;
    Log("Page Windows Installer shown");
    return Logged("Windows Installer", f.DisplayDialog(o, r));
  }
  long GetServerInfo(IPicture*& o, WindowRect* r, std::string& s1, std::string& s2, std::string& s3,
                     bool& b) override {
    frmGetServerInfo f;
    Log("Page Server information shown");
    return Logged("Server information", f.DisplayDialog(o, r, s1, s2, s3, b));
  }
  long ReadyToInstall(IPicture*& o, WindowRect* r) override {
    frmReadyToInstallMSDE f;
    Log("Page Ready to install shown");
    return Logged("Ready to install", f.DisplayDialog(o, r));
  }
  long InstallMSDE(IPicture*& o, WindowRect* r, std::string s1, std::string s2, std::string s3,
                   bool b) override {
    frmInstallMSDE f;
    Log("Page Engine setup shown");
    return Logged("Engine setup", f.DisplayDialog(o, r, s1, s2, s3, b));
  }
  long ConfigureMSDE(IPicture*& o, WindowRect* r, std::string s1, std::string s2, std::string s3,
                     bool b) override {
    frmConfigureMSDE f;
    Log("Page Configure shown");
    return Logged("Configure", f.DisplayDialog(o, r, s1, s2, s3, b));
  }
};

const char kNoRights[] =
    "The database server can only be installed by a user with administrator rights: the installation "
    "writes settings for every user of this computer and installs a service.\r\n\r\n"
    "Please log on as an administrator and start the installation again.";
const char kRestartPending[] =
    "A restart is needed to finish the installation already under way.\r\n\r\n"
    "Please restart the system: the configuration of the database server will follow by itself.";

void LogStartLine(const std::string& sOutcome) {
  const std::string sUnattended = DeploymentSwitchText();
  Log("Start: Tarnwick " TARNWICK_VERSION " " + App::ExePath() + ", command line \"" +
      LoggedCommandLine(WithoutDeploymentSwitches(App::Command())) + "\", " + sOutcome +
      ", Windows version code " + std::to_string(GetOSVersion()) + ", Windows Installer " + MsiRuntimeVersion() +
      (sUnattended.empty() ? std::string(", interactive") : ", unattended:" + sUnattended));
}

// Starts that must leave the machine as they found it, the Run entries and
// resume data included: a user who cannot write the machine's settings, and
// a start while a restart is pending that will configure an instance
// already installed (another package would only fail on the name taken).
bool StartRefused() {
  if (!MachineSettingsWritable()) {
    LogStartLine("refused: no rights to write under HKEY_LOCAL_MACHINE\\SOFTWARE");
    App::SetExitCode(ExitFailed);
    MsgBox(kNoRights, MB_ICONINFORMATION, kMsgBoxTitle);
    return true;
  }
  const std::string sStamp = PendingResumeStamp();
  if (sStamp.empty() || IsResumeStart(sStamp)) return false;
  LogStartLine("refused: a restart is pending to resume with stamp " + sStamp);
  App::SetExitCode(ExitRestartNeeded);
  MsgBox(kRestartPending, MB_ICONINFORMATION, kMsgBoxTitle);
  return true;
}

void ApplyDefaults(InstallParameters& p) {
  if (p.sServerName.empty()) p.sServerName = kDefaultServerName;
  if (p.sUserID.empty()) p.sUserID = kDefaultUserID;
  if (p.sPassword.empty()) p.sPassword = kDefaultPassword;
}

}  // namespace

void FirstWindowPosition(double dScreenWidth, double dScreenHeight, double dTwipsPerPixelX,
                         double dTwipsPerPixelY, WindowRect& rect) {
  // nearbyint rounds a half to the even neighbour in the default mode.
  rect.Left = (int32_t)std::nearbyint(dScreenWidth / dTwipsPerPixelX / 2 - 6615 / dTwipsPerPixelX / 2);
  rect.Top = (int32_t)std::nearbyint(dScreenHeight / dTwipsPerPixelY / 2.5 - 4575 / dTwipsPerPixelY / 2);
}

void RunWizard(WizardPages& pages) {
  // Known before the first window: a quiet run shows none.
  WithoutDeploymentSwitches(App::Command(), &Unattended());
  frmTaskbarProxy proxy;
  proxy.SetCaption(kPageCaption);
  HWND hProxy = proxy.hWnd();
  if (HICON hIcon = api::LoadIconA(App::Instance(), MAKEINTRESOURCEA(IDI_APP))) {
    api::SendMessageA(hProxy, WM_SETICON, ICON_BIG, (LPARAM)hIcon);
    api::SendMessageA(hProxy, WM_SETICON, ICON_SMALL, (LPARAM)hIcon);
  }
  proxy.MoveTwips(-7560, -150000, 0, 0);
  proxy.Show(false);
  SetTaskbarProxy(hProxy);

  WindowRect rect;
  FirstWindowPosition(Screen::Width(), Screen::Height(), Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY(),
                      rect);

  InstallParameters p;
  IPicture* oPicture = nullptr;
  bool bWelcomeDone = false, bCancelled = false, bConfigure = false;

  const bool bRefused = StartRefused();
  const RunMode eMode =
      bRefused ? RunModeInvalid : ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
  LogSecret(p.sPassword);
  if (!bRefused) LogStartLine("run mode " + std::to_string(long(eMode)));
  bool bFullSequence = false;
  switch (eMode) {
    case RunModeInvalid:
      if (!bRefused) App::SetExitCode(ExitBadCommandLine);
      break;
    case RunModeConfig:
      // The resume data is read: the copy a resume entry started is no
      // longer needed once this run is over.
      if (RunningLocalCopy()) ScheduleLocalCopyRemoval();
      bConfigure = true;
      break;
    case RunModeManualConfig:
      pages.GetServerInfo(oPicture, &rect, p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
      bFullSequence = true;
      break;
    default:
      bFullSequence = true;
      break;
  }

  if (bFullSequence) {
    if (pages.Welcome(oPicture, &rect) == PageResultNext) {
      ApplyDefaults(p);
      LogSecret(p.sPassword);
      bWelcomeDone = true;
    }
    if (bWelcomeDone && MsiRuntimeNeedsUpdate()) {
      long nResult = pages.InstallMSI(oPicture, &rect);
      if (nResult == PageResultCancel || nResult == PageResultFinish) bCancelled = true;
    }
    if (!bCancelled) {
      for (;;) {
        pages.GetServerInfo(oPicture, &rect, p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
        if (pages.ReadyToInstall(oPicture, &rect) == PageResultBack) continue;
        long nResult = pages.InstallMSDE(oPicture, &rect, p.sServerName, p.sUserID, p.sPassword,
                                         p.bNTAuthentication);
        if (nResult == PageResultBack) continue;
        if (nResult == PageResultNext) bConfigure = true;
        break;
      }
    }
  }

  if (!bCancelled && bConfigure)
    pages.ConfigureMSDE(oPicture, &rect, p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);

  SetTaskbarProxy(nullptr);
  proxy.Release();
  if (oPicture) oPicture->Release();
}

unsigned Main() {
  LogStart(GetLogFolder());
  ProgramPages pages;
  // A page that cannot be created (no window, say) raises its error outside
  // any window procedure; it ends here as every unhandled error does.
  try {
    RunWizard(pages);
  } catch (...) {
    UnhandledException();
  }
  LogEnd("the wizard closed, exit code " + std::to_string(App::ExitCode()));
  return App::ExitCode();
}
