// Form and control services on MAPI_Declares: real windows for every form
// and control, so every text is a window text that tools can read.
#include "Forms.h"
#include <cmath>
#include <new>
#include <vector>
#include "util/MLog.h"
#include "util/Restart.h"
#include "util/Unattended.h"

const FontSpec kArial9 = {"Arial", 9, false};
const FontSpec kArial825 = {"Arial", 8.25, false};
const FontSpec kMSSansSerif825 = {"MS Sans Serif", 8.25, false};

namespace {

const char kFormClass[] = "TarnwickForm";
const char kPanelClass[] = "TarnwickPanel";

enum Kind { KindLabel, KindFrame, KindPicture, KindButton, KindLine, KindCustom };

struct CtlInfo {
  int id;
  HWND h;
  Kind kind;
  bool tabStop;
  HWND groupBox;                  // frames: the group box that draws the frame
  HBITMAP picture;                // picture boxes
};

struct Panel {
  HWND h;
  CForm* form;
  int id;
};

struct FormTimer {
  int id;
  UINT interval;
  bool enabled;
};

int g_MousePointer = 0;
unsigned g_nExitCode = ExitDone;
std::vector<HWND> g_ModalStack;

}  // namespace

struct CForm::Impl {
  std::vector<CtlInfo> controls;
  std::vector<FormTimer> timers;
  std::vector<std::pair<FontSpec, HFONT>> fonts;
  std::string caption;
  double width = 0, height = 0;   // twips, 0 until set
  bool sized = false;
  HWND owner = nullptr;
  bool ownerDisabled = false;
  bool loading = false, unloading = false;
  int cancelId = 0, focusId = 0;

  CtlInfo* Find(int id) {
    for (auto& c : controls)
      if (c.id == id) return &c;
    return nullptr;
  }
};

// The glue between window procedures and form objects.
struct FormsInternal {
  static std::vector<std::pair<HWND, CForm*>>& Forms() {
    static std::vector<std::pair<HWND, CForm*>> v;
    return v;
  }
  static std::vector<Panel>& Panels() {
    static std::vector<Panel> v;
    return v;
  }
  static CForm*& Creating() {
    static CForm* f = nullptr;
    return f;
  }
  static CForm* FormOf(HWND h) {
    for (auto& p : Forms())
      if (p.first == h) return p.second;
    return nullptr;
  }
  static void Forget(HWND h) {
    // A modal loop only looks at its form after GetMessageA returns, and a
    // sent message (BM_CLICK from another program, say) or a timer tick that
    // ends the form does not make it return: wake the loop, as the dialog
    // manager does when a dialog ends.
    for (HWND m : g_ModalStack)
      if (m == h) api::PostMessageA(nullptr, WM_NULL, 0, 0);
    auto& v = Forms();
    for (size_t i = 0; i < v.size(); ++i)
      if (v[i].first == h) {
        v.erase(v.begin() + i);
        return;
      }
  }
  static Panel* PanelOf(HWND h) {
    for (auto& p : Panels())
      if (p.h == h) return &p;
    return nullptr;
  }
  static void ForgetPanel(HWND h) {
    auto& v = Panels();
    for (size_t i = 0; i < v.size(); ++i)
      if (v[i].h == h) {
        v.erase(v.begin() + i);
        return;
      }
  }

  static bool SetCursorForScreen() {
    if (g_MousePointer != 11) return false;
    api::SetCursor(api::LoadCursorA(nullptr, IDC_WAIT));
    return true;
  }

  static void FillFace(HDC hdc, HWND h) {
    RECT rc;
    api::GetClientRect(h, &rc);
    api::FillRect(hdc, &rc, api::GetSysColorBrush(COLOR_BTNFACE));
  }

