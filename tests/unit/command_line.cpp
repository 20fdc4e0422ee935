// The command line, the configuration data, the resume entries with their
// scrambling, and the Windows Installer version test.
#include <string>
#include <vector>
#include "settings/CRegistry.h"
#include "startup/MMain.h"
#include "tests/resume_text.h"
#include "tests/sim/Sim.h"
#include "tests/unit/table.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "MSDE Instance Installer";
const char kResumeKey[] = "SOFTWARE\\LumeDax";
const char kInvalidText[] =
    "Invalid command line paramiters.\r\n\r\nThe following are valid parameters:\r\n\r\n"
    "/Config <configuration data>\r\n\r\n/MSI\r\n\r\n/MANUALCONFIG";

struct Parsed {
  RunMode mode;
  InstallParameters p;
};

Parsed Parse(const std::string& sArguments, const InstallParameters& start = InstallParameters()) {
  sim::SetCommandLine(sArguments);
  Parsed r{RunModeInvalid, start};
  r.mode = ParseCommandLine(r.p.sServerName, r.p.sUserID, r.p.sPassword, r.p.bNTAuthentication);
  return r;
}

// A fresh machine with the wizard's Run entry present.
void Fresh() {
  sim::Reset();
  sim::RegSetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, "C:\\SETUP\\TARNWICK.EXE /MSI");
  sim::RegSetString(HKEY_LOCAL_MACHINE, kRunKey, "Other", "other.exe");
}

bool RunEntryPresent() { return sim::RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, nullptr, nullptr); }

bool InvalidMessageShown() {
  const auto& boxes = sim::MessageBoxes();
  return boxes.size() == 1 && boxes[0].sText == kInvalidText && boxes[0].sCaption == "Tarnwick" &&
         boxes[0].uType == 0;
}

// Resume data as a writer without the end protection stores it: scrambled
// text, UTF-16LE bytes.
void PlantResumeData(const std::string& sName, const std::string& sData) {
  sim::RegSet(HKEY_LOCAL_MACHINE, kResumeKey, sName, REG_BINARY, Utf16(ScrambleString(sData)));
}

// What the reader makes of a stored value: the bytes as text, unscrambled.
std::string ReadBack(const std::string& sName) {
  std::vector<unsigned char> stored;
  if (!sim::RegGet(HKEY_LOCAL_MACHINE, kResumeKey, sName, nullptr, &stored)) return "<missing>";
  return ScrambleString(FromUtf16(stored));
}

unsigned char KeyAt(size_t nPosition) { return (unsigned char)(1 + 3 * (nPosition - 1) % 254); }

}  // namespace

// ------------------------------------------------------------ switches

TEST(SwitchesMatchInAnyCaseAndTheLastTestWins) {
  struct { const char* line; RunMode mode; } cases[] = {
      {"", RunModeFull},
      {"/msi", RunModeMsi},
      {"/MSI", RunModeMsi},
      {"/Msi extra", RunModeMsi},
      {"/ManualConfig", RunModeManualConfig},
      {"/msi /manualconfig", RunModeManualConfig},
      {"/manualconfig /msi", RunModeManualConfig},
      {"x/msiy", RunModeMsi},
  };
  for (const auto& c : cases) {
    Fresh();
    CHECK_ROW(c.line, long(Parse(c.line).mode), long(c.mode));
    CHECK_ROW(c.line, sim::MessageBoxes().size(), size_t(0));
    CHECK_ROW(c.line, RunEntryPresent(), false);
    CHECK_ROW(c.line, sim::RegGet(HKEY_LOCAL_MACHINE, kRunKey, "Other", nullptr, nullptr), true);
    CHECK_ROW(c.line, sim::OpenKeys(), 0);
  }
}

