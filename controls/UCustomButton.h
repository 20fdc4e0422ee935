// The wizard's own push button: draws its caption, an optional picture and a
// soft three-dimensional edge, and tells its parent of a click by
// WM_COMMAND / BN_CLICKED with its id, like a system button. Only the left
// mouse button clicks it; it takes no keyboard input and shows no focus.
#pragma once
#include <cstdint>
#include <string>
#include "controls/CSurface.h"
#include "controls/ControlLayout.h"
#include "controls/PropertyBag.h"

class UCustomButton : public CControlWindow {
public:
  UCustomButton();
  ~UCustomButton() override;
  HWND Create(HWND hParent, int nId, int x, int y, int w, int h);
  void SetHost(IControlHost* pHost) { m_pHost = pHost; }

  const std::string& Caption() const { return m_Caption; }
  void Caption(const std::string& sNewCaption);
  int32_t CaptionAlignment() const { return m_CaptionAlignment; }
  void CaptionAlignment(int32_t eAlignment);
  bool Enabled() const { return m_Enabled; }
  void Enabled(bool sNewValue);
  const StdFont& Font() const { return m_Surface.Font(); }
  void Font(const StdFont& New_Font);
  IPicture* Picture() const { return m_Picture; }     // as set; not AddRef'd
  void Picture(IPicture* oPicture);
  IPicture* DrawnPicture() const { return m_DrawnPicture; }
  uint32_t BackColor() const { return m_Surface.BackColor(); }

  // Persisted form.
  void InitProperties();
  void ReadProperties(CPropertyBag& PropBag);
  void WriteProperties(CPropertyBag& PropBag) const;

  // Handlers of the mouse messages: nButton is the button state (1 = left
  // alone), x and y in the surface's pixels.
  void MouseDown(int nButton, int x, int y);
  void MouseMove(int nButton, int x, int y);
  void MouseUp(int nButton, int x, int y);

  // Repaints the whole face with the given edge (EdgeRaised or EdgeSunken).
  virtual void DrawButton(UINT nEdge);

  HDC SurfaceDC() const { return m_Surface.hDC(); }   // the kept look, for inspection

protected:
  virtual void RaiseClick();
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void Changed(const char* sName);
  void Act(MouseAction a);
  IControlHost* m_pHost = nullptr;
  CSurface m_Surface;
  std::string m_Caption;
  int32_t m_CaptionAlignment = 0;
  bool m_Enabled = true;
  IPicture* m_Picture = nullptr;        // owned reference
  IPicture* m_DrawnPicture = nullptr;   // owned reference
};

// Copies rcSrc of hdcSrc to ptDest of hdcDest except where the source pixel
// has crKey. The source is used as work area: its key-coloured pixels in
// rcSrc are black afterwards.
void TransparentCopy(HDC& hdcDest, POINT& ptDest, HDC& hdcSrc, RECT& rcSrc, COLORREF crKey);