  static LRESULT CALLBACK FormProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    CForm* f = FormOf(h);
    if (!f && Creating()) {
      f = Creating();
      Forms().push_back({h, f});
      f->m_hWnd = h;
    }
    if (!f) return api::DefWindowProcA(h, msg, wp, lp);
    if (msg == WM_NCDESTROY && f->m_hWnd == h) {
      // Unloaded, or destroyed behind the form's back (with its owner, say):
      // the form counts as unloaded, so a modal show does not wait for ever.
      f->m_hWnd = nullptr;
      Forget(h);
      return api::DefWindowProcA(h, msg, wp, lp);
    }
    try {
      return f->WndProc(msg, wp, lp);
    } catch (...) {
      UnhandledException();
    }
  }

  static LRESULT CALLBACK PanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    try {
      return PanelMessage(h, msg, wp, lp);
    } catch (...) {
      UnhandledException();
    }
  }

  static LRESULT PanelMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_COMMAND:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_DRAWITEM:
        // A frame or picture box hands its controls' notices to the form.
        return api::SendMessageA(api::GetParent(h), msg, wp, lp);
      case WM_ERASEBKGND: {
        HDC hdc = (HDC)wp;
        FillFace(hdc, h);
        Panel* p = PanelOf(h);
        CtlInfo* c = p ? p->form->m_impl->Find(p->id) : nullptr;
        if (c && c->picture) {
          BITMAP bm{};
          api::GetObjectA(c->picture, sizeof bm, &bm);
          HDC mem = api::CreateCompatibleDC(hdc);
          HGDIOBJ old = api::SelectObject(mem, c->picture);
          api::BitBlt(hdc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
          api::SelectObject(mem, old);
          api::DeleteDC(mem);
        }
        return 1;
      }
      case WM_SETCURSOR:
        if (SetCursorForScreen()) return TRUE;
        break;
      case WM_NCDESTROY:
        ForgetPanel(h);
        break;
    }
    return api::DefWindowProcA(h, msg, wp, lp);
  }

  // Registered on every load: a second registration fails harmlessly.
  static void RegisterClasses() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = App::Instance();
    wc.hCursor = api::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = api::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kFormClass;
    api::RegisterClassA(&wc);
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    api::RegisterClassA(&wc);
  }

  static bool IsInside(HWND h, HWND form) {
    for (int depth = 0; h && depth < 32; ++depth) {
      if (h == form) return true;
      if (!(api::GetWindowLongA(h, GWL_STYLE) & WS_CHILD)) return false;
      h = api::GetParent(h);
    }
    return false;
  }

  static bool Usable(HWND h) { return h && api::IsWindowEnabled(h) && api::IsWindowVisible(h); }

  static void MoveFocus(CForm* f, bool bBack) {
    std::vector<HWND> stops;
    for (auto& c : f->m_impl->controls)
      if (c.tabStop && Usable(c.h)) stops.push_back(c.h);
    if (stops.empty()) return;
    HWND focus = api::GetFocus();
    int at = -1;
    for (size_t i = 0; i < stops.size(); ++i)
      if (IsInside(focus, stops[i])) at = (int)i;
    int n = (int)stops.size();
    int next = at < 0 ? (bBack ? n - 1 : 0) : (at + (bBack ? n - 1 : 1)) % n;
    api::SetFocus(stops[next]);
  }

  static int Mnemonic(const std::string& s) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
      if (s[i] != '&') continue;
      if (s[i + 1] == '&') {
        ++i;
        continue;
      }
      char c = s[i + 1];
      return (c >= 'a' && c <= 'z') ? c - 32 : c;
    }
    return 0;
  }

  // The keyboard of a dialog, done here so that it is the same everywhere:
  // Tab/Shift+Tab, Enter/Space on the focused button, Esc for the cancel
  // button, Alt+access key. Returns true when the message was used up.
  static bool PreTranslate(CForm* f, MSG& m) {
    if (m.message < WM_KEYFIRST || m.message > WM_KEYLAST || !f->m_hWnd) return false;
    if (!IsInside(m.hwnd, f->m_hWnd)) return false;
    int vk = (int)m.wParam;
    bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    bool up = m.message == WM_KEYUP || m.message == WM_SYSKEYUP;
    if (down && f->Form_KeyDown(vk)) return true;
    CtlInfo* focused = nullptr;
    for (auto& c : f->m_impl->controls)
      if (c.kind == KindButton && c.h == api::GetFocus()) focused = &c;
    if (m.message == WM_KEYDOWN) {
      switch (vk) {
        case VK_TAB:
          MoveFocus(f, api::GetKeyState(VK_SHIFT) < 0);
          return true;
        case VK_RETURN:
        case VK_SPACE:
          if (focused) {
            f->PressControl(focused->id);
            return true;
          }
          return vk == VK_RETURN;
        case VK_ESCAPE:
          if (f->m_impl->cancelId) f->PressControl(f->m_impl->cancelId);
          return true;
      }
    }
    if (up && (vk == VK_SPACE || vk == VK_RETURN || vk == VK_TAB || vk == VK_ESCAPE)) return true;
    if (m.message == WM_SYSKEYDOWN && vk != VK_MENU) {
      for (auto& c : f->m_impl->controls) {
        if (c.kind != KindButton || !Usable(c.h)) continue;
        if (Mnemonic(f->Text(c.id)) == vk) {
          f->PressControl(c.id);
          return true;
        }
      }
    }
    if (m.message == WM_SYSCHAR) return true;   // no beep for an access key
    return false;
  }
};

