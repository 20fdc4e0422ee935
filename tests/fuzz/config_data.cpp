// SplitConfigurationData on arbitrary text, and ConfigurationData joined and
// split again. The text is the whole input.
#include <string>
#include <vector>
#include "startup/MMain.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::vector<std::string> Parts(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i; (i = s.find(sep, start)) != std::string::npos; start = i + 1)
    out.push_back(s.substr(start, i - start));
  out.push_back(s.substr(start));
  return out;
}

struct Split {
  bool bResult;
  InstallParameters p;
};

Split Run(const std::string& s, bool bStart) {
  Split r{false, {"\x01S", "\x01U", "\x01P", bStart}};
  r.bResult = SplitConfigurationData(s, r.p.sServerName, r.p.sUserID, r.p.sPassword, r.p.bNTAuthentication);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string sText(reinterpret_cast<const char*>(data), size);
  // Run from both truth values, to see whether the fourth field was taken.
  const Split a = Run(sText, false), b = Run(sText, true);
  FUZZ_CHECK(a.bResult == b.bResult);
  FUZZ_CHECK(a.p.sServerName == b.p.sServerName && a.p.sUserID == b.p.sUserID && a.p.sPassword == b.p.sPassword);

  // The first three "|"-separated parts go to the fields as far as they
  // reach, whatever the result; the others keep their values.
  const std::vector<std::string> parts = sText.empty() ? std::vector<std::string>() : Parts(sText, '|');
  const std::string start[3] = {"\x01S", "\x01U", "\x01P"};
  const std::string got[3] = {a.p.sServerName, a.p.sUserID, a.p.sPassword};
  for (size_t i = 0; i < 3; ++i) FUZZ_CHECK(got[i] == (i < parts.size() ? parts[i] : start[i]));

  if (parts.size() < 4) {
    FUZZ_CHECK(!a.bResult);
  } else {
    const std::string sWord = Lower(parts[3]);
    const bool bDigits = !sWord.empty() && sWord.find_first_not_of("0123456789") == std::string::npos;
    if (sWord == "true" || sWord == "false") FUZZ_CHECK(a.bResult && a.p.bNTAuthentication == (sWord == "true"));
    if (bDigits) FUZZ_CHECK(a.bResult && a.p.bNTAuthentication == (sWord.find_first_not_of('0') != std::string::npos));
    // Neither a truth word nor a number.
    if (sWord.find_first_of("0123456789") == std::string::npos && sWord.find("true") == std::string::npos &&
        sWord.find("false") == std::string::npos)
      FUZZ_CHECK(!a.bResult);
  }
  if (a.bResult)
    FUZZ_CHECK(a.p.bNTAuthentication == b.p.bNTAuthentication);
  else
    FUZZ_CHECK(!a.p.bNTAuthentication && b.p.bNTAuthentication);

  // Fields without "|" (lines of the input) survive joining and splitting.
  if (sText.find('|') == std::string::npos) {
    const std::vector<std::string> lines = Parts(sText, '\n');
    InstallParameters p;
    p.sServerName = lines[0];
    p.sUserID = lines.size() > 1 ? lines[1] : "";
    p.sPassword = lines.size() > 2 ? lines[2] : "";
    p.bNTAuthentication = size & 1;
    const Split r = Run(ConfigurationData(p), !p.bNTAuthentication);
    FUZZ_CHECK(r.bResult && r.p.sServerName == p.sServerName && r.p.sUserID == p.sUserID &&
               r.p.sPassword == p.sPassword && r.p.bNTAuthentication == p.bNTAuthentication);
  }
  return 0;
}
