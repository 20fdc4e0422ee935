// Win32 binding of MAPI_Declares: every api:: function forwards to the real one.
#include "MAPI_Declares.h"

#define MAPI_FORWARD(ret, name, params, args) ret api::name params { return ::name args; }
MAPI_FUNCTIONS(MAPI_FORWARD)
