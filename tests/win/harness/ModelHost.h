// A host for the slow models of RulesModel.h under Windows: the settings given, the platform's own width
// mapping (LCMapStringA, as the program asks for it), the text as CF_TEXT reads it (up to the first NUL).
// URLs are recorded, pauses cost nothing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "AnalysisHost.h"

namespace harness {

inline std::string PlatformHalfWidth(const std::string& text) {
  const int n = text.empty() ? 0
                             : LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_HALFWIDTH, text.data(),
                                            static_cast<int>(text.size()), nullptr, 0);
  std::string mapped(static_cast<size_t>(n), '\0');
  if (n <= 0 || LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_HALFWIDTH, text.data(),
                             static_cast<int>(text.size()), mapped.data(), n) == 0)
    return text;
  return mapped.substr(0, mapped.find('\0'));
}

struct ModelHost : IAnalysisHost {
  bool stockCode = true;
  int site = 0;
  std::string id;
  std::string text;
  std::vector<std::string> opened;

  bool BrowseStockCode() override { return stockCode; }
  int StockSiteSelect() override { return site; }
  bool AutoBrowseNetMileAD() override { return true; }
  bool AutoBrowseInfoCash() override { return true; }
  int SleepTime() override { return 0; }
  std::string InfoCashID() override { return id; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return text.substr(0, text.find('\0')); }
  void OpenUrl(const std::string& url) override { opened.push_back(url); }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& t) override { return PlatformHalfWidth(t); }
};

}  // namespace harness
