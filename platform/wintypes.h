// Windows types and constants for every build. The Windows builds take them
// from the mingw-w64 headers; the native test build from Wine's headers, so
// the simulated platform sees exactly the same declarations.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <shellapi.h>
