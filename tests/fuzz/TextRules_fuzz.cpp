// libFuzzer target: the text rules and the stock lookup against slow models
// written straight from the rules (character walks from the first byte,
// copies of the remaining text, digit counting instead of running limits).
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
#include "TextRules.h"

namespace {

bool Lead(char c) { return LeadByteSet().Contains(static_cast<unsigned char>(c)); }

int ModelFindPos(const std::string& pattern, const std::string& text) {
  if (pattern.empty() || text.empty()) return 0;
  for (size_t i = 0; i < text.size(); i += Lead(text[i]) ? 2 : 1)
    if (text.compare(i, pattern.size(), pattern) == 0 && i + pattern.size() <= text.size())
      return static_cast<int>(i + 1);
  return 0;
}

std::string ModelReplaceAll(std::string text, const std::string& oldPattern, const std::string& newPattern) {
  if (text.empty() || oldPattern.empty()) return text;
  std::string out;
  for (;;) {
    const int at = ModelFindPos(oldPattern, text);
    if (at == 0) return out + text;
    out += text.substr(0, static_cast<size_t>(at - 1)) + newPattern;
    text = text.substr(static_cast<size_t>(at - 1) + oldPattern.size());
  }
}

std::string ModelLower(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Lead(text[i])) {
      out += text.substr(i, 2);
      ++i;
    } else {
      out += text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    }
  }
  return out;
}

std::string ModelTrim(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.pop_back();
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.erase(0, 1);
  return text;
}

std::optional<std::int32_t> ModelParse(const std::string& text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  bool minus = false;
  if (text[i] == '-' || text[i] == '+') minus = text[i++] == '-';
  bool hex = false;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0)
    hex = true, i += 2;
  else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))
    hex = true, ++i;
  std::string digits = text.substr(std::min(i, text.size()));
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos) return std::nullopt;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > (hex ? 8u : 10u)) return std::nullopt;
  const unsigned long long v = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
  if (hex)
    return static_cast<std::int32_t>(minus ? 0u - static_cast<std::uint32_t>(v)
                                           : static_cast<std::uint32_t>(v));
  if (v > (minus ? 2147483648ULL : 2147483647ULL)) return std::nullopt;
  return static_cast<std::int32_t>(minus ? -static_cast<long long>(v) : static_cast<long long>(v));
}

TStringList ModelSplit(const std::string& text) {
  TStringList lines;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

// Printable ASCII but the blank and the bytes that can't stand unquoted in a link.
std::string ModelExtractUrl(const std::string& text) {
  constexpr std::string_view excluded = "\"<>[\\]^`{|}";
  size_t n = 0;
  while (n < text.size() && text[n] > 0x20 && text[n] < 0x7F && excluded.find(text[n]) == std::string_view::npos) ++n;
  return text.substr(0, n);
}

struct RecordingHost : IAnalysisHost {
  int site = 0;
  std::vector<std::string> opened;
  bool BrowseStockCode() override { return true; }
  int StockSiteSelect() override { return site; }
  bool AutoBrowseNetMileAD() override { return false; }
  bool AutoBrowseInfoCash() override { return false; }
  int SleepTime() override { return 0; }
  std::string InfoCashID() override { return {}; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return {}; }
  void OpenUrl(const std::string& t) override { opened.push_back(t); }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& t) override { return HalfWidthPortable(t); }
};

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

  CHECK(FindPos(pattern, text) == ModelFindPos(pattern, text));
  CHECK(ReplaceAll(text, pattern, "<>") == ModelReplaceAll(text, pattern, "<>"));
  CHECK(LowerText(text) == ModelLower(text));
  CHECK(TrimBlanks(text) == ModelTrim(text));
  CHECK(ExtractUrl(text) == ModelExtractUrl(text));
  CHECK(SplitLines(text) == ModelSplit(text));
  const TStringList lines = SplitLines(text);
  CHECK(SplitLines(JoinLines(lines)) == lines);
  const int index = static_cast<int>(static_cast<int8_t>(data[0])), count = static_cast<int>(split) - 3;
  std::string range;
  for (long long i = std::max(index, 1) - 1, n = 0;
       count >= 0 && n < count && i < static_cast<long long>(text.size()); ++i, ++n)
    range += text[static_cast<size_t>(i)];
  CHECK(CopyRange(text, index, count) == range);

  std::optional<std::int32_t> parsed;
  try {
    parsed = ParseInteger(text);
  } catch (const EConvertError&) {
  }
  CHECK(parsed == ModelParse(text));

  SetLeadByteSet(TLeadByteSet::Cp932());
  RecordingHost host;
  host.site = static_cast<int>(split) - 2;
  BrowseStockChart(host, text);
  const std::string code = ModelTrim(HalfWidthPortable(text));
  const bool opens = code.size() == 4 && ModelParse(code) && host.site >= 0 && host.site < 5;
  CHECK(host.opened.size() == (opens ? 1u : 0u));
  if (opens) CHECK(host.opened[0] == std::string(ChartUrlPrefixes[static_cast<size_t>(host.site)]) + code);
  return 0;
}
