#include "settings/CRegistry.h"

#include <cstdio>
#include "platform/Forms.h"

namespace {

// The predefined roots are sign-extended handle values on 64-bit Windows.
HKEY RootHandle(uint32_t nKey) { return HKEY(ULONG_PTR(LONG(nKey))); }

RuntimeError TypeMismatch() { return RuntimeError{13, "Type mismatch"}; }

// Text to a 32-bit integer the way the platform's integer conversion does:
// blanks around, an optional sign, digits with an optional fraction that
// rounds half to even. Anything else is a type mismatch.
int32_t TextToInteger(const std::string& s) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  while (n > i && s[n - 1] == ' ') --n;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  unsigned long long whole = 0;
  bool digits = false, overflow = false;
  for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i, digits = true) {
    whole = whole * 10 + unsigned(s[i] - '0');
    if (whole > 0x100000000ull) overflow = true, whole = 0x100000000ull;
  }
  int firstFraction = -1;     // the first digit after the point decides the rounding
  bool restNonZero = false;
  if (i < n && s[i] == '.') {
    for (++i; i < n && s[i] >= '0' && s[i] <= '9'; ++i, digits = true) {
      if (firstFraction < 0) firstFraction = s[i] - '0';
      else if (s[i] != '0') restNonZero = true;
    }
  }
  if (!digits || i != n) throw TypeMismatch();
  if (firstFraction > 5 || (firstFraction == 5 && (restNonZero || (whole & 1)))) ++whole;
  long long value = negative ? -(long long)whole : (long long)whole;
  if (overflow || value < -2147483648LL || value > 2147483647LL) throw RuntimeError{6, "Overflow"};
  return int32_t(value);
}

int32_t ToInteger(const SettingValue& v) {
  switch (v.kind) {
    case SettingValue::Empty: return 0;
    case SettingValue::Integer: return v.integer;
    case SettingValue::Text: return TextToInteger(v.text);
    default: throw TypeMismatch();
  }
}

// Text becomes its UTF-16LE bytes; bytes stay as they are. False when the
// text could not be converted: nothing is then to be written.
bool ToBytes(const SettingValue& v, std::vector<unsigned char>& out) {
  out.clear();
  if (v.kind == SettingValue::Bytes) {
    out = v.bytes;
    return true;
  }
  if (v.kind != SettingValue::Text) throw TypeMismatch();
  if (v.text.empty()) return true;
  int n = api::MultiByteToWideChar(CP_ACP, 0, v.text.data(), int(v.text.size()), nullptr, 0);
  if (n <= 0) return false;
  std::vector<WCHAR> wide(n);
  if (api::MultiByteToWideChar(CP_ACP, 0, v.text.data(), int(v.text.size()), wide.data(), n) != n) return false;
  out.reserve(size_t(n) * 2);
  for (WCHAR w : wide) {
    out.push_back((unsigned char)(unsigned(w) & 0xFF));
    out.push_back((unsigned char)(unsigned(w) >> 8));
  }
  return true;
}

int32_t ChooseType(int32_t eValueType, int32_t nDefault) {
  return (eValueType >= REG_SZ && eValueType <= REG_DWORD) ? eValueType : nDefault;
}

SettingValue Read(uint32_t nKey, const std::string& sSubKey, const std::string& sValueName,
                  const SettingValue& vDefault, int32_t eType, int32_t nMaxStringSize, REGSAM access) {
  HKEY hKey = nullptr;
  if (api::RegOpenKeyExA(RootHandle(nKey), sSubKey.c_str(), 0, access, &hKey) != ERROR_SUCCESS) return vDefault;
  SettingValue result;
  const char* name = sValueName.c_str();
  DWORD type = 0;
  switch (eType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      if (nMaxStringSize < 0) nMaxStringSize = 0;   // a negative size would overrun the buffer
      std::vector<char> buf(size_t(nMaxStringSize) + 1, '\0');
      DWORD size = DWORD(nMaxStringSize);
      if (api::RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf.data()), &size) !=
          ERROR_SUCCESS) {
        result = vDefault;
      } else if (size < 1) {
        result = SettingValue(std::string());
      } else {
        std::string text(buf.data(), size);
        result = SettingValue(text.substr(0, text.find('\0')));
      }
      break;
    }
    case REG_DWORD: {
      unsigned char buf[4] = {0, 0, 0, 0};
      DWORD size = 4;
      if (api::RegQueryValueExA(hKey, name, nullptr, &type, buf, &size) == ERROR_SUCCESS)
        result = SettingValue(int32_t(uint32_t(buf[0]) | uint32_t(buf[1]) << 8 | uint32_t(buf[2]) << 16 |
                                      uint32_t(buf[3]) << 24));
      else
        result = vDefault;
      break;
    }
    case REG_BINARY: {
      std::vector<unsigned char> buf(1000);
      DWORD size = DWORD(buf.size());
      LONG r;
      while ((r = api::RegQueryValueExA(hKey, name, nullptr, &type, buf.data(), &size)) == ERROR_MORE_DATA)
        buf.assign(size, 0);
      if (r == ERROR_SUCCESS) {
        if (buf.size() > size) buf.resize(size);
        result = SettingValue(buf);
      } else {
        result = vDefault;
      }
      break;
    }
    default:
      break;   // an unusable default type reads as empty, default or not
  }
  api::RegCloseKey(hKey);
  return result;
}

}  // namespace

