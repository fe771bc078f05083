#include "Dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <new>
#include <optional>
#include <vector>

TEST(ExtractUrl, TakesExactlyTheUrlBytesOfEveryByteValue) {
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    const bool inSet =
        b >= 0x21 && b <= 0x7E && std::string_view("\"<>[\\]^`{|}").find(c) == std::string_view::npos;
    const std::string text = std::string("http://a/") + c + "z";
    EXPECT_EQ(ExtractUrl(text), inSet ? text : "http://a/") << "byte " << b;
  }
  EXPECT_EQ(URL_CHARS.size(), 83u);
  EXPECT_EQ(ExtractUrl(""), "");
  EXPECT_EQ(ExtractUrl("http://x/a.b,c)\x82\xa0"), "http://x/a.b,c)");
}

TEST(TextEquals, IsByteWiseWithoutFolding) {
  EXPECT_TRUE(TextEquals("", ""));
  EXPECT_FALSE(TextEquals("", " "));
  EXPECT_FALSE(TextEquals("Abc", "abc"));
  EXPECT_FALSE(TextEquals("ab", std::string_view("ab\0", 3)));
  EXPECT_TRUE(TextEquals("\x82\x4f", "\x82\x4f"));
  EXPECT_FALSE(TextEquals("\x82\x4f", "0"));
}

namespace {
// Serves successive clipboard texts and counts the reads the dispatch makes.
struct RecordingHost : IAnalysisHost {
  std::deque<std::string> clip;  // successive clipboard texts; back() stays
  bool hasText = true;
  bool stock = false, netmile = false, infocash = false;
  int reads = 0;
  std::vector<int> sleeps;
  bool BrowseStockCode() override { return stock; }
  int StockSiteSelect() override { return 0; }
  bool AutoBrowseNetMileAD() override { return netmile; }
  bool AutoBrowseInfoCash() override { return infocash; }
  int SleepTime() override { return sleepTime; }
  std::string InfoCashID() override { return id; }
  std::string id;
  bool ClipboardHasText() override { return hasText; }
  bool ClipboardIsPrivate() override { return isPrivate; }
  bool isPrivate = false;
  std::string ReadClipboardText() override {
    ++reads;
    std::string t = clip.front();
    if (clip.size() > 1) clip.pop_front();
    return t;
  }
  void OpenUrl(const std::string& url) override {
    opened.push_back(url);
    if (onOpen) onOpen();
  }
  void Sleep(int ms) override { sleeps.push_back(ms); }
  void ReportTextTooLarge() override { ++tooLarge; }
  std::vector<std::string> opened;
  std::function<void()> onOpen;
  int tooLarge = 0;
  std::string HalfWidth(const std::string& t) override { return t; }
  int sleepTime = 100;
  // The question of a copy with many pages.
  std::size_t PagesWithoutAsking() override { return limit; }
  bool ConfirmOpen(std::size_t pages) override {
    questions.push_back(pages);
    if (onConfirm) onConfirm();
    return answer;
  }
  std::size_t limit = SIZE_MAX;
  std::vector<std::size_t> questions;
  bool answer = true;
  std::function<void()> onConfirm;
};

// Carries a change on as the program's message loop does: each step when due, its pause the host's sleep.
void Drive(TClipDispatch& dispatch, RecordingHost& host, std::string& last) {
  while (const auto due = dispatch.DueInMs()) {
    if (*due > 0) host.Sleep(*due);
    ASSERT_TRUE(dispatch.Resume(host, last));
  }
}
}  // namespace

TEST(ClipEventClipChange, TakesNewTextOnceAndReadsFreshPerAnalyser) {
  RecordingHost host;
  std::string last;
  host.clip = {"A"};
  ClipEventClipChange(host, last);
  EXPECT_EQ(last, "A");
  EXPECT_EQ(host.reads, 2);  // compare, then take

  ClipEventClipChange(host, last);  // same text again: compare only
  EXPECT_EQ(host.reads, 3);

  host.hasText = false;  // an image: nothing read, last kept
  host.clip = {"B"};
  ClipEventClipChange(host, last);
  EXPECT_EQ(host.reads, 3);
  EXPECT_EQ(last, "A");

  host.hasText = true;
  host.stock = host.netmile = host.infocash = true;
  ClipEventClipChange(host, last);
  EXPECT_EQ(last, "B");
  EXPECT_EQ(host.reads, 3 + 5);  // compare, take, one per analyser
}

