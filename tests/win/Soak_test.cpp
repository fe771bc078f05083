// Soak run of the program (its test build, which also records what it hands
// to the shell): thousands of texts of every kind copied in turn with all
// analysers on and no pause between links. The slow model of the analysers
// (tests/model) says which URLs must open, in which order; a URL that doesn't
// arrive is traced to where it was lost. Afterwards the program must still be
// resident, answer, and save its settings on exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>  // after windows.h, which it needs

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>

#include "Harness.h"
#include "ModelHost.h"
#include "RulesModel.h"

using namespace harness;

namespace {

const std::string kId = "ic123456";

// Deterministic on every platform: xorshift32, not the library's distributions.
class Random {
 public:
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
  char Byte() { return static_cast<char>(Next() & 0xFF); }

 private:
  std::uint32_t state_ = 0x9E3779B9u;
};

class TextMaker {
 public:
  explicit TextMaker(std::vector<std::string> mails) : mails_(std::move(mails)) {}

  std::string StockCode() {
    const int code = 1000 + rnd_.Below(9000);
    std::string digits = std::to_string(code), text;
    switch (rnd_.Below(5)) {
      case 0:
        return digits;
      case 1:  // full-width digits, some of them
        for (char d : digits)
          text += rnd_.Below(2) ? std::string{'\x82', static_cast<char>(0x4F + d - '0')} : std::string{d};
        return text;
      case 2:  // blanks around, ideographic space too
        return std::string(" \t\r\n").substr(static_cast<size_t>(rnd_.Below(4))) + digits +
               (rnd_.Below(2) ? "\x81\x40" : "\r\n");
      case 3:  // hexadecimal or signed: four characters that still read as a number
        return rnd_.Below(2) ? "$" + digits.substr(1) : "-" + digits.substr(1);
      default:
        return "\x81\x40" + digits + " ";
    }
  }

  std::string NotACode() {
    static const char* const kinds[] = {
        "720", "72031", "72a3", "7 03", "0x7G", "\x82\x4f\x82\x50\x82", "", "\x81\x40\x81\x40", "７２０３"};
    if (rnd_.Below(3) == 0) return std::to_string(rnd_.Below(1000));
    return kinds[rnd_.Below(static_cast<int>(std::size(kinds)))];
  }

  // A sample mail with its links renumbered, sometimes cut short at any byte.
  std::string Mail() {
    std::string mail = mails_[static_cast<size_t>(rnd_.Below(static_cast<int>(mails_.size())))];
    const std::string mark = "ad=" + std::to_string(rnd_.Below(100000));
    for (size_t at = 0; (at = mail.find("ad=", at)) != std::string::npos; at += mark.size())
      mail.replace(at, 3, mark);
    if (rnd_.Below(3) == 0) mail.resize(static_cast<size_t>(rnd_.Below(static_cast<int>(mail.size()) + 1)));
    return mail;
  }

  std::string Prose() {
    static const char* const words[] = {"\x8a\x94\x8e\xae",
                                        " ",
                                        "\x83\x81\x81\x5b\x83\x8b",
                                        "netmile",
                                        "\r\n",
                                        "\x81\x40",
                                        "info-cash.jp",
                                        "<b>",
                                        ">",
                                        "http:"};
    std::string text;
    for (int i = rnd_.Below(40); i >= 0; --i)  // now and then a link
      text +=
          rnd_.Below(100) == 0 ? "http://example.jp/" : words[rnd_.Below(static_cast<int>(std::size(words)))];
    return text;
  }

  std::string Junk() {
    std::string text(static_cast<size_t>(rnd_.Below(4096)), '\0');
    for (char& c : text) c = rnd_.Below(8) == 0 ? '\0' : rnd_.Byte();
    return text;
  }

