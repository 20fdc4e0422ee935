// ParseCommandLine on hostile command lines and resume values, and the
// restart road: the Run entry and data the wizard writes, then the start they
// cause. Input: three fields, then name, command line and raw data ("\x" ends
// each string); flags last: bit 0 the restart road (bits 1-2 its stamp), else
// bit 1 the fields stored in the documented form, else the raw data (type from
// bits 2-3); bit 4 the NT authentication flag.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include <cstring>
#include "startup/MMain.h"
#include "tests/fuzz/Stub.h"

namespace {
const char kResumeKey[] = "SOFTWARE\\LumeDax", kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
           kRun[] = "MSDE Instance Installer";
const char kInvalidText[] = "Invalid command line paramiters.\r\n\r\nThe following are valid parameters:\r\n\r\n"
                            "/Config <configuration data>\r\n\r\n/MSI\r\n\r\n/MANUALCONFIG";

bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
std::string Text(FuzzedDataProvider& in, size_t n, const char* drop) {
  std::string s = in.ConsumeRandomLengthString(n);
  for (char& c : s) c = std::strchr(drop, c) ? '_' : c;   // NUL is always in drop
  return s;
}
std::vector<unsigned char> Utf16(const std::string& text) {
  std::vector<unsigned char> b;
  for (char c : text) b.insert(b.end(), {(unsigned char)c, 0});
  return b;
}
// The switches in the stored text, as it is.
RunMode ModeOf(const std::string& text) {
  return Has(text, "/manualconfig") ? RunModeManualConfig : Has(text, "/msi") ? RunModeMsi : RunModeConfig;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  stub::Reset();
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  stub::Set(HKEY_LOCAL_MACHINE, kRunKey, kRun, REG_SZ, Utf16("C:\\SETUP\\TARNWICK.EXE /MSI"));
  const InstallParameters fields{Text(in, 40, "|"), Text(in, 40, "|"), Text(in, 40, "|"), bool(flags & 16)};
  const std::string text = ConfigurationData(fields);   // fields without "|": it tells them apart
  InstallParameters p{"\1S", "\1U", "\1P", !(flags & 16)};
  const std::string start = ConfigurationData(p);
  RunMode mode;
  stub::Value run;

  if (flags & 1) {
    static const char* const kStamps[] = {"46362.5", "46362,75", "1", "46362.999988426"};
    const std::string stamp = kStamps[(flags >> 1) & 3];
    FUZZ_CHECK(SaveResumeData(stamp, text) && AddResumeEntry("/Config", stamp));
    FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRun, &run) && run.type == REG_SZ);
    FUZZ_CHECK(std::string(run.data.begin(), run.data.end()) == "C:\\ZoMelCD\\Tarnwick.exe /Config " + stamp);
    stub::arguments = "/Config " + stamp;   // the next logon
    mode = ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
    FUZZ_CHECK(mode == ModeOf(text) && ConfigurationData(p) == text && stub::boxes.empty());
    FUZZ_CHECK(!stub::Get(HKEY_LOCAL_MACHINE, kResumeKey, stamp) && !stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRun));
    FUZZ_CHECK(stub::openKeys == 0);
    return 0;
  }
  const std::string name = Text(in, 32, ""), line = Text(in, 200, ""), raw = in.ConsumeRemainingBytesAsString();
  static const DWORD kTypes[] = {REG_BINARY, REG_SZ, REG_DWORD, REG_NONE};
  const bool documented = flags & 2;   // a fifth field, which the reader ignores, keeps the fourth intact
  stub::Set(HKEY_LOCAL_MACHINE, kResumeKey, name, documented ? REG_BINARY : kTypes[(flags >> 2) & 3],
            documented ? Utf16(ScrambleString(text + "|x")) : std::vector<unsigned char>(raw.begin(), raw.end()));
  stub::arguments = line;
  mode = ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);

  // What the line asks for, read from the switch list: the text after the
  // program's path and the blanks behind it, switches in any case.
  std::string args = line.substr(std::min(line.find_first_not_of(" \t"), line.size())), low = name;
  for (std::string* s : {&args, &low}) 
    std::transform(s->begin(), s->end(), s->begin(), [](char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  const size_t at = args.find("/config");
  std::string wanted = at == std::string::npos || args.size() <= at + 8 ? "" : args.substr(at + 8);
  wanted.erase(0, wanted.find_first_not_of(' '));
  wanted.erase(wanted.find_last_not_of(' ') + 1);

  FUZZ_CHECK(!stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRun) && stub::openKeys == 0);
  FUZZ_CHECK(stub::boxes == (mode ? std::vector<std::string>{} : std::vector<std::string>{kInvalidText}));
  if (at == std::string::npos) {
    FUZZ_CHECK(mode == (args.empty() ? RunModeFull : Has(args, "/manualconfig") ? RunModeManualConfig
                                                   : Has(args, "/msi")          ? RunModeMsi
                                                                                : RunModeInvalid));
    FUZZ_CHECK(ConfigurationData(p) == start && stub::Get(HKEY_LOCAL_MACHINE, kResumeKey, name));
    return 0;
  }
  // "/config NAME": the value named is taken once, whatever it holds.
  const bool named = !wanted.empty() && wanted == low;
  FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, kResumeKey, name) == !named);
  if (!named) FUZZ_CHECK(mode == RunModeInvalid && ConfigurationData(p) == start);
  if (named && documented) FUZZ_CHECK(mode == ModeOf(text) && ConfigurationData(p) == text);
  FUZZ_CHECK(mode != RunModeFull);
  return 0;
}
