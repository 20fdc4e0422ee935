// Arithmetic of the wizard's own controls, free of any window or device so
// that it can be checked on its own: the whole-number rounding of the form
// engine, the progress bar's fill, percentage and text position, the time
// estimate, and the placement of a button's caption and picture.
#pragma once
#include <cstdint>
#include <string>
#include "platform/MAPI_Declares.h"

// Rounds to the nearest whole number, halves to the even neighbour; a value
// outside the 32-bit range (or not a number) raises run-time error 6.
int32_t RoundHalfEven(double v);
// The rounded value halved, the remainder dropped (toward zero).
int32_t HalfOf(double v);
// 32-bit sum and difference that raise run-time error 6 instead of wrapping.
int32_t CheckedAdd(int32_t a, int32_t b);
int32_t CheckedSub(int32_t a, int32_t b);

// Colours: a value with the top bit set names system colour (value & 0x0FFFFFFF).
inline bool IsSystemColor(uint32_t c) { return (c & 0x80000000u) != 0; }
COLORREF ResolveColor(uint32_t c);      // through api::GetSysColor for system colours

// ---- progress bar ----
struct ProgressFill {
  int32_t nFill;        // the bar covers pixel columns 0..nFill
  int32_t nPercentage;
};
// W is the inner width in pixels.
ProgressFill ComputeProgressFill(int32_t W, int32_t nProgressUnits, int32_t nCurrentUnit,
                                 int32_t nMaxPercentage, int32_t nMinPercentage);
std::string PercentText(int32_t nPercentage);          // "45 %"
int32_t ProgressTextTop(int32_t H, int32_t nTextHeight);
int32_t ProgressTextLeft(int32_t nTextAlignment, int32_t W, int32_t nTextWidth);

// Days since 1899-12-30 with the time of day as fraction.
double DateSerial(const SYSTEMTIME& st);
// Days still to go: the time per step so far (the step under way counted)
// times the steps left.
double EstimateTimeToFinish(double dNow, double dStart, int32_t nCurrentUnit, int32_t nProgressUnits);

// ---- button ----
enum : UINT { EdgeRaised = 5, EdgeSunken = 10 };   // EDGE_RAISED, EDGE_SUNKEN

struct ButtonLayoutIn {
  int32_t W = 0, H = 0;       // inner size of the surface
  bool bPicture = false;      // a picture with a non-zero handle will be drawn
  bool bCaption = false;      // the caption is not empty
  int32_t tw = 0, th = 0;     // caption extent in the surface's font
  int32_t pw = 0, ph = 0;     // picture extent in pixels
  int32_t nCaptionAlignment = 0;
  bool bEnabled = true;
  UINT nEdge = EdgeRaised;
};
struct ButtonLayout {
  int32_t tx = 0, ty = 0;     // caption top left
  int32_t px = 0, py = 0;     // picture top left
  UINT nStateFlag = 0;        // 0 or DSS_DISABLED
  UINT nEdge = EdgeRaised;    // edge drawn around the face
};
ButtonLayout ComputeButtonLayout(const ButtonLayoutIn& in);

// Whether a mouse position lies on the button: both edges count as inside.
inline bool PointOnButton(int x, int y, int W, int H) {
  return x >= 0 && x <= W && y >= 0 && y <= H;
}

// The button's reaction to one mouse message. nButton is the button state the
// message reports (1 = left alone).
enum class MouseEvent { Down, Move, Up };
enum class MouseAction { None, DrawRaised, DrawSunken, DrawRaisedAndClick };
MouseAction ButtonMouseAction(MouseEvent e, int nButton, bool bEnabled, int x, int y, int W, int H);
