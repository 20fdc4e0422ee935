// robot.exe: drives the wizard's windows from another process, for the wine
// tests. It runs its argv as a script of commands, left to right, and stops
// with exit code 1 at the first one that fails (the reason goes to stdout).
//
// The page is the visible top-level window of class "TarnwickForm" that has
// child controls (the hidden owner window has none). A message box is a
// top-level "#32770" window; its text is the Static child with id 65535.
// Texts are matched exactly; "\n" in an argument stands for CR LF.
//
//   wait-page MS            wait until a page is shown
//   wait-text TEXT MS       wait until the page or a message box has a child with TEXT
//   wait-new-page MS        wait until a page other than the last one used (by
//                           wait-page, wait-text, click or key) is shown
//   wait-box MS             wait until a message box is shown
//   wait-no-box MS          wait until no message box is shown
//   wait-gone MS            wait until no page and no message box is left
//   dump                    print the page: caption, then "label|TEXT" and
//                           "button|TEXT|enabled|visible" lines for every child
//   dump-box                print the box: "title|..", "text|..", "button|.." lines
//   expect-text TEXT        the page has a child with TEXT
//   expect-no-text TEXT     the page has no child with TEXT
//   expect-enabled TEXT 0|1 the page's child with TEXT is disabled (0) or enabled (1)
//   expect-box TITLE TEXT   a message box with that title and text is shown
//   click TEXT              press the page's button TEXT (BM_CLICK); fails when disabled
//   answer TEXT             press the message box's button TEXT ("&Yes", "&No", "OK")
//   key VK [alt]            post a key press (VK in decimal or A-Z) to the page's focused control
//   focus                   print the text of the page's focused control
//   move X Y                move the page window to X, Y (screen pixels)
//   rect                    print the page's window rectangle: L T R B
//   close                   send WM_CLOSE to the page
//   sleep MS
//   reg-hex ROOT\KEY NAME   print the value's type and bytes in hex: "1 E6C2"
//   reg-count ROOT\KEY      print the number of values under the key
//   reg-set-sz ROOT\KEY NAME TEXT   write a REG_SZ value (test set-up)
//   reg-missing ROOT\KEY NAME       the value does not exist
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND g_LastPage = nullptr;

std::string Unescape(const char* s) {
  std::string r;
  for (; *s; ++s) {
    if (s[0] == '\\' && s[1] == 'n') {
      r += "\r\n";
      ++s;
    } else {
      r += *s;
    }
  }
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
  if (cls == "TarnwickForm" && GetWindow(h, GW_CHILD)) {
    if (!f->page) f->page = h;
  } else if (cls == "#32770") {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId() && !f->box) f->box = h;
  }
  return TRUE;
}

Found Scan() {
  Found f;
  EnumWindows(EnumTop, (LPARAM)&f);
  return f;
}

struct ChildSearch {
  std::string text;
  HWND found = nullptr;
  std::vector<HWND> all;
};

BOOL CALLBACK EnumChild(HWND h, LPARAM lp) {
  ChildSearch* s = (ChildSearch*)lp;
  s->all.push_back(h);
  if (!s->found && Text(h) == s->text) s->found = h;
  return TRUE;
}

HWND FindText(HWND parent, const std::string& text) {
  if (!parent) return nullptr;
  ChildSearch s;
  s.text = text;
  EnumChildWindows(parent, EnumChild, (LPARAM)&s);
  return s.found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  ChildSearch s;
  s.text = "\x01";
  EnumChildWindows(parent, EnumChild, (LPARAM)&s);
  return s.all;
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
    Sleep(50);
  }
}

