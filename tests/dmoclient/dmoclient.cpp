// Drives the wizard's management steps against whatever management objects
// are registered, for the tests under wine:
//   dmoclient setpw    <target> <login> <old> <new>
//   dmoclient setpwnt  <target> <login> <old> <new>
//   dmoclient addlogin <target> <admin> <admin password> <name> <password> <type>
//   dmoclient addrole  <target> <admin> <admin password> <login> <role>
// Prints "OK", or "ERROR <number> <description>" and exits 1. An empty
// argument is written as "".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "configure/MConfigure.h"
#include "platform/Forms.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: dmoclient setpw|setpwnt|addlogin|addrole arguments...\n");
    return 2;
  }
  std::string op = argv[1];
  auto arg = [&](int i) { return std::string(i < argc ? argv[i] : ""); };
  try {
    if (op == "setpw" && argc == 6) SetLoginPassword(arg(2), arg(3), arg(4), arg(5));
    else if (op == "setpwnt" && argc == 6) SetLoginPasswordNT(arg(2), arg(3), arg(4), arg(5));
    else if (op == "addlogin" && argc == 8) AddServerLogin(arg(2), arg(3), arg(4), arg(5), arg(6), std::atol(argv[7]));
    else if (op == "addrole" && argc == 7) AddLoginToServerRole(arg(2), arg(3), arg(4), arg(5), arg(6));
    else {
      std::printf("bad arguments for %s\n", op.c_str());
      return 2;
    }
  } catch (const RuntimeError& e) {
    std::printf("ERROR %ld %s\n", e.Number, e.Description.c_str());
    return 1;
  }
  std::printf("OK\n");
  return 0;
}
