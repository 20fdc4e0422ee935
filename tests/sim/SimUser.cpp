// The simulated user32: windows with classes, texts, styles, owners and
// z-order, the message queue, timers on the simulated clock, focus, keyboard
// state, system menus, cursors, icons, resources and message boxes.
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <stdexcept>
#include "tests/sim/Sim.h"
#include "tests/sim/SimOs.h"

namespace {

struct Win {
  std::string cls, text;
  DWORD style = 0, exStyle = 0;
  HWND parent = nullptr;          // WS_CHILD: the parent
  HWND owner = nullptr;           // top-level: the owner
  WNDPROC proc = nullptr;         // nullptr: a window of another process
  int id = 0;
  LONG userData = 0;
  RECT rc{};                      // child: relative to the parent's client area; top-level: screen
  DWORD pid = 0;
  HWND insertAfter = nullptr;
  std::vector<HWND> children;     // z-order, first on top
  std::vector<UINT> sysMenu;      // remaining system commands
  HICON iconBig = nullptr, iconSmall = nullptr;
  HFONT font = nullptr;
  std::function<LRESULT(UINT, WPARAM, LPARAM)> handler;
};

struct Klass { std::string name; WNDCLASSA wc; ATOM atom; };

struct Queued { MSG msg; bool alt, shift; };

struct Timer { HWND h; UINT_PTR id; UINT interval; DWORD due; TIMERPROC proc; };

struct Resource { std::string type, name, data; };

struct UserState {
  std::map<HWND, Win> wins;
  std::vector<HWND> topLevel;     // z-order, first on top
  std::vector<Klass> classes;
  std::deque<Queued> queue;
  std::vector<Timer> timers;
  std::vector<sim::MessageBoxRecord> boxes;
  std::deque<int> answers;
  std::function<int(const sim::MessageBoxRecord&)> boxHandler;
  std::function<bool()> user;
  std::map<HWND, std::vector<sim::SentMessage>> sent;
  std::vector<std::unique_ptr<Resource>> resources;
  uintptr_t nextHandle = 0x10010;
  ATOM nextAtom = 0xC000;
  UINT_PTR nextTimerId = 0x7000;
  HWND focus = nullptr, foreground = nullptr, capture = nullptr;
  bool alt = false, shift = false;
  LPCSTR cursor = nullptr;
  int screenCx = 1024, screenCy = 768;
};

UserState& S() {
  static UserState s;
  return s;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string ResName(LPCSTR s) {
  if (IS_INTRESOURCE(s)) return "#" + std::to_string((unsigned)(uintptr_t)s);
  return Lower(s);
}

Win* Find(HWND h) {
  auto it = S().wins.find(h);
  return it == S().wins.end() ? nullptr : &it->second;
}

// Windows made by CreateWindowExA have a procedure; those of AddWindow are
// driven by their handler.
bool Local(const Win& w) { return w.proc != nullptr; }

int Frame(const Win& w) {
  if (w.style & WS_CHILD) return (w.style & WS_BORDER) ? 1 : 0;
  if ((w.style & (WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER))) return 4;
  return 0;
}
int Caption(const Win& w) {
  if (w.style & WS_CHILD) return 0;
  return (w.style & WS_CAPTION) == WS_CAPTION ? 26 : 0;
}

POINT ClientOrigin(HWND h) {
  Win* w = Find(h);
  if (!w) return {0, 0};
  POINT p{w->rc.left + Frame(*w), w->rc.top + Frame(*w) + Caption(*w)};
  if ((w->style & WS_CHILD) && w->parent) {
    POINT o = ClientOrigin(w->parent);
    p.x += o.x;
    p.y += o.y;
  }
  return p;
}

std::vector<HWND>& Siblings(const Win& w) {
  if ((w.style & WS_CHILD) && w.parent) return S().wins[w.parent].children;
  return S().topLevel;
}

void Unlink(HWND h, const Win& w) {
  auto& v = Siblings(w);
  v.erase(std::remove(v.begin(), v.end(), h), v.end());
}

bool IsDescendant(HWND h, HWND ancestor) {
  while (h) {
    if (h == ancestor) return true;
    Win* w = Find(h);
    if (!w || !(w->style & WS_CHILD)) return false;
    h = w->parent;
  }
  return false;
}

HWND TopOf(HWND h) {
  while (Win* w = Find(h)) {
    if (!(w->style & WS_CHILD) || !w->parent) return h;
    h = w->parent;
  }
  return h;
}

LRESULT CALLBACK ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Win* w = Find(h);
  switch (msg) {
    case BM_CLICK:
      if (w && !(w->style & WS_DISABLED)) {
        HWND parent = w->parent;
        int id = w->id;
        simos::SetFocus(h);
        if (parent) simos::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)h);
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) return ButtonProc(h, BM_CLICK, 0, 0);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  }
  return simos::DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK PlainProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return simos::DefWindowProcA(h, msg, wp, lp); }

