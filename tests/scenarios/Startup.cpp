// The command line, the resume data in the real registry, the hand-off key,
// and the choice of the instance package from the product codes installed.
#include <cstdio>
#include "install/InstanceFiles.h"
#include "settings/HandOff.h"
#include "settings/MReg32.h"
#include "tests/scenarios/Harness.h"
#include "util/MLog.h"
#include "util/Unattended.h"

namespace {
const char kInvalid[] =
    "Invalid command line paramiters.\r\n\r\nThe following are valid parameters:\r\n\r\n"
    "/Config <configuration data>\r\n\r\n/MSI\r\n\r\n/MANUALCONFIG";

std::string g_line;
LPSTR WINAPI CommandLine() { return &g_line[0]; }

const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
void PlantRunEntries() {
  RegPut(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, REG_SZ, std::string("C:\\SETUP\\TARNWICK.EXE /MSI") + '\0');
  RegPut(HKEY_LOCAL_MACHINE, kRunOnce, "!MSDE Instance Installer", REG_SZ, std::string("C:\\SETUP\\TARNWICK.EXE /MSI") + '\0');
  RegPut(HKEY_LOCAL_MACHINE, kRunKey, "Other", REG_SZ, std::string("other.exe") + '\0');
}

// A value long enough that the key wraps (past 85 characters), with codes the ANSI code page maps outside
// Latin-1, as UTF-16LE in hex: what every version of the wizard stores for it.
const char kLongData[] = "SALES2026|zouser|correct horse battery staple and a few more words to wrap the key ring|False";
const char kLongStored[] =
    "520045004B004F005E002200230024002F00600065004D0050005B004E005C004D005700580048004F00250020003200"
    "690024002000200026003D007B003C000000100013000F001F000900530005000D001D000F00EE00E000A800EA00E000"
    "F500B400F600BA00FB00C500D4002020C400C300DD00D7002220CF00D400CC00A500B700E700BE00A200F000A400A400"
    "B800AC00FF0013208D008D00CB0026201D208D00D700C6021D206C00620074004D006F007D006700720066006500";
std::string FromHex(const char* hex) {
  std::string s;
  for (; hex[0] && hex[1]; hex += 2) s += char(std::stoi(std::string(hex, 2), nullptr, 16));
  return s;
}

std::string Utf16(const std::string& s) { std::string out; for (char c : s) out += c, out += '\0'; return out; }

const char* const kCodes[16] = {
    "{E09B48B5-E141-427A-AB0C-D3605127224A}", "{689404D2-1C94-44B3-9203-BEC5594FDA7A}",
    "{EFB70B01-B1F3-4960-AB69-4A280084A60C}", "{C2736CA7-76E1-4D0C-B590-483A7FFD18DA}",
    "{FE7E950B-220A-4182-B5CA-19397244DCFD}", "{7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19}",
    "{F07E35BF-8B03-4777-9B5E-AE90E4FF0932}", "{C5B59406-E985-4187-84E8-68E2D9F89A47}",
    "{D7CE240C-0F3B-4C40-9278-C0B90E533652}", "{A519AE9C-7C79-4C5B-9127-8F46D648D5A4}",
    "{4541DA32-2108-43E9-9915-C71B9DE77048}", "{A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D}",
    "{9FCE5BBD-D85F-4905-8A0C-12A3A86C2434}", "{F4E46404-2578-4955-B748-547957F08AB1}",
    "{B7300824-E68F-45F1-BAC1-5F15636C346F}", "{CD59EA85-6CBF-4C08-BE59-6C628B3D8F54}",
};
const char kDefaultSetup[] = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
const char kInstances[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
}  // namespace

RunMode ParseLine(const std::string& line, std::string* settings) {
  g_line = line;
  seam::hook::GetCommandLineA = CommandLine;
  InstallParameters p{"srv", "usr", "pwd", true};
  RunMode mode = ParseCommandLine(p.sServerName, p.sUserID, p.sPassword, p.bNTAuthentication);
  seam::hook::GetCommandLineA = nullptr;
  *settings = ConfigurationData(p);
  return mode;
}

std::string ResumeBytes() {
  return Utf16(Bytes({0x5B, 0x6B, 0x4A, 0x4F, 0x41, 0x6C, 0x60, 0x77, 0x65, 0x6A, 0x70, 0x50, 0x48,
                      0x49, 0x58, 0x47, 0x00, 0x03, 0x4B, 0x7C, 0x5C, 0x2C, 0x30, 0x23, 0x35, 0x34}));
}

void StartupScenarios() {
  // Switches in any case; the last test wins; anything else is refused with
  // the list of switches. Every start removes the Run entry, and only it.
  const struct {
    const char* line;
    RunMode mode;
  } switches[] = {
      {"", RunModeFull}, {"/msi", RunModeMsi}, {"/Msi extra", RunModeMsi}, {"x/msiy", RunModeMsi},
      {"/ManualConfig", RunModeManualConfig}, {"/manualconfig /msi", RunModeManualConfig}, {"/x", RunModeInvalid},
      {"/ms i", RunModeInvalid}, {"/config", RunModeInvalid}, {"/config    ", RunModeInvalid},
      {"/config 99", RunModeInvalid},   // names no data
      {"/Quiet", RunModeFull}, {"/passive /MSI /norestart", RunModeMsi}, {"/quietly", RunModeInvalid},
      {"/quiet/msi", RunModeMsi}, {"/quiet /x", RunModeInvalid},
  };
  for (const auto& c : switches) {
    Clean();
    PlantRunEntries();
    const std::string what = std::string("command line \"") + c.line + "\"";
    std::string settings;
    Eq(what + ": mode", ParseLine(std::string("\"C:\\SET UP\\TARNWICK.EXE\"  ") + c.line, &settings), c.mode);
    Eq(what + ": settings", settings, "srv|usr|pwd|True");
    Eq(what + ": boxes", Boxes(), c.mode == RunModeInvalid ? "scenarios: " + std::string(kInvalid) + " [0]" : "");
    Check(!RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, nullptr) && !RegValues(HKEY_LOCAL_MACHINE, kRunOnce).size(), what + ": entries removed");
    Check(RegGet(HKEY_LOCAL_MACHINE, kRunKey, "Other", nullptr), what + ": other Run entries stay");
    CheckReleased(what);
  }

