// The setup-window watcher against scripted windows of other processes.
#include <string>
#include "install/SetupWatcher.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {
const DWORD kSetup = 4242, kOther = 777;

sim::WindowInfo Info(HWND h) {
  sim::WindowInfo info{};
  CHECK(sim::GetWindow(h, info));
  return info;
}

bool WasPainted(HWND hDialog) {
  for (const sim::SentMessage& m : sim::MessagesTo(hDialog))
    if (m.msg == WM_PAINT) return true;
  return false;
}

bool Untouched(HWND hButton) { return (Info(hButton).dwStyle & WS_VISIBLE) != 0 && Info(hButton).bEnabled; }
}  // namespace

TEST(watcher_hides_disables_and_moves_the_cancel_button) {
  sim::Reset();
  CHECK(!HideSetupCancelButton(kSetup));
  // A window of the setup that is no dialog does not count either.
  sim::AddWindow("MsiMainWindow", "Setup", kSetup);
  CHECK(!HideSetupCancelButton(kSetup));

  sim::Reset();
  HWND hDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hOther = sim::AddWindow("Button", "&Retry", kSetup, hDialog, WS_VISIBLE | WS_TABSTOP);
  HWND hCancel = sim::AddWindow("Button", "Cancel", kSetup, hDialog, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
  CHECK_EQ(GetWindowProcessID(hDialog), kSetup);
  CHECK(HideSetupCancelButton(kSetup));
  const sim::WindowInfo cancel = Info(hCancel);
  CHECK_EQ(cancel.dwStyle & WS_VISIBLE, DWORD(0));
  CHECK_EQ(cancel.dwStyle & DWORD(WS_TABSTOP | BS_DEFPUSHBUTTON), DWORD(WS_TABSTOP | BS_DEFPUSHBUTTON));   // kept
  CHECK(!cancel.bEnabled);
  CHECK_EQ(cancel.rc.right - cancel.rc.left, 0L);
  CHECK_EQ(cancel.rc.bottom - cancel.rc.top, 0L);
  CHECK(Info(hDialog).hInsertAfter == HWND_TOPMOST);
  CHECK(WasPainted(hDialog));
  CHECK(Untouched(hOther));   // only the Cancel button is touched
}

TEST(watcher_leaves_a_hidden_cancel_button_alone_but_reports_it) {
  sim::Reset();
  HWND hDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hCancel = sim::AddWindow("Button", "Cancel", kSetup, hDialog, WS_TABSTOP);
  CHECK(HideSetupCancelButton(kSetup));
  CHECK(Info(hCancel).bEnabled);
  CHECK(Info(hDialog).hInsertAfter == nullptr);
  CHECK(!WasPainted(hDialog));
}

TEST(watcher_ignores_other_dialogs_and_other_captions) {
  // Another program's dialog in front hides the setup's from the watcher.
  sim::Reset();
  HWND hSetupDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hCancel = sim::AddWindow("Button", "Cancel", kSetup, hSetupDialog, WS_VISIBLE);
  HWND hOtherDialog = sim::AddWindow("#32770", "Other", kOther);
  sim::AddWindow("Button", "Cancel", kOther, hOtherDialog);
  CHECK(!sim::TopLevelWindows().empty() && sim::TopLevelWindows()[0] == hOtherDialog);
  CHECK(!HideSetupCancelButton(kSetup));
  CHECK(Untouched(hCancel));
  // Only a button captioned exactly "Cancel" counts.
  sim::Reset();
  HWND hDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hAccel = sim::AddWindow("Button", "&Cancel", kSetup, hDialog, WS_VISIBLE);
  sim::AddWindow("Static", "Cancel", kSetup, hDialog);   // not a button
  CHECK(!HideSetupCancelButton(kSetup));
  CHECK(Untouched(hAccel));
  CHECK(Info(hDialog).hInsertAfter == nullptr);
}
