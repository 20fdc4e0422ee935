#include "controls/DrawButton.h"
#include "pages/CPage.h"

namespace {
// OLE handles are 32-bit; GDI handles are sign-extended on 64-bit Windows.
HANDLE FromOleHandle(OLE_HANDLE h) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(static_cast<LONG>(h))); }

// Renders a metafile picture once into a bitmap picture of pw x ph; a
// transparent one shows the surface's background where it drew black.
IPicture* MetafileToBitmap(HDC hdc, IPicture* pic, int pw, int ph, OLE_XSIZE_HIMETRIC himW,
                           OLE_YSIZE_HIMETRIC himH) {
  RECT rc = {0, 0, pw, ph};
  HDC hdcA = api::CreateCompatibleDC(hdc);
  HBITMAP hbmA = api::CreateCompatibleBitmap(hdc, pw, ph);
  HGDIOBJ hOldA = api::SelectObject(hdcA, hbmA);
  // Start from the key colour so that what the metafile leaves untouched is
  // defined (and transparent).
  api::FillRect(hdcA, &rc, static_cast<HBRUSH>(api::GetStockObject(BLACK_BRUSH)));
  pic->Render(hdcA, 0, 0, pw, ph, 0, 0, himW, himH, nullptr);

  IPicture* pNew = nullptr;
  DWORD dwAttr = 0;
  pic->get_Attributes(&dwAttr);
  if (dwAttr & PICTURE_TRANSPARENT) {
    HDC hdcB = api::CreateCompatibleDC(hdc);
    HBITMAP hbmB = api::CreateCompatibleBitmap(hdc, pw, ph);
    HGDIOBJ hOldB = api::SelectObject(hdcB, hbmB);
    COLORREF crBack = api::GetBkColor(hdc);
    api::SetBkColor(hdcB, crBack);
    HBRUSH hbr = api::CreateSolidBrush(crBack);
    HGDIOBJ hOldBrush = api::SelectObject(hdcB, hbr);
    api::FillRect(hdcB, &rc, hbr);
    POINT pt = {0, 0};
    RECT rcSrc = rc;
    TransparentCopy(hdcB, pt, hdcA, rcSrc, RGB(0, 0, 0));
    pNew = CreateBitmapPicture(hdcB, 0, 0, pw, ph);
    api::SelectObject(hdcB, hOldBrush);
    api::DeleteObject(hbr);
    api::SelectObject(hdcB, hOldB);
    api::DeleteObject(hbmB);
    api::DeleteDC(hdcB);
  } else {
    pNew = CreateBitmapPicture(hdcA, 0, 0, pw, ph);
  }
  api::SelectObject(hdcA, hOldA);
  api::DeleteObject(hbmA);
  api::DeleteDC(hdcA);
  return pNew;
}
}  // namespace

void UCustomButton::DrawButton(UINT nEdge) {
  HDC hdc = m_Surface.hDC();
  if (!hdc) return;
  ButtonLayoutIn in;
  in.W = m_Surface.Width();
  in.H = m_Surface.Height();
  in.bCaption = !m_Caption.empty();
  in.nCaptionAlignment = m_CaptionAlignment;
  in.bEnabled = m_Enabled;
  in.nEdge = nEdge;

  OLE_HANDLE hPic = 0;
  if (m_DrawnPicture) m_DrawnPicture->get_Handle(&hPic);
  in.bPicture = hPic != 0;
  OLE_XSIZE_HIMETRIC himW = 0;
  OLE_YSIZE_HIMETRIC himH = 0;
  if (in.bPicture) {
    m_DrawnPicture->get_Width(&himW);
    m_DrawnPicture->get_Height(&himH);
    int dpiX = api::GetDeviceCaps(hdc, LOGPIXELSX), dpiY = api::GetDeviceCaps(hdc, LOGPIXELSY);
    in.pw = RoundHalfEven(double(himW) * dpiX / 2540.0);
    in.ph = RoundHalfEven(double(himH) * dpiY / 2540.0);
  }
  if (!in.bPicture || in.bCaption) {
    SIZE ext = m_Surface.TextExtent(m_Caption);
    in.tw = ext.cx;
    in.th = ext.cy;
  }
  ButtonLayout lay = ComputeButtonLayout(in);

  HANDLE hImage = nullptr;
  UINT nKind = DST_BITMAP;
  if (in.bPicture) {
    SHORT nType = 0;
    m_DrawnPicture->get_Type(&nType);
    switch (nType) {
      case PICTYPE_BITMAP:
        hImage = FromOleHandle(hPic);
        break;
      case PICTYPE_ICON:
        nKind = DST_ICON;
        hImage = FromOleHandle(hPic);
        break;
      case PICTYPE_METAFILE:
      case PICTYPE_ENHMETAFILE:
        // Converted once; later paints find the bitmap. Picture keeps what was set.
        if (IPicture* pBmp = MetafileToBitmap(hdc, m_DrawnPicture, in.pw, in.ph, himW, himH)) {
          m_DrawnPicture->Release();
          m_DrawnPicture = pBmp;
          OLE_HANDLE h = 0;
          pBmp->get_Handle(&h);
          hImage = FromOleHandle(h);
        }
        break;
      default:
        break;
    }
  }

  m_Surface.Cls();
  if (hImage)
    api::DrawStateA(hdc, nullptr, nullptr, reinterpret_cast<LPARAM>(hImage), 0, lay.px, lay.py, in.pw,
                    in.ph, nKind | lay.nStateFlag);
  api::DrawStateA(hdc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_Caption.c_str()),
                  static_cast<WPARAM>(m_Caption.size()), lay.tx, lay.ty, 0, 0,
                  DST_PREFIXTEXT | lay.nStateFlag);
  RECT rc = {0, 0, in.W, in.H};
  api::DrawEdge(hdc, &rc, lay.nEdge, BF_RECT | BF_SOFT);
  m_Surface.Present();
}