  // Lead bytes with a wrong trail byte, or with none at the end.
  std::string BadShiftJis() {
    std::string text;
    for (int i = rnd_.Below(64); i >= 0; --i) {
      const char lead = static_cast<char>(rnd_.Below(2) ? 0x81 + rnd_.Below(0x1F) : 0xE0 + rnd_.Below(0x1D));
      switch (rnd_.Below(4)) {
        case 0:
          text += {lead, static_cast<char>(rnd_.Below(0x40))};
          break;
        case 1:
          text += {lead, '\x7F'};
          break;
        case 2:
          text += std::to_string(rnd_.Below(10000));
          break;
        default:
          text += {lead, '\x82', '\x4F'};
      }
    }
    if (rnd_.Below(2)) text += static_cast<char>(0x81 + rnd_.Below(0x1F));
    return text;
  }

  // A large HTML mail, with Info-Cash links at its start and end.
  std::string LargeHtml(size_t size) {
    std::string html =
        "<html><body>info-cash.jp\r\n<a href=\"http://www.info-cash.jp/clickweb/icjmp.asp?id=" + kId +
        "&ad=first" + std::to_string(rnd_.Below(1000)) + "\">\r\n";
    while (html.size() < size)
      html += "<tr><td class=\"c" + std::to_string(rnd_.Below(100)) + "\">\x8a\x94\x8e\xae\x81\x40" +
              std::to_string(rnd_.Below(10000)) + "</td><td><img src=\"x.gif\"></td></tr>\r\n";
    return html + "http://www.info-cash.jp/clickweb/icjmp.asp?id=" + kId + "&ad=last</body></html>";
  }

  std::string Any(const std::string& previous) {
    const int pick = rnd_.Below(100);
    if (pick < 6) return StockCode();
    if (pick < 20) return NotACode();
    if (pick < 23) return Mail();
    if (pick < 44) return Prose();
    if (pick < 62) return Junk();
    if (pick < 80) return BadShiftJis();
    if (pick < 85) return {};
    return previous;  // copied again: taken once
  }

 private:
  Random rnd_;
  std::vector<std::string> mails_;
};

std::string Read(const ProgramCopy& copy, const std::string& key) {
  char buf[4096] = {};
  const std::wstring wide = copy.IniPath();
  const std::string path(wide.begin(), wide.end());
  GetPrivateProfileStringA(UserName().c_str(), key.c_str(), "<none>", buf, sizeof buf, path.c_str());
  return buf;
}

int TextCount() {
  const char* n = std::getenv("BRIVOLA_SOAK_TEXTS");
  return n ? std::atoi(n) : 3000;
}

}  // namespace

