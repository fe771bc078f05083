#include "InfoCash.h"

#include "Analysers.h"
#include "Dispatch.h"
#include "TextRules.h"

namespace {
constexpr std::string_view kUrlStart = "http://";

// FindPos over growing prefixes of the text, so that the cost follows the distance to the match rather than
// the length of the whole text; a match inside a prefix is judged from the same first byte and so is the
// same.
int FindPosNear(std::string_view pattern, std::string_view text) {
  for (std::size_t window = 256;; window *= 2) {
    if (window >= text.size()) return FindPos(pattern, text);
    if (const int at = FindPos(pattern, text.substr(0, window)); at > 0) return at;
  }
}
}  // namespace

std::string StripTags(std::string_view text) {
  // The remaining text is a view, never a copy, and each search costs no more than the stretch it looks at:
  // up to the tag about to be removed, or up to the end when the removal stops. So a source with hundreds of
  // thousands of tags stays linear.
  std::string result;
  result.reserve(text.size());
  std::string_view remaining = text;
  for (;;) {
    const int open = FindPosNear("<", remaining);
    const int close = open > 0 ? FindPosNear(">", remaining) : 0;
    if (open == 0 || close < open) break;
    result.append(remaining.substr(0, static_cast<std::size_t>(open - 1)));
    remaining.remove_prefix(static_cast<std::size_t>(close));
  }
  result.append(remaining);
  return result;
}

void BrowseInfoCash(IAnalysisHost& host, const std::string& text) {
  if (FindPos(kInfoCashDomain, text) == 0) return;

  TStringList lines = SplitLines(StripTags(text));
  const std::size_t count = lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    std::string& line = lines[i];
    line = TrimBlanks(line);
    const int start = FindPos(kUrlStart, line);
    if (start == 0) continue;
    // An empty ID is found nowhere, so it opens nothing.
    if (FindPos(host.InfoCashID(), line) == 0) continue;
    if (FindPos(kInfoCashScript, line) == 0) continue;
    host.OpenUrl(ExtractUrl(CopyRange(line, start, static_cast<int>(line.size()))));
    PauseAfterLink(host);
  }
}