HKEY Root(std::string& path) {
  size_t p = path.find('\\');
  std::string root = path.substr(0, p);
  path = p == std::string::npos ? "" : path.substr(p + 1);
  if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (root == "HKCU" || root == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  return nullptr;
}

HWND FocusOf(HWND page) {
  GUITHREADINFO gi{};
  gi.cbSize = sizeof gi;
  DWORD tid = GetWindowThreadProcessId(page, nullptr);
  if (!GetGUIThreadInfo(tid, &gi)) return nullptr;
  return gi.hwndFocus;
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
  if (cmd == "sleep") {
    Sleep((DWORD)std::atoi(arg("ms").c_str()));
    return true;
  }
  if (cmd == "wait-page") {
    DWORD ms = std::atoi(arg("ms").c_str());
    if (!WaitFor(ms, [] { return Scan().page != nullptr; })) return Fail("no page within " + std::to_string(ms) + " ms");
    g_LastPage = Scan().page;
    return true;
  }
  if (cmd == "wait-new-page") {
    DWORD ms = std::atoi(arg("ms").c_str());
    HWND old = g_LastPage;
    if (!WaitFor(ms, [old] {
          HWND p = Scan().page;
          return p && p != old;
        }))
      return Fail("no new page within " + std::to_string(ms) + " ms");
    g_LastPage = Scan().page;
    return true;
  }
  if (cmd == "wait-text") {
    std::string text = arg("text");
    DWORD ms = std::atoi(arg("ms").c_str());
    if (!WaitFor(ms, [&] {
          Found f = Scan();
          return FindText(f.page, text) || FindText(f.box, text);
        }))
      return Fail("text not shown within " + std::to_string(ms) + " ms: " + text);
    if (Scan().page) g_LastPage = Scan().page;
    return true;
  }
  if (cmd == "wait-box") {
    DWORD ms = std::atoi(arg("ms").c_str());
    if (!WaitFor(ms, [] { return Scan().box != nullptr; })) return Fail("no message box");
    return true;
  }
  if (cmd == "wait-no-box") {
    DWORD ms = std::atoi(arg("ms").c_str());
    if (!WaitFor(ms, [] { return Scan().box == nullptr; })) return Fail("message box still shown");
    return true;
  }
  if (cmd == "wait-gone") {
    DWORD ms = std::atoi(arg("ms").c_str());
    if (!WaitFor(ms, [] {
          Found f = Scan();
          return !f.page && !f.box;
        }))
      return Fail("wizard windows still shown");
    return true;
  }
  if (cmd == "dump" || cmd == "dump-box") {
    Found f = Scan();
    HWND w = cmd == "dump" ? f.page : f.box;
    if (!w) return Fail(cmd + ": no window");
    std::printf("%s|%s\n", cmd == "dump" ? "caption" : "title", Text(w).c_str());
    for (HWND c : ChildrenOf(w)) {
      std::string cls = ClassOf(c);
      LONG style = GetWindowLongA(c, GWL_STYLE);
      bool button = _stricmp(cls.c_str(), "Button") == 0 && (style & 0xF) != BS_GROUPBOX;
      const char* kind = button ? "button" : (GetDlgCtrlID(c) == 0xFFFF && cmd == "dump-box") ? "text" : "label";
      std::string t = Text(c);
      if (t.empty() && !button) continue;
      std::string flat;
      for (char ch : t) flat += ch == '\r' ? "" : ch == '\n' ? "\\n" : std::string(1, ch);
      if (button)
        std::printf("%s|%s|%d|%d\n", kind, flat.c_str(), IsWindowEnabled(c) ? 1 : 0, IsWindowVisible(c) ? 1 : 0);
      else
        std::printf("%s|%s\n", kind, flat.c_str());
    }
    std::fflush(stdout);
    return true;
  }
  if (cmd == "expect-text" || cmd == "expect-no-text") {
    std::string text = arg("text");
    bool has = FindText(Scan().page, text) != nullptr;
    if (has != (cmd == "expect-text")) return Fail(cmd + ": " + text);
    return true;
  }
  if (cmd == "expect-enabled") {
    std::string text = arg("text");
    bool want = arg("0|1") == "1";
    HWND c = FindText(Scan().page, text);
    if (!c) return Fail("no control " + text);
    if ((IsWindowEnabled(c) != FALSE) != want) return Fail(text + (want ? " is disabled" : " is enabled"));
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
  if (cmd == "click" || cmd == "answer") {
    std::string text = arg("text");
    Found f = Scan();
    HWND w = cmd == "click" ? f.page : f.box;
    HWND c = FindText(w, text);
    if (!c) return Fail(cmd + ": no button " + text);
    if (!IsWindowEnabled(c)) return Fail(cmd + ": button disabled: " + text);
    g_LastPage = f.page;
    // Posted, not sent: a confirmation box opened by the click must not
    // block the robot.
    PostMessageA(c, BM_CLICK, 0, 0);
    return true;
  }
  if (cmd == "key") {
    std::string k = arg("vk");
    bool alt = i < argc && std::strcmp(argv[i], "alt") == 0;
    if (alt) ++i;
    int vk = (k.size() == 1 && k[0] >= 'A' && k[0] <= 'Z') ? k[0] : std::atoi(k.c_str());
    HWND page = Scan().page;
    if (!page) return Fail("key: no page");
    g_LastPage = page;   // a key may close it: wait-new-page then waits for the next
    HWND target = FocusOf(page);
    if (!target) target = page;
    LPARAM down = 1 | (alt ? (1 << 29) : 0);
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, down | 0xC0000000);
    return true;
  }
  if (cmd == "focus") {
    HWND page = Scan().page;
    HWND fw = page ? FocusOf(page) : nullptr;
    std::printf("focus|%s\n", fw ? Text(fw).c_str() : "");
    return true;
  }
  if (cmd == "move") {
    int x = std::atoi(arg("x").c_str()), y = std::atoi(arg("y").c_str());
    HWND page = Scan().page;
    if (!page) return Fail("move: no page");
    SetWindowPos(page, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  if (cmd == "rect") {
    HWND page = Scan().page;
    RECT rc{};
    if (!page || !GetWindowRect(page, &rc)) return Fail("rect: no page");
    std::printf("rect|%ld %ld %ld %ld\n", (long)rc.left, (long)rc.top, (long)rc.right, (long)rc.bottom);
    return true;
  }
  if (cmd == "close") {
    HWND page = Scan().page;
    if (!page) return Fail("close: no page");
    PostMessageA(page, WM_CLOSE, 0, 0);
    return true;
  }
  if (cmd.compare(0, 4, "reg-") == 0) {
    std::string path = arg("key");
    HKEY root = Root(path);
    if (!root) return Fail("unknown root");
    HKEY k = nullptr;
    if (cmd == "reg-set-sz") {
      std::string name = arg("name"), text = arg("text");
      if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)) return Fail("create key");
      RegSetValueExA(k, name.c_str(), 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
      RegCloseKey(k);
      return true;
    }
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k);
    if (cmd == "reg-count") {
      DWORD n = 0;
      if (rc == 0) RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr);
      if (k) RegCloseKey(k);
      std::printf("count|%lu\n", (unsigned long)n);
      return true;
    }
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