const Klass* FindClass(LPCSTR name) {
  for (const auto& k : S().classes) {
    if (IS_INTRESOURCE(name) ? k.atom == (ATOM)(uintptr_t)name : SameText(k.name, name)) return &k;
  }
  return nullptr;
}

void BuiltinClasses() {
  const char* names[] = {"BUTTON", "STATIC", "EDIT", "#32770", "SCROLLBAR", "LISTBOX", "COMBOBOX"};
  for (const char* n : names) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = std::strcmp(n, "BUTTON") == 0 ? ButtonProc : PlainProc;
    wc.lpszClassName = n;
    S().classes.push_back({n, wc, S().nextAtom++});
  }
}

LRESULT Deliver(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Win* w = Find(h);
  if (!w) return 0;
  if (Local(*w)) return w->proc(h, msg, wp, lp);
  S().sent[h].push_back({h, msg, wp, lp});
  switch (msg) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETTEXT:
      if (!w->handler) return simos::DefWindowProcA(h, msg, wp, lp);
      break;
  }
  if (w->handler) {
    auto handler = w->handler;    // may destroy the window
    return handler(msg, wp, lp);
  }
  return 0;
}

HWND NewHandle() {
  S().nextHandle += 4;
  return (HWND)S().nextHandle;
}

void KillTimersOf(HWND h) {
  auto& t = S().timers;
  t.erase(std::remove_if(t.begin(), t.end(), [h](const Timer& x) { return x.h == h; }), t.end());
}

bool TakeQueued(LPMSG m, HWND filter, UINT mn, UINT mx, bool remove) {
  auto& q = S().queue;
  for (auto it = q.begin(); it != q.end(); ++it) {
    const MSG& x = it->msg;
    if (filter && !IsDescendant(x.hwnd, filter)) continue;
    if ((mn || mx) && (x.message < mn || x.message > mx)) continue;
    *m = x;
    S().alt = it->alt;
    S().shift = it->shift;
    if (remove) q.erase(it);
    return true;
  }
  return false;
}

bool TakeTimer(LPMSG m, HWND filter, UINT mn, UINT mx, bool remove) {
  if ((mn || mx) && (WM_TIMER < mn || WM_TIMER > mx)) return false;
  DWORD now = sim::Now();
  for (auto& t : S().timers) {
    if (filter && !IsDescendant(t.h, filter)) continue;
    if ((int32_t)(now - t.due) < 0) continue;
    *m = MSG{};
    m->hwnd = t.h;
    m->message = WM_TIMER;
    m->wParam = t.id;
    m->lParam = (LPARAM)t.proc;
    m->time = now;
    if (remove) t.due = now + std::max<UINT>(t.interval, USER_TIMER_MINIMUM);
    return true;
  }
  return false;
}

void Post(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool alt, bool shift) {
  Queued q{};
  q.msg.hwnd = h;
  q.msg.message = msg;
  q.msg.wParam = wp;
  q.msg.lParam = lp;
  q.msg.time = sim::Now();
  q.alt = alt;
  q.shift = shift;
  S().queue.push_back(q);
}

void Activate(HWND h) {
  if (!h || !Find(h)) return;
  S().foreground = h;
  auto& v = S().topLevel;
  if (std::find(v.begin(), v.end(), h) != v.end()) {
    v.erase(std::remove(v.begin(), v.end(), h), v.end());
    v.insert(v.begin(), h);
  }
}

