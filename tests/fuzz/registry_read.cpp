// CRegistry reads and StringValueExists on values of every type and size
// (empty to 70000 bytes; 10 MB once at start), text without terminator or
// with NULs inside, a type other than the one asked for, and values that
// change between the queries of one read (the simulation's query hook). Each
// result must be what the read rules make of the value as the last query
// found it.
//
// Input: the choices come from the last bytes (FuzzedDataProvider), the
// value's data (and a replacement's) from the first.
#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include "settings/CRegistry.h"
#include "settings/MReg32.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/sim/Sim.h"

namespace {

const char kKey[] = "SOFTWARE\\Fuzz";
const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, 11};

struct Value {
  bool bExists = false;
  DWORD dwType = 0;
  std::vector<unsigned char> data;
};

Value Current() {
  Value v;
  v.bExists = sim::RegGet(HKEY_CURRENT_USER, kKey, "v", &v.dwType, &v.data);
  return v;
}

std::vector<unsigned char> Data(FuzzedDataProvider& in) {
  static const size_t kSizes[] = {0, 1, 3, 4, 5, 511, 512, 513, 999, 1000, 1001, 2500, 70000};
  const uint8_t sel = in.ConsumeIntegral<uint8_t>();
  if (sel < 128) return in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<size_t>(0, 3000));
  const size_t n = kSizes[sel % 13];
  std::vector<unsigned char> v(n, in.ConsumeIntegral<uint8_t>());
  if (n && in.ConsumeBool()) v[in.ConsumeIntegralInRange<size_t>(0, n - 1)] = 0;
  return v;
}

// Whether a read gave what the read rules make of the value its last query
// saw (compared in place: the value may be 10 MB).
bool Matches(const SettingValue& got, bool bKeyOpened, const Value& v, int32_t eType, int32_t nMax,
             const SettingValue& vDefault) {
  const auto isDefault = [&] {
    return got.kind == vDefault.kind && got.text == vDefault.text && got.integer == vDefault.integer &&
           got.bytes == vDefault.bytes;
  };
  if (!bKeyOpened) return isDefault();
  if (eType < REG_SZ || eType > REG_DWORD) return got.kind == SettingValue::Empty;
  if (!v.bExists) return isDefault();
  if (eType == REG_BINARY) return got.kind == SettingValue::Bytes && got.bytes == v.data;
  if (eType == REG_DWORD) {
    if (v.data.size() > 4) return isDefault();
    uint32_t n = 0;
    for (size_t i = 0; i < v.data.size(); ++i) n |= uint32_t(v.data[i]) << (8 * i);
    return got.kind == SettingValue::Integer && got.integer == int32_t(n);
  }
  if (v.data.size() > size_t(std::max(nMax, 0))) return isDefault();
  const std::string s(v.data.begin(), v.data.end());
  return got.kind == SettingValue::Text && got.text == s.substr(0, s.find('\0'));
}

}  // namespace

