// CRegistry and MReg32 beyond the contract suite: settings, type choice,
// conversions and handle hygiene on the simulated registry.
#include "platform/Forms.h"
#include "settings/CRegistry.h"
#include "settings/MReg32.h"
#include "tests/sim/Sim.h"
#include "tests/unit/table.h"

namespace {
const char kKey[] = "SOFTWARE\\Test";

long ErrorOf(const SettingValue& v, int32_t type) {
  CRegistry reg;
  try {
    reg.WriteSetting(kKey, "v", v, type);
  } catch (const RuntimeError& e) {
    return e.Number;
  }
  return 0;
}

}  // namespace

// Each setting in turn: a refused one leaves the one before.
TEST(KeyAndDefaultValueTypeAcceptOnlyTheirRange) {
  CRegistry reg;
  CHECK_EQ(reg.Key(), 0x80000001u);
  CHECK_EQ(reg.DefaultValueType(), 1);
  CHECK_EQ(reg.MaxStringSize(), 512);
  struct { uint32_t set, want; } keys[] = {{0x80000003u, 0x80000003u}, {0x80000004u, 0x80000003u},
                                           {0, 0x80000003u},           {0x7FFFFFFFu, 0x80000003u},
                                           {0x80000000u, 0x80000000u}};
  for (const auto& k : keys) {
    reg.Key(k.set);
    char row[16];
    std::snprintf(row, sizeof row, "%#x", unsigned(k.set));
    CHECK_ROW(row, reg.Key(), k.want);
  }
  struct { int32_t set, want; } types[] = {{3, 1}, {7, 1}, {4, 4}, {-2, -2}, {2, 2}};
  for (const auto& t : types) {
    reg.DefaultValueType(t.set);
    CHECK_ROW(std::to_string(t.set), reg.DefaultValueType(), t.want);
  }
}

TEST(UnusableDefaultTypeReadsEmptyAndWritesNothing) {
  sim::Reset();
  sim::RegSetString(HKEY_CURRENT_USER, kKey, "s", "text");
  CRegistry reg;
  reg.DefaultValueType(0);
  CHECK(reg.ReadSetting(kKey, "s", SettingValue("dflt")).IsEmpty());
  CHECK(reg.ReadOnlyReadSetting(kKey, "s", SettingValue("dflt"), 9).IsEmpty());
  CHECK(!reg.WriteSetting(kKey, "w", SettingValue("x")));
  CHECK(!sim::RegGet(HKEY_CURRENT_USER, kKey, "w", nullptr, nullptr));
  CHECK_EQ(reg.ReadSetting(kKey, "s", SettingValue(), REG_SZ).text, std::string("text"));
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(TypeChoiceFallsBackToDefaultType) {
  sim::Reset();
  CRegistry reg;
  reg.Key(0x80000002u);
  reg.DefaultValueType(REG_DWORD);
  CHECK(reg.WriteSetting(kKey, "n", SettingValue(" 12 ")));      // no type: the default
  CHECK(reg.WriteSetting(kKey, "m", SettingValue("13"), 9));     // out of range: the default
  DWORD type = 0;
  std::vector<unsigned char> data;
  CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, kKey, "n", &type, &data));
  CHECK_EQ(long(type), long(REG_DWORD));
  CHECK_EQ(data, (std::vector<unsigned char>{12, 0, 0, 0}));
  CHECK_EQ(reg.ReadSetting(kKey, "m").integer, 13);
  CHECK(!sim::RegKeyExists(HKEY_CURRENT_USER, kKey));   // written under the chosen root only
}

