// ParseCommandLine on hostile command lines and resume values, and the
// restart road: the Run entry and data the wizard writes, then the start
// they cause. Input: three fields, a value name, a command line, raw data
// ("\x" ends each string), then flags: bit 0 the restart road (bits 1-2 its
// stamp), else bit 1 the fields stored in the documented form, else the raw
// data (type from bits 2-3); bit 4 the NT authentication flag.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include <cstring>
#include <regex>
#include "startup/MMain.h"
#include "tests/fuzz/Stub.h"

static const char kResume[] = "SOFTWARE\\LumeDax", kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                  kRun[] = "MSDE Instance Installer";
static bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
static std::string Lower(std::string s) {
  for (char& c : s) c = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
  return s;
}
static std::string Text(FuzzedDataProvider& in, size_t n, const char* drop) {   // NUL always dropped
  std::string s = in.ConsumeRandomLengthString(n);
  std::replace_if(s.begin(), s.end(), [&](char c) { return std::strchr(drop, c) != nullptr; }, '_');
  return s;
}
static std::vector<unsigned char> Utf16(const std::string& text) {
  std::vector<unsigned char> b;
  for (char c : text) b.insert(b.end(), {(unsigned char)c, 0});
  return b;
}
static RunMode ModeOf(const std::string& text) {   // the switches in the stored text, as it is
  return Has(text, "/manualconfig") ? RunModeManualConfig : Has(text, "/msi") ? RunModeMsi : RunModeConfig;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kStamps[] = {"46362.5", "46362,75", "1", "46362.999988426"};
  static const DWORD kTypes[] = {REG_BINARY, REG_SZ, REG_DWORD, REG_NONE};
  FuzzedDataProvider in(data, size);
  stub::Reset();
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  stub::Set(HKEY_LOCAL_MACHINE, kRunKey, kRun, REG_SZ, Utf16("C:\\SETUP\\TARNWICK.EXE /MSI"));
  const InstallParameters fields{Text(in, 40, "|"), Text(in, 40, "|"), Text(in, 40, "|"), bool(flags & 16)};
  const std::string text = ConfigurationData(fields);   // fields without "|": it tells them apart
  InstallParameters p{"\1S", "\1U", "\1P", !(flags & 16)};
  const std::string start = ConfigurationData(p), name = Text(in, 32, ""), line = Text(in, 200, "");
  stub::Value run;
  if (flags & 1) {
    const std::string stamp = kStamps[(flags >> 1) & 3];
    FUZZ_CHECK(SaveResumeData(stamp, text) && AddResumeEntry("/Config", stamp));
    FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRun, &run) && run.type == REG_SZ &&
               std::string(run.data.begin(), run.data.end()) == "\"C:\\Program Files\\LumeDax\\Tarnwick.exe\" /Config " + stamp);
    stub::arguments = "/Config " + stamp;   // the next logon
    FUZZ_CHECK(ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication) == ModeOf(text));
    FUZZ_CHECK(ConfigurationData(p) == text && stub::boxes.empty() && !stub::Get(HKEY_LOCAL_MACHINE, kResume, stamp));
    return FUZZ_CHECK(!stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRun) && stub::openKeys == 0), 0;
  }
  const std::string raw = in.ConsumeRemainingBytesAsString();
  const bool documented = flags & 2;   // a fifth field, which the reader ignores, keeps the fourth intact
  stub::Set(HKEY_LOCAL_MACHINE, kResume, name, documented ? REG_BINARY : kTypes[(flags >> 2) & 3],
            documented ? Utf16(ScrambleString(text + "|x")) : std::vector<unsigned char>(raw.begin(), raw.end()));
  stub::arguments = line;
  const RunMode mode = ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);

  // What the line asks for, read from the switch list: the text after the
  // program's path and the blanks and tabs behind it, switches in any case,
  // without the deployment switches (words split at blanks and tabs, as
  // Windows splits them, with those before them; the rest then ends in none).
  static const std::regex deployment("(^|[ \t]+)/(quiet|passive|norestart)(?=[ \t]|$)", std::regex::icase);
  const std::string plain = std::regex_replace(line, deployment, "");
  const std::string args = Lower(plain.substr(std::min(plain.find_first_not_of(" \t"), plain.size())));
  const size_t at = args.find("/config");
  std::string wanted = at == std::string::npos || args.size() <= at + 8 ? "" : args.substr(at + 8);
  wanted.erase(0, wanted.find_first_not_of(' '));
  wanted.erase(wanted.find_last_not_of(plain == line ? " " : " \t") + 1);
  const char kInvalid[] = "Invalid command line paramiters.\r\n\r\nThe following are valid parameters:\r\n\r\n"
                          "/Config <configuration data>\r\n\r\n/MSI\r\n\r\n/MANUALCONFIG";
  FUZZ_CHECK(!stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRun) && stub::openKeys == 0);
  FUZZ_CHECK(stub::boxes == (mode ? std::vector<std::string>{} : std::vector<std::string>{kInvalid}));
  if (at == std::string::npos) {
    FUZZ_CHECK(mode == (args.empty() ? RunModeFull : Has(args, "/manualconfig") ? RunModeManualConfig
                                                   : Has(args, "/msi")          ? RunModeMsi
                                                                                : RunModeInvalid));
    return FUZZ_CHECK(ConfigurationData(p) == start && stub::Get(HKEY_LOCAL_MACHINE, kResume, name)), 0;
  }
  // "/config NAME": the value named is taken once, whatever it holds.
  const bool named = !wanted.empty() && wanted == Lower(name);
  FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, kResume, name) == !named && mode != RunModeFull);
  if (!named) FUZZ_CHECK(mode == RunModeInvalid && ConfigurationData(p) == start);
  if (named && documented) FUZZ_CHECK(mode == ModeOf(text) && ConfigurationData(p) == text);
  return 0;
}
