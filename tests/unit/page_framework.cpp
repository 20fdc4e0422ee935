// The page framework on the simulated Windows: DisplayDialog's steps, the
// navigation buttons, Cancel, the close rules, F4, Esc and the pictures.
#include "pages/CPage.h"
#include "pages/frmReadyToInstallMSDE.h"
#include "tests/sim/Sim.h"
#include "tests/unit/table.h"

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

// The page window shown at the moment (not the hidden owner).
HWND Page() {
  for (HWND h : sim::TopLevelWindows()) {
    sim::WindowInfo wi;
    if (sim::GetWindow(h, wi) && wi.bVisible && !sim::Children(h).empty()) return h;
  }
  return nullptr;
}

HWND Button(const char* caption) { return sim::FindChildByText(Page(), caption); }
void Press(const char* caption) { sim::Click(Button(caption)); }

// A fresh machine with the taskbar proxy the pages are owned by.
HWND Fresh() {
  sim::Reset();
  HWND h = sim::AddWindow("TarnwickForm", "ZoMel MSDE Installation and Setup", api::GetCurrentProcessId());
  SetTaskbarProxy(h);
  return h;
}

// Shows pages with a scripted user, keeping the picture and rectangle that
// DisplayDialog hands from page to page.
struct Shower {
  IPicture* pic = nullptr;
  WindowRect rect;
  bool bEnded = false;   // the program ended while the page was up
  long Show(TestPage& page, std::vector<std::function<void()>> steps) {
    sim::SetUser(Steps(std::move(steps)));
    try {
      return page.DisplayDialog(pic, &rect);
    } catch (const sim::ProcessExit&) {
      bEnded = true;
      return -1;
    }
  }
};

const char* kQuestion = "This action will cancel any remaining operations.\r\n\r\nAre you sure you wish to cancel ?";

}  // namespace

TEST(DisplayDialogRunsTheCommonSteps) {
  HWND proxy = Fresh();
  TestPage page(3, false);
  Shower s;
  s.rect.Left = 120;
  s.rect.Top = 80;
  bool proxyDisabled = false;
  CHECK_EQ(s.Show(page, {[&] {
             sim::WindowInfo wi;
             CHECK(sim::GetWindow(Page(), wi));
             CHECK(wi.hParent == proxy);
             CHECK_EQ(wi.sText, std::string("ZoMel MSDE Installation and Setup"));
             proxyDisabled = !api::IsWindowEnabled(proxy);
             CHECK_EQ(Screen::MousePointer(), 0);
             Press("&Next >");
           }}),
           1L);
  CHECK_EQ(page.nSetups, 1);
  CHECK_EQ(page.nPointerInSetup, 11);
  CHECK(!page.bCloseBoxInSetup);
  CHECK(proxyDisabled);
  CHECK(api::IsWindowEnabled(proxy));
  // The window opened at Left, Top with its load size; the final rectangle
  // came back.
  CHECK_EQ(s.rect.Left, 120);
  CHECK_EQ(s.rect.Top, 80);
  CHECK_EQ(s.rect.Right, 120 + 504);
  CHECK_EQ(s.rect.Bottom, 80 + 389);
  CHECK(s.pic == nullptr);   // this page creates no picture
  CHECK(!page.Loaded());
}

