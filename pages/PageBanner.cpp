// The page banners. Each is kept in the resources as a few lines of text
// (title, subtitle, colours, emblem) and painted here into a 512 x 67, 24-bit
// bitmap: six stored bitmaps would cost 600 KB of a program that must stay
// small.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "pages/CPage.h"
#include "pages/PageBanner.h"
#include "startup/resource.h"

namespace {

const int kW = 512, kH = 67;

struct Rgb {
  double r, g, b;
};

Rgb Hex(const std::string& s, Rgb def) {
  if (s.size() != 6) return def;
  long v = std::strtol(s.c_str(), nullptr, 16);
  return Rgb{double((v >> 16) & 255), double((v >> 8) & 255), double(v & 255)};
}

Rgb Mix(Rgb a, Rgb b, double t) { return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// A shape is a test whether a point lies inside; it is drawn with 4 x 4
// samples per pixel so that its edges are smooth.
typedef bool (*Inside)(double x, double y, const double* p);

struct Canvas {
  unsigned char* bits;
  int stride;
  void Blend(int x, int y, Rgb c, double a) {
    if (x < 0 || y < 0 || x >= kW || y >= kH || a <= 0) return;
    unsigned char* px = bits + y * stride + x * 3;
    // Values stay within 0..255: adding a half rounds them.
    px[2] = (unsigned char)(px[2] + (c.r - px[2]) * a + 0.5);
    px[1] = (unsigned char)(px[1] + (c.g - px[1]) * a + 0.5);
    px[0] = (unsigned char)(px[0] + (c.b - px[0]) * a + 0.5);
  }
  void Fill(Inside f, const double* p, double x0, double y0, double x1, double y1, Rgb c, double alpha = 1) {
    for (int y = (int)std::floor(y0); y <= (int)std::ceil(y1); ++y)
      for (int x = (int)std::floor(x0); x <= (int)std::ceil(x1); ++x) {
        int n = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx)
            if (f(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4, p)) ++n;
        if (n) Blend(x, y, c, alpha * n / 16.0);
      }
  }
};

// Shapes are small: no overflow to guard against, so no hypot.
double Distance(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

// p: cx, cy, rx, ry
bool InEllipse(double x, double y, const double* p) {
  double dx = (x - p[0]) / p[2], dy = (y - p[1]) / p[3];
  return dx * dx + dy * dy <= 1;
}
// p: cx, cy, r outer, r inner
bool InRing(double x, double y, const double* p) {
  double d = Distance(x - p[0], y - p[1]);
  return d <= p[2] && d >= p[3];
}
// p: left, top, right, bottom
bool InRect(double x, double y, const double* p) { return x >= p[0] && x <= p[2] && y >= p[1] && y <= p[3]; }
// p: x0, y0, x1, y1, half width: a thick segment
bool InStroke(double x, double y, const double* p) {
  double vx = p[2] - p[0], vy = p[3] - p[1];
  double t = ((x - p[0]) * vx + (y - p[1]) * vy) / (vx * vx + vy * vy);
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return Distance(x - (p[0] + t * vx), y - (p[1] + t * vy)) <= p[4];
}
// p: cx, cy, r outer, r inner, teeth: a gear
bool InGear(double x, double y, const double* p) {
  double dx = x - p[0], dy = y - p[1];
  double d = Distance(dx, dy);
  if (d < p[3]) return false;
  double a = std::atan2(dy, dx) * p[4] / (2 * 3.14159265358979);
  double frac = a - std::floor(a);
  double r = (frac < 0.5) ? p[2] : p[2] * 0.78;
  return d <= r;
}

void Ellipse(Canvas& c, double cx, double cy, double rx, double ry, Rgb col, double a = 1) {
  double p[] = {cx, cy, rx, ry};
  c.Fill(InEllipse, p, cx - rx, cy - ry, cx + rx, cy + ry, col, a);
}
void Rect(Canvas& c, double l, double t, double r, double b, Rgb col, double a = 1) {
  double p[] = {l, t, r, b};
  c.Fill(InRect, p, l, t, r, b, col, a);
}
void Stroke(Canvas& c, double x0, double y0, double x1, double y1, double w, Rgb col, double a = 1) {
  double p[] = {x0, y0, x1, y1, w / 2};
  c.Fill(InStroke, p, std::fmin(x0, x1) - w, std::fmin(y0, y1) - w, std::fmax(x0, x1) + w,
         std::fmax(y0, y1) + w, col, a);
}
void Ring(Canvas& c, double cx, double cy, double ro, double ri, Rgb col, double a = 1) {
  double p[] = {cx, cy, ro, ri};
  c.Fill(InRing, p, cx - ro, cy - ro, cx + ro, cy + ro, col, a);
}

// The database drum that every banner carries: three stacked discs.
void Drum(Canvas& c, double cx, double cy, Rgb body, Rgb top) {
  const double rx = 21, ry = 6.5, h = 30;
  const double y0 = cy - h / 2;
  Ellipse(c, cx + 2, y0 + h + 3, rx + 3, ry + 1, Rgb{0, 0, 0}, 0.25);   // shadow
  for (int i = 2; i >= 0; --i) {
    double yb = y0 + (i + 1) * h / 3;
    Rect(c, cx - rx, yb - h / 3, cx + rx, yb, body);
    Ellipse(c, cx, yb, rx, ry, body);
    // sheen down the left of the body
    Rect(c, cx - rx + 4, yb - h / 3 + 2, cx - rx + 9, yb - 1, Rgb{255, 255, 255}, 0.18);
    Ellipse(c, cx, yb - h / 3, rx, ry, Mix(body, Rgb{0, 0, 0}, 0.25));
  }
  Ellipse(c, cx, y0, rx, ry, top);
  Ellipse(c, cx - 4, y0 - 1.5, rx * 0.55, ry * 0.45, Rgb{255, 255, 255}, 0.35);
}

void Badge(Canvas& c, int nEmblem, double cx, double cy, Rgb accent) {
  const Rgb white{255, 255, 255};
  Ellipse(c, cx + 1, cy + 1.5, 11.5, 11.5, Rgb{0, 0, 0}, 0.3);
  Ellipse(c, cx, cy, 11, 11, accent);
  Ring(c, cx, cy, 11, 9.8, white, 0.8);
  switch (nEmblem) {
    case 0:   // welcome: a star of four points
      Stroke(c, cx, cy - 6.5, cx, cy + 6.5, 2.4, white);
      Stroke(c, cx - 6.5, cy, cx + 6.5, cy, 2.4, white);
      Stroke(c, cx - 3.5, cy - 3.5, cx + 3.5, cy + 3.5, 1.4, white);
      Stroke(c, cx - 3.5, cy + 3.5, cx + 3.5, cy - 3.5, 1.4, white);
      break;
    case 1:   // runtime: a package
      Rect(c, cx - 5.5, cy - 3, cx + 5.5, cy + 6, white);
      Rect(c, cx - 6.5, cy - 6, cx + 6.5, cy - 3.5, white);
      Rect(c, cx - 1, cy - 6, cx + 1, cy + 6, accent);
      break;
    case 2: {  // server information: a key
      Ring(c, cx - 3.5, cy, 4.5, 2, white);
      Stroke(c, cx + 1, cy, cx + 7, cy, 2.2, white);
      Stroke(c, cx + 5.5, cy, cx + 5.5, cy + 3.5, 1.8, white);
      break;
    }
    case 3:   // ready: a tick
      Stroke(c, cx - 5.5, cy + 0.5, cx - 1.5, cy + 4.5, 2.6, white);
      Stroke(c, cx - 1.5, cy + 4.5, cx + 6, cy - 4.5, 2.6, white);
      break;
    case 4:   // engine setup: an arrow into the drum
      Stroke(c, cx, cy - 6.5, cx, cy + 3, 2.6, white);
      Stroke(c, cx - 4.5, cy - 0.5, cx, cy + 5, 2.6, white);
      Stroke(c, cx + 4.5, cy - 0.5, cx, cy + 5, 2.6, white);
      break;
    default: {  // configure: a gear
      double p[] = {cx, cy, 7.5, 2.6, 8};
      c.Fill(InGear, p, cx - 8, cy - 8, cx + 8, cy + 8, white);
      break;
    }
  }
}

std::string Field(const std::string& s, const char* name) {
  std::string key = std::string(name) + "=";
  size_t at = 0;
  while (at < s.size()) {
    size_t end = s.find('\n', at);
    if (end == std::string::npos) end = s.size();
    std::string line = s.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
    at = end + 1;
  }
  return "";
}

void Text(HDC hdc, int x, int y, const std::string& s, int nPixels, bool bBold, COLORREF c) {
  LOGFONTA lf{};
  lf.lfHeight = -nPixels;
  lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT hFont = api::CreateFontIndirectA(&lf);
  HGDIOBJ hOld = api::SelectObject(hdc, hFont);
  api::SetTextColor(hdc, c);
  api::TextOutA(hdc, x, y, s.data(), (int)s.size());
  api::SelectObject(hdc, hOld);
  api::DeleteObject(hFont);
}

}  // namespace

BannerSpec ParseBanner(const std::string& sData) {
  BannerSpec b;
  b.sTitle = Field(sData, "title");
  b.sSubtitle = Field(sData, "subtitle");
  b.sFrom = Field(sData, "from");
  b.sTo = Field(sData, "to");
  b.sAccent = Field(sData, "accent");
  std::string e = Field(sData, "emblem");
  b.nEmblem = e.empty() ? 0 : std::atoi(e.c_str());
  return b;
}

void PaintBannerBackground(unsigned char* pBits, int nStride, const BannerSpec& b) {
  Rgb from = Hex(b.sFrom, Rgb{10, 36, 99}), to = Hex(b.sTo, Rgb{62, 146, 204});
  Rgb accent = Hex(b.sAccent, Rgb{255, 183, 3});
  Canvas c{pBits, nStride};
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      // x^0.75: a gradient that leaves the dark end early; square roots
      // cost nothing here, unlike a general power function.
      double u = x / double(kW - 1);
      double t = std::sqrt(u * std::sqrt(u));
      Rgb col = Mix(from, to, t);
      // a soft light from the upper edge
      col = Mix(col, Rgb{255, 255, 255}, 0.10 * (1 - y / double(kH)));
      unsigned char* px = pBits + y * nStride + x * 3;
      px[2] = (unsigned char)col.r;
      px[1] = (unsigned char)col.g;
      px[0] = (unsigned char)col.b;
    }
  // Wide arcs sweeping through the right half.
  Ring(c, 560, 95, 150, 146, Rgb{255, 255, 255}, 0.10);
  Ring(c, 575, 105, 128, 125, Rgb{255, 255, 255}, 0.08);
  Ring(c, 540, 120, 110, 108, accent, 0.25);
  Drum(c, 432, 31, Mix(to, Rgb{255, 255, 255}, 0.15), Mix(to, Rgb{255, 255, 255}, 0.55));
  Badge(c, b.nEmblem, 454, 44, accent);
  // The accent rule along the bottom edge.
  Rect(c, 0, kH - 3, kW, kH - 2, accent);
  Rect(c, 0, kH - 2, kW, kH, Mix(from, Rgb{0, 0, 0}, 0.4));
}

