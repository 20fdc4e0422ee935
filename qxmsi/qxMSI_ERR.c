/* qxMSI_ERR.dll: carries the engine setup's error code from the setup's
 * process to the wizard's.
 *
 * The setup is told CALLBACK=qxMSI_ERR!MSICBK and calls MSICBK from inside
 * msiexec (or its custom-action server); the wizard calls InitializeMSILib
 * before starting msiexec and RetreiveMSIExitCode after it has ended. The two
 * sides run different copies of this file in different processes, so the
 * code lives in the registry of the current user, where both can reach it:
 *   HKEY_CURRENT_USER\Software\LumeDax\qxMSI_ERR, value "SetupError" (REG_DWORD)
 * The first non-zero code of a run is kept: it names the cause, later calls
 * during the roll-back only repeat it.
 *
 * Plain C without the C runtime keeps the library a few kilobytes. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#define QX_KEY "Software\\LumeDax\\qxMSI_ERR"
#define QX_VALUE "SetupError"

/* Only the 64-bit registry view exists for a 64-bit caller and both sides of
 * a 32-bit install share the 32-bit one; HKCU\Software is not redirected. */
static DWORD ReadCode(void) {
  HKEY hKey;
  DWORD dwCode = 0, dwType = 0, cb = sizeof(dwCode);
  if (RegOpenKeyExA(HKEY_CURRENT_USER, QX_KEY, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS) return 0;
  if (RegQueryValueExA(hKey, QX_VALUE, NULL, &dwType, (LPBYTE)&dwCode, &cb) != ERROR_SUCCESS ||
      dwType != REG_DWORD || cb != sizeof(dwCode))
    dwCode = 0;
  RegCloseKey(hKey);
  return dwCode;
}

/* Clears the record of an earlier run. Returns 0 on success. */
LONG WINAPI InitializeMSILib(void) {
  HKEY hKey;
  LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, QX_KEY, 0, KEY_SET_VALUE, &hKey);
  if (rc == ERROR_FILE_NOT_FOUND) return 0;   /* nothing recorded ever */
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegDeleteValueA(hKey, QX_VALUE);
  RegCloseKey(hKey);
  return rc == ERROR_FILE_NOT_FOUND ? 0 : rc;
}

/* The code recorded since InitializeMSILib, 0 when none. */
LONG WINAPI RetreiveMSIExitCode(void) { return (LONG)ReadCode(); }

/* The setup's callback. nErrorCode is the setup's result code (for example
 * 50043); szMessage is an optional text for the setup's own log and may be
 * NULL. A code of 0 records nothing. Returns 0 when the code is recorded (or
 * an earlier one stands), otherwise the registry's error. */
LONG WINAPI MSICBK(DWORD nErrorCode, LPCSTR szMessage) {
  HKEY hKey;
  LONG rc;
  (void)szMessage;
  if (nErrorCode == 0 || ReadCode() != 0) return 0;
  rc = RegCreateKeyExA(HKEY_CURRENT_USER, QX_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExA(hKey, QX_VALUE, 0, REG_DWORD, (const BYTE*)&nErrorCode, sizeof(nErrorCode));
  RegCloseKey(hKey);
  return rc;
}

BOOL WINAPI DllMain(HINSTANCE hInst, DWORD dwReason, LPVOID lpReserved) {
  (void)lpReserved;
  if (dwReason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(hInst);
  return TRUE;
}
