// ParseCommandLine on hostile command lines with hostile resume data planted
// beforehand, and the restart road end to end: the Run entry and resume data
// written by the wizard's own writers, then the start they cause.
//
// Input: flags (last byte); then strings ended by "\" + one character:
//   flags bit 0 clear: command line, value name, then the rest as the
//     value's data (bit 3: raw bytes, else text stored as the writer would
//     store it); bits 1-2 choose the value's type, bit 4 plants a Run entry,
//     bit 5 is the NT authentication flag the fields start with;
//   flags bit 0 set: server, user, password, decimal separator; bit 1 the
//     NT authentication flag, bits 2-3 the program's folder; the clock from
//     the last bytes.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include "install/SetupRun.h"
#include "platform/Forms.h"
#include "startup/MMain.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/sim/Sim.h"

using namespace fuzz;

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bool RunEntryPresent() { return sim::RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, nullptr, nullptr); }

struct Value {
  bool bExists = false;
  DWORD dwType = 0;
  std::vector<unsigned char> data;
  bool operator==(const Value& o) const {
    return bExists == o.bExists && (!bExists || (dwType == o.dwType && data == o.data));
  }
};

Value Stored(const std::string& sName) {
  Value v;
  v.bExists = sim::RegGet(HKEY_LOCAL_MACHINE, kResumeKey, sName, &v.dwType, &v.data);
  return v;
}

RunMode Parse(InstallParameters& p) {
  return ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
}

// Hostile: whatever the command line and the stored value are, the run mode
// follows the switches, only the named value is consumed, and the fields come
// from that value alone.
void Hostile(FuzzedDataProvider& in, uint8_t flags) {
  const std::string sLine = in.ConsumeRandomLengthString(400);
  const std::string sName = in.ConsumeRandomLengthString(64);
  const std::string sPayload = in.ConsumeRemainingBytesAsString();
  static const DWORD kTypes[4] = {REG_BINARY, REG_BINARY, REG_SZ, REG_DWORD};
  const std::vector<unsigned char> data = (flags & 8) ? std::vector<unsigned char>(sPayload.begin(), sPayload.end())
                                                      : Utf16(ScrambleString(sPayload));
  sim::RegSet(HKEY_LOCAL_MACHINE, kResumeKey, sName, kTypes[(flags >> 1) & 3], data);
  sim::RegSet(HKEY_LOCAL_MACHINE, kResumeKey, "Other", REG_BINARY, {1, 0, 2, 0});
  if (flags & 16) sim::RegSetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, "C:\\SETUP\\TARNWICK.EXE /MSI");
  sim::SetCommandLine(sLine);

  const std::string sSearch = Lower(App::Command());
  const size_t at = sSearch.find("/config");
  std::string sWanted;   // the value name the line asks for
  if (at != std::string::npos && sSearch.size() > at + 8) {
    sWanted = sSearch.substr(at + 8);
    sWanted.erase(0, sWanted.find_first_not_of(' '));
    sWanted.erase(sWanted.find_last_not_of(' ') + 1);
  }
  const Value wanted = sWanted.empty() ? Value() : Stored(sWanted);
  const Value planted = Stored(sName), other = Stored("Other");

  const InstallParameters start{"\x01S", "\x01U", "\x01P", bool(flags & 32)};
  InstallParameters p = start;
  const RunMode mode = Parse(p);

  FUZZ_CHECK(!RunEntryPresent());
  FUZZ_CHECK(sim::MessageBoxes().size() == (mode == RunModeInvalid ? 1u : 0u));
  FUZZ_CHECK((mode == RunModeFull) == sSearch.empty());
  FUZZ_CHECK(sim::OpenKeys() == 0);
  if (!sWanted.empty()) FUZZ_CHECK(!Stored(sWanted).bExists);
  // Values the line does not name stay as they were.
  if (sWanted.empty() || Lower(sWanted) != Lower(sName)) FUZZ_CHECK(Stored(sName) == planted);
  if (sWanted.empty() || Lower(sWanted) != "other") FUZZ_CHECK(Stored("Other") == other);

  if (at == std::string::npos) {
    FUZZ_CHECK(p.sServerName == start.sServerName && p.sUserID == start.sUserID && p.sPassword == start.sPassword &&
               p.bNTAuthentication == start.bNTAuthentication);
    if (!sSearch.empty())
      FUZZ_CHECK(mode == (Has(sSearch, "/manualconfig") ? RunModeManualConfig
                          : Has(sSearch, "/msi")        ? RunModeMsi
                                                        : RunModeInvalid));
    return;
  }
  FUZZ_CHECK(mode == RunModeInvalid || mode == RunModeConfig || mode == RunModeMsi || mode == RunModeManualConfig);
  if (sWanted.empty()) FUZZ_CHECK(mode == RunModeInvalid);
  if (mode == RunModeInvalid) return;
  // Accepted: the value existed and its unscrambled text starts with the
  // three fields; the switches are then looked for in that text.
  FUZZ_CHECK(wanted.bExists);
  const std::string sText = ScrambleString(FromUtf16(wanted.data));
  const std::string sFields = p.sServerName + "|" + p.sUserID + "|" + p.sPassword + "|";
  FUZZ_CHECK(sText.compare(0, sFields.size(), sFields) == 0);
  FUZZ_CHECK(std::count(sFields.begin(), sFields.end(), '|') == 3);
  FUZZ_CHECK(mode == (Has(sText, "/manualconfig") ? RunModeManualConfig
                      : Has(sText, "/msi")        ? RunModeMsi
                                                  : RunModeConfig));
}

