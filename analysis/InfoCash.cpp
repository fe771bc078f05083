#include "InfoCash.h"

#include <algorithm>
#include <optional>

#include "Analysers.h"
#include "Dispatch.h"

// The mail is walked where it stands: the tag removal hands out the stretches it keeps, and the lines of the
// stripped text are taken from them. A line that lies within one stretch is looked at where it stands, and
// only if it holds a colon (every "http://" has one). A line that runs over several stretches is put
// together in windows (LineWalk.h). The tests are those of the rules on the trimmed line; the ID is read from
// the host once for every line with a link, as the rules read it.

namespace {
constexpr std::size_t kScriptAnchor = kInfoCashScript.size() - 1;  // the '?'
constexpr std::size_t kOverlap = std::max(kUrlStart.size(), kInfoCashScript.size()) - 1;

// The window without the blank and control bytes at its end.
std::string_view TrimEnd(std::string_view w) {
  std::size_t n = w.size();
  while (n > 0 && IsBlankOrControl(w[n - 1])) --n;
  return w.substr(0, n);
}

class TInfoCashWalk {
 public:
  TInfoCashWalk(IAnalysisHost& host, std::string_view text)
      : host_(host), text_(text), colons_(text, ':'), breaks_(text), windows_(kOverlap) {}

  // The next stretch the tag removal keeps (a view into the text), and whether the removal has stopped.
  void Stretch(std::string_view stretch, bool stopped);
  void End();

 private:
  void Lines(std::size_t from, std::size_t to);
  void Look(std::string_view line);
  void Continue(std::string_view bytes);
  void Window(std::string_view window, std::size_t fresh, bool last);
  void FinishLine(std::size_t end);
  const TPatternFinder& ReadId();
  bool FindIdAgain(std::size_t end) const;

  IAnalysisHost& host_;
  std::string_view text_;
  TByteScan colons_;
  TBreakScan breaks_;
  TLineWindows windows_;

