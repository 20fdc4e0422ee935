// robot.exe: drives the wizard's windows from another process, for the wine
// tests. It runs its argv as a script of commands, left to right, and stops
// with exit code 1 at the first one that fails (the reason goes to stdout).
// The page is the visible top-level "TarnwickForm" window with children (the
// hidden owner has none); a message box is a top-level "#32770" window of
// another process, its text the Static child 65535. The commands are listed
// in the README ("The test robot").
#include <windows.h>
#include <shlwapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND g_LastPage = nullptr;

std::string Unescape(const char* s) {
  std::string r;
  for (; *s; ++s) r += s[0] == '\\' && s[1] == 'n' ? (++s, "\r\n") : std::string(1, *s);
  return r;
}

std::string Text(HWND h) {
  char buf[4096];
  int n = GetWindowTextA(h, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

std::string ClassOf(HWND h) {
  char buf[256];
  int n = GetClassNameA(h, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

struct Found {
  HWND page = nullptr, box = nullptr;
};

BOOL CALLBACK EnumTop(HWND h, LPARAM lp) {
  Found* f = (Found*)lp;
  if (!IsWindowVisible(h)) return TRUE;
  std::string cls = ClassOf(h);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (cls == "TarnwickForm" && GetWindow(h, GW_CHILD)) {
    if (!f->page) f->page = h;
  } else if (cls == "#32770" && pid != GetCurrentProcessId() && !f->box) {
    f->box = h;
  }
  return TRUE;
}

// Every visible top-level window of any process, once, as "CLASS|TITLE", but
// those the allowed patterns match ("*", "?", ";" between patterns, any case).
std::vector<std::string> g_Shown;
BOOL CALLBACK EnumShown(HWND h, LPARAM allowed) {
  const std::string what = ClassOf(h) + "|" + Text(h);
  if (IsWindowVisible(h) && !PathMatchSpecA(what.c_str(), (LPCSTR)allowed) &&
      std::find(g_Shown.begin(), g_Shown.end(), what) == g_Shown.end())
    g_Shown.push_back(what);
  return TRUE;
}

// The first visible window with a caption of a process.
BOOL CALLBACK WindowOf(HWND h, LPARAM lp) {
  auto* s = (std::pair<DWORD, HWND>*)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == s->first && IsWindowVisible(h) && GetWindowTextLengthA(h) > 0) s->second = h;
  return !s->second;
}

Found Scan() {
  Found f;
  EnumWindows(EnumTop, (LPARAM)&f);
  return f;
}

BOOL CALLBACK EnumChild(HWND h, LPARAM lp) {
  ((std::vector<HWND>*)lp)->push_back(h);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> all;
  if (parent) EnumChildWindows(parent, EnumChild, (LPARAM)&all);
  return all;
}

HWND FindText(HWND parent, const std::string& text) {
  for (HWND h : ChildrenOf(parent))
    if (Text(h) == text) return h;
  return nullptr;
}

bool Fail(const std::string& why) {
  std::printf("FAIL: %s\n", why.c_str());
  std::fflush(stdout);
  return false;
}

template <class Pred>
bool WaitFor(DWORD ms, Pred pred) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
}

HKEY Root(std::string& path) {
  size_t p = path.find('\\');
  std::string root = path.substr(0, p);
  path = p == std::string::npos ? "" : path.substr(p + 1);
  if (root == "HKLM") return HKEY_LOCAL_MACHINE;
  if (root == "HKCU") return HKEY_CURRENT_USER;
  return nullptr;
}

HWND FocusOf(HWND page) {
  GUITHREADINFO gi{};
  gi.cbSize = sizeof gi;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &gi)) return nullptr;
  return gi.hwndFocus;
}

// The sender waits in its own thread: a box the click opens must not stop
// the robot from looking.
DWORD WINAPI SendClick(LPVOID h) {
  SendMessageA((HWND)h, BM_CLICK, 0, 0);
  return 0;
}

void Mouse(DWORD flags, LONG x = 0, LONG y = 0) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

