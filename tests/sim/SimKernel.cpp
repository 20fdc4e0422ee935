// The machine half of the simulated Windows: registry, files and folders,
// drives, versions, environment, command line, libraries, processes,
// privileges, the clock and the locale. Semantics follow what real Windows
// (and Wine, checked by the registry contract test) does for the calls the
// wizard makes; anything the wizard never relies on is kept simple.
#include "tests/sim/Sim.h"
#include "tests/sim/SimOs.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

// ---------------------------------------------------------------- helpers

std::string Upper(const std::string& s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return r;
}

bool ContainsNoCase(const std::string& hay, const std::string& needle) {
  return Upper(hay).find(Upper(needle)) != std::string::npos;
}

// Copies a text into a caller's buffer the way most kernel32 getters do:
// the length without terminator when it fits, else the size needed
// including the terminator, buffer untouched.
DWORD CopyOut(const std::string& s, LPSTR buf, DWORD size) {
  if (!buf || size <= s.size()) return DWORD(s.size() + 1);
  std::memcpy(buf, s.c_str(), s.size() + 1);
  return DWORD(s.size());
}

const DWORD kShutdownPrivilege = 19;   // the LUID Windows gives SeShutdownPrivilege

DWORD g_lastError = 0;
void SetErr(DWORD e) { g_lastError = e; }

// ---------------------------------------------------------------- registry

struct RegValue {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct RegKey {
  std::string name;
  bool deleted = false;
  // Upper-cased names as map keys: the order of enumeration is Windows'
  // case-insensitive order.
  std::map<std::string, std::shared_ptr<RegKey>> subkeys;
  std::map<std::string, RegValue> values;
};

struct KeyHandle {
  std::shared_ptr<RegKey> key;
  REGSAM access;
};

// ---------------------------------------------------------------- machine

struct Library {
  std::string name;                      // file name, e.g. "msi.dll"
  std::map<std::string, FARPROC> exports;
  int refs = 0;
  std::string loadedFrom;
};

struct Process {
  DWORD pid;
  sim::ProcessScript script;
  DWORD start;
  bool ended = false;
};

enum HandleKind { HProcess, HThread, HFind, HToken };
struct Handle {
  HandleKind kind;
  DWORD pid;
};

struct FileEntry {
  std::string path;                      // as first given
  bool folder;
};

struct Machine {
  std::shared_ptr<RegKey> roots[4];
  std::map<uintptr_t, KeyHandle> keyHandles;
  uintptr_t nextKeyHandle = 0x1000;

  DWORD platform = VER_PLATFORM_WIN32_NT, major = 5, minor = 1;
  bool hasComputerName = true;
  std::string computerName = "HOST";
  std::string commandLine;
  std::string programPath = "C:\\SETUP\\Tarnwick.exe";
  std::string cmdLineBuffer;             // what GetCommandLineA hands out
  std::vector<std::pair<std::string, std::string>> env;   // name, value
  std::vector<std::pair<std::string, UINT>> drives;
  bool hasSystemDir = true, hasTempPath = true;
  std::string systemDir = "C:\\WINDOWS\\system32", tempPath = "C:\\TEMP\\";
  std::map<std::string, FileEntry> files;                 // upper-cased path
  std::vector<std::pair<std::string, std::string>> shortNames;

  std::vector<Library> libraries;
  std::vector<std::pair<std::string, sim::ProcessScript>> scripts;
  std::vector<Process> processes;
  std::vector<sim::Launch> launches;
  std::map<uintptr_t, Handle> handles;
  uintptr_t nextHandle = 0x100;
  DWORD nextPid = 2000;

  bool privilegeEnabled = false;
  bool exitWindowsFails = false;
  std::vector<sim::ExitWindowsCall> exitWindowsCalls;

