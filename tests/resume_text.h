// The resume data's stored form in the tests: text as UTF-16LE bytes through
// the system code page, as the wizard stores and reads it (a trailing odd
// byte is no character).
#pragma once
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

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
