// Unattended runs for deploying to many machines: the switches /quiet,
// /passive and /norestart, in any case, anywhere on the command line.
#pragma once
#include <string>

enum UiLevel { UiFull, UiPassive, UiQuiet };

// Exit codes, with Windows Installer's meanings that distribution tools read.
enum : unsigned {
  ExitDone = 0,               // configured, or nothing left to do
  ExitCancelled = 1602,
  ExitFailed = 1603,          // the setup failed, or the configuration did not complete
  ExitBusy = 1618,            // another installation is in progress: tools retry this one
  ExitAlreadyInstalled = 1638,   // a server of that name exists: the run repeats one already done
  ExitBadCommandLine = 1639,
  ExitRestarting = 1641,      // the wizard's restart request was accepted; the resume entries are in place
  ExitRestartNeeded = 3010,   // the resume entries are in place
};

struct Deployment {
  UiLevel eUi = UiFull;
  bool bNoRestart = false;
};
Deployment& Unattended();          // this run's switches, read once by Main
bool NoQuestions();                // /quiet or /passive: every box is answered unseen

// The command line without the deployment switches (whole words, split at
// blanks and tabs as Windows splits them), and what they ask for.
std::string WithoutDeploymentSwitches(const std::string& sCommand, Deployment* pFound = nullptr);
// The switches again, for a Run entry: " /quiet /norestart", say; "" for none.
std::string DeploymentSwitchText();