void Destroy(HWND h) {
  Win* w = Find(h);
  if (!w) return;
  // Owned windows go first, then the window, then its children.
  std::vector<HWND> owned;
  for (auto& kv : S().wins)
    if (!(kv.second.style & WS_CHILD) && kv.second.owner == h) owned.push_back(kv.first);
  for (HWND o : owned) Destroy(o);
  w = Find(h);
  if (!w) return;
  if (Local(*w)) w->proc(h, WM_DESTROY, 0, 0);
  w = Find(h);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND k : kids) Destroy(k);
  w = Find(h);
  if (!w) return;
  if (Local(*w)) w->proc(h, WM_NCDESTROY, 0, 0);
  w = Find(h);
  if (!w) return;
  Unlink(h, *w);
  KillTimersOf(h);
  auto& q = S().queue;
  q.erase(std::remove_if(q.begin(), q.end(), [h](const Queued& x) { return x.msg.hwnd == h; }), q.end());
  if (S().focus && IsDescendant(S().focus, h)) S().focus = nullptr;
  if (S().capture == h) S().capture = nullptr;
  if (S().foreground == h) {
    S().foreground = nullptr;
    if (w->owner && Find(w->owner)) S().foreground = w->owner;
  }
  S().sent.erase(h);
  S().wins.erase(h);
}

}  // namespace

// ---------------------------------------------------------------- sim API
namespace sim {

void ResetUser() {
  // Handles are not used again after a reset: a stale handle kept by a
  // test or a program global must not name a new window.
  uintptr_t next = S().nextHandle;
  S() = UserState();
  S().nextHandle = next;
  BuiltinClasses();
  ResetGdi();
  ResetOle();
}

const std::vector<MessageBoxRecord>& MessageBoxes() { return S().boxes; }
void AnswerMessageBoxes(const std::vector<int>& answers) {
  S().answers.assign(answers.begin(), answers.end());
}
void SetMessageBoxHandler(std::function<int(const MessageBoxRecord&)> handler) {
  S().boxHandler = std::move(handler);
}
void SetUser(std::function<bool()> user) { S().user = std::move(user); }

HWND AddWindow(const std::string& sClass, const std::string& sText, DWORD dwProcessId, HWND hParent,
               DWORD dwStyle) {
  HWND h = NewHandle();
  Win w;
  w.cls = sClass;
  w.text = sText;
  w.style = dwStyle | (hParent ? WS_CHILD : 0);
  w.pid = dwProcessId;
  if (hParent) {
    w.parent = hParent;
    S().wins[hParent].children.push_back(h);
  } else {
    S().topLevel.insert(S().topLevel.begin(), h);
  }
  S().wins[h] = w;
  return h;
}

void SetWindowHandler(HWND h, std::function<LRESULT(UINT, WPARAM, LPARAM)> handler) {
  if (Win* w = Find(h)) w->handler = std::move(handler);
}

bool GetWindow(HWND h, WindowInfo& info) {
  Win* w = Find(h);
  if (!w) return false;
  info.sClass = w->cls;
  info.sText = w->text;
  info.hParent = (w->style & WS_CHILD) ? w->parent : w->owner;
  info.dwStyle = w->style;
  info.dwExStyle = w->exStyle;
  info.bEnabled = !(w->style & WS_DISABLED);
  info.bVisible = simos::IsWindowVisible(h) != FALSE;
  simos::GetWindowRect(h, &info.rc);
  info.dwProcessId = w->pid;
  info.hInsertAfter = w->insertAfter;
  return true;
}

std::vector<HWND> TopLevelWindows() { return S().topLevel; }
std::vector<HWND> Children(HWND h) {
  Win* w = Find(h);
  return w ? w->children : std::vector<HWND>();
}

HWND FindChildByText(HWND hParent, const std::string& sText) {
  Win* w = Find(hParent);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    if (Find(c)->text == sText) return c;
    if (HWND d = FindChildByText(c, sText)) return d;
  }
  return nullptr;
}

void Click(HWND hButton) {
  Win* w = Find(hButton);
  if (!w || (w->style & WS_DISABLED) || !simos::IsWindowVisible(hButton)) return;
  // A click cannot reach a window whose top-level window is disabled (a
  // modal window above it).
  Win* top = Find(TopOf(hButton));
  if (top && (top->style & WS_DISABLED)) return;
  Deliver(hButton, BM_CLICK, 0, 0);
}

