#include "startup/LocalCopy.h"

#include <cstring>
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
// functions for single values would overwrite: the section is written whole,
// without the line for sPath, and with it at the end when bAdd (only when
// that changes it).
bool RewriteWininit(const std::string& sPath, bool bAdd) {
  std::vector<char> section(32768, '\0');
  const DWORD n = api::GetPrivateProfileSectionA("rename", section.data(), DWORD(section.size()), "WININIT.INI");
  if (n + 1 >= section.size() - 2) return false;   // too full to read whole
  const std::string sLine = "NUL=" + GetShortPath(sPath);
  std::string sLines;
  bool bChanged = bAdd;
  for (const char* p = section.data(); p < section.data() + n && *p; p += std::strlen(p) + 1) {   // "key=value\0" each
    if (sLine == p) bChanged = true;
    else sLines += std::string(p) + '\0';
  }
  if (!bChanged) return true;
  if (bAdd) sLines += sLine + '\0';
  sLines += '\0';
  return api::WritePrivateProfileSectionA("rename", sLines.c_str(), "WININIT.INI") != FALSE;
}
}  // namespace

std::string LocalCopyPath() { return LocalCopyFolder() + "\\Tarnwick.exe"; }

bool MakeLocalCopy() {
  api::CreateDirectoryA(LocalCopyFolder().c_str(), nullptr);   // it may be there already
  if (api::CopyFileA(App::ExePath().c_str(), LocalCopyPath().c_str(), FALSE)) {
    // A removal still pending from an earlier resume (no restart since) would
    // take this copy at the restart that should start it.
    if (!IsWindowsNT()) RewriteWininit(LocalCopyPath(), false);
    return true;
  }
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
    // Renamed first (the NT family renames a running program), so the removal
    // spares a copy that a later restart road makes under the copy's name
    // before the restart. The folder after the file: an empty folder is
    // removed, in this order.
    const std::string sOld = LocalCopyFolder() + "\\Tarnwick.old";
    const bool bMoved = api::MoveFileExA(LocalCopyPath().c_str(), sOld.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    bDone = api::MoveFileExA((bMoved ? sOld : LocalCopyPath()).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
            api::MoveFileExA(LocalCopyFolder().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  } else {
    bDone = RewriteWininit(LocalCopyPath(), true);
  }
  Log(std::string("Local copy ") + LocalCopyPath() + (bDone ? ": removal at the next restart scheduled"
                                                           : ": its removal could not be scheduled"));
}
