// Text rules over byte strings in code page 932. Lengths and positions count
// bytes; positions start at 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A failed integer conversion; the message is "'<text>' は整数ではありません" in code page 932.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bytes that begin a double-byte character.
class TLeadByteSet {
 public:
  static constexpr TLeadByteSet Cp932() {  // 0x81-0x9F, 0xE0-0xFC
    TLeadByteSet set;
    set.Add(0x81, 0x9F);
    set.Add(0xE0, 0xFC);
    return set;
  }
  static constexpr TLeadByteSet Empty() { return {}; }  // a single-byte code page
  constexpr void Add(unsigned char first, unsigned char last) {
    for (unsigned b = first; b <= last; ++b) bits_[b] = true;
    if (first <= last && first < 0x80) high_ = false;
  }
  bool Contains(unsigned char b) const { return bits_[b]; }
  // Whether every byte of the set is 0x80 or above, as in every double-byte code page of Windows.
  bool High() const { return high_; }

 private:
  std::array<bool, 256> bits_{};
  bool high_ = true;
};

// The set in force: code page 932's, which the program also takes from the platform at start-up.
namespace textrules {
extern TLeadByteSet currentLeadBytes;
}
inline const TLeadByteSet& LeadByteSet() { return textrules::currentLeadBytes; }
void SetLeadByteSet(const TLeadByteSet& set);

using TStringList = std::vector<std::string>;

// The bytes TrimBlanks takes off: blanks and control bytes.
inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The text up to its first NUL byte: where every rule sees the text end.
std::string_view UpToNul(std::string_view text);

// A text that ends before its first NUL byte, where every rule sees it end: a caller that runs several
// analysers on one text looks for its end once.
class TTextToNul {
 public:
  explicit TTextToNul(std::string_view text) : text_(UpToNul(text)) {}
  std::string_view View() const { return text_; }

 private:
  std::string_view text_;
};

// TrimBlanks as a view into the text instead of a copy.
std::string_view TrimBlanksView(std::string_view text);

// Judges character boundaries of one text at positions that never go down, each judgement costing no
// more than the bytes since the last one: a walk that moves forward only. A boundary is where a character
// begins, reading the text from `start` (itself a boundary, the text's first byte by default).
class TBoundaryCursor {
 public:
  explicit TBoundaryCursor(std::string_view text, std::size_t start = 0)
      : text_(text), lead_(&LeadByteSet()), boundary_(start) {}
  // `pos` is at least every position asked before.
  bool At(std::size_t pos) {
    // Most often the byte before begins no double-byte character, so a character begins at pos.
    if (pos > boundary_ && !lead_->Contains(static_cast<unsigned char>(text_[pos - 1]))) {
      boundary_ = pos;
      return true;
    }
    return AtRun(pos);
  }

 private:
  bool AtRun(std::size_t pos);

  std::string_view text_;
  const TLeadByteSet* lead_;
  std::size_t boundary_;  // the last boundary known; nothing before it is asked again
};

// FindPos for callers that hold views and search on after a match: the first occurrence of the pattern that
// begins at a character boundary of the text (judged from the text's first byte) at or after `from` (a
// boundary), as an offset, or npos. Linear in the text for any pattern. The text must hold no NUL byte
// (cut it with UpToNul first); the pattern is taken up to its first NUL, and an empty one is found nowhere.
class TPatternFinder {
 public:
  explicit TPatternFinder(std::string_view pattern);
  std::size_t Find(std::string_view text, std::size_t from = 0) const;

 private:
  std::string_view pattern_;
  std::vector<std::size_t> next_;  // prefix function of the pattern
};

std::string TrimBlanks(std::string_view text);
int FindPos(std::string_view pattern, std::string_view text);
std::string LowerText(std::string_view text);
std::string ReplaceAll(std::string_view text, std::string_view oldPattern, std::string_view newPattern);
std::int32_t ParseInteger(std::string_view text);
TStringList SplitLines(std::string_view text);
std::string JoinLines(const TStringList& lines);
std::string CopyRange(std::string_view text, int index, int count);
