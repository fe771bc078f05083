// Slow models of the text rules and of the three analysers, written straight from the rules and sharing no
// code with the analysis core beyond the mail analysers' constants and the lead-byte set in force: characters
// walked from a text's first byte, literal copies (the lowered text, the list of lines, the joined text), a
// NUL taken as the end of every text. The fuzz targets and the native differential tests check the core
// against them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AnalysisHost.h"
#include "Dispatch.h"
#include "InfoCash.h"
#include "NetMile.h"
#include "TextRules.h"

namespace model {

inline bool Lead(char c) { return LeadByteSet().Contains(static_cast<unsigned char>(c)); }

inline std::string Text(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

// FindPos in text, what remains of it from `from` on, its characters judged from there; 0 or a position
// in that remainder counted from 1.
inline int FindPosFrom(std::string_view pattern, std::string_view text, std::size_t from = 0) {
  const std::string p = Text(pattern);
  if (p.empty()) return 0;
  for (std::size_t i = from; i < text.size() && text[i] != '\0';) {
    if (text[i] == p[0] && text.substr(i, p.size()) == p) return static_cast<int>(i - from + 1);
    if (!Lead(text[i])) {
      ++i;
    } else {
      if (i + 1 < text.size() && text[i + 1] == '\0') break;  // a NUL ends the text wherever it stands
      i += 2;
    }
  }
  return 0;
}

inline int FindPos(std::string_view pattern, std::string_view text) { return FindPosFrom(pattern, text); }

inline std::string ReplaceAll(std::string_view text, std::string_view oldPattern,
                              std::string_view newPattern) {
  const std::string t = Text(text), o = Text(oldPattern);
  if (t.empty() || o.empty()) return t;
  std::string out;
  for (std::size_t rest = 0;;) {
    const int at = FindPosFrom(o, t, rest);
    if (at == 0) return out + t.substr(rest);
    out += t.substr(rest, static_cast<std::size_t>(at - 1));
    out += newPattern;
    rest += static_cast<std::size_t>(at - 1) + o.size();
  }
}

inline std::string LowerText(std::string_view text) {
  const std::string t = Text(text);
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (Lead(t[i])) {
      out += t.substr(i, 2);
      ++i;
    } else {
      out += t[i] >= 'A' && t[i] <= 'Z' ? static_cast<char>(t[i] + 32) : t[i];
    }
  }
  return out;
}

inline std::string TrimBlanks(std::string_view text) {
  std::string t = Text(text);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 0x20) t.pop_back();
  std::size_t first = 0;
  while (first < t.size() && static_cast<unsigned char>(t[first]) <= 0x20) ++first;
  return t.substr(first);
}