TEST(PauseAfterLink, NegativeOrZeroIsNoPause) {
  RecordingHost host;
  for (int ms : {-1, 0, 1, 250}) {
    host.sleepTime = ms;
    PauseAfterLink(host);
  }
  EXPECT_EQ(host.sleeps, (std::vector<int>{1, 250}));
}

TEST(ClipEventClipChange, PrivateContentIsNeitherAnalysedNorRemembered) {
  RecordingHost host;
  host.stock = host.netmile = host.infocash = true;
  std::string last = "before";
  host.clip = {"1234"};
  host.isPrivate = true;
  ClipEventClipChange(host, last);
  EXPECT_EQ(host.reads, 0);
  EXPECT_EQ(last, "before");
  host.isPrivate = false;  // the same text copied plainly later is analysed
  ClipEventClipChange(host, last);
  EXPECT_EQ(last, "1234");
  EXPECT_EQ(host.reads, 5);
}

TEST(ClipEventClipChange, AStepWhoseReadFindsAnotherTextEndsTheChange) {
  const std::string chart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";
  struct Case {
    std::deque<std::string> clip;  // compare, take, then one read per enabled step
    std::vector<std::string> opened;
  } cases[] = {
      {{"1234", "1234", "1234"}, {chart + "1234"}},
      // The copy came before the stock step's read: nothing of either text opens in this change.
      {{"1234", "1234", "5678"}, {}},
      // Before the NetMile step: the chart of the change's own text has opened, the new text isn't analysed
      // here.
      {{"1234", "1234", "1234", "netmile http://a/"}, {chart + "1234"}},
  };
  for (Case& c : cases) {
    RecordingHost host;
    host.stock = host.netmile = host.infocash = true;
    host.clip = c.clip;
    std::string last;
    ClipEventClipChange(host, last);
    EXPECT_EQ(host.opened, c.opened);
    EXPECT_EQ(last, "1234");
  }
}

TEST(TClipDispatch, AChangeReportedDuringAnAnalysisIsTakenUpAfterIt) {
  RecordingHost host;
  host.stock = true;
  host.clip = {"1234"};
  std::string last;
  TClipDispatch dispatch;
  int nested = 0;
  host.onOpen = [&] {
    if (nested++ > 0) return;
    host.clip = {"5678"};
    dispatch.Change(host, last);  // as a sent message delivered inside the shell call
    EXPECT_EQ(last, "1234") << "the text under analysis stays";
  };
  dispatch.Change(host, last);
  EXPECT_TRUE(host.opened.empty()) << "nothing opens inside the notification";
  Drive(dispatch, host, last);
  EXPECT_EQ(host.opened, (std::vector<std::string>{"http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=1234",
                                                   "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=5678"}));
  EXPECT_EQ(last, "5678");
}

namespace {
// A clipboard whose text of the given size can't be held.
struct TightHost : RecordingHost {
  size_t limit = 0;
  std::string ReadClipboardText() override {
    std::string t = RecordingHost::ReadClipboardText();
    if (t.size() > limit) throw std::bad_alloc();
    return t;
  }
  bool ClipboardTextEquals(std::string_view text) override { return clip.front() == text; }
  std::uint64_t ClipboardTextDigest() override { return TextDigest(clip.front()); }
};
}  // namespace

TEST(TClipDispatch, ATextTooLargeToHoldIsReportedOnceAndCountsAsTaken) {
  TightHost host;
  host.limit = 8;
  host.stock = true;
  std::string last = "0001";
  TClipDispatch dispatch;
  host.clip = {std::string(9, 'x')};
  dispatch.Change(host, last);
  EXPECT_EQ(host.tooLarge, 1);
  EXPECT_EQ(last, "");
  dispatch.Change(host, last);  // the same text's next notification: taken already
  EXPECT_EQ(host.tooLarge, 1);
  host.clip = {std::string(9, 'y')};  // another large text is tried
  dispatch.Change(host, last);
  EXPECT_EQ(host.tooLarge, 2);
  host.clip = {"1234"};  // and a normal copy is analysed
  dispatch.Change(host, last);
  Drive(dispatch, host, last);
  EXPECT_EQ(last, "1234");
  EXPECT_EQ(host.opened.size(), 1u);

  // Memory running out inside an analyser: reported, and the text stays taken.
  host.onOpen = [] { throw std::bad_alloc(); };
  host.clip = {"5678"};
  dispatch.Change(host, last);
  Drive(dispatch, host, last);
  dispatch.Change(host, last);
  Drive(dispatch, host, last);
  EXPECT_EQ(host.tooLarge, 3);
  EXPECT_EQ(last, "5678");
  EXPECT_EQ(host.opened.size(), 2u);
}

