#include "util/Util.h"

#include <cstring>
#include <vector>
#include "platform/MAPI_Declares.h"

OSVERSIONINFOA WindowsVersion() {
  OSVERSIONINFOA vi;
  std::memset(&vi, 0, sizeof(vi));
  vi.dwOSVersionInfoSize = 148;
  api::GetVersionExA(&vi);   // a failure leaves the record zeroed: unknown platform
  return vi;
}

bool IsWindowsNT() { return WindowsVersion().dwPlatformId == VER_PLATFORM_WIN32_NT; }

// The version code gives 100 for NT 5.2 and every later Windows alike.
bool IsWindowsVistaOrLater() {
  const OSVERSIONINFOA vi = WindowsVersion();
  return vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion >= 6;
}

long GetOSVersion() {
  const OSVERSIONINFOA vi = WindowsVersion();
  long major = long(vi.dwMajorVersion), minor = long(vi.dwMinorVersion);
  switch (vi.dwPlatformId) {
    case 1:
      if (minor == 0) return 2;
      if (minor == 10) return 3;
      if (minor == 90) return 4;
      return 0;
    case 2:
      if (major == 3) return 1;
      if (major == 4) return 5;
      if (major == 5) return minor == 0 ? 6 : minor == 1 ? 7 : 100;
      if (major > 5) return 100;
      return minor <= 1 ? 0 : 100;
    default:
      return -1;
  }
}

std::string TrimAtNull(const std::string& s) {
  size_t i = s.find('\0');
  return i == std::string::npos ? s : s.substr(0, i);
}

std::string GetShortPath(const std::string& sPath) {
  std::vector<char> buf(261, '\0');   // one spare byte for a terminator the call may not write
  DWORD n = api::GetShortPathNameA(sPath.c_str(), buf.data(), 260);
  if (n == 0) return sPath;
  // A result above 260 is the size needed; the buffer was left as it was.
  if (n >= 260) return sPath;
  return TrimAtNull(std::string(buf.data(), 260));
}

std::string AddBackslash(const std::string& sPath) {
  if (sPath.empty() || sPath.back() == '\\') return sPath;
  return sPath + "\\";
}

std::string GetComputerNameText() {
  char buf[31] = {0};
  DWORD size = 30;
  if (!api::GetComputerNameA(buf, &size)) return "";
  return TrimAtNull(std::string(buf, 30));
}

bool FileExists(const std::string& sPath) {
  size_t first = sPath.find_first_not_of(' ');
  std::string path = first == std::string::npos ? "" : sPath.substr(first, sPath.find_last_not_of(' ') - first + 1);
  WIN32_FIND_DATAA fd;
  HANDLE h = api::FindFirstFileA(path.c_str(), &fd);
  bool found = h != INVALID_HANDLE_VALUE;
  if (!found) found = api::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (h != INVALID_HANDLE_VALUE) api::FindClose(h);
  return found;
}

std::string SystemLibrary(const char* sFile) {
  char buf[MAX_PATH + 1] = {};
  const UINT n = api::GetSystemDirectoryA(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return AddBackslash(buf) + sFile;
}

bool DllExportExists(const std::string& sLibrary, const std::string& sFunction) {
  if (sLibrary.empty()) return false;
  bool loadedHere = false;
  HMODULE h = api::GetModuleHandleA(sLibrary.c_str());
  if (!h) {
    h = api::LoadLibraryA(sLibrary.c_str());
    loadedHere = h != nullptr;
  }
  if (!h) return false;
  bool found = api::GetProcAddress(h, sFunction.c_str()) != nullptr;
  if (loadedHere) api::FreeLibrary(h);
  return found;
}

std::string SplitPath(const std::string& sPath, std::string& sFolder) {
  size_t i = sPath.rfind('\\');
  if (i == std::string::npos) return "";
  sFolder = sPath.substr(0, i);
  if (!sFolder.empty() && sFolder.back() == ':') sFolder += '\\';
  return sPath.substr(i + 1);
}

void PumpMessages() {
  MSG msg;
  while (api::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    api::TranslateMessage(&msg);
    api::DispatchMessageA(&msg);
  }
}