  DWORD now = 0;
  SYSTEMTIME baseTime{};
  DWORD baseTimeAt = 0;
  std::string decimalSeparator = ".";
  std::function<void(HKEY, const char*)> regQueryHook;
};

Machine* g_machine = nullptr;

Machine& M() {
  if (!g_machine) sim::Reset();
  return *g_machine;
}

// ---------------------------------------------------------------- paths

std::string NormalizePath(std::string p) {
  for (char& c : p)
    if (c == '/') c = '\\';
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  if (p.size() == 2 && p[1] == ':') p += '\\';
  return p;
}

std::string ParentOf(const std::string& p) {
  size_t i = p.rfind('\\');
  if (i == std::string::npos) return "";
  std::string parent = p.substr(0, i);
  if (parent.size() == 2 && parent[1] == ':') parent += '\\';
  return parent;
}

const FileEntry* FindEntry(const std::string& path) {
  auto it = M().files.find(Upper(NormalizePath(path)));
  return it == M().files.end() ? nullptr : &it->second;
}

void AddEntry(const std::string& rawPath, bool folder) {
  std::string p = NormalizePath(rawPath);
  if (p.empty()) return;
  std::string parent = ParentOf(p);
  if (!parent.empty() && parent != p && !FindEntry(parent)) AddEntry(parent, true);
  M().files[Upper(p)] = FileEntry{p, folder};
}

bool WildMatch(const char* pat, const char* s) {
  if (!*pat) return !*s;
  if (*pat == '*') return WildMatch(pat + 1, s) || (*s && WildMatch(pat, s + 1));
  if (!*s) return false;
  if (*pat == '?' || toupper((unsigned char)*pat) == toupper((unsigned char)*s)) return WildMatch(pat + 1, s + 1);
  return false;
}

// ---------------------------------------------------------------- processes

void Settle() {
  Machine& m = M();
  for (;;) {
    Process* due = nullptr;
    for (auto& p : m.processes)
      if (!p.ended && m.now - p.start >= p.script.dwRunMs &&
          (!due || p.start + p.script.dwRunMs < due->start + due->script.dwRunMs))
        due = &p;
    if (!due) return;
    due->ended = true;
    auto onExit = due->script.OnExit;
    if (onExit) onExit();
  }
}

Process* ProcessOf(HANDLE h) {
  Machine& m = M();
  auto it = m.handles.find(uintptr_t(h));
  if (it == m.handles.end() || (it->second.kind != HProcess && it->second.kind != HThread)) return nullptr;
  for (auto& p : m.processes)
    if (p.pid == it->second.pid) return &p;
  return nullptr;
}

HANDLE NewHandle(HandleKind kind, DWORD pid) {
  Machine& m = M();
  uintptr_t h = m.nextHandle;
  m.nextHandle += 4;
  m.handles[h] = Handle{kind, pid};
  return HANDLE(h);
}

// ---------------------------------------------------------------- registry internals

int RootIndex(HKEY h) {
  if (h == HKEY_CLASSES_ROOT) return 0;
  if (h == HKEY_CURRENT_USER) return 1;
  if (h == HKEY_LOCAL_MACHINE) return 2;
  if (h == HKEY_USERS) return 3;
  return -1;
}

REGSAM EffectiveAccess(REGSAM sam) {
  REGSAM r = sam & KEY_ALL_ACCESS;
  if (sam & (MAXIMUM_ALLOWED | GENERIC_ALL)) r |= KEY_ALL_ACCESS;
  if (sam & GENERIC_READ) r |= KEY_READ;
  if (sam & GENERIC_WRITE) r |= KEY_WRITE;
  return r;
}

// The key behind a handle with the rights it was opened with; roots have
// every right.
LONG Resolve(HKEY h, REGSAM need, std::shared_ptr<RegKey>& key) {
  Machine& m = M();
  int root = RootIndex(h);
  if (root >= 0) {
    key = m.roots[root];
    return ERROR_SUCCESS;
  }
  auto it = m.keyHandles.find(uintptr_t(h));
  if (it == m.keyHandles.end()) return ERROR_INVALID_HANDLE;
  if (it->second.key->deleted) return ERROR_KEY_DELETED;
  if ((it->second.access & need) != need) return ERROR_ACCESS_DENIED;
  key = it->second.key;
  return ERROR_SUCCESS;
}

LONG SplitKeyPath(LPCSTR lpSubKey, std::vector<std::string>& parts) {
  parts.clear();
  if (!lpSubKey) return ERROR_SUCCESS;
  std::string s(lpSubKey);
  if (!s.empty() && s.back() == '\\') s.pop_back();
  if (s.empty()) return ERROR_SUCCESS;
  size_t start = 0;
  for (;;) {
    size_t i = s.find('\\', start);
    std::string part = s.substr(start, i == std::string::npos ? std::string::npos : i - start);
    if (part.empty()) return ERROR_BAD_PATHNAME;
    parts.push_back(part);
    if (i == std::string::npos) break;
    start = i + 1;
  }
  return ERROR_SUCCESS;
}

HKEY NewKeyHandle(const std::shared_ptr<RegKey>& key, REGSAM access) {
  Machine& m = M();
  uintptr_t h = m.nextKeyHandle;
  m.nextKeyHandle += 4;
  m.keyHandles[h] = KeyHandle{key, EffectiveAccess(access)};
  return HKEY(h);
}

LONG OpenPath(HKEY hKey, LPCSTR lpSubKey, REGSAM sam, PHKEY phk) {
  if (!phk) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegKey> key;
  LONG r = Resolve(hKey, 0, key);
  if (r) return r;
  std::vector<std::string> parts;
  if ((r = SplitKeyPath(lpSubKey, parts))) return r;
  for (const auto& part : parts) {
    auto it = key->subkeys.find(Upper(part));
    if (it == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    key = it->second;
  }
  *phk = NewKeyHandle(key, sam);
  return ERROR_SUCCESS;
}

LONG CreatePath(HKEY hKey, LPCSTR lpSubKey, REGSAM sam, PHKEY phk, LPDWORD lpdwDisposition) {
  if (!phk) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegKey> key;
  LONG r = Resolve(hKey, 0, key);
  if (r) return r;
  bool parentCanCreate = RootIndex(hKey) >= 0 ||
                         (M().keyHandles[uintptr_t(hKey)].access & KEY_CREATE_SUB_KEY);
  std::vector<std::string> parts;
  if ((r = SplitKeyPath(lpSubKey, parts))) return r;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  for (size_t i = 0; i < parts.size(); ++i) {
    auto it = key->subkeys.find(Upper(parts[i]));
    if (it == key->subkeys.end()) {
      if (i == 0 && !parentCanCreate) return ERROR_ACCESS_DENIED;
      auto child = std::make_shared<RegKey>();
      child->name = parts[i];
      key->subkeys[Upper(parts[i])] = child;
      key = child;
      disposition = REG_CREATED_NEW_KEY;
    } else {
      key = it->second;
    }
  }
  *phk = NewKeyHandle(key, sam);
  if (lpdwDisposition) *lpdwDisposition = disposition;
  return ERROR_SUCCESS;
}

bool IsStringType(DWORD t) { return t == REG_SZ || t == REG_EXPAND_SZ || t == REG_MULTI_SZ; }

std::shared_ptr<RegKey> FindKeyPath(HKEY hRoot, const std::string& sKey, bool create) {
  int root = RootIndex(hRoot);
  if (root < 0) return nullptr;
  std::shared_ptr<RegKey> key = M().roots[root];
  std::vector<std::string> parts;
  if (SplitKeyPath(sKey.c_str(), parts)) return nullptr;
  for (const auto& part : parts) {
    auto it = key->subkeys.find(Upper(part));
    if (it == key->subkeys.end()) {
      if (!create) return nullptr;
      auto child = std::make_shared<RegKey>();
      child->name = part;
      key->subkeys[Upper(part)] = child;
      key = child;
    } else {
      key = it->second;
    }
  }
  return key;
}

void MarkDeleted(RegKey& key) {
  key.deleted = true;
  for (auto& sub : key.subkeys) MarkDeleted(*sub.second);
}

// ---------------------------------------------------------------- clock

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = yoe + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = int(yy + (m <= 2));
}

// ---------------------------------------------------------------- code page 1252

const unsigned short kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned short AnsiToWide(unsigned char c) {
  return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c;
}

int WideToAnsi(unsigned short w) {
  if (w < 0x80 || (w >= 0xA0 && w < 0x100)) return w;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == w) return 0x80 + i;
  return -1;
}

}  // namespace

