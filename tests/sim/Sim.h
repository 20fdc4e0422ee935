// The simulated Windows behind MAPI_Declares in the native tests. A test
// resets the machine, arranges its state, runs wizard code and inspects what
// the code did. Everything is in memory and deterministic.
#pragma once
#include <functional>
#include <map>
#include <memory>
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
  DWORD dwIdleMs = 0;                             // WaitForInputIdle times out until this much run time
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
const std::vector<Launch>& Launches();           // every call, dwProcessId 0 when it failed
int OpenHandles();                                // process/thread/find/token handles still open
int OpenKeys();                                   // registry handles still open
bool ProcessRunning(DWORD dwProcessId);           // started and not yet ended

// Registry state, arranged and inspected without handles. Roots are the
// HKEY_* constants; key paths are relative to them. RegSetString stores the
// text with its terminating zero, as most programs do.
void RegSet(HKEY hRoot, const std::string& sKey, const std::string& sName, DWORD dwType,
            const std::vector<unsigned char>& data);   // creates the key path
void RegSetString(HKEY hRoot, const std::string& sKey, const std::string& sName, const std::string& sText);
void RegSetDword(HKEY hRoot, const std::string& sKey, const std::string& sName, DWORD dwValue);
bool RegGet(HKEY hRoot, const std::string& sKey, const std::string& sName, DWORD* pType,
            std::vector<unsigned char>* pData);
std::string RegGetString(HKEY hRoot, const std::string& sKey, const std::string& sName);  // up to the first NUL
bool RegKeyExists(HKEY hRoot, const std::string& sKey);
void RegDeleteTree(HKEY hRoot, const std::string& sKey);
// Called at the start of every RegQueryValueExA, before the value is looked
// up, with the handle and value name given: a test can change the value
// between the size query and the data query of one read. Reset clears it.
void SetRegQueryHook(std::function<void(HKEY, const char*)> hook);

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

// The scripted user: called whenever GetMessageA finds no message and no
// due timer. It acts (e.g. Click) and returns true (GetMessageA then returns
// the message its action caused, or WM_NULL, so the loop re-checks its
// state), or returns false when it has nothing to do now: the clock then
// runs on to the next timer; with no timer left the test fails as a hang
// (std::logic_error).
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
// A key press through the message queue: WM_KEYDOWN/WM_KEYUP, or
// WM_SYSKEYDOWN/WM_SYSKEYUP with Alt; GetKeyState reports the modifiers while
// the messages are processed.
void PressKey(HWND hTarget, int vk, bool bAlt = false, bool bShift = false);
struct SentMessage { HWND h; UINT msg; WPARAM wParam; LPARAM lParam; };
const std::vector<SentMessage>& MessagesTo(HWND h);     // SendMessageA/PostMessageA to other processes' windows

// Thrown by ExitProcess (App::End) so a test can catch the end of the program.
struct ProcessExit { UINT uExitCode; };

// Screen: 1024 x 768 pixels at 96 dpi unless set.
void SetScreen(int cx, int cy, int dpi);
void SetPaletteDisplay(bool b);                   // RC_PALETTE with 256 entries

// More of the window half. Top-level windows have a 4-pixel frame and, with
// WS_CAPTION, a 26-pixel caption; WindowInfo::hParent is the owner of a
// top-level window.
void SetMessageBoxHandler(std::function<int(const MessageBoxRecord&)> handler);  // before the queue
void SetWindowHandler(HWND h, std::function<LRESULT(UINT, WPARAM, LPARAM)> handler);  // other processes' windows
bool HasCloseCommand(HWND h);                     // its system menu still holds SC_CLOSE
HWND FocusWindow();
HWND ForegroundWindow();
int ActiveTimers();                               // timers set and not killed
LPCSTR CurrentCursor();                           // resource id of the last SetCursor (IDC_WAIT...), nullptr none
HICON WindowIcon(HWND h, bool bBig);              // from WM_SETICON
void AddResource(LPCSTR sType, LPCSTR sName, const std::string& data);  // MAKEINTRESOURCE ids allowed

// Drawing: every GDI object and DC is counted; drawing calls are recorded.
int GdiObjects();                                 // created objects not yet deleted (stock excluded)
int DCs();                                        // DCs from GetDC/CreateCompatibleDC/BeginPaint still held
struct DrawCall {
  std::string sOp;                                // "FillRect", "BitBlt", "TextOut", "LineTo", "DrawEdge", "Render"...
  HDC hdc;
  int x, y, cx, cy;
  std::string sText;
  COLORREF color;                                 // text colour for TextOut, brush colour for FillRect
};
const std::vector<DrawCall>& DrawCalls();
void ClearDrawCalls();
HGDIOBJ Selected(HDC hdc, DWORD objType);         // OBJ_BITMAP, OBJ_FONT, OBJ_PAL...
COLORREF BrushColor(HBRUSH h);
bool GetFont(HFONT h, LOGFONTA& lf);

// Pictures and COM.
int LivePictures();                               // OleCreatePictureIndirect objects not yet released
void RegisterClassObject(const CLSID& clsid, std::function<HRESULT(REFIID, void**)> create);
int ComInitialized();                             // CoInitialize minus CoUninitialize

// ---- faults and power loss (SimFaults.cpp)
// Every api::Name call that can fail is counted. FailCall(n) restarts the
// count and makes the n-th such call (1-based; 0: none) fail the way the
// function documents it (its failure value and last error) without being
// carried out; with sOnly, only calls of that function count. Calls that
// cannot fail (GetLastError, Sleep, ExitProcess...) and releases (CloseHandle,
// RegCloseKey, FreeLibrary, DeleteObject...) are neither counted nor failed.
void FailCall(unsigned nCall, const std::string& sOnly = "");
unsigned CallCount();                             // counted calls since Reset or FailCall
std::string FailedCallName();                     // "" until the armed call has failed

// What survives a power loss: the registry and the files.
struct Persistent;
std::shared_ptr<const Persistent> SavePersistent();
void RestorePersistent(const Persistent& state);
bool SamePersistent(const Persistent& a, const Persistent& b);
// While on, the persistent state is kept just before every api:: call (of
// any kind) whenever it differs from the one kept last: the states the
// machine could be left in by losing power during the run.
void RecordPowerLossStates(bool bOn);
const std::vector<std::shared_ptr<const Persistent>>& PowerLossStates();
// The persistent state as ExitProcess found it, before the unwinding that the
// simulation's ProcessExit causes (null when the process did not end).
std::shared_ptr<const Persistent> StateAtExit();

// Internal: Reset calls these.
void ResetUser();
void ResetGdi();
void ResetOle();
void ResetFaults();

// SimKernel.cpp implements the registry, privileges, every kernel32 function,
// ExitWindowsEx, WaitForInputIdle and the code-page conversions; the other
// files the rest. Reset() (SimKernel.cpp) calls ResetUser().

}  // namespace sim
