// Asking Windows to restart. On the NT family a process may only shut the
// system down once its token has the shutdown privilege enabled; without it
// ExitWindowsEx fails with ERROR_PRIVILEGE_NOT_HELD and nothing happens.
#pragma once

// Enables SeShutdownPrivilege where the system knows privileges (on the 9x
// family OpenProcessToken fails, which is fine there), then requests a
// restart with EWX_REBOOT | EWX_POWEROFF. Returns whether the system
// accepted the request; false means the user must restart by hand.
bool RequestRestart();
// True from the moment the wizard asks for a restart until Windows refuses
// it: no window of the wizard may then veto the end of the session.
bool RestartRequested();
