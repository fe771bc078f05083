// Time per byte must stay flat from 1 MiB to 16 MiB: every rule is linear.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "Analysers.h"
#include "BenchHost.h"
#include "HalfWidth.h"
#include "TextRules.h"

namespace {
// Japanese mail-like text: kana and kanji with ASCII-looking trail bytes, ASCII words, line breaks.
const std::string& Text(size_t size) {
  static std::string cache[2];
  std::string& text = cache[size > (1u << 20)];
  if (text.size() == size) return text;
  std::mt19937 rng(932);
  const char* pieces[] = {"\x83\x41",      "\x83\x4e", "\x81\x40", "\x88\x9f", "NetMile ",
                          "http://a.b/c ", "\r\n",     "7203",     "\x82\xa0", "\x81\x81"};
  text.clear();
  while (text.size() < size) text += pieces[rng() % std::size(pieces)];
  text.resize(size);
  return text;
}

template <class F>
void Run(benchmark::State& state, F f) {
  const std::string& text = Text(static_cast<size_t>(state.range(0)));
  for (auto _ : state) f(text);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// Patterns absent from the text, so the whole text is searched: the worst case.
void BmFindPos(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(FindPos("\x81\x81\x41", t)); });
}
void BmFindPosLeadRun(benchmark::State& s) {
  // A text of lead bytes only: every byte is a candidate for a one-byte pattern.
  static std::string leads;
  leads.assign(static_cast<size_t>(s.range(0)), '\x81');
  for (auto _ : s) benchmark::DoNotOptimize(FindPos("\x81\x41", leads));
  s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * s.range(0));
}
void BmTrimBlanks(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(TrimBlanks(t)); });
}
void BmLowerText(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(LowerText(t)); });
}
void BmReplaceAll(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(ReplaceAll(t, "\x81\x40", "")); });
}
void BmParseInteger(benchmark::State& s) {
  Run(s, [](const std::string& t) {
    try {
      benchmark::DoNotOptimize(ParseInteger(t));
    } catch (const EConvertError&) {
    }
  });
}
void BmSplitJoinLines(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(JoinLines(SplitLines(t))); });
}
void BmCopyRange(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(CopyRange(t, 2, static_cast<int>(t.size()))); });
}
void BmHalfWidth(benchmark::State& s) {
  Run(s, [](const std::string& t) { benchmark::DoNotOptimize(HalfWidthPortable(t)); });
}
void BmBrowseStockChart(benchmark::State& s) {
  TBenchHost host;
  Run(s, [&](const std::string& t) { BrowseStockChart(host, t); });
}
}  // namespace

#define BRIVOLA_BENCH(f) BENCHMARK(f)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond)
BRIVOLA_BENCH(BmFindPos);
BRIVOLA_BENCH(BmFindPosLeadRun);
BRIVOLA_BENCH(BmTrimBlanks);
BRIVOLA_BENCH(BmLowerText);
BRIVOLA_BENCH(BmReplaceAll);
BRIVOLA_BENCH(BmParseInteger);
BRIVOLA_BENCH(BmSplitJoinLines);
BRIVOLA_BENCH(BmCopyRange);
BRIVOLA_BENCH(BmHalfWidth);
BRIVOLA_BENCH(BmBrowseStockChart);