void PressKey(HWND hTarget, int vk, bool bAlt, bool bShift) {
  Post(hTarget, bAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, (WPARAM)vk, bAlt ? (1 << 29) | 1 : 1, bAlt, bShift);
  Post(hTarget, bAlt ? WM_SYSKEYUP : WM_KEYUP, (WPARAM)vk, (bAlt ? (1 << 29) : 0) | 0xC0000001, bAlt,
       bShift);
}

const std::vector<SentMessage>& MessagesTo(HWND h) { return S().sent[h]; }

bool HasCloseCommand(HWND h) {
  Win* w = Find(h);
  return w && std::find(w->sysMenu.begin(), w->sysMenu.end(), (UINT)SC_CLOSE) != w->sysMenu.end();
}
HWND FocusWindow() { return S().focus; }
HWND ForegroundWindow() { return S().foreground; }
int ActiveTimers() { return (int)S().timers.size(); }
LPCSTR CurrentCursor() { return S().cursor; }
HICON WindowIcon(HWND h, bool bBig) {
  Win* w = Find(h);
  return w ? (bBig ? w->iconBig : w->iconSmall) : nullptr;
}

void AddResource(LPCSTR sType, LPCSTR sName, const std::string& data) {
  S().resources.push_back(std::unique_ptr<Resource>(new Resource{ResName(sType), ResName(sName), data}));
}

void SetScreenPixels(int cx, int cy) {
  S().screenCx = cx;
  S().screenCy = cy;
}

}  // namespace sim

