#include <windows.h>
#include "ServerState.h"
#include <cstdio>
#include <cstdlib>

const char* const kAdministratorsGroup = "BUILTIN\\Administrators";
const char* const kFixedRoles[8] = {"sysadmin",     "securityadmin", "serveradmin", "setupadmin",
                                    "processadmin", "diskadmin",     "dbcreator",   "bulkadmin"};

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool ServerState::Load(const std::string& sPath) {
  FILE* f = std::fopen(sPath.c_str(), "rb");
  if (!f) return false;
  *this = ServerState();
  std::string sAll;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) sAll.append(buf, n);
  std::fclose(f);
  size_t pos = 0;
  while (pos < sAll.size()) {
    size_t end = sAll.find('\n', pos);
    if (end == std::string::npos) end = sAll.size();
    std::string line = sAll.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "SecurityMode") {
      sSecurityMode = value;
    } else if (key == "Login") {
      size_t a = value.find('|'), b = a == std::string::npos ? a : value.find('|', a + 1);
      if (b == std::string::npos) continue;
      logins.push_back({value.substr(a + 1, b - a - 1), std::atoi(value.substr(0, a).c_str()), value.substr(b + 1)});
    } else if (key == "Member") {
      size_t a = value.find('|');
      if (a == std::string::npos) continue;
      members.push_back({value.substr(0, a), value.substr(a + 1)});
    }
  }
  return true;
}

bool ServerState::Save(const std::string& sPath) const {
  std::string s = "SecurityMode=" + sSecurityMode + "\r\n";
  for (const StateLogin& l : logins) s += "Login=" + std::to_string(l.nType) + "|" + l.sName + "|" + l.sPassword + "\r\n";
  for (const auto& m : members) s += "Member=" + m.first + "|" + m.second + "\r\n";
  FILE* f = std::fopen(sPath.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(s.data(), 1, s.size(), f) == s.size();
  return std::fclose(f) == 0 && ok;
}

StateLogin* ServerState::FindLogin(const std::string& sName) {
  for (StateLogin& l : logins)
    if (SameText(l.sName, sName)) return &l;
  return nullptr;
}

bool ServerState::IsMember(const std::string& sRole, const std::string& sLogin) const {
  for (const auto& m : members)
    if (SameText(m.first, sRole) && SameText(m.second, sLogin)) return true;
  return false;
}

void ServerState::AddMember(const std::string& sRole, const std::string& sLogin) {
  if (!IsMember(sRole, sLogin)) members.push_back({sRole, sLogin});
}

ServerState NewInstanceState(const std::string& sSaPassword, const std::string& sSecurityMode) {
  ServerState st;
  st.sSecurityMode = SameText(sSecurityMode, "SQL") ? "SQL" : "WINDOWS";
  st.logins.push_back({kAdministratorsGroup, 1, ""});
  st.logins.push_back({"sa", 2, sSaPassword});
  st.members.push_back({"sysadmin", kAdministratorsGroup});
  st.members.push_back({"sysadmin", "sa"});
  return st;
}

std::string StateFileBeside(const std::string& sProgramPath, const std::string& sServiceName) {
  size_t slash = sProgramPath.find_last_of("\\/");
  std::string sFolder = slash == std::string::npos ? std::string(".") : sProgramPath.substr(0, slash);
  return sFolder + "\\" + sServiceName + ".state";
}

void ToolLog(void* hModule, const std::string& sLine) {
  char sPath[MAX_PATH];
  DWORD n = GetModuleFileNameA(static_cast<HMODULE>(hModule), sPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  std::string s(sPath, n);
  size_t slash = s.find_last_of('\\');
  s = (slash == std::string::npos ? std::string(".") : s.substr(0, slash)) + "\\servertools.log";
  FILE* f = std::fopen(s.c_str(), "ab");
  if (!f) return;
  std::fprintf(f, "%s\r\n", sLine.c_str());
  std::fclose(f);
}
