// The watcher that takes the Cancel button off the engine setup's own
// progress dialog, so the setup cannot be cancelled half-way, and keeps that
// dialog above the wizard.
#pragma once
#include "platform/MAPI_Declares.h"

// True once the first top-level dialog belongs to the setup process and holds
// a "Cancel" button, which is then hidden (if it was visible).
bool HideSetupCancelButton(DWORD dwProcessId);

// The process that created the window.
DWORD GetWindowProcessID(HWND hWnd);
