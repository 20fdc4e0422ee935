/* Custom action of the demo engine packages: refuses an instance that cannot
 * be installed and reports why through the function that the CALLBACK
 * property names ("library!function"), as the engine's own setup does, and
 * names the instance's registry key in SETUPKEY.
 *
 * CheckInstance runs immediately, before costing. On a refusal it calls the
 * callback with the code and returns ERROR_NO_MORE_ITEMS, which ends the
 * install at once without an error: msiexec exits 0, nothing is registered,
 * and the caller learns the reason from the callback's record alone. When the
 * product is installed already (repair, removal) it only finds the key that
 * holds its product code, so the removal takes the right values away. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#define ERR_CODEPAGE 50035      /* characters outside the code page */
#define ERR_NAME_TAKEN 50043    /* an instance of that name exists */
#define ERR_NAME_INVALID 50047  /* characters not allowed in a server name */

typedef LONG(WINAPI* SetupCallback)(DWORD nErrorCode, LPCSTR szMessage);

static int Length(const char* s) { int n = 0; while (s[n]) ++n; return n; }

static void Append(char* sDest, int nSize, const char* sText) {
  int n = Length(sDest);
  while (*sText && n < nSize - 1) sDest[n++] = *sText++;
  sDest[n] = 0;
}

static void GetProperty(MSIHANDLE hInstall, const char* sName, char* sValue, DWORD nSize) {
  sValue[0] = 0;
  if (MsiGetPropertyA(hInstall, sName, sValue, &nSize) != ERROR_SUCCESS) sValue[0] = 0;
}

static void LogLine(MSIHANDLE hInstall, const char* sText) {
  MSIHANDLE hRec = MsiCreateRecord(1);
  if (!hRec) return;
  MsiRecordSetStringA(hRec, 0, sText);
  MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRec);
  MsiCloseHandle(hRec);
}

static BOOL KeyHasValue(const char* sKey, const char* sValue) {
  HKEY hKey;
  BOOL bFound;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS) return FALSE;
  bFound = RegQueryValueExA(hKey, sValue, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
  RegCloseKey(hKey);
  return bFound;
}

/* SQL Server instance names: up to 16 characters, a letter or "_" first,
 * then letters, digits, "_" and "$". */
static DWORD CheckName(const char* sName) {
  int i, n = Length(sName);
  for (i = 0; i < n; ++i)
    if ((unsigned char)sName[i] >= 0x80) return ERR_CODEPAGE;
  if (n > 16) return ERR_NAME_INVALID;
  for (i = 0; i < n; ++i) {
    char c = sName[i];
    BOOL bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    BOOL bOther = (c >= '0' && c <= '9') || c == '$';
    if (!bLetter && !(i > 0 && bOther)) return ERR_NAME_INVALID;
  }
  return 0;
}

/* The callback library is looked for by its name (the loader's search), then
 * in the temporary folder, where the wizard keeps its copy, then beside the
 * package. */
static HMODULE LoadCallbackLibrary(MSIHANDLE hInstall, const char* sLibrary) {
  char sPath[MAX_PATH * 2];
  HMODULE hLib = LoadLibraryA(sLibrary);
  int i;
  if (hLib) return hLib;
  sPath[0] = 0;
  if (GetTempPathA(MAX_PATH, sPath)) {
    Append(sPath, sizeof(sPath), sLibrary);
    Append(sPath, sizeof(sPath), ".dll");
    if ((hLib = LoadLibraryA(sPath)) != NULL) return hLib;
  }
  GetProperty(hInstall, "OriginalDatabase", sPath, MAX_PATH);
  for (i = Length(sPath); i > 0 && sPath[i - 1] != '\\'; --i) {}
  if (i == 0) return NULL;
  sPath[i] = 0;
  Append(sPath, sizeof(sPath), sLibrary);
  Append(sPath, sizeof(sPath), ".dll");
  return LoadLibraryA(sPath);
}

/* Refuses the install: QXREFUSED skips every action that would change the
 * machine (Wine's msi does not stop on ERROR_NO_MORE_ITEMS as Windows does). */