TEST(UnknownSwitchOrUnusableConfigShowsTheListAndRemovesTheRunEntry) {
  // A planted value "5" holds the data; "/config 99" names a missing one.
  struct { const char* line; const char* data; } cases[] = {
      {"/x", nullptr},          {"/install", nullptr},   {"config", nullptr},
      {"/ms i", nullptr},       {"/config", nullptr},    {"/config ", nullptr},
      {"/config    ", nullptr}, {"/config 99", nullptr},
      // Too few fields, or a fourth field that is no truth value: the data
      // is deleted all the same.
      {"/config 5", "a|b|c"},   {"/config 5", ""},       {"/config 5", "a|b|c|maybe"},
      {"/config 5", "a|b|c|"},
  };
  for (const auto& c : cases) {
    Fresh();
    if (c.data) PlantResumeData("5", c.data);
    std::string row = std::string(c.line) + " / " + (c.data ? c.data : "-");
    Parsed r = Parse(c.line, InstallParameters{"srv", "usr", "pwd", true});
    CHECK_ROW(row, long(r.mode), long(RunModeInvalid));
    CHECK_ROW(row, InvalidMessageShown(), true);
    CHECK_ROW(row, RunEntryPresent(), false);
    if (c.data)
      CHECK_ROW(row, ReadBack("5"), std::string("<missing>"));
    else
      CHECK_ROW(row, ConfigurationData(r.p), std::string("srv|usr|pwd|True"));
  }
}

// ------------------------------------------------------------ /config

TEST(ConfigReadsDeletesAndFillsTheFields) {
  struct {
    const char* sName;   // the planted value
    const char* sData;
    const char* sLine;
    RunMode mode;
    const char* sFields;   // the fields as configuration data afterwards
  } cases[] = {
      {"38475.51", "MYSRV|admin|Secret|True", "/CONFIG 38475.51", RunModeConfig, "MYSRV|admin|Secret|True"},
      // No blank: the first character of the name is lost.
      {"123", "a|b|c|False", "/configX123", RunModeConfig, "a|b|c|False"},
      // Everything up to the end of the line is the name...
      {"12 /msi", "a|b|c|False", "/config 12 /msi", RunModeConfig, "a|b|c|False"},
      {"1 /manualconfig", "a|b|c|True", "/config 1 /manualconfig", RunModeConfig, "a|b|c|True"},
      // ...but for blanks around it.
      {"7", "a|b|c|1", "/config    7   ", RunModeConfig, "a|b|c|True"},
      {"1", "a|b|c|True", "/msi /config 1", RunModeConfig, "a|b|c|True"},
      // The data replaces the text the other switches are looked for in.
      {"2", "a|b|c|True|/manualconfig", "/config 2", RunModeManualConfig, "a|b|c|True"},
      {"3", "srv/msi|b|c|True", "/config 3", RunModeMsi, "srv/msi|b|c|True"},
  };
  for (const auto& c : cases) {
    Fresh();
    PlantResumeData(c.sName, c.sData);
    PlantResumeData("other", "a|b|c|False");
    Parsed r = Parse(c.sLine);
    CHECK_ROW(c.sLine, long(r.mode), long(c.mode));
    CHECK_ROW(c.sLine, ConfigurationData(r.p), std::string(c.sFields));
    CHECK_ROW(c.sLine, sim::MessageBoxes().size(), size_t(0));
    CHECK_ROW(c.sLine, ReadBack(c.sName), std::string("<missing>"));
    CHECK_ROW(c.sLine, ReadBack("other"), std::string("a|b|c|False"));
    CHECK_ROW(c.sLine, RunEntryPresent(), false);
    CHECK_ROW(c.sLine, sim::OpenKeys(), 0);
  }
}

// ------------------------------------------------------------ configuration data

TEST(SplitConfigurationDataCases) {
  // The fields start as "old"; those assigned before a failure stay assigned.
  struct { const char* data; bool ntBefore; bool ok; const char* fields; bool nt; } cases[] = {
      {"a|b|c|True", false, true, "abc", true},
      {"a|b|c", true, false, "abc", true},
      {"x|y|z|False|rest|more", true, true, "xyz", false},
      {"|||0", true, true, "", false},
      {"", true, false, "oldoldold", true},
      {"a|b|c|yes", true, false, "abc", true},
  };
  for (const auto& c : cases) {
    std::string s = "old", u = "old", p = "old";
    bool nt = c.ntBefore;
    CHECK_ROW(c.data, SplitConfigurationData(c.data, s, u, p, nt), c.ok);
    CHECK_ROW(c.data, s + u + p, std::string(c.fields));
    CHECK_ROW(c.data, nt, c.nt);
  }
}