// ---------------------------------------------------------------- Screen

namespace {
int LogPixels(int index) {
  HDC hdc = api::GetDC(nullptr);
  int n = hdc ? api::GetDeviceCaps(hdc, index) : 0;
  if (hdc) api::ReleaseDC(nullptr, hdc);
  return n > 0 ? n : 96;
}
}  // namespace

namespace Screen {
double TwipsPerPixelX() { return 1440.0 / LogPixels(LOGPIXELSX); }
double TwipsPerPixelY() { return 1440.0 / LogPixels(LOGPIXELSY); }
double Width() { return api::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX(); }
double Height() { return api::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY(); }
void SetMousePointer(int nPointer) {
  g_MousePointer = nPointer;
  api::SetCursor(api::LoadCursorA(nullptr, nPointer == 11 ? IDC_WAIT : IDC_ARROW));
}
int MousePointer() { return g_MousePointer; }
}  // namespace Screen

int TwipsToPixelsX(double twips) { return (int)std::lround(twips / Screen::TwipsPerPixelX()); }
int TwipsToPixelsY(double twips) { return (int)std::lround(twips / Screen::TwipsPerPixelY()); }

// ---------------------------------------------------------------- App

namespace App {
namespace {
std::string ModulePath() {
  char buf[MAX_PATH + 1] = {0};
  DWORD n = api::GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n < MAX_PATH ? n : MAX_PATH);
}
}  // namespace

std::string ExePath() { return ModulePath(); }

std::string Path() {
  std::string s = ModulePath();
  size_t p = s.rfind('\\');
  if (p == std::string::npos) return s;
  s.resize(p);
  if (!s.empty() && s.back() == ':') s += '\\';
  return s;
}

std::string Command() {
  LPSTR line = api::GetCommandLineA();
  return CommandFrom(line ? line : "");
}

std::string CommandFrom(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && s[i] == '"') {
    size_t q = s.find('"', i + 1);
    i = q == std::string::npos ? s.size() : q + 1;
  } else {
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
  }
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

std::string Title() {
  std::string s = ModulePath();
  size_t p = s.rfind('\\');
  if (p != std::string::npos) s = s.substr(p + 1);
  size_t dot = s.rfind('.');
  if (dot != std::string::npos) s.resize(dot);
  return s.empty() ? "Tarnwick" : s;
}

std::string Environ(const std::string& sName) {
  char buf[1024];
  DWORD n = api::GetEnvironmentVariableA(sName.c_str(), buf, sizeof buf);
  if (n == 0) return "";
  if (n < sizeof buf) return std::string(buf, n);
  std::string big(n, '\0');
  n = api::GetEnvironmentVariableA(sName.c_str(), &big[0], n);
  big.resize(n);
  return big;
}

HINSTANCE Instance() { return (HINSTANCE)api::GetModuleHandleA(nullptr); }

void SetExitCode(unsigned nCode) { g_nExitCode = nCode; }
unsigned ExitCode() { return g_nExitCode; }

void End() {
  LogEnd("the program ended, exit code " + std::to_string(g_nExitCode));
  api::ExitProcess(g_nExitCode);
  for (;;) {
  }
}
}  // namespace App

