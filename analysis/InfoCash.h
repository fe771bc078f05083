// Info-Cash cashback opener: the fixed texts it looks for and its markup removal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "LineWalk.h"
#include "TextRules.h"

// The service's domain name, searched case-sensitively in the copied text.
inline constexpr std::string_view kInfoCashDomain = "info-cash.jp";

// The click-through script every personal campaign link goes through.
inline constexpr std::string_view kInfoCashScript = "clickweb/icjmp.asp?";

// Removes every "<...>" stretch, scanning from the front; a ">" before the next "<" ends the removal and
// everything from there on is kept as it stands, as is a "<" with no ">" after it.
std::string StripTags(std::string_view text);

// StripTags as a walk over a text without NUL bytes: the stretches it keeps, in order, as views; the result
// is never built. Each search for a "<" or a ">" goes on from where the last one stopped, so the walk reads
// every byte about once, however the tags lie.
class TTagStripper {
 public:
  // Starts at `from`, a character boundary outside any tag; `stopped` when the removal has stopped there.
  explicit TTagStripper(std::string_view text, std::size_t from = 0, bool stopped = false);
  // The next kept stretch, possibly empty; false when the text is used up.
  bool Next(std::string_view& stretch);
  // Whether the removal has stopped: the last stretch handed out runs to the end of the text.
  bool Stopped() const { return stopped_; }
  // Where the next stretch begins.
  std::size_t Position() const { return pos_; }

 private:
  // The next "<" or ">" at a character boundary at or after `pos`, or the text's size.
  std::size_t Delimiter(std::size_t pos);

  std::string_view text_;
  std::size_t pos_;
  bool stopped_;
  TPatternScan<2> delimiters_;
  TBoundaryCursor cursor_;
};
