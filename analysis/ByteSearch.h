// Searching a text for bytes a block at a time, without the platform's memchr (the C library under Wine
// is not Windows' and may be slow). A block is 16 bytes with SSE2, which every x86-64 processor has, and
// otherwise a machine word of plain integer arithmetic (SWAR), as on the 32-bit build's processors
// without SSE2: no run-time check either way. Every block test is exact, so a search finds what a byte
// loop would, in the same order. BRIVOLA_WORD_BLOCKS takes machine words on x86-64 too (scripts/fuzz
// --words), so that their code is tried where the tools run.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) && !defined(BRIVOLA_WORD_BLOCKS)
#define BRIVOLA_SSE2_BLOCKS 1
#include <emmintrin.h>
#endif

// The names differ with the kind of block, so that a test can build both kinds side by side.
#if defined(BRIVOLA_SSE2_BLOCKS)
#define BRIVOLA_BLOCKS sse2_blocks
#else
#define BRIVOLA_BLOCKS word_blocks
#endif
inline namespace BRIVOLA_BLOCKS {

// A byte that, ORed with `fold`, equals `value`: fold 0x20 makes the test of an ASCII letter case-blind.
struct TByteTest {
  unsigned char value = 0;
  unsigned char fold = 0;
  constexpr bool Holds(unsigned char b) const { return (b | fold) == value; }
};

namespace bytesearch {

#if defined(BRIVOLA_SSE2_BLOCKS)
using TBlock = __m128i;
using TMask = std::uint32_t;  // one bit for each byte
inline constexpr std::size_t kBlock = 16;
inline TBlock Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline TBlock Splat(unsigned char b) { return _mm_set1_epi8(static_cast<char>(b)); }
inline TBlock Or(TBlock a, TBlock b) { return _mm_or_si128(a, b); }
inline TBlock And(TBlock a, TBlock b) { return _mm_and_si128(a, b); }
// 0xFF in every byte of v that equals the byte of `value`, 0 elsewhere.
inline TBlock Equal(TBlock v, TBlock value) { return _mm_cmpeq_epi8(v, value); }
inline TMask ToMask(TBlock flags) { return static_cast<TMask>(_mm_movemask_epi8(flags)); }
inline std::uint64_t Bits(TBlock flags) { return ToMask(flags); }
#else
using TBlock = std::uintptr_t;
using TMask = std::uintptr_t;  // the top bit of each byte
inline constexpr std::size_t kBlock = sizeof(TBlock);
inline constexpr TBlock kOnes = ~TBlock{0} / 0xFF;  // 0x01 in every byte
inline TBlock Load(const char* p) {
  TBlock v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline TBlock Splat(unsigned char b) { return kOnes * b; }
inline TBlock Or(TBlock a, TBlock b) { return a | b; }
inline TBlock And(TBlock a, TBlock b) { return a & b; }
// The top bit of every byte of v that equals the byte of `value`, and no other bit: no carry crosses from
// one byte to the next.
inline TBlock Equal(TBlock v, TBlock value) {
  v ^= value;
  const TBlock low7 = kOnes * 0x7F;
  return ~(((v & low7) + low7) | v | low7);
}
inline TMask ToMask(TBlock flags) { return flags; }
// One bit for each byte, the first byte's lowest: the top bits gathered by a multiplication whose partial
// products never meet.
inline std::uint64_t Bits(TBlock flags) {
  const std::uint64_t top = flags >> 7;
  if constexpr (sizeof(TBlock) == 8)
    return (top * 0x0102040810204080ULL) >> 56;
  else
    return static_cast<std::uint32_t>(static_cast<std::uint32_t>(top) * 0x10204080U) >> 28;
}
#endif

// The flags work in the byte order of the block only on a little-endian machine; elsewhere bytes are tested
// one by one.
inline constexpr bool kBlocks = std::endian::native == std::endian::little;

// A window is the four blocks a search reads at a time; its bits, one for each byte, fit 64 bits.
inline constexpr std::size_t kWindow = 4 * kBlock;
static_assert(kWindow <= 64);

// The window at p (kWindow bytes) read once: for each of `bytes` the bits of the bytes equal to it, and the
// bits of the bytes from 0x80 up.
template <std::size_t N>
inline void WindowBits(const char* p, const std::array<unsigned char, N>& bytes,
                       std::array<std::uint64_t, N>& bits, std::uint64_t& high) {
  const TBlock v[4] = {Load(p), Load(p + kBlock), Load(p + 2 * kBlock), Load(p + 3 * kBlock)};
  const TBlock top = Splat(0x80);
  high = Bits(And(v[0], top)) | Bits(And(v[1], top)) << kBlock | Bits(And(v[2], top)) << 2 * kBlock |
         Bits(And(v[3], top)) << 3 * kBlock;
  for (std::size_t k = 0; k < N; ++k) {
    const TBlock b = Splat(bytes[k]);
    bits[k] = Bits(Equal(v[0], b)) | Bits(Equal(v[1], b)) << kBlock | Bits(Equal(v[2], b)) << 2 * kBlock |
              Bits(Equal(v[3], b)) << 3 * kBlock;
  }
}

// Whether n bytes at a and b are the same, compared a machine word at a time.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
  for (; n >= sizeof(std::uintptr_t); n -= sizeof(std::uintptr_t)) {
    std::uintptr_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    if (x != y) return false;
    a += sizeof x;
    b += sizeof y;
  }
  for (; n > 0; --n)
    if (*a++ != *b++) return false;
  return true;
}

}  // namespace bytesearch

// Positions where the byte meets one of the tests of `single`, or, when the pattern has a pair, where the
// byte meets `pairFirst` and the byte `distance` further on meets `pairSecond`: a byte, one of a few bytes,
// or a pair that together are rare (a pattern's first and last byte).
template <std::size_t A, bool Pair = false>
class TBytePattern {
 public:
  explicit TBytePattern(std::array<TByteTest, A> single, TByteTest pairFirst = {}, TByteTest pairSecond = {},
                        std::size_t distance = 0)
      : single_(single), pairFirst_(pairFirst), pairSecond_(pairSecond), distance_(Pair ? distance : 0) {
    for (std::size_t k = 0; k < A; ++k) singleSplat_[k] = Splat(single[k]);
    firstSplat_ = Splat(pairFirst);
    secondSplat_ = Splat(pairSecond);
  }

  // The first such position at or after `from`, or the text's size when there is none.
  std::size_t Find(std::string_view text, std::size_t from) const {
    std::size_t window;
    std::uint64_t bits;
    return Find(text, from, window, bits);
  }

  // The same for a search that most often ends within a window of `from`: the blocks of that window are
  // read one at a time, so that the first one that holds ends the search.
  std::size_t FindNear(std::string_view text, std::size_t from) const {
    using namespace bytesearch;
    std::size_t i = from;
    if constexpr (kBlocks)
      for (const std::size_t end = from + kWindow; i < end && i + kBlock + distance_ <= text.size();
           i += kBlock)
        if (const TBlock f = Flags(text.data() + i); ToMask(f))
          return i + static_cast<std::size_t>(std::countr_zero(Bits(f)));
    return Find(text, i);
  }

  // The same, and when a whole window was read to find it, where that window begins and its bits (otherwise
  // the text's size as the window): the next positions in it are read from there.
  std::size_t Find(std::string_view text, std::size_t from, std::size_t& window, std::uint64_t& bits) const {
    using namespace bytesearch;
    const std::size_t n = text.size();
    const char* const p = text.data();
    window = n;
    std::size_t i = from;
    if constexpr (kBlocks)
      for (; i + kWindow + distance_ <= n; i += kWindow) {
        const TBlock f0 = Flags(p + i), f1 = Flags(p + i + kBlock), f2 = Flags(p + i + 2 * kBlock),
                     f3 = Flags(p + i + 3 * kBlock);
        if (!ToMask(Or(Or(f0, f1), Or(f2, f3)))) continue;  // most of a text
        window = i;
        bits = Bits(f0) | Bits(f1) << kBlock | Bits(f2) << 2 * kBlock | Bits(f3) << 3 * kBlock;
        return i + static_cast<std::size_t>(std::countr_zero(bits));
      }
    // A short text, or the end of one: a block at a time (the window stays unread), the last block read
    // back from where the blocks must end, so that it overlaps the one before, its bytes before `i` left
    // out. Only single bytes can be met after it, in the last `distance` bytes.
    if constexpr (kBlocks) {
      for (; i + kBlock + distance_ <= n; i += kBlock)
        if (const TBlock f = Flags(p + i); ToMask(f))
          return i + static_cast<std::size_t>(std::countr_zero(Bits(f)));
      if (n >= kBlock + distance_ && i < n - distance_) {
        const std::size_t last = n - kBlock - distance_;  // below i, by less than a block
        if (const std::uint64_t bits = Bits(Flags(p + last)) >> (i - last))
          return i + static_cast<std::size_t>(std::countr_zero(bits));
        i = n - distance_;
        if (A == 0) return n;
      }
    }
    for (; i < n; ++i)
      if (Holds(p, i, n)) return i;
    return n;
  }

 private:
  struct TSplat {  // a test's value and fold in every byte of a block
    bytesearch::TBlock value, fold;
  };
  static TSplat Splat(TByteTest t) { return {bytesearch::Splat(t.value), bytesearch::Splat(t.fold)}; }
  static bytesearch::TBlock Meets(bytesearch::TBlock v, const TSplat& t) {
    return bytesearch::Equal(bytesearch::Or(v, t.fold), t.value);
  }

  // The flags of the block at `at`, which has kBlock bytes and `distance` more after them.
  bytesearch::TBlock Flags(const char* at) const {
    using namespace bytesearch;
    const TBlock v = Load(at);
    TBlock f = bytesearch::Splat(0);
    for (std::size_t k = 0; k < A; ++k) f = Or(f, Meets(v, singleSplat_[k]));
    if constexpr (Pair) f = Or(f, And(Meets(v, firstSplat_), Meets(Load(at + distance_), secondSplat_)));
    return f;
  }

  bool Holds(const char* p, std::size_t i, std::size_t n) const {
    const auto b = static_cast<unsigned char>(p[i]);
    for (const TByteTest& t : single_)
      if (t.Holds(b)) return true;
    return Pair && i + distance_ < n && pairFirst_.Holds(b) &&
           pairSecond_.Holds(static_cast<unsigned char>(p[i + distance_]));
  }

  std::array<TByteTest, A> single_;
  TByteTest pairFirst_, pairSecond_;
  std::size_t distance_;
  std::array<TSplat, A> singleSplat_;
  TSplat firstSplat_, secondSplat_;
};

// The first occurrence of one byte at or after `from`, or the text's size.
inline std::size_t FindByte(std::string_view text, std::size_t from, char byte) {
  return TBytePattern<1>({TByteTest{static_cast<unsigned char>(byte)}}).Find(text, from);
}

}  // namespace BRIVOLA_BLOCKS
