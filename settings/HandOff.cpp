// The hand-off parameters and their scrambling.
#include "settings/HandOff.h"
#include "platform/Forms.h"
#include "settings/MReg32.h"
#include "util/MLog.h"
#include "util/Util.h"

const char* const kHandOffKey = "SOFTWARE\\LumeDax\\ZoMel\\Install\\Temp\\Parameters";

namespace {
const char kDefaultUser[] = "sa";
const char kDefaultPassword[] = "vormasi17";

// The length is counted in 16 bits, as the format's readers do.
void CheckLength(const std::string& sData) {
  if (sData.size() > 32767) throw RuntimeError{6, "Overflow"};
}
}  // namespace

void SaveParameters(bool bNTAuthentication) {
  LogSecret(kDefaultPassword);
  const std::string sServer = GetComputerNameText();
  SaveString(HKEY_LOCAL_MACHINE, kHandOffKey, "Server", sServer);
  SaveString(HKEY_LOCAL_MACHINE, kHandOffKey, "Database", "ZOMEL");
  SaveString(HKEY_LOCAL_MACHINE, kHandOffKey, "User", Encrypt(kDefaultUser));
  SaveString(HKEY_LOCAL_MACHINE, kHandOffKey, "Pwd", Encrypt(kDefaultPassword));
  SaveString(HKEY_LOCAL_MACHINE, kHandOffKey, "NtAuth", bNTAuthentication ? "1" : "0");
  SaveString(HKEY_LOCAL_MACHINE, kHandOffKey, "MSDE", "Yes");
}

std::string Encrypt(const std::string& sData) {
  CheckLength(sData);
  std::string sResult;
  sResult.reserve(sData.size());
  for (unsigned char c : sData) {
    if (c >= 128) throw RuntimeError{5, "Invalid procedure call or argument"};
    sResult += (char)(c * 2);
  }
  return sResult;
}

std::string Decrypt(const std::string& sData) {
  CheckLength(sData);
  std::string sResult;
  sResult.reserve(sData.size());
  for (unsigned char c : sData) sResult += (char)(c / 2);
  return sResult;
}
