// Watches the wizard's configure page from outside, as a user would, for the
// tests under wine: prints every text the page's progress label shows, the
// text of every "Custom Database Configuration" message box (and answers it
// with OK), whether the service manager's window appeared, and the final
// text; then presses Finish once it is enabled.
//   cfgdriver <seconds> [<ms to wait before pressing Finish>]
// Exit code 0 when Finish was pressed and the page went away, 1 otherwise.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kPageCaption = "ZoMel MSDE Installation and Setup";
const int idLblConfigInfo = 200;

std::string TextOf(HWND h) {
  char s[2048];
  int n = GetWindowTextA(h, s, sizeof(s));
  return std::string(s, n > 0 ? n : 0);
}

// Escapes line breaks so a text stays on one output line.
std::string OneLine(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\r') r += "\\r";
    else if (c == '\n') r += "\\n";
    else r += c;
  }
  return r;
}

struct Search {
  const char* sText;
  HWND hFound;
};

BOOL CALLBACK FindByText(HWND h, LPARAM lp) {
  Search* s = reinterpret_cast<Search*>(lp);
  if (TextOf(h) == s->sText) {
    s->hFound = h;
    return FALSE;
  }
  return TRUE;
}

HWND ChildByText(HWND hParent, const char* sText) {
  Search s{sText, nullptr};
  EnumChildWindows(hParent, FindByText, reinterpret_cast<LPARAM>(&s));
  return s.hFound;
}

struct PageSearch {
  HWND hPage;
};

// The page: the visible top-level window of that caption with a label 200.
BOOL CALLBACK FindPage(HWND h, LPARAM lp) {
  if (IsWindowVisible(h) && TextOf(h) == kPageCaption && GetDlgItem(h, idLblConfigInfo)) {
    reinterpret_cast<PageSearch*>(lp)->hPage = h;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  DWORD dwLimit = GetTickCount() + 1000u * (argc > 1 ? std::atoi(argv[1]) : 60);
  std::string sLast;
  bool bManagerSeen = false;
  while (GetTickCount() < dwLimit) {
    if (!bManagerSeen && FindWindowA("SQLManagerApplicationClass", "SQL Server Service Manager")) {
      bManagerSeen = true;
      std::printf("MANAGER: window shown\n");
    }
    HWND hBox = FindWindowA("#32770", "Custom Database Configuration");
    if (hBox) {
      std::printf("MESSAGE: %s\n", OneLine(TextOf(GetDlgItem(hBox, 0xFFFF))).c_str());
      std::fflush(stdout);
      HWND hOk = ChildByText(hBox, "OK");
      if (hOk) SendMessageA(hOk, BM_CLICK, 0, 0);
      else PostMessageA(hBox, WM_COMMAND, IDOK, 0);
      Sleep(300);
      continue;
    }
    PageSearch ps{nullptr};
    EnumWindows(FindPage, reinterpret_cast<LPARAM>(&ps));
    if (ps.hPage) {
      std::string sLabel = TextOf(GetDlgItem(ps.hPage, idLblConfigInfo));
      if (sLabel != sLast) {
        std::printf("LABEL: %s\n", OneLine(sLabel).c_str());
        std::fflush(stdout);
        sLast = sLabel;
      }
      HWND hFinish = ChildByText(ps.hPage, "&Finish");
      if (hFinish && IsWindowEnabled(hFinish)) {
        // The page enables Finish first and then writes its closing text.
        Sleep(300);
        sLabel = TextOf(GetDlgItem(ps.hPage, idLblConfigInfo));
        if (sLabel != sLast) std::printf("LABEL: %s\n", OneLine(sLabel).c_str());
        bool bOthers = false;
        for (const char* s : {"&Next >", "< &Back", "Cancel"}) {
          HWND h = ChildByText(ps.hPage, s);
          if (h && IsWindowEnabled(h)) bOthers = true;
        }
        std::printf("FINAL: %s\n", OneLine(sLabel).c_str());
        std::printf("BUTTONS: Finish enabled, %s\n", bOthers ? "another button enabled too" : "no other button enabled");
        std::fflush(stdout);
        Sleep(argc > 2 ? std::atoi(argv[2]) : 0);   // time for a screenshot
        SendMessageA(hFinish, BM_CLICK, 0, 0);
        for (int i = 0; i < 50 && IsWindow(ps.hPage); ++i) Sleep(100);
        std::printf("FINISH: %s\n", IsWindow(ps.hPage) ? "page still open" : "page closed");
        return IsWindow(ps.hPage) ? 1 : 0;
      }
    }
    Sleep(50);
  }
  std::printf("TIMEOUT: last label %s\n", OneLine(sLast).c_str());
  return 1;
}
