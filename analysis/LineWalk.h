// Walking the lines of one large text without copying it: what the two mail analysers share. Lines are
// views into the text; a line that must be rebuilt (bytes taken out of it) is put together in windows of
// bounded size, so that no line, however long, costs more than a window of memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "ByteSearch.h"
#include "TextRules.h"

inline constexpr std::string_view kUrlStart = "http://";

// The number of bytes at the front of the text that ExtractUrl keeps.
std::size_t UrlLength(std::string_view text);

// The next position at or after one that never goes down where a byte pattern holds. The one found is kept
// until the walk passes it, so a walk over the whole text reads each byte about once.
template <std::size_t A, bool Pair = false>
class TPatternScan {
 public:
  TPatternScan(std::string_view text, TBytePattern<A, Pair> pattern) : text_(text), pattern_(pattern) {}
  std::size_t From(std::size_t pos) {  // text.size() when there is none
    if (searched_ && pos <= next_) return next_;
    searched_ = true;
    // The rest of the window read last, then the text from after it.
    if (window_ < text_.size() && pos < window_ + bytesearch::kWindow) {
      if (const std::uint64_t rest = bits_ & (~std::uint64_t{0} << (pos - window_)))
        return next_ = window_ + static_cast<std::size_t>(std::countr_zero(rest));
      pos = window_ + bytesearch::kWindow;
    }
    return next_ = pattern_.Find(text_, pos, window_, bits_);
  }

 private:
  std::string_view text_;
  TBytePattern<A, Pair> pattern_;
  bool searched_ = false;
  std::size_t next_ = 0;
  std::size_t window_ = SIZE_MAX;  // where the window read last begins, or past the text
  std::uint64_t bits_ = 0;
};

// The next occurrence of one byte.
class TByteScan : public TPatternScan<1> {
 public:
  TByteScan(std::string_view text, char byte)
      : TPatternScan(text, TBytePattern<1>({TByteTest{static_cast<unsigned char>(byte)}})) {}
};

// The next line break (CR or LF).
class TBreakScan : public TPatternScan<2> {
 public:
  explicit TBreakScan(std::string_view text)
      : TPatternScan(text, TBytePattern<2>({TByteTest{'\r'}, TByteTest{'\n'}})) {}
};

// Where the line that holds `pos` begins: just after the last break in [floor, pos), or floor.
std::size_t LineStart(std::string_view text, std::size_t floor, std::size_t pos);

inline bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// Every occurrence of a fixed, non-empty pattern at the character boundaries of one text, in order,
// overlapping ones included. The places where the pattern's first and last bytes both stand are looked for
// a block at a time and the rest is compared there; for patterns that do not repeat themselves, as the
// analysers' own, each byte is read about once.
class TFixedSearch {
 public:
  TFixedSearch(std::string_view text, std::string_view pattern)
      : text_(text),
        pattern_(pattern),
        ends_({}, TByteTest{static_cast<unsigned char>(pattern.front())},
              TByteTest{static_cast<unsigned char>(pattern.back())}, pattern.size() - 1),
        cursor_(text) {}
  std::size_t Next();  // npos after the last one

 private:
  std::string_view text_, pattern_;
  TBytePattern<0, true> ends_;
  std::size_t from_ = 0;  // where the next occurrence may begin
  TBoundaryCursor cursor_;
};

// The first boundary occurrence of a fixed, non-empty pattern, or npos.
std::size_t FindFixed(std::string_view text, std::string_view pattern);

// A line handed on in windows. A window is a view of at most about kLineWindow bytes beyond the `overlap`
// bytes it shares with the window before, which it begins with from a character boundary. So every
// occurrence of a pattern of up to overlap + 1 bytes lies wholly inside one window, and character
// boundaries inside a window can be judged from its first byte.
#ifndef BRIVOLA_LINE_WINDOW
#define BRIVOLA_LINE_WINDOW (64 * 1024)  // the fuzz build makes it small, so that short inputs cross windows
#endif

class TLineWindows {
 public:
  static constexpr std::size_t kLineWindow = BRIVOLA_LINE_WINDOW;

  explicit TLineWindows(std::size_t overlap) : overlap_(overlap) {}

  // Appends bytes to the line. Each time a window is full and more bytes come, window(view, fresh, false)
  // sees it: `fresh` is where the bytes no window has shown yet begin.
  template <class F>
  void Append(std::string_view bytes, F&& window) {
    while (!bytes.empty()) {
      if (buffer_.size() >= overlap_ + kLineWindow) {
        window(std::string_view(buffer_), fresh_, false);
        KeepOverlap();
      }
      const std::size_t take = std::min(bytes.size(), overlap_ + kLineWindow - buffer_.size());
      buffer_.append(bytes.substr(0, take));
      bytes.remove_prefix(take);
    }
  }

  // The rest of the line as its last window, window(view, fresh, true); then an empty line begins.
  template <class F>
  void Finish(F&& window) {
    window(std::string_view(buffer_), fresh_, true);
    buffer_.clear();
    fresh_ = 0;
    windows_ = 0;
  }

  // Whether the line went past one window (a window was handed on before the last).
  bool Split() const { return windows_ > 0; }

 private:
  void KeepOverlap();

  std::size_t overlap_;
  std::string buffer_;
  std::size_t fresh_ = 0;
  std::size_t windows_ = 0;
};

// The first "http://" of a line seen window by window, and the URL that begins there (ExtractUrl of the
// rest of the line), which may run on into later windows.
class TUrlScan {
 public:
  void Window(std::string_view window, std::size_t fresh);
  bool Found() const { return found_; }
  const std::string& Url() const { return url_; }
  void Clear();  // for the next line

 private:
  bool found_ = false;
  bool running_ = false;  // the URL reached the end of the last window
  std::string url_;
};
