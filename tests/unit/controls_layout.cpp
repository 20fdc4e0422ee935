// The arithmetic of the progress bar and the custom button: rounding, fill
// and percentage, text position, time estimate, caption and picture places,
// and the button's answer to each mouse message.
#include "controls/ControlLayout.h"
#include "platform/Forms.h"
#include "tests/check.h"

namespace {
long ErrorOf(void (*fn)()) {
  try {
    fn();
  } catch (const RuntimeError& e) {
    return e.Number;
  }
  return 0;
}
}  // namespace

TEST(round_half_even_and_halving) {
  CHECK_EQ(RoundHalfEven(46.5), 46);
  CHECK_EQ(RoundHalfEven(47.5), 48);
  CHECK_EQ(RoundHalfEven(12.5), 12);
  CHECK_EQ(RoundHalfEven(-2.5), -2);
  CHECK_EQ(RoundHalfEven(-3.5), -4);
  CHECK_EQ(RoundHalfEven(0.49999), 0);
  CHECK_EQ(RoundHalfEven(2.51), 3);
  CHECK_EQ(RoundHalfEven(2147483647.4), 2147483647);
  CHECK_EQ(ErrorOf([] { RoundHalfEven(2147483648.0); }), 6L);
  CHECK_EQ(ErrorOf([] { RoundHalfEven(0.0 / 0.0); }), 6L);
  // Halving drops the remainder toward zero, after rounding.
  CHECK_EQ(HalfOf(75), 37);
  CHECK_EQ(HalfOf(-9), -4);
  CHECK_EQ(HalfOf(8.5), 4);
  CHECK_EQ(HalfOf(9.5), 5);
  CHECK_EQ(ErrorOf([] { CheckedAdd(2147483647, 1); }), 6L);
  CHECK_EQ(ErrorOf([] { CheckedSub(-2147483647 - 1, 1); }), 6L);
}

TEST(progress_fill_and_percentage) {
  // 186 / 4 * 1 = 46.5 -> 46; 46 / 186 * 100 = 24.73 -> 25.
  ProgressFill f = ComputeProgressFill(186, 4, 1, 100, 0);
  CHECK_EQ(f.nFill, 46);
  CHECK_EQ(f.nPercentage, 25);
  // A percentage of exactly 12.5 shows as 12.
  f = ComputeProgressFill(200, 8, 1, 100, 0);
  CHECK_EQ(f.nFill, 25);
  CHECK_EQ(f.nPercentage, 12);
  // No units: nothing filled, 0 %.
  f = ComputeProgressFill(186, 0, 7, 100, 0);
  CHECK_EQ(f.nFill, 0);
  CHECK_EQ(f.nPercentage, 0);
  // At and past the end: full width, MaxPercentage.
  f = ComputeProgressFill(186, 4, 4, 100, 0);
  CHECK_EQ(f.nFill, 186);
  CHECK_EQ(f.nPercentage, 100);
  f = ComputeProgressFill(186, 4, 9, 100, 0);
  CHECK_EQ(f.nFill, 186);
  CHECK_EQ(f.nPercentage, 100);
  f = ComputeProgressFill(186, 4, 9, 250, 0);
  CHECK_EQ(f.nPercentage, 250);
  // MinPercentage narrows the span below the full bar only.
  f = ComputeProgressFill(200, 4, 2, 100, 20);
  CHECK_EQ(f.nPercentage, 40);
  f = ComputeProgressFill(200, 4, 5, 100, 20);
  CHECK_EQ(f.nPercentage, 100);
  // Negative unit counts fill nothing (the box then has no width).
  f = ComputeProgressFill(200, -4, 1, 100, 0);
  CHECK_EQ(f.nFill, -50);
  CHECK_EQ(f.nPercentage, -25);
  // A control without width shows 0 % rather than failing.
  f = ComputeProgressFill(0, 4, 1, 100, 0);
  CHECK_EQ(f.nFill, 0);
  CHECK_EQ(f.nPercentage, 0);
  // The span overflows as a 32-bit difference.
  CHECK_EQ(ErrorOf([] { ComputeProgressFill(100, 4, 1, 2147483647, -2); }), 6L);
}