static UINT Refuse(MSIHANDLE hInstall, DWORD nCode, const char* sMessage) {
  char sCallback[MAX_PATH];
  char* sFunction = NULL;
  int i;
  HMODULE hLib;
  LogLine(hInstall, sMessage);
  MsiSetPropertyA(hInstall, "QXREFUSED", "1");
  GetProperty(hInstall, "CALLBACK", sCallback, sizeof(sCallback));
  for (i = 0; sCallback[i]; ++i)
    if (sCallback[i] == '!') { sCallback[i] = 0; sFunction = sCallback + i + 1; break; }
  if (!sFunction || !*sFunction || !*sCallback) return ERROR_NO_MORE_ITEMS;
  hLib = LoadCallbackLibrary(hInstall, sCallback);
  if (!hLib) {
    LogLine(hInstall, "SqlRunCA: the CALLBACK library was not found");
    return ERROR_NO_MORE_ITEMS;
  }
  {
    SetupCallback pfn = (SetupCallback)(void*)GetProcAddress(hLib, sFunction);
    if (pfn) pfn(nCode, sMessage);
    else LogLine(hInstall, "SqlRunCA: the CALLBACK function was not found");
  }
  FreeLibrary(hLib);
  return ERROR_NO_MORE_ITEMS;
}

static BOOL Equal(const char* a, const char* b) {
  while (*a && *a == *b) { ++a; ++b; }
  return *a == *b;
}

static BOOL KeyHoldsProduct(const char* sKey, const char* sProductCode) {
  HKEY hKey;
  char sValue[64];
  DWORD cb = sizeof(sValue) - 1, dwType = 0;
  BOOL bMatch = FALSE;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS) return FALSE;
  if (RegQueryValueExA(hKey, "ProductCode", NULL, &dwType, (LPBYTE)sValue, &cb) == ERROR_SUCCESS &&
      dwType == REG_SZ) {
    sValue[cb < sizeof(sValue) ? cb : sizeof(sValue) - 1] = 0;
    bMatch = Equal(sValue, sProductCode);
  }
  RegCloseKey(hKey);
  return bMatch;
}

static void FindInstalledKey(MSIHANDLE hInstall) {
  char sCode[64], sName[260], sKey[400];
  HKEY hRoot;
  DWORD i, cch;
  GetProperty(hInstall, "ProductCode", sCode, sizeof(sCode));
  if (KeyHoldsProduct("SOFTWARE\\Microsoft\\MSSQLServer\\Setup", sCode)) return;  /* the default */
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Microsoft SQL Server", 0,
                    KEY_ENUMERATE_SUB_KEYS, &hRoot) != ERROR_SUCCESS)
    return;
  for (i = 0;; ++i) {
    cch = sizeof(sName);
    if (RegEnumKeyExA(hRoot, i, sName, &cch, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    sKey[0] = 0;
    Append(sKey, sizeof(sKey), "SOFTWARE\\Microsoft\\Microsoft SQL Server\\");
    Append(sKey, sizeof(sKey), sName);
    Append(sKey, sizeof(sKey), "\\Setup");
    if (KeyHoldsProduct(sKey, sCode)) { MsiSetPropertyA(hInstall, "SETUPKEY", sKey); break; }
  }
  RegCloseKey(hRoot);
}

UINT WINAPI CheckInstance(MSIHANDLE hInstall) {
  char sName[256], sKey[400];
  DWORD nCode;
  GetProperty(hInstall, "Installed", sName, sizeof(sName));
  if (sName[0]) { FindInstalledKey(hInstall); return ERROR_SUCCESS; }
  GetProperty(hInstall, "INSTANCENAME", sName, sizeof(sName));
  nCode = CheckName(sName);
  if (nCode == ERR_CODEPAGE)
    return Refuse(hInstall, nCode, "SqlRunCA: the instance name has characters outside the code page");
  if (nCode) return Refuse(hInstall, nCode, "SqlRunCA: the instance name is not valid");
  if (sName[0]) {
    sKey[0] = 0;
    Append(sKey, sizeof(sKey), "SOFTWARE\\Microsoft\\Microsoft SQL Server\\");
    Append(sKey, sizeof(sKey), sName);
    Append(sKey, sizeof(sKey), "\\Setup");
  } else {
    sKey[0] = 0;
    Append(sKey, sizeof(sKey), "SOFTWARE\\Microsoft\\MSSQLServer\\Setup");
  }
  if (KeyHasValue(sKey, "ProductCode"))
    return Refuse(hInstall, ERR_NAME_TAKEN, "SqlRunCA: an instance of that name is installed already");
  MsiSetPropertyA(hInstall, "SETUPKEY", sKey);
  return ERROR_SUCCESS;
}

BOOL WINAPI DllMain(HINSTANCE hInst, DWORD dwReason, LPVOID lpReserved) {
  (void)hInst; (void)dwReason; (void)lpReserved;
  return TRUE;
}
