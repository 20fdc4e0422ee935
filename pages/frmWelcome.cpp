#include "pages/frmWelcome.h"
#include "settings/MReg32.h"

const char* const kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

frmWelcome::frmWelcome() : CPage(0, true) {}

void frmWelcome::Form_Load() {
  CPage::Form_Load();
  AddLabel(idLabel0, 360, 1440, 1215, 240, "Welcome!", kArial9);
  // Taller than the original 1710 twips: nine lines of Arial 9 need it.
  AddLabel(idLabel1, 480, 1920, 6510, 2400, "", kArial9);
  AddSeparator(idLine1);
  if (StringValueExists(HKEY_LOCAL_MACHINE, kRunOnceKey, "ZoMel")) DeleteValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "ZoMel");
}

void frmWelcome::PageSetup() {
  SetText(idLabel1,
          std::string("This application allows you to install and configure a new MSDE SQL Server instance for "
                      "ZoMel application.") +
              "\r\n\r\n" +
              "It is HIGHLY recommended that you close all other applications, including any anti-virus "
              "applications that may" +
              " be running in the background, before you continue." + "\r\n\r\n\r\n" +
              "Click \"Next\" to begin the installation process.");
}
