// The arithmetic of the progress bar and the custom button: rounding, fill
// and percentage, text position, time estimate, caption and picture places,
// and the button's answer to each mouse message.
#include <string>
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

TEST(rounding_halving_and_overflow) {
  const struct { double d; int n; } rounds[] = {{46.5, 46}, {47.5, 48}, {12.5, 12}, {-2.5, -2}, {-3.5, -4},
                                               {0.49999, 0}, {2.51, 3}, {2147483647.4, 2147483647}};
  for (const auto& r : rounds) CHECK_EQ(RoundHalfEven(r.d), r.n);
  // Halving drops the remainder toward zero, after rounding.
  const struct { double d; int n; } halves[] = {{75, 37}, {-9, -4}, {8.5, 4}, {9.5, 5}};
  for (const auto& h : halves) CHECK_EQ(HalfOf(h.d), h.n);
  for (auto fn : {+[] { RoundHalfEven(2147483648.0); }, +[] { RoundHalfEven(0.0 / 0.0); },
                  +[] { CheckedAdd(2147483647, 1); }, +[] { CheckedSub(-2147483647 - 1, 1); },
                  +[] { ComputeProgressFill(100, 4, 1, 2147483647, -2); },   // the span as a 32-bit difference
                  +[] { EstimateTimeToFinish(1, 0, 2147483647, 10); }})
    CHECK_EQ(ErrorOf(fn), 6L);
}

TEST(progress_fill_and_percentage) {
  const struct { int W, units, unit, max, min, fill, pct; } rows[] = {
      {186, 4, 1, 100, 0, 46, 25},     // 186 / 4 = 46.5 -> 46; 46 / 186 = 24.73 % -> 25
      {200, 8, 1, 100, 0, 25, 12},     // exactly 12.5 % shows as 12
      {186, 0, 7, 100, 0, 0, 0},       // no units: nothing filled
      {186, 4, 4, 100, 0, 186, 100},   // at and past the end: full width, MaxPercentage
      {186, 4, 9, 100, 0, 186, 100},
      {186, 4, 9, 250, 0, 186, 250},
      {200, 4, 2, 100, 20, 100, 40},   // MinPercentage narrows the span below the full bar only
      {200, 4, 5, 100, 20, 200, 100},
      {200, -4, 1, 100, 0, -50, -25},  // negative unit counts fill nothing (no width)
      {0, 4, 1, 100, 0, 0, 0},         // a control without width shows 0 %
  };
  for (const auto& r : rows) {
    ProgressFill f = ComputeProgressFill(r.W, r.units, r.unit, r.max, r.min);
    const std::string row = std::to_string(r.W) + "/" + std::to_string(r.units) + "/" + std::to_string(r.unit) +
                            "/" + std::to_string(r.min) + ": ";
    CHECK_EQ(row + std::to_string(f.nFill) + " " + std::to_string(f.nPercentage),
             row + std::to_string(r.fill) + " " + std::to_string(r.pct));
  }
}

TEST(progress_text_and_its_place) {
  CHECK_EQ(PercentText(45), std::string("45 %"));
  CHECK_EQ(PercentText(-5), std::string("-5 %"));
  // Top: (H - th) halved, never above the control.
  CHECK_EQ(ProgressTextTop(20, 13), 3);
  CHECK_EQ(ProgressTextTop(21, 13), 4);
  CHECK_EQ(ProgressTextTop(10, 13), 0);
  // Left by alignment (0 centred, 1 left, 2 right, others at 0); a text wider
  // than the control starts left of it when centred.
  const struct { int align, W, tw, left; } rows[] = {{0, 186, 25, 80}, {0, 186, 24, 81}, {1, 186, 25, 3},
                                                     {2, 186, 25, 155}, {5, 186, 25, 0}, {-1, 186, 25, 0},
                                                     {0, 20, 25, -2}};
  for (const auto& r : rows) CHECK_EQ(ProgressTextLeft(r.align, r.W, r.tw), r.left);
}

TEST(date_serial_and_time_estimate) {
  const struct { WORD y, mo, d, h; double serial; } dates[] = {
      {1899, 12, 30, 0, 0.0}, {1900, 1, 1, 0, 2.0}, {2000, 2, 29, 18, 36585.75}, {2026, 12, 6, 12, 46362.5}};
  for (const auto& r : dates) {
    SYSTEMTIME st = {};
    st.wYear = r.y, st.wMonth = r.mo, st.wDay = r.d, st.wHour = r.h;
    CHECK_EQ(DateSerial(st), r.serial);
  }
  // Two of ten steps done in 0.3 days (third under way): 0.1 per step, 8 left.
  const double d = EstimateTimeToFinish(10.3, 10.0, 2, 10);
  CHECK(d > 0.7999999 && d < 0.8000001);
  CHECK(EstimateTimeToFinish(46362.5, 0, 0, 100) > 4.6e6);   // never started: from day 0
  CHECK(EstimateTimeToFinish(11, 10, 12, 10) < 0);           // past the end: negative, no failure
}