namespace {
// A clipboard that another program holds at the given reads (counted from 1).
struct HeldHost : RecordingHost {
  std::vector<int> held;
  int calls = 0;
  std::string ReadClipboardText() override {
    if (std::find(held.begin(), held.end(), ++calls) != held.end()) throw EClipboardBusy("held");
    return RecordingHost::ReadClipboardText();
  }
};
}  // namespace

TEST(TClipDispatch, AClipboardHeldBeforeTheTextIsReadIsTriedAgainAndOnceReadTheTextIsAnalysed) {
  const std::string chart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";
  const std::string mail = "NetMile News\r\nhttp://ad.example.jp/x\r\n";
  const struct {
    const char* what;
    std::vector<int> held;  // reads: compare, take, the stock step's, the NetMile step's, then the retries'
    bool taken;             // by the first call
    std::string after;      // the clipboard's text from the first retry on
    std::vector<std::string> opened;
    int calls;
  } rows[] = {
      {"held at the compare", {1}, false, mail, {"http://ad.example.jp/x"}, 1 + 4},
      {"held at the take", {2}, false, mail, {"http://ad.example.jp/x"}, 2 + 4},
      // Once taken, a step whose fresh read finds the clipboard held goes on with the text taken.
      {"held at the NetMile step", {4}, true, mail, {"http://ad.example.jp/x"}, 4},
      {"held at both steps", {3, 4}, true, mail, {"http://ad.example.jp/x"}, 4},
      // Replaced before it could be read: the new text is analysed.
      {"a new text before the retry", {1}, false, "1234", {chart + "1234"}, 1 + 4},
  };
  for (const auto& row : rows) {
    HeldHost host;
    host.stock = host.netmile = true;
    host.held = row.held;
    host.clip = {mail};
    std::string last;
    TClipDispatch dispatch;
    EXPECT_EQ(dispatch.Change(host, last), row.taken) << row.what;
    EXPECT_TRUE(host.opened.empty()) << row.what;
    host.clip = {row.after};
    while (!dispatch.Change(host, last)) {
    }
    Drive(dispatch, host, last);
    EXPECT_EQ(host.opened, row.opened) << row.what;
    EXPECT_EQ(last, row.after) << row.what;
    EXPECT_EQ(host.calls, row.calls + (row.taken ? 1 : 0)) << row.what;
    EXPECT_TRUE(dispatch.Change(host, last));  // the change is over: the same text again opens nothing
    Drive(dispatch, host, last);
    EXPECT_EQ(host.opened, row.opened) << row.what;
  }
}

// The footer heading that ends a NetMile mail's ads, in Shift-JIS.
const std::string kNetMileFooter =
    "\x81\xa1\x96\x7b\x83\x81\x81\x5b\x83\x8b\x82\xcd\x81\x41\x83\x6c\x83\x62\x83\x67\x83\x7d\x83\x43\x83\x8b"
    "\x82\xc9\x82\xb2\x93\x6f\x98\x5e\x82\xa2\x82\xbd\x82\xbe\x82\xab\x82\xdc\x82\xb5\x82\xbd\x83\x81\x81\x5b"
    "\x83\x8b\x83\x41\x83\x68\x83\x8c\x83\x58";