TEST(Soak, ThousandsOfTextsOpenExactlyTheExpectedUrlsInOrder) {
  const ULONGLONG started = GetTickCount64();
  const std::wstring data = EnvPath("BRIVOLA_TEST_DATA");
  std::vector<std::string> mails;
  for (const wchar_t* name : {L"netmile_magazine.txt", L"netmile_gold.txt", L"infocash_html.txt",
                              L"infocash_plain.txt", L"infocash_quoted.txt", L"infocash_unclosed.txt"})
    mails.push_back(ReadFileBytes(data + L"\\" + name));
  TextMaker maker(mails);

  OrderedBrowser browser;  // links opened with no pause in between: the order they were started in
  ClipboardViewer viewer;  // joins first, so the program hands each change on to it
  ProgramCopy copy(L"soak", "BRIVOLA_PROBE_EXE");
  // Non-canonical spellings, so the file read back shows that it was written anew.
  WriteFileBytes(copy.IniPath(), "[" + UserName() +
                                     "]\r\nSetupFormTop=0x7\r\nBrowseStockCode=0x1\r\n"
                                     "StockSiteSelect=00\r\nSleepTime=0\r\nAutoBrowseNetMileAD=1\r\n"
                                     "AutoBrowseInfoCash=1\r\nInfoCashID=" +
                                     kId + "\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(WaitUntil([&] {
    RECT r{};
    GetWindowRect(form, &r);
    return r.top == 7;
  })) << "settings not loaded";

  ModelHost slow;
  slow.id = kId;
  std::string last;
  std::vector<std::string> expected;
  std::string previous;
  const int count = TextCount();
  int urlTexts = 0;
  // Sends one text and waits until the program has passed its change on and
  // the browser has been handed everything expected so far.
  auto copyText = [&](const std::string& text, int index) {
    model::ClipChange(slow, text, last);
    // Past the number of pages the program opens without asking, it would ask: the texts stay below it.
    if (slow.opened.size() > 30) return ::testing::AssertionFailure() << "text " << index << " would ask";
    const size_t before = expected.size();
    expected.insert(expected.end(), slow.opened.begin(), slow.opened.end());
    slow.opened.clear();
    const long notices = viewer.Count();
    PutClipboardText(text);
    if (!viewer.WaitForCount(notices + 1, 30000))
      return ::testing::AssertionFailure()
             << "text " << index << " not passed on; the program "
             << (program->Running() ? ChainReport(*program, form, viewer, notices + 1) : "has ended");
    if (expected.size() == before) return ::testing::AssertionSuccess();
    ++urlTexts;
    if (!WaitUntil([&] { return browser.Urls().size() >= expected.size(); }, 30000))
      return ::testing::AssertionFailure()
             << "text " << index << ": " << browser.Urls().size() << " of " << expected.size()
             << " URLs: " << WhereLost(expected, copy, browser);
    const auto urls = browser.Urls();
    for (size_t i = 0; i < urls.size(); ++i)
      if (i >= expected.size() || urls[i] != expected[i])
        return ::testing::AssertionFailure() << "text " << index << ": URL " << i << " is " << urls[i]
                                             << ", expected " << (i < expected.size() ? expected[i] : "none");
    return ::testing::AssertionSuccess();
  };

  // A first change the program is known to have handled (its link was
  // opened): a notice of its own joining, if any, has been passed on by then.
  ASSERT_TRUE(copyText("1301", -1));
  for (int i = 0; i < count; ++i) {
    std::string text = i % (count / 4 + 1) == count / 8
                           ? maker.LargeHtml((1u << 20) + static_cast<size_t>(i) * 256)
                           : maker.Any(previous);
    ASSERT_TRUE(copyText(text, i));
    previous = std::move(text);
  }
  ASSERT_TRUE(copyText("9984", count));  // nothing unexpected is still on its way
  EXPECT_EQ(browser.Urls(), expected);

  EXPECT_TRUE(program->Running());
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0) << "not answering";
  PostMessageW(form, WM_CLOSE, 0, 0);
  const auto code = program->Wait(30000);
  ASSERT_TRUE(code.has_value()) << "did not end";
  EXPECT_EQ(*code, 0u);
  const std::vector<std::pair<std::string, std::string>> saved{
      {"SetupFormTop", "7"},        {"BrowseStockCode", "1"},    {"StockSiteSelect", "0"}, {"SleepTime", "0"},
      {"AutoBrowseNetMileAD", "1"}, {"AutoBrowseInfoCash", "1"}, {"InfoCashID", kId}};
  for (const auto& [key, value] : saved) EXPECT_EQ(Read(copy, key), value) << key;

  std::printf("soak: %d texts, %d of them opening %zu URLs, in %llu s\n", count + 2, urlTexts,
              expected.size(), (GetTickCount64() - started) / 1000);
}

namespace {

// The performance counter in microseconds: one clock for every process of the harness.
long long Microseconds() {
  LARGE_INTEGER counter{}, frequency{};
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return counter.QuadPart / (frequency.QuadPart / 1000000);
}

std::string ProcessName(DWORD pid) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  std::string name = "pid " + std::to_string(pid);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == pid) {
      name += " (";
      for (const wchar_t* c = entry.szExeFile; *c; ++c) name += static_cast<char>(*c < 128 ? *c : '?');
      name += ")";
    }
  CloseHandle(snapshot);
  return name;
}

struct TCopy {
  const char* kind;
  long long us;                   // when the test had put it on the clipboard
  DWORD sequence;                 // the clipboard's sequence number then
  std::vector<std::string> urls;  // the pages it opens
};