TEST(progress_text_and_its_place) {
  CHECK_EQ(PercentText(45), std::string("45 %"));
  CHECK_EQ(PercentText(0), std::string("0 %"));
  CHECK_EQ(PercentText(-5), std::string("-5 %"));
  // Top: (H - th) halved, never above the control.
  CHECK_EQ(ProgressTextTop(20, 13), 3);
  CHECK_EQ(ProgressTextTop(21, 13), 4);
  CHECK_EQ(ProgressTextTop(10, 13), 0);
  // Left by alignment.
  CHECK_EQ(ProgressTextLeft(0, 186, 25), 80);
  CHECK_EQ(ProgressTextLeft(0, 186, 24), 81);
  CHECK_EQ(ProgressTextLeft(1, 186, 25), 3);
  CHECK_EQ(ProgressTextLeft(2, 186, 25), 155);
  CHECK_EQ(ProgressTextLeft(5, 186, 25), 0);
  CHECK_EQ(ProgressTextLeft(-1, 186, 25), 0);
  // A text wider than the control starts left of it when centred.
  CHECK_EQ(ProgressTextLeft(0, 20, 25), -2);
}

TEST(date_serial_and_time_estimate) {
  SYSTEMTIME st = {};
  st.wYear = 1899, st.wMonth = 12, st.wDay = 30;
  CHECK_EQ(DateSerial(st), 0.0);
  st.wYear = 1900, st.wMonth = 1, st.wDay = 1;
  CHECK_EQ(DateSerial(st), 2.0);
  st.wYear = 2000, st.wMonth = 2, st.wDay = 29, st.wHour = 18;
  CHECK_EQ(DateSerial(st), 36585.75);
  st.wYear = 2026, st.wMonth = 12, st.wDay = 6, st.wHour = 12, st.wMinute = 0;
  CHECK_EQ(DateSerial(st), 46362.5);
  // Two of ten steps done in 0.3 days (third under way): 0.1 per step, 8 left.
  CHECK_EQ(EstimateTimeToFinish(10.3, 10.0, 2, 10) > 0.7999999, true);
  CHECK_EQ(EstimateTimeToFinish(10.3, 10.0, 2, 10) < 0.8000001, true);
  // Never started: measured from day 0, a very large value.
  CHECK(EstimateTimeToFinish(46362.5, 0, 0, 100) > 4.6e6);
  // Past the end the estimate turns negative rather than failing.
  CHECK(EstimateTimeToFinish(11, 10, 12, 10) < 0);
  CHECK_EQ(ErrorOf([] { EstimateTimeToFinish(1, 0, 2147483647, 10); }), 6L);
}

namespace {
ButtonLayoutIn Both(int nAlign, UINT nEdge = EdgeRaised, bool bEnabled = true) {
  ButtonLayoutIn in;
  in.W = 75, in.H = 31;
  in.bPicture = in.bCaption = true;
  in.tw = 25, in.th = 13, in.pw = 15, in.ph = 16;
  in.nCaptionAlignment = nAlign;
  in.nEdge = nEdge;
  in.bEnabled = bEnabled;
  return in;
}
}  // namespace

TEST(button_layout_for_every_alignment) {
  // totalW 40, totalH 29; half W 37, half H 15.
  ButtonLayout l = ComputeButtonLayout(Both(0));   // caption left of the picture
  CHECK_EQ(l.tx, 17);   // 37 - 20
  CHECK_EQ(l.ty, 9);    // 15 - 6
  CHECK_EQ(l.px, 42);   // tx + tw
  CHECK_EQ(l.py, 7);    // 15 - 8
  l = ComputeButtonLayout(Both(1));                // caption above
  CHECK_EQ(l.tx, 25);   // 37 - 12
  CHECK_EQ(l.ty, 1);    // 15 - 14
  CHECK_EQ(l.px, 30);   // 37 - 7
  CHECK_EQ(l.py, 14);   // ty + th
  l = ComputeButtonLayout(Both(2));                // caption right of the picture
  CHECK_EQ(l.px, 17);
  CHECK_EQ(l.py, 7);
  CHECK_EQ(l.tx, 32);   // px + pw
  CHECK_EQ(l.ty, 9);
  l = ComputeButtonLayout(Both(3));                // caption below
  CHECK_EQ(l.px, 30);
  CHECK_EQ(l.py, 1);
  CHECK_EQ(l.tx, 25);
  CHECK_EQ(l.ty, 17);   // py + ph
  for (int a : {4, 7, -1}) {
    l = ComputeButtonLayout(Both(a));
    CHECK_EQ(l.tx + l.ty + l.px + l.py, 0);
  }
  l = ComputeButtonLayout(Both(7, EdgeSunken));
  CHECK_EQ(l.tx, 1);
  CHECK_EQ(l.ty, 1);
  CHECK_EQ(l.px, 1);
  CHECK_EQ(l.py, 1);
}

