// Text rules over byte strings in code page 932. Lengths and positions count
// bytes; positions start at 1.
#pragma once

#include <array>
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
  static TLeadByteSet Cp932();  // 0x81-0x9F, 0xE0-0xFC
  static TLeadByteSet Empty();  // a single-byte code page
  void Add(unsigned char first, unsigned char last);
  bool Contains(unsigned char b) const { return bits_[b]; }

 private:
  std::array<bool, 256> bits_{};
};

// The set in force: code page 932's, which the program also takes from the platform at start-up.
const TLeadByteSet& LeadByteSet();
void SetLeadByteSet(const TLeadByteSet& set);

using TStringList = std::vector<std::string>;

std::string TrimBlanks(std::string_view text);
int FindPos(std::string_view pattern, std::string_view text);
std::string LowerText(std::string_view text);
std::string ReplaceAll(std::string_view text, std::string_view oldPattern, std::string_view newPattern);
std::int32_t ParseInteger(std::string_view text);
TStringList SplitLines(std::string_view text);
std::string JoinLines(const TStringList& lines);
std::string CopyRange(std::string_view text, int index, int count);