  // The deployment switches leave the line wherever they stand; what they
  // ask for, and the Run entry that carries them on.
  const char* const deployments[][3] = {
      {"/Config 46362.5 /quiet", "/Config 46362.5", " /quiet"},
      {"/QUIET  /msi /NoRestart", "/msi", " /quiet /norestart"},
      {"/passive /quiet", "", " /quiet"},
      {"/norestart /passive", "", " /passive /norestart"},
      {"/config 12 /msi", "/config 12 /msi", ""},
      {"/quiet/msi /passivex", "/quiet/msi /passivex", ""},
      {"/quiet\t/norestart", "", " /quiet /norestart"},   // a tab separates words as a blank does
      {"/config 5\t/quiet\t", "/config 5", " /quiet"},
  };
  for (const auto& d : deployments) {
    Clean();
    const std::string what = std::string("deployment switches in \"") + d[0] + "\"";
    Eq(what + ": the rest", WithoutDeploymentSwitches(d[0], &Unattended()), d[1]);
    AddResumeEntry("/Config", "5");
    std::string entry;
    RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, &entry);
    Eq(what + ": Run entry", entry, CopyEntry((std::string(" /Config 5") + d[2]).c_str()) + '\0');
  }
  Unattended() = Deployment();

  // The stored form of the resume data: scrambled, UTF-16LE, binary, with
  // the end protection "|x".
  Clean();
  Eq("scrambled abc", ScrambleString("abc"), "\x60\x66\x64");
  Check(SaveResumeData(kStamp, "ZoMEL|sa|vormasi17|False"), "resume data written");
  Eq("resume data written", Join(seam::S().writes), std::string(kStamp) + "|3|" + ResumeBytes());
  Clean();
  Check(SaveResumeData("7", kLongData), "long resume data written");
  Eq("long resume data written", Join(seam::S().writes), "7|3|" + FromHex(kLongStored));

  // /Config: the named data gives the settings and is deleted, other data
  // stays; hostile data gives no settings and the list of switches.
  const struct {
    const char* line;
    DWORD type;           // of the planted value "5"; 0: written by the wizard
    std::string data;     // what is planted
    RunMode mode;
    const char* settings;
  } configs[] = {
      {"/CONFIG 5", 0, "MYSRV|admin|Secret|True", RunModeConfig, "MYSRV|admin|Secret|True"},
      {"/config    5   ", 0, "a|b|c|1", RunModeConfig, "a|b|c|True"},
      {"/config 5", 0, "|||-1|rest", RunModeConfig, "|||True"},
      {"/config 5", 0, "a|b|c| 0.0 ", RunModeConfig, "a|b|c|False"},
      {"/config 5", 0, "a|b|c|1e", RunModeInvalid, "-"},
      {"/msi /config 5", 0, "a|b|c|False", RunModeConfig, "a|b|c|False"},
      {"/config 5 /QUIET /norestart", 0, "a|b|c|False", RunModeConfig, "a|b|c|False"},
      {"/config 5", 0, "a|b|c|True|/manualconfig", RunModeManualConfig, "a|b|c|True"},
      {"/config 5", 0, "a|b|c|maybe", RunModeInvalid, "-"},
      {"/config 5", REG_SZ, std::string("a|b|c|True") + '\0', RunModeInvalid, "-"},
      {"/config 5", REG_BINARY, "", RunModeInvalid, "-"},
      {"/config 5", REG_BINARY, Utf16("\x60\x78\x65\x74") + "\x01", RunModeInvalid, "-"},
      {"/config 5", REG_BINARY, Bytes({0xFF, 0xFE, 0x00, 0xD8, 0x41}), RunModeInvalid, "-"},
      {"/config 5", REG_BINARY, FromHex(kLongStored), RunModeConfig, "SALES2026|zouser|correct horse battery staple and a few more words to wrap the key ring|False"},
  };
  for (const auto& c : configs) {
    Clean();
    PlantRunEntries();
    c.type ? RegPut(HKEY_LOCAL_MACHINE, kResumeKey, "5", c.type, c.data) : (void)SaveResumeData("5", c.data);
    SaveResumeData("other", "o|p|q|False");
    const std::string what = std::string(c.line) + " with \"" + c.data + "\"";
    std::string settings;
    Eq(what + ": mode", ParseLine(std::string("TARNWICK.EXE ") + c.line, &settings), c.mode);
    // Refused data ends the program: the fields it may have filled are not used.
    if (c.mode != RunModeInvalid) Eq(what + ": settings", settings, c.settings);
    Eq(what + ": boxes", (long long)seam::S().boxes.size(), c.mode == RunModeInvalid ? 1 : 0);
    Check(!RegGet(HKEY_LOCAL_MACHINE, kResumeKey, "5", nullptr), what + ": the data is deleted");
    Check(RegGet(HKEY_LOCAL_MACHINE, kResumeKey, "other", nullptr), what + ": other data stays");
    Check(!RegGet(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, nullptr) && !RegValues(HKEY_LOCAL_MACHINE, kRunOnce).size(), what + ": entries removed");
    CheckReleased(what);
  }

  // The hand-off key: six text values, without a terminating zero; the user
  // and password doubled code by code.
  Clean();
  const char kHandOff[] = "SOFTWARE\\LumeDax\\ZoMel\\Install\\Temp\\Parameters";
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kHandOff);
  SaveParameters(false);
  Eq("hand-off values written", Join(seam::S().writes),
     "Server|1|HOST\nDatabase|1|ZOMEL\nUser|1|\xE6\xC2\nPwd|1|\xEC\xDE\xE4\xDA\xC2\xE6\xD2\x62\x6E\nNtAuth|1|0\nMSDE|1|Yes");
  Eq("hand-off values", (long long)RegValues(HKEY_LOCAL_MACHINE, kHandOff).size(), 6);
  seam::S().writes.clear();
  SaveParameters(true);
  Eq("hand-off NtAuth, Windows authentication", seam::S().writes.size() > 4 ? seam::S().writes[4] : "", "NtAuth|1|1");
  Check(StringValueExists(HKEY_LOCAL_MACHINE, kHandOff, "MSDE") && !StringValueExists(HKEY_LOCAL_MACHINE, kHandOff, "None") &&
            !StringValueExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\LumeDax\\None", "MSDE"), "text values found only where they are");
  CheckReleased("hand-off");
  long nRaised = 0;   // codes of 128 and more cannot be doubled into a byte
  try { Encrypt("\x7F\x80"); } catch (const RuntimeError& e) { nRaised = e.Number; }
  Eq("Encrypt of code 128 raises", nRaised, 5);

  // The log lies open to every user: settings typed after /Config stand in it as ****, a stamp as it is.
  const char* const lines[][2] = {
      {"/Config 46362.5", "/Config 46362.5"},
      {"/CONFIG   38475,51 ", "/CONFIG   38475,51 "},
      {"/msi", "/msi"},
      {"/Config ZoMEL|sa|Zq7pw|False", "/Config ****"},
      {"/msi /config Zq7pw", "/msi /config ****"},
      {"/config 12 /msi", "/config ****"},
      {"/config 1.2.3", "/config ****"},
      {"/configZq7pw", "/config ****"},
  };
  for (const auto& l : lines) Eq(std::string("logged command line ") + l[0], LoggedCommandLine(l[0]), l[1]);
  // Every password the run knows becomes ****, whatever the event; each
  // answer to a message is logged as given.
  Clean();
  LogSecret("Zq7pw");
  seam::S().answers = {IDCANCEL, 0, IDYES};
  for (const char* text : {"one", "two Zq7pw", "three"}) MsgBox(text, MB_YESNOCANCEL, kMsgBoxTitle);
  Log("Zq7pwZq7pw and Zq7p");
  // Unattended, each box is answered unseen as the run goes on; under
  // /norestart a restart question is answered No, even in a run with a user.
  Unattended() = Deployment{UiPassive, false};
  std::string answers = std::to_string(MsgBox("four", MB_YESNO, kMsgBoxTitle));
  answers += std::to_string(MsgBox("five", 64, kMsgBoxTitle));
  Unattended() = Deployment{UiFull, true};
  answers += std::to_string(MsgBox("six", MB_YESNO, kMsgBoxTitle, true));
  Unattended() = Deployment();
  Eq("unattended answers", answers + " " + std::to_string(seam::S().boxes.size()), "617 3");
  Eq("log: answers and passwords", LogText(),
     "Message shown: one | answer: Cancel\r\nMessage shown: two **** | answer: failed\r\n"
     "Message shown: three | answer: Yes\r\n******** and Zq7p\r\n"
     "Message answered unseen: four | answer: Yes\r\nMessage answered unseen: five | answer: OK\r\n"
     "Message answered unseen: six | answer: No\r\n");
}

