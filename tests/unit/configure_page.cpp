// The configure page on the simulated machine: its first state, one run of
// the configuration from its timer with the progress lines in its label, the
// closing text on success and on failure, and Finish ending the program.
#include <memory>
#include <string>
#include <vector>
#include "configure/MAutomation.h"
#include "pages/frmConfigureMSDE.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {

const char kWaitText[] = "Please wait while the Microsoft SQL Server Desktop Engine is configured.......";
const char kDoneText[] =
    "The SQL Server desktop edition has been successfully configured.\r\n\r\nClick \"Finish\" to exit.";
const char kIncompleteText[] =
    "The SQL Server desktop edition was installed, but its configuration did not complete.\r\n\r\n"
    "Click \"Finish\" to exit.";
const int kLabel = frmConfigureMSDE::idLblConfigInfo;

// Management objects that note what the page's label said at each call.
struct LabelWatcher : IAutomation {
  frmConfigureMSDE* page = nullptr;
  std::vector<std::string> seen;   // "member: label"
  int nServers = 0;
  bool bFail = false;

  struct Obj : CAutoObject {
    LabelWatcher* w;
    explicit Obj(LabelWatcher* p) : w(p) {}
    AutoValue Call(const char* sMember, const std::vector<AutoValue>&) override {
      w->seen.push_back(std::string(sMember) + ": " + w->page->Text(kLabel));
      if (w->bFail) throw RuntimeError{-2147203048, "Login failed for user 'sa'."};
      return AutoObject(std::make_shared<Obj>(w));
    }
    void Let(const char*, const AutoValue&) override {}
  };
  AutoRef CreateObject(const char* sClassId, const char*) override {
    if (std::string(sClassId) == "{10020200-E260-11CF-AE68-00AA004A34D5}") ++nServers;
    return std::make_shared<Obj>(this);
  }
};

struct Snapshot {
  bool bHelp, bCancel, bBack, bNext, bFinish;
  std::string sLabel;
};

Snapshot Take(frmConfigureMSDE& page) {
  return {page.Enabled(NavId(10)), page.Enabled(NavId(4)), page.Enabled(NavId(2)), page.Enabled(NavId(1)),
          page.Enabled(NavId(8)), page.Text(kLabel)};
}

struct Outcome {
  Snapshot first{}, done{};
  bool bEnded = false;
  long nResult = -1;
  int nPolls = 0;
};

// The service starts through "net start"; no service manager on the machine.
// "first" is the page while the service starts, before any progress line.
Outcome RunPage(LabelWatcher& dmo, bool bServiceStarts = true) {
  sim::Reset();
  frmConfigureMSDE page;
  Outcome o;
  if (bServiceStarts) {
    sim::ProcessScript net;
    net.dwRunMs = 800;
    net.OnStart = [&](DWORD) { o.first = Take(page); };
    sim::ScriptProcess("net start", net);
  }
  dmo.page = &page;
  SetAutomation(&dmo);
  sim::SetUser([&]() {
    if (++o.nPolls > 500) return false;
    // Finish only after a while, to see that the timer does not come again.
    if (page.Enabled(NavId(8)) && o.nPolls > 50) {
      o.done = Take(page);
      api::PostMessageA(page.Control(NavId(8)), BM_CLICK, 0, 0);
      return true;
    }
    sim::Advance(100);
    return true;
  });
  IPicture* pic = nullptr;
  WindowRect rc;
  try {
    o.nResult = page.DisplayDialog(pic, &rc, "ZoMEL", "zouser", "pw", false);
  } catch (const sim::ProcessExit&) {
    o.bEnded = true;
  }
  SetAutomation(nullptr);
  if (pic) pic->Release();
  return o;
}

}  // namespace

TEST(configuration_runs_once_from_the_timer_and_ends_with_finish) {
  LabelWatcher dmo;
  Outcome o = RunPage(dmo);
  // While the service starts: the waiting text, only Help.
  CHECK_EQ(o.first.sLabel, std::string(kWaitText));
  CHECK(o.first.bHelp);
  CHECK(!o.first.bCancel && !o.first.bBack && !o.first.bNext && !o.first.bFinish);
  // One connection per step, one run only; each progress line replaces the last.
  CHECK_EQ(dmo.nServers, 3);
  CHECK(dmo.seen.size() >= 6);
  if (dmo.seen.size() >= 6) {
    CHECK_EQ(dmo.seen.front(), std::string("Connect: Setting sa password...."));
    CHECK_EQ(dmo.seen[5], std::string("Connect: Setting up user login...."));
    CHECK_EQ(dmo.seen[dmo.seen.size() - 2], std::string("AddMember: Setting user password...."));
  }
  CHECK_EQ(o.done.sLabel, std::string(kDoneText));
  CHECK(o.done.bFinish && o.done.bHelp);
  CHECK(!o.done.bCancel && !o.done.bBack && !o.done.bNext);
  CHECK(o.bEnded);   // Finish ends the program; nothing is returned
  CHECK_EQ(o.nResult, -1L);
}

TEST(failed_configuration_says_so_and_still_offers_finish) {
  // A failing management step shows its error; a service that cannot be
  // started allows no management step and shows nothing.
  for (bool bServiceStarts : {true, false}) {
    LabelWatcher dmo;
    dmo.bFail = true;
    Outcome o = RunPage(dmo, bServiceStarts);
    CHECK_EQ(dmo.nServers, bServiceStarts ? 1 : 0);
    CHECK_EQ(sim::MessageBoxes().size(), size_t(bServiceStarts ? 1 : 0));
    CHECK_EQ(o.done.sLabel, std::string(kIncompleteText));
    CHECK(o.done.bFinish);
    CHECK(o.bEnded);
  }
}
