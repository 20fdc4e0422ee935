// The fuzz targets' machine: a registry in a map, the command line's
// arguments, a program path, the message boxes shown; every other api call
// fails (StubDefaults.cpp). Text converts one byte to one UTF-16 unit.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

#define FUZZ_CHECK(c) ((c) ? void() : (std::fprintf(stderr, "%s:%d: %s failed\n", __FILE__, __LINE__, #c), std::abort()))

namespace stub {
struct Value { DWORD type = 0; std::vector<unsigned char> data; };
extern std::map<std::string, std::map<std::string, Value>> keys;   // by lower-case path, names lower-case
extern std::string arguments;                  // what follows the program's path
extern std::vector<std::string> boxes;         // texts of the message boxes shown
extern size_t openKeys;
void Reset();
std::string Path(HKEY root, const std::string& key);
void Set(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::vector<unsigned char>& d);
bool Get(HKEY root, const std::string& key, const std::string& name, Value* v = nullptr);
}  // namespace stub
