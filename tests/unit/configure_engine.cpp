// The server configuration on the simulated machine: the service manager
// stage, both ways of starting the service with their exact command lines,
// the management target, the management calls in order, the progress lines
// and the error handler. The management objects are replaced by a recorder
// that can be told to fail at a given call.
#include <memory>
#include <string>
#include <vector>
#include "configure/MAutomation.h"
#include "configure/MConfigure.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {

const char kServerIds[] = "{10020200-E260-11CF-AE68-00AA004A34D5} {10020206-E260-11CF-AE68-00AA004A34D5}";
const char kLoginIds[] = "{10021300-E260-11CF-AE68-00AA004A34D5} {10021306-E260-11CF-AE68-00AA004A34D5}";
const char kToolsLong[] = "C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\";
const char kToolsShort[] = "C:\\PROGRA~1\\MICROS~2\\80\\Tools\\Binn\\";
const char kManagerClass[] = "SQLManagerApplicationClass";
const char kManagerTitle[] = "SQL Server Service Manager";
const char kBoxCaption[] = "&Auto-start service when OS starts";
const DWORD kOtherPid = 4242;

// ---- management objects that record what is asked of them ----

struct Recorder;

class RecObject : public CAutoObject {
public:
  RecObject(Recorder* r, const std::string& sName) : m_r(r), m_sName(sName) {}
  AutoValue Call(const char* sMember, const std::vector<AutoValue>& args) override;
  void Let(const char* sMember, const AutoValue& v) override;
  std::string m_sName;

private:
  Recorder* m_r;
};

std::string Show(const AutoValue& v) {
  switch (v.eKind) {
    case AutoValue::Text: return "\"" + v.s + "\"";
    case AutoValue::Bool: return v.b ? "True" : "False";
    case AutoValue::Long: return std::to_string(v.n);
    case AutoValue::Object: return static_cast<RecObject*>(v.o.get())->m_sName;
    default: return "Empty";
  }
}

struct Recorder : IAutomation {
  std::vector<std::string> calls;
  std::string sFailAt;          // the call (as logged) that raises the error
  RuntimeError failure{0, ""};
  int nFailCount = 0;

  void Log(const std::string& s) {
    calls.push_back(s);
    if (!sFailAt.empty() && s == sFailAt) {
      ++nFailCount;
      throw failure;
    }
  }
  AutoRef CreateObject(const char* sClassId, const char* sInterfaceId) override {
    std::string ids = std::string(sClassId) + " " + sInterfaceId;
    std::string sName = ids == kServerIds ? "Server" : ids == kLoginIds ? "NewLogin" : "Unknown";
    Log("new " + sName);
    return std::make_shared<RecObject>(this, sName);
  }
};

AutoValue RecObject::Call(const char* sMember, const std::vector<AutoValue>& args) {
  std::string s = m_sName + "." + sMember + "(";
  for (size_t i = 0; i < args.size(); ++i) s += (i ? ", " : "") + Show(args[i]);
  m_r->Log(s + ")");
  std::string m = sMember;
  if (m == "Logins") return AutoObject(std::make_shared<RecObject>(m_r, "Logins"));
  if (m == "ServerRoles") return AutoObject(std::make_shared<RecObject>(m_r, "ServerRoles"));
  if (m == "Item" && m_sName == "Logins") return AutoObject(std::make_shared<RecObject>(m_r, "Login"));
  if (m == "Item" && m_sName == "ServerRoles") return AutoObject(std::make_shared<RecObject>(m_r, "ServerRole"));
  return AutoValue();
}

void RecObject::Let(const char* sMember, const AutoValue& v) { m_r->Log(m_sName + "." + sMember + " = " + Show(v)); }

// ---- the progress receiver ----

struct Progress : IConfigurationProgress {
  std::vector<std::string> lines;   // "<repaint>" marks a repaint request
  std::vector<int> pointers;        // the mouse pointer at each line
  void ConfigurationCallback(const std::string& s) override {
    lines.push_back(s);
    pointers.push_back(Screen::MousePointer());
  }
  void Refresh() override { lines.push_back("<repaint>"); }
};

