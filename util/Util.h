// Small routines around the operating system, shared by several parts of the
// program. None keeps state, reports errors or shows anything.
#pragma once
#include <string>

#include "platform/MAPI_Declares.h"

long GetOSVersion();                       // -1, 0..7, 100; 5 or more = NT family from NT 4.0
OSVERSIONINFOA WindowsVersion();           // zeroed when it cannot be had
bool IsWindowsNT();
bool IsWindowsVistaOrLater();              // NT 6.0 and later: UAC, RunOnce for what needs elevation
std::string TrimAtNull(const std::string& s);
std::string GetShortPath(const std::string& sPath);
std::string AddBackslash(const std::string& sPath);
std::string GetComputerNameText();
bool FileExists(const std::string& sPath);
// A system library's full path in the system folder ("" when that is unknown):
// loaded by its bare name, one lying beside the program would be taken first.
std::string SystemLibrary(const char* sFile);
bool DllExportExists(const std::string& sLibrary, const std::string& sFunction);   // sLibrary: a full path
std::string SplitPath(const std::string& sPath, std::string& sFolder);
void PumpMessages();
