// The resume data's text, the whole input: its scrambling (known pairs, one
// key per position, its own inverse but for the last character), the bytes
// SaveResumeData stores, and the configuration data split into the fields.
#include <regex>
#include "startup/MMain.h"
#include "tests/fuzz/Stub.h"

static std::string g_keys;   // the key of each position: NULs scrambled

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(ScrambleString("abc") == "\x60\x66\x64" && ScrambleString("\x60\x66\x64") == "abc");
  FUZZ_CHECK(ScrambleString("").empty() && ScrambleString(ScrambleString("ab ")) == "ab\xff");
  FUZZ_CHECK(ConfigurationData({"ZoMEL", "sa", "vormasi17", false}) == "ZoMEL|sa|vormasi17|False");
  FUZZ_CHECK(ConfigurationData({"", "", "", true}) == "|||True");
  g_keys = ScrambleString(std::string(5000, '\0'));
  FUZZ_CHECK((unsigned char)g_keys[51] == 154);   // "e" (101) XOR 154 is 255: why stored data gets an end
  for (size_t i = 0; i + 255 < g_keys.size(); ++i) FUZZ_CHECK(g_keys[i + 254] == g_keys[i]);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string t(reinterpret_cast<const char*>(data), size), s = ScrambleString(t), back = ScrambleString(s);
  FUZZ_CHECK(s.size() == size && back.size() == size);
  for (size_t i = 0; i + 1 < size; ++i) FUZZ_CHECK((s[i] ^ t[i]) == g_keys[i] && back[i] == t[i]);
  // The last character: a blank is stored as 255, so 255 and a blank do not come back.
  const unsigned char c = size ? t.back() : 0;
  if (size) FUZZ_CHECK(s.back() != ' ' && (c == ' ' || c == 255 || (c ^ (unsigned char)g_keys[size - 1]) == 255 || back == t));

  // Stored: REG_BINARY under HKLM\SOFTWARE\LumeDax, the scrambled text as
  // UTF-16LE; the text is the data and one more field, "|" and a letter.
  stub::Reset();
  stub::Value v;
  FUZZ_CHECK(SaveResumeData("46362.5", t) && stub::openKeys == 0);
  FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\LumeDax", "46362.5", &v) && v.type == REG_BINARY);
  std::string stored;
  for (size_t i = 0; i + 1 < v.data.size(); i += 2) stored += v.data[i + 1] ? '\0' : char(v.data[i]);
  const std::string read = ScrambleString(stored);
  FUZZ_CHECK(v.data.size() == 2 * (size + 2) && read.compare(0, size, t) == 0 && read[size] == '|' &&
             (read[size + 1] == 'x' || read[size + 1] == 'y'));

  // The fields: the first three parts as far as they reach; the fourth a
  // truth word or a decimal number (false only when 0), blanks around.
  std::vector<std::string> parts(1);
  for (char ch : t) ch == '|' ? parts.emplace_back() : parts.back().append(1, ch);
  InstallParameters p{"\1S", "\1U", "\1P", true};
  const bool ok = SplitConfigurationData(t, p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
  const std::string was[3] = {"\1S", "\1U", "\1P"}, got[3] = {p.sServerName, p.sUserID, p.sPassword};
  for (size_t i = 0; i < 3; ++i) FUZZ_CHECK(got[i] == (size && i < parts.size() ? parts[i] : was[i]));
  if (parts.size() < 4) FUZZ_CHECK(!ok);
  if (parts.size() < 4 || parts[3].size() > 60) return 0;
  static const std::regex truth(" *(true|false|[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)) *", std::regex::icase);
  std::smatch m;
  FUZZ_CHECK(ok == std::regex_match(parts[3], m, truth));
  if (ok) FUZZ_CHECK(p.bNTAuthentication == (m[2].matched ? m[2].str().find_first_of("123456789") != std::string::npos
                                                          : (m[1].str()[0] | 32) == 't'));
  return 0;
}
