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
  // Whether nothing of the line is being put together: the text may be passed over up to a colon.
  bool Idle() const { return !colon_; }
  std::size_t NextColon(std::size_t pos) { return colons_.From(pos); }
  // The removal, not stopped, was passed over from `from` (where a stretch would begin) to where it goes
  // on; `line` is where a line of the stripped text began in between, or npos.
  void Passed(std::size_t from, std::size_t line);

 private:
  void Lines(std::size_t from, std::size_t to);
  void Look(std::string_view line);
  void Continue(std::string_view bytes);
  void Put(std::string_view bytes);
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
  bool colon_ = false;   // a colon was met: the line is put together from then on
  TUrlScan url_;
  bool script_ = false;
  bool split_ = false;
  bool idRead_ = false, idFound_ = false;
  std::string found_;  // the URL of a line looked at where it stands
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
  // After the stretch's last break.
  const std::size_t tail = breaks_.From(i) < b ? LineStart(text_, i, b) : i;
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

void TInfoCashWalk::Passed(std::size_t from, std::size_t line) {
  if (!open_) {
    open_ = true;
    start_ = from;
    startStopped_ = false;
  }
  if (line == std::string_view::npos) return;
  FinishLine(line - 1);  // a line without a colon: it opens nothing
  open_ = true;
  start_ = line;
  startStopped_ = false;
}

// Tags passed over a window at a time from `from`, outside any tag and at a character boundary, in the
// windows before `colon`, the next colon (without one there is no link), while the removal doesn't stop.
// Where the removal goes on after that, again outside any tag (npos when nowhere), and where the last line
// of the stripped text in between began (npos when none did); `tried` is where the windows were read up to.
// Worth it where a window is 64 bytes of SSE2; with machine words, the tags are walked one by one.
constexpr bool kPassTags = bytesearch::kWindow == 64;

struct TPassedTags {
  std::size_t to = std::string_view::npos, line = std::string_view::npos, tried = 0;
};

TPassedTags PassTags(std::string_view text, std::size_t from, std::size_t colon) {
  using namespace bytesearch;
  TPassedTags passed;
  const TLeadByteSet& lead = LeadByteSet();
  const char* const p = text.data();
  const auto highest = [](std::uint64_t bits) {
    return static_cast<std::size_t>(63 - std::countl_zero(bits));
  };
  bool in = false;  // inside a tag where the window begins
  std::size_t w = from;
  passed.tried = from;
  for (; w + kWindow <= std::min(colon, text.size()); w += kWindow) {
    std::array<std::uint64_t, 4> bits;
    std::uint64_t high;
    WindowBits<4>(p + w, {'<', '>', '\r', '\n'}, bits, high);
    passed.tried = w + kWindow;
    std::uint64_t opens = bits[0], closes = bits[1];
    // A delimiter counts only at a character boundary: after a lead byte, the run of lead bytes before it
    // must be even (it is judged back to `from`, a boundary).
    const std::uint64_t afterHigh = high << 1 | (w > from && static_cast<unsigned char>(p[w - 1]) >= 0x80);
    for (std::uint64_t d = (opens | closes) & (lead.High() ? afterHigh : ~std::uint64_t{0}); d; d &= d - 1) {
      const std::size_t at = w + static_cast<std::size_t>(std::countr_zero(d));
      if (at == from || !lead.Contains(static_cast<unsigned char>(p[at - 1]))) continue;
      std::size_t run = at;
      while (run > from && lead.Contains(static_cast<unsigned char>(p[run - 1]))) --run;
      if ((at - run) % 2) {
        opens &= ~(d & -d);
        closes &= ~(d & -d);
      }
    }
    const std::uint64_t delimiters = opens | closes, breaks = bits[2] | bits[3];
    std::uint64_t before = in ? ~std::uint64_t{0} : 0;  // inside a tag just before each byte
    if (delimiters) {
      // Whether the last delimiter at or before each byte is a "<": spread from each delimiter to the next.
      std::uint64_t last = opens, through = ~delimiters;
      for (int k = 1; k < 64; k *= 2) {
        last |= through & (last << k);
        through &= through << k;
      }
      const std::uint64_t first = delimiters & (~delimiters + 1);
      before = (last << 1) | (in ? (first << 1) - 1 : 0);
      if (closes & ~before) break;  // a ">" outside any tag: the removal stops there
      in = (last >> (kWindow - 1)) & 1;
      if (const std::uint64_t ends = closes & before) passed.to = w + highest(ends) + 1;
    }
    if (const std::uint64_t kept = breaks & ~before) {
      passed.line = w + highest(kept) + 1;
      passed.to = passed.to == std::string_view::npos ? passed.line : std::max(passed.to, passed.line);
    }
  }
  return passed;
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
  line = TrimEnd(line);  // the text holds no NUL: TrimBlanks without looking for one
  while (!line.empty() && IsBlankOrControl(line.front())) line.remove_prefix(1);
  const std::size_t at = FindFixed(line, kUrlStart);
  if (at == std::string_view::npos) return;
  // An empty ID is found nowhere, so it opens nothing.
  if (ReadId().Find(line) == std::string_view::npos) return;
  if (FindFixed(line, kInfoCashScript) == std::string_view::npos) return;
  const std::string_view rest = line.substr(at);
  found_.assign(rest.substr(0, UrlLength(rest)));
  host_.OpenUrl(found_);
  PauseAfterLink(host_);
}

