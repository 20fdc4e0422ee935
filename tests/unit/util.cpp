// System utilities on the simulated machine.
#include "tests/sim/Sim.h"
#include "tests/unit/table.h"
#include "util/Util.h"

namespace {
HRESULT CALLBACK FakeExport(void*) { return 0; }
FARPROC Export() { return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeExport)); }
}  // namespace

TEST(OSVersionCodes) {
  struct { DWORD platform, major, minor; long code; } cases[] = {
      {1, 4, 0, 2},   {1, 4, 10, 3},  {1, 4, 90, 4},  {1, 4, 20, 0},  {2, 3, 51, 1}, {2, 4, 0, 5},
      {2, 5, 0, 6},   {2, 5, 1, 7},   {2, 5, 2, 100}, {2, 6, 1, 100}, {2, 10, 0, 100},
      {2, 2, 1, 0},   {2, 2, 2, 100}, {2, 0, 0, 0},   {0, 5, 1, -1},  {3, 4, 0, -1},
  };
  for (const auto& c : cases) {
    sim::Reset();
    sim::SetVersion(c.platform, c.major, c.minor);
    CHECK_EQ(GetOSVersion(), c.code);
  }
}

TEST(TextHelpers) {
  CHECK_EQ(TrimAtNull(std::string("\0abc", 4)), std::string());
  CHECK_EQ(TrimAtNull(std::string("ab\0c\0", 5)), std::string("ab"));
  CHECK_EQ(TrimAtNull("abc"), std::string("abc"));
  CHECK_EQ(AddBackslash(""), std::string());
  CHECK_EQ(AddBackslash("C:\\"), std::string("C:\\"));
  CHECK_EQ(AddBackslash("C:\\X"), std::string("C:\\X\\"));
  // SplitPath: the file name; the folder only where there is one.
  struct { const char* path; const char* file; const char* folder; } split[] = {
      {"C:\\WINNT\\system32\\cmd.exe", "cmd.exe", "C:\\WINNT\\system32"},
      {"C:\\cmd.exe", "cmd.exe", "C:\\"},
      {"cmd.exe", "", "unchanged"},
      {"C:\\Tools\\", "", "C:\\Tools"},
  };
  for (const auto& c : split) {
    std::string folder = "unchanged";
    CHECK_ROW(c.path, SplitPath(c.path, folder), std::string(c.file));
    CHECK_ROW(c.path, folder, std::string(c.folder));
  }
}

TEST(ShortPaths) {
  sim::Reset();
  sim::AddFile("C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\sqlmangr.exe");
  sim::SetShortName("C:\\Program Files", "C:\\PROGRA~1");
  sim::SetShortName("C:\\Program Files\\Microsoft SQL Server", "C:\\PROGRA~1\\MICROS~3");
  CHECK_EQ(GetShortPath("C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\sqlmangr.exe"),
           std::string("C:\\PROGRA~1\\MICROS~3\\80\\Tools\\Binn\\sqlmangr.exe"));
  CHECK_EQ(GetShortPath("C:\\Program Files\\"), std::string("C:\\PROGRA~1\\"));
  CHECK_EQ(GetShortPath("C:\\SETUP\\Tarnwick.exe"), std::string("C:\\SETUP\\Tarnwick.exe"));
  CHECK_EQ(GetShortPath("C:\\Program Files\\Missing.exe"), std::string("C:\\Program Files\\Missing.exe"));
  CHECK_EQ(GetShortPath(""), std::string());
}

TEST(ComputerNameAndFileExists) {
  sim::Reset();
  CHECK_EQ(GetComputerNameText(), std::string("HOST"));
  sim::SetComputerName("ABCDEFGHIJKLMNOPQRSTUVWXYZ012");   // 29 characters fit the 30-character buffer
  CHECK_EQ(GetComputerNameText(), std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ012"));
  sim::SetComputerName("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");  // 30 do not
  CHECK_EQ(GetComputerNameText(), std::string());
  sim::SetComputerName(nullptr);
  CHECK_EQ(GetComputerNameText(), std::string());

  sim::AddFile("C:\\Data\\file.txt");
  struct { const char* path; bool exists; } files[] = {
      {"C:\\", true},          {"C:\\Data", true},          {"C:\\Data\\", true},
      {"  C:\\Data\\file.txt  ", true},                     {"c:\\data\\FILE.TXT", true},
      {"C:\\Data\\*.txt", true}, {"C:\\Data\\*.doc", false}, {"C:\\Data\\missing.txt", false},
      {"D:\\", false},         {"", false},
  };
  for (const auto& f : files) CHECK_ROW(f.path, FileExists(f.path), f.exists);
  CHECK_EQ(sim::OpenHandles(), 0);
}

TEST(DllExportExistsLeavesLoadStateAsFound) {
  sim::Reset();
  sim::AddLibrary("msi.dll", {{"DllGetVersion", Export()}});
  CHECK(DllExportExists("msi", "DllGetVersion"));
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK(!DllExportExists("msi", "DllInstall"));
  CHECK_EQ(sim::LoadedLibraries(), 0);
  CHECK(!DllExportExists("nosuch", "DllGetVersion"));

  HMODULE h = api::LoadLibraryA("MSI.DLL");
  CHECK(h != nullptr);
  CHECK(DllExportExists("msi", "DllGetVersion"));
  CHECK_EQ(sim::LoadedLibraries(), 1);   // loaded before: stays loaded
  api::FreeLibrary(h);
}

namespace {
int g_pumped = 0;
LRESULT CALLBACK CountingProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER + 7) {
    ++g_pumped;
    return 0;
  }
  return api::DefWindowProcA(h, msg, w, l);
}
}  // namespace

TEST(PumpMessagesDispatchesWhatIsWaitingAndReturns) {
  sim::Reset();
  WNDCLASSA wc = {};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "PumpTest";
  api::RegisterClassA(&wc);
  HWND h = api::CreateWindowExA(0, "PumpTest", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CHECK(h != nullptr);
  g_pumped = 0;
  PumpMessages();   // an empty queue: returns at once
  for (int i = 0; i < 3; ++i) api::PostMessageA(h, WM_USER + 7, 0, 0);
  PumpMessages();
  CHECK_EQ(g_pumped, 3);
  MSG msg;
  CHECK(!api::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  api::DestroyWindow(h);
}
