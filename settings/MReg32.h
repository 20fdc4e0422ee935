// Plain text-value helpers for callers that hold a root key.
#pragma once
#include <string>
#include "platform/MAPI_Declares.h"

void SaveString(HKEY hKey, const std::string& sSubKey, const std::string& sValueName, const std::string& sData);
void DeleteValue(HKEY hKey, const std::string& sSubKey, const std::string& sValueName);
bool StringValueExists(HKEY hKey, const std::string& sSubKey, const std::string& sValueName);
