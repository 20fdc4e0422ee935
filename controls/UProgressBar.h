// The wizard's progress bar: a child window that draws a flat bar with the
// percentage written across it in two colours.
#pragma once
#include <cstdint>
#include "platform/MAPI_Declares.h"

class UProgressBar {
public:
  // Creates the control window inside hParent at the given pixel rectangle.
  HWND Create(HWND hParent, int nId, int x, int y, int w, int h);
  HWND hWnd() const { return m_hWnd; }

  int32_t MaxPercentage() const { return m_MaxPercentage; }
  void MaxPercentage(int32_t n) { m_MaxPercentage = n; }
  int32_t MinPercentage() const { return m_MinPercentage; }
  void MinPercentage(int32_t n) { m_MinPercentage = n; }
  int32_t ProgressUnits() const { return m_ProgressUnits; }
  void ProgressUnits(int32_t n) { m_ProgressUnits = n; }
  int32_t CurrentUnit() const { return m_CurrentUnit; }
  int32_t CurrentPercentage() const { return m_CurrentPercentage; }
  void IncrementProgress(bool bStartFresh = false);
  void Clear() {}
  void Visible(bool b);                    // the extender's visibility flag

private:
  HWND m_hWnd = nullptr;
  int32_t m_MaxPercentage = 100, m_MinPercentage = 0, m_ProgressUnits = 0;
  int32_t m_CurrentUnit = 0, m_CurrentPercentage = 0;
};
