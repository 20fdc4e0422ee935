// api::Name for the native build: every call of the program passes here on
// its way to the simulated Windows (simos::Name). A test can make one chosen
// call fail as the real function documents it, or have the persistent state
// kept before every call to replay a power loss at that moment.
#include <type_traits>
#include "tests/sim/Sim.h"
#include "tests/sim/SimOs.h"

namespace {

enum Function {
#define MAPI_ID(ret, name, params, args) k##name,
  MAPI_FUNCTIONS(MAPI_ID)
#undef MAPI_ID
  kFunctionCount
};

const char* const kNames[] = {
#define MAPI_NAME(ret, name, params, args) #name,
    MAPI_FUNCTIONS(MAPI_NAME)
#undef MAPI_NAME
};

// The documented failure of a function: the value it returns and the last
// error it leaves (0: it reports through its result only). Functions not
// listed cannot fail (GetLastError, Sleep, message routing...) or release
// something (CloseHandle, FreeLibrary, DeleteObject...): a caller can do
// nothing about a failed release, so failing one would only leak.
struct Failure {
  Function fn;
  intptr_t value;
  DWORD error;
};

const intptr_t kInvalid = -1;   // INVALID_HANDLE_VALUE, WAIT_FAILED, GDI_ERROR, CLR_INVALID...

const Failure kFailures[] = {
    // registry: the error is the result
    {kRegOpenKeyExA, ERROR_ACCESS_DENIED, 0},
    {kRegCreateKeyExA, ERROR_ACCESS_DENIED, 0},
    {kRegQueryValueExA, ERROR_ACCESS_DENIED, 0},
    {kRegSetValueExA, ERROR_ACCESS_DENIED, 0},
    {kRegDeleteValueA, ERROR_ACCESS_DENIED, 0},
    {kRegDeleteKeyA, ERROR_ACCESS_DENIED, 0},
    {kRegEnumKeyExA, ERROR_ACCESS_DENIED, 0},
    {kRegOpenKeyA, ERROR_ACCESS_DENIED, 0},
    {kRegCreateKeyA, ERROR_ACCESS_DENIED, 0},
    {kOpenProcessToken, FALSE, ERROR_ACCESS_DENIED},
    {kLookupPrivilegeValueA, FALSE, ERROR_NO_SUCH_PRIVILEGE},
    {kAdjustTokenPrivileges, FALSE, ERROR_ACCESS_DENIED},
    // kernel32
    {kCreateProcessA, FALSE, ERROR_NOT_ENOUGH_MEMORY},
    {kWaitForSingleObject, kInvalid, ERROR_INVALID_HANDLE},
    {kGetExitCodeProcess, FALSE, ERROR_ACCESS_DENIED},
    {kGetSystemDirectoryA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kGetTempPathA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kGetLogicalDriveStringsA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kGetDriveTypeA, DRIVE_UNKNOWN, 0},
    {kCopyFileA, FALSE, ERROR_SHARING_VIOLATION},
    {kDeleteFileA, FALSE, ERROR_SHARING_VIOLATION},
    {kLoadLibraryA, 0, ERROR_DLL_INIT_FAILED},
    {kGetProcAddress, 0, ERROR_PROC_NOT_FOUND},
    {kGetModuleFileNameA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kGetShortPathNameA, 0, ERROR_ACCESS_DENIED},
    {kGetComputerNameA, FALSE, ERROR_NOT_ENOUGH_MEMORY},
    {kGetVersionExA, FALSE, ERROR_INSUFFICIENT_BUFFER},
    {kFindFirstFileA, kInvalid, ERROR_ACCESS_DENIED},
    {kGetFileAttributesA, kInvalid, ERROR_ACCESS_DENIED},
    {kGetEnvironmentVariableA, 0, ERROR_ENVVAR_NOT_FOUND},
    {kGetLocaleInfoA, 0, ERROR_INVALID_PARAMETER},
    {kMultiByteToWideChar, 0, ERROR_NO_UNICODE_TRANSLATION},
    {kWideCharToMultiByte, 0, ERROR_INSUFFICIENT_BUFFER},
    // user32
    {kRegisterClassA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kCreateWindowExA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kUpdateWindow, FALSE, ERROR_INVALID_WINDOW_HANDLE},
    {kSetWindowPos, FALSE, ERROR_INVALID_WINDOW_HANDLE},
    {kMoveWindow, FALSE, ERROR_INVALID_WINDOW_HANDLE},
    {kGetWindowRect, FALSE, ERROR_INVALID_WINDOW_HANDLE},
    {kGetClientRect, FALSE, ERROR_INVALID_WINDOW_HANDLE},
    {kSetWindowTextA, FALSE, ERROR_NOT_ENOUGH_MEMORY},
    {kGetWindowTextA, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kGetParent, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kGetDlgItem, 0, ERROR_CONTROL_ID_NOT_FOUND},
    {kGetDlgCtrlID, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kSetFocus, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kSetForegroundWindow, FALSE, 0},
    {kGetSystemMenu, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kDeleteMenu, FALSE, ERROR_INVALID_MENU_HANDLE},
    {kGetMessageA, -1, ERROR_INVALID_WINDOW_HANDLE},
    {kPostMessageA, FALSE, ERROR_NOT_ENOUGH_QUOTA},
    {kSetTimer, 0, ERROR_NO_SYSTEM_RESOURCES},
    {kMessageBoxA, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kFindWindowA, 0, 0},
    {kFindWindowExA, 0, 0},
    {kGetWindowThreadProcessId, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kGetWindowLongA, 0, ERROR_INVALID_WINDOW_HANDLE},
    {kSetWindowLongA, 0, ERROR_ACCESS_DENIED},
    {kInvalidateRect, FALSE, ERROR_INVALID_WINDOW_HANDLE},
    {kExitWindowsEx, FALSE, ERROR_NOT_READY},
    {kWaitForInputIdle, kInvalid, ERROR_INVALID_HANDLE},
    {kLoadCursorA, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
    {kLoadIconA, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
    {kLoadImageA, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
    {kFindResourceA, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
    {kLoadResource, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kLockResource, 0, 0},
    {kSizeofResource, 0, ERROR_INVALID_HANDLE},
    {kGetSystemMetrics, 0, 0},
    {kGetSysColorBrush, 0, 0},
    {kGetDC, 0, 0},
    {kBeginPaint, 0, 0},
    {kFillRect, 0, 0},
    {kDrawStateA, FALSE, 0},
    {kDrawEdge, FALSE, 0},
    // gdi32
    {kCreateCompatibleDC, 0, 0},
    {kSaveDC, 0, 0},
    {kRestoreDC, FALSE, 0},
    {kCreateCompatibleBitmap, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kCreateBitmap, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kCreateDIBSection, 0, ERROR_NOT_ENOUGH_MEMORY},
    {kSelectObject, 0, 0},
    {kGetStockObject, 0, 0},
    {kGetObjectA, 0, 0},
    {kGetDeviceCaps, 0, 0},
    {kGetSystemPaletteEntries, 0, 0},
    {kCreatePalette, 0, 0},
    {kSelectPalette, 0, 0},
    {kRealizePalette, kInvalid, 0},
    {kBitBlt, FALSE, 0},
    {kStretchBlt, 0, 0},
    {kCreateSolidBrush, 0, 0},
    {kCreatePen, 0, 0},
    {kMoveToEx, FALSE, 0},
    {kLineTo, FALSE, 0},
    {kSetBkMode, 0, 0},
    {kSetTextColor, kInvalid, 0},
    {kGetTextColor, kInvalid, 0},
    {kSetBkColor, kInvalid, 0},
    {kGetBkColor, kInvalid, 0},
    {kTextOutA, FALSE, 0},
    {kGetTextExtentPoint32A, FALSE, 0},
    {kCreateFontIndirectA, 0, 0},
    // ole32, oleaut32
    {kOleCreatePictureIndirect, E_OUTOFMEMORY, 0},
    {kCoInitialize, E_OUTOFMEMORY, 0},
    {kCoCreateInstance, REGDB_E_CLASSNOTREG, 0},
    {kSysAllocString, 0, 0},
};

struct Faults {
  const Failure* failures[kFunctionCount] = {};
  unsigned armed = 0, count = 0;
  std::string only, failed;
  bool recording = false;
  std::vector<std::shared_ptr<const sim::Persistent>> states;
  std::shared_ptr<const sim::Persistent> atExit;

  Faults() {
    for (const Failure& f : kFailures) failures[f.fn] = &f;
  }
};

Faults& F() {
  static Faults f;
  return f;
}

// Called before each call: the failure to report instead, or null to go on.
const Failure* Intercept(Function fn) {
  Faults& f = F();
  if (f.recording) {
    auto state = sim::SavePersistent();
    if (f.states.empty() || !sim::SamePersistent(*f.states.back(), *state)) f.states.push_back(state);
  }
  if (fn == kExitProcess) f.atExit = sim::SavePersistent();
  const Failure* failure = f.failures[fn];
  if (!failure || (!f.only.empty() && f.only != kNames[fn])) return nullptr;
  if (++f.count != f.armed) return nullptr;
  f.failed = kNames[fn];
  if (failure->error) simos::SetLastError(failure->error);
  return failure;
}

template <class T>
T FailureValue(intptr_t v) {
  if constexpr (std::is_void<T>::value)
    return;
  else if constexpr (std::is_pointer<T>::value)
    return reinterpret_cast<T>(v);
  else
    return static_cast<T>(v);
}

}  // namespace

namespace api {
#define MAPI_FORWARD(ret, name, params, args)                                     \
  ret name params {                                                               \
    if (const Failure* failure = Intercept(k##name)) return FailureValue<ret>(failure->value); \
    return simos::name args;                                                      \
  }
MAPI_FUNCTIONS(MAPI_FORWARD)
#undef MAPI_FORWARD
}  // namespace api

namespace sim {

void FailCall(unsigned nCall, const std::string& sOnly) {
  Faults& f = F();
  f.armed = nCall;
  f.count = 0;
  f.only = sOnly;
  f.failed.clear();
}

unsigned CallCount() { return F().count; }
std::string FailedCallName() { return F().failed; }

void RecordPowerLossStates(bool bOn) {
  F().recording = bOn;
  F().states.clear();
}

const std::vector<std::shared_ptr<const Persistent>>& PowerLossStates() { return F().states; }
std::shared_ptr<const Persistent> StateAtExit() { return F().atExit; }

void ResetFaults() {
  Faults& f = F();
  FailCall(0);
  f.recording = false;
  f.states.clear();
  f.atExit.reset();
}

}  // namespace sim