bool Run(int& i, int argc, char** argv) {
  std::string cmd = argv[i++];
  auto arg = [&](const char* what) -> std::string {
    if (i >= argc) {
      Fail(cmd + ": missing " + what);
      std::exit(2);
    }
    return Unescape(argv[i++]);
  };
  auto ms = [&] { return (DWORD)std::atoi(arg("ms").c_str()); };
  if (cmd == "sleep") {
    Sleep(ms());
    return true;
  }
  if (cmd == "wait-page" || cmd == "wait-new-page") {
    DWORD t = ms();
    HWND old = cmd == "wait-page" ? nullptr : g_LastPage;
    if (!WaitFor(t, [old] { HWND p = Scan().page; return p && p != old; }))
      return Fail("no " + std::string(old ? "new " : "") + "page within " + std::to_string(t) + " ms");
    g_LastPage = Scan().page;
    return true;
  }
  if (cmd == "wait-text") {
    std::string text = arg("text");
    DWORD t = ms();
    std::string box;
    HWND answered = Scan().box;   // a box being answered may linger a moment
    if (!WaitFor(t, [&] {
          Found f = Scan();
          if (FindText(f.page, text) || FindText(f.box, text)) return true;
          if (f.box && f.box != answered) box = Text(GetDlgItem(f.box, 0xFFFF));
          return !box.empty();
        }) || !box.empty())
      return Fail((box.empty() ? "not shown within " + std::to_string(t) + " ms: " : "a box said [" + box + "] instead of: ") + text);
    if (Scan().page) g_LastPage = Scan().page;
    return true;
  }
  if (cmd == "wait-box" || cmd == "wait-no-box" || cmd == "wait-gone") {
    DWORD t = ms();
    if (!WaitFor(t, [&] {
          Found f = Scan();
          return cmd == "wait-box" ? f.box != nullptr : cmd == "wait-no-box" ? !f.box : !f.box && !f.page;
        }))
      return Fail(cmd + " within " + std::to_string(t) + " ms");
    return true;
  }
  if (cmd == "dump" || cmd == "dump-box") {
    Found f = Scan();
    HWND w = cmd == "dump" ? f.page : f.box;
    if (!w) return Fail(cmd + ": no window");
    std::printf("%s|%s\n", cmd == "dump" ? "caption" : "title", Text(w).c_str());
    for (HWND c : ChildrenOf(w)) {
      bool button = _stricmp(ClassOf(c).c_str(), "Button") == 0 && (GetWindowLongA(c, GWL_STYLE) & 0xF) != BS_GROUPBOX;
      std::string t = Text(c), flat;
      if (t.empty() && !button) continue;
      for (char ch : t) flat += ch == '\r' ? "" : ch == '\n' ? "\\n" : std::string(1, ch);
      if (button)
        std::printf("button|%s|%d|%d\n", flat.c_str(), IsWindowEnabled(c) ? 1 : 0, IsWindowVisible(c) ? 1 : 0);
      else
        std::printf("%s|%s\n", GetDlgCtrlID(c) == 0xFFFF && cmd == "dump-box" ? "text" : "label", flat.c_str());
    }
    std::fflush(stdout);
    return true;
  }
  if (cmd == "expect-text") {
    std::string text = arg("text");
    return FindText(Scan().page, text) ? true : Fail(cmd + ": " + text);
  }
  if (cmd == "expect-enabled") {
    std::string text = arg("text");
    bool want = arg("0|1") == "1";
    HWND c = FindText(Scan().page, text);
    if (!c) return Fail("no control " + text);
    // A press just posted may take a moment to change it.
    if (!WaitFor(2000, [&] { return (IsWindowEnabled(c) != FALSE) == want; })) return Fail(text + (want ? " is disabled" : " is enabled"));
    return true;
  }
  if (cmd == "expect-box") {
    std::string title = arg("title"), text = arg("text");
    HWND box = Scan().box;
    if (!box) return Fail("no message box");
    if (Text(box) != title) return Fail("box title is " + Text(box));
    HWND t = GetDlgItem(box, 0xFFFF);
    if (!t || Text(t) != text) return Fail("box text is " + (t ? Text(t) : std::string("(none)")));
    return true;
  }
  if (cmd == "click" || cmd == "send-click" || cmd == "mouse" || cmd == "answer") {
    std::string text = arg("text");
    Found f = Scan();
    HWND c = FindText(cmd == "answer" ? f.box : f.page, text);
    if (!c) return Fail(cmd + ": no button " + text);
    if (!IsWindowEnabled(c)) return Fail(cmd + ": button disabled: " + text);
    if (cmd != "answer") g_LastPage = f.page;
    if (cmd == "send-click") {
      CloseHandle(CreateThread(nullptr, 0, SendClick, c, 0, nullptr));
    } else if (cmd == "mouse") {
      RECT rc;
      GetWindowRect(c, &rc);
      const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
      const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
      Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65535 + cx / 2) / (cx - 1), (y * 65535 + cy / 2) / (cy - 1));
      Sleep(100);
      Mouse(MOUSEEVENTF_LEFTDOWN);
      Sleep(100);
      Mouse(MOUSEEVENTF_LEFTUP);
    } else {
      PostMessageA(c, BM_CLICK, 0, 0);
    }
    return true;
  }
  if (cmd == "key") {
    std::string k = arg("vk");
    bool alt = i < argc && std::strcmp(argv[i], "alt") == 0;
    if (alt) ++i;
    int vk = (k.size() == 1 && k[0] >= 'A' && k[0] <= 'Z') ? k[0] : std::atoi(k.c_str());
    HWND page = Scan().page;
    if (!page) return Fail("key: no page");
    g_LastPage = page;
    HWND target = FocusOf(page);
    if (!target) target = page;
    LPARAM down = 1 | (alt ? (1 << 29) : 0);
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, down | 0xC0000000);
    return true;
  }
  HWND page = Scan().page;
  if (cmd == "focus") {
    HWND fw = page ? FocusOf(page) : nullptr;
    std::printf("focus|%s\n", fw ? Text(fw).c_str() : "");
    return true;
  }
  if (cmd == "move" || cmd == "rect" || cmd == "close") {
    if (!page) return Fail(cmd + ": no page");
    RECT rc{};
    if (cmd == "close") {
      PostMessageA(page, WM_CLOSE, 0, 0);
    } else if (cmd == "move") {
      int x = std::atoi(arg("x").c_str()), y = std::atoi(arg("y").c_str());
      SetWindowPos(page, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (GetWindowRect(page, &rc)) {
      std::printf("rect|%ld %ld %ld %ld\n", (long)rc.left, (long)rc.top, (long)rc.right, (long)rc.bottom);
    }
    return true;
  }
  if (cmd == "run" || cmd == "first-window") {
    std::string line = arg("command");
    const DWORD t = ms();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi)) return Fail(cmd + ": cannot start " + line);
    DWORD w = WAIT_TIMEOUT, code = 0;
    for (double d = 0; cmd == "first-window" && d < t; d = double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart)) {
      std::pair<DWORD, HWND> s{pi.dwProcessId, nullptr};
      EnumWindows(WindowOf, (LPARAM)&s);
      QueryPerformanceCounter(&t1);
      if (s.second) std::printf("first-window-ms|%.1f\n", double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
      if (s.second || WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (cmd == "first-window") TerminateProcess(pi.hProcess, 0);
    else w = WaitForSingleObject(pi.hProcess, t);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (cmd == "run" && w != WAIT_OBJECT_0) return Fail("run: still running after " + std::to_string(t) + " ms");
    if (cmd == "run") std::printf("exit|%lu\n", (unsigned long)code);
    return true;
  }
  if (cmd == "watch-hidden") {
    const DWORD t = ms(), t0 = GetTickCount();
    const std::string allowed = arg("allowed");
    size_t nTold = 0;
    int nSeen = 0, nSamples = 0;
    for (; GetTickCount() - t0 < t; Sleep(100), ++nSamples) {
      EnumWindows(EnumShown, (LPARAM)allowed.c_str());
      for (; nTold < g_Shown.size(); ++nTold) std::printf("shown|%d|%s\n", nSamples, g_Shown[nTold].c_str());
      if (FindWindowA("TarnwickForm", nullptr)) ++nSeen;
      else if (nSeen) break;
    }
    std::printf("watched|%d samples, the wizard's windows in %d\n", nSamples, nSeen);
    if (nTold) return Fail("watch-hidden: " + std::to_string(nTold) + " window(s) shown");
    return nSeen ? true : Fail("watch-hidden: the wizard's windows never existed");
  }
  if (cmd == "hold") {
    std::string file = arg("file");
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail("hold: cannot open " + file);
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(ms());
    CloseHandle(h);
    return true;
  }
  if (cmd.compare(0, 4, "reg-") == 0) {
    std::string path = arg("key");
    HKEY root = Root(path), k = nullptr;
    if (!root) return Fail("unknown root");
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k);
    std::string name = arg("name");
    BYTE data[4096];
    DWORD type = 0, size = sizeof data;
    LONG q = rc == 0 ? RegQueryValueExA(k, name.c_str(), nullptr, &type, data, &size) : rc;
    if (k) RegCloseKey(k);
    if (cmd == "reg-missing") return q != 0 ? true : Fail("value exists: " + name);
    if (q != 0) return Fail("no value " + name);
    std::printf("%lu ", (unsigned long)type);
    for (DWORD j = 0; j < size; ++j) std::printf("%02X", data[j]);
    std::printf("\n");
    return true;
  }
  Fail("unknown command " + cmd);
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  while (i < argc)
    if (!Run(i, argc, argv)) return 1;
  std::fflush(stdout);
  return 0;
}
