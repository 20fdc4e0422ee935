// Checks the C and C++ run-time replacements that Tarnwick.exe links
// (compat/Win95Shims.cpp): formatting and parsing keep their C99 results,
// library errors stay catchable, thrown objects are stored and counted
// soundly. Prints one line per failed check and "shimprobe: ok" at the end;
// exit code 1 on any failure.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <malloc.h>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
int g_nFailures = 0;

void Check(bool bOk, const char* sWhat) {
  if (!bOk) {
    std::printf("FAILED: %s\n", sWhat);
    ++g_nFailures;
  }
}

template <class F>
bool Throws(F f) {
  try {
    f();
  } catch (...) {
    return true;
  }
  return false;
}
}  // namespace

int main() {
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "%ld", 1234567L);
  Check(n == 7 && std::strcmp(buf, "1234567") == 0, "snprintf of a long");
  n = std::snprintf(buf, sizeof buf, "%.15g", 46362.5);
  Check(n == 7 && std::strcmp(buf, "46362.5") == 0, "snprintf %.15g of a date serial");

  // Truncation: terminated, and the result tells the caller it did not fit.
  std::memset(buf, 'x', sizeof buf);
  n = std::snprintf(buf, 8, "%s", "0123456789");
  Check(buf[7] == '\0' && std::strcmp(buf, "0123456") == 0, "truncated snprintf is terminated");
  Check(n >= 8, "truncated snprintf reports a length of at least the buffer");
  std::memset(buf, 'x', sizeof buf);
  n = std::snprintf(buf, 8, "%s", "01234567");
  Check(buf[7] == '\0' && n >= 8, "snprintf of exactly the buffer's size is terminated");
  Check(std::snprintf(nullptr, 0, "%d", 5) >= 0, "snprintf with no buffer does not fail");

  char* end = nullptr;
  double d = std::strtod("46362.75xyz", &end);
  Check(d == 46362.75 && end && std::strcmp(end, "xyz") == 0, "strtod of a decimal and its end");
  d = std::strtod("  -0.5", &end);
  Check(d == -0.5 && end && *end == '\0', "strtod with blanks and a sign");

  // The library's own errors: still exceptions, caught by (...).
  std::string s = "abc";
  Check(Throws([&] { (void)s.substr(5); }), "string::substr out of range throws");
  Check(Throws([&] { (void)s.at(3); }), "string::at out of range throws");
  Check(Throws([&] { std::vector<int> v; (void)v.at(0); }), "vector::at out of range throws");
  Check(Throws([&] { std::string t; t.reserve(t.max_size() + 1); }), "string beyond max_size throws");
  try {
    std::vector<char> v;
    v.reserve(v.max_size() / 2);
    Check(false, "a huge allocation succeeded");
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
    Check(false, "length_error where bad_alloc was thrown before");
  } catch (...) {
    Check(false, "a huge allocation threw something other than bad_alloc");
  }

  // Thrown objects live in the blocks the replacements allocate: a large one
  // keeps its contents, one thrown while another is handled leaves the first
  // intact, and the count of exceptions in flight is right during unwinding.
  struct Big {
    char a[4096];
  };
  try {
    Big big;
    std::memset(big.a, 0x5A, sizeof big.a);
    throw big;
  } catch (const Big& caught) {
    Check(caught.a[0] == 0x5A && caught.a[4095] == 0x5A, "a 4 KB exception keeps its contents");
    try {
      throw std::string(300, 'n');
    } catch (const std::string& inner) {
      Check(inner.size() == 300 && inner[299] == 'n', "an exception thrown in a handler");
    }
    Check(caught.a[2048] == 0x5A, "the outer exception survives the inner one");
  }
  struct Watch {
    int* pInFlight;
    ~Watch() { *pInFlight = std::uncaught_exceptions(); }
  };
  int nInFlight = -1;
  try {
    Watch w{&nInFlight};
    throw 7;
  } catch (int) {
  }
  Check(nInFlight == 1 && std::uncaught_exceptions() == 0, "exceptions in flight are counted");
  int nRethrown = 0;
  for (int i = 0; i < 1000; ++i) {
    try {
      try {
        throw i;
      } catch (int) {
        throw;
      }
    } catch (int v) {
      nRethrown += v == i;
    }
  }
  Check(nRethrown == 1000, "a thousand rethrown exceptions arrive");
  // A header of the wrong size would have the runtime write outside blocks.
  Check(_heapchk() == _HEAPOK, "the heap is intact after the exceptions");

  std::printf(g_nFailures ? "shimprobe: %d failure(s)\n" : "shimprobe: ok\n", g_nFailures);
  return g_nFailures ? 1 : 0;
}
