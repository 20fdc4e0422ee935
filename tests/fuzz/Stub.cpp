#include "tests/fuzz/Stub.h"
#include <cstring>

namespace stub {
std::map<std::string, std::map<std::string, Value>> keys;
std::string arguments, line;
std::vector<std::string> boxes;
size_t openKeys;

static std::string Lower(std::string s) {
  for (char& c : s) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}
// An open key's handle is its path, alive until closed; a root's (negative) its number.
std::string Path(HKEY h, const std::string& sub) {
  std::string base = intptr_t(h) < 0 ? std::to_string(uintptr_t(h) & 0xF) : *reinterpret_cast<std::string*>(h);
  return sub.empty() ? base : base + "\\" + Lower(sub);
}
static LONG Open(HKEY h, LPCSTR sub, PHKEY out, bool create) {
  if (!create && !keys.count(Path(h, sub))) return ERROR_FILE_NOT_FOUND;
  keys[Path(h, sub)];
  *out = reinterpret_cast<HKEY>(new std::string(Path(h, sub)));
  return ++openKeys, ERROR_SUCCESS;
}
static std::map<std::string, Value>* Find(HKEY h) { return keys.count(Path(h, "")) ? &keys[Path(h, "")] : nullptr; }

void Reset() { keys.clear(), boxes.clear(), arguments.clear(), openKeys = 0; }
void Set(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::vector<unsigned char>& d) {
  keys[Path(root, key)][Lower(name)] = Value{type, d};
}
bool Get(HKEY root, const std::string& key, const std::string& name, Value* v) {
  if (!keys.count(Path(root, key)) || !keys[Path(root, key)].count(Lower(name))) return false;
  return v ? (*v = keys[Path(root, key)][Lower(name)], true) : true;
}
}  // namespace stub

using namespace stub;
LONG api::RegOpenKeyExA(HKEY h, LPCSTR sub, DWORD, REGSAM, PHKEY out) { return Open(h, sub, out, false); }
LONG api::RegOpenKeyA(HKEY h, LPCSTR sub, PHKEY out) { return Open(h, sub, out, false); }
LONG api::RegCreateKeyExA(HKEY h, LPCSTR sub, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY out, LPDWORD) {
  return Open(h, sub, out, true);
}
LONG api::RegCloseKey(HKEY h) {
  if (intptr_t(h) >= 0) delete reinterpret_cast<std::string*>(h), --openKeys;
  return ERROR_SUCCESS;
}
LONG api::RegQueryValueExA(HKEY h, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (!Find(h)) return ERROR_KEY_DELETED;
  if (!Find(h)->count(Lower(name))) return ERROR_FILE_NOT_FOUND;
  const Value& v = (*Find(h))[Lower(name)];
  const DWORD n = DWORD(v.data.size()), room = size ? *size : 0;
  if (type) *type = v.type;
  if (size) *size = n;
  if (data && room < n) return ERROR_MORE_DATA;
  if (data && n) std::memcpy(data, v.data.data(), n);
  return ERROR_SUCCESS;
}
LONG api::RegSetValueExA(HKEY h, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (!Find(h)) return ERROR_KEY_DELETED;
  (*Find(h))[Lower(name)] = Value{type, std::vector<unsigned char>(data, data + size)};
  return ERROR_SUCCESS;
}
LONG api::RegDeleteValueA(HKEY h, LPCSTR name) {
  return Find(h) && Find(h)->erase(Lower(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}
LPSTR api::GetCommandLineA() { return &(line = "C:\\ZoMelCD\\Tarnwick.exe " + arguments)[0]; }
DWORD api::GetModuleFileNameA(HMODULE, LPSTR buf, DWORD n) { return n > 23 ? std::strlen(std::strcpy(buf, "C:\\ZoMelCD\\Tarnwick.exe")) : 0; }
int api::MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) { return boxes.push_back(text), IDOK; }
int api::MultiByteToWideChar(UINT, DWORD, LPCSTR s, int n, LPWSTR out, int room) {
  for (int i = 0; out && i < n && n <= room; ++i) out[i] = WCHAR((unsigned char)s[i]);
  return !out || n <= room ? n : 0;
}
int api::WideCharToMultiByte(UINT, DWORD, LPCWSTR s, int n, LPSTR out, int room, LPCSTR, LPBOOL) {
  for (int i = 0; out && i < n && n <= room; ++i) out[i] = s[i] > 255 ? '?' : char(s[i]);
  return !out || n <= room ? n : 0;
}