std::string SettingValue::AsText() const {
  switch (kind) {
    case Text: return text;
    case Integer: {
      char buf[16];
      std::snprintf(buf, sizeof(buf), "%ld", long(integer));
      return buf;
    }
    case Bytes: return std::string(bytes.begin(), bytes.end());
    default: return std::string();
  }
}

void CRegistry::Key(uint32_t NewKey) {
  if (NewKey >= 0x80000000u && NewKey <= 0x80000003u) m_Key = NewKey;
}

void CRegistry::DefaultValueType(int32_t NewValueType) {
  if (NewValueType == REG_DWORD || NewValueType <= REG_EXPAND_SZ) m_DefaultValueType = NewValueType;
}

SettingValue CRegistry::ReadOnlyReadSetting(const std::string& sSubKey, const std::string& sValueName,
                                            const SettingValue& vDefault, int32_t eValueType) {
  return Read(m_Key, sSubKey, sValueName, vDefault, ChooseType(eValueType, m_DefaultValueType), m_MaxStringSize,
              KEY_QUERY_VALUE);
}

SettingValue CRegistry::ReadSetting(const std::string& sSubKey, const std::string& sValueName,
                                    const SettingValue& vDefault, int32_t eValueType) {
  return Read(m_Key, sSubKey, sValueName, vDefault, ChooseType(eValueType, m_DefaultValueType), m_MaxStringSize,
              KEY_ALL_ACCESS);
}

bool CRegistry::WriteSetting(const std::string& sSubKey, const std::string& sValueName,
                             const SettingValue& vValueData, int32_t eValueType) {
  int32_t eType = ChooseType(eValueType, m_DefaultValueType);
  // Convert before touching the registry, so that a conversion error leaves
  // neither a value nor a new key behind.
  std::vector<unsigned char> data;
  switch (eType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::string text = vValueData.AsText();
      data.assign(text.begin(), text.end());
      break;
    }
    case REG_DWORD: {
      uint32_t n = uint32_t(ToInteger(vValueData));
      data = {(unsigned char)n, (unsigned char)(n >> 8), (unsigned char)(n >> 16), (unsigned char)(n >> 24)};
      break;
    }
    case REG_BINARY:
      if (!ToBytes(vValueData, data)) return false;
      break;
    default:
      return false;
  }

  HKEY hKey = nullptr;
  if (api::RegOpenKeyExA(RootHandle(m_Key), sSubKey.c_str(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS &&
      api::RegCreateKeyExA(RootHandle(m_Key), sSubKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                           nullptr) != ERROR_SUCCESS)
    return false;
  // The system reads one byte beyond the size of a text and stores a
  // terminator it finds there: give it one, so the result does not depend
  // on whatever follows the data in memory.
  DWORD size = DWORD(data.size());
  data.push_back(0);
  bool ok = api::RegSetValueExA(hKey, sValueName.c_str(), 0, DWORD(eType), data.data(), size) == ERROR_SUCCESS;
  api::RegCloseKey(hKey);
  return ok;
}

bool CRegistry::DeleteSetting(const std::string& sKey, const std::string& sValue) {
  HKEY hKey = nullptr;
  if (api::RegOpenKeyExA(RootHandle(m_Key), sKey.c_str(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) return false;
  bool ok = api::RegDeleteValueA(hKey, sValue.c_str()) == ERROR_SUCCESS;
  api::RegCloseKey(hKey);
  return ok;
}
