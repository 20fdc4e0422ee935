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

// What a failed call returns, where it is not 0 / FALSE / NULL of its type.
struct Failure {
  const char* name;   // a name, or a prefix ending in '*'
  intptr_t value;
};
const Failure kFailures[] = {
    {"Reg*", ERROR_ACCESS_DENIED},
    {"WaitForSingleObject", (intptr_t)WAIT_FAILED},
    {"WaitForInputIdle", (intptr_t)WAIT_FAILED},
    {"GetFileAttributesA", (intptr_t)INVALID_FILE_ATTRIBUTES},
    {"FindFirstFileA", (intptr_t)INVALID_HANDLE_VALUE},
    {"Co*", (intptr_t)E_FAIL},
    {"OleCreatePictureIndirect", (intptr_t)E_FAIL},
    {"VariantClear", (intptr_t)E_FAIL},
};
// Answers that cannot fail: they report, they do not act.
bool Failable(long id) {
  for (const char* n : {"GetLastError", "GetCurrentProcess", "GetCurrentProcessId", "GetTickCount"})
    if (!std::strcmp(kNames[id], n)) return false;
  return true;
}

intptr_t FailureValue(long id) {
  for (const Failure& f : kFailures) {
    size_t n = std::strlen(f.name);
    if (f.name[n - 1] == '*' ? !std::strncmp(kNames[id], f.name, n - 1) : !std::strcmp(kNames[id], f.name))
      return f.value;
  }
  return 0;
}

bool IsRegistryWrite(long id) {
  return id == id_RegSetValueExA || id == id_RegDeleteValueA || id == id_RegDeleteKeyA ||
         id == id_RegCreateKeyExA || id == id_RegCreateKeyA;
}

// True when this call is the one to fail.
bool Enter(long id, bool bFailable) {
  State& s = S();
  ++s.counts[id];
  if (!bFailable || !Failable(id) || (s.failOnly >= 0 && id != s.failOnly)) return false;
  if (++s.calls != s.failAt) return false;
  s.failedId = id;
  ::SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

void After(long id) {
  if (IsRegistryWrite(id) && S().afterWrite) S().afterWrite();
}

template <class R, class F>
R Call(long id, F f) {
  if constexpr (std::is_void_v<R>) {
    Enter(id, false);
    f();
    After(id);
  } else {
    if (Enter(id, true)) {
      if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(FailureValue(id));
      else
        return R(FailureValue(id));
    }
    R r = f();
    After(id);
    return r;
  }
}

// ---- what the seam always watches or answers

bool Predefined(HKEY h) { return (uintptr_t)h >= 0x80000000u && (uintptr_t)h <= 0x800000FFu; }
LONG Opened(LONG rc, HKEY hParent, PHKEY phk) {
  if (rc == ERROR_SUCCESS && phk && *phk != hParent && !Predefined(*phk)) S().keys.insert(*phk);
  return rc;
}
LONG WINAPI OpenEx(HKEY h, LPCSTR sub, DWORD o, REGSAM sam, PHKEY phk) {
  return Opened(::RegOpenKeyExA(h, sub, o, sam, phk), h, phk);
}
LONG WINAPI CreateEx(HKEY h, LPCSTR sub, DWORD r, LPSTR c, DWORD o, REGSAM sam, LPSECURITY_ATTRIBUTES sa, PHKEY phk,
                     LPDWORD d) {
  return Opened(::RegCreateKeyExA(h, sub, r, c, o, sam, sa, phk, d), h, phk);
}
LONG WINAPI Open(HKEY h, LPCSTR sub, PHKEY phk) { return Opened(::RegOpenKeyA(h, sub, phk), h, phk); }
LONG WINAPI Create(HKEY h, LPCSTR sub, PHKEY phk) { return Opened(::RegCreateKeyA(h, sub, phk), h, phk); }
LONG WINAPI Close(HKEY h) {
  S().keys.erase(h);
  return ::RegCloseKey(h);
}
LONG WINAPI Set(HKEY h, LPCSTR name, DWORD r, DWORD type, const BYTE* data, DWORD cb) {
  S().writes.push_back(std::string(name ? name : "") + "|" + std::to_string(type) + "|" +
                       std::string((const char*)data, data ? cb : 0));
  return ::RegSetValueExA(h, name, r, type, data, cb);
}
BOOL WINAPI Start(LPCSTR app, LPSTR cmd, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit, DWORD flags,
                  LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi) {
  S().commands.push_back(std::string(app ? app : "") + "|" + (cmd ? cmd : ""));
  BOOL ok = S().fakeStart ? S().fakeStart(pi) : ::CreateProcessA(app, cmd, pa, ta, inherit, flags, env, dir, si, pi);
  if (ok) ++S().handles[pi->hProcess], ++S().handles[pi->hThread];
  return ok;
}
BOOL WINAPI CloseH(HANDLE h) {
  auto it = S().handles.find(h);
  if (it != S().handles.end() && --it->second == 0) S().handles.erase(it);
  return ::CloseHandle(h);
}
HMODULE WINAPI Load(LPCSTR name) {
  HMODULE h = ::LoadLibraryA(name);
  if (h) ++S().libraries;
  return h;
}
BOOL WINAPI Free(HMODULE h) {
  if (h) --S().libraries;
  return ::FreeLibrary(h);
}
int WINAPI Box(HWND, LPCSTR text, LPCSTR caption, UINT flags) {
  State& s = S();
  s.boxes.push_back({text ? text : "", caption ? caption : "", flags});
  if (s.answers.empty()) return IDOK;
  int a = s.answers.front();
  s.answers.erase(s.answers.begin());
  return a;
}
BOOL WINAPI Restart(UINT, DWORD) {
  if (++S().restarts, S().restartWorks) return TRUE;
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
void Reset() {
  delete g_state;
  g_state = new State;
}
const char* Name(long id) { return id >= 0 && id < kFunctions ? kNames[id] : "-"; }

namespace hook {
#define SEAM_HOOK(ret, name, params, args) ret(*name) params = nullptr;
MAPI_FUNCTIONS(SEAM_HOOK)
#undef SEAM_HOOK
// The watchers and answers in place from the start.
struct Defaults {
  Defaults() {
    RegOpenKeyExA = OpenEx;
    RegCreateKeyExA = CreateEx;
    RegOpenKeyA = Open;
    RegCreateKeyA = Create;
    RegCloseKey = Close;
    RegSetValueExA = Set;
    CreateProcessA = Start;
    CloseHandle = CloseH;
    LoadLibraryA = Load;
    FreeLibrary = Free;
    MessageBoxA = Box;
    ExitWindowsEx = Restart;
    ExitProcess = End;
  }
} g_defaults;
}  // namespace hook
}  // namespace seam

#define SEAM_FORWARD(ret, name, params, args)                                            \
  ret api::name params {                                                                 \
    return seam::Call<ret>(seam::id_##name, [&]() -> ret {                               \
      return seam::hook::name ? seam::hook::name args : ::name args;                     \
    });                                                                                  \
  }
MAPI_FUNCTIONS(SEAM_FORWARD)