void UnhandledException() {
  // The names fit in a string's own buffer: making them needs no memory.
  try {
    try {
      throw;
    } catch (const RuntimeError& e) {
      UnhandledError(e);
    } catch (const std::bad_alloc&) {
      UnhandledError(RuntimeError{7, "Out of memory"});
    } catch (...) {
      UnhandledError(RuntimeError{51, "Internal error"});
    }
  } catch (...) {
    App::End();   // not even the message could be shown
  }
}

void UnhandledError(const RuntimeError& e) {
  App::SetExitCode(ExitFailed);
  MsgBox("Run-time error '" + std::to_string(e.Number) + "':\r\n\r\n" + e.Description, MB_OK | MB_ICONSTOP,
         App::Title());
  App::End();
}

int MsgBox(const std::string& sText, UINT nFlags, const std::string& sTitle, bool bRestartQuestion) {
  const bool bNoRestart = bRestartQuestion && Unattended().bNoRestart;
  const bool bShown = !bNoRestart && !NoQuestions();
  int nAnswer = bNoRestart ? IDNO : (nFlags & 0xF) == MB_YESNO ? IDYES : IDOK;
  if (bShown) {
    HWND owner = g_ModalStack.empty() ? nullptr : g_ModalStack.back();
    if (owner && !api::IsWindow(owner)) owner = nullptr;
    nAnswer = api::MessageBoxA(owner, sText.c_str(), sTitle.c_str(), nFlags);
  }
  static const char* const kAnswers[] = {"failed", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
  Log((bShown ? "Message shown: " : "Message answered unseen: ") + sText + " | answer: " +
      (nAnswer >= 0 && nAnswer <= IDNO ? std::string(kAnswers[nAnswer]) : std::to_string(nAnswer)));
  return nAnswer;
}

// ---------------------------------------------------------------- CForm

CForm::CForm() : m_impl(new Impl) {}

CForm::~CForm() {
  // A form dropped while loaded (the program ends, or a test gives up)
  // goes without its events.
  if (m_hWnd) {
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    if (m_impl->ownerDisabled && m_impl->owner) api::EnableWindow(m_impl->owner, TRUE);
    FormsInternal::Forget(h);
    api::DestroyWindow(h);
  }
  for (auto& c : m_impl->controls)
    if (c.picture) api::DeleteObject(c.picture);
  for (auto& f : m_impl->fonts) api::DeleteObject(f.second);
  delete m_impl;
}

HWND CForm::hWnd() {
  if (m_hWnd || m_impl->loading) return m_hWnd;
  FormsInternal::RegisterClasses();
  m_impl->loading = true;
  FormsInternal::Creating() = this;
  int cx = m_impl->sized ? TwipsToPixelsX(m_impl->width) : 0;
  int cy = m_impl->sized ? TwipsToPixelsY(m_impl->height) : 0;
  HWND h = api::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kFormClass, m_impl->caption.c_str(),
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0,
                                0, cx, cy, m_impl->owner, nullptr, App::Instance(), nullptr);
  FormsInternal::Creating() = nullptr;
  if (!h) {
    m_impl->loading = false;
    throw RuntimeError{7, "Out of memory"};
  }
  m_hWnd = h;
  if (FormsInternal::FormOf(h) != this) FormsInternal::Forms().push_back({h, this});
  for (auto& t : m_impl->timers)
    if (t.enabled && t.interval) api::SetTimer(h, (UINT_PTR)t.id, t.interval, nullptr);
  try {
    Form_Load();
  } catch (...) {
    m_impl->loading = false;
    throw;
  }
  m_impl->loading = false;
  return m_hWnd;
}

void CForm::SetOwner(HWND hOwner) { m_impl->owner = hOwner; }

