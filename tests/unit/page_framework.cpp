// The page framework on the simulated Windows: DisplayDialog's steps, the
// navigation buttons, Cancel, the close rules, F4, Esc and the pictures.
#include <memory>
#include "pages/CPage.h"
#include "pages/frmReadyToInstallMSDE.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {

class TestPage : public CPage {
public:
  TestPage(int nBanner, bool bCreates) : CPage(nBanner, bCreates) {}
  int nPointerInSetup = -1;
  int nSetups = 0;
  bool bCloseBoxInSetup = true;
  void SetResult(long n) { m_PageResult = n; }
  IPicture* Picture() const { return m_Picture; }

protected:
  void PageSetup() override {
    ++nSetups;
    nPointerInSetup = Screen::MousePointer();
    bCloseBoxInSetup = sim::HasCloseCommand(m_hWnd);
  }
};

std::function<bool()> Steps(std::vector<std::function<void()>> steps) {
  auto at = std::make_shared<size_t>(0);
  auto list = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
  return [at, list]() {
    if (*at >= list->size()) return false;
    (*list)[(*at)++]();
    return true;
  };
}

// The page window shown at the moment (not the hidden owner).
HWND Page() {
  for (HWND h : sim::TopLevelWindows()) {
    sim::WindowInfo wi;
    if (sim::GetWindow(h, wi) && wi.bVisible && !sim::Children(h).empty()) return h;
  }
  return nullptr;
}

HWND Button(const char* caption) { return sim::FindChildByText(Page(), caption); }

HWND MakeProxy() {
  HWND h = sim::AddWindow("TarnwickForm", "ZoMel MSDE Installation and Setup", api::GetCurrentProcessId());
  SetTaskbarProxy(h);
  return h;
}

const char* kQuestion = "This action will cancel any remaining operations.\r\n\r\nAre you sure you wish to cancel ?";

}  // namespace

