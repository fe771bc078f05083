// The table of scripts/bench: every analyser and the main text rules over 1 MiB and 64 MiB texts of three
// kinds, and the analysers over two texts made to be hard on them, each beside a wc -l pass (memchr from
// line feed to line feed) and a plain memchr pass over the same bytes, with the heap each takes beyond the
// text. Names are "Table/<kind>/<MiB>/<operation>".
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

#include "Analysers.h"
#include "BenchHost.h"
#include "HeapPeak.h"
#include "HalfWidth.h"
#include "InfoCash.h"
#include "TextRules.h"

namespace {
enum class TKind { Html, NetMile, DoubleByte, OneLine, OneTag };

// Deterministic pieces drawn by a fixed-seed generator, cut to the exact size.
template <std::size_t N>
std::string Compose(std::string head, const char* const (&pieces)[N], std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  head.reserve(size + 256);
  while (head.size() < size) head += pieces[rng() % N];
  head.resize(size);
  return head;
}

// An Info-Cash HTML mail that also mentions NetMile: a tag every few bytes, personal links in the text and
// in attributes, Japanese words between the tags.
std::string HtmlMail(std::size_t size) {
  static const char* const pieces[] = {
      "<p><font color=\"red\"><b>\x83\x41\x83\x4e\x83\x5c</b></font></p>\r\n",
      "<td><span class=\"x\">\x8d\x4c\x8d\x90</span></td>",
      "<a href=\"http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2\">\x83\x4e</a>\r\n",
      "<br>http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=1<br>\r\n",
      "<img src=\"http://img.info-cash.jp/b.gif\" width=1 height=1>",
      "<div>\x81\x40\x81\x40NetMile \x83\x7d\x83\x43\x83\x8b</div>\r\n",
  };
  return Compose("<html><body>info-cash.jp netmile\r\n", pieces, size, 1);
}

// A NetMile mail: many short lines, full-width spaces around and inside the ad links, empty lines.
std::string NetMileMail(std::size_t size) {
  static const char* const pieces[] = {
      "\x81\xa1\x8d\x4c\x8d\x90\x81\x40\x83\x41\x83\x4e\x83\x5c\r\n",
      "\x81\x40\x81\x40http://ad.netmile.co.jp/cl\x81\x40ick.asp?ad=A1001&m=M0012345\x81\x40\r\n",
      "\r\n",
      "\x81\x40\x83\x7d\x83\x43\x83\x8b\x81\x40\x82\xf0\x81\x40\x82\xd9\x82\xa9\r\n",
      "http://www.netmile.co.jp/\r\n",
      "----------------------------------------\r\n",
  };
  return Compose("NetMile News info-cash.jp\r\n", pieces, size, 2);
}

// Nothing but double-byte characters, among them trail bytes that look like ASCII letters and '@'.
std::string DoubleByteText(std::size_t size) {
  static const char* const pieces[] = {"\x83\x41", "\x83\x4e", "\x81\x40", "\x88\x9f", "\x82\xa0",
                                       "\x81\x81", "\x8a\x94", "\x8e\xae", "\x82\x4f", "\xe0\x40"};
  return Compose("", pieces, size, 3);
}

// The NetMile pieces without their breaks: one line as long as the text, full-width spaces all through it.
std::string OneLine(std::size_t size) {
  static const char* const pieces[] = {
      "\x81\xa1\x8d\x4c\x8d\x90\x81\x40\x83\x41\x83\x4e\x83\x5c",
      "\x81\x40\x81\x40http://ad.netmile.co.jp/cl\x81\x40ick.asp?ad=A1001&m=M0012345\x81\x40",
      "\x81\x40\x83\x7d\x83\x43\x83\x8b\x81\x40\x82\xf0\x81\x40\x82\xd9\x82\xa9",
      "<br>http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=1<br>",
  };
  return Compose("NetMile info-cash.jp ", pieces, size, 4);
}

// The HTML mail inside one tag: what the tag removal keeps is its last byte.
std::string OneTag(std::size_t size) {
  std::string text = HtmlMail(size);
  for (char& c : text)
    if (c == '<' || c == '>') c = ' ';
  text.front() = '<';
  text.back() = '>';
  return text;
}

// One text alive at a time: the benchmarks run grouped by text, so each is built once.
const std::string& Text(TKind kind, std::size_t size) {
  static TKind builtKind{};
  static std::string text;
  if (text.size() != size || builtKind != kind) {
    text.clear();
    text.shrink_to_fit();
    text = kind == TKind::Html         ? HtmlMail(size)
           : kind == TKind::NetMile    ? NetMileMail(size)
           : kind == TKind::DoubleByte ? DoubleByteText(size)
           : kind == TKind::OneLine    ? OneLine(size)
                                       : OneTag(size);
    builtKind = kind;
  }
  return text;
}

using TOperation = void (*)(TBenchHost&, const std::string&);

const struct {
  const char* name;
  TOperation run;
  bool rule;  // a text rule, not run on the texts made for the analysers
} kOperations[] = {
    // The baselines: what wc -l does, and one read of every byte looking for a byte that never occurs.
    {"wc -l",
     [](TBenchHost&, const std::string& t) {
       std::size_t lines = 0;
       for (const char *p = t.data(), *end = p + t.size();
            (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))); ++p)
         ++lines;
       benchmark::DoNotOptimize(lines);
     },
     false},
    {"memchr",
     [](TBenchHost&, const std::string& t) {
       benchmark::DoNotOptimize(std::memchr(t.data(), '\0', t.size()));
     },
     false},
    {"BrowseStockChart", [](TBenchHost& h, const std::string& t) { BrowseStockChart(h, t); }, false},
    {"BrowseNetMileAD", [](TBenchHost& h, const std::string& t) { BrowseNetMileAD(h, t); }, false},
    {"BrowseInfoCash", [](TBenchHost& h, const std::string& t) { BrowseInfoCash(h, t); }, false},
    {"HalfWidth", [](TBenchHost&, const std::string& t) { benchmark::DoNotOptimize(HalfWidthPortable(t)); },
     true},
    {"LowerText", [](TBenchHost&, const std::string& t) { benchmark::DoNotOptimize(LowerText(t)); }, true},
    {"FindPos",
     [](TBenchHost&, const std::string& t) { benchmark::DoNotOptimize(FindPos("\x81\x81\x41", t)); }, true},
    {"ReplaceAll",
     [](TBenchHost&, const std::string& t) { benchmark::DoNotOptimize(ReplaceAll(t, "\x81\x40", "")); },
     true},
    {"SplitLines+JoinLines",
     [](TBenchHost&, const std::string& t) { benchmark::DoNotOptimize(JoinLines(SplitLines(t))); }, true},
    {"StripTags", [](TBenchHost&, const std::string& t) { benchmark::DoNotOptimize(StripTags(t)); }, true},
};

