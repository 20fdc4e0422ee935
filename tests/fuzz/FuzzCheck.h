// Shared by the fuzz targets: a check that stops the run with its location,
// so libFuzzer keeps the input, and the resume data's text encoding.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

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

// Stored resume text is UTF-16LE; these convert through the system code page
// as the wizard does (a trailing odd byte is no character).
inline std::vector<unsigned char> Utf16(const std::string& s) {
  std::vector<unsigned char> out;
  if (s.empty()) return out;
  std::vector<WCHAR> wide(s.size());
  api::MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), wide.data(), int(wide.size()));
  for (WCHAR w : wide) {
    out.push_back((unsigned char)(unsigned(w) & 0xFF));
    out.push_back((unsigned char)(unsigned(w) >> 8));
  }
  return out;
}

inline std::string FromUtf16(const std::vector<unsigned char>& b) {
  std::vector<WCHAR> wide;
  for (size_t i = 0; i + 1 < b.size(); i += 2) wide.push_back(WCHAR(b[i] | (b[i + 1] << 8)));
  if (wide.empty()) return std::string();
  std::string s(wide.size(), '\0');
  api::WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), &s[0], int(s.size()), nullptr, nullptr);
  return s;
}

inline bool Has(const std::string& s, const char* sPart) { return s.find(sPart) != std::string::npos; }

}  // namespace fuzz
