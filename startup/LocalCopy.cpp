#include "startup/LocalCopy.h"

#include <vector>
#include "platform/Forms.h"
#include "settings/MReg32.h"
#include "util/MLog.h"
#include "util/Util.h"

namespace {
std::string LocalCopyFolder() { return ProgramFilesFolder() + "LumeDax"; }

// Either path may be long or short (a Run entry starts the short one).
bool SamePath(const std::string& a, const std::string& b) {
  std::string sA = GetShortPath(a), sB = GetShortPath(b);
  for (std::string* s : {&sA, &sB})
    for (char& c : *s)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return sA == sB;
}

// Windows 9x deletes at its next start what WININIT.INI's [rename] section
// names after "NUL=". Several lines may share that key, which the profile
// functions for single values would overwrite: the section is written whole.
bool ScheduleWithWininit(const std::string& sPath) {
  std::vector<char> section(32768, '\0');
  const DWORD n = api::GetPrivateProfileSectionA("rename", section.data(), DWORD(section.size()), "WININIT.INI");
  if (n + 1 >= section.size() - 2) return false;   // too full to read whole
  std::string sLines(section.data(), n);           // "key=value\0" each
  sLines += "NUL=" + GetShortPath(sPath) + '\0';
  sLines += '\0';
  return api::WritePrivateProfileSectionA("rename", sLines.c_str(), "WININIT.INI") != FALSE;
}
}  // namespace

std::string LocalCopyPath() { return LocalCopyFolder() + "\\Tarnwick.exe"; }

bool MakeLocalCopy() {
  api::CreateDirectoryA(LocalCopyFolder().c_str(), nullptr);   // it may be there already
  if (api::CopyFileA(App::ExePath().c_str(), LocalCopyPath().c_str(), FALSE)) return true;
  api::RemoveDirectoryA(LocalCopyFolder().c_str());
  return false;
}

void RemoveLocalCopy() {
  api::DeleteFileA(LocalCopyPath().c_str());
  api::RemoveDirectoryA(LocalCopyFolder().c_str());
}

bool RunningLocalCopy() { return SamePath(App::ExePath(), LocalCopyPath()); }

void ScheduleLocalCopyRemoval() {
  bool bDone;
  if (IsWindowsNT()) {
    // The folder after the file: an empty folder is removed, in this order.
    bDone = api::MoveFileExA(LocalCopyPath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
            api::MoveFileExA(LocalCopyFolder().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  } else {
    bDone = ScheduleWithWininit(LocalCopyPath());
  }
  Log(std::string("Local copy ") + LocalCopyPath() + (bDone ? ": removal at the next restart scheduled"
                                                           : ": its removal could not be scheduled"));
}