// The program's clipboard opens, as its test build records them ("<us> <opened> <sequence> <holder pid>").
struct TOpen {
  long long us;
  int opened;
  DWORD sequence, holder;
};

std::vector<TOpen> ReadOpens(const ProgramCopy& copy) {
  std::vector<TOpen> opens;
  for (const std::string& line : ReadLines(copy.ProbeLog() + L".open")) {
    TOpen open{};
    unsigned long sequence = 0, holder = 0;
    if (std::sscanf(line.c_str(), "%lld %d %lu %lu", &open.us, &open.opened, &sequence, &holder) == 4) {
      open.sequence = sequence;
      open.holder = holder;
      opens.push_back(open);
    }
  }
  return opens;
}

// Which copies had pages of theirs never handed to the shell, and what the program met while each was on the
// clipboard (its opens that saw the copy's sequence number): never read, every open finding the clipboard
// held, or read and then found held before the rest of its analysis. Also how many copies of all were never
// read.
std::string LostCopies(const std::vector<TCopy>& copies, const ProgramCopy& copy) {
  const auto shell = copy.ShellOpens();
  const auto opens = ReadOpens(copy);
  std::map<std::string, int> lostByKind, byKind;
  std::string report;
  int lost = 0, lostUnread = 0, unread = 0;
  size_t next = 0;
  for (size_t i = 0; i < copies.size(); ++i) {
    const TCopy& c = copies[i];
    ++byKind[c.kind];
    int missing = 0, reads = 0;
    for (const std::string& url : c.urls)
      next < shell.size() && shell[next].target == url ? ++next : ++missing;
    std::map<DWORD, int> holders;
    for (const TOpen& o : opens)
      if (o.sequence == c.sequence) o.opened ? ++reads : ++holders[o.holder];
    unread += reads == 0;
    if (!missing) continue;
    ++lost;
    ++lostByKind[c.kind];
    lostUnread += reads == 0;
    if (lost > 12) continue;
    char line[256];
    std::snprintf(line, sizeof line, "\n  copy %zu (%s) at %+.1f ms, %d of %zu pages lost: %s", i, c.kind,
                  (c.us - copies[0].us) / 1000.0, missing, c.urls.size(),
                  reads ? ("read " + std::to_string(reads) + " times, then").c_str() : "never read,");
    report += line;
    for (const auto& [pid, n] : holders)
      report += " held " + std::to_string(n) + " times by " + ProcessName(pid);
    if (i + 1 < copies.size()) {
      std::snprintf(line, sizeof line, "; the next copy %.1f ms later", (copies[i + 1].us - c.us) / 1000.0);
      report += line;
    }
  }
  int held = 0;
  for (const TOpen& o : opens) held += !o.opened;
  std::string head = std::to_string(lost) + " of " + std::to_string(copies.size()) + " copies lost pages";
  if (lost) head += ", " + std::to_string(lostUnread) + " of them never read";
  const char* sep = " (";
  for (const auto& [kind, n] : lostByKind)
    head +=
        std::exchange(sep, ", ") + (kind + (" " + std::to_string(n))) + " of " + std::to_string(byKind[kind]);
  return head + (lost ? ")" : "") + "; " + std::to_string(unread) + " copies never read; " +
         std::to_string(held) + " of the program's " + std::to_string(opens.size()) +
         " clipboard opens found it held:" + report;
}

int CopyQTexts() {
  const char* n = std::getenv("BRIVOLA_SOAK_COPYQ_TEXTS");
  return n ? std::atoi(n) : 90;
}

}  // namespace

