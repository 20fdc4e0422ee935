// The command line, the run modes and the resume entries that bring the
// wizard back after a reboot.
#include <cstring>
#include <vector>
#include "platform/Forms.h"
#include "settings/CRegistry.h"
#include "startup/LocalCopy.h"
#include "startup/MMain.h"
#include "util/MLog.h"
#include "util/Unattended.h"
#include "util/Util.h"

const char* const kMsgBoxTitle = "Custom Database Configuration";
const char* const kPageCaption = "ZoMel MSDE Installation and Setup";

namespace {

const uint32_t kLocalMachine = 0x80000002u;
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "MSDE Instance Installer";
// From Windows Vista on, logon blocks every Run entry that needs elevation,
// unasked; RunOnce entries get the elevation prompt. The "!" defers the
// entry's deletion until its command has run, so a declined prompt leaves it
// for the next logon.
const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kRunOnceValue[] = "!MSDE Instance Installer";
// Every place a resume entry may stand, whichever Windows wrote it.
const char* const kEntryPlaces[][2] = {{kRunKey, kRunValue}, {kRunOnceKey, kRunOnceValue}, {kRunOnceKey, kRunValue}};
const char kResumeKey[] = "SOFTWARE\\LumeDax";

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string TrimBlanks(const std::string& s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The platform's text-to-truth conversion: True/False in any case, or a
// decimal number (optional sign and point) that is false only when 0.
bool TextToTruth(const std::string& sText, bool& bValue) {
  std::string s = Lower(TrimBlanks(sText));
  if (s == "true" || s == "false") {
    bValue = s == "true";
    return true;
  }
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool digits = false, nonZero = false, point = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      digits = true;
      nonZero = nonZero || s[i] != '0';
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  bValue = nonZero;
  return true;
}

// Stored text is UTF-16LE, two bytes to a character.
std::string Utf16LeToText(const std::vector<unsigned char>& bytes) {
  size_t count = bytes.size() / 2;
  if (count == 0) return std::string();
  std::vector<WCHAR> wide(count);
  for (size_t i = 0; i < count; ++i) wide[i] = WCHAR(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  int n = api::WideCharToMultiByte(CP_ACP, 0, wide.data(), int(count), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string text(size_t(n), '\0');
  if (api::WideCharToMultiByte(CP_ACP, 0, wide.data(), int(count), &text[0], n, nullptr, nullptr) != n)
    return std::string();   // unreadable data counts as missing, never as NULs
  return text;
}

// The key of ScrambleString for the 1-based character position.
unsigned char ScrambleKey(size_t nPosition) {
  return (unsigned char)(1 + (3 * (nPosition - 1)) % 254);
}

// ScrambleString cannot carry a text whose last character, scrambled, gives
// the code 255: reading takes it for a replaced blank. Stored data therefore
// ends in an extra field, "|" and a letter chosen so that neither case
// arises; the reader ignores fields after the fourth.
std::string ProtectEnd(const std::string& sData) {
  std::string s = sData + "|x";
  if (((unsigned char)'x' ^ ScrambleKey(s.size())) == 255) s.back() = 'y';
  return s;
}

// The resume data's name behind "/config" in the lowered search text: one
// character after the switch (its separator), blanks trimmed; "" for none.
std::string ConfigValueName(const std::string& sSearch, size_t nAt) {
  return sSearch.size() > nAt + 8 ? TrimBlanks(sSearch.substr(nAt + 8)) : std::string();
}

CRegistry LocalMachine() {
  CRegistry reg;
  reg.Key(kLocalMachine);
  return reg;
}

}  // namespace

std::string ScrambleString(const std::string& sText) {
  if (sText.empty()) return sText;
  std::string s = sText;
  if ((unsigned char)s.back() == 255) s.back() = ' ';
  unsigned k = 1;
  for (char& c : s) {
    c = char((unsigned char)c ^ k);
    k += 3;
    if (k > 254) k -= 254;
  }
  if (s.back() == ' ') s.back() = char(255);
  return s;
}

bool SplitConfigurationData(const std::string& sData, std::string& sServerName, std::string& sUserID,
                            std::string& sPassword, bool& bNTAuthentication) {
  if (sData.empty()) return false;
  std::string data = sData + "|";
  int field = 0;
  size_t start = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '|') continue;
    std::string text = data.substr(start, i - start);
    switch (field) {
      case 0: sServerName = text; break;
      case 1: sUserID = text; break;
      case 2: sPassword = text; break;
      case 3:
        // A fourth field that is no truth value makes the data unusable.
        if (!TextToTruth(text, bNTAuthentication)) return false;
        break;
      default: break;
    }
    if (field == 3) return true;
    ++field;
    start = i + 1;
  }
  return false;
}

std::string ConfigurationData(const InstallParameters& p) {
  return p.sServerName + "|" + p.sUserID + "|" + p.sPassword + "|" + (p.bNTAuthentication ? "True" : "False");
}

RunMode ParseCommandLine(std::string& sServerName, std::string& sUserID, std::string& sPassword,
                         bool& bNTAuthentication) {
  std::string search = Lower(WithoutDeploymentSwitches(App::Command()));
  RunMode result = RunModeInvalid;
  bool valid = false, invalid = false;

  if (search.empty()) {
    result = RunModeFull;
    valid = true;
  } else {
    size_t at = search.find("/config");
    if (at != std::string::npos) {
      const std::string name = ConfigValueName(search, at);
      if (name.empty()) {
        invalid = true;
      } else {
        SettingValue stored = LocalMachine().ReadOnlyReadSetting(kResumeKey, name, SettingValue(""), REG_BINARY);
        std::string text = stored.kind == SettingValue::Bytes ? Utf16LeToText(stored.bytes) : std::string();
        search = ScrambleString(text);
        DeleteResumeData(name);
        if (SplitConfigurationData(search, sServerName, sUserID, sPassword, bNTAuthentication)) {
          valid = true;
          result = RunModeConfig;
        } else {
          invalid = true;
        }
      }
    }
    // After a successful "/config" the search text is the stored data as it
    // is, not lowered.
    if (search.find("/msi") != std::string::npos) {
      valid = true;
      result = RunModeMsi;
    }
    if (search.find("/manualconfig") != std::string::npos) {
      valid = true;
      result = RunModeManualConfig;
    }
    if (invalid || !valid) {
      MsgBox("Invalid command line paramiters.\r\n\r\n"
             "The following are valid parameters:\r\n\r\n"
             "/Config <configuration data>\r\n\r\n"
             "/MSI\r\n\r\n"
             "/MANUALCONFIG",
             0, App::Title());
      result = RunModeInvalid;
    }
  }
  RemoveResumeEntry();
  return result;
}

std::string LoggedCommandLine(const std::string& sCommand) {
  const size_t at = Lower(sCommand).find("/config");
  if (at == std::string::npos) return sCommand;
  const std::string sName = TrimBlanks(sCommand.substr(at + 7));
  bool bStamp = !sName.empty();
  int nPoints = 0;
  for (char c : sName) {
    if (c == '.' || c == ',') ++nPoints;
    else if (c < '0' || c > '9') bStamp = false;
  }
  if (bStamp && nPoints <= 1) return sCommand;
  return sCommand.substr(0, at + 7) + " " + kHiddenText;
}

bool AddResumeEntry(const std::string& sSwitch, const std::string& sArgument) {
  const std::string sFolder = App::Path();
  if (sFolder.empty()) return false;
  std::string sProgram = AddBackslash(sFolder) + "Tarnwick.exe";
  // The configuration needs nothing from the medium but the program: a
  // local copy resumes whether or not the medium is there after the restart.
  // "/MSI" runs the whole wizard again, packages and all, from the medium.
  if (sSwitch == "/Config") {
    const bool bCopy = MakeLocalCopy();
    Log(bCopy ? "Restart road: local copy " + LocalCopyPath() + " made"
              : "Restart road: no local copy could be made in " + LocalCopyPath() + ", the entry names the medium");
    if (bCopy) sProgram = LocalCopyPath();
  }
  std::string data = GetShortPath(sProgram);
  // Without a short form a blank in the path would split the program name.
  if (data.find(' ') != std::string::npos) data = "\"" + data + "\"";
  if (!sSwitch.empty()) data += " " + sSwitch;
  if (!sArgument.empty()) data += " " + sArgument;
  data += DeploymentSwitchText();   // the resumed run is as unattended as this one
  const bool bVista = IsWindowsVistaOrLater();
  const bool bWritten = LocalMachine().WriteSetting(bVista ? kRunOnceKey : kRunKey, bVista ? kRunOnceValue : kRunValue,
                                                    SettingValue(data), REG_SZ);
  if (!bWritten && sProgram == LocalCopyPath()) RemoveLocalCopy();
  return bWritten;
}

bool SaveResumeData(const std::string& sValueName, const std::string& sConfigurationData) {
  return LocalMachine().WriteSetting(kResumeKey, sValueName,
                                     SettingValue(ScrambleString(ProtectEnd(sConfigurationData))), REG_BINARY);
}

void RemoveResumeEntry() {
  for (const auto& place : kEntryPlaces) LocalMachine().DeleteSetting(place[0], place[1]);
}

void DeleteResumeData(const std::string& sValueName) { LocalMachine().DeleteSetting(kResumeKey, sValueName); }

std::string PendingResumeStamp() {
  for (const auto& place : kEntryPlaces) {
    const std::string sEntry = Lower(LocalMachine().ReadOnlyReadSetting(place[0], place[1], SettingValue(""), REG_SZ).AsText());
    const size_t at = sEntry.find(" /config ");
    if (at == std::string::npos) continue;
    std::string sStamp = ConfigValueName(sEntry, at + 1);
    sStamp = sStamp.substr(0, sStamp.find(' '));   // the deployment switches follow
    if (!sStamp.empty() &&
        !LocalMachine().ReadOnlyReadSetting(kResumeKey, sStamp, SettingValue(), REG_BINARY).IsEmpty())
      return sStamp;
  }
  return std::string();
}

bool IsResumeStart(const std::string& sStamp) {
  const std::string search = Lower(WithoutDeploymentSwitches(App::Command()));
  const size_t at = search.find("/config");
  return at != std::string::npos && ConfigValueName(search, at) == sStamp;
}

namespace {
// The record DllGetVersion fills: five 32-bit fields.
struct DllVersionInfo {
  DWORD cbSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformID;
};
typedef HRESULT(CALLBACK* DllGetVersionProc)(DllVersionInfo*);

// False when msi.dll or its version cannot be had.
bool ReadMsiVersion(int32_t& major, int32_t& minor, int32_t& build) {
  const std::string sMsi = SystemLibrary("msi.dll");   // never one beside the wizard
  if (!DllExportExists(sMsi, "DllGetVersion")) return false;
  HMODULE hMsi = api::LoadLibraryA(sMsi.c_str());
  if (!hMsi) return false;
  DllVersionInfo info;
  std::memset(&info, 0, sizeof(info));
  info.cbSize = sizeof(info);
  HRESULT hr = E_FAIL;
  if (FARPROC proc = api::GetProcAddress(hMsi, "DllGetVersion"))
    hr = reinterpret_cast<DllGetVersionProc>(reinterpret_cast<void*>(proc))(&info);
  api::FreeLibrary(hMsi);
  major = int32_t(info.dwMajorVersion);
  minor = int32_t(info.dwMinorVersion);
  build = int32_t(info.dwBuildNumber);
  return hr == 0;
}
}  // namespace

std::string MsiRuntimeVersion() {
  int32_t major, minor, build;
  if (!ReadMsiVersion(major, minor, build)) return "not found";
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
}

bool MsiRuntimeNeedsUpdate() {
  int32_t major, minor, build;
  if (!ReadMsiVersion(major, minor, build)) return true;
  if (major < 1) return true;
  if (major == 1 && minor < 10) return true;
  if (build < 1029) return true;
  return false;
}