TEST(DisplayDialogRunsTheCommonSteps) {
  sim::Reset();
  HWND proxy = MakeProxy();
  TestPage page(3, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  rect.Left = 120;
  rect.Top = 80;
  HWND shown = nullptr;
  bool proxyDisabled = false;
  sim::SetUser(Steps({[&] {
    shown = Page();
    proxyDisabled = !api::IsWindowEnabled(proxy);
    CHECK_EQ(Screen::MousePointer(), 0);
    sim::Click(Button("&Next >"));
  }}));
  long n = page.DisplayDialog(pic, &rect);
  CHECK_EQ(n, 1L);
  CHECK_EQ(page.nSetups, 1);
  CHECK_EQ(page.nPointerInSetup, 11);
  CHECK(!page.bCloseBoxInSetup);
  CHECK(shown != nullptr);
  CHECK(proxyDisabled);
  CHECK(api::IsWindowEnabled(proxy));
  // The window opened at Left, Top with its load size; the final rectangle
  // came back.
  CHECK_EQ(rect.Left, 120);
  CHECK_EQ(rect.Top, 80);
  CHECK_EQ(rect.Right, 120 + 504);
  CHECK_EQ(rect.Bottom, 80 + 389);
  CHECK(pic == nullptr);   // this page creates no picture
  CHECK(!page.Loaded());
}

TEST(PageIsOwnedByTheProxyAndMovedWithoutZOrder) {
  sim::Reset();
  HWND proxy = MakeProxy();
  TestPage page(0, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  sim::SetUser(Steps({[&] {
    sim::WindowInfo wi;
    CHECK(sim::GetWindow(Page(), wi));
    CHECK(wi.hParent == proxy);
    CHECK_EQ(wi.sText, std::string("ZoMel MSDE Installation and Setup"));
    sim::Click(Button("&Next >"));
  }}));
  page.DisplayDialog(pic, &rect);
}

TEST(NavigationButtonsCaptionsAndPositions) {
  sim::Reset();
  MakeProxy();
  TestPage page(0, false);
  HWND h = page.hWnd();
  HWND nav = page.Control(idPicNav);
  RECT rn, rc, rb;
  api::GetWindowRect(nav, &rn);
  api::GetClientRect(h, &rc);
  api::GetWindowRect(h, &rb);
  // picNav: the whole width at the bottom of the client area, 570 high.
  CHECK_EQ(rn.bottom - rn.top, 38);
  CHECK_EQ(rn.right - rn.left, rc.right);
  CHECK_EQ(rn.bottom, rb.bottom - 4);
  struct Want { int nIndex; const char* sCaption; int nLeftPx; } want[] = {
      {10, "Help", 7}, {4, "Cancel", 96}, {2, "< &Back", 191}, {1, "&Next >", 265}, {8, "&Finish", 408}};
  for (auto& w : want) {
    HWND b = page.Control(NavId(w.nIndex));
    CHECK(b != nullptr);
    CHECK_EQ(page.Text(NavId(w.nIndex)), std::string(w.sCaption));
    RECT r;
    api::GetWindowRect(b, &r);
    CHECK_EQ(r.left - rn.left, w.nLeftPx);
    CHECK_EQ(r.top - rn.top, 8);                 // 120 twips
    CHECK_EQ(r.right - r.left, 73);              // 1092 twips
    CHECK_EQ(r.bottom - r.top, 21);              // 312 twips
  }
  // The ready page puts Next at 3960 twips.
  frmReadyToInstallMSDE ready;
  ready.hWnd();
  RECT rr, rnav;
  api::GetWindowRect(ready.Control(NavId(1)), &rr);
  api::GetWindowRect(ready.Control(idPicNav), &rnav);
  CHECK_EQ(rr.left - rnav.left, 264);
}

TEST(NavigationButtonsEnabledPerPage) {
  // Help, Cancel, Back, Next, Finish for each page in order.
  const char* want[6] = {"11010", "11000", "11110", "11110", "10000", "10000"};
  for (int page = 0; page < 6; ++page) {
    sim::Reset();
    TestPage p(page, false);
    p.hWnd();
    std::string got;
    for (int index : {10, 4, 2, 1, 8}) got += p.Enabled(NavId(index)) ? '1' : '0';
    CHECK_EQ(got, std::string(want[page]));
  }
}

TEST(CancelAnsweredNoLeavesThePageAsItWas) {
  sim::Reset();
  MakeProxy();
  TestPage page(3, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  sim::AnswerMessageBoxes({IDNO});
  sim::SetUser(Steps({
      [&] { sim::Click(Button("Cancel")); },
      [&] {
        CHECK(page.Loaded());
        CHECK_EQ(page.Result(), 0L);
        CHECK(page.Enabled(NavId(1)));
        sim::Click(Button("< &Back"));
      },
  }));
  CHECK_EQ(page.DisplayDialog(pic, &rect), 2L);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  const sim::MessageBoxRecord& box = sim::MessageBoxes()[0];
  CHECK_EQ(box.sText, std::string(kQuestion));
  CHECK_EQ(box.sCaption, std::string("Custom Database Configuration"));
  CHECK_EQ(box.uType, 36u);
}

TEST(CancelAnsweredYesEndsTheProgramAtOnce) {
  sim::Reset();
  MakeProxy();
  TestPage page(0, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  sim::AnswerMessageBoxes({IDYES});
  sim::SetUser(Steps({[&] { sim::Click(Button("Cancel")); }}));
  bool ended = false;
  long n = -1;
  try {
    n = page.DisplayDialog(pic, &rect);
  } catch (const sim::ProcessExit&) {
    ended = true;
  }
  CHECK(ended);
  CHECK_EQ(n, -1L);
}

TEST(FinishEndsTheProgramHelpDoesNothing) {
  sim::Reset();
  MakeProxy();
  TestPage page(3, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  bool ended = false;
  sim::SetUser(Steps({
      [&] { sim::Click(Button("Help")); },
      [&] {
        CHECK(page.Loaded());
        CHECK_EQ(page.Result(), 0L);
        page.SetEnabled(NavId(8), true);
        sim::Click(Button("&Finish"));
      },
  }));
  try {
    page.DisplayDialog(pic, &rect);
  } catch (const sim::ProcessExit&) {
    ended = true;
  }
  CHECK(ended);
  CHECK(sim::MessageBoxes().empty());
}

TEST(CloseRefusedWhileResultIsZero) {
  sim::Reset();
  MakeProxy();
  TestPage page(4, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  sim::SetUser(Steps({
      [&] { api::PostMessageA(Page(), WM_CLOSE, 0, 0); },
      [&] { api::SendMessageA(Page(), WM_SYSCOMMAND, SC_CLOSE, 0); },
      [&] {
        CHECK(page.Loaded());
        // The page's own logic sets a result: now a close request is
        // allowed and its result comes back.
        page.SetResult(PageResultFailed);
        api::PostMessageA(Page(), WM_CLOSE, 0, 0);
      },
  }));
  CHECK_EQ(page.DisplayDialog(pic, &rect), 800000000L);
}

TEST(F4WithOrWithoutAltNeverClosesAPage) {
  sim::Reset();
  MakeProxy();
  TestPage page(3, false);
  IPicture* pic = nullptr;
  WindowRect rect;
  page.SetResult(PageResultBack);   // even a page that could close
  sim::SetUser(Steps({
      [&] { sim::PressKey(Page(), VK_F4, true); },
      [&] { sim::PressKey(api::GetFocus(), VK_F4, true); },
      [&] { sim::PressKey(api::GetFocus(), VK_F4); },
      [&] {
        CHECK(page.Loaded());
        sim::Click(Button("&Next >"));
      },
  }));
  CHECK_EQ(page.DisplayDialog(pic, &rect), 1L);
}

TEST(EscAsksOnlyWhereCancelIsEnabled) {
  sim::Reset();
  MakeProxy();
  {
    TestPage page(3, false);
    IPicture* pic = nullptr;
    WindowRect rect;
    sim::AnswerMessageBoxes({IDNO});
    sim::SetUser(Steps({[&] { sim::PressKey(api::GetFocus(), VK_ESCAPE); },
                        [&] { sim::PressKey(api::GetFocus(), 'B', true); }}));
    CHECK_EQ(page.DisplayDialog(pic, &rect), 2L);
    CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  }
  {
    TestPage page(4, false);   // the engine setup page: Cancel disabled
    IPicture* pic = nullptr;
    WindowRect rect;
    sim::SetUser(Steps({[&] { sim::PressKey(Page(), VK_ESCAPE); },
                        [&] {
                          CHECK(page.Loaded());
                          page.SetResult(PageResultNext);
                          page.Unload();
                        }}));
    CHECK_EQ(page.DisplayDialog(pic, &rect), 1L);
    CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  }
}

TEST(MovedPageHandsItsPositionOn) {
  sim::Reset();
  MakeProxy();
  WindowRect rect;
  rect.Left = 10;
  rect.Top = 20;
  IPicture* pic = nullptr;
  {
    TestPage page(0, false);
    sim::SetUser(Steps({[&] {
      api::SetWindowPos(Page(), nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      sim::Click(Button("&Next >"));
    }}));
    page.DisplayDialog(pic, &rect);
  }
  CHECK_EQ(rect.Left, 300);
  CHECK_EQ(rect.Top, 250);
  TestPage next(3, false);
  sim::SetUser(Steps({[&] {
    RECT r;
    api::GetWindowRect(Page(), &r);
    CHECK_EQ(r.left, 300);
    CHECK_EQ(r.top, 250);
    sim::Click(Button("&Next >"));
  }}));
  next.DisplayDialog(pic, &rect);
}

TEST(PagePictureCreatedOnceAndShared) {
  sim::Reset();
  MakeProxy();
  IPicture* pic = nullptr;
  WindowRect rect;
  {
    TestPage first(0, true);
    sim::SetUser(Steps({[&] { sim::Click(Button("&Next >")); }}));
    first.DisplayDialog(pic, &rect);
  }
  CHECK(pic != nullptr);
  CHECK_EQ(sim::LivePictures(), 1);
  IPicture* before = pic;
  {
    TestPage again(5, true);   // finds it and keeps it
    sim::SetUser(Steps({[&] {
      CHECK(again.Picture() == before);
      again.SetResult(PageResultNext);
      again.Unload();
    }}));
    again.DisplayDialog(pic, &rect);
  }
  CHECK(pic == before);
  CHECK_EQ(sim::LivePictures(), 1);
  if (pic) {
    SHORT type = 0;
    OLE_XSIZE_HIMETRIC w = 0;
    pic->get_Type(&type);
    pic->get_Width(&w);
    CHECK_EQ(type, (SHORT)PICTYPE_BITMAP);
    CHECK_EQ(w, 496 * 2540 / 96);   // the client width
    OLE_HANDLE pal = 1;
    pic->get_hPal(&pal);
    CHECK_EQ(pal, (OLE_HANDLE)0);
  }
  int objects = sim::GdiObjects();
  pic->Release();
  CHECK_EQ(sim::LivePictures(), 0);
  CHECK(sim::GdiObjects() < objects);
  CHECK_EQ(sim::DCs(), 0);
}

TEST(PagePictureDrawsTheButtonFace) {
  sim::Reset();
  TestPage page(0, false);
  sim::ClearDrawCalls();
  IPicture* pic = CreatePagePicture(page.hWnd());
  CHECK(pic != nullptr);
  bool filled = false, copied = false;
  for (const auto& c : sim::DrawCalls()) {
    if (c.sOp == "FillRect" && c.cx == 496 && c.cy == 355 && c.color == api::GetSysColor(COLOR_BTNFACE)) filled = true;
    if (c.sOp == "BitBlt" && c.cx == 496 && c.cy == 355 && c.color == SRCCOPY) copied = true;
  }
  CHECK(filled);
  CHECK(copied);
  if (pic) pic->Release();
  CHECK_EQ(sim::DCs(), 0);
}

TEST(PaletteDisplayGivesThePictureAPaletteCopy) {
  sim::Reset();
  sim::SetPaletteDisplay(true);
  HDC screen = api::GetDC(nullptr);
  IPicture* pic = CreateBitmapPicture(screen, 0, 0, 16, 16);
  api::ReleaseDC(nullptr, screen);
  CHECK(pic != nullptr);
  if (!pic) return;
  OLE_HANDLE pal = 0;
  pic->get_hPal(&pal);
  CHECK(pal != 0);
  int before = sim::GdiObjects();
  pic->Release();
  CHECK_EQ(sim::GdiObjects(), before - 2);   // the bitmap and the palette
}

TEST(BackgroundIsThePicture) {
  sim::Reset();
  MakeProxy();
  TestPage page(0, true);
  IPicture* pic = nullptr;
  WindowRect rect;
  sim::SetUser(Steps({[&] {
    sim::ClearDrawCalls();
    HDC hdc = api::GetDC(Page());
    api::SendMessageA(Page(), WM_ERASEBKGND, (WPARAM)hdc, 0);
    api::ReleaseDC(Page(), hdc);
    bool blt = false;
    for (const auto& c : sim::DrawCalls())
      if (c.sOp == "BitBlt" && c.hdc == hdc && c.cx == 496) blt = true;
    CHECK(blt);
    sim::Click(Button("&Next >"));
  }}));
  page.DisplayDialog(pic, &rect);
  if (pic) pic->Release();
}

TEST(FooterAndBanner) {
  sim::Reset();
  // The banner's description as the program's resources hold it.
  sim::AddResource((LPCSTR)RT_RCDATA, MAKEINTRESOURCEA(201),
                   "title=Welcome\nsubtitle=Sub\nfrom=0B2545\nto=2F6FA3\naccent=F2A541\nemblem=0\n");
  TestPage page(0, false);
  HWND h = page.hWnd();
  HWND footer = sim::FindChildByText(h, "Copyright (C) LumeDax. All rights reserved.");
  CHECK(footer == page.Control(idFooter));
  LOGFONTA lf{};
  CHECK(sim::GetFont((HFONT)api::SendMessageA(footer, WM_GETFONT, 0, 0), lf));
  CHECK_EQ(std::string(lf.lfFaceName), std::string("Arial"));
  CHECK_EQ(lf.lfHeight, -11L);
  // The footer sits just above the button strip.
  RECT rf, rn;
  api::GetWindowRect(footer, &rf);
  api::GetWindowRect(page.Control(idPicNav), &rn);
  CHECK(rf.bottom <= rn.top);
  CHECK(rn.top - rf.bottom < 10);
  // The banner: a 512 x 67, 24-bit bitmap with the page's title drawn on it.
  sim::ClearDrawCalls();
  HBITMAP bmp = CreateBannerBitmap(0);
  CHECK(bmp != nullptr);
  BITMAP bm{};
  api::GetObjectA(bmp, sizeof bm, &bm);
  CHECK_EQ(bm.bmWidth, 512L);
  CHECK_EQ(bm.bmHeight, 67L);
  CHECK_EQ(bm.bmBitsPixel, (WORD)24);
  bool title = false;
  for (const auto& c : sim::DrawCalls())
    if (c.sOp == "TextOut" && c.sText == "Welcome" && c.color == RGB(255, 255, 255)) title = true;
  CHECK(title);
  api::DeleteObject(bmp);
  CHECK(CreateBannerBitmap(3) == nullptr);   // no such resource here
}
