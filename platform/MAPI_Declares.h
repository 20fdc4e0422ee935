// The one declaration of every operating-system function the program uses.
// Code calls them as api::Name(...). MAPI_Win32.cpp forwards to the real
// functions; the scenario program binds them to the same functions behind a
// hook (tests/scenarios/Seam.cpp), the fuzz targets to a small stub.
#pragma once
#include "wintypes.h"

#define MAPI_FUNCTIONS(X) \
  /* registry (advapi32) */ \
  X(LONG, RegOpenKeyExA, (HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult), (hKey, lpSubKey, ulOptions, samDesired, phkResult)) \
  X(LONG, RegCreateKeyExA, (HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition), (hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes, phkResult, lpdwDisposition)) \
  X(LONG, RegQueryValueExA, (HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData), (hKey, lpValueName, lpReserved, lpType, lpData, lpcbData)) \
  X(LONG, RegSetValueExA, (HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData), (hKey, lpValueName, Reserved, dwType, lpData, cbData)) \
  X(LONG, RegDeleteValueA, (HKEY hKey, LPCSTR lpValueName), (hKey, lpValueName)) \
  X(LONG, RegDeleteKeyA, (HKEY hKey, LPCSTR lpSubKey), (hKey, lpSubKey)) \
  X(LONG, RegEnumKeyExA, (HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime), (hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime)) \
  X(LONG, RegOpenKeyA, (HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult), (hKey, lpSubKey, phkResult)) \
  X(LONG, RegCreateKeyA, (HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult), (hKey, lpSubKey, phkResult)) \
  X(LONG, RegCloseKey, (HKEY hKey), (hKey)) \
  /* privileges (advapi32) */ \
  X(BOOL, OpenProcessToken, (HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle), (ProcessHandle, DesiredAccess, TokenHandle)) \
  X(BOOL, LookupPrivilegeValueA, (LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid), (lpSystemName, lpName, lpLuid)) \
  X(BOOL, AdjustTokenPrivileges, (HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState, DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength), (TokenHandle, DisableAllPrivileges, NewState, BufferLength, PreviousState, ReturnLength)) \
  /* processes, files, system information (kernel32) */ \
  X(BOOL, CreateProcessA, (LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation), (lpApplicationName, lpCommandLine, lpProcessAttributes, lpThreadAttributes, bInheritHandles, dwCreationFlags, lpEnvironment, lpCurrentDirectory, lpStartupInfo, lpProcessInformation)) \
  X(DWORD, WaitForSingleObject, (HANDLE hHandle, DWORD dwMilliseconds), (hHandle, dwMilliseconds)) \
  X(BOOL, GetExitCodeProcess, (HANDLE hProcess, LPDWORD lpExitCode), (hProcess, lpExitCode)) \
  X(BOOL, CloseHandle, (HANDLE hObject), (hObject)) \
  X(UINT, GetSystemDirectoryA, (LPSTR lpBuffer, UINT uSize), (lpBuffer, uSize)) \
  X(DWORD, GetTempPathA, (DWORD nBufferLength, LPSTR lpBuffer), (nBufferLength, lpBuffer)) \
  X(DWORD, GetLogicalDriveStringsA, (DWORD nBufferLength, LPSTR lpBuffer), (nBufferLength, lpBuffer)) \
  X(UINT, GetDriveTypeA, (LPCSTR lpRootPathName), (lpRootPathName)) \
  X(BOOL, CopyFileA, (LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists), (lpExistingFileName, lpNewFileName, bFailIfExists)) \
  X(BOOL, DeleteFileA, (LPCSTR lpFileName), (lpFileName)) \
  X(BOOL, MoveFileA, (LPCSTR lpExistingFileName, LPCSTR lpNewFileName), (lpExistingFileName, lpNewFileName)) \
  X(BOOL, MoveFileExA, (LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags), (lpExistingFileName, lpNewFileName, dwFlags)) \
  X(BOOL, CreateDirectoryA, (LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes), (lpPathName, lpSecurityAttributes)) \
  X(BOOL, RemoveDirectoryA, (LPCSTR lpPathName), (lpPathName)) \
  X(DWORD, GetPrivateProfileSectionA, (LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName), (lpAppName, lpReturnedString, nSize, lpFileName)) \
  X(BOOL, WritePrivateProfileSectionA, (LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName), (lpAppName, lpString, lpFileName)) \
  X(HANDLE, CreateFileA, (LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile), (lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile)) \
  X(DWORD, SetFilePointer, (HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod), (hFile, lDistanceToMove, lpDistanceToMoveHigh, dwMoveMethod)) \
  X(BOOL, WriteFile, (HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped), (hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped)) \
  X(HMODULE, LoadLibraryA, (LPCSTR lpLibFileName), (lpLibFileName)) \
  X(FARPROC, GetProcAddress, (HMODULE hModule, LPCSTR lpProcName), (hModule, lpProcName)) \
  X(BOOL, FreeLibrary, (HMODULE hLibModule), (hLibModule)) \
  X(HMODULE, GetModuleHandleA, (LPCSTR lpModuleName), (lpModuleName)) \
  X(DWORD, GetModuleFileNameA, (HMODULE hModule, LPSTR lpFilename, DWORD nSize), (hModule, lpFilename, nSize)) \
  X(DWORD, GetShortPathNameA, (LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer), (lpszLongPath, lpszShortPath, cchBuffer)) \
  X(BOOL, GetComputerNameA, (LPSTR lpBuffer, LPDWORD nSize), (lpBuffer, nSize)) \
  X(BOOL, GetVersionExA, (LPOSVERSIONINFOA lpVersionInformation), (lpVersionInformation)) \
  X(HANDLE, FindFirstFileA, (LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData), (lpFileName, lpFindFileData)) \
  X(BOOL, FindClose, (HANDLE hFindFile), (hFindFile)) \
  X(DWORD, GetFileAttributesA, (LPCSTR lpFileName), (lpFileName)) \
  X(LPSTR, GetCommandLineA, (), ()) \
  X(DWORD, GetEnvironmentVariableA, (LPCSTR lpName, LPSTR lpBuffer, DWORD nSize), (lpName, lpBuffer, nSize)) \
  X(VOID, ExitProcess, (UINT uExitCode), (uExitCode)) \
  X(HANDLE, GetCurrentProcess, (), ()) \
  X(DWORD, GetCurrentProcessId, (), ()) \
  X(DWORD, GetLastError, (), ()) \
  X(VOID, SetLastError, (DWORD dwErrCode), (dwErrCode)) \
  X(VOID, Sleep, (DWORD dwMilliseconds), (dwMilliseconds)) \
  X(DWORD, GetTickCount, (), ()) \
  X(VOID, GetLocalTime, (LPSYSTEMTIME lpSystemTime), (lpSystemTime)) \
  X(int, GetLocaleInfoA, (LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData), (Locale, LCType, lpLCData, cchData)) \
  X(int, MultiByteToWideChar, (UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar), (CodePage, dwFlags, lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar)) \
  X(int, WideCharToMultiByte, (UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar), (CodePage, dwFlags, lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte, lpDefaultChar, lpUsedDefaultChar)) \
  /* windows, messages, input (user32) */ \
  X(ATOM, RegisterClassA, (const WNDCLASSA* lpWndClass), (lpWndClass)) \
  X(HWND, CreateWindowExA, (DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X_, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam), (dwExStyle, lpClassName, lpWindowName, dwStyle, X_, Y, nWidth, nHeight, hWndParent, hMenu, hInstance, lpParam)) \
  X(BOOL, DestroyWindow, (HWND hWnd), (hWnd)) \
  X(LRESULT, DefWindowProcA, (HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam), (hWnd, Msg, wParam, lParam)) \
  X(BOOL, ShowWindow, (HWND hWnd, int nCmdShow), (hWnd, nCmdShow)) \
  X(BOOL, UpdateWindow, (HWND hWnd), (hWnd)) \
  X(BOOL, SetWindowPos, (HWND hWnd, HWND hWndInsertAfter, int X_, int Y, int cx, int cy, UINT uFlags), (hWnd, hWndInsertAfter, X_, Y, cx, cy, uFlags)) \
  X(BOOL, MoveWindow, (HWND hWnd, int X_, int Y, int nWidth, int nHeight, BOOL bRepaint), (hWnd, X_, Y, nWidth, nHeight, bRepaint)) \
  X(BOOL, GetWindowRect, (HWND hWnd, LPRECT lpRect), (hWnd, lpRect)) \
  X(BOOL, GetClientRect, (HWND hWnd, LPRECT lpRect), (hWnd, lpRect)) \
  X(BOOL, SetWindowTextA, (HWND hWnd, LPCSTR lpString), (hWnd, lpString)) \
  X(int, GetWindowTextA, (HWND hWnd, LPSTR lpString, int nMaxCount), (hWnd, lpString, nMaxCount)) \
  X(BOOL, EnableWindow, (HWND hWnd, BOOL bEnable), (hWnd, bEnable)) \
  X(BOOL, IsWindowEnabled, (HWND hWnd), (hWnd)) \
  X(BOOL, IsWindowVisible, (HWND hWnd), (hWnd)) \
  X(BOOL, IsWindow, (HWND hWnd), (hWnd)) \
  X(HWND, GetParent, (HWND hWnd), (hWnd)) \
  X(int, GetDlgCtrlID, (HWND hWnd), (hWnd)) \
  X(HWND, SetFocus, (HWND hWnd), (hWnd)) \
  X(HWND, GetFocus, (), ()) \
  X(BOOL, SetForegroundWindow, (HWND hWnd), (hWnd)) \
  X(HMENU, GetSystemMenu, (HWND hWnd, BOOL bRevert), (hWnd, bRevert)) \
  X(BOOL, DeleteMenu, (HMENU hMenu, UINT uPosition, UINT uFlags), (hMenu, uPosition, uFlags)) \
  X(BOOL, GetMessageA, (LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax), (lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax)) \
  X(BOOL, PeekMessageA, (LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg), (lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg)) \
  X(BOOL, TranslateMessage, (const MSG* lpMsg), (lpMsg)) \
  X(LRESULT, DispatchMessageA, (const MSG* lpMsg), (lpMsg)) \
  X(BOOL, PostMessageA, (HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam), (hWnd, Msg, wParam, lParam)) \
  X(LRESULT, SendMessageA, (HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam), (hWnd, Msg, wParam, lParam)) \
  X(VOID, PostQuitMessage, (int nExitCode), (nExitCode)) \
  X(UINT_PTR, SetTimer, (HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc), (hWnd, nIDEvent, uElapse, lpTimerFunc)) \
  X(BOOL, KillTimer, (HWND hWnd, UINT_PTR uIDEvent), (hWnd, uIDEvent)) \
  X(int, MessageBoxA, (HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType), (hWnd, lpText, lpCaption, uType)) \
  X(HWND, FindWindowA, (LPCSTR lpClassName, LPCSTR lpWindowName), (lpClassName, lpWindowName)) \
  X(HWND, FindWindowExA, (HWND hWndParent, HWND hWndChildAfter, LPCSTR lpszClass, LPCSTR lpszWindow), (hWndParent, hWndChildAfter, lpszClass, lpszWindow)) \
  X(DWORD, GetWindowThreadProcessId, (HWND hWnd, LPDWORD lpdwProcessId), (hWnd, lpdwProcessId)) \
  X(LONG, GetWindowLongA, (HWND hWnd, int nIndex), (hWnd, nIndex)) \
  X(LONG, SetWindowLongA, (HWND hWnd, int nIndex, LONG dwNewLong), (hWnd, nIndex, dwNewLong)) \
  X(BOOL, InvalidateRect, (HWND hWnd, const RECT* lpRect, BOOL bErase), (hWnd, lpRect, bErase)) \
  X(BOOL, ExitWindowsEx, (UINT uFlags, DWORD dwReason), (uFlags, dwReason)) \
  X(DWORD, WaitForInputIdle, (HANDLE hProcess, DWORD dwMilliseconds), (hProcess, dwMilliseconds)) \
  X(HCURSOR, LoadCursorA, (HINSTANCE hInstance, LPCSTR lpCursorName), (hInstance, lpCursorName)) \
  X(HCURSOR, SetCursor, (HCURSOR hCursor), (hCursor)) \
  X(SHORT, GetKeyState, (int nVirtKey), (nVirtKey)) \
  X(HICON, LoadIconA, (HINSTANCE hInstance, LPCSTR lpIconName), (hInstance, lpIconName)) \
  X(HRSRC, FindResourceA, (HMODULE hModule, LPCSTR lpName, LPCSTR lpType), (hModule, lpName, lpType)) \
  X(HGLOBAL, LoadResource, (HMODULE hModule, HRSRC hResInfo), (hModule, hResInfo)) \
  X(LPVOID, LockResource, (HGLOBAL hResData), (hResData)) \
  X(DWORD, SizeofResource, (HMODULE hModule, HRSRC hResInfo), (hModule, hResInfo)) \
  X(int, GetSystemMetrics, (int nIndex), (nIndex)) \
  X(DWORD, GetSysColor, (int nIndex), (nIndex)) \
  X(HBRUSH, GetSysColorBrush, (int nIndex), (nIndex)) \
  X(HWND, SetCapture, (HWND hWnd), (hWnd)) \
  X(BOOL, ReleaseCapture, (), ()) \
  X(HWND, GetCapture, (), ()) \
  X(HDC, GetDC, (HWND hWnd), (hWnd)) \
  X(int, ReleaseDC, (HWND hWnd, HDC hDC), (hWnd, hDC)) \
  X(HDC, BeginPaint, (HWND hWnd, LPPAINTSTRUCT lpPaint), (hWnd, lpPaint)) \
  X(BOOL, EndPaint, (HWND hWnd, const PAINTSTRUCT* lpPaint), (hWnd, lpPaint)) \
  X(int, FillRect, (HDC hDC, const RECT* lprc, HBRUSH hbr), (hDC, lprc, hbr)) \
  X(BOOL, DrawStateA, (HDC hdc, HBRUSH hbrFore, DRAWSTATEPROC qfnCallBack, LPARAM lData, WPARAM wData, int x, int y, int cx, int cy, UINT uFlags), (hdc, hbrFore, qfnCallBack, lData, wData, x, y, cx, cy, uFlags)) \
  X(BOOL, DrawEdge, (HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags), (hdc, qrc, edge, grfFlags)) \
  /* drawing (gdi32) */ \
  X(HDC, CreateCompatibleDC, (HDC hdc), (hdc)) \
  X(int, SaveDC, (HDC hdc), (hdc)) \
  X(BOOL, RestoreDC, (HDC hdc, int nSavedDC), (hdc, nSavedDC)) \
  X(BOOL, DeleteDC, (HDC hdc), (hdc)) \
  X(HBITMAP, CreateCompatibleBitmap, (HDC hdc, int cx, int cy), (hdc, cx, cy)) \
  X(HBITMAP, CreateBitmap, (int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits), (nWidth, nHeight, nPlanes, nBitCount, lpBits)) \
  X(HBITMAP, CreateDIBSection, (HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits, HANDLE hSection, DWORD offset), (hdc, pbmi, usage, ppvBits, hSection, offset)) \
  X(HGDIOBJ, SelectObject, (HDC hdc, HGDIOBJ h), (hdc, h)) \
  X(BOOL, DeleteObject, (HGDIOBJ ho), (ho)) \
  X(HGDIOBJ, GetStockObject, (int i), (i)) \
  X(int, GetObjectA, (HANDLE h, int c, LPVOID pv), (h, c, pv)) \
  X(int, GetDeviceCaps, (HDC hdc, int index), (hdc, index)) \
  X(UINT, GetSystemPaletteEntries, (HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries), (hdc, iStart, cEntries, pPalEntries)) \
  X(HPALETTE, CreatePalette, (const LOGPALETTE* plpal), (plpal)) \
  X(HPALETTE, SelectPalette, (HDC hdc, HPALETTE hPal, BOOL bForceBkgd), (hdc, hPal, bForceBkgd)) \
  X(UINT, RealizePalette, (HDC hdc), (hdc)) \
  X(BOOL, BitBlt, (HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop), (hdc, x, y, cx, cy, hdcSrc, x1, y1, rop)) \
  X(HBRUSH, CreateSolidBrush, (COLORREF color), (color)) \
  X(int, SetBkMode, (HDC hdc, int mode), (hdc, mode)) \
  X(COLORREF, SetTextColor, (HDC hdc, COLORREF color), (hdc, color)) \
  X(COLORREF, SetBkColor, (HDC hdc, COLORREF color), (hdc, color)) \
  X(COLORREF, GetBkColor, (HDC hdc), (hdc)) \
  X(BOOL, TextOutA, (HDC hdc, int x, int y, LPCSTR lpString, int c), (hdc, x, y, lpString, c)) \
  X(BOOL, GetTextExtentPoint32A, (HDC hdc, LPCSTR lpString, int c, LPSIZE psizl), (hdc, lpString, c, psizl)) \
  X(HFONT, CreateFontIndirectA, (const LOGFONTA* lplf), (lplf)) \
  /* pictures and automation (ole32, oleaut32) */ \
  X(HRESULT, OleCreatePictureIndirect, (LPPICTDESC lpPictDesc, REFIID riid, BOOL fOwn, LPVOID* lplpvObj), (lpPictDesc, riid, fOwn, lplpvObj)) \
  X(HRESULT, CoInitialize, (LPVOID pvReserved), (pvReserved)) \
  X(HRESULT, CoCreateInstance, (REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv), (rclsid, pUnkOuter, dwClsContext, riid, ppv)) \
  X(BSTR, SysAllocString, (const OLECHAR* psz), (psz)) \
  X(VOID, SysFreeString, (BSTR bstrString), (bstrString)) \
  X(VOID, VariantInit, (VARIANTARG* pvarg), (pvarg)) \
  X(HRESULT, VariantClear, (VARIANTARG* pvarg), (pvarg))

namespace api {
#define MAPI_DECLARE(ret, name, params, args) ret name params;
MAPI_FUNCTIONS(MAPI_DECLARE)
#undef MAPI_DECLARE
}
