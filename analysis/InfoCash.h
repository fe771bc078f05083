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

 private:
  // The next occurrence of a delimiter at a character boundary.
  class TDelimiter {
   public:
    TDelimiter(std::string_view text, char byte, std::size_t from)
        : size_(text.size()), scan_(text, byte), cursor_(text, from) {}
    std::size_t From(std::size_t pos);  // the text's size when there is none

   private:
    std::size_t size_;
    TByteScan scan_;
    TBoundaryCursor cursor_;
  };

  std::string_view text_;
  std::size_t pos_;
  bool stopped_;
  TDelimiter open_, close_;
};