void CForm::Show(bool bModal, HWND hOwner) {
  // The owner is fixed when the window is made; a form loaded earlier keeps
  // the owner it was made with.
  if (hOwner && !m_hWnd) m_impl->owner = hOwner;
  HWND h = hWnd();
  if (!h) return;
  // A quiet run shows no window at all; the forms work unseen.
  const bool bSeen = Unattended().eUi != UiQuiet;
  if (!bModal) {
    if (bSeen) api::ShowWindow(h, SW_SHOW);
    return;
  }
  if (m_impl->owner && api::IsWindowEnabled(m_impl->owner)) {
    api::EnableWindow(m_impl->owner, FALSE);
    m_impl->ownerDisabled = true;
  }
  if (bSeen) {
    api::ShowWindow(h, SW_SHOW);
    api::SetForegroundWindow(h);
  }
  CtlInfo* c = m_impl->Find(m_impl->focusId);
  if (c && FormsInternal::Usable(c->h))
    api::SetFocus(c->h);
  else
    FormsInternal::MoveFocus(this, false);

  struct ModalGuard {
    explicit ModalGuard(HWND h) { g_ModalStack.push_back(h); }
    ~ModalGuard() { g_ModalStack.pop_back(); }
  } guard(h);
  MSG m;
  while (m_hWnd == h) {
    if (!api::GetMessageA(&m, nullptr, 0, 0)) {
      api::PostQuitMessage((int)m.wParam);   // for the outer loop
      break;
    }
    if (FormsInternal::PreTranslate(this, m)) continue;
    api::TranslateMessage(&m);
    api::DispatchMessageA(&m);
  }
}

bool CForm::Unload() {
  if (!m_hWnd) return true;
  if (m_impl->unloading || m_impl->loading) return false;
  if (!Form_QueryUnload()) return false;
  m_impl->unloading = true;
  try {
    Form_Unload();
  } catch (...) {
    m_impl->unloading = false;
    throw;
  }
  HWND h = m_hWnd;
  // The owner comes back before this window goes, so activation returns
  // to it and not to some other program.
  if (m_impl->ownerDisabled && m_impl->owner) api::EnableWindow(m_impl->owner, TRUE);
  m_impl->ownerDisabled = false;
  for (auto& t : m_impl->timers) api::KillTimer(h, (UINT_PTR)t.id);
  // The messages of the destruction still need the real window; its
  // WM_NCDESTROY forgets it. A window that would not go is forgotten here.
  api::DestroyWindow(h);
  if (m_hWnd == h) {
    m_hWnd = nullptr;
    FormsInternal::Forget(h);
  }
  for (auto& c : m_impl->controls)
    if (c.picture) api::DeleteObject(c.picture);
  m_impl->controls.clear();
  for (auto& f : m_impl->fonts) api::DeleteObject(f.second);
  m_impl->fonts.clear();
  m_impl->unloading = false;
  return true;
}

bool CForm::Form_QueryEndSession() { return RestartRequested() || Form_QueryUnload(); }

void CForm::SetCaption(const std::string& s) {
  m_impl->caption = s;
  if (m_hWnd) api::SetWindowTextA(m_hWnd, s.c_str());
}

