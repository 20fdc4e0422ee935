// The registry behaviour the wizard relies on, checked the same way on the
// simulated Windows (native build) and on Wine's real registry (built for
// Windows, run under wine64). Every test works below one scratch key that is
// removed before and after.
#include <cstring>
#include <string>
#include <vector>
#include "platform/Forms.h"
#include "settings/CRegistry.h"
#include "settings/MReg32.h"
#include "tests/check.h"
#ifndef _WIN32
#include "tests/sim/Sim.h"
#endif

namespace {

const char kScratch[] = "Software\\TarnwickContractTest";

std::string Sub(const std::string& s) { return std::string(kScratch) + "\\" + s; }

// Deletes a key with everything below it, using enumeration the way callers do.
void DeleteTree(HKEY hParent, const std::string& sName) {
  HKEY h = nullptr;
  if (api::RegOpenKeyExA(hParent, sName.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return;
  for (;;) {
    char name[256];
    DWORD cch = sizeof(name);
    if (api::RegEnumKeyExA(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(h, name);
  }
  api::RegCloseKey(h);
  api::RegDeleteKeyA(hParent, sName.c_str());
}

// A fresh scratch key; removed again by the destructor, which also proves
// on the simulation that every handle the test opened was closed.
struct Scratch {
  Scratch() {
#ifndef _WIN32
    sim::Reset();
#endif
    DeleteTree(HKEY_CURRENT_USER, kScratch);
  }
  ~Scratch() {
    DeleteTree(HKEY_CURRENT_USER, kScratch);
#ifndef _WIN32
    CHECK_EQ(sim::OpenKeys(), 0);
#endif
  }
};

HKEY Create(const std::string& sKey, REGSAM sam = KEY_ALL_ACCESS) {
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegCreateKeyExA(HKEY_CURRENT_USER, sKey.c_str(), 0, nullptr, 0, sam, nullptr, &h, nullptr)),
           0L);
  return h;
}

void SetRaw(const std::string& sKey, const char* sName, DWORD type, const void* data, DWORD size) {
  HKEY h = Create(sKey);
  CHECK_EQ(long(api::RegSetValueExA(h, sName, 0, type, static_cast<const BYTE*>(data), size)), 0L);
  api::RegCloseKey(h);
}

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

}  // namespace

// ------------------------------------------------------------ raw functions

TEST(MissingKeyAndValueAreFileNotFound) {
  Scratch s;
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegOpenKeyExA(HKEY_CURRENT_USER, Sub("Nope").c_str(), 0, KEY_QUERY_VALUE, &h)), 2L);
  h = Create(kScratch);
  DWORD type = 0, size = 0;
  CHECK_EQ(long(api::RegQueryValueExA(h, "nope", nullptr, &type, nullptr, &size)), 2L);
  CHECK_EQ(long(api::RegDeleteValueA(h, "nope")), 2L);
  api::RegCloseKey(h);
}

TEST(CreateReportsNewOrExistingAndCreatesThePath) {
  Scratch s;
  HKEY h = nullptr;
  DWORD disposition = 0;
  CHECK_EQ(long(api::RegCreateKeyExA(HKEY_CURRENT_USER, Sub("A\\B\\C").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &h, &disposition)),
           0L);
  CHECK_EQ(long(disposition), long(REG_CREATED_NEW_KEY));
  api::RegCloseKey(h);
  CHECK_EQ(long(api::RegCreateKeyExA(HKEY_CURRENT_USER, Sub("a\\b\\c").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &h, &disposition)),
           0L);
  CHECK_EQ(long(disposition), long(REG_OPENED_EXISTING_KEY));
  api::RegCloseKey(h);
  CHECK_EQ(long(api::RegOpenKeyExA(HKEY_CURRENT_USER, Sub("A\\b").c_str(), 0, KEY_READ, &h)), 0L);
  api::RegCloseKey(h);
}

