// The hand-off key: the connection parameters that the application's own
// database creator reads after the wizard, two of them scrambled.
#pragma once
#include <string>

extern const char* const kHandOffKey;      // under HKEY_LOCAL_MACHINE

// Writes the six values: Server, Database, User, Pwd, NtAuth, MSDE.
void SaveParameters(bool bNTAuthentication);
// Each character's ANSI code doubled; a code of 128 or more raises
// RuntimeError 5, a text longer than 32767 characters RuntimeError 6.
std::string Encrypt(const std::string& sData);
// Each code halved, the remainder dropped.
std::string Decrypt(const std::string& sData);
