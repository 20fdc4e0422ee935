// The scenarios' binding of MAPI_Declares, generated from its list: every
// api::Name calls the real function or its replacement, counted, failable,
// watched for what the code under test takes and releases.
#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

namespace seam {
#define SEAM_ID(ret, name, params, args) id_##name,
enum Id { MAPI_FUNCTIONS(SEAM_ID) kFunctions };
#undef SEAM_ID

// A replacement for one function; unset ones call the real function.
#define SEAM_HOOK(ret, name, params, args) extern ret(WINAPI* name) params;
namespace hook {
MAPI_FUNCTIONS(SEAM_HOOK)
}
#undef SEAM_HOOK

struct State {
  long calls = 0, failAt = 0;     // failable calls so far; the one to fail (1-based), 0 none
  long failOnly = -1;             // >= 0: failAt counts only the calls of this function
  long failedId = -1;             // the function that was failed, once it was
  int counts[kFunctions] = {};
  std::vector<std::string> writes;     // RegSetValueExA: name | type | the bytes handed over
  std::vector<std::string> commands;   // CreateProcessA: application | command line
  std::vector<std::string> folders;    // CreateProcessA: the current folder given, "" for none
  DWORD lastProcessId = 0;             // CreateProcessA: of the last process started
  struct Box { std::string text, caption; UINT flags; };
  std::vector<Box> boxes;
  std::vector<int> answers;       // for MessageBoxA, in order; IDOK when none left
  int libraries = 0;              // LoadLibraryA minus FreeLibrary
  std::string restarts;           // ExitWindowsEx: its flags, then "+" when the privilege was asked for
  bool restartWorks = false;      // ExitWindowsEx reports success (and does nothing), else refuses
  std::function<void()> onRestart;     // inside ExitWindowsEx, as Windows asks the windows
  bool ended = false;             // ExitProcess was called: it ends the calling thread only
  std::set<HKEY> keys;            // registry keys open now
  std::map<HANDLE, int> handles;  // process, thread, token and find handles open now
  std::function<void()> afterWrite;    // after each registry write
  std::function<BOOL(LPPROCESS_INFORMATION)> fakeStart;   // set: answers CreateProcessA instead of a launch
};
State& S();
void Reset();                     // a fresh State (hooks stay as they are)
const char* Name(long id);
}  // namespace seam
