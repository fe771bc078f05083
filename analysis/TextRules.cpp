#include "TextRules.h"

#include <cstddef>

#include "ByteSearch.h"

namespace {

[[noreturn]] void FailConversion(std::string_view text) {
  // "'%s' は整数ではありません" in code page 932.
  throw EConvertError("'" + std::string(text) +
                      "' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

// Constant-initialised, so that it holds code page 932's set before any static constructor runs.
constinit TLeadByteSet textrules::currentLeadBytes = TLeadByteSet::Cp932();

void SetLeadByteSet(const TLeadByteSet& set) { textrules::currentLeadBytes = set; }

std::string_view UpToNul(std::string_view text) { return text.substr(0, FindByte(text, 0, '\0')); }

std::string_view TrimBlanksView(std::string_view text) {
  text = UpToNul(text);
  size_t first = 0, last = text.size();
  while (first < last && IsBlankOrControl(text[first])) ++first;
  while (last > first && IsBlankOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool TBoundaryCursor::AtRun(size_t pos) {
  if (pos <= boundary_) return pos == boundary_;  // below it only the trail byte judged last is asked again
  // Just after a byte that begins no double-byte character a character begins: count the run of lead
  // bytes back to such a byte or to the known boundary; an odd run leaves pos inside a character.
  size_t run = pos;
  while (run > boundary_ && lead_->Contains(static_cast<unsigned char>(text_[run - 1]))) --run;
  const bool begins = (pos - run) % 2 == 0;
  boundary_ = begins ? pos : pos + 1;
  return begins;
}

TPatternFinder::TPatternFinder(std::string_view pattern)
    : pattern_(UpToNul(pattern)), next_(pattern_.size(), 0) {
  for (size_t i = 1, k = 0; i < pattern_.size(); ++i) {
    while (k > 0 && pattern_[i] != pattern_[k]) k = next_[k - 1];
    if (pattern_[i] == pattern_[k]) ++k;
    next_[i] = k;
  }
}

size_t TPatternFinder::Find(std::string_view text, size_t from) const {
  // Prefix-function matching; a match that begins inside a character is passed over.
  const size_t m = pattern_.size(), n = text.size();
  if (m == 0) return std::string_view::npos;
  TBoundaryCursor cursor(text, from);
  const char* const bytes = text.data();
  // With no partial match open, a match can begin only where the pattern's first and last bytes stand.
  const TBytePattern<0, true> ends({}, TByteTest{static_cast<unsigned char>(pattern_[0])},
                                   TByteTest{static_cast<unsigned char>(pattern_[m - 1])}, m - 1);
  for (size_t i = from, k = 0; i < n; ++i) {
    if (k == 0) {
      i = ends.FindNear(text, i);
      if (i == n) break;
      // Where the whole pattern stands, its bytes are taken at once, as the matching would take them.
      if (bytesearch::SameBytes(bytes + i, pattern_.data(), m)) {
        i += m - 1;
        k = m - 1;
      }
    } else {
      while (k > 0 && bytes[i] != pattern_[k]) k = next_[k - 1];
    }
    if (bytes[i] == pattern_[k]) ++k;
    if (k < m) continue;
    const size_t start = i + 1 - m;
    if (cursor.At(start)) return start;
    k = next_[k - 1];
  }
  return std::string_view::npos;
}

std::string TrimBlanks(std::string_view text) { return std::string(TrimBlanksView(text)); }

int FindPos(std::string_view pattern, std::string_view text) {
  const size_t at = TPatternFinder(pattern).Find(UpToNul(text));
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

std::string LowerText(std::string_view text) {
  text = UpToNul(text);
  std::string out(text);
  const TLeadByteSet& lead = LeadByteSet();
  for (size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (lead.Contains(b))
      ++i;  // the trail byte belongs to the character, never lowered alone
    else if (b >= 'A' && b <= 'Z')
      out[i] = static_cast<char>(b + ('a' - 'A'));
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view oldPattern, std::string_view newPattern) {
  text = UpToNul(text);
  oldPattern = UpToNul(oldPattern);
  if (text.empty()) return {};
  if (oldPattern.empty()) return std::string(text);
  const TPatternFinder finder(oldPattern);
  std::string out;
  out.reserve(text.size());
  size_t rest = 0;
  for (;;) {
    const size_t at = finder.Find(text, rest);
    if (at == std::string_view::npos) break;
    out.append(text.substr(rest, at - rest));
    out.append(newPattern);
    rest = at + oldPattern.size();
  }
  out.append(text.substr(rest));
  return out;
}

std::int32_t ParseInteger(std::string_view original) {
  const std::string_view text = UpToNul(original);
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';

  const auto at = [&](size_t j) { return j < text.size() ? text[j] : '\0'; };
  bool hex = false;
  if (at(i) == '$' || at(i) == 'x' || at(i) == 'X') {
    hex = true;
    i += 1;
  } else if (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) FailConversion(text);

  if (hex) {
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0 || value > 0x0FFFFFFFu) FailConversion(text);
      value = value * 16 + static_cast<std::uint32_t>(d);
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }

  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9' || value > 214748364) FailConversion(text);
    value = value * 10 + (c - '0');
  }
  if (value > (negative ? 2147483648LL : 2147483647LL)) FailConversion(text);
  return static_cast<std::int32_t>(negative ? -value : value);
}

TStringList SplitLines(std::string_view text) {
  text = UpToNul(text);
  TStringList lines;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = text.find_first_of("\r\n", i);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    lines.emplace_back(text.substr(i, stop - i));
    i = stop;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

std::string JoinLines(const TStringList& lines) {
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::string CopyRange(std::string_view text, int index, int count) {
  text = UpToNul(text);
  if (text.empty() || count < 0) return {};
  const size_t start = index <= 1 ? 0 : static_cast<size_t>(index) - 1;
  if (start >= text.size()) return {};
  return std::string(text.substr(start, static_cast<size_t>(count)));
}