void Measure(benchmark::State& state, TKind kind, std::size_t size, TOperation run) {
  const std::string& text = Text(kind, size);
  TBenchHost host;
  const std::size_t before = HeapInUse();
  ResetHeapPeak();
  for (auto _ : state) run(host, text);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  // The most heap the operation held at once beyond the text, as a share of the text.
  state.counters["heap"] =
      benchmark::Counter(static_cast<double>(HeapPeak() - before) / static_cast<double>(text.size()));
  state.counters["urls"] =
      benchmark::Counter(static_cast<double>(host.urls) / static_cast<double>(state.iterations()));
}

const bool kRegistered = [] {
  const struct {
    const char* name;
    TKind kind;
    bool rules;
  } kinds[] = {{"html", TKind::Html, true},
               {"netmile", TKind::NetMile, true},
               {"doublebyte", TKind::DoubleByte, true},
               {"oneline", TKind::OneLine, false},
               {"onetag", TKind::OneTag, false}};
  for (const auto& k : kinds)
    for (const std::size_t mib : {1u, 64u})
      for (const auto& op : kOperations)
        if (k.rules || !op.rule)
          benchmark::RegisterBenchmark(
              (std::string("Table/") + k.name + "/" + std::to_string(mib) + "/" + op.name).c_str(),
              [kind = k.kind, mib, run = op.run](benchmark::State& s) { Measure(s, kind, mib << 20, run); })
              ->Unit(benchmark::kMillisecond)
              ->MinTime(0.2);
  return true;
}();
}  // namespace
