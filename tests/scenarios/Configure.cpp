// The server configuration: the service start, the management calls for
// each kind of login with the progress lines, and out of memory.
#include <new>
#include "configure/MConfigure.h"
#include "tests/scenarios/Harness.h"

namespace {
struct Progress : IConfigurationProgress {
  std::vector<std::string> lines;
  void ConfigurationCallback(const std::string& s) override { lines.push_back(s); }
  void Refresh() override {}
};

const char kTools[] = "C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\";
const char kStarted[] = "SQL Server service started successfully....";
const char kSetSa[] = "Setting sa password....";

BSTR WINAPI NoMemory(const OLECHAR*) { throw std::bad_alloc(); }
int WINAPI NoMemoryBox(HWND, LPCSTR, LPCSTR, UINT) { throw std::bad_alloc(); }
}  // namespace

// One configuration with every process replayed as ended at once.
bool Configure(const char* server, const char* user, const char* password, bool nt, std::vector<std::string>* lines) {
  ReplayProcesses(0);
  App::SetExitCode(3010);   // what the run before the restart ended with
  Progress p;
  const bool ok = ConfigureServer(server, user, password, nt, &p);   // nothing may escape its handler
  if (lines) *lines = p.lines;
  return ok;
}

void ConfigureScenarios() {
  // The management calls for each kind of login, and what the user is told.
  const struct {
    const char* user;
    const char* password;
    bool nt;
    std::vector<std::string> calls, lines;
  } cases[] = {
      {"Sa", "P w", false,
       {"new Server", "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"P w\")", "Server.Logins()", "Logins.Item(\"sa\")",
        "Login.SetPassword(\"P w\", \"P w\")", "Server.DisConnect()"},
       {kStarted, kSetSa}},
      {"zouser", "pw 1", false,
       {"new Server", "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"pw 1\")", "Server.Logins()", "Logins.Item(\"sa\")",
        "Login.SetPassword(\"pw 1\", \"ruzal\")", "Server.DisConnect()",
        "new Server", "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"ruzal\")", "new NewLogin",
        "NewLogin.Name = \"zouser\"", "NewLogin.Type = 2", "NewLogin.SetPassword(\"\", \"pw 1\")", "Server.Logins()",
        "Logins.Add(NewLogin)", "Server.DisConnect()",
        "new Server", "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"ruzal\")", "Server.ServerRoles()",
        "ServerRoles.Item(\"sysadmin\")", "ServerRole.AddMember(\"zouser\")", "Server.DisConnect()"},
       {kStarted, kSetSa, "Setting up user login....", "Setting user password...."}},
      {"zouser", "pw", true,
       {"new Server", "Server.LoginSecure = True", "Server.Connect(\"HOST\\ZoMEL\")", "Server.Logins()",
        "Logins.Item(\"sa\")", "Login.SetPassword(\"pw\", \"ruzal\")", "Server.DisConnect()"},
       {kStarted, kSetSa}},
  };
  for (const auto& c : cases) {
    Clean();
    std::vector<std::string> lines;
    const std::string what = std::string("configure as ") + c.user + (c.nt ? " (Windows)" : " (server login)");
    Check(Configure("ZoMEL", c.user, c.password, c.nt, &lines), what + ": succeeds");
    Eq(what + ": calls", Join(DmoLog()), Join(c.calls));
    Eq(what + ": progress", Join(lines), Join(c.lines));
    Eq(what + ": boxes, exit code", std::to_string(seam::S().boxes.size()) + " " + std::to_string(App::ExitCode()), "0 0");
    CheckReleased(what);
  }

  // The service: net start through the command interpreter on the NT
  // family, scm.exe before; the management target follows the server name.
  const struct {
    const char* server;
    bool win98;
    std::string command, target;
  } services[] = {
      {"ZoMEL", false, "|C:\\windows\\system32\\cmd.exe /C net start MSSQL$ZoMEL", "HOST\\ZoMEL"},
      {"default", false, "|C:\\windows\\system32\\cmd.exe /C net start MSSQLSERVER", "HOST"},
      {"HOST2\\SALES", false, "|C:\\windows\\system32\\cmd.exe /C net start MSSQL$HOST2\\SALES", "HOST2\\SALES"},
      {"Default", true, " -Action 1 -Silent 1 -Server HOST -Service MSSQL", "HOST"},
  };
  const std::string scm = std::string(kTools) + "scm.exe";
  for (size_t i = 3; (i = scm.find('\\', i + 1)) != std::string::npos;) ::CreateDirectoryA(scm.substr(0, i).c_str(), nullptr);
  ::CloseHandle(::CreateFileA(scm.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  for (const auto& s : services) {
    Clean();
    s.win98 ? ReportWindows(1, 4, 10) : ReportWindows(0, 0, 0);
    const std::string what = std::string("service of ") + s.server + (s.win98 ? " on Windows 98" : "");
    Check(Configure(s.server, "u", "p", true, nullptr), what + ": succeeds");
    Eq(what + ": started", Join(seam::S().commands), s.win98 ? "|" + ShortPath(scm) + s.command : s.command);
    Eq(what + ": target", DmoLog().size() > 2 ? DmoLog()[2] : "", "Server.Connect(\"" + s.target + "\")");
    Eq(what + ": folder", Join(seam::S().folders), s.win98 ? "" : "C:\\windows\\system32");
  }
  ReportWindows(0, 0, 0);
  // An interpreter at a drive's root runs in that root, backslash and all.
  Clean();
  char comspec[MAX_PATH] = {};
  ::GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH);
  ::CloseHandle(::CreateFileA("C:\\cmd.exe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ::SetEnvironmentVariableA("COMSPEC", "C:\\cmd.exe");
  Configure("ZoMEL", "u", "p", true, nullptr);
  ::SetEnvironmentVariableA("COMSPEC", comspec);
  Eq("service from C:\\cmd.exe: folder", Join(seam::S().folders), "C:\\");

  // Out of memory inside the engine: its own error box, and false.
  Clean();
  seam::hook::SysAllocString = NoMemory;
  Check(!Configure("ZoMEL", "zouser", "pw", false, nullptr), "out of memory: fails");
  seam::hook::SysAllocString = nullptr;
  Eq("out of memory: boxes, exit code", Boxes() + " " + std::to_string(App::ExitCode()),
     "The following error occured during database configuration: Out of memory 7 [48] 1603");
  CheckReleased("out of memory");
  // Out of memory again while the error is told: untold, still false.
  Clean();
  seam::hook::SysAllocString = NoMemory;
  const auto box = seam::hook::MessageBoxA;
  seam::hook::MessageBoxA = NoMemoryBox;
  bool bConfigured = true;
  Check(InThread([&] { bConfigured = Configure("ZoMEL", "zouser", "pw", false, nullptr); }), "out of memory twice: returns");
  seam::hook::MessageBoxA = box;
  seam::hook::SysAllocString = nullptr;
  Check(!bConfigured, "out of memory twice: fails");
  CheckReleased("out of memory twice");
  Clean();
  RefuseLogins();
  Check(!Configure("ZoMEL", "sa", "pw", false, nullptr) && App::ExitCode() == 1603, "a login refused: fails, 1603");
}
