// The mail analysers over 1 MiB and 16 MiB mails: time per byte must stay flat.
#include <benchmark/benchmark.h>

#include <string>

#include "Analysers.h"
#include "BenchHost.h"
#include "InfoCash.h"

namespace {
std::string Repeat(std::string head, const std::string& piece, size_t size) {
  while (head.size() < size) head += piece;
  head.resize(size);
  return head;
}

// A mail magazine: Japanese lines, ad links broken by full-width spaces, empty lines.
const std::string& NetMileMail(size_t size) {
  static std::string cache[2];
  std::string& mail = cache[size > (1u << 20)];
  if (mail.size() != size)
    mail = Repeat("NetMile News\r\n",
                  "\x81\xa1\x8d\x4c\x8d\x90\x81\x40\x83\x41\x83\x4e\x83\x5c\r\n"
                  "\x81\x40http://ad.netmile.co.jp/cl\x81\x40ick.asp?ad=A1001&m=M0012345\r\n\r\n",
                  size);
  return mail;
}

// An HTML mail: a tag every few bytes, personal links in text and in attributes.
const std::string& InfoCashHtml(size_t size) {
  static std::string cache[2];
  std::string& html = cache[size > (1u << 20)];
  if (html.size() != size)
    html = Repeat("<html><body>info-cash.jp\r\n",
                  "<p><font color=\"red\"><b>\x83\x41\x83\x4e</b></font>"
                  "http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=1</p><br>\r\n"
                  "<a href=\"http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2\">x</a>\r\n",
                  size);
  return html;
}

template <class F>
void Run(benchmark::State& state, const std::string& text, F f) {
  for (auto _ : state) f(text);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BmBrowseNetMileAD(benchmark::State& s) {
  TBenchHost host;
  Run(s, NetMileMail(static_cast<size_t>(s.range(0))),
      [&](const std::string& t) { BrowseNetMileAD(host, t); });
}
void BmBrowseInfoCash(benchmark::State& s) {
  TBenchHost host;
  Run(s, InfoCashHtml(static_cast<size_t>(s.range(0))),
      [&](const std::string& t) { BrowseInfoCash(host, t); });
}
void BmStripTags(benchmark::State& s) {
  Run(s, InfoCashHtml(static_cast<size_t>(s.range(0))),
      [](const std::string& t) { benchmark::DoNotOptimize(StripTags(t)); });
}
void BmStripTagsEmpty(benchmark::State& s) {
  // Nothing but empty tags: one removal per two bytes.
  static std::string tags[2];
  std::string& t = tags[s.range(0) > (1 << 20)];
  if (t.empty()) t = Repeat("", "<>", static_cast<size_t>(s.range(0)));
  Run(s, t, [](const std::string& x) { benchmark::DoNotOptimize(StripTags(x)); });
}
}  // namespace

#define BRIVOLA_MAIL_BENCH(f) BENCHMARK(f)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond)
BRIVOLA_MAIL_BENCH(BmBrowseNetMileAD);
BRIVOLA_MAIL_BENCH(BmBrowseInfoCash);
BRIVOLA_MAIL_BENCH(BmStripTags);
BRIVOLA_MAIL_BENCH(BmStripTagsEmpty);