// The restart road: what the wizard writes before the reboot brings back
// exactly its settings, and leaves neither entry behind.
void RestartRoad(FuzzedDataProvider& in, uint8_t flags) {
  InstallParameters saved;
  saved.sServerName = in.ConsumeRandomLengthString(64);
  saved.sUserID = in.ConsumeRandomLengthString(64);
  saved.sPassword = in.ConsumeRandomLengthString(64);
  saved.bNTAuthentication = flags & 2;
  const std::string sDecimal = in.ConsumeRandomLengthString(3);
  sim::SetDecimalSeparator(sDecimal.c_str());
  SYSTEMTIME st{};
  st.wYear = in.ConsumeIntegralInRange<WORD>(1601, 9999);
  st.wMonth = in.ConsumeIntegralInRange<WORD>(1, 12);
  st.wDay = in.ConsumeIntegralInRange<WORD>(1, 28);
  st.wHour = in.ConsumeIntegralInRange<WORD>(0, 23);
  st.wMinute = in.ConsumeIntegralInRange<WORD>(0, 59);
  st.wSecond = in.ConsumeIntegralInRange<WORD>(0, 59);
  sim::SetLocalTime(st);
  switch ((flags >> 2) & 3) {
    case 1:
      sim::SetProgramPath("C:\\Program Files\\ZoMel CD\\Tarnwick.exe");
      sim::SetShortName("C:\\Program Files\\ZoMel CD", "C:\\PROGRA~1\\ZOMELC~1");
      break;
    case 2:   // no short form: the long path with its blanks goes in
      sim::SetProgramPath("C:\\Program Files\\ZoMel CD\\Tarnwick.exe");
      break;
    case 3:
      sim::SetProgramPath("D:\\Tarnwick.exe");
      break;
  }

  // As the setup run does: the data, then the entry that names it.
  const std::string sStamp = ResumeStamp();
  FUZZ_CHECK(SaveResumeData(sStamp, ConfigurationData(saved)) && AddResumeEntry("/Config", sStamp));
  FUZZ_CHECK(RunEntryPresent() && Stored(sStamp).bExists);

  // The next logon starts the Run entry's command.
  sim::SetCommandLine(App::CommandFrom(sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue)));
  InstallParameters p;
  const RunMode mode = Parse(p);
  FUZZ_CHECK(!RunEntryPresent() && !Stored(sStamp).bExists);
  FUZZ_CHECK(sim::OpenKeys() == 0);
  const std::string sData = ConfigurationData(saved);
  if (std::count(sData.begin(), sData.end(), '|') != 3 || Has(sData, "/msi") || Has(sData, "/manualconfig"))
    return;   // data the fields cannot carry, or that names a switch itself
  FUZZ_CHECK(mode == RunModeConfig);
  FUZZ_CHECK(p.sServerName == saved.sServerName && p.sUserID == saved.sUserID && p.sPassword == saved.sPassword &&
             p.bNTAuthentication == saved.bNTAuthentication);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  sim::Reset();
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  try {
    if (flags & 1)
      RestartRoad(in, flags);
    else
      Hostile(in, flags);
  } catch (const sim::ProcessExit&) {
    // The program ended itself: a legitimate outcome.
  }
  return 0;
}