void TInfoCashWalk::Continue(std::string_view bytes) {
  const std::size_t at = static_cast<std::size_t>(bytes.data() - text_.data());
  if (!colon_) {
    // Without a colon there is no link to look for, so nothing of a line is put together before its first
    // colon comes; then the line's stretches before this one are taken again from its start.
    if (colons_.From(at) >= at + bytes.size()) return;
    colon_ = true;
    TTagStripper again(text_.substr(0, at), start_, startStopped_);
    for (std::string_view s; again.Next(s);) Put(s);
  }
  Put(bytes);
}

void TInfoCashWalk::Put(std::string_view bytes) {
  if (leading_) {
    std::size_t skip = 0;
    while (skip < bytes.size() && IsBlankOrControl(bytes[skip])) ++skip;
    if (skip == bytes.size()) return;
    bytes.remove_prefix(skip);
    leading_ = false;
  }
  windows_.Append(bytes,
                  [this](std::string_view w, std::size_t fresh, bool last) { Window(w, fresh, last); });
}

void TInfoCashWalk::Window(std::string_view window, std::size_t fresh, bool last) {
  url_.Window(window, fresh);
  if (!script_) script_ = FindFixed(window, kInfoCashScript) != std::string_view::npos;
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

TTagStripper::TTagStripper(std::string_view text, std::size_t from, bool stopped)
    : text_(text),
      pos_(from),
      stopped_(stopped),
      delimiters_(text, TBytePattern<2>({TByteTest{'<'}, TByteTest{'>'}})),
      cursor_(text, from) {}

std::size_t TTagStripper::Delimiter(std::size_t pos) {
  for (std::size_t at = delimiters_.From(pos);; at = delimiters_.From(at + 1))
    if (at >= text_.size() || cursor_.At(at)) return at;
}

bool TTagStripper::Next(std::string_view& stretch) {
  const std::size_t n = text_.size();
  if (pos_ >= n) return false;
  if (!stopped_) {
    // A tag runs from the first "<" to the first ">", if that comes after it: the first delimiter is a "<"
    // and a ">" follows somewhere.
    const std::size_t open = Delimiter(pos_);
    std::size_t close = n;
    if (open < n && text_[open] == '<')
      for (close = Delimiter(open + 1); close < n && text_[close] != '>';) close = Delimiter(close + 1);
    if (close < n) {
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

void BrowseInfoCash(IAnalysisHost& host, std::string_view text) { BrowseInfoCash(host, TTextToNul(text)); }

void BrowseInfoCash(IAnalysisHost& host, const TTextToNul& cut) {
  const std::string_view text = cut.View();
  if (FindFixed(text, kInfoCashDomain) == std::string_view::npos) return;
  TInfoCashWalk walk(host, text);
  TTagStripper strip(text);
  std::size_t tried = 0;  // where passing over tags was tried up to
  for (std::string_view stretch;;) {
    if (kPassTags && walk.Idle() && !strip.Stopped() && strip.Position() >= tried) {
      const TPassedTags passed = PassTags(text, strip.Position(), walk.NextColon(strip.Position()));
      tried = passed.tried;
      if (passed.to != std::string_view::npos) {
        walk.Passed(strip.Position(), passed.line);
        strip = TTagStripper(text, passed.to);
      }
    }
    if (!strip.Next(stretch)) break;
    walk.Stretch(stretch, strip.Stopped());
  }
  walk.End();
}
