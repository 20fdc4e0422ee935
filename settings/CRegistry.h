// Typed registry access: one root key, reads with a default, writes that
// create the key, deletion of a value. No key handle outlives a call.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

// The value registry reads return and writes take.
struct SettingValue {
  enum Kind { Empty, Text, Integer, Bytes };
  Kind kind = Empty;
  std::string text;                   // Text (system ANSI code page)
  int32_t integer = 0;                // Integer
  std::vector<unsigned char> bytes;   // Bytes

  SettingValue() = default;
  SettingValue(const std::string& s) : kind(Text), text(s) {}
  SettingValue(const char* s) : kind(Text), text(s) {}
  SettingValue(int32_t n) : kind(Integer), integer(n) {}
  SettingValue(const std::vector<unsigned char>& b) : kind(Bytes), bytes(b) {}
  bool IsEmpty() const { return kind == Empty; }
  std::string AsText() const;         // text, integer in decimal, bytes as characters; empty -> ""
};

class CRegistry {
public:
  void Key(uint32_t NewKey);          // taken only for 0x80000000..0x80000003
  uint32_t Key() const { return m_Key; }
  void DefaultValueType(int32_t NewValueType);   // taken when 4 or <= 2
  int32_t DefaultValueType() const { return m_DefaultValueType; }
  void MaxStringSize(int32_t n) { m_MaxStringSize = n; }
  int32_t MaxStringSize() const { return m_MaxStringSize; }

  // eValueType 0 (absent) or anything but 1..4 means DefaultValueType.
  SettingValue ReadOnlyReadSetting(const std::string& sSubKey, const std::string& sValueName,
                                   const SettingValue& vDefault = SettingValue(), int32_t eValueType = 0);
  SettingValue ReadSetting(const std::string& sSubKey, const std::string& sValueName,
                           const SettingValue& vDefault = SettingValue(), int32_t eValueType = 0);
  bool WriteSetting(const std::string& sSubKey, const std::string& sValueName,
                    const SettingValue& vValueData, int32_t eValueType = 0);
  bool DeleteSetting(const std::string& sKey, const std::string& sValue);

private:
  uint32_t m_Key = 0x80000001;
  int32_t m_MaxStringSize = 512;
  int32_t m_DefaultValueType = 1;
};
