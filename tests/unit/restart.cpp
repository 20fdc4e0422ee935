// RequestRestart: the shutdown privilege comes before the restart request,
// the 9x family (no tokens) still restarts, a refusal is reported.
#include "tests/check.h"
#include "tests/sim/Sim.h"
#include "util/Restart.h"

TEST(restart_on_both_families_and_when_refused) {
  for (int nCase = 0; nCase < 3; ++nCase) {   // XP, 98, refused
    sim::Reset();
    if (nCase == 1) sim::SetVersion(1, 4, 10);
    sim::SetExitWindowsFails(nCase == 2);
    CHECK_EQ(RequestRestart(), nCase != 2);
    CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(1));
    if (!sim::ExitWindowsCalls().empty()) {
      CHECK_EQ(sim::ExitWindowsCalls()[0].uFlags, UINT(10));   // EWX_REBOOT | EWX_POWEROFF
      CHECK_EQ(sim::ExitWindowsCalls()[0].dwReason, DWORD(0));
      if (nCase == 0) CHECK(sim::ExitWindowsCalls()[0].bPrivilegeEnabled);
    }
    CHECK_EQ(sim::OpenHandles(), 0);
  }
}
