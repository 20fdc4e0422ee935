// The page banners' stored description and the painting of their pixels.
#pragma once
#include <string>

struct BannerSpec {
  std::string sTitle, sSubtitle;
  std::string sFrom, sTo, sAccent;   // RRGGBB
  int nEmblem = 0;                   // 0 welcome .. 5 configure
};

// "name=value" lines: title, subtitle, from, to, accent, emblem.
BannerSpec ParseBanner(const std::string& sData);
// Paints the background, emblem and rules of a 512 x 67 top-down 24-bit
// image (rows of nStride bytes, blue-green-red); the texts come later.
void PaintBannerBackground(unsigned char* pBits, int nStride, const BannerSpec& b);
