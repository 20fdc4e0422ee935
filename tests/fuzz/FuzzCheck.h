// Shared by the fuzz targets: a check that stops the run with its location,
// so libFuzzer keeps the input, and the resume data's text encoding
// (tests/resume_text.h).
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"
#include "tests/resume_text.h"

#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: FUZZ_CHECK(%s) failed\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace fuzz {

const char kResumeKey[] = "SOFTWARE\\LumeDax";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "MSDE Instance Installer";

using ::FromUtf16;
using ::Utf16;

inline bool Has(const std::string& s, const char* sPart) { return s.find(sPart) != std::string::npos; }

}  // namespace fuzz
