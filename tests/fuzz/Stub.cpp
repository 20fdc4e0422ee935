#include "tests/fuzz/Stub.h"
#include <cstring>
#include <map>

namespace stub {
std::string arguments;
std::vector<std::string> boxes;
std::function<void(unsigned)> onQuery;
namespace {
std::map<std::string, std::map<std::string, Value>> keys;   // lower-case paths and names
std::map<HKEY, std::string> open;
unsigned nextHandle = 0x1000, queries = 0;
std::string commandLine;

std::string Lower(std::string s) {
  for (char& c : s) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}
std::string PathOf(HKEY h, const std::string& sub) {
  auto it = open.find(h);
  std::string base = it != open.end() ? it->second : std::to_string(uintptr_t(h));
  return sub.empty() ? base : base + "\\" + Lower(sub);
}
LONG Open(HKEY h, LPCSTR sub, PHKEY out, bool create) {
  const std::string path = PathOf(h, sub ? sub : "");
  if (!keys.count(path) && !create) return ERROR_FILE_NOT_FOUND;
  keys[path];
  *out = HKEY(uintptr_t(nextHandle++));
  open[*out] = path;
  return ERROR_SUCCESS;
}
std::map<std::string, Value>* ValuesOf(HKEY h) {
  auto it = keys.find(PathOf(h, ""));
  return it == keys.end() ? nullptr : &it->second;
}
}  // namespace

void Reset() {
  keys.clear();
  open.clear();
  boxes.clear();
  onQuery = nullptr;
  queries = 0;
  arguments.clear();
}
void Set(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::vector<unsigned char>& d) {
  keys[PathOf(root, key)][Lower(name)] = Value{type, d};
}
bool Get(HKEY root, const std::string& key, const std::string& name, Value* v) {
  auto k = keys.find(PathOf(root, key));
  if (k == keys.end() || !k->second.count(Lower(name))) return false;
  if (v) *v = k->second[Lower(name)];
  return true;
}
void Delete(HKEY root, const std::string& key, const std::string& name) {
  if (name.empty()) keys.erase(PathOf(root, key));
  else if (keys.count(PathOf(root, key))) keys[PathOf(root, key)].erase(Lower(name));
}
size_t OpenKeys() { return open.size(); }
}  // namespace stub

using namespace stub;

LONG api::RegOpenKeyExA(HKEY h, LPCSTR sub, DWORD, REGSAM, PHKEY out) { return Open(h, sub, out, false); }
LONG api::RegOpenKeyA(HKEY h, LPCSTR sub, PHKEY out) {
  if (sub && *sub) return Open(h, sub, out, false);
  *out = h;   // no new handle for an empty name
  return ERROR_SUCCESS;
}
LONG api::RegCreateKeyExA(HKEY h, LPCSTR sub, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY out, LPDWORD) {
  return Open(h, sub, out, true);
}
LONG api::RegCloseKey(HKEY h) { return open.erase(h) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }
LONG api::RegQueryValueExA(HKEY h, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (onQuery) onQuery(queries++);
  auto* values = ValuesOf(h);
  if (!values) return ERROR_KEY_DELETED;
  auto it = values->find(Lower(name ? name : ""));
  if (it == values->end()) return ERROR_FILE_NOT_FOUND;
  if (type) *type = it->second.type;
  const DWORD n = DWORD(it->second.data.size());
  if (data && size && *size < n) {
    *size = n;
    return ERROR_MORE_DATA;
  }
  if (data && n) std::memcpy(data, it->second.data.data(), n);
  if (size) *size = n;
  return ERROR_SUCCESS;
}
LONG api::RegSetValueExA(HKEY h, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  auto* values = ValuesOf(h);
  if (!values) return ERROR_KEY_DELETED;
  (*values)[Lower(name ? name : "")] = Value{type, std::vector<unsigned char>(data, data + size)};
  return ERROR_SUCCESS;
}
LONG api::RegDeleteValueA(HKEY h, LPCSTR name) {
  auto* values = ValuesOf(h);
  return values && values->erase(Lower(name ? name : "")) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LPSTR api::GetCommandLineA() {
  commandLine = std::string(kProgram) + " " + arguments;
  return &commandLine[0];
}
DWORD api::GetModuleFileNameA(HMODULE, LPSTR buf, DWORD n) {
  const DWORD len = DWORD(std::strlen(kProgram));
  if (n <= len) return 0;
  std::memcpy(buf, kProgram, len + 1);
  return len;
}
int api::MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) {
  boxes.push_back(text);
  return IDOK;
}
int api::MultiByteToWideChar(UINT, DWORD, LPCSTR s, int n, LPWSTR out, int cch) {
  if (!out) return n;
  if (cch < n) return 0;
  for (int i = 0; i < n; ++i) out[i] = WCHAR((unsigned char)s[i]);
  return n;
}
int api::WideCharToMultiByte(UINT, DWORD, LPCWSTR s, int n, LPSTR out, int cb, LPCSTR, LPBOOL) {
  if (!out) return n;
  if (cb < n) return 0;
  for (int i = 0; i < n; ++i) out[i] = s[i] > 255 ? '?' : char(s[i]);
  return n;
}