void CForm::SetSizeTwips(double width, double height) {
  m_impl->width = width;
  m_impl->height = height;
  m_impl->sized = true;
  if (m_hWnd)
    api::SetWindowPos(m_hWnd, nullptr, 0, 0, TwipsToPixelsX(width), TwipsToPixelsY(height),
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CForm::MoveTwips(double left, double top, double width, double height) {
  m_impl->width = width;
  m_impl->height = height;
  m_impl->sized = true;
  HWND h = hWnd();
  api::SetWindowPos(h, nullptr, TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
                    TwipsToPixelsY(height), SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
HFONT FontFor(std::vector<std::pair<FontSpec, HFONT>>& cache, const FontSpec& f) {
  for (auto& p : cache)
    if (p.first.Face == f.Face && p.first.Points == f.Points && p.first.Bold == f.Bold) return p.second;
  LOGFONTA lf{};
  lf.lfHeight = -(LONG)std::lround(f.Points * LogPixels(LOGPIXELSY) / 72.0);
  lf.lfWeight = f.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  for (int i = 0; i < LF_FACESIZE - 1 && f.Face[i]; ++i) lf.lfFaceName[i] = f.Face[i];
  HFONT h = api::CreateFontIndirectA(&lf);
  cache.push_back({f, h});
  return h;
}
}  // namespace

HWND CForm::Control(int nId) const {
  for (auto& c : m_impl->controls)
    if (c.id == nId) return c.h;
  return nullptr;
}

namespace {
HWND MakeChild(HWND parent, const char* cls, const std::string& text, DWORD style, DWORD exStyle, double l,
               double t, double w, double h, int id) {
  HWND c = api::CreateWindowExA(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, TwipsToPixelsX(l),
                                TwipsToPixelsY(t), TwipsToPixelsX(w), TwipsToPixelsY(h), parent,
                                (HMENU)(intptr_t)id, App::Instance(), nullptr);
  // A missing frame or picture box would take the controls inside with it
  // (a page's buttons among them): an error, as for the form itself.
  if (!c) throw RuntimeError{7, "Out of memory"};
  return c;
}
}  // namespace

HWND CForm::AddLabel(int nId, double l, double t, double w, double h, const std::string& s, const FontSpec& f,
                     int nParentId) {
  HWND parent = nParentId ? Control(nParentId) : hWnd();
  HWND c = MakeChild(parent, "STATIC", s, SS_LEFT | SS_NOPREFIX, 0, l, t, w, h, nId);
  if (!c) return nullptr;
  api::SendMessageA(c, WM_SETFONT, (WPARAM)FontFor(m_impl->fonts, f), TRUE);
  m_impl->controls.push_back({nId, c, KindLabel, false, nullptr, nullptr});
  return c;
}

HWND CForm::AddFrame(int nId, double l, double t, double w, double h, const std::string& s, int nParentId) {
  HWND parent = nParentId ? Control(nParentId) : hWnd();
  HWND c = MakeChild(parent, kPanelClass, s, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, l, t, w, h, nId);
  if (!c) return nullptr;
  HWND box = api::CreateWindowExA(0, "BUTTON", s.c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0,
                                  TwipsToPixelsX(w), TwipsToPixelsY(h), c, (HMENU)(intptr_t)0xFFFF,
                                  App::Instance(), nullptr);
  if (box) api::SendMessageA(box, WM_SETFONT, (WPARAM)FontFor(m_impl->fonts, kMSSansSerif825), TRUE);
  m_impl->controls.push_back({nId, c, KindFrame, false, box, nullptr});
  return c;
}

HWND CForm::AddPicture(int nId, double l, double t, double w, double h, int nParentId) {
  HWND parent = nParentId ? Control(nParentId) : hWnd();
  HWND c = MakeChild(parent, kPanelClass, "", WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, l, t, w, h, nId);
  if (!c) return nullptr;
  m_impl->controls.push_back({nId, c, KindPicture, false, nullptr, nullptr});
  return c;
}

HWND CForm::AddButton(int nId, double l, double t, double w, double h, const std::string& s, int nParentId) {
  HWND parent = nParentId ? Control(nParentId) : hWnd();
  HWND c = MakeChild(parent, "BUTTON", s, BS_PUSHBUTTON | WS_TABSTOP, 0, l, t, w, h, nId);
  if (!c) return nullptr;
  api::SendMessageA(c, WM_SETFONT, (WPARAM)FontFor(m_impl->fonts, kMSSansSerif825), TRUE);
  m_impl->controls.push_back({nId, c, KindButton, true, nullptr, nullptr});
  return c;
}

HWND CForm::AddLine(int nId, double l, double t, double w, int nParentId) {
  HWND parent = nParentId ? Control(nParentId) : hWnd();
  HWND c = api::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, TwipsToPixelsX(l),
                                TwipsToPixelsY(t), TwipsToPixelsX(w), 2, parent, (HMENU)(intptr_t)nId,
                                App::Instance(), nullptr);
  if (!c) return nullptr;
  m_impl->controls.push_back({nId, c, KindLine, false, nullptr, nullptr});
  return c;
}

void CForm::AdoptControl(int nId, HWND h, bool bTabStop) {
  if (!h) return;
  if (CtlInfo* c = m_impl->Find(nId)) {
    c->h = h;
    c->tabStop = bTabStop;
    return;
  }
  m_impl->controls.push_back({nId, h, KindCustom, bTabStop, nullptr, nullptr});
}

void CForm::SetCancelButton(int nId) { m_impl->cancelId = nId; }

void CForm::SetFocusControl(int nId) {
  m_impl->focusId = nId;
  HWND h = Control(nId);
  if (h && m_hWnd && api::IsWindowVisible(m_hWnd) && FormsInternal::Usable(h)) api::SetFocus(h);
}

void CForm::SetPicture(int nId, HBITMAP hBmp) {
  CtlInfo* c = m_impl->Find(nId);
  if (!c) {
    if (hBmp) api::DeleteObject(hBmp);
    return;
  }
  if (c->picture && c->picture != hBmp) api::DeleteObject(c->picture);
  c->picture = hBmp;
  if (!FormsInternal::PanelOf(c->h)) FormsInternal::Panels().push_back({c->h, this, nId});
  api::InvalidateRect(c->h, nullptr, TRUE);
}

void CForm::SetText(int nId, const std::string& s) {
  CtlInfo* c = m_impl->Find(nId);
  if (!c) return;
  api::SetWindowTextA(c->h, s.c_str());
  if (c->groupBox) api::SetWindowTextA(c->groupBox, s.c_str());
}

std::string CForm::Text(int nId) const {
  HWND h = Control(nId);
  if (!h) return "";
  int n = (int)api::SendMessageA(h, WM_GETTEXTLENGTH, 0, 0);
  std::string s(n + 1, '\0');
  n = api::GetWindowTextA(h, &s[0], n + 1);
  s.resize(n > 0 ? n : 0);
  return s;
}

void CForm::SetEnabled(int nId, bool b) {
  HWND h = Control(nId);
  if (h) api::EnableWindow(h, b ? TRUE : FALSE);
}

bool CForm::Enabled(int nId) const {
  HWND h = Control(nId);
  return h && api::IsWindowEnabled(h);
}

void CForm::SetVisible(int nId, bool b) {
  HWND h = Control(nId);
  if (h) api::ShowWindow(h, b ? SW_SHOWNA : SW_HIDE);
}

bool CForm::Visible(int nId) const {
  HWND h = Control(nId);
  return h && (api::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);
}

void CForm::SetFont(int nId, const FontSpec& f) {
  HWND h = Control(nId);
  if (h) api::SendMessageA(h, WM_SETFONT, (WPARAM)FontFor(m_impl->fonts, f), TRUE);
}

void CForm::SetTimer(int nId, UINT nIntervalMs, bool bEnabled) {
  FormTimer* t = nullptr;
  for (auto& x : m_impl->timers)
    if (x.id == nId) t = &x;
  if (!t) {
    m_impl->timers.push_back({nId, nIntervalMs, bEnabled});
    t = &m_impl->timers.back();
  }
  t->interval = nIntervalMs;
  t->enabled = bEnabled;
  if (!m_hWnd) return;
  if (bEnabled && nIntervalMs)
    api::SetTimer(m_hWnd, (UINT_PTR)nId, nIntervalMs, nullptr);
  else
    api::KillTimer(m_hWnd, (UINT_PTR)nId);
}

void CForm::EnableTimer(int nId, bool bEnabled) {
  for (auto& x : m_impl->timers)
    if (x.id == nId) {
      if (x.enabled != bEnabled) SetTimer(nId, x.interval, bEnabled);
      return;
    }
}

void CForm::PressControl(int nId) {
  HWND h = Control(nId);
  if (h && !api::IsWindowEnabled(h)) return;
  // Shown inside the form, whether the form itself is (a quiet run) or not.
  for (HWND p = h; p && p != m_hWnd; p = api::GetParent(p))
    if (!(api::GetWindowLongA(p, GWL_STYLE) & WS_VISIBLE)) return;
  Control_Click(nId);
}

LRESULT CForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = m_hWnd;
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) PressControl((int)LOWORD(wParam));
      return 0;
    case WM_TIMER:
      for (auto& t : m_impl->timers)
        if ((WPARAM)t.id == wParam) {
          if (t.enabled) Timer_Tick(t.id);
          return 0;
        }
      return 0;
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_QUERYENDSESSION:
      return Form_QueryEndSession() ? TRUE : FALSE;
    case WM_ERASEBKGND:
      if (!Form_EraseBackground((HDC)wParam)) FormsInternal::FillFace((HDC)wParam, h);
      return 1;
    case WM_SETCURSOR:
      if (FormsInternal::SetCursorForScreen()) return TRUE;
      break;
  }
  return api::DefWindowProcA(h, msg, wParam, lParam);
}
