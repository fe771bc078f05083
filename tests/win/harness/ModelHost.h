// A host for the slow models of RulesModel.h under Windows: every analyser on, chart site 0, the Info-Cash ID
// given, and the platform's own width mapping. URLs are recorded, pauses cost nothing; the models take the
// text as they are given it, so the clipboard is never read.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "AnalysisHost.h"

namespace harness {

// LCMapStringA's half-width mapping, as the program asks for it: the text itself when the mapping fails.
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
  std::string id;
  std::vector<std::string> opened;

  bool BrowseStockCode() override { return true; }
  int StockSiteSelect() override { return 0; }
  bool AutoBrowseNetMileAD() override { return true; }
  bool AutoBrowseInfoCash() override { return true; }
  int SleepTime() override { return 0; }
  std::string InfoCashID() override { return id; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return {}; }
  void OpenUrl(const std::string& url) override { opened.push_back(url); }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& t) override { return PlatformHalfWidth(t); }
};

}  // namespace harness
