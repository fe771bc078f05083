// The block searches against a byte-at-a-time search, included by one test file for each kind of block
// (BYTE_SEARCH_SUITE names the suite): every position of texts made of the bytes the analysers look for,
// at every length around the block and window sizes, from every start.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "ByteSearch.h"
#include "ByteSearchModel.h"

namespace {

// Bytes that the patterns test and bytes that differ from them in one bit (the fold, the top bit).
constexpr char kAlphabet[] = {'\0', '\r',   '\n',   ':',    '<',    '>',    'n', 'N', 'e', 'E',
                              'm',  '\x81', '\xA1', '\x01', '\x80', '\xC1', '@', '.', 'a', '\x20'};

std::string RandomText(std::mt19937& rng, std::size_t size) {
  std::string text(size, ' ');
  for (char& c : text) c = kAlphabet[rng() % sizeof kAlphabet];
  return text;
}

bool Is(std::string_view t, std::size_t i, char c) { return i < t.size() && t[i] == c; }
bool IsFolded(std::string_view t, std::size_t i, char c) {
  return i < t.size() && (static_cast<unsigned char>(t[i]) | 0x20) == static_cast<unsigned char>(c);
}

// Every position the scan of a pattern finds, From one after the other, against the model.
template <class P, class F>
void ExpectSameFinds(const P& pattern, std::string_view text, F&& holds) {
  for (std::size_t from = 0; from <= text.size() + 1; ++from) {
    ASSERT_EQ(pattern.Find(text, from), model::FindWhere(text, from, holds))
        << "from " << from << " of " << text.size();
    ASSERT_EQ(pattern.FindNear(text, from), model::FindWhere(text, from, holds))
        << "near, from " << from << " of " << text.size();
  }
  // Successive finds that read on from the window kept, as the analysers' scans do.
  std::size_t window = 0;
  std::uint64_t bits = 0;
  for (std::size_t at = pattern.Find(text, 0, window, bits), expected = model::FindWhere(text, 0, holds);;) {
    ASSERT_EQ(at, expected) << "size " << text.size();
    if (at >= text.size()) break;
    if (window < text.size() && at + 1 < window + bytesearch::kWindow) {
      const std::uint64_t rest = bits & (~std::uint64_t{0} << (at + 1 - window));
      at = rest ? window + static_cast<std::size_t>(std::countr_zero(rest))
                : pattern.Find(text, window + bytesearch::kWindow, window, bits);
    } else {
      at = pattern.Find(text, at + 1, window, bits);
    }
    expected = model::FindWhere(text, expected + 1, holds);
  }
}

}  // namespace

TEST(BYTE_SEARCH_SUITE, FindsWhatAByteAtATimeSearchFinds) {
  const TBytePattern<1> nul({TByteTest{0}});
  const TBytePattern<2> breaks({TByteTest{'\r'}, TByteTest{'\n'}});
  const TBytePattern<0, true> trigger({}, TByteTest{'n', 0x20}, TByteTest{'e', 0x20}, 6);
  const TBytePattern<1, true> events({TByteTest{':'}}, TByteTest{0x81}, TByteTest{0xA1}, 1);
  const TBytePattern<0, true> one({}, TByteTest{'<'}, TByteTest{'<'}, 0);
  std::mt19937 rng(36);
  for (std::size_t size = 0; size < 3 * bytesearch::kWindow + 20; ++size)
    for (int round = 0; round < 4; ++round) {
      const std::string text = RandomText(rng, size);
      ExpectSameFinds(nul, text, [](std::string_view t, std::size_t i) { return Is(t, i, '\0'); });
      ExpectSameFinds(breaks, text,
                      [](std::string_view t, std::size_t i) { return Is(t, i, '\r') || Is(t, i, '\n'); });
      ExpectSameFinds(trigger, text, [](std::string_view t, std::size_t i) {
        return IsFolded(t, i, 'n') && IsFolded(t, i + 6, 'e');
      });
      ExpectSameFinds(events, text, [](std::string_view t, std::size_t i) {
        return Is(t, i, ':') || (Is(t, i, '\x81') && Is(t, i + 1, '\xA1'));
      });
      ExpectSameFinds(one, text, [](std::string_view t, std::size_t i) { return Is(t, i, '<'); });
    }
}

TEST(BYTE_SEARCH_SUITE, WindowBitsMarkEveryByteOfAWindow) {
  std::mt19937 rng(932);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = RandomText(rng, bytesearch::kWindow);
    std::array<std::uint64_t, 3> bits;
    std::uint64_t high;
    bytesearch::WindowBits<3>(text.data(), {'<', 0x81, 0}, bits, high);
    for (std::size_t i = 0; i < text.size(); ++i) {
      ASSERT_EQ(bits[0] >> i & 1, Is(text, i, '<') ? 1u : 0u) << i;
      ASSERT_EQ(bits[1] >> i & 1, Is(text, i, '\x81') ? 1u : 0u) << i;
      ASSERT_EQ(bits[2] >> i & 1, Is(text, i, '\0') ? 1u : 0u) << i;
      ASSERT_EQ(high >> i & 1, static_cast<unsigned char>(text[i]) >= 0x80 ? 1u : 0u) << i;
    }
    if (text.size() < 64) {  // nothing beyond a smaller window
      ASSERT_EQ(bits[0] >> text.size(), 0u);
    }
  }
}
