// ScrambleString applied twice, and the resume data saved by the wizard and
// read back the way a "/Config" start reads it. The text is the whole input.
#include <string>
#include <vector>
#include "startup/MMain.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/sim/Sim.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string sText(reinterpret_cast<const char*>(data), size);
  const std::string sScrambled = ScrambleString(sText), sBack = ScrambleString(sScrambled);
  FUZZ_CHECK(sScrambled.size() == size && sBack.size() == size);
  if (size) {
    // Only the last character can differ: a blank, a code 255, or a
    // character that its key turns into 255 do not come back.
    FUZZ_CHECK(sBack.compare(0, size - 1, sText, 0, size - 1) == 0);
    FUZZ_CHECK(sScrambled.back() != ' ');
    const unsigned char c = sText.back(), k = (unsigned char)(1 + 3 * (size - 1) % 254);
    if (c != ' ' && c != 255 && (c ^ k) != 255) FUZZ_CHECK(sBack == sText);
  }

  // Whatever configuration data the saver is given, a "/Config" start gets
  // back a text that begins with it and splits into the same fields.
  sim::Reset();
  FUZZ_CHECK(SaveResumeData("46362.5", sText));
  std::vector<unsigned char> stored;
  DWORD dwType = 0;
  FUZZ_CHECK(sim::RegGet(HKEY_LOCAL_MACHINE, kResumeKey, "46362.5", &dwType, &stored) && dwType == REG_BINARY);
  const std::string sRead = ScrambleString(FromUtf16(stored));
  FUZZ_CHECK(sRead.compare(0, size, sText) == 0);
  InstallParameters a, b;
  const bool bA = SplitConfigurationData(sText, a.sServerName, a.sUserID, a.sPassword, a.bNTAuthentication);
  const bool bB = SplitConfigurationData(sRead, b.sServerName, b.sUserID, b.sPassword, b.bNTAuthentication);
  FUZZ_CHECK(bA == bB);
  if (bA)
    FUZZ_CHECK(a.sServerName == b.sServerName && a.sUserID == b.sUserID && a.sPassword == b.sPassword &&
               a.bNTAuthentication == b.bNTAuthentication);
  return 0;
}
