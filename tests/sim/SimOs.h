// The simulated Windows' own implementations of the MAPI_Declares functions.
// api::Name (SimFaults.cpp) counts each call and forwards it here unless a
// test has armed a fault for it; the simulation calls these directly, so its
// internal calls are neither counted nor failed.
#pragma once
#include "platform/MAPI_Declares.h"

namespace simos {
#define MAPI_DECLARE(ret, name, params, args) ret name params;
MAPI_FUNCTIONS(MAPI_DECLARE)
#undef MAPI_DECLARE
}  // namespace simos
