// Choice of the engine instance package: the lowest-numbered of SqlRun01.msi
// .. SqlRun16.msi whose product code no installed instance carries.
#pragma once
#include <string>
#include <vector>

// File name of the package to install (no folder), or "" when all sixteen
// product codes are installed already.
std::string GetAvailableInstanceFile();

// Package of a product code, compared exactly (upper case, braces); "" when
// the code is not one of ours.
std::string GetInstanceFileFromProductCode(const std::string& sProductCode);

// Empties the first entry equal to sFileName, ignoring case.
void RemoveInstanceFile(const std::string& sFileName, std::vector<std::string>& InstanceFiles);
