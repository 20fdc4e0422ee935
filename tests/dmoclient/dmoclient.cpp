// A connection as the application makes one, through the wizard's own
// management step, for the tests under wine:
//   dmoclient <server> <login> <password>
// changes the login's password to itself. Prints "OK", or "ERROR <number>
// <description>" and exits 1.
#include <cstdio>
#include "configure/MConfigure.h"
#include "platform/Forms.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: dmoclient <server> <login> <password>\n");
    return 2;
  }
  try {
    SetLoginPassword(argv[1], argv[2], argv[3], argv[3]);
  } catch (const RuntimeError& e) {
    std::printf("ERROR %ld %s\n", e.Number, e.Description.c_str());
    return 1;
  }
  std::printf("OK\n");
  return 0;
}