TEST(TruthWordsAndNumbers) {
  struct { const char* field; bool ok; bool value; } cases[] = {
      {"TRUE", true, true},  {"false", true, false}, {"tRuE", true, true},  {"-1", true, true},
      {"0", true, false},    {"0.0", true, false},   {"+0", true, false},   {"2.5", true, true},
      {".5", true, true},    {" 1 ", true, true},    {"000", true, false},  {"", false, false},
      {"1e", false, false},  {"--1", false, false},  {".", false, false},   {"Truth", false, false},
      {"1.2.3", false, false},
  };
  for (const auto& c : cases) {
    std::string s, u, p;
    bool nt = !c.value;
    CHECK_ROW(c.field, SplitConfigurationData(std::string("s|u|p|") + c.field, s, u, p, nt), c.ok);
    CHECK_ROW(c.field, nt, c.ok ? c.value : !c.value);   // a failure leaves it as it was
  }
}

TEST(ConfigurationDataJoinsTheFields) {
  CHECK_EQ(ConfigurationData(InstallParameters{"ZoMEL", "sa", "vormasi17", false}),
           std::string("ZoMEL|sa|vormasi17|False"));
  CHECK_EQ(ConfigurationData(InstallParameters{"", "", "", true}), std::string("|||True"));
}

// ------------------------------------------------------------ scrambling

TEST(ScrambleStringExamples) {
  CHECK_EQ(ScrambleString("abc"), std::string("\x60\x66\x64"));
  CHECK_EQ(ScrambleString("\x60\x66\x64"), std::string("abc"));
  CHECK_EQ(ScrambleString(""), std::string());
  CHECK_EQ(ScrambleString(ScrambleString("ab ")), std::string("ab\xff"));
  // The 52nd key is 154 and 101 ("e") XOR 154 is 255: the plain algorithm
  // cannot carry such a text.
  for (size_t n : {52u, 306u, 560u}) {
    std::string t(n - 1, 'x');
    t += 'e';
    CHECK(ScrambleString(ScrambleString(t)) != t);
  }
}

// ------------------------------------------------------------ resume data

// Whatever the length and the last character, stored data comes back with
// every character, followed only by fields the reader ignores.
TEST(ResumeDataSurvivesEveryLength) {
  sim::Reset();
  for (size_t n = 1; n <= 600; ++n) {
    std::string pattern;
    for (size_t i = 0; i + 1 < n; ++i) pattern += char(i % 3 ? 'a' + i % 26 : 0xC0 + i % 60);
    const char lasts[] = {'e', char(255 ^ KeyAt(n)), ' ', char(255)};
    for (char last : lasts) {
      std::string data = pattern + last;
      SaveResumeData("stamp", data);
      std::string back = ReadBack("stamp");
      bool ok = back.size() == data.size() + 2 && back.compare(0, data.size(), data) == 0 &&
                back[data.size()] == '|';
      CHECK(ok);
      if (!ok) {
        std::printf("    length %zu, last code %d\n", n, int((unsigned char)last));
        return;
      }
    }
  }
}

