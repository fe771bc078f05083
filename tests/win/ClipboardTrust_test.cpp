// Under Wine: content marked private by a password manager is left alone, and
// a viewer chain broken ahead of the program is healed by re-joining it.
#include <gtest/gtest.h>

#include "Harness.h"

using namespace harness;

namespace {
std::wstring Tool() { return L"\"" + EnvPath("WINTOOL_EXE") + L"\""; }

int CountDraws(const std::wstring& log) {
  int n = 0;
  for (auto& l : ReadLines(log)) n += l == "draw";
  return n;
}

bool Taken(const ProgramCopy& copy, size_t n) {
  return WaitUntil([&] { return ReadProbeLog(copy.ProbeLog()).size() >= n; });
}
}  // namespace

TEST(ClipboardTrust, MarkedContentIsNotAnalysed) {
  ProgramCopy copy(L"private", "BRIVOLA_PROBE_EXE");
  auto program = copy.Start();
  const std::vector<std::pair<std::wstring, DWORD>> marks[] = {
      {{L"ExcludeClipboardContentFromMonitorProcessing", 0}},
      {{L"Clipboard Viewer Ignore", 0}},
      {{L"CanIncludeInClipboardHistory", 0}},
      {{L"CanUploadToCloudClipboard", 0}},
  };
  size_t n = 0;
  for (const auto& mark : marks) {
    PutClipboardText("1234", mark);
    // A plain marker text afterwards shows that the marked one was skipped.
    const std::string marker = "plain-" + std::to_string(n);
    PutClipboardText(marker);
    ASSERT_TRUE(Taken(copy, ++n));
    EXPECT_EQ(ReadProbeLog(copy.ProbeLog()).back(), marker);
  }
  // A history mark that allows (DWORD 1) is no secret.
  PutClipboardText("allowed", {{L"CanIncludeInClipboardHistory", 1}});
  ASSERT_TRUE(Taken(copy, ++n));
  // LastClipText was left as it was: the same PIN copied plainly is analysed.
  PutClipboardText("9999", {{L"ExcludeClipboardContentFromMonitorProcessing", 0}});
  PutClipboardText("9999");
  ASSERT_TRUE(Taken(copy, ++n));
  EXPECT_EQ(ReadProbeLog(copy.ProbeLog()),
            (std::vector<std::string>{"plain-0", "plain-1", "plain-2", "plain-3", "allowed", "9999"}));
}

TEST(ClipboardTrust, BrokenChainIsRejoined) {
  ProgramCopy copy(L"rejoin", "BRIVOLA_PROBE_EXE");
  auto program = copy.Start(nullptr, {L"BRIVOLA_CHAIN_CHECK_MS=300"});
  size_t n = 0;
  PutClipboardText("one");
  ASSERT_TRUE(Taken(copy, ++n));

  for (const wchar_t* mode : {L" --swallow", L" --die-after 0"}) {
    // A viewer joins ahead of the program and cuts it off.
    const std::wstring badLog = copy.Dir() + L"\\bad.log";
    DeleteFileW(badLog.c_str());
    Process bad(Tool() + L" chain \"" + badLog + L"\"" + mode);
    ASSERT_TRUE(WaitUntil([&] { return !ReadLines(badLog).empty(); }));
    PutClipboardText(std::string("lost") + (mode[3] == L's' ? "1" : "2"));
    // Within the check interval the program joins again and the next copy is analysed.
    const std::string next = std::string("after") + std::to_string(n);
    ASSERT_TRUE(WaitUntil(
        [&] {
          PutClipboardText(next);
          return WaitUntil(
              [&] {
                auto t = ReadProbeLog(copy.ProbeLog());
                return !t.empty() && t.back() == next;
              },
              500);
        },
        20000))
        << "not re-joined";
    n = ReadProbeLog(copy.ProbeLog()).size();
    bad.Kill();
  }
  PutClipboardText("final");
  EXPECT_TRUE(Taken(copy, ++n));
}

TEST(ClipboardTrust, HealthyChainSeesEachChangeOnce) {
  ProgramCopy copy(L"healthy", "BRIVOLA_PROBE_EXE");
  const std::wstring log = copy.Dir() + L"\\viewer.log";
  Process viewer(Tool() + L" chain \"" + log + L"\"");
  ASSERT_TRUE(WaitUntil([&] { return !ReadLines(log).empty(); }));
  const int base = CountDraws(log);
  auto program = copy.Start(nullptr, {L"BRIVOLA_CHAIN_CHECK_MS=200"});
  for (int i = 0; i < 5; ++i) {
    PutClipboardText("text" + std::to_string(i));
    ASSERT_TRUE(Taken(copy, static_cast<size_t>(i + 1)));
    ASSERT_TRUE(WaitUntil([&] { return CountDraws(log) == base + i + 1; }));
  }
  // Several check periods with no change: no re-join, whose notification would reach the viewer behind.
  // A marker copied afterwards comes down the chain after any such notification: the check is made on it.
  EXPECT_FALSE(WaitUntil([&] { return CountDraws(log) > base + 5; }, 1500)) << "an extra notification";
  PutClipboardText("marker");
  ASSERT_TRUE(Taken(copy, 6));
  ASSERT_TRUE(WaitUntil([&] { return CountDraws(log) >= base + 6; }));
  EXPECT_EQ(CountDraws(log), base + 6);
  EXPECT_EQ(ReadProbeLog(copy.ProbeLog()),
            (std::vector<std::string>{"text0", "text1", "text2", "text3", "text4", "marker"}));
}
