#include "pages/frmInstallMSI.h"

#include <cstring>
#include <new>
#include <string>
#include "startup/MMain.h"
#include "util/MLog.h"
#include "util/Restart.h"
#include "util/Unattended.h"
#include "util/Util.h"

namespace {
const char kCrLf[] = "\r\n";

// The redistributable's own switch: the command it runs after unpacking
// itself. The leading blank separates it from the (absent) program name. A
// quiet run asks it for no window of its own (/q) too.
const char kSetupArguments[] = " /c:\"msiinst.exe /i instmsi.msi /qn\"";
const char kQuietSetupArguments[] = " /q /c:\"msiinst.exe /i instmsi.msi /qn\"";

const DWORD kExitRestartRequired = 3010;
const DWORD kExitBusy = 1618;   // another installation in progress

const char kInstallMSICaption[] = "Install MSI";

// The STARTUPINFO the setup gets is the 68-byte record of 32-bit Windows.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "STARTUPINFOA layout");

void CloseProcessHandles(PROCESS_INFORMATION& pi) {
  if (pi.hThread) api::CloseHandle(pi.hThread);
  if (pi.hProcess) api::CloseHandle(pi.hProcess);
  pi.hThread = pi.hProcess = nullptr;
}

// Frames sit below the banner (67 pixels), in twips.
const double kFrameLeft = 240, kFrameTop = 1200;
}  // namespace

frmInstallMSI::frmInstallMSI() : CPage(1, false) {}

long frmInstallMSI::DisplayDialog(IPicture*& oPicture, WindowRect* lpRect) {
  return CPage::DisplayDialog(oPicture, lpRect);
}

void frmInstallMSI::Form_Load() {
  CPage::Form_Load();
  const FontSpec& font = kArial9;   // as the texts of the other pages

  // Both frames fill the space between the banner and the footer, one in
  // place of the other.
  const double frameWidth = ClientWidthTwips() - 2 * kFrameLeft;
  const double frameHeight = NavTopTwips() - 420 - kFrameTop;
  const double textWidth = frameWidth - 480;
  const int fr0 = idFrInstallMessages, fr1 = idFrInstallMessages + 1;

  AddFrame(fr0, kFrameLeft, kFrameTop, frameWidth, frameHeight, "");
  AddLabel(idLblInstallInfo, 240, 360, textWidth, 720,
           "The installation files for the Microsoft SQL Server Desktop Database Engin (MSDE) "
           "require a newer version of the Microsoft Installer application (MSI) than the one "
           "currently installed on this system.",
           font, fr0);
  AddLabel(idLblInstallInfo + 1, 240, 1200, textWidth, 480,
           "Click the \"Install MSI\" button to begin installation of the Microsoft Installer "
           "application (MSI)",
           font, fr0);
  cmdInstallMSI.Create(Control(fr0), idCmdInstallMSI, TwipsToPixelsX((frameWidth - 1440) / 2),
                       TwipsToPixelsY(1920), TwipsToPixelsX(1440), TwipsToPixelsY(435));
  // The text above sends the user to the "Install MSI" button, so the button
  // says so, on its face and to screen readers.
  cmdInstallMSI.Caption(kInstallMSICaption);
  if (cmdInstallMSI.hWnd()) api::SetWindowTextA(cmdInstallMSI.hWnd(), kInstallMSICaption);

  AddFrame(fr1, kFrameLeft, kFrameTop, frameWidth, frameHeight, "");
  AddLabel(idLblInstallInfo + 2, 240, 360, textWidth, 960,
           "Please be patient while the Microsoft Installer application is installed on your "
           "system....",
           font, fr1);
  pbProgress.Create(Control(fr1), idPbProgress, TwipsToPixelsX(240), TwipsToPixelsY(1560),
                    TwipsToPixelsX(textWidth), TwipsToPixelsY(330));
  SetVisible(fr1, false);

  // The frames' borders are siblings of these controls; keep the controls
  // above them so that their drawing is not clipped away.
  for (HWND h : {cmdInstallMSI.hWnd(), pbProgress.hWnd()})
    if (h) api::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  AddSeparator(idSeparator);
  SetTimer(idTmrInstallMSI, 100, false);
}

void frmInstallMSI::Control_Click(int nId) {
  // The setup runs from the timer so that the button's click has returned
  // (and the button has drawn itself up again) before the long wait.
  if (nId == idCmdInstallMSI) {
    EnableTimer(idTmrInstallMSI, true);
    return;
  }
  CPage::Control_Click(nId);
}

void frmInstallMSI::NavClick(int nIndex) {
  // Finish keeps the result the outcome handling has set before enabling it.
  if (nIndex == 8) {
    Close();
    return;
  }
  CPage::NavClick(nIndex);
}

void frmInstallMSI::AutoStep() {
  // The offer's one button first, as the user would press it.
  if (Visible(idFrInstallMessages))
    PressControl(idCmdInstallMSI);
  else
    CPage::AutoStep();
}

void frmInstallMSI::Timer_Tick(int nId) {
  if (nId == idTmrInstallMSI) tmrInstallMSI_Timer();
}