TEST(button_layout_alone_pressed_and_disabled) {
  ButtonLayoutIn in = Both(2);
  in.bPicture = false;   // caption alone: centred, alignment ignored
  ButtonLayout l = ComputeButtonLayout(in);
  CHECK_EQ(l.tx, 25);
  CHECK_EQ(l.ty, 9);
  in = Both(1);
  in.bCaption = false;   // picture alone: centred, caption at the corner
  in.tw = in.th = 0;
  l = ComputeButtonLayout(in);
  CHECK_EQ(l.px, 30);
  CHECK_EQ(l.py, 7);
  CHECK_EQ(l.tx, 0);
  CHECK_EQ(l.ty, 0);

  l = ComputeButtonLayout(Both(0, EdgeSunken));
  CHECK_EQ(l.tx, 18);
  CHECK_EQ(l.ty, 10);
  CHECK_EQ(l.px, 43);
  CHECK_EQ(l.py, 8);
  CHECK_EQ(l.nEdge, UINT(EdgeSunken));
  CHECK_EQ(l.nStateFlag, 0u);

  // Disabled: greyed, never moved, raised edge whatever was asked.
  l = ComputeButtonLayout(Both(0, EdgeSunken, false));
  CHECK_EQ(l.tx, 17);
  CHECK_EQ(l.px, 42);
  CHECK_EQ(l.nStateFlag, UINT(DSS_DISABLED));
  CHECK_EQ(l.nEdge, UINT(EdgeRaised));
}

TEST(button_mouse_answers) {
  using E = MouseEvent;
  using A = MouseAction;
  const int W = 96, H = 32;
  CHECK(ButtonMouseAction(E::Down, 1, true, 5, 5, W, H) == A::DrawSunken);
  CHECK(ButtonMouseAction(E::Down, 2, true, 5, 5, W, H) == A::None);
  CHECK(ButtonMouseAction(E::Down, 3, true, 5, 5, W, H) == A::None);
  CHECK(ButtonMouseAction(E::Down, 1, false, 5, 5, W, H) == A::None);
  // Moves follow the reported state and the place only.
  CHECK(ButtonMouseAction(E::Move, 1, true, W, H, W, H) == A::DrawSunken);
  CHECK(ButtonMouseAction(E::Move, 1, true, 0, 0, W, H) == A::DrawSunken);
  CHECK(ButtonMouseAction(E::Move, 1, true, W + 1, 5, W, H) == A::DrawRaised);
  CHECK(ButtonMouseAction(E::Move, 1, true, 5, -1, W, H) == A::DrawRaised);
  CHECK(ButtonMouseAction(E::Move, 0, true, 5, 5, W, H) == A::DrawRaised);
  CHECK(ButtonMouseAction(E::Move, 2, true, 5, 5, W, H) == A::DrawRaised);
  CHECK(ButtonMouseAction(E::Move, 1, false, 5, 5, W, H) == A::DrawRaised);
  // Release: inside (edges included) clicks, anything else does nothing.
  CHECK(ButtonMouseAction(E::Up, 1, true, W, H, W, H) == A::DrawRaisedAndClick);
  CHECK(ButtonMouseAction(E::Up, 1, true, 0, 0, W, H) == A::DrawRaisedAndClick);
  CHECK(ButtonMouseAction(E::Up, 1, true, W + 1, H, W, H) == A::None);
  CHECK(ButtonMouseAction(E::Up, 1, true, -1, 0, W, H) == A::None);
  CHECK(ButtonMouseAction(E::Up, 2, true, 5, 5, W, H) == A::None);
  CHECK(ButtonMouseAction(E::Up, 3, true, 5, 5, W, H) == A::None);
  CHECK(ButtonMouseAction(E::Up, 1, false, 5, 5, W, H) == A::None);
}
