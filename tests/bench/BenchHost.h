// The host of the benchmarks: every analyser switched on, URLs only counted, a pause that costs nothing,
// and the portable half-width mapping in place of the platform's.
#pragma once

#include <string>

#include "AnalysisHost.h"
#include "HalfWidth.h"

struct TBenchHost : IAnalysisHost {
  long long urls = 0;
  bool BrowseStockCode() override { return true; }
  int StockSiteSelect() override { return 0; }
  bool AutoBrowseNetMileAD() override { return true; }
  bool AutoBrowseInfoCash() override { return true; }
  int SleepTime() override { return 0; }
  std::string InfoCashID() override { return "ic123456"; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return {}; }
  void OpenUrl(const std::string&) override { ++urls; }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& t) override { return HalfWidthPortable(t); }
};