TEST(ResumeDataIsBinaryUnderLumeDax) {
  sim::Reset();
  SaveResumeData("46362.5", "a|b|c|True");
  DWORD type = 0;
  std::vector<unsigned char> stored;
  CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, kResumeKey, "46362.5", &type, &stored));
  CHECK_EQ(long(type), long(REG_BINARY));
  CHECK_EQ(stored.size(), size_t(2 * std::string("a|b|c|True|x").size()));
  CHECK_EQ(int(stored[0]), int('a' ^ 1));
  CHECK_EQ(int(stored[1]), 0);
  DeleteResumeData("46362.5");
  CHECK(!sim::RegGet(HKEY_LOCAL_MACHINE, kResumeKey, "46362.5", nullptr, nullptr));
  DeleteResumeData("46362.5");   // missing: no error
  RemoveResumeEntry();
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(ResumeEntryNamesTheShortProgramPath) {
  sim::Reset();
  sim::SetShortName("C:\\Program Files\\ZoMel Setup", "C:\\PROGRA~1\\ZOMELS~1");
  struct { const char* sProgram; const char* sSwitch; const char* sData; const char* sEntry; } cases[] = {
      {"C:\\Program Files\\ZoMel Setup\\Tarnwick.exe", "/Config", "46362.5",
       "C:\\PROGRA~1\\ZOMELS~1\\Tarnwick.exe /Config 46362.5"},
      {"C:\\Program Files\\ZoMel Setup\\Tarnwick.exe", "/MSI", "", "C:\\PROGRA~1\\ZOMELS~1\\Tarnwick.exe /MSI"},
      {"C:\\Program Files\\ZoMel Setup\\Tarnwick.exe", "", "", "C:\\PROGRA~1\\ZOMELS~1\\Tarnwick.exe"},
      {"C:\\Tarnwick.exe", "/MSI", "", "C:\\Tarnwick.exe /MSI"},
  };
  for (const auto& c : cases) {
    sim::SetProgramPath(c.sProgram);
    AddResumeEntry(c.sSwitch, c.sData);
    DWORD type = 0;
    CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &type, nullptr));
    CHECK_ROW(c.sEntry, long(type), long(REG_SZ));
    CHECK_ROW(c.sEntry, sim::RegGetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue), std::string(c.sEntry));
  }
  RemoveResumeEntry();
  CHECK(!RunEntryPresent());
  CHECK_EQ(sim::OpenKeys(), 0);
}

// ------------------------------------------------------------ Windows Installer version

namespace {
struct VersionInfo { DWORD cbSize, dwMajor, dwMinor, dwBuild, dwPlatform; };
VersionInfo g_version;
HRESULT g_result;
DWORD g_cbSeen;

HRESULT CALLBACK FakeDllGetVersion(VersionInfo* p) {
  g_cbSeen = p->cbSize;
  if (g_result == 0) {
    p->dwMajor = g_version.dwMajor;
    p->dwMinor = g_version.dwMinor;
    p->dwBuild = g_version.dwBuild;
  }
  return g_result;
}

bool NeedsUpdate(DWORD major, DWORD minor, DWORD build, HRESULT result = 0) {
  sim::Reset();
  sim::AddLibrary("msi.dll", {{"DllGetVersion", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeDllGetVersion))}});
  g_version = VersionInfo{0, major, minor, build, 1};
  g_result = result;
  g_cbSeen = 0;
  bool r = MsiRuntimeNeedsUpdate();
  CHECK_EQ(long(g_cbSeen), 20L);
  CHECK_EQ(sim::LoadedLibraries(), 0);
  return r;
}
}  // namespace

TEST(MsiRuntimeVersions) {
  struct { DWORD major, minor, build; HRESULT result; bool old; } cases[] = {
      {1, 0, 1000, 0, true},     {1, 1, 1029, 0, true},  {2, 0, 1000, 0, true},   {0, 99, 9999, 0, true},
      {1, 9, 9999, 0, true},     {3, 0, 3790, E_FAIL, true},
      {0xFFFFFFFF, 0, 5000, 0, true},   // compared as signed: -1
      {1, 10, 1029, 0, false},   {1, 11, 2405, 0, false}, {2, 0, 2600, 0, false}, {4, 5, 6001, 0, false},
  };
  for (const auto& c : cases) {
    std::string row = std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.build);
    CHECK_ROW(row, NeedsUpdate(c.major, c.minor, c.build, c.result), c.old);
  }
}

TEST(MsiRuntimeWithoutTheLibraryOrExport) {
  sim::Reset();
  CHECK(MsiRuntimeNeedsUpdate());
  sim::AddLibrary("msi.dll", {});
  CHECK(MsiRuntimeNeedsUpdate());
  CHECK_EQ(sim::LoadedLibraries(), 0);
}
