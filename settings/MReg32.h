// Plain text-value helpers for callers that hold a root key.
#pragma once
#include <string>
#include "platform/MAPI_Declares.h"

void SaveString(HKEY hKey, const std::string& sSubKey, const std::string& sValueName, const std::string& sData);
void DeleteValue(HKEY hKey, const std::string& sSubKey, const std::string& sValueName);
bool StringValueExists(HKEY hKey, const std::string& sSubKey, const std::string& sValueName);

// The system's program folder (ProgramFilesDir), "\" at the end: not
// "C:\Program Files" everywhere ("Program Files (x86)" for a 32-bit program on
// 64-bit Windows, "C:\Programme" on a German Windows); that one when unset.
std::string ProgramFilesFolder();
// Whether this run may write under HKEY_LOCAL_MACHINE\SOFTWARE (the Run
// entries, the resume data, the hand-off key): false for a limited user on
// the NT family. Asks the key's access list; nothing is written.
bool MachineSettingsWritable();