// ---- the machine ----

struct ManagerState {
  HWND hWnd = nullptr, hBox = nullptr;
  int nCheck = 0;
};

// The service manager's window, as the real program shows it.
void RemoveTool(const char* sName) {
  sim::RemoveFile(std::string(kToolsLong) + sName);
  sim::RemoveFile(std::string(kToolsShort) + sName);
}

void ShowManager(ManagerState& m, DWORD dwPid) {
  m.hWnd = sim::AddWindow(kManagerClass, kManagerTitle, dwPid);
  sim::AddWindow("Static", "Server:", dwPid, m.hWnd);
  m.hBox = sim::AddWindow("Button", kBoxCaption, dwPid, m.hWnd);
  ManagerState* p = &m;
  sim::SetWindowHandler(m.hBox, [p](UINT msg, WPARAM wp, LPARAM) -> LRESULT {
    if (msg == BM_GETCHECK) return p->nCheck;
    if (msg == BM_SETCHECK) p->nCheck = static_cast<int>(wp);
    return 0;
  });
}

struct Machine {
  Recorder dmo;
  ManagerState manager;
  Machine() {
    sim::Reset();
    SetAutomation(&dmo);
    // The simulated file system does not resolve short names by itself, so
    // the tools answer under both.
    for (std::string tools : {kToolsLong, kToolsShort}) {
      sim::AddFile(tools + "sqlmangr.exe");
      sim::AddFile(tools + "scm.exe");
    }
    sim::SetShortName("C:\\Program Files", "C:\\PROGRA~1");
    sim::SetShortName("C:\\Program Files\\Microsoft SQL Server", "C:\\PROGRA~1\\MICROS~2");
    // The manager shows its window at once and is idle after 1.2 s.
    sim::ProcessScript mgr;
    mgr.dwRunMs = 600000;
    mgr.dwIdleMs = 1200;
    ManagerState* pm = &manager;
    mgr.OnStart = [pm](DWORD pid) { ShowManager(*pm, pid); };
    sim::ScriptProcess("sqlmangr.exe", mgr);
    sim::ProcessScript net;
    net.dwRunMs = 1700;
    sim::ScriptProcess("net start", net);
    sim::ProcessScript scm;
    scm.dwRunMs = 3000;
    scm.dwIdleMs = 900;
    sim::ScriptProcess("scm.exe", scm);
  }
  ~Machine() { SetAutomation(nullptr); }
};

const sim::Launch* FindLaunch(const std::string& sPart) {
  for (const auto& l : sim::Launches())
    if ((l.sApplication + "|" + l.sCommandLine).find(sPart) != std::string::npos) return &l;
  return nullptr;
}

std::vector<UINT> Messages(HWND h) {
  std::vector<UINT> v;
  for (const auto& m : sim::MessagesTo(h)) v.push_back(m.msg);
  return v;
}

const std::vector<std::string> kSqlAuthCalls = {
    "new Server",
    "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"\")",
    "Server.Logins()",
    "Logins.Item(\"sa\")",
    "Login.SetPassword(\"\", \"ruzal\")",
    "Server.DisConnect()",
    "new Server",
    "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"ruzal\")",
    "new NewLogin",
    "NewLogin.Name = \"zouser\"",
    "NewLogin.Type = 2",
    "NewLogin.SetPassword(\"\", \"pw 1\")",
    "Server.Logins()",
    "Logins.Add(NewLogin)",
    "Server.DisConnect()",
    "new Server",
    "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"ruzal\")",
    "Server.ServerRoles()",
    "ServerRoles.Item(\"sysadmin\")",
    "ServerRole.AddMember(\"zouser\")",
    "Server.DisConnect()",
};

}  // namespace

// ---- service manager stage ----

