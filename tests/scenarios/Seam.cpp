// Generated forwarders of MAPI_Declares with the scenarios' hook around each.
#include "tests/scenarios/Seam.h"
#include <cstring>
#include <type_traits>

namespace seam {
namespace {
State* g_state = new State;

const char* const kNames[] = {
#define SEAM_NAME(ret, name, params, args) #name,
    MAPI_FUNCTIONS(SEAM_NAME)
#undef SEAM_NAME
};

// What a failed call returns where not 0 / FALSE / NULL; a name ending in '*' is a
// prefix of functions returning LONG (not RegisterClassA, CopyFileA). The last four never fail.
const struct {
  const char* name;
  long long value;
} kFailures[] = {
    {"Reg*", ERROR_ACCESS_DENIED}, {"Co*", E_FAIL}, {"OleCreatePictureIndirect", E_FAIL}, {"VariantClear", E_FAIL},
    {"WaitForSingleObject", WAIT_FAILED}, {"WaitForInputIdle", WAIT_FAILED}, {"FindFirstFileA", -1},
    {"CreateFileA", -1}, {"GetFileAttributesA", INVALID_FILE_ATTRIBUTES}, {"SetFilePointer", INVALID_SET_FILE_POINTER},
    {"GetLastError", 0}, {"GetCurrentProcess", 0}, {"GetCurrentProcessId", 0}, {"GetTickCount", 0}};
const size_t kReportOnly = sizeof kFailures / sizeof kFailures[0] - 4;

// The row of kFailures for the function, or the number of rows.
size_t FailureRow(long id, bool bLong) {
  size_t i = 0;
  for (; i < sizeof kFailures / sizeof kFailures[0]; ++i) {
    const size_t n = std::strlen(kFailures[i].name);
    if (kFailures[i].name[n - 1] == '*' ? bLong && !std::strncmp(kNames[id], kFailures[i].name, n - 1)
                                         : !std::strcmp(kNames[id], kFailures[i].name))
      break;
  }
  return i;
}

// True when this call is the one to fail.
bool Enter(long id, bool bFailable) {
  State& s = S();
  ++s.counts[id];
  const size_t row = FailureRow(id, false);
  if (!bFailable || (row >= kReportOnly && row < kReportOnly + 4) || (s.failOnly >= 0 && id != s.failOnly) ||
      ++s.calls != s.failAt)
    return false;
  s.failedId = id;
  ::SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

void After(long id) {
  if ((id == id_RegSetValueExA || id == id_RegDeleteValueA || id == id_RegDeleteKeyA || id == id_RegCreateKeyExA ||
       id == id_RegCreateKeyA) && S().afterWrite)
    S().afterWrite();
}

template <class R, class F>
R Call(long id, F f) {
  if constexpr (std::is_void_v<R>) {
    Enter(id, false);
    f();
    After(id);
  } else {
    if (Enter(id, true)) {
      const size_t row = FailureRow(id, std::is_same_v<R, LONG>);
      const long long v = row < kReportOnly ? kFailures[row].value : 0;
      if constexpr (std::is_pointer_v<R>) return reinterpret_cast<R>(intptr_t(v));
      else return R(v);
    }
    R r = f();
    After(id);
    return r;
  }
}

// ---- what the seam always watches or answers

HANDLE Took(HANDLE h) { return ++S().handles[h], h; }
void Released(HANDLE h) {
  auto it = S().handles.find(h);
  if (it != S().handles.end() && --it->second == 0) S().handles.erase(it);
}
LONG Opened(LONG rc, HKEY hParent, PHKEY phk) {
  const uintptr_t h = phk ? (uintptr_t)*phk : 0;
  if (rc == ERROR_SUCCESS && h && *phk != hParent && (h < 0x80000000u || h > 0x800000FFu)) S().keys.insert(*phk);
  return rc;
}
LONG WINAPI OpenEx(HKEY h, LPCSTR sub, DWORD o, REGSAM sam, PHKEY phk) { return Opened(::RegOpenKeyExA(h, sub, o, sam, phk), h, phk); }
LONG WINAPI CreateEx(HKEY h, LPCSTR sub, DWORD r, LPSTR c, DWORD o, REGSAM sam, LPSECURITY_ATTRIBUTES sa, PHKEY phk,
                     LPDWORD d) {
  return Opened(::RegCreateKeyExA(h, sub, r, c, o, sam, sa, phk, d), h, phk);
}
LONG WINAPI Open(HKEY h, LPCSTR sub, PHKEY phk) { return Opened(::RegOpenKeyA(h, sub, phk), h, phk); }
LONG WINAPI Create(HKEY h, LPCSTR sub, PHKEY phk) { return Opened(::RegCreateKeyA(h, sub, phk), h, phk); }
LONG WINAPI Close(HKEY h) { return S().keys.erase(h), ::RegCloseKey(h); }
LONG WINAPI Set(HKEY h, LPCSTR name, DWORD r, DWORD type, const BYTE* data, DWORD cb) {
  S().writes.push_back(std::string(name ? name : "") + "|" + std::to_string(type) + "|" +
                       std::string((const char*)data, data ? cb : 0));
  return ::RegSetValueExA(h, name, r, type, data, cb);
}
BOOL WINAPI Start(LPCSTR app, LPSTR cmd, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit, DWORD flags,
                  LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi) {
  S().commands.push_back(std::string(app ? app : "") + "|" + (cmd ? cmd : ""));
  S().folders.push_back(dir ? dir : "");
  BOOL ok = S().fakeStart ? S().fakeStart(pi) : ::CreateProcessA(app, cmd, pa, ta, inherit, flags, env, dir, si, pi);
  if (ok) Took(pi->hProcess), Took(pi->hThread), S().lastProcessId = pi->dwProcessId;
  return ok;
}
BOOL WINAPI CloseH(HANDLE h) { return Released(h), ::CloseHandle(h); }
BOOL WINAPI Token(HANDLE p, DWORD a, PHANDLE h) { return ::OpenProcessToken(p, a, h) && Took(*h); }
HANDLE WINAPI Find(LPCSTR n, LPWIN32_FIND_DATAA d) { HANDLE h = ::FindFirstFileA(n, d); return h == INVALID_HANDLE_VALUE ? h : Took(h); }
BOOL WINAPI FindEnd(HANDLE h) { return Released(h), ::FindClose(h); }
HMODULE WINAPI Load(LPCSTR name) { HMODULE h = ::LoadLibraryA(name); return S().libraries += h ? 1 : 0, h; }
BOOL WINAPI Free(HMODULE h) { return S().libraries -= h ? 1 : 0, ::FreeLibrary(h); }
int WINAPI Box(HWND, LPCSTR text, LPCSTR caption, UINT flags) {
  State& s = S();
  s.boxes.push_back({text ? text : "", caption ? caption : "", flags});
  if (s.answers.empty()) return IDOK;
  const int a = s.answers.front();
  s.answers.erase(s.answers.begin());
  return a;
}
BOOL WINAPI Restart(UINT flags, DWORD) {
  S().restarts += std::to_string(flags) + (S().counts[id_AdjustTokenPrivileges] ? "+" : "-");
  if (S().onRestart) S().onRestart();
  if (S().restartWorks) return TRUE;
  ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
  return FALSE;
}
// No exception: one thrown through App::End does not unwind under Wine.
[[noreturn]] VOID WINAPI End(UINT code) {
  S().ended = true;
  ::ExitThread(code);
}
}  // namespace

State& S() { return *g_state; }
void Reset() { delete g_state, g_state = new State; }
const char* Name(long id) { return id >= 0 && id < kFunctions ? kNames[id] : "-"; }

namespace hook {
#define SEAM_HOOK(ret, name, params, args) ret(WINAPI* name) params = nullptr;
MAPI_FUNCTIONS(SEAM_HOOK)
#undef SEAM_HOOK
// The watchers and answers in place from the start.
const bool g_defaults = (RegOpenKeyExA = OpenEx, RegCreateKeyExA = CreateEx, RegOpenKeyA = Open,
                         RegCreateKeyA = Create, RegCloseKey = Close, RegSetValueExA = Set, CreateProcessA = Start,
                         CloseHandle = CloseH, OpenProcessToken = Token, FindFirstFileA = Find, FindClose = FindEnd, LoadLibraryA = Load, FreeLibrary = Free, MessageBoxA = Box,
                         ExitWindowsEx = Restart, ExitProcess = End, true);
}  // namespace hook
}  // namespace seam

#define SEAM_FORWARD(ret, name, params, args)                                                                  \
  ret api::name params {                                                                                       \
    return seam::Call<ret>(seam::id_##name, [&]() -> ret { return seam::hook::name ? seam::hook::name args : ::name args; }); \
  }
MAPI_FUNCTIONS(SEAM_FORWARD)