TEST(QueryOnlyHandleCannotWrite) {
  Scratch s;
  api::RegCloseKey(Create(kScratch));
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_QUERY_VALUE, &h)), 0L);
  const char data[] = "x";
  CHECK_EQ(long(api::RegSetValueExA(h, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), 1)),
           long(ERROR_ACCESS_DENIED));
  CHECK_EQ(long(api::RegDeleteValueA(h, "v")), long(ERROR_ACCESS_DENIED));
  api::RegCloseKey(h);
  DWORD type = 0;
  HKEY hk = Create(kScratch);
  CHECK_EQ(long(api::RegQueryValueExA(hk, "v", nullptr, &type, nullptr, nullptr)), 2L);
  api::RegCloseKey(hk);
}

TEST(QueryReportsTypeSizeAndMoreData) {
  Scratch s;
  SetRaw(kScratch, "bin", REG_BINARY, "\x01\x02\x03\x04\x05", 5);
  SetRaw(kScratch, "exp", REG_EXPAND_SZ, "%TEMP%", 7);
  DWORD dw = 0x12345678;
  SetRaw(kScratch, "dw", REG_DWORD, &dw, 4);
  HKEY h = Create(kScratch);
  DWORD type = 0, size = 0;
  CHECK_EQ(long(api::RegQueryValueExA(h, "BIN", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_BINARY));
  CHECK_EQ(long(size), 5L);
  unsigned char shortBuf[3] = {9, 9, 9};
  size = 3;
  CHECK_EQ(long(api::RegQueryValueExA(h, "bin", nullptr, &type, shortBuf, &size)), long(ERROR_MORE_DATA));
  CHECK_EQ(long(size), 5L);
  CHECK_EQ(long(api::RegQueryValueExA(h, "exp", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_EXPAND_SZ));
  CHECK_EQ(long(size), 7L);
  unsigned char four[4] = {0, 0, 0, 0};
  size = 4;
  CHECK_EQ(long(api::RegQueryValueExA(h, "Dw", nullptr, &type, four, &size)), 0L);
  CHECK_EQ(long(type), long(REG_DWORD));
  CHECK_EQ(int(four[0]), 0x78);
  CHECK_EQ(int(four[3]), 0x12);
  api::RegCloseKey(h);
}

// Text written without terminator keeps its size; a read appends a zero only
// when the caller's buffer has room beyond the data.
TEST(TextWithoutTerminatorKeepsItsSize) {
  Scratch s;
  SetRaw(kScratch, "t", REG_SZ, "abcd", 3);   // the byte after the data is not zero
  HKEY h = Create(kScratch);
  DWORD type = 0, size = 0;
  CHECK_EQ(long(api::RegQueryValueExA(h, "t", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(size), 3L);
  char buf[8];
  std::memset(buf, 'X', sizeof(buf));
  size = 3;
  CHECK_EQ(long(api::RegQueryValueExA(h, "t", nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size)), 0L);
  CHECK_EQ(std::string(buf, 4), std::string("abcX"));
  std::memset(buf, 'X', sizeof(buf));
  size = sizeof(buf);
  CHECK_EQ(long(api::RegQueryValueExA(h, "t", nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size)), 0L);
  CHECK_EQ(long(size), 3L);
  CHECK_EQ(std::string(buf, 5), std::string("abc\0X", 5));
  api::RegCloseKey(h);
}

TEST(EmptyValuesHaveSizeZero) {
  Scratch s;
  SetRaw(kScratch, "sz", REG_SZ, "", 0);
  SetRaw(kScratch, "bin", REG_BINARY, "", 0);
  HKEY h = Create(kScratch);
  DWORD type = 0, size = 99;
  CHECK_EQ(long(api::RegQueryValueExA(h, "bin", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(size), 0L);
  CHECK_EQ(long(type), long(REG_BINARY));
  size = 99;
  CHECK_EQ(long(api::RegQueryValueExA(h, "sz", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_SZ));
  CHECK(size <= 1);
  api::RegCloseKey(h);
}

TEST(EnumerationIsAlphabeticalIgnoringCase) {
  Scratch s;
  // Letters and digits only: Windows orders by upper case, Wine by lower
  // case, so names with characters between "Z" and "a" would differ.
  const char* names[] = {"beta", "Alpha", "gamma", "Zeta", "123", "alpha2"};
  for (const char* n : names) api::RegCloseKey(Create(Sub(n)));
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &h)), 0L);
  std::vector<std::string> got;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD cch = sizeof(name);
    LONG r = api::RegEnumKeyExA(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    CHECK_EQ(long(r), 0L);
    if (r) break;
    CHECK_EQ(long(cch), long(std::strlen(name)));
    got.push_back(name);
  }
  CHECK_EQ(got, (std::vector<std::string>{"123", "Alpha", "alpha2", "beta", "gamma", "Zeta"}));
  char tiny[4];
  DWORD cch = sizeof(tiny);   // "Alpha" needs 6 with its terminator
  CHECK_EQ(long(api::RegEnumKeyExA(h, 1, tiny, &cch, nullptr, nullptr, nullptr, nullptr)), long(ERROR_MORE_DATA));
  cch = 5;                    // room for the characters but not the terminator
  CHECK_EQ(long(api::RegEnumKeyExA(h, 1, tiny, &cch, nullptr, nullptr, nullptr, nullptr)), long(ERROR_MORE_DATA));
  char exact[6];
  cch = 6;
  CHECK_EQ(long(api::RegEnumKeyExA(h, 1, exact, &cch, nullptr, nullptr, nullptr, nullptr)), 0L);
  CHECK_EQ(std::string(exact), std::string("Alpha"));
  CHECK_EQ(long(cch), 5L);
  cch = sizeof(exact);
  CHECK_EQ(long(api::RegEnumKeyExA(h, 6, exact, &cch, nullptr, nullptr, nullptr, nullptr)),
           long(ERROR_NO_MORE_ITEMS));
  api::RegCloseKey(h);
}

TEST(DeleteKeyOnlyWithoutSubkeys) {
  Scratch s;
  api::RegCloseKey(Create(Sub("P\\C")));
  HKEY h = Create(kScratch);
  CHECK(api::RegDeleteKeyA(h, "P") != ERROR_SUCCESS);
  CHECK_EQ(long(api::RegDeleteKeyA(h, "p\\c")), 0L);
  CHECK_EQ(long(api::RegDeleteKeyA(h, "P")), 0L);
  CHECK_EQ(long(api::RegDeleteKeyA(h, "P")), 2L);
  HKEY g = nullptr;
  CHECK_EQ(long(api::RegOpenKeyExA(h, "P", 0, KEY_READ, &g)), 2L);
  api::RegCloseKey(h);
}

TEST(OpenAndCreateWithoutExOpenWithFullAccess) {
  Scratch s;
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegOpenKeyA(HKEY_CURRENT_USER, Sub("Old").c_str(), &h)), 2L);
  CHECK_EQ(long(api::RegCreateKeyA(HKEY_CURRENT_USER, Sub("Old").c_str(), &h)), 0L);
  const char data[] = "v";
  CHECK_EQ(long(api::RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), 2)), 0L);
  api::RegCloseKey(h);
  CHECK_EQ(long(api::RegOpenKeyA(HKEY_CURRENT_USER, Sub("OLD").c_str(), &h)), 0L);
  CHECK_EQ(long(api::RegDeleteValueA(h, nullptr)), 0L);
  api::RegCloseKey(h);
}

