// CRegistry reads and StringValueExists on hostile values: every type, sizes
// around the buffers' limits, text without terminator or with NULs inside,
// another type than asked for. The result must be what the read rules make
// of the value. Choices come from the input's last bytes, the data from the first.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include "settings/CRegistry.h"
#include "settings/MReg32.h"
#include "tests/fuzz/Stub.h"

static std::vector<unsigned char> Data(FuzzedDataProvider& in) {
  static const size_t kSizes[] = {0, 3, 4, 5, 511, 512, 513, 999, 1000, 1001, 2500};
  std::vector<unsigned char> v = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<size_t>(0, 3000));
  if (in.ConsumeBool()) v.resize(in.PickValueInArray(kSizes), in.ConsumeIntegral<uint8_t>());
  return v;
}

// The read rules: no key gives the default; a type other than 1 to 4
// nothing; a missing value the default; bytes as they are; a number from at
// most four bytes, little-endian; text up to its first NUL when it fits the
// maximum size, else the default.
static SettingValue Expected(bool key, const stub::Value* v, int32_t type, int32_t max, const SettingValue& dflt) {
  if (!key) return dflt;
  if (type < REG_SZ || type > REG_DWORD) return SettingValue();
  if (!v) return dflt;
  if (type == REG_BINARY) return SettingValue(v->data);
  uint32_t n = 0;
  for (size_t i = 0; i < v->data.size() && i < 4; ++i) n |= uint32_t(v->data[i]) << (8 * i);
  if (type == REG_DWORD) return v->data.size() > 4 ? dflt : SettingValue(int32_t(n));
  if (v->data.size() > size_t(std::max(max, 0))) return dflt;
  return SettingValue(std::string(v->data.begin(), std::find(v->data.begin(), v->data.end(), 0)));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ};
  static const int32_t kDefaultTypes[] = {1, 2, 3, 4, 0, -5}, kAsked[] = {0, 1, 2, 3, 4, 5, 7, -1};
  static const int32_t kMaxSizes[] = {-3, 0, 1, 4, 39, 511, 512, 513, 1000, 2600};
  const SettingValue kDefaults[] = {SettingValue(), SettingValue("dflt"), SettingValue(7), SettingValue(std::vector<unsigned char>{9, 9})};
  FuzzedDataProvider in(data, size);
  stub::Reset();
  const std::string key = stub::Path(HKEY_CURRENT_USER, "SOFTWARE\\Fuzz");
  const uint8_t presence = in.ConsumeIntegralInRange<uint8_t>(0, 2);   // no key, no value, a value
  if (presence) stub::keys[key];
  if (presence == 2) stub::keys[key]["v"] = {in.PickValueInArray(kTypes), Data(in)};
  CRegistry reg;
  const int32_t defType = in.PickValueInArray(kDefaultTypes), max = in.PickValueInArray(kMaxSizes);
  reg.DefaultValueType(defType), reg.MaxStringSize(max);   // a default type is taken when 4 or at most 2
  const int32_t asked = in.PickValueInArray(kAsked);
  const SettingValue dflt = in.PickValueInArray(kDefaults);
  const bool readOnly = in.ConsumeBool();

  stub::Value v;
  const bool exists = stub::Get(HKEY_CURRENT_USER, "SOFTWARE\\Fuzz", "v", &v);
  FUZZ_CHECK(StringValueExists(HKEY_CURRENT_USER, "SOFTWARE\\Fuzz", "v") == (exists && v.type == REG_SZ));
  const SettingValue got = readOnly ? reg.ReadOnlyReadSetting("SOFTWARE\\Fuzz", "v", dflt, asked)
                                    : reg.ReadSetting("SOFTWARE\\Fuzz", "v", dflt, asked);
  const SettingValue want = Expected(presence > 0, exists ? &v : nullptr,
                                     asked >= 1 && asked <= 4 ? asked : defType == 4 || defType <= 2 ? defType : 1, max, dflt);
  FUZZ_CHECK(got.kind == want.kind && got.text == want.text && got.integer == want.integer && got.bytes == want.bytes);
  FUZZ_CHECK(stub::openKeys == 0);
  return 0;
}