TEST(NavigationButtonsCaptionsAndPositions) {
  Fresh();
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

TEST(CancelAnsweredNoLeavesThePageAsItWasYesEndsTheProgram) {
  Fresh();
  TestPage page(3, false);
  Shower s;
  sim::AnswerMessageBoxes({IDNO, IDYES});
  CHECK_EQ(s.Show(page, {[&] { Press("Cancel"); },
                         [&] {
                           CHECK(page.Loaded());
                           CHECK_EQ(page.Result(), 0L);
                           CHECK(page.Enabled(NavId(1)));
                           Press("< &Back");
                         }}),
           2L);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  const sim::MessageBoxRecord& box = sim::MessageBoxes()[0];
  CHECK_EQ(box.sText, std::string(kQuestion));
  CHECK_EQ(box.sCaption, std::string("Custom Database Configuration"));
  CHECK_EQ(box.uType, 36u);
  TestPage next(0, false);
  CHECK_EQ(s.Show(next, {[&] { Press("Cancel"); }}), -1L);
  CHECK(s.bEnded);
}

TEST(FinishEndsTheProgramHelpDoesNothing) {
  Fresh();
  TestPage page(3, false);
  Shower s;
  s.Show(page, {[&] { Press("Help"); },
                [&] {
                  CHECK(page.Loaded());
                  CHECK_EQ(page.Result(), 0L);
                  page.SetEnabled(NavId(8), true);
                  Press("&Finish");
                }});
  CHECK(s.bEnded);
  CHECK(sim::MessageBoxes().empty());
}

TEST(CloseRefusedWhileResultIsZeroAndF4NeverCloses) {
  Fresh();
  TestPage page(4, false);
  Shower s;
  CHECK_EQ(s.Show(page, {[&] { api::PostMessageA(Page(), WM_CLOSE, 0, 0); },
                         [&] { api::SendMessageA(Page(), WM_SYSCOMMAND, SC_CLOSE, 0); },
                         [&] {
                           CHECK(page.Loaded());
                           // The page's own logic sets a result: now a close
                           // request is allowed and its result comes back.
                           page.SetResult(PageResultFailed);
                           api::PostMessageA(Page(), WM_CLOSE, 0, 0);
                         }}),
           800000000L);
  TestPage f4(3, false);
  f4.SetResult(PageResultBack);   // even a page that could close
  CHECK_EQ(s.Show(f4, {[&] { sim::PressKey(Page(), VK_F4, true); },
                       [&] { sim::PressKey(api::GetFocus(), VK_F4, true); },
                       [&] { sim::PressKey(api::GetFocus(), VK_F4); },
                       [&] {
                         CHECK(f4.Loaded());
                         Press("&Next >");
                       }}),
           1L);
}

TEST(EscAsksOnlyWhereCancelIsEnabled) {
  Fresh();
  Shower s;
  TestPage page(3, false);
  sim::AnswerMessageBoxes({IDNO});
  CHECK_EQ(s.Show(page, {[&] { sim::PressKey(api::GetFocus(), VK_ESCAPE); },
                         [&] { sim::PressKey(api::GetFocus(), 'B', true); }}),
           2L);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
  TestPage engine(4, false);   // the engine setup page: Cancel disabled
  CHECK_EQ(s.Show(engine, {[&] { sim::PressKey(Page(), VK_ESCAPE); },
                           [&] {
                             CHECK(engine.Loaded());
                             engine.SetResult(PageResultNext);
                             engine.Unload();
                           }}),
           1L);
  CHECK_EQ(sim::MessageBoxes().size(), (size_t)1);
}

TEST(MovedPageHandsItsPositionOn) {
  Fresh();
  Shower s;
  s.rect.Left = 10;
  s.rect.Top = 20;
  TestPage page(0, false);
  s.Show(page, {[&] {
    api::SetWindowPos(Page(), nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Press("&Next >");
  }});
  CHECK_EQ(s.rect.Left, 300);
  CHECK_EQ(s.rect.Top, 250);
  TestPage next(3, false);
  s.Show(next, {[&] {
    RECT r;
    api::GetWindowRect(Page(), &r);
    CHECK_EQ(r.left, 300);
    CHECK_EQ(r.top, 250);
    Press("&Next >");
  }});
}

TEST(PagePictureCreatedOnceSharedAndDrawnAsTheBackground) {
  Fresh();
  Shower s;
  {
    TestPage first(0, true);
    s.Show(first, {[&] {
      sim::ClearDrawCalls();
      HDC hdc = api::GetDC(Page());
      api::SendMessageA(Page(), WM_ERASEBKGND, (WPARAM)hdc, 0);
      api::ReleaseDC(Page(), hdc);
      bool blt = false;
      for (const auto& c : sim::DrawCalls())
        if (c.sOp == "BitBlt" && c.hdc == hdc && c.cx == 496) blt = true;
      CHECK(blt);
      Press("&Next >");
    }});
  }
  IPicture* before = s.pic;
  CHECK(before != nullptr);
  CHECK_EQ(sim::LivePictures(), 1);
  {
    TestPage again(5, true);   // finds it and keeps it
    s.Show(again, {[&] {
      CHECK(again.Picture() == before);
      again.SetResult(PageResultNext);
      again.Unload();
    }});
  }
  CHECK(s.pic == before);
  CHECK_EQ(sim::LivePictures(), 1);
  if (!s.pic) return;
  SHORT type = 0;
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_HANDLE pal = 1;
  s.pic->get_Type(&type);
  s.pic->get_Width(&w);
  s.pic->get_hPal(&pal);
  CHECK_EQ(type, (SHORT)PICTYPE_BITMAP);
  CHECK_EQ(w, 496 * 2540 / 96);   // the client width
  CHECK_EQ(pal, (OLE_HANDLE)0);
  int objects = sim::GdiObjects();
  s.pic->Release();
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
