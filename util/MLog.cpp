#include "util/MLog.h"
#include <cstdio>
#include <cstring>
#include <vector>
#include "platform/MAPI_Declares.h"

const char* const kHiddenText = "****";

namespace {
const char kLogFileName[] = "msde_wizard.log";
const char kOldLogFileName[] = "msde_wizard.old";
const DWORD kMaxLogBytes = 1024 * 1024;
std::string g_sLogPath;   // empty until LogStart
bool g_bEnded = false;
std::vector<std::string> g_Secrets;

// The log lies where every user of the machine can read it.
std::string Scrubbed(std::string s) {
  for (const std::string& sSecret : g_Secrets)
    for (size_t at = 0; (at = s.find(sSecret, at)) != std::string::npos; at += std::strlen(kHiddenText))
      s.replace(at, sSecret.size(), kHiddenText);
  return s;
}
}  // namespace

void LogSecret(const std::string& sSecret) {
  // A password of one or two characters protects nothing, and hiding every
  // such pair of letters would leave no line readable.
  if (sSecret.size() < 3) return;
  for (const std::string& s : g_Secrets)
    if (s == sSecret) return;
  g_Secrets.push_back(sSecret);
}

void LogStart(const std::string& sFolder) {
  g_sLogPath = sFolder + kLogFileName;
  g_bEnded = false;
  WIN32_FIND_DATAA fd;
  HANDLE hFind = api::FindFirstFileA(g_sLogPath.c_str(), &fd);
  if (hFind == INVALID_HANDLE_VALUE) return;
  api::FindClose(hFind);
  if (fd.nFileSizeHigh == 0 && fd.nFileSizeLow <= kMaxLogBytes) return;
  const std::string sOld = sFolder + kOldLogFileName;
  api::DeleteFileA(sOld.c_str());
  // Where the move fails the log just grows on: losing it would be worse.
  api::MoveFileA(g_sLogPath.c_str(), sOld.c_str());
}

void Log(const std::string& sLine) {
  if (g_sLogPath.empty()) return;
  // Whoever logs may still want the last error of the call before.
  const DWORD dwLastError = api::GetLastError();
  SYSTEMTIME st;
  api::GetLocalTime(&st);
  char sStamp[32];
  std::snprintf(sStamp, sizeof sStamp, "%04u-%02u-%02u %02u:%02u:%02u ", st.wYear, st.wMonth, st.wDay, st.wHour,
                st.wMinute, st.wSecond);
  std::string s = sStamp + Scrubbed(sLine);
  // One event, one line: a CR or LF inside (a message's paragraphs) would
  // start a line without a time.
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  s += "\r\n";
  // Opened and closed per line: nothing stays locked, and a crash loses
  // nothing already said.
  HANDLE h = api::CreateFileA(g_sLogPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD nWritten = 0;
    if (api::SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
      api::WriteFile(h, s.data(), DWORD(s.size()), &nWritten, nullptr);
    api::CloseHandle(h);
  }
  api::SetLastError(dwLastError);
}

void LogEnd(const std::string& sHow) {
  if (g_bEnded) return;
  Log("End of run: " + sHow);
  g_bEnded = true;
}
