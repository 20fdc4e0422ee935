// The wizard's progress bar: a child window that draws a flat bar with the
// percentage written across it in two colours.
#pragma once
#include <cstdint>
#include "controls/CSurface.h"
#include "controls/PropertyBag.h"
#include "platform/MAPI_Declares.h"

class UProgressBar : public CControlWindow {
public:
  UProgressBar();
  ~UProgressBar() override { Destroy(); }
  // Creates the control window inside hParent at the given pixel rectangle.
  HWND Create(HWND hParent, int nId, int x, int y, int w, int h);
  HWND hWnd() const { return m_hWnd; }
  void SetHost(IControlHost* pHost) { m_pHost = pHost; }

  int32_t MaxPercentage() const { return m_MaxPercentage; }
  void MaxPercentage(int32_t n) { m_MaxPercentage = n; }
  int32_t MinPercentage() const { return m_MinPercentage; }
  void MinPercentage(int32_t n) { m_MinPercentage = n; }
  int32_t ProgressUnits() const { return m_ProgressUnits; }
  void ProgressUnits(int32_t n) { m_ProgressUnits = n; }
  int32_t CurrentUnit() const { return m_CurrentUnit; }
  int32_t CurrentPercentage() const { return m_CurrentPercentage; }
  int32_t FloodStyle() const { return m_FloodStyle; }
  void FloodStyle(int32_t n) { m_FloodStyle = n; }
  int32_t TextAlignment() const { return m_TextAlignment; }
  void TextAlignment(int32_t n) { m_TextAlignment = n; }
  // Colours in the form engine's convention (top bit set: system colour).
  uint32_t BackColor() const { return m_Surface.BackColor(); }
  void BackColor(uint32_t oNewVal);
  uint32_t FillColor() const { return m_Surface.ForeColor(); }
  void FillColor(uint32_t oNewVal);
  uint32_t InvertedTextColor() const { return m_InvertedTextColor; }
  void InvertedTextColor(uint32_t oNewVal) { m_InvertedTextColor = oNewVal; }
  const StdFont& Font() const { return m_Surface.Font(); }
  void Font(const StdFont& New_Font);

  double EstamatedTimeToFinish() const;   // days
  void IncrementProgress(bool bStartFresh = false);
  void Clear() {}
  void Visible(bool b);                    // the extender's visibility flag

  // Persisted form.
  void InitProperties();
  void ReadProperties(CPropertyBag& PropBag);
  void WriteProperties(CPropertyBag& PropBag) const;

  HDC SurfaceDC() const { return m_Surface.hDC(); }   // the kept look, for inspection

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void Repaint();
  IControlHost* m_pHost = nullptr;
  CSurface m_Surface;
  int32_t m_MaxPercentage = 100, m_MinPercentage = 0, m_ProgressUnits = 0;
  int32_t m_CurrentUnit = 0, m_CurrentPercentage = 0;
  int32_t m_FloodStyle = 2, m_TextAlignment = 0;
  uint32_t m_InvertedTextColor = 0x8000000E;
  double m_StartTime = 0;
};