// ---------------------------------------------------------------- user32
namespace simos {

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  if (FindClass(wc->lpszClassName) && !IS_INTRESOURCE(wc->lpszClassName)) {
    simos::SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  Klass k{wc->lpszClassName, *wc, S().nextAtom++};
  k.wc.lpszClassName = nullptr;
  S().classes.push_back(k);
  return k.atom;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int cx,
                     int cy, HWND parent, HMENU menu, HINSTANCE, LPVOID param) {
  const Klass* k = className ? FindClass(className) : nullptr;
  if (!k) {
    simos::SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if ((style & WS_CHILD) && !Find(parent)) {
    simos::SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  if (parent && !Find(parent)) {
    simos::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND h = NewHandle();
  Win w;
  w.cls = k->name;
  w.text = windowName ? windowName : "";
  w.style = style;
  w.exStyle = exStyle;
  w.proc = k->wc.lpfnWndProc;
  w.pid = simos::GetCurrentProcessId();
  if (x == (int)CW_USEDEFAULT) x = y = 0;
  if (cx == (int)CW_USEDEFAULT) cx = cy = 0;
  w.rc = {x, y, x + cx, y + cy};
  if (style & WS_CHILD) {
    w.parent = parent;
    w.id = (int)(intptr_t)menu;
  } else {
    w.owner = parent ? TopOf(parent) : nullptr;
    if (style & WS_SYSMENU)
      w.sysMenu = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE};
  }
  S().wins[h] = w;
  if (style & WS_CHILD)
    S().wins[parent].children.push_back(h);
  else
    S().topLevel.insert(S().topLevel.begin(), h);

  CREATESTRUCTA cs{};
  cs.lpCreateParams = param;
  cs.hwndParent = parent;
  cs.hMenu = menu;
  cs.x = x;
  cs.y = y;
  cs.cx = cx;
  cs.cy = cy;
  cs.style = (LONG)style;
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!w.proc(h, WM_NCCREATE, 0, (LPARAM)&cs) || w.proc(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
    Destroy(h);
    return nullptr;
  }
  if (Find(h) && (style & WS_CHILD)) w.proc(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, w.id), (LPARAM)h);
  return Find(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND h) {
  if (!Find(h)) {
    simos::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Destroy(h);
  return TRUE;
}

LRESULT DefWindowProcA(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Win* w = Find(h);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_SETTEXT:
      w->text = lp ? (const char*)lp : "";
      return TRUE;
    case WM_GETTEXT: {
      if (!wp || !lp) return 0;
      size_t n = std::min(w->text.size(), (size_t)wp - 1);
      std::memcpy((char*)lp, w->text.data(), n);
      ((char*)lp)[n] = 0;
      return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH:
      return (LRESULT)w->text.size();
    case WM_CLOSE:
      simos::DestroyWindow(h);
      return 0;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_CLOSE) simos::SendMessageA(h, WM_CLOSE, 0, 0);
      return 0;
    case WM_SYSKEYDOWN:
      if (wp == VK_F4 && S().alt) simos::SendMessageA(TopOf(h), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SETICON: {
      HICON old = wp == ICON_BIG ? w->iconBig : w->iconSmall;
      (wp == ICON_BIG ? w->iconBig : w->iconSmall) = (HICON)lp;
      return (LRESULT)old;
    }
    case WM_GETICON:
      return (LRESULT)(wp == ICON_BIG ? w->iconBig : w->iconSmall);
    case WM_SETFONT:
      w->font = (HFONT)wp;
      return 0;
    case WM_GETFONT:
      return (LRESULT)w->font;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      simos::BeginPaint(h, &ps);
      simos::EndPaint(h, &ps);
      return 0;
    }
    case WM_SETCURSOR:
      return FALSE;
  }
  return 0;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return proc ? proc(h, msg, wp, lp) : 0;
}

BOOL ShowWindow(HWND h, int nCmdShow) {
  Win* w = Find(h);
  if (!w) return FALSE;
  BOOL was = (w->style & WS_VISIBLE) != 0;
  if (nCmdShow == SW_HIDE) {
    w->style &= ~WS_VISIBLE;
    if (S().focus && IsDescendant(S().focus, h)) S().focus = nullptr;
  } else {
    w->style |= WS_VISIBLE;
    if (!(w->style & WS_CHILD) && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE) Activate(h);
  }
  if (Local(*w) && was != ((w->style & WS_VISIBLE) != 0))
    w->proc(h, WM_SHOWWINDOW, (w->style & WS_VISIBLE) != 0, 0);
  return was;
}

BOOL UpdateWindow(HWND h) { return Find(h) != nullptr; }

BOOL SetWindowPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
  Win* w = Find(h);
  if (!w) return FALSE;
  w->insertAfter = after;
  RECT old = w->rc;
  if (!(flags & SWP_NOMOVE)) {
    w->rc.right = x + (w->rc.right - w->rc.left);
    w->rc.bottom = y + (w->rc.bottom - w->rc.top);
    w->rc.left = x;
    w->rc.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    w->rc.right = w->rc.left + cx;
    w->rc.bottom = w->rc.top + cy;
  }
  if (!(flags & SWP_NOZORDER)) {
    auto& v = Siblings(*w);
    v.erase(std::remove(v.begin(), v.end(), h), v.end());
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    if (after == HWND_BOTTOM) {
      v.push_back(h);
    } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
      v.insert(v.begin(), h);
    } else {
      auto it = std::find(v.begin(), v.end(), after);
      v.insert(it == v.end() ? v.begin() : it + 1, h);
    }
  }
  if (flags & SWP_SHOWWINDOW) simos::ShowWindow(h, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) simos::ShowWindow(h, SW_HIDE);
  w = Find(h);
  if (w && Local(*w) && (old.right - old.left != w->rc.right - w->rc.left ||
                         old.bottom - old.top != w->rc.bottom - w->rc.top)) {
    RECT c;
    simos::GetClientRect(h, &c);
    w->proc(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
  }
  return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int cx, int cy, BOOL) {
  return simos::SetWindowPos(h, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND h, LPRECT r) {
  Win* w = Find(h);
  if (!w || !r) return FALSE;
  *r = w->rc;
  if ((w->style & WS_CHILD) && w->parent) {
    POINT o = ClientOrigin(w->parent);
    r->left += o.x;
    r->right += o.x;
    r->top += o.y;
    r->bottom += o.y;
  }
  return TRUE;
}

BOOL GetClientRect(HWND h, LPRECT r) {
  Win* w = Find(h);
  if (!w || !r) return FALSE;
  int f = Frame(*w);
  r->left = r->top = 0;
  r->right = std::max<LONG>(0, w->rc.right - w->rc.left - 2 * f);
  r->bottom = std::max<LONG>(0, w->rc.bottom - w->rc.top - 2 * f - Caption(*w));
  return TRUE;
}

BOOL SetWindowTextA(HWND h, LPCSTR s) {
  Win* w = Find(h);
  if (!w) return FALSE;
  if (!Local(*w)) {
    w->text = s ? s : "";
    return TRUE;
  }
  return (BOOL)simos::SendMessageA(h, WM_SETTEXT, 0, (LPARAM)s);
}

int GetWindowTextA(HWND h, LPSTR s, int n) {
  Win* w = Find(h);
  if (!w || !s || n <= 0) return 0;
  if (Local(*w)) return (int)simos::SendMessageA(h, WM_GETTEXT, (WPARAM)n, (LPARAM)s);
  size_t c = std::min(w->text.size(), (size_t)n - 1);
  std::memcpy(s, w->text.data(), c);
  s[c] = 0;
  return (int)c;
}

BOOL EnableWindow(HWND h, BOOL enable) {
  Win* w = Find(h);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
  if (enable)
    w->style &= ~WS_DISABLED;
  else
    w->style |= WS_DISABLED;
  if (!enable && S().focus && IsDescendant(S().focus, h)) S().focus = nullptr;
  if (Local(*w) && wasDisabled != !enable) w->proc(h, WM_ENABLE, enable, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND h) {
  Win* w = Find(h);
  return w && !(w->style & WS_DISABLED);
}

BOOL IsWindowVisible(HWND h) {
  for (Win* w = Find(h); w; w = ((w->style & WS_CHILD) ? Find(w->parent) : nullptr))
    if (!(w->style & WS_VISIBLE)) return FALSE;
  return Find(h) != nullptr;
}

BOOL IsWindow(HWND h) { return Find(h) != nullptr; }

HWND GetParent(HWND h) {
  Win* w = Find(h);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND GetDlgItem(HWND hDlg, int id) {
  Win* w = Find(hDlg);
  if (!w) return nullptr;
  for (HWND c : w->children)
    if (Find(c)->id == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND h) {
  Win* w = Find(h);
  return w && (w->style & WS_CHILD) ? w->id : 0;
}

HWND SetFocus(HWND h) {
  HWND old = S().focus;
  if (h && !Find(h)) return nullptr;
  if (old == h) return old;
  if (old && Find(old) && Local(*Find(old))) Find(old)->proc(old, WM_KILLFOCUS, (WPARAM)h, 0);
  S().focus = h;
  if (h && Local(*Find(h))) Find(h)->proc(h, WM_SETFOCUS, (WPARAM)old, 0);
  return old;
}

HWND GetFocus() { return S().focus; }

BOOL SetForegroundWindow(HWND h) {
  if (!Find(h)) return FALSE;
  Activate(TopOf(h));
  return TRUE;
}

HMENU GetSystemMenu(HWND h, BOOL revert) {
  Win* w = Find(h);
  if (!w || (w->style & WS_CHILD) || !(w->style & WS_SYSMENU)) return nullptr;
  if (revert) {
    w->sysMenu = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE};
    return nullptr;
  }
  return (HMENU)((uintptr_t)h + 1);   // one menu per window
}

BOOL DeleteMenu(HMENU m, UINT pos, UINT flags) {
  Win* w = Find((HWND)((uintptr_t)m - 1));
  if (!w || !m) return FALSE;
  auto& v = w->sysMenu;
  if (flags & MF_BYPOSITION) {
    if (pos >= v.size()) return FALSE;
    v.erase(v.begin() + pos);
    return TRUE;
  }
  auto it = std::find(v.begin(), v.end(), pos);
  if (it == v.end()) return FALSE;
  v.erase(it);
  return TRUE;
}

BOOL GetMessageA(LPMSG m, HWND h, UINT mn, UINT mx) {
  for (;;) {
    if (TakeQueued(m, h, mn, mx, true) || TakeTimer(m, h, mn, mx, true))
      return m->message == WM_QUIT ? FALSE : TRUE;
    if (S().user) {
      auto user = S().user;       // the user may replace itself
      if (user()) {
        // A user's action is input: the loop that waited sees a message
        // and checks its own state again.
        if (TakeQueued(m, h, mn, mx, true) || TakeTimer(m, h, mn, mx, true))
          return m->message == WM_QUIT ? FALSE : TRUE;
        *m = MSG{};
        m->message = WM_NULL;
        m->time = sim::Now();
        return TRUE;
      }
    }
    // Nothing to do now: let time pass until the next timer is due.
    DWORD best = 0;
    bool any = false;
    for (const auto& t : S().timers) {
      if (h && !IsDescendant(t.h, h)) continue;
      DWORD wait = (int32_t)(t.due - sim::Now()) > 0 ? t.due - sim::Now() : 0;
      if (!any || wait < best) best = wait;
      any = true;
    }
    if (!any) throw std::logic_error("hang: GetMessageA waits with no message, no timer and no user action");
    sim::Advance(best);
  }
}

BOOL PeekMessageA(LPMSG m, HWND h, UINT mn, UINT mx, UINT remove) {
  bool r = (remove & PM_REMOVE) != 0;
  return (TakeQueued(m, h, mn, mx, r) || TakeTimer(m, h, mn, mx, r)) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* m) {
  if (!m) return FALSE;
  bool alt = S().alt, shift = S().shift;
  int vk = (int)m->wParam;
  int ch = 0;
  if (vk >= 'A' && vk <= 'Z')
    ch = shift ? vk : vk + 32;
  else if (vk >= '0' && vk <= '9')
    ch = vk;
  else if (vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_TAB || vk == VK_SPACE || vk == VK_BACK)
    ch = vk;
  if (!ch) return FALSE;
  if (m->message == WM_KEYDOWN) {
    Post(m->hwnd, WM_CHAR, (WPARAM)ch, m->lParam, alt, shift);
    return TRUE;
  }
  if (m->message == WM_SYSKEYDOWN) {
    Post(m->hwnd, WM_SYSCHAR, (WPARAM)ch, m->lParam, alt, shift);
    return TRUE;
  }
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* m) {
  if (!m || !m->hwnd) return 0;
  if (m->message == WM_TIMER && m->lParam) {
    ((TIMERPROC)m->lParam)(m->hwnd, WM_TIMER, m->wParam, sim::Now());
    return 0;
  }
  return Deliver(m->hwnd, m->message, m->wParam, m->lParam);
}

// Only the Esc key of dialog keyboard handling: the wizard's forms do their
// own keyboard handling and never call this.
BOOL IsDialogMessageA(HWND hDlg, LPMSG m) {
  if (!m || !Find(hDlg) || !IsDescendant(m->hwnd, hDlg)) return FALSE;
  if (m->message == WM_KEYDOWN && m->wParam == VK_ESCAPE) {
    simos::SendMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
  return FALSE;
}

BOOL PostMessageA(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (h && !Find(h)) {
    simos::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (h && !Local(*Find(h))) {
    Deliver(h, msg, wp, lp);
    return TRUE;
  }
  Post(h, msg, wp, lp, false, false);
  return TRUE;
}

LRESULT SendMessageA(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return Deliver(h, msg, wp, lp); }

VOID PostQuitMessage(int code) { Post(nullptr, WM_QUIT, (WPARAM)code, 0, false, false); }

UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (h && !Find(h)) return 0;
  if (!h) id = ++S().nextTimerId;
  for (auto& t : S().timers) {
    if (t.h == h && t.id == id) {
      t.interval = elapse;
      t.due = sim::Now() + std::max<UINT>(elapse, USER_TIMER_MINIMUM);
      t.proc = proc;
      return h ? 1 : id;
    }
  }
  S().timers.push_back({h, id, elapse, sim::Now() + std::max<UINT>(elapse, USER_TIMER_MINIMUM), proc});
  return h ? 1 : id;
}

BOOL KillTimer(HWND h, UINT_PTR id) {
  auto& t = S().timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.h == h && x.id == id; });
  if (it == t.end()) return FALSE;
  t.erase(it);
  // A tick already queued for it is dropped as on Windows.
  return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  sim::MessageBoxRecord r{text ? text : "", caption ? caption : "Error", type, owner};
  S().boxes.push_back(r);
  if (S().boxHandler) {
    auto handler = S().boxHandler;
    if (int a = handler(r)) return a;
  }
  if (!S().answers.empty()) {
    int a = S().answers.front();
    S().answers.pop_front();
    return a;
  }
  if ((type & MB_TYPEMASK) == MB_OK) return IDOK;
  throw std::logic_error("unanswered message box: " + r.sText);
}

HWND FindWindowA(LPCSTR cls, LPCSTR title) { return simos::FindWindowExA(nullptr, nullptr, cls, title); }

HWND FindWindowExA(HWND parent, HWND after, LPCSTR cls, LPCSTR title) {
  std::vector<HWND> list;
  if (parent) {
    Win* p = Find(parent);
    if (!p) return nullptr;
    list = p->children;
  } else {
    list = S().topLevel;
  }
  bool started = after == nullptr;
  for (HWND h : list) {
    if (!started) {
      started = h == after;
      continue;
    }
    Win* w = Find(h);
    if (cls) {
      if (IS_INTRESOURCE(cls)) {
        const Klass* k = FindClass(cls);
        if (!k || !SameText(k->name, w->cls)) continue;
      } else if (!SameText(cls, w->cls)) {
        continue;
      }
    }
    if (title && w->text != title) continue;
    return h;
  }
  return nullptr;
}

DWORD GetWindowThreadProcessId(HWND h, LPDWORD pid) {
  Win* w = Find(h);
  if (!w) {
    if (pid) *pid = 0;
    return 0;
  }
  if (pid) *pid = w->pid;
  return w->pid * 4 + 1;
}

LONG GetWindowLongA(HWND h, int index) {
  Win* w = Find(h);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return (LONG)w->style;
    case GWL_EXSTYLE: return (LONG)w->exStyle;
    case GWL_ID: return w->id;
    case GWLP_USERDATA: return w->userData;
  }
  return 0;
}

LONG SetWindowLongA(HWND h, int index, LONG v) {
  Win* w = Find(h);
  if (!w) return 0;
  LONG old = simos::GetWindowLongA(h, index);
  switch (index) {
    case GWL_STYLE: w->style = (DWORD)v; break;
    case GWL_EXSTYLE: w->exStyle = (DWORD)v; break;
    case GWL_ID: w->id = v; break;
    case GWLP_USERDATA: w->userData = v; break;
  }
  return old;
}

BOOL InvalidateRect(HWND h, const RECT*, BOOL) { return h == nullptr || Find(h) != nullptr; }

HCURSOR LoadCursorA(HINSTANCE inst, LPCSTR name) {
  if (inst || !IS_INTRESOURCE(name)) return nullptr;
  return (HCURSOR)(uintptr_t)(0x20000 + (uintptr_t)name);
}

HCURSOR SetCursor(HCURSOR c) {
  LPCSTR old = S().cursor;
  S().cursor = c ? (LPCSTR)((uintptr_t)c - 0x20000) : nullptr;
  return old ? (HCURSOR)(uintptr_t)(0x20000 + (uintptr_t)old) : nullptr;
}

SHORT GetKeyState(int vk) {
  if (vk == VK_MENU) return S().alt ? (SHORT)0x8000 : 0;
  if (vk == VK_SHIFT) return S().shift ? (SHORT)0x8000 : 0;
  return 0;
}

HICON LoadIconA(HINSTANCE inst, LPCSTR name) {
  if (!inst) return IS_INTRESOURCE(name) ? (HICON)(uintptr_t)(0x30000 + (uintptr_t)name) : nullptr;
  HRSRC r = simos::FindResourceA((HMODULE)inst, name, (LPCSTR)RT_GROUP_ICON);
  return r ? (HICON)r : nullptr;
}

HANDLE LoadImageA(HINSTANCE inst, LPCSTR name, UINT type, int, int, UINT) {
  LPCSTR rt = type == IMAGE_BITMAP ? (LPCSTR)RT_BITMAP : type == IMAGE_ICON ? (LPCSTR)RT_GROUP_ICON
                                                                            : (LPCSTR)RT_GROUP_CURSOR;
  return inst ? (HANDLE)simos::FindResourceA((HMODULE)inst, name, rt) : nullptr;
}

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
  std::string n = ResName(name), t = ResName(type);
  for (auto& r : S().resources)
    if (r->name == n && r->type == t) return (HRSRC)r.get();
  simos::SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC r) { return (HGLOBAL)r; }
LPVOID LockResource(HGLOBAL g) {
  return g ? (LPVOID)((Resource*)g)->data.data() : nullptr;
}
DWORD SizeofResource(HMODULE, HRSRC r) { return r ? (DWORD)((Resource*)r)->data.size() : 0; }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return S().screenCx;
    case SM_CYSCREEN: return S().screenCy;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CYCAPTION: return 26;
    case SM_CXICON: case SM_CYICON: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
  }
  return 0;
}

HWND SetCapture(HWND h) {
  HWND old = S().capture;
  S().capture = h;
  return old;
}
BOOL ReleaseCapture() {
  S().capture = nullptr;
  return TRUE;
}
HWND GetCapture() { return S().capture; }

}  // namespace simos
