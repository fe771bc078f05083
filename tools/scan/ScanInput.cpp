#include "ScanInput.h"

#include <algorithm>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

#ifdef _WIN32

// Converted a piece at a time, so that neither the UTF-16 form nor the
// conversions' int lengths grow with the file.
constexpr size_t kPiece = size_t{1} << 24;

// The end of a piece that takes at most kPiece bytes and doesn't cut a UTF-8 sequence.
size_t PieceEnd(std::string_view utf8, size_t from) {
  if (utf8.size() - from <= kPiece) return utf8.size();
  size_t end = from + kPiece;
  for (int back = 0; back < 3 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80; ++back) --end;
  return end;
}

void AppendCp932(std::string& out, std::string_view utf8) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
  const int n = WideCharToMultiByte(932, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(n));
  WideCharToMultiByte(932, 0, wide.data(), units, out.data() + at, n, nullptr, nullptr);
}

#else

// How many bytes from the start of s fit a well-formed UTF-8 sequence, and
// whether they make a whole one (the ranges of the Unicode standard: no
// overlong forms, no surrogates, nothing above U+10FFFF).
size_t FittingBytes(std::string_view s, bool& whole) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead < 0x80) {
    length = 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    whole = false;
    return 1;
  }
  size_t fit = 1;
  for (; fit < length && fit < s.size(); ++fit) {
    const unsigned char c = b(fit);
    if (fit == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) break;
  }
  whole = fit == length;
  return fit;
}

class TIconv {
 public:
  TIconv() : cd_(iconv_open("CP932", "UTF-8")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("no UTF-8 to CP932 conversion (iconv)");
  }
  ~TIconv() { iconv_close(cd_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
};

#endif

}  // namespace

bool HasUtf8Bom(std::string_view bytes) { return bytes.starts_with(kUtf8Bom); }

#ifdef _WIN32

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t from = 0; from < utf8.size();) {
    const size_t end = PieceEnd(utf8, from);
    AppendCp932(out, utf8.substr(from, end - from));
    from = end;
  }
  return out;
}

#else

std::string Utf8ToCp932(std::string_view utf8) {
  // glibc's iconv decodes far ahead of a character it then can't convert:
  // short pieces keep a text with many such characters linear.
  constexpr size_t kPiece = 1024;
  TIconv converter;
  std::string out;
  out.reserve(utf8.size());
  char buffer[4 * kPiece];
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t pieceEnd = pos + std::min(kPiece, utf8.size() - pos);
    char* in = const_cast<char*>(utf8.data() + pos);
    size_t inLeft = pieceEnd - pos;
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    const size_t result = iconv(converter.Get(), &in, &inLeft, &o, &oLeft);
    const int error = errno;
    out.append(buffer, static_cast<size_t>(o - buffer));
    pos = static_cast<size_t>(in - utf8.data());
    if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
    if (error == EINVAL && pieceEnd < utf8.size())
      continue;  // the piece cut a sequence: the next one holds it
    // Stopped before a character 932 lacks, a broken sequence, or one cut off at the end.
    bool whole = false;
    const size_t fit = FittingBytes(utf8.substr(pos), whole);
    out += whole && fit == 4 ? "??" : "?";  // a character beyond U+FFFF takes two UTF-16 units
    pos += fit;
    iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

#endif

std::string ScanText(std::string bytes, bool utf8) {
  if (HasUtf8Bom(bytes)) {
    bytes.erase(0, kUtf8Bom.size());
    utf8 = true;
  }
  if (utf8) bytes = Utf8ToCp932(bytes);
  bytes.resize(std::min(bytes.size(), bytes.find('\0')));  // a clipboard text ends at its first NUL
  return bytes;
}
