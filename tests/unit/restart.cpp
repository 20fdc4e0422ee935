// RequestRestart: the shutdown privilege comes before the restart request,
// the 9x family (no tokens) still restarts, a refusal is reported.
#include "tests/check.h"
#include "tests/sim/Sim.h"
#include "util/Restart.h"

TEST(nt_restart_enables_the_privilege_first) {
  sim::Reset();   // Windows XP
  CHECK(RequestRestart());
  CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
  if (!sim::ExitWindowsCalls().empty()) {
    CHECK_EQ(sim::ExitWindowsCalls()[0].uFlags, UINT(10));   // EWX_REBOOT | EWX_POWEROFF
    CHECK_EQ(sim::ExitWindowsCalls()[0].dwReason, DWORD(0));
    CHECK(sim::ExitWindowsCalls()[0].bPrivilegeEnabled);
  }
  CHECK_EQ(sim::OpenHandles(), 0);
}

TEST(win9x_restart_goes_ahead_without_a_token) {
  sim::Reset();
  sim::SetVersion(1, 4, 10);
  CHECK(RequestRestart());
  CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
  if (!sim::ExitWindowsCalls().empty()) CHECK_EQ(sim::ExitWindowsCalls()[0].uFlags, UINT(10));
  CHECK_EQ(sim::OpenHandles(), 0);
}

TEST(a_refused_restart_is_reported) {
  sim::Reset();
  sim::SetExitWindowsFails(true);
  CHECK(!RequestRestart());
  CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
}
