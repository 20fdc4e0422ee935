#include "settings/MReg32.h"
#include "settings/CRegistry.h"
#include "util/Util.h"

// The sub-key handle is closed only when it is a new one: for an empty
// sub-key name RegOpenKeyA/RegCreateKeyA hand back the caller's own handle.
static void CloseOwn(HKEY hKey, HKEY hSub) {
  if (hSub && hSub != hKey) api::RegCloseKey(hSub);
}

void SaveString(HKEY hKey, const std::string& sSubKey, const std::string& sValueName, const std::string& sData) {
  HKEY hSub = nullptr;
  if (api::RegCreateKeyA(hKey, sSubKey.c_str(), &hSub) != ERROR_SUCCESS) return;
  api::RegSetValueExA(hSub, sValueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(sData.c_str()),
                      DWORD(sData.size()));
  CloseOwn(hKey, hSub);
}

void DeleteValue(HKEY hKey, const std::string& sSubKey, const std::string& sValueName) {
  HKEY hSub = nullptr;
  if (api::RegOpenKeyA(hKey, sSubKey.c_str(), &hSub) != ERROR_SUCCESS) return;
  api::RegDeleteValueA(hSub, sValueName.c_str());
  CloseOwn(hKey, hSub);
}

bool StringValueExists(HKEY hKey, const std::string& sSubKey, const std::string& sValueName) {
  HKEY hSub = nullptr;
  DWORD type = 0;
  if (api::RegOpenKeyA(hKey, sSubKey.c_str(), &hSub) != ERROR_SUCCESS) return false;
  api::RegQueryValueExA(hSub, sValueName.c_str(), nullptr, &type, nullptr, nullptr);
  CloseOwn(hKey, hSub);
  return type == REG_SZ;
}

std::string ProgramFilesFolder() {
  CRegistry reg;
  reg.Key(0x80000002u);   // HKEY_LOCAL_MACHINE
  const std::string sFolder =
      reg.ReadOnlyReadSetting("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", SettingValue(""), REG_SZ)
          .AsText();
  return AddBackslash(sFolder.empty() ? std::string("C:\\Program Files") : sFolder);
}

bool MachineSettingsWritable() {
  if (!IsWindowsNT()) return true;   // Windows 9x has no rights to check
  HKEY hKey = nullptr;
  if (api::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &hKey) !=
      ERROR_SUCCESS)
    return false;
  api::RegCloseKey(hKey);
  return true;
}
