// A fake host for the mail analysers: settings set by the test, opens recorded with the time of a fake clock
// that only the pauses advance.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "AnalysisHost.h"

struct MailHost : IAnalysisHost {
  struct Open {
    long long at;  // fake clock, ms
    std::string url;
  };

  bool stock = false, netmile = false, infocash = false;
  int site = 0;
  int sleepTime = 0;
  std::string id;
  std::deque<std::string> clip;  // successive clipboard texts; the last one stays

  long long clock = 0;
  std::vector<Open> opens;
  int sleeps = 0;

  bool BrowseStockCode() override { return stock; }
  int StockSiteSelect() override { return site; }
  bool AutoBrowseNetMileAD() override { return netmile; }
  bool AutoBrowseInfoCash() override { return infocash; }
  int SleepTime() override { return sleepTime; }
  std::string InfoCashID() override { return id; }
  bool ClipboardHasText() override { return !clip.empty(); }
  std::string ReadClipboardText() override {
    std::string t = clip.front();
    if (clip.size() > 1) clip.pop_front();
    return t;
  }
  void OpenUrl(const std::string& target) override { opens.push_back({clock, target}); }
  void Sleep(int ms) override {
    ++sleeps;
    clock += ms;
  }
  std::string HalfWidth(const std::string& t) override { return t; }

  std::vector<std::string> Urls() const {
    std::vector<std::string> urls;
    for (const auto& o : opens) urls.push_back(o.url);
    return urls;
  }
};

// A sample mail from tests/data, as the Shift-JIS bytes the clipboard would hold.
inline std::string ReadMail(const std::string& name) {
  std::ifstream in(std::filesystem::path(BRIVOLA_NATIVE_TEST_DATA) / name, std::ios::binary);
  if (!in) throw std::runtime_error("missing test mail " + name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