void TransparentCopy(HDC& hdcDest, POINT& ptDest, HDC& hdcSrc, RECT& rcSrc, COLORREF crKey) {
  const int w = CheckedSub(rcSrc.right, rcSrc.left), h = CheckedSub(rcSrc.bottom, rcSrc.top);
  HDC hdcMask = api::CreateCompatibleDC(hdcDest);
  HDC hdcInv = api::CreateCompatibleDC(hdcDest);
  HDC hdcWork = api::CreateCompatibleDC(hdcDest);
  HBITMAP hbmMask = api::CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP hbmInv = api::CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP hbmWork = api::CreateCompatibleBitmap(hdcDest, w, h);
  HGDIOBJ hOldMask = api::SelectObject(hdcMask, hbmMask);
  HGDIOBJ hOldInv = api::SelectObject(hdcInv, hbmInv);
  HGDIOBJ hOldWork = api::SelectObject(hdcWork, hbmWork);

  // Mask: white where the source has the key colour.
  COLORREF crOldBk = api::SetBkColor(hdcSrc, crKey);
  api::BitBlt(hdcMask, 0, 0, w, h, hdcSrc, rcSrc.left, rcSrc.top, SRCCOPY);
  api::SetBkColor(hdcSrc, crOldBk);
  api::BitBlt(hdcInv, 0, 0, w, h, hdcMask, 0, 0, NOTSRCCOPY);
  // Work area: the destination where the key is, nothing elsewhere...
  api::BitBlt(hdcWork, 0, 0, w, h, hdcDest, ptDest.x, ptDest.y, SRCCOPY);
  api::BitBlt(hdcWork, 0, 0, w, h, hdcMask, 0, 0, SRCAND);
  // ...and the source everywhere else. The source rectangle is blacked out
  // under the key on the way (mask bits 0 turn into the black text colour).
  COLORREF crOldText = api::SetTextColor(hdcSrc, RGB(0, 0, 0));
  crOldBk = api::SetBkColor(hdcSrc, RGB(255, 255, 255));
  api::BitBlt(hdcSrc, rcSrc.left, rcSrc.top, w, h, hdcInv, 0, 0, SRCAND);
  api::SetBkColor(hdcSrc, crOldBk);
  api::SetTextColor(hdcSrc, crOldText);
  api::BitBlt(hdcWork, 0, 0, w, h, hdcSrc, rcSrc.left, rcSrc.top, SRCPAINT);
  api::BitBlt(hdcDest, ptDest.x, ptDest.y, w, h, hdcWork, 0, 0, SRCCOPY);

  api::SelectObject(hdcMask, hOldMask);
  api::SelectObject(hdcInv, hOldInv);
  api::SelectObject(hdcWork, hOldWork);
  api::DeleteObject(hbmMask);
  api::DeleteObject(hbmInv);
  api::DeleteObject(hbmWork);
  api::DeleteDC(hdcMask);
  api::DeleteDC(hdcInv);
  api::DeleteDC(hdcWork);
}