// ------------------------------------------------------------ CRegistry

TEST(TextReadsUpToMaxStringSize) {
  Scratch s;
  std::string t511(511, 'a'), t512(512, 'b');
  SetRaw(kScratch, "t511", REG_SZ, t511.c_str(), 512);   // with terminator
  SetRaw(kScratch, "t512", REG_SZ, t512.c_str(), 513);
  CRegistry reg;
  CHECK_EQ(reg.ReadSetting(kScratch, "t511").text, t511);
  SettingValue v = reg.ReadSetting(kScratch, "t512", SettingValue("dflt"));
  CHECK_EQ(v.text, std::string("dflt"));
  CHECK(reg.ReadOnlyReadSetting(kScratch, "t512").IsEmpty());
  reg.MaxStringSize(513);
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "t512").text, t512);
}

TEST(TextEdgeValues) {
  Scratch s;
  SetRaw(kScratch, "nul", REG_SZ, "ab\0cd", 6);
  SetRaw(kScratch, "empty", REG_SZ, "", 0);
  CRegistry reg;
  CHECK(reg.WriteSetting(kScratch, "noterm", SettingValue("written")));
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "nul").text, std::string("ab"));
  SettingValue e = reg.ReadOnlyReadSetting(kScratch, "empty", SettingValue("dflt"));
  CHECK_EQ(int(e.kind), int(SettingValue::Text));
  CHECK_EQ(e.text, std::string());
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "noterm").text, std::string("written"));
  HKEY h = Create(kScratch);
  DWORD type = 0, size = 0;
  CHECK_EQ(long(api::RegQueryValueExA(h, "noterm", nullptr, &type, nullptr, &size)), 0L);
  // The size given leaves the zero out, but the system counts a zero that
  // follows the data in the caller's buffer.
  CHECK_EQ(long(size), 8L);
  api::RegCloseKey(h);
  CHECK_EQ(reg.ReadSetting(kScratch, "missing", SettingValue(7)).integer, 7);
  CHECK(reg.ReadSetting("Software\\TarnwickContractTest\\NoKey", "x").IsEmpty());
}

