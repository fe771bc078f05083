#include "NetMile.h"

#include <algorithm>

#include "Analysers.h"
#include "Dispatch.h"
#include "LineWalk.h"
#include "TextRules.h"

// The mail is walked where it stands. Splitting it into lines, joining them with CR LF, taking out every
// full-width space and splitting again gives the same lines as taking the spaces out of each line: a line
// begins at a character boundary (after a break byte, which begins no character) and a full-width space
// never holds a break byte. Trimming a line changes nothing the tests can see, since no pattern and no URL
// holds a blank or control byte. Only lines with a colon (every "http://" has one) or with the bytes of ■
// (both footer headings begin with it) can open or stop anything; the walk jumps from one such line to
// the next.

namespace {
constexpr std::string_view kFullWidthSpace = "\x81\x40";  // U+3000
constexpr std::string_view kMarkerHead = "\x81\xa1";      // ■
constexpr std::size_t kOverlap =
    std::max({NetMileStopMarkers[0].size(), NetMileStopMarkers[1].size(), kUrlStart.size()}) - 1;

bool IsSkipUrl(std::string_view url) {
  return std::any_of(NetMileSkipUrls.begin(), NetMileSkipUrls.end(),
                     [&](std::string_view skip) { return TextEquals(url, skip); });
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// FindPos of the trigger in LowerText(text). LowerText lowers only one-byte characters and keeps every
// character where it is, so this is the trigger in any ASCII letter case at a boundary of the text itself.
// Places are tried only where its first and last letters stand, in either case: plain text is full of n.
bool HasTrigger(std::string_view text) {
  constexpr TByteTest kFirst{'n', 0x20}, kLast{'e', 0x20};
  static_assert(kNetMileTrigger.front() == 'n' && kNetMileTrigger.back() == 'e');
  const TBytePattern<0, true> ends({}, kFirst, kLast, kNetMileTrigger.size() - 1);
  TBoundaryCursor cursor(text);
  for (std::size_t at = 0; (at = ends.Find(text, at)) < text.size(); ++at)
    if (std::equal(kNetMileTrigger.begin(), kNetMileTrigger.end(),
                   text.begin() + static_cast<std::ptrdiff_t>(at),
                   [](char t, char c) { return t == AsciiLower(c); }) &&
        cursor.At(at))
      return true;
  return false;
}

// Whether the bytes of ■ stand at `at`, followed, once any full-width spaces are passed, by the second
// character of a footer heading: what a line must hold to stop the walk.
bool MayBeginMarker(std::string_view text, std::size_t at) {
  if (at == std::string_view::npos || text.compare(at, kMarkerHead.size(), kMarkerHead) != 0) return false;
  std::size_t next = at + kMarkerHead.size();
  while (text.compare(next, kFullWidthSpace.size(), kFullWidthSpace) == 0) next += kFullWidthSpace.size();
  return std::any_of(NetMileStopMarkers.begin(), NetMileStopMarkers.end(), [&](std::string_view marker) {
    return text.compare(next, 2, marker.substr(kMarkerHead.size(), 2)) == 0;
  });
}

bool HasStopMarker(std::string_view window) {
  TFixedSearch heads(window, kMarkerHead);
  for (std::size_t at; (at = heads.Next()) != std::string_view::npos;) {
    const std::string_view rest = window.substr(at);
    if (rest.starts_with(NetMileStopMarkers[0]) || rest.starts_with(NetMileStopMarkers[1])) return true;
  }
  return false;
}

// What one line, its full-width spaces taken out, holds. Only what the line's bytes allow is looked for:
// a footer heading where ■ stands, a link where a colon does.
struct TLineVerdict {
  bool markers = false, links = false;
  bool stop = false;
  TUrlScan url;

  void Reset(bool mayHoldMarker, bool mayHoldLink) {
    markers = mayHoldMarker;
    links = mayHoldLink;
    stop = false;
    url.Clear();
  }

  void Window(std::string_view window, std::size_t fresh) {
    if (stop) return;
    if (markers) stop = HasStopMarker(window);
    if (links) url.Window(window, fresh);
  }
};

// The link of a line that holds no footer heading, found where the line stands when taking its full-width
// spaces out can't change it: no space follows a byte that "http://" holds before the first one found (a
// link cut in two by spaces), and none follows the URL (whose rest it would hide). `sure` is false where one
// may; then the line is put together without its spaces.
struct TPlainLink {
  bool sure = false;
  std::string_view url;  // empty when the line holds no link
};

TPlainLink PlainLink(std::string_view line) {
  constexpr std::string_view kCut = kUrlStart.substr(0, kUrlStart.size() - 1);  // bytes a space may follow
  const std::size_t at = FindFixed(line, kUrlStart);
  TFixedSearch spaces(line.substr(0, at == std::string_view::npos ? line.size() : at), kFullWidthSpace);
  for (std::size_t s; (s = spaces.Next()) != std::string_view::npos;)
    if (s > 0 && kCut.find(line[s - 1]) != std::string_view::npos) return {};
  if (at == std::string_view::npos) return {true, {}};
  const std::string_view rest = line.substr(at), url = rest.substr(0, UrlLength(rest));
  if (rest.substr(url.size()).starts_with(kFullWidthSpace)) return {};
  return {true, url};
}

void Look(std::string_view line, TLineWindows& windows, TLineVerdict& verdict) {
  TFixedSearch spaces(line, kFullWidthSpace);
  std::size_t at = spaces.Next();
  if (at == std::string_view::npos) return verdict.Window(line, 0);  // the common line, where it stands
  const auto window = [&](std::string_view w, std::size_t fresh, bool) { verdict.Window(w, fresh); };
  std::size_t from = 0;
  for (; at != std::string_view::npos; at = spaces.Next()) {
    windows.Append(line.substr(from, at - from), window);
    from = at + kFullWidthSpace.size();
  }
  windows.Append(line.substr(from), window);
  windows.Finish(window);
}
}  // namespace

void BrowseNetMileAD(IAnalysisHost& host, std::string_view text) { BrowseNetMileAD(host, TTextToNul(text)); }

void BrowseNetMileAD(IAnalysisHost& host, const TTextToNul& cut) {
  const std::string_view text = cut.View();
  if (!HasTrigger(text)) return;

  // Where a line may open or stop something: a colon, or the bytes of ■ (at its first byte) when they may
  // begin a footer heading. One scan finds both.
  TPatternScan<1, true> events(text,
                               TBytePattern<1, true>({TByteTest{':'}}, TByteTest{0x81}, TByteTest{0xA1}, 1));
  TBreakScan breaks(text);
  TLineWindows windows(kOverlap);
  TLineVerdict verdict;
  std::string url;  // a link found where its line stands
  for (std::size_t pos = 0;;) {
    std::size_t next = events.From(pos);
    while (next < text.size() && text[next] != ':' && !MayBeginMarker(text, next))
      next = events.From(next + 1);
    if (next >= text.size()) return;
    const std::size_t start = LineStart(text, pos, next), end = breaks.From(next);
    bool markers = false, links = false;
    for (std::size_t at = next; at < end && !(markers && links); at = events.From(at + 1))
      if (text[at] == ':')
        links = true;
      else if (MayBeginMarker(text, at))
        markers = true;
    const std::string_view line = text.substr(start, end - start);
    pos = end;
    if (!markers) {
      if (const TPlainLink plain = PlainLink(line); plain.sure) {
        if (!plain.url.empty() && !IsSkipUrl(plain.url)) {
          host.OpenUrl(url.assign(plain.url));
          PauseAfterLink(host);
        }
        continue;
      }
    }
    verdict.Reset(markers, links);
    Look(line, windows, verdict);
    if (verdict.stop) return;
    if (verdict.url.Found() && !IsSkipUrl(verdict.url.Url())) {
      host.OpenUrl(verdict.url.Url());
      PauseAfterLink(host);
    }
  }
}
