#include "util/Unattended.h"

namespace {
// Windows splits a command line into words at blanks and tabs alike.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameWord(const std::string& s, size_t at, size_t n, const char* sWord) {
  size_t i = 0;
  for (; i < n && sWord[i]; ++i) {
    char c = s[at + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != sWord[i]) return false;
  }
  return i == n && !sWord[i];
}
}  // namespace

Deployment& Unattended() {
  static Deployment d;
  return d;
}

bool NoQuestions() { return Unattended().eUi != UiFull; }

std::string WithoutDeploymentSwitches(const std::string& sCommand, Deployment* pFound) {
  Deployment d;
  bool bFound = false;
  std::string sKept;
  for (size_t i = 0; i < sCommand.size();) {
    if (IsBlank(sCommand[i])) {
      sKept += sCommand[i++];
      continue;
    }
    const size_t nStart = i;
    while (i < sCommand.size() && !IsBlank(sCommand[i])) ++i;
    const size_t n = i - nStart;
    if (SameWord(sCommand, nStart, n, "/quiet")) {
      d.eUi = UiQuiet;
    } else if (SameWord(sCommand, nStart, n, "/passive")) {
      if (d.eUi != UiQuiet) d.eUi = UiPassive;
    } else if (SameWord(sCommand, nStart, n, "/norestart")) {
      d.bNoRestart = true;
    } else {
      sKept += sCommand.substr(nStart, n);
      continue;
    }
    // A switch goes with the blanks and tabs in front of it.
    bFound = true;
    while (!sKept.empty() && IsBlank(sKept.back())) sKept.pop_back();
  }
  if (pFound) *pFound = d;
  if (!bFound) return sCommand;
  const size_t nFirst = sKept.find_first_not_of(" \t");
  return nFirst == std::string::npos ? std::string() : sKept.substr(nFirst, sKept.find_last_not_of(" \t") - nFirst + 1);
}

std::string DeploymentSwitchText() {
  const Deployment& d = Unattended();
  std::string s = d.eUi == UiQuiet ? " /quiet" : d.eUi == UiPassive ? " /passive" : "";
  if (d.bNoRestart) s += " /norestart";
  return s;
}
