// libFuzzer target: the tag removal against a slow model written straight from its rule (a copy of the
// remaining text per tag), and the two mail analysers against what every open must satisfy.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Analysers.h"
#include "Dispatch.h"
#include "InfoCash.h"
#include "NetMile.h"
#include "FuzzCheck.h"
#include "TextRules.h"

namespace {

std::string ModelStripTags(std::string remaining) {
  std::string result;
  for (;;) {
    const int open = FindPos("<", remaining), close = FindPos(">", remaining);
    if (open == 0 || close < open) return result + remaining;
    result += CopyRange(remaining, 1, open - 1);
    remaining = CopyRange(remaining, close + 1, static_cast<int>(remaining.size()));
  }
}

struct RecordingHost : IAnalysisHost {
  std::string id;
  std::vector<std::string> opened;
  int sleeps = 0;
  bool BrowseStockCode() override { return false; }
  int StockSiteSelect() override { return 0; }
  bool AutoBrowseNetMileAD() override { return true; }
  bool AutoBrowseInfoCash() override { return true; }
  int SleepTime() override { return 7; }
  std::string InfoCashID() override { return id; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return {}; }
  void OpenUrl(const std::string& target) override { opened.push_back(target); }
  void Sleep(int) override { ++sleeps; }
  std::string HalfWidth(const std::string& t) override { return t; }
};

bool IsUrl(const std::string& url) { return url.starts_with("http://") && ExtractUrl(url) == url; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: how often the text repeats (so removals run past small search windows) and the ID length.
  const int repeats = (data[0] >> 4) + 1;
  const size_t idLength = std::min<size_t>(data[0] & 0x03, size - 1);
  std::string id(reinterpret_cast<const char*>(data) + 1, idLength);
  std::string piece(reinterpret_cast<const char*>(data) + 1 + idLength, size - 1 - idLength);
  id = id.substr(0, id.find('\0'));
  piece = piece.substr(0, piece.find('\0'));
  std::string text;
  for (int i = 0; i < repeats; ++i) text += piece;

  CHECK(StripTags(text) == ModelStripTags(text));

  const std::string triggered[] = {text, "NetMile info-cash.jp\r\n" + text};
  for (const std::string& mail : triggered) {
    RecordingHost netmile;
    BrowseNetMileAD(netmile, mail);
    CHECK(netmile.sleeps == static_cast<int>(netmile.opened.size()));
    CHECK(netmile.opened.size() <= SplitLines(mail).size());
    if (FindPos(kNetMileTrigger, LowerText(mail)) == 0) CHECK(netmile.opened.empty());
    for (const std::string& url : netmile.opened) {
      CHECK(IsUrl(url));
      for (const auto skip : NetMileSkipUrls) CHECK(url != skip);
    }

    RecordingHost infocash;
    infocash.id = id;
    BrowseInfoCash(infocash, mail);
    CHECK(infocash.sleeps == static_cast<int>(infocash.opened.size()));
    if (id.empty() || FindPos(kInfoCashDomain, mail) == 0) CHECK(infocash.opened.empty());
    std::size_t next = 0;  // every open comes from its own line of the stripped text, in order
    const TStringList lines = SplitLines(StripTags(mail));
    for (const std::string& url : infocash.opened) {
      CHECK(IsUrl(url));
      while (next < lines.size() && FindPos(url, lines[next]) == 0) ++next;
      CHECK(next < lines.size());
      CHECK(FindPos(id, lines[next]) > 0 && FindPos(kInfoCashScript, lines[next]) > 0);
      ++next;
    }
  }
  return 0;
}
