#include "controls/ControlLayout.h"
#include <cmath>
#include "platform/Forms.h"

namespace {
[[noreturn]] void Overflow() { throw RuntimeError{6, "Overflow"}; }
}

int32_t RoundHalfEven(double v) {
  if (!(v >= -2147483648.5 && v <= 2147483647.5)) Overflow();   // NaN fails both
  double f = std::floor(v);
  double diff = v - f;
  double r = f;
  if (diff > 0.5) r = f + 1;
  else if (diff == 0.5) r = (std::fmod(f, 2.0) == 0) ? f : f + 1;
  if (r > 2147483647.0 || r < -2147483648.0) Overflow();
  return static_cast<int32_t>(r);
}

int32_t HalfOf(double v) { return RoundHalfEven(v) / 2; }   // C++ division truncates

int32_t CheckedAdd(int32_t a, int32_t b) {
  int64_t r = int64_t(a) + b;
  if (r > INT32_MAX || r < INT32_MIN) Overflow();
  return int32_t(r);
}

int32_t CheckedSub(int32_t a, int32_t b) {
  int64_t r = int64_t(a) - b;
  if (r > INT32_MAX || r < INT32_MIN) Overflow();
  return int32_t(r);
}

COLORREF ResolveColor(uint32_t c) {
  if (IsSystemColor(c)) return api::GetSysColor(int(c & 0x0FFFFFFFu));
  return COLORREF(c);
}

ProgressFill ComputeProgressFill(int32_t W, int32_t nProgressUnits, int32_t nCurrentUnit,
                                 int32_t nMaxPercentage, int32_t nMinPercentage) {
  ProgressFill r{0, 0};
  if (nProgressUnits != 0)
    r.nFill = RoundHalfEven(double(W) / double(nProgressUnits) * double(nCurrentUnit));
  if (W < r.nFill) {
    r.nFill = W;
    r.nPercentage = nMaxPercentage;
  } else if (W > 0) {
    r.nPercentage = RoundHalfEven(double(r.nFill) / double(W) * double(CheckedSub(nMaxPercentage, nMinPercentage)));
  } else {
    // A control without width shows 0 % instead of failing on 0 / 0.
    r.nPercentage = 0;
  }
  return r;
}

std::string PercentText(int32_t nPercentage) { return std::to_string(nPercentage) + " %"; }

int32_t ProgressTextTop(int32_t H, int32_t nTextHeight) {
  int32_t y = HalfOf(double(H) - double(nTextHeight));
  return y < 0 ? 0 : y;
}

int32_t ProgressTextLeft(int32_t nTextAlignment, int32_t W, int32_t nTextWidth) {
  switch (nTextAlignment) {
    case 0: return HalfOf(double(W) - double(nTextWidth));
    case 1: return 3;
    case 2: return RoundHalfEven(double(W) - double(nTextWidth) - 6);
    default: return 0;
  }
}

double DateSerial(const SYSTEMTIME& st) {
  // Days from 1970-01-01 of the civil date (proleptic Gregorian).
  int64_t y = st.wYear, m = st.wMonth, d = st.wDay;
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days1970 = era * 146097 + doe - 719468;
  double day = double(days1970 + 25569);   // 1899-12-30 .. 1970-01-01
  double frac = (st.wHour * 3600000.0 + st.wMinute * 60000.0 + st.wSecond * 1000.0 +
                 st.wMilliseconds) / 86400000.0;
  return day + frac;
}

double EstimateTimeToFinish(double dNow, double dStart, int32_t nCurrentUnit, int32_t nProgressUnits) {
  int32_t nDone = CheckedAdd(nCurrentUnit, 1);
  int32_t nLeft = CheckedSub(nProgressUnits, nCurrentUnit);
  return (dNow - dStart) / double(nDone) * double(nLeft);
}

ButtonLayout ComputeButtonLayout(const ButtonLayoutIn& in) {
  ButtonLayout r;
  const double W = in.W, H = in.H;
  if (in.bPicture) {
    if (in.bCaption) {
      int32_t totalW = CheckedAdd(in.tw, in.pw), totalH = CheckedAdd(in.th, in.ph);
      switch (in.nCaptionAlignment) {
        case 0:   // caption left of the picture
          r.tx = HalfOf(W) - HalfOf(totalW);
          r.ty = HalfOf(H) - HalfOf(in.th);
          r.px = CheckedAdd(r.tx, in.tw);
          r.py = HalfOf(H) - HalfOf(in.ph);
          break;
        case 1:   // caption above the picture
          r.tx = HalfOf(W) - HalfOf(in.tw);
          r.ty = HalfOf(H) - HalfOf(totalH);
          r.px = HalfOf(W) - HalfOf(in.pw);
          r.py = CheckedAdd(r.ty, in.th);
          break;
        case 2:   // caption right of the picture
          r.px = HalfOf(W) - HalfOf(totalW);
          r.py = HalfOf(H) - HalfOf(in.ph);
          r.tx = CheckedAdd(r.px, in.pw);
          r.ty = HalfOf(H) - HalfOf(in.th);
          break;
        case 3:   // caption below the picture
          r.px = HalfOf(W) - HalfOf(in.pw);
          r.py = HalfOf(H) - HalfOf(totalH);
          r.tx = HalfOf(W) - HalfOf(in.tw);
          r.ty = CheckedAdd(r.py, in.ph);
          break;
        default:
          break;
      }
    } else {
      r.px = HalfOf(W) - HalfOf(in.pw);
      r.py = HalfOf(H) - HalfOf(in.ph);
    }
  } else {
    r.tx = HalfOf(W) - HalfOf(in.tw);
    r.ty = HalfOf(H) - HalfOf(in.th);
  }
  if (!in.bEnabled) {
    // Greyed and never pushed in; it keeps the raised frame of a button.
    r.nStateFlag = DSS_DISABLED;
    r.nEdge = EdgeRaised;
  } else {
    r.nEdge = in.nEdge;
    if (in.nEdge == EdgeSunken) {
      r.tx = CheckedAdd(r.tx, 1);
      r.ty = CheckedAdd(r.ty, 1);
      r.px = CheckedAdd(r.px, 1);
      r.py = CheckedAdd(r.py, 1);
    }
  }
  return r;
}

MouseAction ButtonMouseAction(MouseEvent e, int nButton, bool bEnabled, int x, int y, int W, int H) {
  const bool bLeft = nButton == 1 && bEnabled;
  switch (e) {
    case MouseEvent::Down:
      return bLeft ? MouseAction::DrawSunken : MouseAction::None;
    case MouseEvent::Move:
      if (!bLeft) return MouseAction::DrawRaised;
      return PointOnButton(x, y, W, H) ? MouseAction::DrawSunken : MouseAction::DrawRaised;
    case MouseEvent::Up:
      return bLeft && PointOnButton(x, y, W, H) ? MouseAction::DrawRaisedAndClick : MouseAction::None;
  }
  return MouseAction::None;
}
