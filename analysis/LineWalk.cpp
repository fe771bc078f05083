#include "LineWalk.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "Dispatch.h"

namespace {
constexpr std::array<unsigned char, 256> kUrlBytes = [] {
  std::array<unsigned char, 256> bytes{};
  for (const char c : URL_CHARS) bytes[static_cast<unsigned char>(c)] = 1;
  return bytes;
}();

#if defined(BRIVOLA_SSE2_BLOCKS)
// The bytes of a block that are no URL byte: below '!' or above '~' (as signed bytes, 0x80 and up are below
// zero), or one of the eleven printable bytes that URL_CHARS leaves out.
bytesearch::TMask NonUrlBytes(const char* at) {
  const __m128i v = bytesearch::Load(at);
  const auto eq = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  const auto within = [&](char low, char high) {  // low <= v <= high, both in 0x00-0x7F
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(high + 1))));
  };
  __m128i bad = _mm_andnot_si128(within('!', '~'), _mm_set1_epi8(-1));
  bad = _mm_or_si128(bad, _mm_or_si128(_mm_or_si128(eq('"'), eq('<')), _mm_or_si128(eq('>'), eq('`'))));
  bad = _mm_or_si128(bad, _mm_or_si128(within('[', '^'), within('{', '}')));
  return static_cast<bytesearch::TMask>(_mm_movemask_epi8(bad));
}
#endif
}  // namespace

std::size_t UrlLength(std::string_view text) {
  const auto url = [&](std::size_t i) -> unsigned { return kUrlBytes[static_cast<unsigned char>(text[i])]; };
  std::size_t n = 0;
#if defined(BRIVOLA_SSE2_BLOCKS)
  for (; n + bytesearch::kBlock <= text.size(); n += bytesearch::kBlock)
    if (const bytesearch::TMask bad = NonUrlBytes(text.data() + n))
      return n + static_cast<std::size_t>(std::countr_zero(bad));
#endif
  while (n + 4 <= text.size() && url(n) & url(n + 1) & url(n + 2) & url(n + 3)) n += 4;
  while (n < text.size() && url(n)) ++n;
  return n;
}

std::size_t LineStart(std::string_view text, std::size_t floor, std::size_t pos) {
  using namespace bytesearch;
  if constexpr (kBlocks) {
    const TBlock cr = Splat('\r'), lf = Splat('\n');
    for (; pos >= floor + kBlock; pos -= kBlock) {
      const TBlock v = Load(text.data() + pos - kBlock);
      if (const std::uint64_t breaks = Bits(Or(Equal(v, cr), Equal(v, lf))))
        return pos - kBlock + static_cast<std::size_t>(63 - std::countl_zero(breaks)) + 1;
    }
  }
  while (pos > floor && !IsLineBreak(text[pos - 1])) --pos;
  return pos;
}

std::size_t TFixedSearch::Next() {
  const std::size_t n = text_.size(), m = pattern_.size();
  while (from_ + m <= n) {
    const std::size_t start = ends_.FindNear(text_, from_);
    if (start >= n) break;
    from_ = start + 1;
    // The first and last bytes are known to match.
    if ((m <= 2 || bytesearch::SameBytes(text_.data() + start + 1, pattern_.data() + 1, m - 2)) &&
        cursor_.At(start))
      return start;
  }
  from_ = n;
  return std::string_view::npos;
}

std::size_t FindFixed(std::string_view text, std::string_view pattern) {
  return TFixedSearch(text, pattern).Next();
}

void TLineWindows::KeepOverlap() {
  // The overlap begins at a character boundary: one byte earlier when the cut would fall inside a character.
  const std::size_t cut = buffer_.size() - overlap_;
  TBoundaryCursor cursor(buffer_);
  const std::size_t start = cursor.At(cut) ? cut : cut - 1;
  buffer_.erase(0, start);
  fresh_ = buffer_.size();
  ++windows_;
}

void TUrlScan::Window(std::string_view window, std::size_t fresh) {
  std::string_view rest;
  if (!found_) {
    const std::size_t at = FindFixed(window, kUrlStart);
    if (at == std::string_view::npos) return;
    found_ = true;
    rest = window.substr(at);
  } else if (running_) {
    rest = window.substr(fresh);
  } else {
    return;
  }
  const std::size_t n = UrlLength(rest);
  url_.append(rest.substr(0, n));
  running_ = n == rest.size();
}

void TUrlScan::Clear() {
  found_ = running_ = false;
  url_.clear();  // the buffer stays for the next line
}
