#include "controls/PropertyBag.h"
#include <cstdlib>
#include "controls/ControlLayout.h"
#include "platform/Forms.h"

bool StdFont::operator==(const StdFont& o) const {
  if (Name.size() != o.Name.size()) return false;
  for (size_t i = 0; i < Name.size(); ++i) {   // face names compare without case
    char a = Name[i], b = o.Name[i];
    if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
    if (a != b) return false;
  }
  return Size == o.Size && Bold == o.Bold && Italic == o.Italic && Underline == o.Underline &&
         Strikethrough == o.Strikethrough && Charset == o.Charset;
}

PropValue::PropValue(IPicture* p) : m_kind(Picture), m_pic(p) {
  if (m_pic) m_pic->AddRef();
}

PropValue::PropValue(const PropValue& o)
    : m_kind(o.m_kind), m_n(o.m_n), m_s(o.m_s), m_font(o.m_font), m_pic(o.m_pic) {
  if (m_pic) m_pic->AddRef();
}

PropValue& PropValue::operator=(const PropValue& o) {
  if (this == &o) return *this;
  if (o.m_pic) o.m_pic->AddRef();
  if (m_pic) m_pic->Release();
  m_kind = o.m_kind;
  m_n = o.m_n;
  m_s = o.m_s;
  m_font = o.m_font;
  m_pic = o.m_pic;
  return *this;
}

PropValue::~PropValue() {
  if (m_pic) m_pic->Release();
}

namespace {
[[noreturn]] void TypeMismatch() { throw RuntimeError{13, "Type mismatch"}; }

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return i == a.size() && !b[i];
}

// A number in text: decimal (with fraction and sign) or &H hexadecimal.
int32_t TextToLong(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  if (b == std::string::npos) TypeMismatch();
  std::string t = s.substr(b, e - b + 1);
  if (EqualsNoCase(t, "true")) return -1;
  if (EqualsNoCase(t, "false")) return 0;
  char* end = nullptr;
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
    if (t.back() == '&') t.pop_back();
    if (t.size() < 3 || t.size() > 10) TypeMismatch();
    unsigned long v = std::strtoul(t.c_str() + 2, &end, 16);
    if (*end) TypeMismatch();
    return int32_t(uint32_t(v));   // the 32-bit pattern: &H8000000D stays a system colour
  }
  double d = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end) TypeMismatch();
  return RoundHalfEven(d);
}
}  // namespace

int32_t PropValue::ToLong() const {
  switch (m_kind) {
    case Empty: return 0;
    case Long:
    case Bool: return m_n;
    case Text: return TextToLong(m_s);
    default: TypeMismatch();
  }
}

bool PropValue::ToBool() const {
  switch (m_kind) {
    case Empty: return false;
    case Long:
    case Bool: return m_n != 0;
    case Text: return TextToLong(m_s) != 0;
    default: TypeMismatch();
  }
}

std::string PropValue::ToText() const {
  switch (m_kind) {
    case Empty: return std::string();
    case Long: return std::to_string(m_n);
    case Bool: return m_n ? "True" : "False";
    case Text: return m_s;
    default: TypeMismatch();
  }
}

StdFont PropValue::ToFont() const { return m_kind == Font ? m_font : StdFont(); }

bool PropValue::operator==(const PropValue& o) const {
  switch (m_kind) {
    case Empty: return o.m_kind == Empty;
    case Font: return o.m_kind == Font && m_font == o.m_font;
    case Picture: return o.m_kind == Picture && m_pic == o.m_pic;
    case Text: return o.m_kind == Text && m_s == o.m_s;
    case Long:
    case Bool: return (o.m_kind == Long || o.m_kind == Bool) && m_n == o.m_n;
  }
  return false;
}

CPropertyBag::Entry* CPropertyBag::Find(const std::string& sName) {
  for (auto& e : m_entries)
    if (e.sName == sName) return &e;
  return nullptr;
}

void CPropertyBag::WriteProperty(const std::string& sName, const PropValue& vValue,
                                 const PropValue& vDefault) {
  m_writes.push_back(sName);
  Entry* e = Find(sName);
  if (vValue == vDefault) {
    // A value back at its default is dropped, so a later read gives the default.
    if (e) m_entries.erase(m_entries.begin() + (e - m_entries.data()));
    return;
  }
  if (e) e->v = vValue;
  else m_entries.push_back(Entry{sName, vValue});
}

PropValue CPropertyBag::ReadProperty(const std::string& sName, const PropValue& vDefault) {
  m_reads.push_back(sName);
  Entry* e = Find(sName);
  return e ? e->v : vDefault;
}

bool CPropertyBag::Contains(const std::string& sName) const {
  for (auto& e : m_entries)
    if (e.sName == sName) return true;
  return false;
}

std::vector<std::string> CPropertyBag::StoredNames() const {
  std::vector<std::string> v;
  for (auto& e : m_entries) v.push_back(e.sName);
  return v;
}