// ====================================================================== sim

namespace sim {

void Reset() {
  delete g_machine;
  g_machine = new Machine();
  Machine& m = *g_machine;
  for (auto& r : m.roots) r = std::make_shared<RegKey>();
  m.drives = {{"C:\\", DRIVE_FIXED}};
  m.env = {{"COMSPEC", "C:\\WINDOWS\\system32\\cmd.exe"}};
  m.baseTime.wYear = 2026;
  m.baseTime.wMonth = 12;
  m.baseTime.wDay = 6;
  m.baseTime.wDayOfWeek = 0;
  m.baseTime.wHour = 12;
  AddFolder("C:\\");
  AddFolder("C:\\TEMP");
  AddFile("C:\\WINDOWS\\system32\\msiexec.exe");
  AddFile("C:\\WINDOWS\\system32\\cmd.exe");
  AddFile("C:\\SETUP\\Tarnwick.exe");
  AddFile("C:\\SETUP\\qxMSI_ERR.dll");
  g_lastError = 0;
  ResetUser();   // windows, drawing and COM
  ResetFaults();
}

void SetVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor) {
  M().platform = dwPlatformId;
  M().major = dwMajor;
  M().minor = dwMinor;
}

void SetComputerName(const char* sName) {
  M().hasComputerName = sName != nullptr;
  M().computerName = sName ? sName : "";
}

void SetCommandLine(const std::string& sArguments) { M().commandLine = sArguments; }

void SetProgramPath(const std::string& sExePath) {
  M().programPath = sExePath;
  AddFile(sExePath);
}

void SetEnv(const std::string& sName, const char* sValue) {
  auto& env = M().env;
  env.erase(std::remove_if(env.begin(), env.end(),
                           [&](const std::pair<std::string, std::string>& e) { return Upper(e.first) == Upper(sName); }),
            env.end());
  if (sValue) env.emplace_back(sName, sValue);
}

void SetDrives(const std::vector<std::pair<std::string, UINT>>& drives) {
  M().drives = drives;
  for (const auto& d : drives) AddFolder(d.first);
}

void SetSystemDirectory(const char* sPath) {
  M().hasSystemDir = sPath != nullptr;
  M().systemDir = sPath ? sPath : "";
}

void SetTempPath(const char* sPath) {
  M().hasTempPath = sPath != nullptr;
  M().tempPath = sPath ? sPath : "";
}

void AddFile(const std::string& sPath) { AddEntry(sPath, false); }
void AddFolder(const std::string& sPath) { AddEntry(sPath, true); }

void RemoveFile(const std::string& sPath) { M().files.erase(Upper(NormalizePath(sPath))); }

bool FileExists(const std::string& sPath) { return FindEntry(sPath) != nullptr; }

void SetShortName(const std::string& sLongPath, const std::string& sShortPath) {
  M().shortNames.emplace_back(NormalizePath(sLongPath), NormalizePath(sShortPath));
}

std::vector<std::string> Files() {
  std::vector<std::string> r;
  for (const auto& f : M().files)
    if (!f.second.folder) r.push_back(f.second.path);
  return r;
}

void AddLibrary(const std::string& sName, const std::map<std::string, FARPROC>& exports) {
  std::string name = sName;
  if (name.find('.') == std::string::npos) name += ".dll";
  for (auto& lib : M().libraries)
    if (Upper(lib.name) == Upper(name)) {
      lib.exports = exports;
      return;
    }
  Library lib;
  lib.name = name;
  lib.exports = exports;
  M().libraries.push_back(lib);
}

int LoadedLibraries() {
  int n = 0;
  for (const auto& lib : M().libraries) n += lib.refs;
  return n;
}