TEST(BinaryReadsGrowTheBuffer) {
  Scratch s;
  std::vector<unsigned char> big(2500), ten(10);
  for (size_t i = 0; i < big.size(); ++i) big[i] = (unsigned char)(i * 7);
  for (size_t i = 0; i < ten.size(); ++i) ten[i] = (unsigned char)(200 + i);
  SetRaw(kScratch, "big", REG_BINARY, big.data(), DWORD(big.size()));
  SetRaw(kScratch, "ten", REG_BINARY, ten.data(), DWORD(ten.size()));
  SetRaw(kScratch, "none", REG_BINARY, "", 0);
  CRegistry reg;
  CHECK_EQ(reg.ReadSetting(kScratch, "big", SettingValue(), REG_BINARY).bytes, big);
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "ten", SettingValue(), REG_BINARY).bytes, ten);
  SettingValue none = reg.ReadOnlyReadSetting(kScratch, "none", SettingValue("d"), REG_BINARY);
  CHECK_EQ(int(none.kind), int(SettingValue::Bytes));
  CHECK(none.bytes.empty());
}

TEST(TextAsBinaryIsUtf16WithoutTerminator) {
  Scratch s;
  CRegistry reg;
  CHECK(reg.WriteSetting(kScratch, "abc", SettingValue("abc"), REG_BINARY));
  std::vector<unsigned char> expected = {0x61, 0, 0x62, 0, 0x63, 0};
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "abc", SettingValue(), REG_BINARY).bytes, expected);
  HKEY h = Create(kScratch);
  DWORD type = 0, size = 0;
  CHECK_EQ(long(api::RegQueryValueExA(h, "abc", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_BINARY));
  CHECK_EQ(long(size), 6L);
  api::RegCloseKey(h);
  // Characters of the upper half of the code page become their UTF-16 codes.
  CHECK(reg.WriteSetting(kScratch, "euro", SettingValue("\x80\xe9"), REG_BINARY));
  expected = {0xAC, 0x20, 0xE9, 0x00};
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "euro", SettingValue(), REG_BINARY).bytes, expected);
  CHECK(reg.WriteSetting(kScratch, "bytes", SettingValue(Bytes("xyz")), REG_BINARY));
  CHECK_EQ(reg.ReadOnlyReadSetting(kScratch, "bytes", SettingValue(), REG_BINARY).bytes, Bytes("xyz"));
}

