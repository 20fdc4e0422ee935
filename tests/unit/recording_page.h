// A setup-run page that records what the run does to it: messages, buttons,
// boxes (questions answered from a queue), the page result and the bar, which
// follows the progress bar's own arithmetic (fill = units done / units,
// capped). EndProgram throws Ended.
#pragma once
#include <string>
#include <vector>
#include "install/SetupRun.h"
#include "pages/CPage.h"
#include "tests/check.h"

struct Ended {};

struct Message {
  std::string sText;
  UINT nFlags;
};

class RecordingPage : public ISetupRunPage {
public:
  std::string sMessage = "waiting";
  std::vector<int> enabled;
  std::vector<Message> boxes;
  std::vector<int> answers;         // for questions, in order
  long nResult = 0;
  bool bClosed = false, bEnded = false;
  int nHidden = 0, nIncrements = 0;
  std::vector<int32_t> percentages;
  int32_t nUnits = 0, nUnit = 0, nPercent = 0;

  void SetInstallMessage(const std::string& s) override { sMessage = s; }
  void EnableNavButton(int n) override { enabled.push_back(n); }
  void SetProgressBarVisible(bool b) override { nHidden += b ? 0 : 1; }
  int32_t BarCurrentPercentage() override { return nPercent; }
  int32_t BarMaxPercentage() override { return 100; }
  int32_t BarProgressUnits() override { return nUnits; }
  void SetBarProgressUnits(int32_t n) override { nUnits = n; }
  void BarIncrementProgress() override {
    ++nIncrements;
    ++nUnit;
    nPercent = nUnits == 0 ? 0 : (nUnit >= nUnits ? 100 : int32_t(100.0 * nUnit / nUnits + 0.5));
    percentages.push_back(nPercent);
  }
  int ShowMessage(const std::string& s, UINT n) override {
    boxes.push_back({s, n});
    if ((n & MB_YESNO) == 0) return IDOK;
    CHECK(!answers.empty());
    if (answers.empty()) return IDCANCEL;
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  long PageResult() override { return nResult; }
  void SetPageResult(long n) override { nResult = n; }
  void ClosePage() override { bClosed = true; }
  void EndProgram() override {
    bEnded = true;
    throw Ended();
  }
};
