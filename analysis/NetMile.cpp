#include "NetMile.h"

#include <algorithm>

#include "Analysers.h"
#include "Dispatch.h"
#include "TextRules.h"

namespace {
constexpr std::string_view kUrlStart = "http://";
constexpr std::string_view kFullWidthSpace = "\x81\x40";  // U+3000

bool IsSkipUrl(const std::string& url) {
  return std::any_of(NetMileSkipUrls.begin(), NetMileSkipUrls.end(),
                     [&](std::string_view skip) { return TextEquals(url, skip); });
}
}  // namespace

void BrowseNetMileAD(IAnalysisHost& host, const std::string& text) {
  if (FindPos(kNetMileTrigger, LowerText(text)) == 0) return;

  // Full-width spaces go first, so a link broken by one opens as a whole.
  TStringList lines = SplitLines(text);
  lines = SplitLines(ReplaceAll(JoinLines(lines), kFullWidthSpace, ""));

  const std::size_t count = lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    std::string& line = lines[i];
    line = TrimBlanks(line);
    if (FindPos(NetMileStopMarkers[0], line) > 0) break;
    if (FindPos(NetMileStopMarkers[1], line) > 0) break;
    const int start = FindPos(kUrlStart, line);
    if (start == 0) continue;
    const std::string url = ExtractUrl(CopyRange(line, start, static_cast<int>(line.size())));
    if (IsSkipUrl(url)) continue;
    host.OpenUrl(url);
    PauseAfterLink(host);
  }
}
