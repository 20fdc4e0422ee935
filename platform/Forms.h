// Form and control services the pages rely on: windows sized in twips with
// load / query-unload / unload events, modal and modeless show, labels,
// frames, picture boxes, lines, button arrays, timers, the screen, the
// program, message boxes and run-time errors. Built on MAPI_Declares only,
// so the same code runs on real Windows and on the simulated one.
#pragma once
#include <string>
#include "MAPI_Declares.h"

// A run-time error: raised with throw, caught by the handler of the routine.
struct RuntimeError {
  long Number;
  std::string Description;
};

struct FontSpec {
  const char* Face;
  double Points;
  bool Bold;
};
extern const FontSpec kArial9, kArial825, kMSSansSerif825;

namespace Screen {
double Width();               // twips
double Height();              // twips
double TwipsPerPixelX();
double TwipsPerPixelY();
void SetMousePointer(int nPointer);   // 11 hourglass, 0 default
int MousePointer();
}  // namespace Screen

namespace App {
std::string ExePath();        // full path of the running program
std::string Path();           // folder of the running program (no trailing "\" unless a root)
std::string Command();        // argument string after the program's own path
std::string CommandFrom(const std::string& sCommandLine);   // the same, from a whole command line
std::string Title();
std::string Environ(const std::string& sName);
HINSTANCE Instance();
void SetExitCode(unsigned nCode);   // what the run ends with (ExitDone until set)
unsigned ExitCode();
[[noreturn]] void End();      // ends the program on the spot, with ExitCode()
}  // namespace App

// Modal; in an unattended run answered unseen: OK, or Yes to a question. A
// restart question under /norestart is answered No, unseen, in every run.
int MsgBox(const std::string& sText, UINT nFlags, const std::string& sTitle, bool bRestartQuestion = false);

// An error nobody handled: tells the user what happened, then ends the
// program, as the platform does.
[[noreturn]] void UnhandledError(const RuntimeError& e);
// Inside a catch block: the exception in flight as an unhandled error. Every
// procedure the system calls ends in it, because an exception cannot pass
// the system's frames in the 32-bit build. Out of memory is error 7, any
// other foreign exception error 51.
[[noreturn]] void UnhandledException();

int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);

class CForm {
public:
  CForm();
  virtual ~CForm();
  CForm(const CForm&) = delete;
  CForm& operator=(const CForm&) = delete;

  HWND hWnd();                        // creates the window and runs Form_Load on first need
  bool Loaded() const { return m_hWnd != nullptr; }
  // Modal: the owner is disabled and a nested message loop runs until the
  // form is unloaded. The loop gives the form's keys to Form_KeyDown first,
  // then handles Tab/Shift+Tab (enabled buttons), Enter/Space (the focused
  // button), Esc (the cancel button, when enabled) and Alt+access keys.
  void Show(bool bModal, HWND hOwner = nullptr);
  bool Unload();                      // false when Form_QueryUnload refused

  void SetCaption(const std::string& s);
  void SetSizeTwips(double width, double height);
  void MoveTwips(double left, double top, double width, double height);

  // Controls. Positions in twips inside the parent (the form, or a frame or
  // picture box given by its id). Every text is a real child window text.
  HWND AddLabel(int nId, double l, double t, double w, double h, const std::string& s,
                const FontSpec& f, int nParentId = 0);
  HWND AddFrame(int nId, double l, double t, double w, double h, const std::string& s,
                int nParentId = 0);
  HWND AddPicture(int nId, double l, double t, double w, double h, int nParentId = 0);
  HWND AddButton(int nId, double l, double t, double w, double h, const std::string& s,
                 int nParentId = 0);
  HWND AddLine(int nId, double l, double t, double w, int nParentId = 0);
  void AdoptControl(int nId, HWND h, bool bTabStop = true);   // a custom control created in this form
  void SetCancelButton(int nId);      // Esc presses it (when enabled)
  void SetFocusControl(int nId);      // focus on show (or now, when shown)
  void SetPicture(int nId, HBITMAP hBmp);   // picture box shows the bitmap; the form deletes it
  void SetOwner(HWND hOwner);         // owner of the window once it is created
  HWND Control(int nId) const;
  void SetText(int nId, const std::string& s);
  std::string Text(int nId) const;
  void SetEnabled(int nId, bool b);
  bool Enabled(int nId) const;
  void SetVisible(int nId, bool b);
  bool Visible(int nId) const;
  void SetFont(int nId, const FontSpec& f);

  // Presses a control the way the user would: only when enabled and visible.
  void PressControl(int nId);

  // Timers: one tick per interval while enabled.
  void SetTimer(int nId, UINT nIntervalMs, bool bEnabled);
  void EnableTimer(int nId, bool bEnabled);

protected:
  virtual void Form_Load() {}
  virtual bool Form_QueryUnload() { return true; }    // false refuses the close
  // The end of the session: a close request like any other, unless the
  // wizard itself asked for the restart.
  virtual bool Form_QueryEndSession();
  virtual void Form_Unload() {}
  virtual void Control_Click(int /*nId*/) {}
  virtual void Timer_Tick(int /*nId*/) {}
  virtual bool Form_KeyDown(int /*nKeyCode*/) { return false; }   // true discards the key
  virtual bool Form_EraseBackground(HDC /*hdc*/) { return false; } // true: painted
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

private:
  friend struct FormsInternal;
  struct Impl;
  Impl* m_impl;
};
