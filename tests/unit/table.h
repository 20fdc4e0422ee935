// Helpers shared by the table-driven unit tests.
#pragma once
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "tests/check.h"

// CHECK_EQ inside a loop over a table: names the row that failed.
#define CHECK_ROW(row, a, b)                                                       \
  do {                                                                             \
    if (!((a) == (b))) std::printf("    in row: %s\n", std::string(row).c_str()); \
    CHECK_EQ(a, b);                                                                \
  } while (0)

// A simulated user that takes one step per idle call, then stops.
inline std::function<bool()> Steps(std::vector<std::function<void()>> steps) {
  auto at = std::make_shared<size_t>(0);
  auto list = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
  return [at, list]() {
    if (*at >= list->size()) return false;
    (*list)[(*at)++]();
    return true;
  };
}
