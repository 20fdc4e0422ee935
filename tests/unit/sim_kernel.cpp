// The machine half of the simulated Windows behaves like the real calls the
// wizard makes; the other tests rely on it.
#include <cstring>
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {
PROCESS_INFORMATION Start(const char* app, const char* cmd, bool* ok = nullptr) {
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::string line = cmd ? cmd : "";
  BOOL r = api::CreateProcessA(app, cmd ? &line[0] : nullptr, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                               nullptr, "C:\\SETUP", &si, &pi);
  if (ok) *ok = r != FALSE;
  return pi;
}
}  // namespace

TEST(ProcessesRunForTheirScriptedTime) {
  sim::Reset();
  int exits = 0;
  DWORD startedPid = 0;
  sim::ProcessScript script;
  script.dwExitCode = 3010;
  script.dwRunMs = 1200;
  script.OnStart = [&](DWORD pid) { startedPid = pid; };
  script.OnExit = [&] { ++exits; sim::RegSetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Done", "x", 1); };
  sim::ScriptProcess("msiexec", script);
  bool ok = false;
  PROCESS_INFORMATION pi = Start("C:\\WINDOWS\\system32\\MSIEXEC.EXE", " /i x.msi", &ok);
  CHECK(ok);
  CHECK_EQ(startedPid, pi.dwProcessId);
  CHECK_EQ(sim::Launches().size(), size_t(1));
  CHECK_EQ(sim::Launches()[0].sCommandLine, std::string(" /i x.msi"));
  CHECK_EQ(sim::Launches()[0].dwCreationFlags, DWORD(NORMAL_PRIORITY_CLASS));
  CHECK_EQ(sim::Launches()[0].cbStartupInfo, DWORD(sizeof(STARTUPINFOA)));
  DWORD code = 0;
  CHECK(api::GetExitCodeProcess(pi.hProcess, &code));
  CHECK_EQ(code, DWORD(STILL_ACTIVE));
  CHECK_EQ(api::WaitForSingleObject(pi.hProcess, 500), DWORD(WAIT_TIMEOUT));
  CHECK_EQ(api::WaitForSingleObject(pi.hProcess, 500), DWORD(WAIT_TIMEOUT));
  CHECK_EQ(exits, 0);
  CHECK_EQ(api::WaitForSingleObject(pi.hProcess, 500), DWORD(WAIT_OBJECT_0));
  CHECK_EQ(sim::Now(), DWORD(1200));   // time advances only as far as the process ran
  CHECK_EQ(exits, 1);
  CHECK(sim::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Done"));
  CHECK(api::GetExitCodeProcess(pi.hProcess, &code));
  CHECK_EQ(code, DWORD(3010));
  CHECK_EQ(sim::OpenHandles(), 2);
  CHECK(api::CloseHandle(pi.hThread));
  CHECK(api::CloseHandle(pi.hProcess));
  CHECK(!api::CloseHandle(pi.hProcess));
  CHECK_EQ(sim::OpenHandles(), 0);
  CHECK_EQ(exits, 1);
}

TEST(ProcessScriptsMatchTheCommandLineWithoutApplication) {
  sim::Reset();
  sim::ProcessScript a, b;
  a.dwExitCode = 1;
  b.dwExitCode = 2;
  sim::ScriptProcess("net start", a);
  sim::ScriptProcess("scm.exe", b);
  PROCESS_INFORMATION pi = Start(nullptr, "C:\\WINDOWS\\system32\\cmd.exe /C NET START MSSQL$X");
  DWORD code = 0;
  CHECK_EQ(api::WaitForSingleObject(pi.hProcess, INFINITE), DWORD(WAIT_OBJECT_0));
  CHECK(api::GetExitCodeProcess(pi.hProcess, &code));
  CHECK_EQ(code, DWORD(1));
  bool ok = true;
  Start(nullptr, "unknown.exe", &ok);
  CHECK(!ok);
  CHECK_EQ(api::GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  CHECK_EQ(sim::Launches().size(), size_t(2));
  CHECK_EQ(sim::Launches()[1].dwProcessId, DWORD(0));
  api::CloseHandle(pi.hProcess);
  api::CloseHandle(pi.hThread);
}

TEST(FailingWaitsAndInputIdle) {
  sim::Reset();
  sim::ProcessScript s;
  s.bWaitFails = true;
  s.dwRunMs = 10000;
  sim::ScriptProcess("bad", s);
  PROCESS_INFORMATION pi = Start("bad.exe", nullptr);
  CHECK_EQ(api::WaitForSingleObject(pi.hProcess, 500), DWORD(WAIT_FAILED));
  DWORD code = 0;
  api::GetExitCodeProcess(pi.hProcess, &code);
  CHECK_EQ(code, DWORD(STILL_ACTIVE));
  CHECK_EQ(api::WaitForSingleObject(HANDLE(0x12345), 0), DWORD(WAIT_FAILED));

  sim::ProcessScript slow;
  slow.dwIdleMs = 700;
  slow.dwRunMs = 5000;
  sim::ScriptProcess("sqlmangr", slow);
  PROCESS_INFORMATION q = Start("C:\\Tools\\sqlmangr.exe", "/n");
  CHECK_EQ(api::WaitForInputIdle(q.hProcess, 500), DWORD(WAIT_TIMEOUT));
  CHECK_EQ(api::WaitForInputIdle(q.hProcess, 500), DWORD(0));
  CHECK(sim::ProcessRunning(q.dwProcessId));
  sim::Advance(5000);
  CHECK(!sim::ProcessRunning(q.dwProcessId));
}

TEST(FilesCopyAndDelete) {
  sim::Reset();
  CHECK(api::CopyFileA("C:\\SETUP\\qxMSI_ERR.dll", "C:\\TEMP\\qxMSI_ERR.dll", FALSE));
  CHECK(sim::FileExists("c:\\temp\\QXMSI_ERR.DLL"));
  CHECK(!api::CopyFileA("C:\\SETUP\\qxMSI_ERR.dll", "C:\\TEMP\\qxMSI_ERR.dll", TRUE));
  CHECK_EQ(api::GetLastError(), DWORD(ERROR_FILE_EXISTS));
  CHECK(api::CopyFileA("C:\\SETUP\\qxMSI_ERR.dll", "C:\\TEMP\\qxMSI_ERR.dll", FALSE));
  CHECK(!api::CopyFileA("C:\\SETUP\\missing.dll", "C:\\TEMP\\m.dll", FALSE));
  CHECK(!api::CopyFileA("C:\\SETUP\\qxMSI_ERR.dll", "C:\\NOFOLDER\\x.dll", FALSE));

  // A library loaded from a file keeps the file in use.
  sim::AddLibrary("qxMSI_ERR.dll", {});
  HMODULE h = api::LoadLibraryA("C:\\TEMP\\qxMSI_ERR.dll");
  CHECK(h != nullptr);
  CHECK(!api::DeleteFileA("C:\\TEMP\\qxMSI_ERR.dll"));
  CHECK(api::FreeLibrary(h));
  CHECK(api::DeleteFileA("C:\\TEMP\\qxMSI_ERR.dll"));
  CHECK(!api::DeleteFileA("C:\\TEMP\\qxMSI_ERR.dll"));
  CHECK(api::LoadLibraryA("C:\\TEMP\\qxMSI_ERR.dll") == nullptr);   // the file is gone
  CHECK_EQ(sim::LoadedLibraries(), 0);
}

TEST(LibrariesCountLoadsAndFrees) {
  sim::Reset();
  sim::AddLibrary("msi", {});
  CHECK(api::GetModuleHandleA("msi.dll") == nullptr);
  HMODULE a = api::LoadLibraryA("msi");
  HMODULE b = api::LoadLibraryA("MSI.DLL");
  CHECK(a == b);
  CHECK_EQ(sim::LoadedLibraries(), 2);
  CHECK(api::GetModuleHandleA("msi") == a);
  CHECK(api::GetProcAddress(a, "DllGetVersion") == nullptr);
  char path[MAX_PATH];
  CHECK_EQ(api::GetModuleFileNameA(a, path, MAX_PATH), DWORD(std::strlen("C:\\WINDOWS\\system32\\msi.dll")));
  api::FreeLibrary(a);
  api::FreeLibrary(b);
  CHECK(!api::FreeLibrary(b));
  CHECK(api::GetModuleHandleA("msi") == nullptr);
  CHECK_EQ(api::GetModuleFileNameA(nullptr, path, MAX_PATH), DWORD(21));
  CHECK_EQ(std::string(path), std::string("C:\\SETUP\\Tarnwick.exe"));
}

TEST(SystemInformationBuffers) {
  sim::Reset();
  char buf[260];
  CHECK_EQ(api::GetSystemDirectoryA(buf, 260), UINT(19));
  CHECK_EQ(std::string(buf), std::string("C:\\WINDOWS\\system32"));
  CHECK_EQ(api::GetSystemDirectoryA(buf, 5), UINT(20));   // too small: the size needed
  sim::SetSystemDirectory(nullptr);
  CHECK_EQ(api::GetSystemDirectoryA(buf, 260), UINT(0));
  CHECK_EQ(api::GetTempPathA(260, buf), DWORD(8));
  CHECK_EQ(std::string(buf), std::string("C:\\TEMP\\"));

  sim::SetDrives({{"A:\\", DRIVE_REMOVABLE}, {"C:\\", DRIVE_FIXED}, {"D:\\", DRIVE_CDROM}});
  std::memset(buf, 'x', sizeof(buf));
  CHECK_EQ(api::GetLogicalDriveStringsA(260, buf), DWORD(12));
  CHECK_EQ(std::string(buf, 13), std::string("A:\\\0C:\\\0D:\\\0\0", 13));
  CHECK_EQ(api::GetDriveTypeA("C:\\"), UINT(DRIVE_FIXED));
  CHECK_EQ(api::GetDriveTypeA("d:\\"), UINT(DRIVE_CDROM));
  CHECK_EQ(api::GetDriveTypeA("Q:\\"), UINT(DRIVE_NO_ROOT_DIR));

  CHECK_EQ(api::GetEnvironmentVariableA("comspec", buf, 260), DWORD(27));
  CHECK_EQ(api::GetEnvironmentVariableA("COMSPEC", buf, 4), DWORD(28));
  sim::SetEnv("COMSPEC", nullptr);
  CHECK_EQ(api::GetEnvironmentVariableA("COMSPEC", buf, 260), DWORD(0));

  sim::SetCommandLine("/MSI");
  CHECK_EQ(std::string(api::GetCommandLineA()), std::string("\"C:\\SETUP\\Tarnwick.exe\" /MSI"));

  OSVERSIONINFOA vi{};
  vi.dwOSVersionInfoSize = 100;
  CHECK(!api::GetVersionExA(&vi));
  vi.dwOSVersionInfoSize = sizeof(vi);
  sim::SetVersion(1, 4, 10);
  CHECK(api::GetVersionExA(&vi));
  CHECK_EQ(vi.dwPlatformId, DWORD(1));
  CHECK_EQ(vi.dwMinorVersion, DWORD(10));
}

TEST(ClockAndLocale) {
  sim::Reset();
  SYSTEMTIME st;
  api::GetLocalTime(&st);
  CHECK_EQ(st.wYear, WORD(2026));
  CHECK_EQ(st.wMonth, WORD(12));
  CHECK_EQ(st.wDay, WORD(6));
  CHECK_EQ(st.wDayOfWeek, WORD(0));   // a Sunday
  CHECK_EQ(st.wHour, WORD(12));
  api::Sleep(1500);
  CHECK_EQ(api::GetTickCount(), DWORD(1500));
  SYSTEMTIME eve{2026, 12, 0, 31, 23, 59, 59, 900};   // New Year's Eve, 100 ms before midnight
  sim::SetLocalTime(eve);
  sim::Advance(200);
  api::GetLocalTime(&st);
  CHECK_EQ(st.wYear, WORD(2027));
  CHECK_EQ(st.wMonth, WORD(1));
  CHECK_EQ(st.wDay, WORD(1));
  CHECK_EQ(st.wHour, WORD(0));
  CHECK_EQ(st.wMilliseconds, WORD(100));
  CHECK_EQ(st.wDayOfWeek, WORD(5));   // a Friday

  char sep[4];
  CHECK_EQ(api::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 4), 2);
  CHECK_EQ(std::string(sep), std::string("."));
  sim::SetDecimalSeparator(",");
  api::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 4);
  CHECK_EQ(std::string(sep), std::string(","));
}

TEST(CodePageConversions) {
  const char text[] = "a\x80\xe9\x81";
  WCHAR wide[8];
  CHECK_EQ(api::MultiByteToWideChar(CP_ACP, 0, text, 4, nullptr, 0), 4);
  CHECK_EQ(api::MultiByteToWideChar(CP_ACP, 0, text, 4, wide, 8), 4);
  CHECK_EQ(unsigned(wide[1]), 0x20ACu);
  CHECK_EQ(unsigned(wide[2]), 0xE9u);
  CHECK_EQ(unsigned(wide[3]), 0x81u);
  char back[8] = {0};
  CHECK_EQ(api::WideCharToMultiByte(CP_ACP, 0, wide, 4, back, 8, nullptr, nullptr), 4);
  CHECK_EQ(std::string(back), std::string(text));
  WCHAR greek[] = {0x3A9, 0};
  BOOL usedDefault = FALSE;
  CHECK_EQ(api::WideCharToMultiByte(CP_ACP, 0, greek, -1, back, 8, nullptr, &usedDefault), 2);
  CHECK_EQ(back[0], '?');
  CHECK(usedDefault);
}

TEST(PrivilegesAndRestart) {
  sim::Reset();
  HANDLE token = nullptr;
  CHECK(api::OpenProcessToken(api::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES tp;
  tp.PrivilegeCount = 1;
  CHECK(api::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid));
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  CHECK(api::ExitWindowsEx(EWX_REBOOT, 0));
  CHECK(api::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
  sim::SetExitWindowsFails(true);
  CHECK(!api::ExitWindowsEx(10, 0));
  CHECK_EQ(sim::ExitWindowsCalls().size(), size_t(2));
  CHECK(!sim::ExitWindowsCalls()[0].bPrivilegeEnabled);
  CHECK(sim::ExitWindowsCalls()[1].bPrivilegeEnabled);
  CHECK_EQ(sim::ExitWindowsCalls()[1].uFlags, UINT(10));
  CHECK(api::CloseHandle(token));
  bool ended = false;
  try {
    api::ExitProcess(3);
  } catch (const sim::ProcessExit& e) {
    ended = e.uExitCode == 3;
  }
  CHECK(ended);
}

TEST(RegistryHandlesAndAccess) {
  sim::Reset();
  HKEY h = nullptr;
  CHECK_EQ(long(api::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\B", 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr)), 0L);
  CHECK_EQ(sim::OpenKeys(), 1);
  const BYTE one[] = {1, 0, 0, 0};
  CHECK_EQ(long(api::RegSetValueExA(h, "v", 0, REG_DWORD, one, 4)), long(ERROR_ACCESS_DENIED));
  HKEY c = nullptr;
  CHECK_EQ(long(api::RegCreateKeyExA(h, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr)),
           long(ERROR_ACCESS_DENIED));
  CHECK_EQ(long(api::RegCloseKey(h)), 0L);
  CHECK_EQ(long(api::RegCloseKey(h)), long(ERROR_INVALID_HANDLE));
  CHECK_EQ(long(api::RegCloseKey(HKEY_LOCAL_MACHINE)), 0L);
  // Roots only as the system spells them: sign-extended handle values.
  CHECK(api::RegOpenKeyExA(HKEY(ULONG_PTR(0x80000002u)), "A", 0, KEY_READ, &h) != ERROR_SUCCESS ||
        sizeof(void*) == 4);
  CHECK_EQ(sim::OpenKeys(), 0);
  // A key deleted while a handle is open is gone for that handle too.
  CHECK_EQ(long(api::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B", 0, KEY_ALL_ACCESS, &h)), 0L);
  sim::RegDeleteTree(HKEY_LOCAL_MACHINE, "A");
  CHECK_EQ(long(api::RegSetValueExA(h, "v", 0, REG_DWORD, one, 4)), long(ERROR_KEY_DELETED));
  api::RegCloseKey(h);
  CHECK(!sim::RegKeyExists(HKEY_LOCAL_MACHINE, "A"));
}
