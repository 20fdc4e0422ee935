// Every api function the fuzz targets do not model: fails without doing
// anything. Weak, so that the few modelled in Stub.cpp take their place.
#include <type_traits>
#include "platform/MAPI_Declares.h"

namespace {
// Zero is failure for handles, BOOL and counts; registry calls and HRESULTs
// (both LONG) fail with a non-zero code.
template <class T> T Fail() {
  if constexpr (std::is_same_v<T, LONG>) return T(E_FAIL);
  else return T();
}
}  // namespace

#define STUB_DEFAULT(ret, name, params, args) __attribute__((weak)) ret api::name params { return Fail<ret>(); }
MAPI_FUNCTIONS(STUB_DEFAULT)
