// The welcome, ready and server information pages, and the hand-off key
// with its scrambling.
#include "pages/frmGetServerInfo.h"
#include "pages/frmReadyToInstallMSDE.h"
#include "pages/frmWelcome.h"
#include "platform/Forms.h"
#include "settings/HandOff.h"
#include "tests/sim/Sim.h"
#include "tests/unit/table.h"

namespace {

void SetValue(HKEY root, const char* key, const char* name, DWORD type, const std::string& data) {
  HKEY k = nullptr;
  CHECK_EQ(api::RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0L);
  api::RegSetValueExA(k, name, 0, type, (const BYTE*)data.data(), (DWORD)data.size());
  api::RegCloseKey(k);
}

// The value's bytes, or "(none)".
std::string Bytes(HKEY root, const char* key, const char* name, DWORD* pType = nullptr) {
  HKEY k = nullptr;
  if (api::RegOpenKeyExA(root, key, 0, KEY_READ, &k) != 0) return "(none)";
  char buf[256];
  DWORD type = 0, size = sizeof buf;
  LONG rc = api::RegQueryValueExA(k, name, nullptr, &type, (BYTE*)buf, &size);
  api::RegCloseKey(k);
  if (pType) *pType = type;
  if (rc != 0) return "(none)";
  // A text may come back with a terminator the system added.
  if (type == REG_SZ && size > 0 && buf[size - 1] == 0) --size;
  return std::string(buf, size);
}

int ValueCount(HKEY root, const char* key) {
  int n = 0;
  for (const char* v : {"Server", "Database", "User", "Pwd", "NtAuth", "MSDE", "Other"})
    if (Bytes(root, key, v) != "(none)") ++n;
  return n;
}

}  // namespace

// ---------------------------------------------------------------- welcome

TEST(WelcomeRemovesTheRunOnceTextValueUnderMachineOnly) {
  sim::Reset();
  SetValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "ZoMel", REG_SZ, "C:\\old.exe");
  SetValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "Other", REG_SZ, "x");
  SetValue(HKEY_CURRENT_USER, kRunOnceKey, "ZoMel", REG_SZ, "C:\\old.exe");
  frmWelcome().hWnd();
  CHECK_EQ(Bytes(HKEY_LOCAL_MACHINE, kRunOnceKey, "ZoMel"), std::string("(none)"));
  CHECK(Bytes(HKEY_LOCAL_MACHINE, kRunOnceKey, "Other") != "(none)");
  CHECK(Bytes(HKEY_CURRENT_USER, kRunOnceKey, "ZoMel") != "(none)");
  // A value of another type stays.
  SetValue(HKEY_LOCAL_MACHINE, kRunOnceKey, "ZoMel", REG_DWORD, std::string("\1\0\0\0", 4));
  frmWelcome().hWnd();
  DWORD type = 0;
  CHECK(Bytes(HKEY_LOCAL_MACHINE, kRunOnceKey, "ZoMel", &type) != "(none)");
  CHECK_EQ(type, (DWORD)REG_DWORD);
}

TEST(WelcomeTextsAndResult) {
  sim::Reset();
  frmWelcome f;
  IPicture* pic = nullptr;
  WindowRect rect;
  std::string text;
  sim::SetUser([&]() {
    if (!f.Loaded()) return false;
    text = f.Text(frmWelcome::idLabel1);
    CHECK_EQ(f.Text(frmWelcome::idLabel0), std::string("Welcome!"));
    LOGFONTA lf{};
    CHECK(sim::GetFont((HFONT)api::SendMessageA(f.Control(frmWelcome::idLabel1), WM_GETFONT, 0, 0), lf));
    CHECK_EQ(std::string(lf.lfFaceName), std::string("Arial"));
    CHECK_EQ(lf.lfHeight, -12L);
    CHECK_EQ(lf.lfWeight, (LONG)FW_NORMAL);
    sim::Click(f.Control(NavId(1)));
    return true;
  });
  CHECK_EQ(f.DisplayDialog(pic, &rect), 1L);
  CHECK_EQ(text, std::string("This application allows you to install and configure a new MSDE SQL Server instance "
                             "for ZoMel application.\r\n\r\nIt is HIGHLY recommended that you close all other "
                             "applications, including any anti-virus applications that may be running in the "
                             "background, before you continue.\r\n\r\n\r\nClick \"Next\" to begin the installation "
                             "process."));
  // The welcome page makes the shared picture.
  CHECK(pic != nullptr);
  if (pic) pic->Release();
}

// ---------------------------------------------------------------- ready

TEST(ReadyTextsBackAndNext) {
  for (long want : {2L, 1L}) {
    sim::Reset();
    frmReadyToInstallMSDE f;
    IPicture* pic = nullptr;
    WindowRect rect;
    std::string warning, first, last;
    bool backEnabled = false;
    sim::SetUser([&]() {
      if (!f.Loaded()) return false;
      warning = f.Text(frmReadyToInstallMSDE::idLblWarning);
      first = f.Text(frmReadyToInstallMSDE::idLabel0);
      last = f.Text(frmReadyToInstallMSDE::idLabel1);
      backEnabled = f.Enabled(NavId(2));
      sim::Click(f.Control(NavId(want)));
      return true;
    });
    CHECK_EQ(f.DisplayDialog(pic, &rect), want);
    CHECK(pic == nullptr);   // the ready page makes no picture
    CHECK(backEnabled);
    CHECK_EQ(first, std::string("You are now ready to install the desktop version of Microsoft SQL Server."));
    CHECK_EQ(last, std::string("Click \"Next\" to continue with the installation."));
    CHECK_EQ(warning, std::string("Portions of the following Microsoft install application\r\nmay take A VERY LONG "
                                  "TIME\r\n\r\nto complete and, at times, it may appear as if the application has "
                                  "stalled.\r\n\r\nPlease be patient and do not attempt to terminate the process."));
  }
}

