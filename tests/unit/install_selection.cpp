// Choice of the engine instance package from the product codes of the
// installed instances (default and named), on the simulated registry.
#include <cstdio>
#include <string>
#include <vector>
#include "install/InstanceFiles.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"
#include "tests/unit/instance_codes.h"

using testdata::AddInstance;
using testdata::kInstanceCodes;

TEST(selection_maps_every_code_of_the_table_and_nothing_else) {
  for (int i = 0; i < 16; ++i) {
    char sName[16];
    std::snprintf(sName, sizeof(sName), "SqlRun%02d.msi", i + 1);
    CHECK_EQ(GetInstanceFileFromProductCode(kInstanceCodes[i]), std::string(sName));
  }
  for (const char* s : {"{e09b48b5-e141-427a-ab0c-d3605127224a}", "E09B48B5-E141-427A-AB0C-D3605127224A", ""})
    CHECK_EQ(GetInstanceFileFromProductCode(s), std::string());
}

TEST(selection_removal_ignores_case_and_takes_only_the_first_match) {
  std::vector<std::string> files = {"SqlRun01.msi", "SqlRun04.msi", "SQLRUN04.MSI"};
  const std::vector<std::string> after = {"SqlRun01.msi", "", "SQLRUN04.MSI"};
  RemoveInstanceFile("sqlrun04.msi", files);
  CHECK_EQ(files, after);
  // A name not in the list, and an empty one, match nothing that is left.
  RemoveInstanceFile("SqlRun09.msi", files);
  RemoveInstanceFile("", files);
  CHECK_EQ(files, after);
}

TEST(selection_takes_the_lowest_package_no_instance_carries) {
  struct Row { const char* sWhat; void (*arrange)(); const char* sFile; };
  const Row rows[] = {
      {"no engine", [] {}, "SqlRun01.msi"},
      {"default instance", [] { AddInstance("", kInstanceCodes[0]); }, "SqlRun02.msi"},
      {"gap among named instances", [] {
         AddInstance("SALES", kInstanceCodes[0]);
         AddInstance("STOCK", kInstanceCodes[1]);
         AddInstance("ZOMEL", kInstanceCodes[4]);
       }, "SqlRun03.msi"},
      {"codes not known exactly", [] {
         AddInstance("LOWER", "{e09b48b5-e141-427a-ab0c-d3605127224a}");
         AddInstance("FULLSERVER", "{11111111-2222-3333-4444-555555555555}");
       }, "SqlRun01.msi"},
      {"sub keys that are no instances", [] {
         // No Setup key; a Setup key without ProductCode; a name of 259 characters.
         sim::RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools", "Path", "C:\\x");
         sim::RegSetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Microsoft SQL Server\\EMPTY\\Setup", "SQLPath",
                           "C:\\y");
         AddInstance(std::string(259, 'N'), "");
         AddInstance("REAL", kInstanceCodes[0]);
       }, "SqlRun02.msi"},
      {"a code found twice counts once", [] {
         AddInstance("", kInstanceCodes[0]);
         AddInstance("AGAIN", kInstanceCodes[0]);
         AddInstance("SECOND", kInstanceCodes[1]);
       }, "SqlRun03.msi"},
  };
  for (const Row& r : rows) {
    sim::Reset();
    r.arrange();
    CHECK_EQ(std::string(r.sWhat) + ": " + GetAvailableInstanceFile(), std::string(r.sWhat) + ": " + r.sFile);
    CHECK_EQ(sim::OpenKeys(), 0);
  }
}

TEST(selection_with_all_sixteen_codes_present_gives_nothing) {
  sim::Reset();
  AddInstance("", kInstanceCodes[7]);
  for (int i = 0; i < 16; ++i)
    if (i != 7) AddInstance("INST" + std::to_string(i), kInstanceCodes[i]);
  CHECK_EQ(GetAvailableInstanceFile(), std::string());
  CHECK_EQ(sim::OpenKeys(), 0);
  // Taking one instance away frees exactly its package.
  sim::RegDeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Microsoft SQL Server\\INST11");
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun12.msi"));
}