TEST(WriteCreatesKeysAndStoresTypes) {
  Scratch s;
  CRegistry reg;
  CHECK(reg.WriteSetting(Sub("New\\Deep"), "n", SettingValue(-5), REG_DWORD));
  CHECK(reg.WriteSetting(Sub("New\\Deep"), "t", SettingValue("42"), REG_DWORD));
  CHECK(reg.WriteSetting(Sub("New\\Deep"), "s", SettingValue("text")));
  CHECK(reg.WriteSetting(Sub("New\\Deep"), "x", SettingValue("%PATH%"), REG_EXPAND_SZ));
  CHECK_EQ(reg.ReadSetting(Sub("New\\Deep"), "n", SettingValue(), REG_DWORD).integer, -5);
  CHECK_EQ(reg.ReadSetting(Sub("New\\Deep"), "t", SettingValue(), REG_DWORD).integer, 42);
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegOpenKeyExA(HKEY_CURRENT_USER, Sub("New\\Deep").c_str(), 0, KEY_QUERY_VALUE, &h)), 0L);
  DWORD type = 0, size = 0;
  CHECK_EQ(long(api::RegQueryValueExA(h, "s", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_SZ));
  CHECK_EQ(long(api::RegQueryValueExA(h, "x", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_EXPAND_SZ));
  CHECK_EQ(long(api::RegQueryValueExA(h, "n", nullptr, &type, nullptr, &size)), 0L);
  CHECK_EQ(long(type), long(REG_DWORD));
  CHECK_EQ(long(size), 4L);
  api::RegCloseKey(h);
}

TEST(ConversionErrorStoresNothing) {
  Scratch s;
  CRegistry reg;
  bool threw = false;
  try {
    reg.WriteSetting(Sub("Conv"), "n", SettingValue("twelve"), REG_DWORD);
  } catch (const RuntimeError& e) {
    threw = true;
    CHECK_EQ(e.Number, 13L);
  }
  CHECK(threw);
  CHECK(reg.ReadSetting(Sub("Conv"), "n", SettingValue(), REG_DWORD).IsEmpty());
}

TEST(DeleteSettingResults) {
  Scratch s;
  CRegistry reg;
  CHECK(!reg.DeleteSetting(Sub("Missing"), "v"));
  CHECK(reg.WriteSetting(kScratch, "v", SettingValue("1")));
  CHECK(!reg.DeleteSetting(kScratch, "w"));
  CHECK(reg.DeleteSetting(kScratch, "V"));
  CHECK(!reg.DeleteSetting(kScratch, "v"));
}

TEST(MReg32TextValues) {
  Scratch s;
  SaveString(HKEY_CURRENT_USER, Sub("M"), "s", "hello");
  DWORD dw = 1;
  SetRaw(Sub("M"), "d", REG_DWORD, &dw, 4);
  CHECK(StringValueExists(HKEY_CURRENT_USER, Sub("M"), "s"));
  CHECK(!StringValueExists(HKEY_CURRENT_USER, Sub("M"), "d"));
  CHECK(!StringValueExists(HKEY_CURRENT_USER, Sub("M"), "missing"));
  CHECK(!StringValueExists(HKEY_CURRENT_USER, Sub("Nowhere"), "s"));
  CRegistry reg;
  CHECK_EQ(reg.ReadOnlyReadSetting(Sub("M"), "s").text, std::string("hello"));
  DeleteValue(HKEY_CURRENT_USER, Sub("M"), "S");
  DeleteValue(HKEY_CURRENT_USER, Sub("Nowhere"), "s");
  CHECK(!StringValueExists(HKEY_CURRENT_USER, Sub("M"), "s"));
}
