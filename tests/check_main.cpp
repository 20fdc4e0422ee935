#include "check.h"
#include <cstring>
#include <exception>

namespace check {
static int g_failures = 0;
static const char* g_current = "";
std::vector<Case>& Registry() { static std::vector<Case> cases; return cases; }
void Fail(const char* file, int line, const std::string& what) {
  ++g_failures;
  std::printf("  FAILED %s (%s:%d): %s\n", g_current, file, line, what.c_str());
}
}  // namespace check

// Runs every test, or those whose name contains argv[1].
int main(int argc, char** argv) {
  int run = 0, failedTests = 0;
  for (const auto& c : check::Registry()) {
    if (argc > 1 && !std::strstr(c.name, argv[1])) continue;
    int before = check::g_failures;
    check::g_current = c.name;
    try {
      c.fn();
    } catch (const std::exception& e) {
      check::Fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
    } catch (...) {
      check::Fail(__FILE__, __LINE__, "unknown exception");
    }
    ++run;
    if (check::g_failures != before) ++failedTests;
  }
  std::printf("%d passed, %d failed\n", run - failedTests, failedTests);
  std::fflush(stdout);
  return (failedTests || run == 0) ? 1 : 0;
}
