// A small test harness: TEST(name) { CHECK(...); CHECK_EQ(a, b); }.
// Every test runs in its own try block; a failed check reports file, line and
// both values, and the process exits non-zero when any check failed.
#pragma once
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace check {
struct Case { const char* name; void (*fn)(); };
std::vector<Case>& Registry();
void Fail(const char* file, int line, const std::string& what);
struct Register { Register(const char* n, void (*f)()) { Registry().push_back({n, f}); } };

template <class T> std::string Show(const T& v) { std::ostringstream o; o << v; return o.str(); }
inline std::string Show(const std::string& v) { return "\"" + v + "\""; }
inline std::string Show(const char* v) { return v ? "\"" + std::string(v) + "\"" : "(null)"; }
inline std::string Show(bool v) { return v ? "true" : "false"; }
template <class T> std::string Show(const std::vector<T>& v) {
  std::string s = "{";
  for (size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + Show(v[i]);
  return s + "}";
}
}  // namespace check

#define TEST(name) \
  static void name(); \
  static check::Register name##_registered(#name, name); \
  static void name()

#define CHECK(expr) \
  do { if (!(expr)) check::Fail(__FILE__, __LINE__, "CHECK(" #expr ")"); } while (0)

#define CHECK_EQ(a, b) \
  do { auto&& check_a_ = (a); auto&& check_b_ = (b); \
       if (!(check_a_ == check_b_)) \
         check::Fail(__FILE__, __LINE__, "CHECK_EQ(" #a ", " #b "): " + check::Show(check_a_) + " != " + check::Show(check_b_)); \
  } while (0)