void SelectionScenarios() {
  // Installed instances, the default one named "", each with its product
  // code: the lowest package whose code is not installed.
  typedef std::vector<std::pair<std::string, std::string>> Instances;
  Instances all, allButTenth;
  for (int i = 0; i < 16; ++i) {
    all.push_back({i ? "I" + std::to_string(i) : "", kCodes[i]});
    if (i != 9) allButTenth.push_back(all.back());
  }
  const struct {
    Instances installed;
    const char* package;
  } cases[] = {
      {{}, "SqlRun01.msi"},
      {{{"", kCodes[0]}}, "SqlRun02.msi"},
      {{{"", kCodes[1]}, {"SALES", kCodes[0]}}, "SqlRun03.msi"},
      {{{"SALES", "{e09b48b5-e141-427a-ab0c-d3605127224a}"}}, "SqlRun01.msi"},   // codes compare exactly
      {{{"SALES", kCodes[0]}, {"OTHER", ""}}, "SqlRun02.msi"},
      {allButTenth, "SqlRun10.msi"},
      {all, ""},
  };
  for (const auto& c : cases) {
    Clean();
    for (const auto& i : c.installed)
      RegPut(HKEY_LOCAL_MACHINE, i.first.empty() ? kDefaultSetup : std::string(kInstances) + "\\" + i.first + "\\Setup",
             "ProductCode", REG_SZ, i.second + '\0');
    Eq("package with " + std::to_string(c.installed.size()) + " instance(s)", GetAvailableInstanceFile(), c.package);
    CheckReleased("package selection");
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kInstances);
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kDefaultSetup);
  }
}
