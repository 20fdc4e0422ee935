// GetAvailableInstanceFile with up to hundreds of instance sub-keys, names of
// 1 to 16 and of 255 to 260 characters, and product codes that are exact,
// lower-case, unterminated, followed by junk, too long, of another type or
// missing. The result must be the lowest package whose code no instance the
// enumeration reaches carries.
//
// Input: records of three bytes (name length, name seed, code choice); the
// last bytes give the default instance's code and a number of plain
// sub-keys without Setup key.
#include <fuzzer/FuzzedDataProvider.h>
#include <set>
#include "install/InstanceFiles.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/sim/Sim.h"
#include "tests/unit/instance_codes.h"

using testdata::kInstanceCodes;

namespace {

const char kDefaultKey[] = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
const char kInstancesKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// Writes the ProductCode of one instance as the code choice says; some
// choices write no Setup key or no code at all.
void PlantCode(const std::string& sSetupKey, uint8_t choice) {
  const std::string sCode = kInstanceCodes[choice % 16];
  switch (choice / 16) {
    case 0: sim::RegSetString(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", sCode); break;
    case 1: sim::RegSet(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", REG_SZ, Bytes(sCode)); break;
    case 2: sim::RegSetString(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", Lower(sCode)); break;
    case 3: sim::RegSet(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", REG_SZ, Bytes(sCode + '\0' + "junk")); break;
    case 4:   // longer than a text read takes
      sim::RegSet(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", REG_SZ, Bytes(sCode + std::string(480, '\0')));
      break;
    case 5: sim::RegSet(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", REG_BINARY, Bytes(sCode)); break;
    case 6: sim::RegSetDword(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", choice); break;
    case 7: sim::RegSetString(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", sCode.substr(1)); break;
    case 8: sim::RegSetString(HKEY_LOCAL_MACHINE, sSetupKey, "SQLPath", "C:\\MSSQL"); break;
    default: break;   // no Setup key
  }
}

// The code a text read of the value gives: up to the first NUL, nothing when
// the value is missing or longer than the 512 bytes a text read accepts.
std::string CodeUnder(const std::string& sSetupKey) {
  std::vector<unsigned char> data;
  if (!sim::RegGet(HKEY_LOCAL_MACHINE, sSetupKey, "ProductCode", nullptr, &data) || data.size() > 512) return "";
  const std::string s(data.begin(), data.end());
  return s.substr(0, s.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  sim::Reset();
  PlantCode(kDefaultKey, in.ConsumeIntegral<uint8_t>());
  const unsigned nPlain = in.ConsumeIntegral<uint8_t>() * 2u;
  for (unsigned i = 0; i < nPlain; ++i)
    sim::RegSetString(HKEY_LOCAL_MACHINE, std::string(kInstancesKey) + "\\Plain" + std::to_string(i), "x", "y");
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 _$.-";
  while (in.remaining_bytes() >= 3) {
    const uint8_t nLength = in.ConsumeIntegral<uint8_t>(), nSeed = in.ConsumeIntegral<uint8_t>(),
                  choice = in.ConsumeIntegral<uint8_t>();
    const size_t n = (nLength & 0x80) ? 255 + nLength % 6 : 1 + nLength % 16;
    std::string sName(n, 'N');
    for (size_t i = 0; i < n; ++i) sName[i] = kChars[(nSeed + i * (nLength | 1)) % (sizeof(kChars) - 1)];
    PlantCode(std::string(kInstancesKey) + "\\" + sName + "\\Setup", choice);
    if (choice >= 16 * 9) sim::RegSetString(HKEY_LOCAL_MACHINE, std::string(kInstancesKey) + "\\" + sName, "", "");
  }

  // The codes taken: the default instance's and those under the sub-keys the
  // enumeration returns with its 260-character buffer, up to its first failure.
  std::set<std::string> taken = {CodeUnder(kDefaultKey)};
  HKEY hKey = nullptr;
  if (api::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstancesKey, 0, KEY_ENUMERATE_SUB_KEYS, &hKey) == ERROR_SUCCESS) {
    char sName[260];
    DWORD cch = sizeof sName;
    for (DWORD i = 0; api::RegEnumKeyExA(hKey, i, sName, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, cch = sizeof sName)
      taken.insert(CodeUnder(std::string(kInstancesKey) + "\\" + std::string(sName, cch) + "\\Setup"));
    api::RegCloseKey(hKey);
  }
  std::string sExpected;
  for (int i = 0; i < 16 && sExpected.empty(); ++i)
    if (!taken.count(kInstanceCodes[i])) sExpected = (i < 9 ? "SqlRun0" : "SqlRun") + std::to_string(i + 1) + ".msi";

  FUZZ_CHECK(GetAvailableInstanceFile() == sExpected);
  FUZZ_CHECK(sim::OpenKeys() == 0);
  return 0;
}