TEST(manager_is_started_when_needed_then_ticked_and_closed) {
  const char kStarted[] = "SQL Manager started successfully....";
  struct Row {
    const char* sWhat;
    void (*arrange)(Machine&);
    bool bStarted;                  // the run starts the manager itself
    std::vector<UINT> boxMessages;  // empty: the window has no box
  };
  const Row rows[] = {
      {"not running", [](Machine&) {}, true, {BM_GETCHECK, BM_SETCHECK}},
      {"running", [](Machine& m) { ShowManager(m.manager, kOtherPid); }, false, {BM_GETCHECK, BM_SETCHECK}},
      {"running, box ticked", [](Machine& m) {
         ShowManager(m.manager, kOtherPid);
         m.manager.nCheck = 1;
       }, false, {BM_GETCHECK}},
      {"running, no box", [](Machine& m) {
         m.manager.hWnd = sim::AddWindow(kManagerClass, kManagerTitle, kOtherPid);
       }, false, {}},
  };
  for (const Row& r : rows) {
    Machine m;
    r.arrange(m);
    Progress p;
    const std::string what = std::string(r.sWhat) + ": ";
    // Where the run starts no manager, it also runs without a receiver.
    CHECK(ConfigureServer("ZoMEL", "zouser", "pw 1", false, r.bStarted ? &p : nullptr));
    const sim::Launch* l = FindLaunch("sqlmangr.exe");
    CHECK_EQ(what + (l ? "started" : "-"), what + (r.bStarted ? "started" : "-"));
    if (l) {
      CHECK_EQ(l->sApplication, std::string(kToolsShort) + "sqlmangr.exe");
      CHECK_EQ(l->sCommandLine, std::string("/n"));
      CHECK_EQ(l->sDirectory, std::string("C:\\SETUP"));
      CHECK_EQ(l->dwCreationFlags, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
      CHECK_EQ(l->cbStartupInfo, static_cast<DWORD>(sizeof(STARTUPINFOA)));
    }
    if (m.manager.hBox) {
      CHECK_EQ(Messages(m.manager.hBox), r.boxMessages);
      CHECK_EQ(m.manager.nCheck, 1);
    }
    CHECK_EQ(Messages(m.manager.hWnd), (std::vector<UINT>{WM_CLOSE}));
    CHECK_EQ(what + (!p.lines.empty() && p.lines[0] == kStarted ? "told" : "-"), what + (r.bStarted ? "told" : "-"));
    CHECK_EQ(m.dmo.calls, kSqlAuthCalls);
    CHECK_EQ(sim::OpenHandles(), 0);
  }
}

TEST(manager_start_waits_for_input_idle_then_pauses_a_second_before_closing) {
  Machine m;
  // No way to start the service, so only the manager stage takes time.
  sim::SetEnv("COMSPEC", nullptr);
  CHECK(!ConfigureServer("ZoMEL", "u", "p", false, nullptr));
  // Input idle after 1200 ms (two 500 ms time-outs first), then the 1000 ms pause.
  CHECK_EQ(sim::Now(), static_cast<DWORD>(2200));
}

TEST(missing_or_failing_manager_only_skips_its_stage) {
  for (bool bMissing : {true, false}) {
    Machine m;
    if (bMissing) {
      RemoveTool("sqlmangr.exe");
    } else {   // started, but it never shows its window: nothing to tick, no close
      sim::ProcessScript silent;
      silent.dwRunMs = 100;
      sim::ScriptProcess("sqlmangr.exe", silent);
    }
    Progress p;
    CHECK(ConfigureServer("ZoMEL", "zouser", "pw 1", false, &p));
    CHECK_EQ(FindLaunch("sqlmangr.exe") == nullptr, bMissing);
    CHECK(!p.lines.empty() && p.lines[0] == (bMissing ? "SQL Server service started successfully...."
                                                      : "SQL Manager started successfully...."));
    CHECK_EQ(m.dmo.calls, kSqlAuthCalls);
    CHECK(sim::MessageBoxes().empty());
  }
}

// ---- starting the service ----

TEST(nt_family_runs_net_start_through_comspec_in_its_folder) {
  struct Case { const char* sServer; const char* sLine; const char* sTarget; };
  const Case cases[] = {
      {"ZoMEL", "C:\\WINDOWS\\system32\\cmd.exe /C net start MSSQL$ZoMEL", "HOST\\ZoMEL"},
      {"default", "C:\\WINDOWS\\system32\\cmd.exe /C net start MSSQLSERVER", "HOST"},
      {"DEFAULT", "C:\\WINDOWS\\system32\\cmd.exe /C net start MSSQLSERVER", "HOST"},
      {"HOST2\\SALES", "C:\\WINDOWS\\system32\\cmd.exe /C net start MSSQL$HOST2\\SALES", "HOST2\\SALES"},
  };
  for (const Case& c : cases) {
    Machine m;
    CHECK(ConfigureServer(c.sServer, "u", "p", true, nullptr));
    const sim::Launch* l = FindLaunch("net start");
    CHECK(l != nullptr);
    if (!l) continue;
    CHECK_EQ(l->sApplication, std::string());
    CHECK_EQ(l->sCommandLine, std::string(c.sLine));
    CHECK_EQ(l->sDirectory, std::string("C:\\WINDOWS\\system32"));
    CHECK_EQ(l->dwCreationFlags, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    CHECK(FindLaunch("scm.exe") == nullptr);
    CHECK(m.dmo.calls.size() > 2 && m.dmo.calls[2] == "Server.Connect(\"" + std::string(c.sTarget) + "\")");
    CHECK_EQ(sim::OpenHandles(), 0);
  }
}

TEST(net_start_is_waited_for_until_it_ends) {
  Machine m;
  RemoveTool("sqlmangr.exe");
  Progress p;
  sim::ProcessScript net;
  net.dwRunMs = 1700;
  DWORD dwEnded = 0;
  net.OnExit = [&dwEnded]() { dwEnded = sim::Now(); };
  sim::ScriptProcess("net start", net);
  CHECK(ConfigureServer("ZoMEL", "u", "p", true, &p));
  CHECK_EQ(dwEnded, static_cast<DWORD>(1700));
  CHECK_EQ(sim::Now(), static_cast<DWORD>(1700));
}

TEST(other_family_runs_scm_with_the_computer_name) {
  struct Case { DWORD dwPlatform, dwMajor, dwMinor; const char* sServer; const char* sTail; };
  const Case cases[] = {
      {1, 4, 10, "ZoMEL", " -Service MSSQL$ZoMEL"},   // Windows 98
      {1, 4, 0, "Default", " -Service MSSQL"},         // Windows 95
      {2, 3, 51, "SALES", " -Service MSSQL$SALES"},    // NT 3.51 counts with them
  };
  for (const Case& c : cases) {
    Machine m;
    sim::SetVersion(c.dwPlatform, c.dwMajor, c.dwMinor);
    CHECK(ConfigureServer(c.sServer, "u", "p", false, nullptr));
    const sim::Launch* l = FindLaunch("scm.exe");
    CHECK(l != nullptr);
    if (!l) continue;
    CHECK_EQ(l->sApplication, std::string());
    CHECK_EQ(l->sCommandLine,
             std::string(kToolsShort) + "scm.exe -Action 1 -Silent 1 -Server HOST" + c.sTail);
    CHECK_EQ(l->sDirectory, std::string());
    CHECK(FindLaunch("net start") == nullptr);
    CHECK_EQ(sim::OpenHandles(), 0);
  }
}

TEST(program_paths_with_blanks_are_quoted) {
  {
    Machine m;
    sim::AddFile("C:\\Program Files\\Shell\\cmd.exe");
    sim::SetEnv("COMSPEC", "C:\\Program Files\\Shell\\cmd.exe");
    CHECK(ConfigureServer("ZoMEL", "u", "p", true, nullptr));
    const sim::Launch* l = FindLaunch("net start");
    CHECK(l && l->sCommandLine == "\"C:\\Program Files\\Shell\\cmd.exe\" /C net start MSSQL$ZoMEL");
    CHECK(l && l->sDirectory == "C:\\Program Files\\Shell");
  }
  {
    // No short form to be had: the long path goes in, quoted.
    Machine m;
    sim::Reset();
    sim::AddFile(std::string(kToolsLong) + "scm.exe");
    sim::ProcessScript scm;
    scm.dwRunMs = 10;
    sim::ScriptProcess("scm.exe", scm);
    sim::SetVersion(1, 4, 10);
    CHECK(ConfigureServer("ZoMEL", "u", "p", false, nullptr));
    const sim::Launch* l = FindLaunch("scm.exe");
    CHECK(l && l->sCommandLine == "\"" + std::string(kToolsLong) +
                                      "scm.exe\" -Action 1 -Silent 1 -Server HOST -Service MSSQL$ZoMEL");
  }
  CHECK_EQ(QuoteProgramPath("C:\\WINNT\\system32\\cmd.exe"), std::string("C:\\WINNT\\system32\\cmd.exe"));
  CHECK_EQ(QuoteProgramPath("\"C:\\A B\\x.exe\""), std::string("\"C:\\A B\\x.exe\""));
}

TEST(no_way_to_start_the_service_ends_quietly_with_false) {
  struct Setup { const char* sWhat; void (*arrange)(); };
  const Setup setups[] = {
      {"COMSPEC unset", [] { sim::SetEnv("COMSPEC", nullptr); }},
      {"COMSPEC names a missing file", [] { sim::SetEnv("COMSPEC", "C:\\WINDOWS\\system32\\nocmd.exe"); }},
      {"interpreter does not start", [] { sim::Reset(); }},   // no program answers
      {"scm.exe missing", [] {
         sim::SetVersion(1, 4, 90);
         RemoveTool("scm.exe");
       }},
  };
  for (const Setup& s : setups) {
    Machine m;
    s.arrange();
    Progress p;
    bool b = ConfigureServer("ZoMEL", "u", "p", false, &p);
    CHECK(!b);
    CHECK(m.dmo.calls.empty());
    for (const auto& line : p.lines) CHECK(line.find("service started") == std::string::npos);
    CHECK(sim::MessageBoxes().empty());
    CHECK_EQ(Screen::MousePointer(), 0);
  }
}

// ---- management steps ----

TEST(sql_authentication_sets_sa_adds_the_login_and_its_role) {
  Machine m;
  Progress p;
  CHECK(ConfigureServer("ZoMEL", "zouser", "pw 1", false, &p));
  CHECK_EQ(m.dmo.calls, kSqlAuthCalls);
  CHECK_EQ(p.lines, (std::vector<std::string>{"SQL Manager started successfully....", "<repaint>",
                                               "SQL Server service started successfully....", "<repaint>",
                                               "Setting sa password....", "Setting up user login....",
                                               "Setting user password...."}));
  CHECK_EQ(p.pointers, (std::vector<int>{11, 11, 11, 11, 11}));
  CHECK_EQ(Screen::MousePointer(), 0);
  CHECK(sim::MessageBoxes().empty());
}

TEST(windows_authentication_only_sets_sa_over_a_secure_connection) {
  Machine m;
  Progress p;
  CHECK(ConfigureServer("ZoMEL", "zouser", "pw 1", true, &p));
  CHECK_EQ(m.dmo.calls, (std::vector<std::string>{"new Server", "Server.LoginSecure = True",
                                                   "Server.Connect(\"HOST\\ZoMEL\")", "Server.Logins()",
                                                   "Logins.Item(\"sa\")", "Login.SetPassword(\"\", \"ruzal\")",
                                                   "Server.DisConnect()"}));
  CHECK_EQ(p.lines, (std::vector<std::string>{"SQL Manager started successfully....", "<repaint>",
                                               "SQL Server service started successfully....", "<repaint>",
                                               "Setting sa password...."}));
}

TEST(an_error_in_any_step_is_shown_once_and_ends_the_run) {
  // The call that fails, and the last progress line the user saw.
  struct Case { const char* sFailAt; const char* sLastLine; };
  const Case cases[] = {
      {"new Server", "Setting sa password...."},
      {"Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"\")", "Setting sa password...."},
      {"Logins.Item(\"sa\")", "Setting sa password...."},
      {"Login.SetPassword(\"\", \"ruzal\")", "Setting sa password...."},
      {"Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"ruzal\")", "Setting up user login...."},
      {"new NewLogin", "Setting up user login...."},
      {"Logins.Add(NewLogin)", "Setting up user login...."},
      {"ServerRoles.Item(\"sysadmin\")", "Setting user password...."},
      {"ServerRole.AddMember(\"zouser\")", "Setting user password...."},
  };
  for (const Case& c : cases) {
    Machine m;
    m.dmo.sFailAt = c.sFailAt;
    m.dmo.failure = RuntimeError{-2147203048, "[Microsoft][ODBC SQL Server Driver][SQL Server]Login failed for user 'sa'."};
    Progress p;
    int nPointerAtBox = -1;
    sim::SetMessageBoxHandler([&](const sim::MessageBoxRecord&) {
      nPointerAtBox = Screen::MousePointer();
      return IDOK;
    });
    CHECK(!ConfigureServer("ZoMEL", "zouser", "pw 1", false, &p));
    CHECK_EQ(m.dmo.nFailCount, 1);
    CHECK_EQ(m.dmo.calls.back(), std::string(c.sFailAt));   // nothing after the failed call
    CHECK(!p.lines.empty() && p.lines.back() == c.sLastLine);
    CHECK_EQ(sim::MessageBoxes().size(), static_cast<size_t>(1));
    if (!sim::MessageBoxes().empty()) {
      const sim::MessageBoxRecord& r = sim::MessageBoxes()[0];
      CHECK_EQ(r.sText, std::string("The following error occured during database configuration: "
                                    "[Microsoft][ODBC SQL Server Driver][SQL Server]Login failed for user 'sa'. "
                                    "-2147203048"));
      CHECK_EQ(r.sCaption, std::string("Custom Database Configuration"));
      CHECK_EQ(r.uType, static_cast<UINT>(48));
    }
    CHECK_EQ(nPointerAtBox, 0);
    CHECK_EQ(Screen::MousePointer(), 0);
  }
}

TEST(error_53_is_silent_and_windows_authentication_errors_carry_their_number) {
  struct Row { bool bNT; const char* sFailAt; RuntimeError e; const char* sBox; };
  const Row rows[] = {
      {false, "Server.Connect(\"HOST\\ZoMEL\", \"sa\", \"ruzal\")", {53, "File not found"}, nullptr},
      {true, "Server.LoginSecure = True", {438, "Object doesn't support this property or method"},
       "The following error occured during database configuration: "
       "Object doesn't support this property or method 438"},
  };
  for (const Row& r : rows) {
    Machine m;
    m.dmo.sFailAt = r.sFailAt;
    m.dmo.failure = r.e;
    CHECK(!ConfigureServer(r.bNT ? "default" : "ZoMEL", "zouser", "pw 1", r.bNT, nullptr));
    CHECK_EQ(m.dmo.calls.back(), m.dmo.sFailAt);   // the run ends at the failed call
    CHECK_EQ(sim::MessageBoxes().size(), size_t(r.sBox ? 1 : 0));
    if (r.sBox && !sim::MessageBoxes().empty()) CHECK_EQ(sim::MessageBoxes()[0].sText, std::string(r.sBox));
    CHECK_EQ(Screen::MousePointer(), 0);
  }
}

TEST(server_role_names_by_number) {
  const char* const names[] = {"", "sysadmin", "securityadmin", "serveradmin", "setupadmin", "processadmin",
                               "diskadmin", "dbcreator", "bulkadmin", ""};
  for (long n = 0; n <= 9; ++n) CHECK_EQ(GetServerRoleName(n), std::string(names[n]));
  CHECK_EQ(GetServerRoleName(-1), std::string());
}
