// Product codes of the sixteen engine instance packages, SqlRun01.msi first,
// written out on their own so the tests do not trust the program's table.
#pragma once
#include <string>
#include "tests/sim/Sim.h"

namespace testdata {
const char* const kInstanceCodes[16] = {
    "{E09B48B5-E141-427A-AB0C-D3605127224A}", "{689404D2-1C94-44B3-9203-BEC5594FDA7A}",
    "{EFB70B01-B1F3-4960-AB69-4A280084A60C}", "{C2736CA7-76E1-4D0C-B590-483A7FFD18DA}",
    "{FE7E950B-220A-4182-B5CA-19397244DCFD}", "{7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19}",
    "{F07E35BF-8B03-4777-9B5E-AE90E4FF0932}", "{C5B59406-E985-4187-84E8-68E2D9F89A47}",
    "{D7CE240C-0F3B-4C40-9278-C0B90E533652}", "{A519AE9C-7C79-4C5B-9127-8F46D648D5A4}",
    "{4541DA32-2108-43E9-9915-C71B9DE77048}", "{A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D}",
    "{9FCE5BBD-D85F-4905-8A0C-12A3A86C2434}", "{F4E46404-2578-4955-B748-547957F08AB1}",
    "{B7300824-E68F-45F1-BAC1-5F15636C346F}", "{CD59EA85-6CBF-4C08-BE59-6C628B3D8F54}",
};

// Registers a named instance (sName) or, with "", the default instance.
inline void AddInstance(const std::string& sName, const std::string& sCode) {
  sim::RegSetString(HKEY_LOCAL_MACHINE,
                    sName.empty() ? std::string("SOFTWARE\\Microsoft\\MSSQLServer\\Setup")
                                  : "SOFTWARE\\Microsoft\\Microsoft SQL Server\\" + sName + "\\Setup",
                    "ProductCode", sCode);
}
}  // namespace testdata
