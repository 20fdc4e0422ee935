// ParseCommandLine on hostile command lines with a hostile resume value
// planted, and the restart road: the Run entry and the data the wizard
// writes, then the start they cause.
// Input: flags byte, then value name, command line and data (each ended by
// "\" and one character). Flags bit 0: restart road (bits 1-2 the stamp),
// else hostile; bit 1:
// the value in the documented form (fields, then a fifth field the reader
// ignores), else the raw data as the type bits 2-3 choose (bit 6: not even
// UTF-16); bit 4: the NT authentication flag stored. The flags byte is the
// last one of the input.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include "startup/MMain.h"
#include "tests/fuzz/Stub.h"

namespace {
const char kResumeKey[] = "SOFTWARE\\LumeDax", kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
           kRunValue[] = "MSDE Instance Installer";
const char kInvalidText[] =
    "Invalid command line paramiters.\r\n\r\nThe following are valid parameters:\r\n\r\n"
    "/Config <configuration data>\r\n\r\n/MSI\r\n\r\n/MANUALCONFIG";

std::string Lower(std::string s) {
  for (char& c : s) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}
bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
std::string Field(FuzzedDataProvider& in) {   // no "|" and no NUL: what the fields can carry
  std::string s = in.ConsumeRandomLengthString(40);
  for (char& c : s) c = c == '|' || c == 0 ? '_' : c;
  return s;
}
std::vector<unsigned char> Stored(const std::string& text) {   // as the writer keeps text: UTF-16LE
  std::vector<unsigned char> b;
  for (char c : text) b.insert(b.end(), {(unsigned char)c, 0});
  return b;
}
RunMode Parse(InstallParameters& p) { return ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication); }
bool Same(const InstallParameters& a, const InstallParameters& b) {
  return a.sServerName == b.sServerName && a.sUserID == b.sUserID && a.sPassword == b.sPassword &&
         a.bNTAuthentication == b.bNTAuthentication;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  stub::Reset();
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  stub::Set(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, REG_SZ, Stored("C:\\SETUP\\TARNWICK.EXE /MSI"));
  const InstallParameters start{"\1S", "\1U", "\1P", bool(flags & 32)};
  InstallParameters fields{Field(in), Field(in), Field(in), bool(flags & 16)};
  const std::string text = ConfigurationData(fields);

  if (flags & 1) {   // the restart road, under one of a few stamps
    static const char* const kStamps[] = {"46362.5", "46362,75", "1", "46362.999988426"};
    const std::string stamp = kStamps[(flags >> 1) & 3];
    FUZZ_CHECK(SaveResumeData(stamp, text) && AddResumeEntry("/Config", stamp));
    stub::Value run;
    FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &run) && run.type == REG_SZ);
    const std::string entry = std::string(stub::kProgram) + " /Config " + stamp;
    FUZZ_CHECK(std::string(run.data.begin(), run.data.end()) == entry);
    stub::arguments = "/Config " + stamp;   // the next logon
    InstallParameters p = start;
    const RunMode mode = Parse(p);
    FUZZ_CHECK(!stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRunValue) && !stub::Get(HKEY_LOCAL_MACHINE, kResumeKey, stamp));
    FUZZ_CHECK(mode == (Has(text, "/manualconfig") ? RunModeManualConfig : Has(text, "/msi") ? RunModeMsi : RunModeConfig));
    FUZZ_CHECK(Same(p, fields) && stub::boxes.empty() && stub::OpenKeys() == 0);
    return 0;
  }

  std::string name = in.ConsumeRandomLengthString(32), line = in.ConsumeRandomLengthString(200);
  for (std::string* s : {&name, &line}) s->erase(std::remove(s->begin(), s->end(), '\0'), s->end());
  static const DWORD kTypes[] = {REG_BINARY, REG_SZ, REG_DWORD, REG_NONE};
  const std::string raw = in.ConsumeRemainingBytesAsString();
  const bool documented = flags & 2;
  std::vector<unsigned char> planted = documented ? Stored(ScrambleString(text + "|x")) : Stored(raw);
  if (!documented && (flags & 64)) planted.assign(raw.begin(), raw.end());   // not even UTF-16
  stub::Set(HKEY_LOCAL_MACHINE, kResumeKey, name, documented ? REG_BINARY : kTypes[(flags >> 2) & 3], planted);
  stub::arguments = line;

  // What the line asks for, read from the switch list: its text after the
  // program's path and the blanks behind it, switches in any case.
  const std::string args = Lower(line.substr(std::min(line.find_first_not_of(" \t"), line.size())));
  const size_t at = args.find("/config");
  std::string wanted = at == std::string::npos || args.size() <= at + 8 ? "" : args.substr(at + 8);
  wanted.erase(0, wanted.find_first_not_of(' '));
  wanted.erase(wanted.find_last_not_of(' ') + 1);
  InstallParameters p = start;
  const RunMode mode = Parse(p);

  FUZZ_CHECK(!stub::Get(HKEY_LOCAL_MACHINE, kRunKey, kRunValue) && stub::OpenKeys() == 0);
  FUZZ_CHECK(stub::boxes.size() == (mode == RunModeInvalid) && (stub::boxes.empty() || stub::boxes[0] == kInvalidText));
  if (at == std::string::npos) {
    FUZZ_CHECK(mode == (args.empty()                ? RunModeFull
                        : Has(args, "/manualconfig") ? RunModeManualConfig
                        : Has(args, "/msi")          ? RunModeMsi
                                                     : RunModeInvalid));
    FUZZ_CHECK(Same(p, start) && stub::Get(HKEY_LOCAL_MACHINE, kResumeKey, name));
    return 0;
  }
  // "/config NAME": the value is taken once, whatever it holds; the switches
  // are then looked for in the stored text, as it is.
  const bool named = !wanted.empty() && wanted == Lower(name);
  FUZZ_CHECK(stub::Get(HKEY_LOCAL_MACHINE, kResumeKey, name) == !named);
  if (!named) FUZZ_CHECK(mode == RunModeInvalid && Same(p, start));
  if (named && documented)
    FUZZ_CHECK(Same(p, fields) && mode == (Has(text, "/manualconfig") ? RunModeManualConfig
                                           : Has(text, "/msi")        ? RunModeMsi
                                                                      : RunModeConfig));
  if (mode != RunModeInvalid) FUZZ_CHECK(named && mode != RunModeFull);
  return 0;
}
