// Choice of the engine instance package from the product codes of the
// installed instances (default and named), on the simulated registry.
#include <string>
#include <vector>
#include "install/InstanceFiles.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {
const char* const kCodes[16] = {
    "{E09B48B5-E141-427A-AB0C-D3605127224A}", "{689404D2-1C94-44B3-9203-BEC5594FDA7A}",
    "{EFB70B01-B1F3-4960-AB69-4A280084A60C}", "{C2736CA7-76E1-4D0C-B590-483A7FFD18DA}",
    "{FE7E950B-220A-4182-B5CA-19397244DCFD}", "{7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19}",
    "{F07E35BF-8B03-4777-9B5E-AE90E4FF0932}", "{C5B59406-E985-4187-84E8-68E2D9F89A47}",
    "{D7CE240C-0F3B-4C40-9278-C0B90E533652}", "{A519AE9C-7C79-4C5B-9127-8F46D648D5A4}",
    "{4541DA32-2108-43E9-9915-C71B9DE77048}", "{A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D}",
    "{9FCE5BBD-D85F-4905-8A0C-12A3A86C2434}", "{F4E46404-2578-4955-B748-547957F08AB1}",
    "{B7300824-E68F-45F1-BAC1-5F15636C346F}", "{CD59EA85-6CBF-4C08-BE59-6C628B3D8F54}",
};
const char kDefaultKey[] = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
const char kInstances[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\";

void DefaultInstance(const std::string& sCode) {
  sim::RegSetString(HKEY_LOCAL_MACHINE, kDefaultKey, "ProductCode", sCode);
}
void NamedInstance(const std::string& sName, const std::string& sCode) {
  sim::RegSetString(HKEY_LOCAL_MACHINE, kInstances + sName + "\\Setup", "ProductCode", sCode);
}
}  // namespace

TEST(selection_maps_every_code_of_the_table_and_nothing_else) {
  for (int i = 0; i < 16; ++i) {
    char sName[16];
    std::snprintf(sName, sizeof(sName), "SqlRun%02d.msi", i + 1);
    CHECK_EQ(GetInstanceFileFromProductCode(kCodes[i]), std::string(sName));
  }
  CHECK_EQ(GetInstanceFileFromProductCode("{e09b48b5-e141-427a-ab0c-d3605127224a}"), std::string());
  CHECK_EQ(GetInstanceFileFromProductCode("E09B48B5-E141-427A-AB0C-D3605127224A"), std::string());
  CHECK_EQ(GetInstanceFileFromProductCode(""), std::string());
}

TEST(selection_removal_ignores_case_and_takes_only_the_first_match) {
  std::vector<std::string> files = {"SqlRun01.msi", "SqlRun04.msi", "SQLRUN04.MSI"};
  RemoveInstanceFile("sqlrun04.msi", files);
  CHECK_EQ(files, (std::vector<std::string>{"SqlRun01.msi", "", "SQLRUN04.MSI"}));
  RemoveInstanceFile("SqlRun09.msi", files);
  CHECK_EQ(files, (std::vector<std::string>{"SqlRun01.msi", "", "SQLRUN04.MSI"}));
  // An empty name only matches entries that are empty already.
  RemoveInstanceFile("", files);
  CHECK_EQ(files, (std::vector<std::string>{"SqlRun01.msi", "", "SQLRUN04.MSI"}));
}

TEST(selection_on_a_machine_without_an_engine_takes_the_first_package) {
  sim::Reset();
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun01.msi"));
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(selection_skips_the_default_instance_package) {
  sim::Reset();
  DefaultInstance(kCodes[0]);
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun02.msi"));
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(selection_fills_the_lowest_gap_of_named_instances) {
  sim::Reset();
  NamedInstance("SALES", kCodes[0]);
  NamedInstance("STOCK", kCodes[1]);
  NamedInstance("ZOMEL", kCodes[4]);
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun03.msi"));
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(selection_ignores_codes_it_does_not_know_exactly) {
  sim::Reset();
  NamedInstance("LOWER", "{e09b48b5-e141-427a-ab0c-d3605127224a}");   // written in lower case
  NamedInstance("FULLSERVER", "{11111111-2222-3333-4444-555555555555}");
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun01.msi"));
}

TEST(selection_ignores_sub_keys_that_are_not_instances) {
  sim::Reset();
  // No Setup key; a Setup key without ProductCode; a name of 259 characters.
  sim::RegSetString(HKEY_LOCAL_MACHINE, std::string(kInstances) + "80\\Tools", "Path", "C:\\x");
  sim::RegSetString(HKEY_LOCAL_MACHINE, std::string(kInstances) + "EMPTY\\Setup", "SQLPath", "C:\\y");
  NamedInstance(std::string(259, 'N'), "");
  NamedInstance("REAL", kCodes[0]);
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun02.msi"));
  CHECK_EQ(sim::OpenKeys(), 0);
}

TEST(selection_counts_a_code_found_twice_once) {
  sim::Reset();
  DefaultInstance(kCodes[0]);
  NamedInstance("AGAIN", kCodes[0]);
  NamedInstance("SECOND", kCodes[1]);
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun03.msi"));
}

TEST(selection_with_all_sixteen_codes_present_gives_nothing) {
  sim::Reset();
  DefaultInstance(kCodes[7]);
  for (int i = 0; i < 16; ++i)
    if (i != 7) NamedInstance("INST" + std::to_string(i), kCodes[i]);
  CHECK_EQ(GetAvailableInstanceFile(), std::string());
  CHECK_EQ(sim::OpenKeys(), 0);

  // Taking one instance away frees exactly its package.
  sim::RegDeleteTree(HKEY_LOCAL_MACHINE, std::string(kInstances) + "INST11");
  CHECK_EQ(GetAvailableInstanceFile(), std::string("SqlRun12.msi"));
}
