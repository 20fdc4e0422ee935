// A Windows Installer library that reports version 1.1.1029, too old for the
// engine packages. In the system folder, loaded native for the wizard, it
// makes the wizard offer the runtime setup page as it would on an unpatched
// Windows 2000; planted beside the wizard it must change nothing.
#include <windows.h>

struct DllVersionInfo {
  DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
};

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetVersion(DllVersionInfo* pdvi) {
  if (!pdvi || pdvi->cbSize < sizeof(DllVersionInfo)) return E_INVALIDARG;
  pdvi->dwMajorVersion = 1;
  pdvi->dwMinorVersion = 1;
  pdvi->dwBuildNumber = 1029;
  pdvi->dwPlatformID = 2;  // DLLVER_PLATFORM_NT
  return S_OK;
}