// Beside a clipboard manager that reads every copy: CopyQ, watching the X clipboard that Wine hands each copy
// to, so that Wine holds the Windows clipboard open while CopyQ reads. Six kinds of copies in rotation, each
// made as a user's own pace allows: once the viewer behind the program has heard of the one before, plus
// 20 ms (the pace, not a wait). Every page opens once, in order. ctest runs it as win.Soak_test.copyq, where
// the harness starts CopyQ; elsewhere it is skipped.
TEST(Soak, BesideAClipboardManagerEveryCopyOpensItsPagesOnceInOrder) {
  if (!std::getenv("BRIVOLA_COPYQ")) GTEST_SKIP() << "runs beside CopyQ: ctest -R win.Soak_test.copyq";
  const std::wstring data = EnvPath("BRIVOLA_TEST_DATA");
  std::vector<std::string> mails;
  for (const wchar_t* name : {L"netmile_magazine.txt", L"netmile_gold.txt", L"infocash_html.txt"})
    mails.push_back(ReadFileBytes(data + L"\\" + name));
  Random rnd;
  auto numbered = [&](std::string mail) {
    const std::string mark = "ad=" + std::to_string(rnd.Below(1000000));
    for (size_t at = 0; (at = mail.find("ad=", at)) != std::string::npos; at += mark.size())
      mail.replace(at, 3, mark);
    return mail;
  };
  TextMaker maker(mails);
  const std::vector<std::pair<const char*, std::function<std::string()>>> kinds{
      {"NetMile mail", [&] { return numbered(mails[0]); }},
      {"NetMile mail (gold)", [&] { return numbered(mails[1]); }},
      {"Info-Cash mail", [&] { return numbered(mails[2]); }},
      {"stock code", [&] { return std::to_string(1000 + rnd.Below(9000)); }},
      {"junk", [&] { return maker.Junk(); }},
      {"HTML of 250 KB", [&] { return maker.LargeHtml(250u << 10); }}};

  OrderedBrowser browser;
  ClipboardViewer viewer;
  ProgramCopy copy(L"soak-copyq", "BRIVOLA_PROBE_EXE");
  WriteFileBytes(copy.IniPath(), "[" + UserName() +
                                     "]\r\nBrowseStockCode=1\r\nSleepTime=0\r\nAutoBrowseNetMileAD=1\r\n"
                                     "AutoBrowseInfoCash=1\r\nInfoCashID=" +
                                     kId + "\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);

  ModelHost model;
  model.id = kId;
  std::vector<std::string> expected;
  std::vector<TCopy> copies;
  const int count = CopyQTexts();
  const ULONGLONG started = GetTickCount64();
  for (int i = 0; i <= count; ++i) {
    const auto& [kind, make] = i < count ? kinds[static_cast<size_t>(i) % kinds.size()]
                                         : kinds[3];  // a last chart: nothing else is on its way after it
    const std::string text = make();
    const std::string taken = model::Text(text);
    model::BrowseStockChart(model, taken);
    model::BrowseNetMileAD(model, taken);
    model::BrowseInfoCash(model, taken);
    expected.insert(expected.end(), model.opened.begin(), model.opened.end());
    const long notices = viewer.Count();
    PutClipboardText(text);
    copies.push_back({kind, Microseconds(), GetClipboardSequenceNumber(), std::move(model.opened)});
    model.opened.clear();
    ASSERT_TRUE(viewer.WaitForCount(notices + 1, 30000))
        << "copy " << i << " not passed on; the program "
        << (program->Running() ? ChainReport(*program, form, viewer, notices + 1) : "has ended");
    Sleep(20);
  }
  // Once the program has handed over the last copy's chart, the browser's log is waited for until it holds
  // every page handed over: each stand-in logs at its own pace, so the last may come before one started
  // earlier.
  WaitUntil(
      [&] {
        const auto handed = copy.ShellOpens();
        const bool last = !handed.empty() && handed.back().target == expected.back();
        return browser.Urls().size() >= (last ? handed.size() : expected.size());
      },
      60000);
  const std::string lost = LostCopies(copies, copy);
  EXPECT_EQ(browser.Urls(), expected) << lost << "\n" << WhereLost(expected, copy, browser);
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, program->Id()), nullptr) << "a message box";
  std::printf("soak beside CopyQ: %zu copies opening %zu URLs in %llu s; %s\n", copies.size(),
              expected.size(), (GetTickCount64() - started) / 1000, lost.substr(0, lost.find(':')).c_str());

  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait(30000).has_value()) << "did not end";
}