// ---------------------------------------------------------------- server information

TEST(ServerInfoSavesAndReturnsZeroWithoutShowing) {
  sim::Reset();
  std::string server = "Mine", user = "me", password = "secret";
  bool nt = true;
  IPicture* pic = nullptr;
  WindowRect rect;
  rect.Left = 7;
  {
    frmGetServerInfo f;
    sim::SetUser([] { return false; });   // would fail the test if a modal loop ran
    CHECK_EQ(f.DisplayDialog(pic, &rect, server, user, password, nt), 0L);
    CHECK(!api::IsWindowVisible(f.hWnd()));
    CHECK_EQ(Screen::MousePointer(), 11);   // left for the next page
  }
  CHECK_EQ(server, std::string("Mine"));
  CHECK_EQ(user, std::string("me"));
  CHECK_EQ(password, std::string("secret"));
  CHECK(nt);
  CHECK_EQ(rect.Left, 7);
  CHECK(pic == nullptr);
  CHECK_EQ(Bytes(HKEY_LOCAL_MACHINE, kHandOffKey, "User"), std::string("\xE6\xC2"));
  CHECK(sim::TopLevelWindows().empty());
  // A new page object saves again.
  frmGetServerInfo g;
  CHECK_EQ(g.DisplayDialog(pic, &rect, server, user, password, nt), 0L);
  CHECK_EQ(ValueCount(HKEY_LOCAL_MACHINE, kHandOffKey), 6);
}

TEST(HandOffKeyHoldsExactlyTheSixValues) {
  sim::Reset();
  SetValue(HKEY_LOCAL_MACHINE, kHandOffKey, "Other", REG_SZ, "kept");
  SetValue(HKEY_LOCAL_MACHINE, kHandOffKey, "User", REG_SZ, "old");
  SaveParameters(false);
  SaveParameters(false);
  struct { const char* name; std::string bytes; } want[] = {
      {"Server", "HOST"}, {"Database", "ZOMEL"},           {"User", "\xE6\xC2"}, {"Pwd", Encrypt("vormasi17")},
      {"NtAuth", "0"},    {"MSDE", "Yes"},                 {"Other", "kept"},
  };
  for (const auto& w : want) {
    DWORD type = 0;
    CHECK_ROW(w.name, Bytes(HKEY_LOCAL_MACHINE, kHandOffKey, w.name, &type), w.bytes);
    CHECK_ROW(w.name, type, (DWORD)REG_SZ);
  }
  CHECK_EQ(ValueCount(HKEY_LOCAL_MACHINE, kHandOffKey), 7);
  SaveParameters(true);
  CHECK_EQ(Bytes(HKEY_LOCAL_MACHINE, kHandOffKey, "NtAuth"), std::string("1"));
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(HandOffServerEmptyWithoutAComputerName) {
  sim::Reset();
  sim::SetComputerName(nullptr);
  SaveParameters(false);
  CHECK_EQ(Bytes(HKEY_LOCAL_MACHINE, kHandOffKey, "Server"), std::string(""));
}

TEST(EncryptDoublesDecryptHalves) {
  struct { const char* plain; const char* coded; } pairs[] = {{"abc", "\xC2\xC4\xC6"}, {"", ""}, {"sa", "\xE6\xC2"}};
  for (const auto& p : pairs) {
    CHECK_ROW(p.plain, Encrypt(p.plain), std::string(p.coded));
    CHECK_ROW(p.plain, Decrypt(p.coded), std::string(p.plain));
  }
  CHECK_EQ(Decrypt("\xC3"), std::string("a"));   // an odd code loses its lowest bit
  std::string all;
  for (int c = 0; c < 128; ++c) all += (char)c;
  std::string enc = Encrypt(all);
  bool even = true;
  for (unsigned char c : enc) even = even && (c % 2 == 0);
  CHECK(even);
  CHECK_EQ(Decrypt(enc), all);
}

TEST(EncryptRefusesCodesAbove127AndOverlongTexts) {
  struct { std::string text; long number; } cases[] = {
      {"\x80", 5}, {"ab\xFF", 5}, {"\xE9t\xE9", 5}, {std::string(32768, 'a'), 6}};
  for (const auto& c : cases) {
    long raised = 0;
    try {
      Encrypt(c.text);
    } catch (const RuntimeError& e) {
      raised = e.Number;
      if (e.Number == 5) CHECK_EQ(e.Description, std::string("Invalid procedure call or argument"));
    }
    CHECK_ROW(c.text.substr(0, 8), raised, c.number);
  }
  CHECK_EQ(Encrypt(std::string(32767, 'a')).size(), (size_t)32767);
}
