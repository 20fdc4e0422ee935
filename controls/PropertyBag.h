// The persisted form of a control: named values, each written with its
// default (a value equal to its default is not stored) and read back with
// the default filling in what is missing. The bag remembers the order in
// which names were read and written, which is part of a control's contract.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "platform/MAPI_Declares.h"

// A font as a control keeps it: face, size in points and style.
struct StdFont {
  std::string Name = "MS Sans Serif";
  double Size = 8.25;
  bool Bold = false, Italic = false, Underline = false, Strikethrough = false;
  int Charset = 0;
  bool operator==(const StdFont& o) const;
  bool operator!=(const StdFont& o) const { return !(*this == o); }
};

// One stored value: empty, a 32-bit number, a truth value, a text, a font or
// a picture (held with a reference of its own).
class PropValue {
public:
  enum Kind { Empty, Long, Bool, Text, Font, Picture };
  PropValue() = default;
  PropValue(int32_t n) : m_kind(Long), m_n(n) {}
  PropValue(uint32_t n) : m_kind(Long), m_n(int32_t(n)) {}
  PropValue(bool b) : m_kind(Bool), m_n(b ? -1 : 0) {}
  PropValue(const char* s) : m_kind(Text), m_s(s ? s : "") {}
  PropValue(const std::string& s) : m_kind(Text), m_s(s) {}
  PropValue(const StdFont& f) : m_kind(Font), m_font(f) {}
  PropValue(IPicture* p);                 // nullptr is "nothing", a picture kind all the same
  PropValue(const PropValue& o);
  PropValue& operator=(const PropValue& o);
  ~PropValue();

  Kind kind() const { return m_kind; }
  // Conversions as the persisted form needs them; a text that is no number
  // raises run-time error 13, a number out of range error 6.
  int32_t ToLong() const;
  bool ToBool() const;
  std::string ToText() const;
  StdFont ToFont() const;                 // the value's font, or a default one
  IPicture* ToPicture() const { return m_kind == Picture ? m_pic : nullptr; }   // not AddRef'd
  bool operator==(const PropValue& o) const;

private:
  Kind m_kind = Empty;
  int32_t m_n = 0;
  std::string m_s;
  StdFont m_font;
  IPicture* m_pic = nullptr;
};

class CPropertyBag {
public:
  void WriteProperty(const std::string& sName, const PropValue& vValue, const PropValue& vDefault);
  PropValue ReadProperty(const std::string& sName, const PropValue& vDefault);
  bool Contains(const std::string& sName) const;
  std::vector<std::string> StoredNames() const;            // in the order first written
  const std::vector<std::string>& Writes() const { return m_writes; }
  const std::vector<std::string>& Reads() const { return m_reads; }

private:
  struct Entry { std::string sName; PropValue v; };
  Entry* Find(const std::string& sName);
  std::vector<Entry> m_entries;
  std::vector<std::string> m_writes, m_reads;
};

// What a control asks of the window that hosts it. Without a host a control
// runs as at run time with the container's usual font.
class IControlHost {
public:
  virtual ~IControlHost() {}
  virtual void PropertyChanged(const char* sName) = 0;
  virtual StdFont AmbientFont() { return StdFont(); }
};