void ScriptProcess(const std::string& sMatch, const ProcessScript& script) {
  for (auto& s : M().scripts)
    if (Upper(s.first) == Upper(sMatch)) {
      s.second = script;
      return;
    }
  M().scripts.emplace_back(sMatch, script);
}

const std::vector<Launch>& Launches() { return M().launches; }

int OpenHandles() { return int(M().handles.size()); }
int OpenKeys() { return int(M().keyHandles.size()); }

const std::vector<ExitWindowsCall>& ExitWindowsCalls() { return M().exitWindowsCalls; }
void SetExitWindowsFails(bool b) { M().exitWindowsFails = b; }

DWORD Now() { return M().now; }

void Advance(DWORD ms) {
  M().now += ms;
  Settle();
}

void SetLocalTime(const SYSTEMTIME& st) {
  M().baseTime = st;
  M().baseTimeAt = M().now;
}

void SetDecimalSeparator(const char* s) { M().decimalSeparator = s ? s : ""; }

void SetRegQueryHook(std::function<void(HKEY, const char*)> hook) { M().regQueryHook = std::move(hook); }

bool ProcessRunning(DWORD dwProcessId) {
  Settle();
  for (const auto& p : M().processes)
    if (p.pid == dwProcessId) return !p.ended;
  return false;
}

void RegSet(HKEY hRoot, const std::string& sKey, const std::string& sName, DWORD dwType,
            const std::vector<unsigned char>& data) {
  auto key = FindKeyPath(hRoot, sKey, true);
  if (!key) throw std::logic_error("sim::RegSet: bad root or key " + sKey);
  RegValue& v = key->values[Upper(sName)];
  v.name = sName;
  v.type = dwType;
  v.data.assign(data.begin(), data.end());
}

void RegSetString(HKEY hRoot, const std::string& sKey, const std::string& sName, const std::string& sText) {
  std::vector<unsigned char> data(sText.begin(), sText.end());
  data.push_back(0);
  RegSet(hRoot, sKey, sName, REG_SZ, data);
}

void RegSetDword(HKEY hRoot, const std::string& sKey, const std::string& sName, DWORD dwValue) {
  RegSet(hRoot, sKey, sName, REG_DWORD,
         {BYTE(dwValue), BYTE(dwValue >> 8), BYTE(dwValue >> 16), BYTE(dwValue >> 24)});
}

bool RegGet(HKEY hRoot, const std::string& sKey, const std::string& sName, DWORD* pType,
            std::vector<unsigned char>* pData) {
  auto key = FindKeyPath(hRoot, sKey, false);
  if (!key) return false;
  auto it = key->values.find(Upper(sName));
  if (it == key->values.end()) return false;
  if (pType) *pType = it->second.type;
  if (pData) pData->assign(it->second.data.begin(), it->second.data.end());
  return true;
}

std::string RegGetString(HKEY hRoot, const std::string& sKey, const std::string& sName) {
  std::vector<unsigned char> data;
  if (!RegGet(hRoot, sKey, sName, nullptr, &data)) return "";
  std::string s(data.begin(), data.end());
  size_t z = s.find('\0');
  return z == std::string::npos ? s : s.substr(0, z);
}

bool RegKeyExists(HKEY hRoot, const std::string& sKey) { return FindKeyPath(hRoot, sKey, false) != nullptr; }

void RegDeleteTree(HKEY hRoot, const std::string& sKey) {
  size_t i = sKey.rfind('\\');
  auto parent = FindKeyPath(hRoot, i == std::string::npos ? "" : sKey.substr(0, i), false);
  if (!parent) return;
  auto it = parent->subkeys.find(Upper(i == std::string::npos ? sKey : sKey.substr(i + 1)));
  if (it == parent->subkeys.end()) return;
  MarkDeleted(*it->second);
  parent->subkeys.erase(it);
}

// ---------------------------------------------------------------- power loss

// Keys by their path from the root (names as created), each with its values.
struct Persistent {
  std::map<std::string, std::map<std::string, RegValue>> keys[4];
  std::map<std::string, FileEntry> files;
};

namespace {
void Flatten(const RegKey& key, const std::string& path, std::map<std::string, std::map<std::string, RegValue>>& out) {
  out[path] = key.values;
  for (const auto& sub : key.subkeys) Flatten(*sub.second, path.empty() ? sub.second->name : path + "\\" + sub.second->name, out);
}
bool SameValue(const RegValue& a, const RegValue& b) {
  return a.name == b.name && a.type == b.type && a.data == b.data;
}
}  // namespace

std::shared_ptr<const Persistent> SavePersistent() {
  auto p = std::make_shared<Persistent>();
  for (int i = 0; i < 4; ++i) Flatten(*M().roots[i], "", p->keys[i]);
  p->files = M().files;
  return p;
}

void RestorePersistent(const Persistent& state) {
  Machine& m = M();
  // Handles still open name keys of the state being replaced.
  for (auto& h : m.keyHandles) MarkDeleted(*h.second.key);
  const HKEY roots[4] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
  for (int i = 0; i < 4; ++i) {
    m.roots[i] = std::make_shared<RegKey>();
    for (const auto& k : state.keys[i]) FindKeyPath(roots[i], k.first, true)->values = k.second;
  }
  m.files = state.files;
}