inline std::optional<std::int32_t> ParseInteger(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
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

inline std::vector<std::string> SplitLines(std::string_view text) {
  const std::string t = Text(text);
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' || t[i] == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
    } else {
      line += t[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

inline std::string CopyRange(std::string_view text, int index, int count) {
  const std::string t = Text(text);
  std::string out;
  for (long long i = std::max(index, 1) - 1, n = 0;
       count >= 0 && n < count && i < static_cast<long long>(t.size()); ++i, ++n)
    out += t[static_cast<std::size_t>(i)];
  return out;
}

// Printable ASCII but the blank and the bytes that can't stand unquoted in a link.
inline std::string ExtractUrl(std::string_view text) {
  constexpr std::string_view excluded = "\"<>[\\]^`{|}";
  std::size_t n = 0;
  while (n < text.size() && text[n] > 0x20 && text[n] < 0x7F &&
         excluded.find(text[n]) == std::string_view::npos)
    ++n;
  return std::string(text.substr(0, n));
}

// The remaining text shrinks from the front; each search is judged from its first byte.
inline std::string StripTags(std::string_view text) {
  const std::string t(text);
  std::string result;
  for (std::size_t rest = 0;;) {
    const int open = FindPosFrom("<", t, rest), close = FindPosFrom(">", t, rest);
    if (open == 0 || close < open) return result + t.substr(rest);
    result += t.substr(rest, static_cast<std::size_t>(open - 1));
    rest += static_cast<std::size_t>(close);
  }
}

inline void Pause(IAnalysisHost& host) {
  if (const int ms = host.SleepTime(); ms > 0) host.Sleep(ms);
}

// The chart sites written out here rather than taken from the core's table, so that a wrong host or path
// there shows.
inline constexpr std::string_view kChartUrlPrefixes[] = {
    "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=",
    "http://money.www.infoseek.co.jp/MnStock/mn_schart.html?qt=",
    "http://finance.livedoor.com/index?stock_id=",
    "http://stocknavi.jiji.co.jp/cgi-bin/kobetsu.cgi?CODE_TEXT=",
    "http://company.nikkei.co.jp/index.cfm?scode=",
};

inline void BrowseStockChart(IAnalysisHost& host, std::string_view text) {
  const std::string code = TrimBlanks(host.HalfWidth(std::string(text)));
  if (code.size() != 4 || !ParseInteger(code)) return;
  const int site = host.StockSiteSelect();
  if (site < 0 || site >= static_cast<int>(std::size(kChartUrlPrefixes))) return;
  host.OpenUrl(std::string(kChartUrlPrefixes[static_cast<std::size_t>(site)]) + code);
}

inline void BrowseNetMileAD(IAnalysisHost& host, std::string_view text) {
  if (FindPos(kNetMileTrigger, LowerText(text)) == 0) return;
  std::vector<std::string> lines = SplitLines(text);
  lines = SplitLines(ReplaceAll(JoinLines(lines), "\x81\x40", ""));
  const std::size_t count = lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    lines[i] = TrimBlanks(lines[i]);
    const std::string& line = lines[i];
    if (FindPos(NetMileStopMarkers[0], line) > 0) break;
    if (FindPos(NetMileStopMarkers[1], line) > 0) break;
    const int start = FindPos("http://", line);
    if (start == 0) continue;
    const std::string url = ExtractUrl(CopyRange(line, start, static_cast<int>(line.size())));
    if (url == NetMileSkipUrls[0] || url == NetMileSkipUrls[1]) continue;
    host.OpenUrl(url);
    Pause(host);
  }
}

inline void BrowseInfoCash(IAnalysisHost& host, std::string_view text) {
  if (FindPos(kInfoCashDomain, text) == 0) return;
  std::vector<std::string> lines = SplitLines(StripTags(text));
  const std::size_t count = lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    lines[i] = TrimBlanks(lines[i]);
    const std::string& line = lines[i];
    const int start = FindPos("http://", line);
    if (start == 0) continue;
    if (FindPos(host.InfoCashID(), line) == 0) continue;
    if (FindPos(kInfoCashScript, line) == 0) continue;
    host.OpenUrl(ExtractUrl(CopyRange(line, start, static_cast<int>(line.size()))));
    Pause(host);
  }
}

// One clipboard change: a text that differs from the last one taken (up to its first NUL, as CF_TEXT gives
// it) becomes the last one, and the enabled analysers run on it in their order.
inline void ClipChange(IAnalysisHost& host, std::string_view clip, std::string& last) {
  const std::string text = Text(clip);
  if (text == last) return;
  last = text;
  if (host.BrowseStockCode()) model::BrowseStockChart(host, text);
  if (host.AutoBrowseNetMileAD()) model::BrowseNetMileAD(host, text);
  if (host.AutoBrowseInfoCash()) model::BrowseInfoCash(host, text);
}

// A host that writes down every call an analyser makes that could tell two runs apart: opens, pauses and
// reads of the ID, in order. The ID read can change from one read to the next.
struct LogHost : IAnalysisHost {
  std::vector<std::string> ids{"ic123456"};
  std::size_t idReads = 0;
  int sleepTime = 5;
  int site = 0;
  std::string log;
  std::size_t opens = 0;
  std::string (*halfWidth)(std::string_view) = nullptr;

  bool BrowseStockCode() override { return true; }
  int StockSiteSelect() override { return site; }
  bool AutoBrowseNetMileAD() override { return true; }
  bool AutoBrowseInfoCash() override { return true; }
  int SleepTime() override { return sleepTime; }
  std::string InfoCashID() override {
    log += "id\n";
    return ids[idReads++ % ids.size()];
  }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return {}; }
  void OpenUrl(const std::string& target) override {
    log += "open " + target + "\n";
    ++opens;
  }
  void Sleep(int ms) override { log += "sleep " + std::to_string(ms) + "\n"; }
  std::string HalfWidth(const std::string& t) override { return halfWidth ? halfWidth(t) : t; }
};

}  // namespace model
