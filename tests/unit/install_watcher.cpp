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
}  // namespace

TEST(watcher_finds_nothing_before_the_setup_shows_its_dialog) {
  sim::Reset();
  CHECK(!HideSetupCancelButton(kSetup));
  // A window of the setup that is no dialog does not count either.
  sim::AddWindow("MsiMainWindow", "Setup", kSetup);
  CHECK(!HideSetupCancelButton(kSetup));
}

TEST(watcher_hides_disables_and_moves_the_cancel_button) {
  sim::Reset();
  HWND hDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hOther = sim::AddWindow("Button", "Back", kSetup, hDialog, WS_VISIBLE | WS_TABSTOP);
  HWND hCancel = sim::AddWindow("Button", "Cancel", kSetup, hDialog, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
  CHECK_EQ(GetWindowProcessID(hDialog), kSetup);

  CHECK(HideSetupCancelButton(kSetup));
  const sim::WindowInfo cancel = Info(hCancel);
  CHECK_EQ(cancel.dwStyle & WS_VISIBLE, DWORD(0));
  CHECK_EQ(cancel.dwStyle & DWORD(WS_TABSTOP | BS_DEFPUSHBUTTON), DWORD(WS_TABSTOP | BS_DEFPUSHBUTTON));   // kept
  CHECK(!cancel.bEnabled);
  CHECK_EQ(cancel.rc.right - cancel.rc.left, 0L);
  CHECK_EQ(cancel.rc.bottom - cancel.rc.top, 0L);
  const sim::WindowInfo dialog = Info(hDialog);
  CHECK(dialog.hInsertAfter == HWND_TOPMOST);
  CHECK(WasPainted(hDialog));
  // Only the Cancel button is touched.
  const sim::WindowInfo other = Info(hOther);
  CHECK(other.bEnabled);
  CHECK((other.dwStyle & WS_VISIBLE) != 0);
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

TEST(watcher_only_looks_at_the_first_dialog) {
  sim::Reset();
  HWND hSetupDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hCancel = sim::AddWindow("Button", "Cancel", kSetup, hSetupDialog);
  // Another program's dialog comes up in front.
  HWND hOtherDialog = sim::AddWindow("#32770", "Other", kOther);
  sim::AddWindow("Button", "Cancel", kOther, hOtherDialog);
  if (sim::TopLevelWindows().empty() || sim::TopLevelWindows()[0] != hOtherDialog) {
    CHECK(false);   // the scripted order must put the other dialog first
    return;
  }
  CHECK(!HideSetupCancelButton(kSetup));
  CHECK((Info(hCancel).dwStyle & WS_VISIBLE) != 0);
  CHECK(Info(hCancel).bEnabled);
}

TEST(watcher_needs_the_exact_caption_cancel) {
  sim::Reset();
  HWND hDialog = sim::AddWindow("#32770", "Engine setup", kSetup);
  HWND hAccel = sim::AddWindow("Button", "&Cancel", kSetup, hDialog);
  sim::AddWindow("Static", "Cancel", kSetup, hDialog);   // not a button
  CHECK(!HideSetupCancelButton(kSetup));
  CHECK(!HideSetupCancelButton(kSetup));
  CHECK((Info(hAccel).dwStyle & WS_VISIBLE) != 0);
  CHECK(Info(hDialog).hInsertAfter == nullptr);
}

TEST(watcher_treats_a_setup_message_box_with_cancel_alike) {
  sim::Reset();
  HWND hBox = sim::AddWindow("#32770", "Engine setup", kSetup);
  sim::AddWindow("Button", "&Retry", kSetup, hBox);
  HWND hCancel = sim::AddWindow("Button", "Cancel", kSetup, hBox);
  CHECK(HideSetupCancelButton(kSetup));
  CHECK(!Info(hCancel).bEnabled);
}
