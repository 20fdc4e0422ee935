// The simulated Windows behind MAPI_Declares in the native tests. A test
// resets the machine, arranges its state, runs wizard code and inspects what
// the code did. Everything is in memory and deterministic.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

namespace sim {

// A fresh machine: empty registry (the four roots), Windows XP (NT 5.1),
// computer "HOST", drives "C:\" fixed, system folder C:\WINDOWS\system32
// holding msiexec.exe and cmd.exe, temp folder C:\TEMP\, the program at
// C:\SETUP\Tarnwick.exe with qxMSI_ERR.dll beside it, empty command line,
// COMSPEC=C:\WINDOWS\system32\cmd.exe, clock at 2026-12-06 12:00:00.000,
// no windows, no scripted answers.
void Reset();

// ---- machine (SimKernel.cpp) ----
void SetVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor);
void SetComputerName(const char* sName);          // nullptr: GetComputerNameA fails
void SetCommandLine(const std::string& sArguments);
void SetProgramPath(const std::string& sExePath);
void SetEnv(const std::string& sName, const char* sValue);   // nullptr removes
void SetDrives(const std::vector<std::pair<std::string, UINT>>& drives);  // root, drive type
void SetSystemDirectory(const char* sPath);       // nullptr: GetSystemDirectoryA fails
void SetTempPath(const char* sPath);              // nullptr: GetTempPathA fails
void AddFile(const std::string& sPath);           // creates parent folders
void AddFolder(const std::string& sPath);
void RemoveFile(const std::string& sPath);
bool FileExists(const std::string& sPath);
void SetShortName(const std::string& sLongPath, const std::string& sShortPath);
std::vector<std::string> Files();                 // every file, full paths

// Libraries: LoadLibraryA finds a library by file name (case-insensitive,
// with or without ".dll", or by full path when it was added as a file).
void AddLibrary(const std::string& sName, const std::map<std::string, FARPROC>& exports);
int LoadedLibraries();                            // LoadLibraryA minus FreeLibrary

// Processes started by CreateProcessA. A script is chosen by the first rule
// whose text occurs (case-insensitive) in the application name or, when that
// is null, in the command line. Without a rule, CreateProcessA fails with
// ERROR_FILE_NOT_FOUND.
struct ProcessScript {
  DWORD dwExitCode = 0;
  DWORD dwRunMs = 0;                              // simulated run time
  std::function<void(DWORD dwProcessId)> OnStart; // e.g. create its windows
  std::function<void()> OnExit;                   // e.g. write registry values
  bool bWaitFails = false;                        // WaitForSingleObject returns WAIT_FAILED
};
void ScriptProcess(const std::string& sMatch, const ProcessScript& script);
struct Launch {
  std::string sApplication;                       // "" when null
  std::string sCommandLine;
  std::string sDirectory;                         // "" when null
  DWORD dwCreationFlags;
  DWORD cbStartupInfo;
  DWORD dwProcessId;
};
const std::vector<Launch>& Launches();
int OpenHandles();                                // process/thread/find handles still open
int OpenKeys();                                   // registry handles still open

// Restart requests and privileges.
struct ExitWindowsCall { UINT uFlags; DWORD dwReason; bool bPrivilegeEnabled; };
const std::vector<ExitWindowsCall>& ExitWindowsCalls();
void SetExitWindowsFails(bool b);

// Clock: milliseconds since Reset; Sleep and waits advance it.
DWORD Now();
void Advance(DWORD ms);
void SetLocalTime(const SYSTEMTIME& st);
void SetDecimalSeparator(const char* s);

// ---- windows, messages, drawing (SimUser.cpp, SimGdi.cpp) ----
// Message boxes are recorded; each is answered from the queue (IDOK for a
// box without Yes/No when the queue is empty; an unanswered question fails
// the test by throwing std::logic_error).
struct MessageBoxRecord { std::string sText, sCaption; UINT uType; HWND hOwner; };
const std::vector<MessageBoxRecord>& MessageBoxes();
void AnswerMessageBoxes(const std::vector<int>& answers);

// The scripted user: called whenever a modal loop finds no message and no
// due timer. It acts (e.g. Click) and returns true, or returns false when it
// has nothing more to do, which fails the test as a hang.
void SetUser(std::function<bool()> user);

// Windows of other processes (setup dialogs, the service manager...).
HWND AddWindow(const std::string& sClass, const std::string& sText, DWORD dwProcessId,
               HWND hParent = nullptr, DWORD dwStyle = WS_VISIBLE);
struct WindowInfo {
  std::string sClass, sText;
  HWND hParent;
  DWORD dwStyle, dwExStyle;
  bool bEnabled, bVisible;
  RECT rc;                                        // screen rectangle
  DWORD dwProcessId;
  HWND hInsertAfter;                              // last SetWindowPos insert-after
};
bool GetWindow(HWND h, WindowInfo& info);
std::vector<HWND> TopLevelWindows();              // in z-order, first on top
std::vector<HWND> Children(HWND h);
HWND FindChildByText(HWND hParent, const std::string& sText);   // any depth
void Click(HWND hButton);                         // a user click: BM_CLICK when enabled
void PressKey(HWND hTarget, int vk, bool bAlt = false);   // through the message queue
struct SentMessage { HWND h; UINT msg; WPARAM wParam; LPARAM lParam; };
const std::vector<SentMessage>& MessagesTo(HWND h);     // SendMessageA/PostMessageA to other processes' windows

// Thrown by ExitProcess (App::End) so a test can catch the end of the program.
struct ProcessExit { UINT uExitCode; };

// Screen: 1024 x 768 pixels at 96 dpi unless set.
void SetScreen(int cx, int cy, int dpi);
void SetPaletteDisplay(bool b);                   // RC_PALETTE with 256 entries

}  // namespace sim
