// The drawing surface of the wizard's own controls: a child window whose
// look lives in a kept bitmap of the window's size. Drawing goes to that
// bitmap and is then shown at once; WM_PAINT shows it again, so the control
// survives being covered and uncovered without drawing anything new.
#pragma once
#include <cstdint>
#include <string>
#include "controls/PropertyBag.h"
#include "platform/MAPI_Declares.h"

class CControlWindow {
public:
  CControlWindow() = default;
  virtual ~CControlWindow();
  CControlWindow(const CControlWindow&) = delete;
  CControlWindow& operator=(const CControlWindow&) = delete;
  HWND hWnd() const { return m_hWnd; }
  void Destroy();

protected:
  // Registers sClass once and creates the child window bound to this object.
  HWND CreateControl(const char* sClass, HWND hParent, int nId, int x, int y, int w, int h);
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  HWND m_hWnd = nullptr;

private:
  static LRESULT CALLBACK StaticProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
};

class CSurface {
public:
  CSurface(uint32_t nForeColor, uint32_t nBackColor);
  ~CSurface();
  CSurface(const CSurface&) = delete;
  CSurface& operator=(const CSurface&) = delete;

  // Makes the kept bitmap for the window's client area (again after a resize;
  // the old look is then lost and the surface is cleared).
  void Attach(HWND hWnd);
  void Detach();
  HDC hDC() const { return m_hdc; }
  int32_t Width() const { return m_w; }
  int32_t Height() const { return m_h; }

  uint32_t ForeColor() const { return m_fore; }
  void ForeColor(uint32_t c);
  uint32_t BackColor() const { return m_back; }
  void BackColor(uint32_t c);
  const StdFont& Font() const { return m_font; }
  void Font(const StdFont& f);
  HFONT hFont() const { return m_hFont; }

  void Cls();                                    // whole surface in the background colour
  SIZE TextExtent(const std::string& s) const;   // in the surface's font
  void Present();                                // show the kept look on the window now
  void Paint();                                  // answer WM_PAINT from the kept look

private:
  void ApplyFont();
  HWND m_hWnd = nullptr;
  HDC m_hdc = nullptr;
  HBITMAP m_hBmp = nullptr;
  HGDIOBJ m_hOldBmp = nullptr, m_hOldFont = nullptr;
  HFONT m_hFont = nullptr;
  int32_t m_w = 0, m_h = 0;
  uint32_t m_fore, m_back;
  StdFont m_font;
};
