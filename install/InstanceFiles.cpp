#include "install/InstanceFiles.h"
#include "util/MLog.h"

#include "settings/CRegistry.h"
#include "util/Util.h"

namespace {
const int kPackages = 16;

// Row i is package SqlRun(i+1).msi.
const char* const kProductCodes[kPackages] = {
    "{E09B48B5-E141-427A-AB0C-D3605127224A}", "{689404D2-1C94-44B3-9203-BEC5594FDA7A}",
    "{EFB70B01-B1F3-4960-AB69-4A280084A60C}", "{C2736CA7-76E1-4D0C-B590-483A7FFD18DA}",
    "{FE7E950B-220A-4182-B5CA-19397244DCFD}", "{7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19}",
    "{F07E35BF-8B03-4777-9B5E-AE90E4FF0932}", "{C5B59406-E985-4187-84E8-68E2D9F89A47}",
    "{D7CE240C-0F3B-4C40-9278-C0B90E533652}", "{A519AE9C-7C79-4C5B-9127-8F46D648D5A4}",
    "{4541DA32-2108-43E9-9915-C71B9DE77048}", "{A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D}",
    "{9FCE5BBD-D85F-4905-8A0C-12A3A86C2434}", "{F4E46404-2578-4955-B748-547957F08AB1}",
    "{B7300824-E68F-45F1-BAC1-5F15636C346F}", "{CD59EA85-6CBF-4C08-BE59-6C628B3D8F54}",
};

const char kDefaultInstanceKey[] = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
const char kInstancesKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
const DWORD kNameBuffer = 260;
const uint32_t kHKeyLocalMachine = 0x80000002;

std::string PackageName(int nIndex) {
  char s[16] = "SqlRun00.msi";
  s[6] = char('0' + (nIndex + 1) / 10);
  s[7] = char('0' + (nIndex + 1) % 10);
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

void TakeInstance(CRegistry& reg, const std::string& sSetupKey, std::vector<std::string>& InstanceFiles) {
  const std::string sCode = reg.ReadOnlyReadSetting(sSetupKey, "ProductCode", SettingValue(""), REG_SZ).AsText();
  if (sCode.empty()) return;
  const std::string sPackage = GetInstanceFileFromProductCode(sCode);
  Log("Engine setup: product code " + sCode + " found under " + sSetupKey + ": " +
      (sPackage.empty() ? std::string("not one of ours") : sPackage + " taken"));
  RemoveInstanceFile(sPackage, InstanceFiles);
}
}  // namespace

std::string GetInstanceFileFromProductCode(const std::string& sProductCode) {
  for (int i = 0; i < kPackages; ++i)
    if (sProductCode == kProductCodes[i]) return PackageName(i);
  return std::string();
}

void RemoveInstanceFile(const std::string& sFileName, std::vector<std::string>& InstanceFiles) {
  const std::string sWanted = Lower(sFileName);
  for (std::string& sEntry : InstanceFiles)
    if (Lower(sEntry) == sWanted) {
      sEntry.clear();
      return;
    }
}

std::string GetAvailableInstanceFile() {
  std::vector<std::string> InstanceFiles;
  for (int i = 0; i < kPackages; ++i) InstanceFiles.push_back(PackageName(i));

  CRegistry reg;
  reg.Key(kHKeyLocalMachine);
  TakeInstance(reg, kDefaultInstanceKey, InstanceFiles);

  // Named instances: every sub-key of the instances key that has a Setup
  // key with a product code.
  HKEY hKey = nullptr;
  if (api::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstancesKey, 0, KEY_ENUMERATE_SUB_KEYS, &hKey) == ERROR_SUCCESS) {
    LONG rc;
    DWORD nIndex = 0;
    do {
      char sName[kNameBuffer] = {}, sClass[kNameBuffer] = {};
      DWORD cchName = kNameBuffer, cchClass = kNameBuffer;
      FILETIME ftWritten;
      rc = api::RegEnumKeyExA(hKey, nIndex, sName, &cchName, nullptr, sClass, &cchClass, &ftWritten);
      const std::string sInstance = TrimAtNull(std::string(sName, kNameBuffer));
      if (rc == ERROR_SUCCESS)
        TakeInstance(reg, std::string(kInstancesKey) + "\\" + sInstance + "\\Setup", InstanceFiles);
      ++nIndex;
    } while (rc == ERROR_SUCCESS);
    api::RegCloseKey(hKey);
  }

  for (const std::string& sEntry : InstanceFiles)
    if (!sEntry.empty()) return sEntry;
  return std::string();
}