// A 10 MB value is too slow for the loop (once found, inputs would keep
// reaching it, at a quarter of a second each): every run of the target starts
// by reading one as each type, as it is and after it shrank to nothing
// between the size and the data query.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int32_t eType : {REG_SZ, REG_BINARY, REG_DWORD})
    for (bool bShrink : {false, true}) {
      sim::Reset();
      sim::RegSet(HKEY_CURRENT_USER, kKey, "v", REG_BINARY, std::vector<unsigned char>(size_t(10) << 20, 0xA5));
      Value seen = Current();
      unsigned nQuery = 0;
      if (bShrink)
        sim::SetRegQueryHook([&](HKEY, const char*) {
          if (nQuery++ != 1) return;
          sim::RegSet(HKEY_CURRENT_USER, kKey, "v", REG_BINARY, {});
          seen = Current();
        });
      CRegistry reg;
      const SettingValue got = reg.ReadSetting(kKey, "v", SettingValue("dflt"), eType);
      FUZZ_CHECK(Matches(got, true, seen, eType, reg.MaxStringSize(), SettingValue("dflt")));
      FUZZ_CHECK(!bShrink || eType != REG_BINARY || (nQuery == 2 && got.bytes.empty()));
      sim::SetRegQueryHook(nullptr);
    }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  sim::Reset();
  const uint8_t presence = in.ConsumeIntegralInRange<uint8_t>(0, 7);   // 0: no key, 1: no value
  if (presence == 1) sim::RegSetString(HKEY_CURRENT_USER, kKey, "other", "x");
  if (presence >= 2) sim::RegSet(HKEY_CURRENT_USER, kKey, "v", in.PickValueInArray(kTypes), Data(in));

  // The hook's plan: at query number nFrom, replace the value, delete it or
  // delete its key; or from there on grow it (three times at most, so reads
  // that re-ask end; not beyond 100 kB).
  const uint8_t plan = in.ConsumeIntegralInRange<uint8_t>(0, 4);
  const unsigned nFrom = in.ConsumeIntegralInRange<unsigned>(0, 2);
  const DWORD dwNewType = in.PickValueInArray(kTypes);
  const std::vector<unsigned char> replacement = plan == 1 ? Data(in) : std::vector<unsigned char>();
  const size_t nGrowth = in.ConsumeIntegralInRange<size_t>(1, 3000);
  Value seen;
  unsigned nQuery = 0;
  sim::SetRegQueryHook([&](HKEY, const char*) {
    const unsigned n = nQuery++;
    if (n >= nFrom && plan && (plan == 2 ? n < nFrom + 3 && seen.data.size() < 100000 : n == nFrom)) {
      if (plan == 1) sim::RegSet(HKEY_CURRENT_USER, kKey, "v", dwNewType, replacement);
      if (plan == 2) {
        Value v = seen;
        v.data.resize(v.data.size() + nGrowth, 'g');
        sim::RegSet(HKEY_CURRENT_USER, kKey, "v", v.bExists ? v.dwType : dwNewType, v.data);
      }
      if (plan == 3) {
        if (sim::RegGet(HKEY_CURRENT_USER, kKey, "v", nullptr, nullptr)) {
          HKEY h = nullptr;   // through the registry itself: the sim has no value deletion of its own
          api::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &h);
          api::RegDeleteValueA(h, "v");
          api::RegCloseKey(h);
        }
      }
      if (plan == 4) sim::RegDeleteTree(HKEY_CURRENT_USER, kKey);
      seen = Current();
    }
  });

  // StringValueExists first: it asks only for the type.
  seen = Current();
  bool bKeyOpened = sim::RegKeyExists(HKEY_CURRENT_USER, kKey);
  const bool bExists = StringValueExists(HKEY_CURRENT_USER, kKey, "v");
  FUZZ_CHECK(bExists == (bKeyOpened && seen.bExists && seen.dwType == REG_SZ));

  CRegistry reg;
  static const int32_t kDefaultTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, 0, -5};
  reg.DefaultValueType(in.PickValueInArray(kDefaultTypes));
  static const int32_t kMaxSizes[] = {-3, 0, 1, 4, 39, 511, 512, 513, 1000, 2600, 70000};
  reg.MaxStringSize(in.PickValueInArray(kMaxSizes));
  static const int32_t kAsked[] = {0, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, 5, 7, -1};
  const int32_t eAsked = in.PickValueInArray(kAsked);
  const SettingValue kDefaults[] = {SettingValue(), SettingValue("dflt"), SettingValue(int32_t(7)),
                                    SettingValue(std::vector<unsigned char>{9, 9})};
  const SettingValue vDefault = in.PickValueInArray(kDefaults);
  const bool bReadOnly = in.ConsumeBool();

  seen = Current();
  bKeyOpened = sim::RegKeyExists(HKEY_CURRENT_USER, kKey);
  const SettingValue got = bReadOnly ? reg.ReadOnlyReadSetting(kKey, "v", vDefault, eAsked)
                                     : reg.ReadSetting(kKey, "v", vDefault, eAsked);
  const int32_t eType = (eAsked >= REG_SZ && eAsked <= REG_DWORD) ? eAsked : reg.DefaultValueType();
  FUZZ_CHECK(Matches(got, bKeyOpened, seen, eType, reg.MaxStringSize(), vDefault));
  FUZZ_CHECK(sim::OpenKeys() == 0);
  sim::SetRegQueryHook(nullptr);   // it refers to this run's locals
  return 0;
}