bool SamePersistent(const Persistent& a, const Persistent& b) {
  for (int i = 0; i < 4; ++i) {
    if (a.keys[i].size() != b.keys[i].size()) return false;
    for (auto x = a.keys[i].begin(), y = b.keys[i].begin(); x != a.keys[i].end(); ++x, ++y)
      if (x->first != y->first || x->second.size() != y->second.size() ||
          !std::equal(x->second.begin(), x->second.end(), y->second.begin(),
                      [](const std::pair<const std::string, RegValue>& v, const std::pair<const std::string, RegValue>& w) {
                        return v.first == w.first && SameValue(v.second, w.second);
                      }))
        return false;
  }
  if (a.files.size() != b.files.size()) return false;
  for (auto x = a.files.begin(), y = b.files.begin(); x != a.files.end(); ++x, ++y)
    if (x->first != y->first || x->second.path != y->second.path || x->second.folder != y->second.folder) return false;
  return true;
}

}  // namespace sim

// ====================================================================== api

namespace simos {

// ---------------------------------------------------------------- registry

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  return OpenPath(hKey, lpSubKey, samDesired, phkResult);
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  return CreatePath(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

// Like the real function: with an empty name it hands back the handle it
// was given, without opening a new one.
LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (!lpSubKey || !*lpSubKey) {
    std::shared_ptr<RegKey> key;
    LONG r = Resolve(hKey, 0, key);
    if (r) return r;
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  return OpenPath(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult);
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (!lpSubKey || !*lpSubKey) return simos::RegOpenKeyA(hKey, lpSubKey, phkResult);
  return CreatePath(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult, nullptr);
}

LONG RegCloseKey(HKEY hKey) {
  if (RootIndex(hKey) >= 0) return ERROR_SUCCESS;
  if (!M().keyHandles.erase(uintptr_t(hKey))) return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
  if ((lpData && !lpcbData) || lpReserved) return ERROR_INVALID_PARAMETER;
  if (auto hook = M().regQueryHook) hook(hKey, lpValueName);   // a copy: the hook may replace itself
  std::shared_ptr<RegKey> key;
  LONG r = Resolve(hKey, KEY_QUERY_VALUE, key);
  if (r) return r;
  auto it = key->values.find(Upper(lpValueName ? lpValueName : ""));
  if (it == key->values.end()) return ERROR_FILE_NOT_FOUND;
  const RegValue& v = it->second;
  DWORD len = DWORD(v.data.size());
  if (lpType) *lpType = v.type;
  if (lpData) {
    if (len > *lpcbData) {
      *lpcbData = len;
      return ERROR_MORE_DATA;
    }
    if (len) std::memcpy(lpData, v.data.data(), len);
    // Text that was stored without its terminator gets one when the
    // caller's buffer has room for it; the reported size stays the same.
    if (IsStringType(v.type) && len < *lpcbData && (len == 0 || lpData[len - 1])) lpData[len] = 0;
  }
  if (lpcbData) *lpcbData = len;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  std::shared_ptr<RegKey> key;
  LONG r = Resolve(hKey, KEY_SET_VALUE, key);
  if (r) return r;
  if (!lpData && cbData) return ERROR_NOACCESS;
  // Like Windows, text whose size leaves out the terminator that follows it
  // in the caller's buffer is stored with that terminator. The byte beyond
  // the given size is read, as the real function does.
  if (IsStringType(dwType) && cbData && lpData[cbData - 1] && !lpData[cbData]) ++cbData;
  std::string name = lpValueName ? lpValueName : "";
  RegValue& v = key->values[Upper(name)];
  v.name = name;
  v.type = dwType;
  v.data.assign(lpData, lpData + cbData);
  return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::shared_ptr<RegKey> key;
  LONG r = Resolve(hKey, KEY_SET_VALUE, key);
  if (r) return r;
  if (!key->values.erase(Upper(lpValueName ? lpValueName : ""))) return ERROR_FILE_NOT_FOUND;
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegKey> parent;
  LONG r = Resolve(hKey, 0, parent);
  if (r) return r;
  std::vector<std::string> parts;
  if ((r = SplitKeyPath(lpSubKey, parts))) return r;
  if (parts.empty()) return ERROR_BAD_PATHNAME;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = parent->subkeys.find(Upper(parts[i]));
    if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    parent = it->second;
  }
  auto it = parent->subkeys.find(Upper(parts.back()));
  if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
  if (!it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
  it->second->deleted = true;
  parent->subkeys.erase(it);
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpReserved) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegKey> key;
  LONG r = Resolve(hKey, KEY_ENUMERATE_SUB_KEYS, key);
  if (r) return r;
  if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = key->subkeys.begin();
  std::advance(it, dwIndex);
  const std::string& name = it->second->name;
  if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
  std::memcpy(lpName, name.c_str(), name.size() + 1);
  *lpcchName = DWORD(name.size());
  if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------- privileges

BOOL OpenProcessToken(HANDLE, DWORD, PHANDLE TokenHandle) {
  if (!TokenHandle) return FALSE;
  *TokenHandle = NewHandle(HToken, 0);
  return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR, LPCSTR lpName, PLUID lpLuid) {
  if (!lpName || !lpLuid || Upper(lpName) != "SESHUTDOWNPRIVILEGE") {
    SetErr(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  lpLuid->LowPart = kShutdownPrivilege;
  lpLuid->HighPart = 0;
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState, DWORD,
                           PTOKEN_PRIVILEGES, PDWORD) {
  auto it = M().handles.find(uintptr_t(TokenHandle));
  if (it == M().handles.end() || it->second.kind != HToken) {
    SetErr(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (DisableAllPrivileges) {
    M().privilegeEnabled = false;
  } else if (NewState) {
    for (DWORD i = 0; i < NewState->PrivilegeCount; ++i)
      if (NewState->Privileges[i].Luid.LowPart == kShutdownPrivilege && NewState->Privileges[i].Luid.HighPart == 0)
        M().privilegeEnabled = (NewState->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  SetErr(ERROR_SUCCESS);
  return TRUE;
}

BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) {
  M().exitWindowsCalls.push_back(sim::ExitWindowsCall{uFlags, dwReason, M().privilegeEnabled});
  if (M().exitWindowsFails) {
    SetErr(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
  }
  return TRUE;
}

// ---------------------------------------------------------------- processes

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD dwCreationFlags, LPVOID, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation) {
  Machine& m = M();
  sim::Launch launch;
  launch.sApplication = lpApplicationName ? lpApplicationName : "";
  launch.sCommandLine = lpCommandLine ? lpCommandLine : "";
  launch.sDirectory = lpCurrentDirectory ? lpCurrentDirectory : "";
  launch.dwCreationFlags = dwCreationFlags;
  launch.cbStartupInfo = lpStartupInfo ? lpStartupInfo->cb : 0;
  launch.dwProcessId = 0;
  const std::string& subject = lpApplicationName ? launch.sApplication : launch.sCommandLine;
  const sim::ProcessScript* script = nullptr;
  for (const auto& s : m.scripts)
    if (ContainsNoCase(subject, s.first)) {
      script = &s.second;
      break;
    }
  if (!script || !lpProcessInformation) {
    m.launches.push_back(launch);
    SetErr(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  Process p;
  p.pid = m.nextPid;
  m.nextPid += 4;
  p.script = *script;
  p.start = m.now;
  launch.dwProcessId = p.pid;
  m.launches.push_back(launch);
  m.processes.push_back(p);
  lpProcessInformation->hProcess = NewHandle(HProcess, p.pid);
  lpProcessInformation->hThread = NewHandle(HThread, p.pid);
  lpProcessInformation->dwProcessId = p.pid;
  lpProcessInformation->dwThreadId = p.pid + 1;
  auto onStart = p.script.OnStart;
  if (onStart) onStart(p.pid);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  Settle();
  Process* p = ProcessOf(hHandle);
  if (!p) {
    SetErr(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (p->script.bWaitFails) {
    SetErr(ERROR_ACCESS_DENIED);
    return WAIT_FAILED;
  }
  if (p->ended) return WAIT_OBJECT_0;
  DWORD pid = p->pid;
  DWORD remaining = p->script.dwRunMs - (M().now - p->start);
  if (dwMilliseconds != INFINITE && remaining > dwMilliseconds) {
    sim::Advance(dwMilliseconds);
    return sim::ProcessRunning(pid) ? WAIT_TIMEOUT : WAIT_OBJECT_0;
  }
  sim::Advance(remaining);
  return WAIT_OBJECT_0;
}

DWORD WaitForInputIdle(HANDLE hProcess, DWORD dwMilliseconds) {
  Settle();
  Process* p = ProcessOf(hProcess);
  if (!p) {
    SetErr(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (p->script.bWaitFails) return WAIT_FAILED;
  DWORD elapsed = M().now - p->start;
  if (p->ended || elapsed >= p->script.dwIdleMs) return 0;
  DWORD remaining = p->script.dwIdleMs - elapsed;
  if (dwMilliseconds != INFINITE && remaining > dwMilliseconds) {
    sim::Advance(dwMilliseconds);
    return WAIT_TIMEOUT;
  }
  sim::Advance(remaining);
  return 0;
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  Settle();
  if (hProcess == simos::GetCurrentProcess()) {
    if (lpExitCode) *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  Process* p = ProcessOf(hProcess);
  if (!p || !lpExitCode) {
    SetErr(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = p->ended ? p->script.dwExitCode : STILL_ACTIVE;
  return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
  if (!M().handles.erase(uintptr_t(hObject))) {
    SetErr(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HANDLE GetCurrentProcess() { return HANDLE(~uintptr_t(0)); }
DWORD GetCurrentProcessId() { return 1000; }

VOID ExitProcess(UINT uExitCode) { throw sim::ProcessExit{uExitCode}; }

DWORD GetLastError() { return g_lastError; }
VOID SetLastError(DWORD dwErrCode) { g_lastError = dwErrCode; }

// ---------------------------------------------------------------- clock, locale

VOID Sleep(DWORD dwMilliseconds) { sim::Advance(dwMilliseconds); }

DWORD GetTickCount() { return M().now; }

VOID GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  const Machine& m = M();
  const SYSTEMTIME& b = m.baseTime;
  long long ms = ((b.wHour * 60LL + b.wMinute) * 60 + b.wSecond) * 1000 + b.wMilliseconds + (m.now - m.baseTimeAt);
  long long days = DaysFromCivil(b.wYear, b.wMonth, b.wDay) + ms / 86400000;
  ms %= 86400000;
  int y;
  unsigned mo, d;
  CivilFromDays(days, y, mo, d);
  SYSTEMTIME st{};
  st.wYear = WORD(y);
  st.wMonth = WORD(mo);
  st.wDay = WORD(d);
  st.wDayOfWeek = WORD(((days % 7) + 11) % 7);   // 1970-01-01 was a Thursday
  st.wHour = WORD(ms / 3600000);
  st.wMinute = WORD(ms / 60000 % 60);
  st.wSecond = WORD(ms / 1000 % 60);
  st.wMilliseconds = WORD(ms % 1000);
  *lpSystemTime = st;
}

int GetLocaleInfoA(LCID, LCTYPE LCType, LPSTR lpLCData, int cchData) {
  std::string v;
  switch (LCType & ~LOCALE_NOUSEROVERRIDE) {
    case LOCALE_SDECIMAL: v = M().decimalSeparator; break;
    case LOCALE_STHOUSAND: v = M().decimalSeparator == "," ? "." : ","; break;
    default: SetErr(ERROR_INVALID_FLAGS); return 0;
  }
  int need = int(v.size()) + 1;
  if (cchData == 0) return need;
  if (!lpLCData || cchData < need) {
    SetErr(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpLCData, v.c_str(), need);
  return need;
}

// Code page 1252 for CP_ACP and every other code page the program names.
int MultiByteToWideChar(UINT, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0) {
    SetErr(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int n = cbMultiByte < 0 ? int(std::strlen(lpMultiByteStr)) + 1 : cbMultiByte;
  if (cchWideChar == 0) return n;
  if (!lpWideCharStr || cchWideChar < n) {
    SetErr(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < n; ++i) lpWideCharStr[i] = WCHAR(AnsiToWide((unsigned char)lpMultiByteStr[i]));
  return n;
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                        LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0) {
    SetErr(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int n = cchWideChar;
  if (n < 0) {
    n = 0;
    while (lpWideCharStr[n]) ++n;
    ++n;
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = FALSE;
  if (cbMultiByte == 0) return n;
  if (!lpMultiByteStr || cbMultiByte < n) {
    SetErr(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < n; ++i) {
    int c = WideToAnsi((unsigned short)lpWideCharStr[i]);
    if (c < 0) {
      c = lpDefaultChar ? (unsigned char)*lpDefaultChar : '?';
      if (lpUsedDefaultChar) *lpUsedDefaultChar = TRUE;
    }
    lpMultiByteStr[i] = char(c);
  }
  return n;
}

// ---------------------------------------------------------------- system information

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (!M().hasSystemDir) return 0;
  return CopyOut(M().systemDir, lpBuffer, uSize);
}

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  if (!M().hasTempPath) return 0;
  return CopyOut(M().tempPath, lpBuffer, nBufferLength);
}

DWORD GetLogicalDriveStringsA(DWORD nBufferLength, LPSTR lpBuffer) {
  std::string all;
  for (const auto& d : M().drives) {
    all += d.first;
    all += '\0';
  }
  if (!lpBuffer || nBufferLength < all.size() + 1) return DWORD(all.size() + 1);
  std::memcpy(lpBuffer, all.data(), all.size());
  lpBuffer[all.size()] = 0;
  return DWORD(all.size());
}

UINT GetDriveTypeA(LPCSTR lpRootPathName) {
  if (!lpRootPathName) return DRIVE_FIXED;
  std::string root = Upper(NormalizePath(lpRootPathName));
  for (const auto& d : M().drives)
    if (Upper(NormalizePath(d.first)) == root) return d.second;
  return DRIVE_NO_ROOT_DIR;
}

BOOL GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
  if (!M().hasComputerName || !nSize) {
    SetErr(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string& name = M().computerName;
  if (!lpBuffer || *nSize <= name.size()) {
    *nSize = DWORD(name.size() + 1);
    SetErr(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
  *nSize = DWORD(name.size());
  return TRUE;
}

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (!lpVersionInformation || (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                                lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
    SetErr(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  lpVersionInformation->dwMajorVersion = M().major;
  lpVersionInformation->dwMinorVersion = M().minor;
  lpVersionInformation->dwBuildNumber = M().platform == VER_PLATFORM_WIN32_NT ? 2600 : 0;
  lpVersionInformation->dwPlatformId = M().platform;
  lpVersionInformation->szCSDVersion[0] = 0;
  return TRUE;
}

LPSTR GetCommandLineA() {
  Machine& m = M();
  m.cmdLineBuffer = "\"" + m.programPath + "\"";
  if (!m.commandLine.empty()) m.cmdLineBuffer += " " + m.commandLine;
  return &m.cmdLineBuffer[0];
}

DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
  if (lpName)
    for (const auto& e : M().env)
      if (Upper(e.first) == Upper(lpName)) return CopyOut(e.second, lpBuffer, nSize);
  SetErr(ERROR_ENVVAR_NOT_FOUND);
  return 0;
}

// ---------------------------------------------------------------- files

DWORD GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer) {
  if (!lpszLongPath) {
    SetErr(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!FindEntry(lpszLongPath)) {
    SetErr(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  // The longest registered long prefix, at a folder boundary, is replaced.
  std::string path = lpszLongPath;
  std::string upper = Upper(NormalizePath(path));
  size_t best = 0;
  std::string replacement;
  for (const auto& sn : M().shortNames) {
    std::string lp = Upper(sn.first);
    if (lp.size() > best && upper.compare(0, lp.size(), lp) == 0 &&
        (upper.size() == lp.size() || upper[lp.size()] == '\\' || lp.back() == '\\')) {
      best = lp.size();
      replacement = sn.second;
    }
  }
  std::string result = best ? replacement + NormalizePath(path).substr(best) : path;
  if (!result.empty() && path.back() == '\\' && result.back() != '\\') result += '\\';
  return CopyOut(result, lpszShortPath, cchBuffer);
}

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  std::string sSearch = lpFileName ? lpFileName : "";
  if (sSearch.empty() || sSearch.back() == '\\' || !lpFindFileData) {
    SetErr(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string folder = ParentOf(NormalizePath(sSearch));
  std::string pattern = NormalizePath(sSearch).substr(folder.empty() ? 0 : NormalizePath(sSearch).rfind('\\') + 1);
  for (const auto& f : M().files) {
    const std::string& p = f.second.path;
    if (Upper(ParentOf(p)) != Upper(folder) || p == ParentOf(p)) continue;
    std::string name = p.substr(p.rfind('\\') + 1);
    if (!WildMatch(pattern.c_str(), name.c_str())) continue;
    std::memset(lpFindFileData, 0, sizeof(*lpFindFileData));
    lpFindFileData->dwFileAttributes = f.second.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    std::strncpy(lpFindFileData->cFileName, name.c_str(), MAX_PATH - 1);
    return NewHandle(HFind, 0);
  }
  SetErr(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

BOOL FindClose(HANDLE hFindFile) {
  auto it = M().handles.find(uintptr_t(hFindFile));
  if (it == M().handles.end() || it->second.kind != HFind) {
    SetErr(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  M().handles.erase(it);
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
  const FileEntry* e = lpFileName ? FindEntry(lpFileName) : nullptr;
  if (!e) {
    SetErr(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return e->folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  const FileEntry* src = lpExistingFileName ? FindEntry(lpExistingFileName) : nullptr;
  if (!src || src->folder || !lpNewFileName) {
    SetErr(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string dest = NormalizePath(lpNewFileName);
  const FileEntry* parent = FindEntry(ParentOf(dest));
  if (!parent || !parent->folder) {
    SetErr(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (const FileEntry* existing = FindEntry(dest)) {
    if (bFailIfExists || existing->folder) {
      SetErr(existing->folder ? ERROR_ACCESS_DENIED : ERROR_FILE_EXISTS);
      return FALSE;
    }
  }
  M().files[Upper(dest)] = FileEntry{dest, false};
  return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  const FileEntry* e = lpFileName ? FindEntry(lpFileName) : nullptr;
  if (!e || e->folder) {
    SetErr(e ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // A library still loaded from the file keeps it in use.
  for (const auto& lib : M().libraries)
    if (lib.refs > 0 && Upper(NormalizePath(lib.loadedFrom)) == Upper(e->path)) {
      SetErr(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  M().files.erase(Upper(e->path));
  return TRUE;
}

// ---------------------------------------------------------------- libraries

namespace {
const uintptr_t kProgramModule = 0x400000;
const uintptr_t kFirstLibrary = 0x10000000;

Library* LibraryByName(std::string name) {
  size_t slash = name.rfind('\\');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  if (name.find('.') == std::string::npos) name += ".dll";
  for (auto& lib : M().libraries)
    if (Upper(lib.name) == Upper(name)) return &lib;
  return nullptr;
}

Library* LibraryByHandle(HMODULE h) {
  uintptr_t v = uintptr_t(h);
  if (v < kFirstLibrary || (v - kFirstLibrary) % 0x10000) return nullptr;
  size_t i = (v - kFirstLibrary) / 0x10000;
  return i < M().libraries.size() ? &M().libraries[i] : nullptr;
}

HMODULE HandleOf(const Library* lib) {
  return HMODULE(kFirstLibrary + uintptr_t(lib - M().libraries.data()) * 0x10000);
}
}  // namespace

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  std::string name = lpLibFileName ? lpLibFileName : "";
  bool byPath = name.find('\\') != std::string::npos;
  Library* lib = LibraryByName(name);
  if (!lib || (byPath && !FindEntry(name))) {
    SetErr(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (lib->refs++ == 0) lib->loadedFrom = byPath ? name : M().systemDir + "\\" + lib->name;
  return HandleOf(lib);
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) return HMODULE(kProgramModule);
  Library* lib = LibraryByName(lpModuleName);
  if (!lib || lib->refs == 0) {
    SetErr(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return HandleOf(lib);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  Library* lib = LibraryByHandle(hModule);
  if (!lib || lib->refs == 0 || !lpProcName || uintptr_t(lpProcName) < 0x10000) {
    SetErr(lib ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto it = lib->exports.find(lpProcName);
  if (it == lib->exports.end()) {
    SetErr(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return it->second;
}

BOOL FreeLibrary(HMODULE hLibModule) {
  Library* lib = LibraryByHandle(hLibModule);
  if (!lib || lib->refs == 0) {
    SetErr(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  --lib->refs;
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  std::string path;
  if (!hModule || uintptr_t(hModule) == kProgramModule) {
    path = M().programPath;
  } else {
    Library* lib = LibraryByHandle(hModule);
    if (!lib || lib->refs == 0) {
      SetErr(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = lib->loadedFrom;
  }
  if (!lpFilename || nSize == 0) return 0;
  // Truncates like Windows XP: nSize characters counted, terminated inside.
  if (path.size() >= nSize) {
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = 0;
    SetErr(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::memcpy(lpFilename, path.c_str(), path.size() + 1);
  return DWORD(path.size());
}

}  // namespace simos
