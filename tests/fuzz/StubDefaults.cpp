// Every api function the stub does not model fails, doing nothing: zero for
// handles, BOOL and counts, E_FAIL for LONG (registry codes, HRESULTs). Weak,
// so that Stub.cpp's models take their place.
#include <type_traits>
#include "platform/MAPI_Declares.h"

template <class T> static T Fail() {
  if constexpr (std::is_same_v<T, LONG>) return T(E_FAIL);
  else return T();
}
#define STUB_DEFAULT(ret, name, params, args) __attribute__((weak)) ret api::name params { return Fail<ret>(); }
MAPI_FUNCTIONS(STUB_DEFAULT)