  // The line being put together: where it begins in the text, whether the removal had stopped there, and
  // what its windows showed so far.
  bool open_ = false;
  std::size_t start_ = 0;
  bool startStopped_ = false;
  bool leading_ = true;  // still at the blanks its trimming drops
  bool colon_ = false;   // a colon was put in: without one there is no link to look for
  TUrlScan url_;
  bool script_ = false;
  bool split_ = false;
  bool idRead_ = false, idFound_ = false;
  // The ID as last read, and its finder, built again only when the ID changes.
  std::string id_;
  std::optional<TPatternFinder> idFinder_;
};

const TPatternFinder& TInfoCashWalk::ReadId() {
  std::string id = host_.InfoCashID();
  if (!idFinder_ || id != id_) {
    id_ = std::move(id);
    idFinder_.emplace(id_);
  }
  return *idFinder_;
}

void TInfoCashWalk::Stretch(std::string_view stretch, bool stopped) {
  const std::size_t a = static_cast<std::size_t>(stretch.data() - text_.data()), b = a + stretch.size();
  std::size_t i = a;
  if (open_) {
    const std::size_t br = breaks_.From(a);
    if (br >= b) return Continue(stretch);
    Continue(text_.substr(a, br - a));
    FinishLine(br);
    i = br;
  }
  std::size_t tail = b;  // after the stretch's last break
  while (tail > i && !IsLineBreak(text_[tail - 1])) --tail;
  if (tail > i) {
    Lines(i, tail - 1);
    i = tail;
  }
  if (i < b) {
    open_ = true;
    start_ = i;
    startStopped_ = stopped;
    Continue(text_.substr(i, b - i));
  }
}

void TInfoCashWalk::End() {
  if (open_) FinishLine(text_.size());
}

// The lines of text[from, to) that hold a colon; `to` ends a line.
void TInfoCashWalk::Lines(std::size_t from, std::size_t to) {
  for (std::size_t pos = from;;) {
    const std::size_t colon = colons_.From(pos);
    if (colon >= to) return;
    const std::size_t start = LineStart(text_, pos, colon), end = breaks_.From(colon);
    Look(text_.substr(start, end - start));
    pos = end;
  }
}

void TInfoCashWalk::Look(std::string_view line) {
  line = TrimBlanksView(line);
  const std::size_t at = FindFixed(line, kUrlStart, 4);
  if (at == std::string_view::npos) return;
  // An empty ID is found nowhere, so it opens nothing.
  if (ReadId().Find(line) == std::string_view::npos) return;
  if (FindFixed(line, kInfoCashScript, kScriptAnchor) == std::string_view::npos) return;
  const std::string_view rest = line.substr(at);
  host_.OpenUrl(std::string(rest.substr(0, UrlLength(rest))));
  PauseAfterLink(host_);
}

void TInfoCashWalk::Continue(std::string_view bytes) {
  if (leading_) {
    std::size_t skip = 0;
    while (skip < bytes.size() && IsBlankOrControl(bytes[skip])) ++skip;
    if (skip == bytes.size()) return;
    bytes.remove_prefix(skip);
    leading_ = false;
  }
  const std::size_t at = static_cast<std::size_t>(bytes.data() - text_.data());
  colon_ = colon_ || colons_.From(at) < at + bytes.size();
  windows_.Append(bytes,
                  [this](std::string_view w, std::size_t fresh, bool last) { Window(w, fresh, last); });
}

void TInfoCashWalk::Window(std::string_view window, std::size_t fresh, bool last) {
  if (last && !colon_ && !windows_.Split()) return;  // no colon on the whole line: no link
  url_.Window(window, fresh);
  if (!script_) script_ = FindFixed(window, kInfoCashScript, kScriptAnchor) != std::string_view::npos;
  if (!last) return;
  split_ = windows_.Split();
  if (!url_.Found()) return;
  const TPatternFinder& id = ReadId();
  idRead_ = true;
  if (!split_) idFound_ = id.Find(TrimEnd(window)) != std::string_view::npos;
}

void TInfoCashWalk::FinishLine(std::size_t end) {
  if (!leading_)
    windows_.Finish([this](std::string_view w, std::size_t fresh, bool last) { Window(w, fresh, last); });
  if (idRead_ && script_ && (split_ ? FindIdAgain(end) : idFound_)) {
    host_.OpenUrl(url_.Url());
    PauseAfterLink(host_);
  }
  open_ = false;
  leading_ = true;
  colon_ = false;
  url_.Clear();
  script_ = split_ = idRead_ = idFound_ = false;
}

// The ID in a line too long for one window: the line's stretches once more, from its start. A match that
// ends in blanks at the end of a window counts only if something other than blanks follows on the line.
bool TInfoCashWalk::FindIdAgain(std::size_t end) const {
  const std::size_t size = UpToNul(id_).size();
  if (size == 0) return false;
  const TPatternFinder& finder = *idFinder_;
  bool found = false, pending = false;
  const auto look = [&](std::string_view w, std::size_t fresh, bool last) {
    if (found) return;
    if (pending && TrimEnd(w.substr(fresh)).size() > 0)
      found = true;
    else if (finder.Find(TrimEnd(w)) != std::string_view::npos)
      found = true;
    else if (!last && finder.Find(w) != std::string_view::npos)
      pending = true;
  };
  TTagStripper strip(text_.substr(0, end), start_, startStopped_);
  TLineWindows windows(size - 1);
  bool leading = true;
  for (std::string_view s; strip.Next(s);) {
    while (leading && !s.empty() && IsBlankOrControl(s.front())) s.remove_prefix(1);
    if (s.empty()) continue;
    leading = false;
    windows.Append(s, look);
  }
  windows.Finish(look);
  return found;
}
}  // namespace

std::size_t TTagStripper::TDelimiter::From(std::size_t pos) {
  for (std::size_t at = scan_.From(pos);; at = scan_.From(at + 1))
    if (at >= size_ || cursor_.At(at)) return at;
}

TTagStripper::TTagStripper(std::string_view text, std::size_t from, bool stopped)
    : text_(text), pos_(from), stopped_(stopped), open_(text, '<', from), close_(text, '>', from) {}

bool TTagStripper::Next(std::string_view& stretch) {
  const std::size_t n = text_.size();
  if (pos_ >= n) return false;
  if (!stopped_) {
    // A tag runs from the first "<" to the first ">", if that comes after it.
    const std::size_t open = open_.From(pos_);
    const std::size_t close = open < n ? close_.From(pos_) : n;
    if (open < n && close < n && close > open) {
      stretch = text_.substr(pos_, open - pos_);
      pos_ = close + 1;
      return true;
    }
    stopped_ = true;
  }
  stretch = text_.substr(pos_);
  pos_ = n;
  return true;
}

std::string StripTags(std::string_view text) {
  // Tags are looked for up to the first NUL, where the rules see the text end; what follows is kept.
  const std::string_view searched = UpToNul(text);
  std::string result;
  result.reserve(text.size());
  TTagStripper strip(searched);
  for (std::string_view stretch; strip.Next(stretch);) result.append(stretch);
  result.append(text.substr(searched.size()));
  return result;
}

void BrowseInfoCash(IAnalysisHost& host, std::string_view text) {
  text = UpToNul(text);
  if (TPatternFinder(kInfoCashDomain).Find(text) == std::string_view::npos) return;
  TInfoCashWalk walk(host, text);
  TTagStripper strip(text);
  for (std::string_view stretch; strip.Next(stretch);) walk.Stretch(stretch, strip.Stopped());
  walk.End();
}
