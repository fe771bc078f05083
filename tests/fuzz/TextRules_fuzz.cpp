// libFuzzer target: the text rules and the stock lookup against the slow models of RulesModel.h
// (character walks from the first byte, copies of the remaining text, digit counting instead of running
// limits).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Analysers.h"
#include "Dispatch.h"
#include "HalfWidth.h"
#include "StockChart.h"
#include "FuzzCheck.h"
#include "RulesModel.h"
#include "TextRules.h"

namespace {

// The stock lookup on the text as it is and padded with what trims away, long enough that the lookup
// decides without mapping the whole text.
std::vector<std::string> StockTexts(const std::string& text) {
  std::string blanks;
  for (int i = 0; i < 40; ++i) blanks += i % 3 ? " \t" : "\x81\x40";
  return {text, blanks + text, text + "\r\n" + blanks, blanks + text + blanks + "x",
          std::string(70, '7') + text};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // First byte: where the pattern ends, and which lead-byte set is in force.
  const size_t split = std::min<size_t>(data[0] & 0x0F, size - 1);
  SetLeadByteSet(data[0] & 0x80 ? TLeadByteSet::Empty() : TLeadByteSet::Cp932());
  std::string pattern(reinterpret_cast<const char*>(data) + 1, split);
  std::string text(reinterpret_cast<const char*>(data) + 1 + split, size - 1 - split);
  // The texts that reach the rules hold no NUL.
  pattern = pattern.substr(0, pattern.find('\0'));
  text = text.substr(0, text.find('\0'));

  CHECK(FindPos(pattern, text) == model::FindPos(pattern, text));
  CHECK(ReplaceAll(text, pattern, "<>") == model::ReplaceAll(text, pattern, "<>"));
  CHECK(LowerText(text) == model::LowerText(text));
  CHECK(TrimBlanks(text) == model::TrimBlanks(text));
  CHECK(ExtractUrl(text) == model::ExtractUrl(text));
  CHECK(SplitLines(text) == model::SplitLines(text));
  const TStringList lines = SplitLines(text);
  CHECK(SplitLines(JoinLines(lines)) == lines);
  const int index = static_cast<int>(static_cast<int8_t>(data[0])), count = static_cast<int>(split) - 3;
  CHECK(CopyRange(text, index, count) == model::CopyRange(text, index, count));

  std::optional<std::int32_t> parsed;
  try {
    parsed = ParseInteger(text);
  } catch (const EConvertError&) {
  }
  CHECK(parsed == model::ParseInteger(text));

  for (const std::string& t : StockTexts(text)) {
    model::LogHost mine, slow;
    mine.site = slow.site = static_cast<int>(split) - 2;
    mine.halfWidth = slow.halfWidth = HalfWidthPortable;
    ::BrowseStockChart(mine, t);
    model::BrowseStockChart(slow, t);
    CHECK(mine.log == slow.log);
  }
  SetLeadByteSet(TLeadByteSet::Cp932());
  return 0;
}