namespace {
// Caption 25 x 13 and picture 15 x 16 on a 75 x 31 button: totalW 40,
// totalH 29, half W 37, half H 15.
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

std::string Places(const ButtonLayout& l) {
  return std::to_string(l.tx) + "," + std::to_string(l.ty) + " " + std::to_string(l.px) + "," + std::to_string(l.py);
}
}  // namespace

TEST(button_layout_for_every_alignment_state_and_content) {
  ButtonLayoutIn captionAlone = Both(2), pictureAlone = Both(1);
  captionAlone.bPicture = false;   // centred, alignment ignored
  pictureAlone.bCaption = false;   // centred, caption at the corner
  pictureAlone.tw = pictureAlone.th = 0;
  const struct { const char* sWhat; ButtonLayoutIn in; const char* sPlaces; } rows[] = {
      {"caption left", Both(0), "17,9 42,7"},     // tx 37 - 20, px tx + tw
      {"caption above", Both(1), "25,1 30,14"},   // py ty + th
      {"caption right", Both(2), "32,9 17,7"},    // tx px + pw
      {"caption below", Both(3), "25,17 30,1"},   // ty py + ph
      {"alignment 4", Both(4), "0,0 0,0"},
      {"alignment 7", Both(7), "0,0 0,0"},
      {"alignment -1", Both(-1), "0,0 0,0"},
      {"alignment 7 pressed", Both(7, EdgeSunken), "1,1 1,1"},
      {"caption left pressed", Both(0, EdgeSunken), "18,10 43,8"},
      {"disabled never moves", Both(0, EdgeSunken, false), "17,9 42,7"},
      {"caption alone", captionAlone, "25,9 0,0"},
      {"picture alone", pictureAlone, "0,0 30,7"},
  };
  for (const auto& r : rows)
    CHECK_EQ(std::string(r.sWhat) + ": " + Places(ComputeButtonLayout(r.in)), std::string(r.sWhat) + ": " + r.sPlaces);
  ButtonLayout l = ComputeButtonLayout(Both(0, EdgeSunken));
  CHECK_EQ(l.nEdge, UINT(EdgeSunken));
  CHECK_EQ(l.nStateFlag, 0u);
  // Disabled: greyed, raised edge whatever was asked.
  l = ComputeButtonLayout(Both(0, EdgeSunken, false));
  CHECK_EQ(l.nStateFlag, UINT(DSS_DISABLED));
  CHECK_EQ(l.nEdge, UINT(EdgeRaised));
}

TEST(button_mouse_answers) {
  using E = MouseEvent;
  using A = MouseAction;
  const int W = 96, H = 32;
  const struct { E e; int button; bool enabled; int x, y; A a; } rows[] = {
      {E::Down, 1, true, 5, 5, A::DrawSunken},
      {E::Down, 2, true, 5, 5, A::None},
      {E::Down, 3, true, 5, 5, A::None},
      {E::Down, 1, false, 5, 5, A::None},
      // Moves follow the reported state and the place only.
      {E::Move, 1, true, W, H, A::DrawSunken},
      {E::Move, 1, true, 0, 0, A::DrawSunken},
      {E::Move, 1, true, W + 1, 5, A::DrawRaised},
      {E::Move, 1, true, 5, -1, A::DrawRaised},
      {E::Move, 0, true, 5, 5, A::DrawRaised},
      {E::Move, 2, true, 5, 5, A::DrawRaised},
      {E::Move, 1, false, 5, 5, A::DrawRaised},
      // Release: inside (edges included) clicks, anything else does nothing.
      {E::Up, 1, true, W, H, A::DrawRaisedAndClick},
      {E::Up, 1, true, 0, 0, A::DrawRaisedAndClick},
      {E::Up, 1, true, W + 1, H, A::None},
      {E::Up, 1, true, -1, 0, A::None},
      {E::Up, 2, true, 5, 5, A::None},
      {E::Up, 3, true, 5, 5, A::None},
      {E::Up, 1, false, 5, 5, A::None},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    const auto& r = rows[i];
    CHECK_EQ("row " + std::to_string(i) + ": " +
                 std::to_string(int(ButtonMouseAction(r.e, r.button, r.enabled, r.x, r.y, W, H))),
             "row " + std::to_string(i) + ": " + std::to_string(int(r.a)));
  }
}