// The stored type is not compared with the one asked for: the bytes are
// taken as the chosen type.
TEST(ReadsTakeStoredBytesAsTheChosenType) {
  sim::Reset();
  sim::RegSetString(HKEY_CURRENT_USER, kKey, "s", "AB");
  sim::RegSetDword(HKEY_CURRENT_USER, kKey, "d", 0x00434241);
  sim::RegSet(HKEY_CURRENT_USER, kKey, "short", REG_BINARY, {0xFF, 0xFF});
  sim::RegSet(HKEY_CURRENT_USER, kKey, "long", REG_BINARY, {1, 2, 3, 4, 5});
  CRegistry reg;
  CHECK_EQ(reg.ReadSetting(kKey, "d").text, std::string("ABC"));
  CHECK_EQ(reg.ReadSetting(kKey, "s", SettingValue(), REG_BINARY).bytes,
           (std::vector<unsigned char>{'A', 'B', 0}));
  CHECK_EQ(reg.ReadSetting(kKey, "short", SettingValue(), REG_DWORD).integer, 0xFFFF);
  CHECK_EQ(reg.ReadSetting(kKey, "long", SettingValue(-1), REG_DWORD).integer, -1);   // too big: the default
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(IntegerConversionOfWrites) {
  sim::Reset();
  struct { SettingValue v; int32_t stored; long error; } cases[] = {
      {SettingValue("2.5"), 2, 0},   {SettingValue("3.5"), 4, 0},   {SettingValue("2.51"), 3, 0},
      {SettingValue("-7.4"), -7, 0}, {SettingValue(" +9 "), 9, 0},  {SettingValue(), 0, 0},
      {SettingValue("-2147483648"), int32_t(-2147483647 - 1), 0},
      {SettingValue(""), 0, 13},     {SettingValue("1x"), 0, 13},   {SettingValue("-"), 0, 13},
      {SettingValue(std::vector<unsigned char>{1}), 0, 13},
      {SettingValue("2147483648"), 0, 6},   {SettingValue("99999999999999999999"), 0, 6},
  };
  for (const auto& c : cases) {
    std::string row = c.v.AsText();
    CHECK_ROW(row, ErrorOf(c.v, REG_DWORD), c.error);
    if (!c.error) CHECK_ROW(row, CRegistry().ReadSetting(kKey, "v", SettingValue(), REG_DWORD).integer, c.stored);
  }
  CHECK_EQ(ErrorOf(SettingValue(5), REG_BINARY), 13L);
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(TextConversionOfWrites) {
  sim::Reset();
  CRegistry reg;
  CHECK(reg.WriteSetting(kKey, "n", SettingValue(-42)));
  CHECK_EQ(sim::RegGetString(HKEY_CURRENT_USER, kKey, "n"), std::string("-42"));
  CHECK(reg.WriteSetting(kKey, "e", SettingValue()));
  SettingValue e = reg.ReadSetting(kKey, "e", SettingValue("dflt"));
  CHECK_EQ(int(e.kind), int(SettingValue::Text));
  CHECK_EQ(e.text, std::string());
  CHECK_EQ(SettingValue(std::vector<unsigned char>{'h', 'i'}).AsText(), std::string("hi"));
  CHECK_EQ(SettingValue().AsText(), std::string());
}

// A byte sequence is stored whole (not one byte short); text as its UTF-16
// bytes without terminator.
TEST(BinaryWritesKeepEveryByte) {
  sim::Reset();
  CRegistry reg;
  std::vector<unsigned char> data = {9, 8, 7, 6};
  CHECK(reg.WriteSetting(kKey, "b", SettingValue(data), REG_BINARY));
  std::vector<unsigned char> stored;
  CHECK(sim::RegGet(HKEY_CURRENT_USER, kKey, "b", nullptr, &stored));
  CHECK_EQ(stored, data);
  CHECK(reg.WriteSetting(kKey, "t", SettingValue(""), REG_BINARY));
  CHECK(sim::RegGet(HKEY_CURRENT_USER, kKey, "t", nullptr, &stored));
  CHECK(stored.empty());
}

TEST(EveryCallClosesItsKey) {
  sim::Reset();
  CRegistry reg;
  reg.WriteSetting("A\\B", "v", SettingValue("x"));
  reg.ReadSetting("A\\B", "v");
  reg.ReadOnlyReadSetting("A\\B", "missing", SettingValue(), REG_BINARY);
  reg.ReadOnlyReadSetting("A\\Nope", "v");
  reg.DeleteSetting("A\\B", "v");
  reg.DeleteSetting("A\\B", "v");
  SaveString(HKEY_LOCAL_MACHINE, "A\\C", "v", "x");
  StringValueExists(HKEY_LOCAL_MACHINE, "A\\C", "v");
  DeleteValue(HKEY_LOCAL_MACHINE, "A\\C", "v");
  DeleteValue(HKEY_LOCAL_MACHINE, "A\\Nope", "v");
  CHECK_EQ(sim::OpenKeys(), 0);
}

// With an empty sub-key the caller's own handle is used and must stay open.
TEST(MReg32KeepsTheCallersHandle) {
  sim::Reset();
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr)),
           0L);
  SaveString(h, "", "v", "text");
  CHECK(StringValueExists(h, "", "v"));
  DeleteValue(h, "", "v");
  CHECK(!StringValueExists(h, "", "v"));
  CHECK_EQ(sim::OpenKeys(), 1);
  CHECK_EQ(long(api::RegCloseKey(h)), 0L);
}

TEST(SaveStringStoresTextOfItsOwnLength) {
  sim::Reset();
  SaveString(HKEY_LOCAL_MACHINE, kKey, "v", "abc");
  DWORD type = 0;
  std::vector<unsigned char> data;
  CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, kKey, "v", &type, &data));
  CHECK_EQ(long(type), long(REG_SZ));
  CHECK_EQ(std::string(data.begin(), data.end()).substr(0, 3), std::string("abc"));
  CHECK(StringValueExists(HKEY_LOCAL_MACHINE, kKey, "V"));
  sim::RegSetDword(HKEY_LOCAL_MACHINE, kKey, "d", 1);
  CHECK(!StringValueExists(HKEY_LOCAL_MACHINE, kKey, "d"));
  sim::RegSet(HKEY_LOCAL_MACHINE, kKey, "x", REG_EXPAND_SZ, {'a', 0});
  CHECK(!StringValueExists(HKEY_LOCAL_MACHINE, kKey, "x"));
}

TEST(NegativeMaxStringSizeReadsNothingSafely) {
  sim::Reset();
  sim::RegSetString(HKEY_CURRENT_USER, kKey, "s", "text");
  sim::RegSet(HKEY_CURRENT_USER, kKey, "e", REG_SZ, {});
  CRegistry reg;
  reg.MaxStringSize(-1);
  CHECK_EQ(reg.ReadSetting(kKey, "s", SettingValue("dflt")).text, std::string("dflt"));
  CHECK_EQ(reg.ReadSetting(kKey, "e", SettingValue("dflt")).text, std::string());
}
