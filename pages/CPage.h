// What every wizard page shares: DisplayDialog's common steps, placement from
// the shared window rectangle, the banner, the removed close command, the
// five navigation buttons, the Cancel confirmation, the refusal to close
// without a result, the F4 rule and the window rectangle saved on unload.
#pragma once
#include <cstdint>
#include "platform/Forms.h"

enum PageResult : long {
  PageResultNone = 0,
  PageResultNext = 1,
  PageResultBack = 2,
  PageResultCancel = 4,
  PageResultFinish = 8,
  PageResultHelp = 10,
  PageResultFailed = 800000000,
};

// Left, Top, Right, Bottom in pixels: four signed 32-bit numbers, 16 bytes.
struct WindowRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Control ids of the common frame. cmdNav(index) has the id NavId(index).
enum : int { idPicLogo = 100, idPicNav = 101, idFooter = 102 };
inline int NavId(int nIndex) { return 1000 + nIndex; }

bool ConfirmCancel();
IPicture* CreatePagePicture(HWND hWnd);
IPicture* CreateBitmapPicture(HDC hdcSrc, int nLeft, int nTop, int nWidth, int nHeight);
IPicture* CreatePictureFromBitmap(HBITMAP hBmp, HPALETTE hPal);
HWND TaskbarProxy();                       // the hidden owner window of every page
void SetTaskbarProxy(HWND hWnd);
HBITMAP CreateBannerBitmap(int nBanner);   // the page's 512 x 67 banner, 24 bits; nullptr when missing
extern const char* const kFooterText;      // the maker's rights line of every page

class CPage : public CForm {
public:
  // Common steps 1-6, then PageSetup (step 7), then 8-11.
  long DisplayDialog(IPicture*& oPicture, WindowRect* lpRect);
  long Result() const { return m_PageResult; }

protected:
  // nBanner picks the page's banner (0..5); bNextOnReady moves Next to 3960.
  CPage(int nBanner, bool bCreatesPicture);
  virtual void PageSetup() {}               // page-specific step of DisplayDialog
  virtual void NavClick(int nIndex);        // default: the column of welcome/ready/configure
  // An unattended run's step, tried on a timer while the page is open:
  // Finish, else Next, as the user would press them; a page with its result
  // and no way on (a failed engine setup) closes with that result.
  virtual void AutoStep();
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void EnableNav(int nIndex, bool b) { SetEnabled(NavId(nIndex), b); }
  void Close();                             // unload the page (page result must be set)
  void Form_Load() override;                // frame, banner, footer, buttons
  void AddSeparator(int nId);               // the thin line above the footer (Line1)
  double ClientWidthTwips();
  double NavTopTwips();                     // top of picNav inside the client area
  bool Form_QueryUnload() override;
  void Form_Unload() override;
  void Control_Click(int nId) override;
  bool Form_KeyDown(int nKeyCode) override;
  bool Form_EraseBackground(HDC hdc) override;

  long m_PageResult = 0;
  WindowRect m_Rect;
  int m_nBanner;
  bool m_bCreatesPicture;
  double m_NextLeft = 3975;
  IPicture* m_Picture = nullptr;           // shared; not owned by the page
};