HBITMAP CreateBannerBitmap(int nBanner) {
  HRSRC hRes = api::FindResourceA((HMODULE)App::Instance(), MAKEINTRESOURCEA(IDR_BANNER_FIRST + nBanner),
                                  (LPCSTR)RT_RCDATA);
  if (!hRes) return nullptr;
  HGLOBAL hData = api::LoadResource((HMODULE)App::Instance(), hRes);
  const char* p = hData ? (const char*)api::LockResource(hData) : nullptr;
  if (!p) return nullptr;
  BannerSpec b = ParseBanner(std::string(p, api::SizeofResource((HMODULE)App::Instance(), hRes)));

  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = kW;
  bmi.bmiHeader.biHeight = -kH;   // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 24;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* pBits = nullptr;
  HDC hdcScreen = api::GetDC(nullptr);
  HBITMAP hBmp = api::CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
  if (hBmp && pBits) {
    PaintBannerBackground((unsigned char*)pBits, (kW * 3 + 3) & ~3, b);
    HDC hdc = api::CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = api::SelectObject(hdc, hBmp);
    api::SetBkMode(hdc, TRANSPARENT);
    Text(hdc, 19, 12, b.sTitle, 21, true, RGB(0, 0, 0));       // a faint drop shadow
    Text(hdc, 18, 11, b.sTitle, 21, true, RGB(255, 255, 255));
    Text(hdc, 20, 39, b.sSubtitle, 12, false, RGB(225, 236, 250));
    api::SelectObject(hdc, hOld);
    api::DeleteDC(hdc);
  }
  if (hdcScreen) api::ReleaseDC(nullptr, hdcScreen);
  return hBmp;
}
