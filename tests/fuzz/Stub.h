// The fuzz targets' machine: a registry in a map, the command line's
// arguments, a program path and the message boxes shown; every other api
// call fails (StubDefaults.cpp). Text converts one byte to one UTF-16 unit.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

#define FUZZ_CHECK(cond) \
  do { if (!(cond)) { std::fprintf(stderr, "%s:%d: %s failed\n", __FILE__, __LINE__, #cond); std::abort(); } } while (0)

namespace stub {
struct Value { DWORD type = 0; std::vector<unsigned char> data; };
const char kProgram[] = "C:\\ZoMelCD\\Tarnwick.exe";
extern std::string arguments;                 // what follows the program's path
extern std::vector<std::string> boxes;        // texts of the message boxes shown
extern std::function<void(unsigned)> onQuery; // before each value query, given its number
extern size_t openKeys;
void Reset();
void Set(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::vector<unsigned char>& d);
bool Get(HKEY root, const std::string& key, const std::string& name, Value* v = nullptr);
void Delete(HKEY root, const std::string& key, const char* name);   // nullptr: the key
}  // namespace stub
