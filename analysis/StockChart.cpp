#include "StockChart.h"

#include <algorithm>
#include <optional>

#include "Analysers.h"
#include "ByteSearch.h"
#include "TextRules.h"

namespace {
// Longer than this, what is left of a text once the bytes that trim away before or after the half-width
// mapping are off its ends cannot map to a four-byte code: it holds more than 32 characters, the mapping
// gives every character at least one byte, and only blank and control bytes and the ideographic space
// give bytes that trimming removes (the platform tests check both facts on every character). The margin is
// wide on purpose; what lies within it is mapped by the platform itself.
constexpr std::size_t kCoreLimit = 64;

// The part of the text (up to its first NUL) that the half-width mapping followed by TrimBlanks depends on:
// blank and control bytes and ideographic spaces off both ends, or nothing when that part is too long to
// give a code. Only characters whose place is beyond doubt are taken off: from the front every one is
// walked; from the back a byte counts as a character of its own only after a byte that begins no
// double-byte character, so no reading of the bytes before it can make it the second byte of another.
std::optional<std::string_view> CodeCore(std::string_view text) {
  const TLeadByteSet& lead = LeadByteSet();
  const bool ideographic = lead.Contains(0x81);  // the ideographic space is a character only where 0x81 leads
  const auto space = [&](std::string_view t, std::size_t at) {
    return ideographic && at + 1 < t.size() && t[at] == '\x81' && t[at + 1] == '\x40';
  };
  std::size_t first = 0;
  for (std::size_t n = text.size(); first < n;) {
    if (text[first] == '\0') return std::string_view();
    if (IsBlankOrControl(text[first]))
      ++first;
    else if (space(text, first))
      first += 2;
    else
      break;
  }
  // The text ends at its first NUL, looked for only as far as needed: a byte far enough in that no
  // trimming can reach it makes the core too long without reading on to the end.
  std::size_t end = text.size();
  const std::size_t reach = std::min(end, first + kCoreLimit);
  if (const std::size_t nul = FindByte(text.substr(0, reach), first, '\0'); nul < reach)
    end = nul;
  else
    for (std::size_t at = reach; at < end; ++at) {
      const char c = text[at];
      if (c == '\0')
        end = at;
      else if (!IsBlankOrControl(c) && c != '\x81' && c != '\x40')
        return std::nullopt;
    }
  std::size_t last = end;
  while (last > first) {
    const auto alone = [&](std::size_t at) {
      return at == first || !lead.Contains(static_cast<unsigned char>(text[at - 1]));
    };
    if (IsBlankOrControl(text[last - 1]) && alone(last - 1))
      --last;
    else if (last - first >= 2 && space(text, last - 2) && alone(last - 2))
      last -= 2;
    else
      break;
  }
  if (last - first > kCoreLimit) return std::nullopt;
  return text.substr(first, last - first);
}
}  // namespace

void BrowseStockChart(IAnalysisHost& host, std::string_view text) {
  // The mapping keeps blanks blank and works character by character, so mapping the whole text and
  // trimming it gives what mapping the core and trimming gives.
  const std::optional<std::string_view> core = CodeCore(text);
  if (!core) return;
  const std::string code = TrimBlanks(host.HalfWidth(std::string(*core)));
  if (code.size() != 4) return;
  try {
    ParseInteger(code);
  } catch (const EConvertError&) {
    return;  // not a number: no code
  }
  // The site is read now, so a change in the dialog counts before OK.
  const int site = host.StockSiteSelect();
  // No site selected or an out-of-range stored index: there is no chart to open.
  if (site < 0 || site >= static_cast<int>(ChartUrlPrefixes.size())) return;
  host.OpenUrl(std::string(ChartUrlPrefixes[static_cast<size_t>(site)]) + code);
}