long frmInstallMSI::InstallMSI() {
  PROCESS_INFORMATION pi = {};
  long nResult = RuntimeSetupFailed;
  try {
    try {
      Screen::SetMousePointer(11);

      const std::string sFolder = AddBackslash(App::Path());
      std::string sWorkingFolder = sFolder + "MSI";
      std::string sSetup = sFolder + "MSI\\" + (GetOSVersion() >= 5 ? "INSTMSIW.EXE" : "INSTMSI.EXE");
      sSetup = GetShortPath(sSetup);
      sWorkingFolder = GetShortPath(sWorkingFolder);

      STARTUPINFOA si = {};
      si.cb = sizeof(si);
      char sTitle[] = "";
      si.lpTitle = sTitle;
      const char* const sArguments = Unattended().eUi == UiQuiet ? kQuietSetupArguments : kSetupArguments;
      char sCommand[sizeof(kQuietSetupArguments)];
      std::strcpy(sCommand, sArguments);

      if (api::CreateProcessA(sSetup.c_str(), sCommand, nullptr, nullptr, FALSE,
                              NORMAL_PRIORITY_CLASS, nullptr, sWorkingFolder.c_str(), &si, &pi)) {
        DWORD dwWait;
        do {
          if (pbProgress.CurrentPercentage() >= pbProgress.MaxPercentage())
            pbProgress.IncrementProgress(true);
          else
            pbProgress.IncrementProgress();
          PumpMessages();
          dwWait = api::WaitForSingleObject(pi.hProcess, 500);
        } while (dwWait == WAIT_TIMEOUT);

        // A code that cannot be read must not pass for success.
        DWORD dwExitCode = STILL_ACTIVE;
        if (!api::GetExitCodeProcess(pi.hProcess, &dwExitCode)) dwExitCode = STILL_ACTIVE;
        CloseProcessHandles(pi);

        pbProgress.ProgressUnits(1);
        pbProgress.IncrementProgress();

        m_bBusy = dwExitCode == kExitBusy;
        nResult = dwExitCode == 0                       ? RuntimeSetupInstalled
                  : dwExitCode == kExitRestartRequired ? RuntimeSetupRestartRequired
                                                        : RuntimeSetupFailed;
        Log("Windows Installer setup: " + sSetup + sArguments + ", exit code " + std::to_string(dwExitCode) +
            ", " + (nResult == RuntimeSetupInstalled ? "installed" : nResult == RuntimeSetupFailed ? "failed"
                                                                                               : "reboot needed"));
      } else {
        Log("Windows Installer setup: " + sSetup + " could not be started");
      }
      Screen::SetMousePointer(0);
    } catch (const std::bad_alloc&) {
      throw RuntimeError{7, "Out of memory"};
    }
  } catch (const RuntimeError& e) {
    // Leave at once; the setup may still run, but its handles are ours.
    CloseProcessHandles(pi);
    Screen::SetMousePointer(0);
    MsgBox("The following error occured during the MSI install: " + e.Description + " " +
               std::to_string(e.Number),
           48, kMsgBoxTitle);
    nResult = RuntimeSetupFailed;
  }
  return nResult;
}

void frmInstallMSI::tmrInstallMSI_Timer() {
  EnableTimer(idTmrInstallMSI, false);
  EnableNav(4, false);

  SetVisible(idFrInstallMessages + 1, true);
  SetVisible(idFrInstallMessages, false);

  const long nResult = InstallMSI();
  const int lblStatus = idLblInstallInfo + 2;
  const std::string sRunAgain =
      std::string(kCrLf) + kCrLf +
      "Please run the ORV Database Install application again after rebooting your system.";

  if (nResult == RuntimeSetupFailed) {
    App::SetExitCode(m_bBusy ? ExitBusy : ExitFailed);
    if (m_bBusy) Log("Windows Installer setup: another installation is in progress");
    MsgBox("The MSI installation failed." + sRunAgain, 64, kMsgBoxTitle);
    SetText(lblStatus, std::string("Unable to continue.") + kCrLf + kCrLf + "Click \"Finish\" to exit.");
    m_PageResult = PageResultCancel;
    EnableNav(8, true);
    SetFocusControl(NavId(8));   // Enter finishes, as the text says
  } else if (nResult == RuntimeSetupRestartRequired) {
    const std::string sQuestion =
        std::string("The Microsoft Installer application was installed successfully.") + kCrLf +
        "The system must be rebooted before the changes will take effect." + kCrLf + kCrLf +
        "Would you like to reboot your system now?";
    if (MsgBox(sQuestion, 36, kMsgBoxTitle, true) == IDYES) {
      const bool bEntry = AddResumeEntry("/MSI", "");
      Log(std::string("Restart road: Run entry /MSI ") + (bEntry ? "written" : "not written: nothing will resume"));
      App::SetExitCode(bEntry ? ExitRestartNeeded : ExitFailed);
      m_PageResult = PageResultCancel;
      if (RequestRestart()) {
        if (bEntry) App::SetExitCode(ExitRestarting);
      } else {
        MsgBox(std::string("Windows could not be restarted automatically.") + kCrLf + kCrLf +
                   "Please restart your system now; the ORV Database Install application will "
                   "continue after the restart.",
               64, kMsgBoxTitle);
      }
      Close();
    } else {
      // Under /norestart the administrator restarts: the wizard comes back
      // then, as after a restart the user agreed to.
      const bool bEntry = Unattended().bNoRestart && AddResumeEntry("/MSI", "");
      if (Unattended().bNoRestart) Log(std::string("Restart road: Run entry /MSI ") + (bEntry ? "written" : "not written"));
      App::SetExitCode(bEntry ? ExitRestartNeeded : ExitFailed);
      MsgBox("The install cannot be completed until the system is rebooted." + sRunAgain, 64,
             kMsgBoxTitle);
      SetText(lblStatus, std::string("Cannot continue without reboot.") + kCrLf + kCrLf +
                             "Click \"Finish\" to exit.");
      m_PageResult = PageResultCancel;
      EnableNav(8, true);
      SetFocusControl(NavId(8));
    }
  } else {
    SetText(lblStatus, std::string("The Microsoft Installer application was successfully installed.") +
                           kCrLf + kCrLf + "Click \"Next\" to continue.");
    EnableNav(1, true);
    SetFocusControl(NavId(1));
  }
}
