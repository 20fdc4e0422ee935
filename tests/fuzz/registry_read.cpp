// CRegistry reads and StringValueExists on hostile values: every type, sizes
// around the buffers' limits, text without terminator or with NULs inside,
// another type than the one asked for, and a value replaced or deleted, or
// its key deleted, between the queries of one read. Each result must be what
// the read rules make of the value as its last query found it.
// Input: the choices from the last bytes, the values' data from the first.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include "settings/CRegistry.h"
#include "settings/MReg32.h"
#include "tests/fuzz/Stub.h"

namespace {
const char kKey[] = "SOFTWARE\\Fuzz";
const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ};

std::vector<unsigned char> Data(FuzzedDataProvider& in) {
  static const size_t kSizes[] = {0, 1, 3, 4, 5, 511, 512, 513, 999, 1000, 1001, 2500};
  const uint8_t sel = in.ConsumeIntegral<uint8_t>();
  if (sel < 128) return in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<size_t>(0, 3000));
  std::vector<unsigned char> v(kSizes[sel % 12], in.ConsumeIntegral<uint8_t>());
  if (!v.empty() && in.ConsumeBool()) v[in.ConsumeIntegralInRange<size_t>(0, v.size() - 1)] = 0;
  return v;
}

bool Equal(const SettingValue& a, const SettingValue& b) {
  return a.kind == b.kind && a.text == b.text && a.integer == b.integer && a.bytes == b.bytes;
}

// The read rules: no key gives the default; a type other than 1 to 4 gives
// nothing; a missing value the default; bytes as they are; a number from at
// most four bytes, little-endian; text up to its first NUL when it fits the
// maximum size, else the default.
bool Follows(const SettingValue& got, bool key, bool exists, const stub::Value& v, int32_t type, int32_t max,
             const SettingValue& dflt) {
  if (!key) return Equal(got, dflt);
  if (type < REG_SZ || type > REG_DWORD) return got.kind == SettingValue::Empty;
  if (!exists) return Equal(got, dflt);
  if (type == REG_BINARY) return Equal(got, SettingValue(v.data));
  if (type == REG_DWORD) {
    if (v.data.size() > 4) return Equal(got, dflt);
    uint32_t n = 0;
    for (size_t i = 0; i < v.data.size(); ++i) n |= uint32_t(v.data[i]) << (8 * i);
    return Equal(got, SettingValue(int32_t(n)));
  }
  if (v.data.size() > size_t(std::max(max, 0))) return Equal(got, dflt);
  const std::string s(v.data.begin(), v.data.end());
  return Equal(got, SettingValue(s.substr(0, s.find('\0'))));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  stub::Reset();
  const uint8_t presence = in.ConsumeIntegralInRange<uint8_t>(0, 3);   // 0: no key, 1: no value
  if (presence == 1) stub::Set(HKEY_CURRENT_USER, kKey, "other", REG_SZ, {'x'});
  if (presence >= 2) stub::Set(HKEY_CURRENT_USER, kKey, "v", in.PickValueInArray(kTypes), Data(in));
  // At query number `when`: 1 replaces the value, 2 deletes it, 3 deletes the key.
  const uint8_t plan = in.ConsumeIntegralInRange<uint8_t>(0, 3);
  const unsigned when = in.ConsumeIntegralInRange<unsigned>(0, 2);
  const DWORD newType = in.PickValueInArray(kTypes);
  const std::vector<unsigned char> replacement = plan == 1 ? Data(in) : std::vector<unsigned char>();
  static const int32_t kDefaultTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, 0, -5};
  static const int32_t kMaxSizes[] = {-3, 0, 1, 4, 39, 511, 512, 513, 1000, 2600};
  static const int32_t kAsked[] = {0, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, 5, 7, -1};
  const SettingValue kDefaults[] = {SettingValue(), SettingValue("dflt"), SettingValue(int32_t(7)),
                                    SettingValue(std::vector<unsigned char>{9, 9})};
  CRegistry reg;
  reg.DefaultValueType(in.PickValueInArray(kDefaultTypes));
  reg.MaxStringSize(in.PickValueInArray(kMaxSizes));
  const int32_t asked = in.PickValueInArray(kAsked);
  const SettingValue dflt = in.PickValueInArray(kDefaults);
  const bool readOnly = in.ConsumeBool();

  const bool key = presence > 0;   // a key deleted during the read was opened: its reads fail
  stub::Value v;
  bool exists = stub::Get(HKEY_CURRENT_USER, kKey, "v", &v);
  // StringValueExists asks for the type only: no change between queries yet.
  FUZZ_CHECK(StringValueExists(HKEY_CURRENT_USER, kKey, "v") == (exists && v.type == REG_SZ));

  stub::onQuery = [&](unsigned n) {
    if (!plan || n != when + 1) return;   // + 1: StringValueExists asked once
    if (plan == 1) stub::Set(HKEY_CURRENT_USER, kKey, "v", newType, replacement);
    if (plan == 2) stub::Delete(HKEY_CURRENT_USER, kKey, "v");
    if (plan == 3) stub::Delete(HKEY_CURRENT_USER, kKey, "");
    exists = stub::Get(HKEY_CURRENT_USER, kKey, "v", &v);
  };
  const SettingValue got = readOnly ? reg.ReadOnlyReadSetting(kKey, "v", dflt, asked) : reg.ReadSetting(kKey, "v", dflt, asked);
  const int32_t type = asked >= REG_SZ && asked <= REG_DWORD ? asked : reg.DefaultValueType();
  FUZZ_CHECK(Follows(got, key, exists, v, type, reg.MaxStringSize(), dflt));
  FUZZ_CHECK(stub::OpenKeys() == 0);
  return 0;
}