TEST(TClipDispatch, MoreThanThirtyPagesOfACopyAskOnceAndCopiesMeanwhileFollowInOrder) {
  const std::string chart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";
  const auto ad = [](const std::string& tag, int i) {
    return "http://ad.example.jp/" + tag + std::to_string(i);
  };
  const auto cash = [](const std::string& tag, int i) {
    return "http://x.example/clickweb/icjmp.asp?id=ID7&" + tag + std::to_string(i);
  };
  // A NetMile mail's ads up to its footer, then an Info-Cash mail's links below it.
  const auto mail = [&](int ads, int links, const std::string& tag) {
    std::string text = "NetMile News\r\n";
    for (int i = 0; i < ads; ++i) text += ad(tag, i) + "\r\n";
    text += kNetMileFooter + "\r\ninfo-cash.jp\r\n";
    for (int i = 0; i < links; ++i) text += cash(tag, i) + "\r\n";
    return text;
  };
  const auto opens = [&](int ads, int links, const std::string& tag) {
    std::vector<std::string> urls;
    for (int i = 0; i < ads; ++i) urls.push_back(ad(tag, i));
    for (int i = 0; i < links; ++i) urls.push_back(cash(tag, i));
    return urls;
  };
  const struct {
    int ads, links;
    bool answer;
    std::vector<std::size_t> questions;
  } rows[] = {{30, 0, true, {}},  {31, 0, false, {31}}, {31, 0, true, {31}},   {40, 0, true, {40}},
              {15, 15, true, {}}, {20, 20, true, {40}}, {20, 11, false, {31}}, {0, 31, true, {31}}};
  for (const auto& row : rows) {
    const std::string what = std::to_string(row.ads) + "+" + std::to_string(row.links);
    RecordingHost host;
    host.limit = 30;
    host.stock = host.netmile = host.infocash = true;
    host.id = "ID7";
    host.answer = row.answer;
    host.clip = {mail(row.ads, row.links, "a")};
    std::string last;
    TClipDispatch dispatch;
    // Copies made while the question is open: kept, the same text twice once, and analysed after it.
    host.onConfirm = [&] {
      for (const std::string& text :
           {std::string("1234"), std::string("1234"), mail(3, 0, "b"), std::string("5678")}) {
        host.clip = {text};
        dispatch.Change(host, last);
      }
      EXPECT_TRUE(host.opened.empty()) << "nothing opens while the question is open";
    };
    ASSERT_TRUE(dispatch.Change(host, last));
    const bool asks = !row.questions.empty();
    EXPECT_EQ(dispatch.Asking(), asks) << what;
    EXPECT_EQ(dispatch.DueInMs(), std::optional<int>(0)) << what;
    EXPECT_TRUE(host.opened.empty()) << "nothing opens inside the notification";
    Drive(dispatch, host, last);
    EXPECT_EQ(host.questions, row.questions) << what;
    std::vector<std::string> expected;
    if (row.answer) expected = opens(row.ads, row.links, "a");
    if (asks)
      for (const auto& more : {std::vector<std::string>{chart + "1234"}, opens(3, 0, "b"), {chart + "5678"}})
        expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_EQ(host.opened, expected) << what;
    EXPECT_EQ(host.sleeps.size(), expected.size() - (asks ? 2 : 0)) << "a pause after each mail link";
    EXPECT_EQ(last, asks ? "5678" : mail(row.ads, row.links, "a"));
    EXPECT_FALSE(dispatch.DueInMs()) << what;
  }
}

// Settings changed while a copy's pages open act from the next page or pause on.
TEST(TClipDispatch, SettingsChangedDuringABatchActFromTheNextPageOn) {
  RecordingHost host;
  host.netmile = host.infocash = true;
  host.id = "ID7";
  host.clip = {"NetMile\r\nhttp://ad.example.jp/1\r\nhttp://ad.example.jp/2\r\n" + kNetMileFooter +
               "\r\ninfo-cash.jp\r\nhttp://x.example/clickweb/icjmp.asp?id=ID7\r\n"};
  std::string last;
  TClipDispatch dispatch;
  host.onOpen = [&] {
    host.sleepTime = 250;  // read at the pause that follows
    host.netmile = false;  // the mail's second ad stays closed
  };
  dispatch.Change(host, last);
  Drive(dispatch, host, last);
  EXPECT_EQ(host.opened, (std::vector<std::string>{"http://ad.example.jp/1",
                                                   "http://x.example/clickweb/icjmp.asp?id=ID7"}));
  EXPECT_EQ(host.sleeps, (std::vector<int>{250, 250}));
}
