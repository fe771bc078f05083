// What the program's analysers open for a text: the portable analysers run
// with the settings given, the platform's width mapping, and the text as
// CF_TEXT reads it (up to the first NUL). URLs are recorded, pauses cost nothing.
#pragma once

#include <string>
#include <vector>

#include "AnalysisHost.h"
#include "BIOS.h"

namespace harness {

struct ModelHost : IAnalysisHost {
  bool stockCode = true;
  std::string id;
  std::string text;
  std::vector<std::string> opened;

  bool BrowseStockCode() override { return stockCode; }
  int StockSiteSelect() override { return 0; }
  bool AutoBrowseNetMileAD() override { return true; }
  bool AutoBrowseInfoCash() override { return true; }
  int SleepTime() override { return 0; }
  std::string InfoCashID() override { return id; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return text.substr(0, text.find('\0')); }
  void OpenUrl(const std::string& url) override { opened.push_back(url); }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& t) override { return LCMapText(t, LCMAP_HALFWIDTH); }
};

}  // namespace harness
