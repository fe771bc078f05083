// The framework's worker threads: synchronous calls into the GUI thread,
// cancelled when the thread is stopped; wake-ups; errors reported.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "Forms.h"
#include "Harness.h"
#include "Threads.h"

using namespace harness;

namespace {
class TProbe : public TThread {
 public:
  explicit TProbe(std::function<void(TProbe&)> body) : body_(std::move(body)) {}
  ~TProbe() override { StopAndWait(); }
  using TThread::Synchronize;
  using TThread::WaitForWake;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TProbe&)> body_;
};

bool PumpUntil(const std::function<bool()>& until, DWORD ms = 3000) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!until()) {
    if (GetTickCount64() >= end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}
}  // namespace

TEST(Threads, SynchronizeRunsTheCallOnTheGuiThreadWhileTheWorkerWaits) {
  std::atomic<DWORD> ranOn{0};
  std::atomic<int> result{-1};
  TProbe probe(
      [&](TProbe& self) { result = self.Synchronize([&] { ranOn = GetCurrentThreadId(); }) ? 1 : 0; });
  probe.Start();
  ASSERT_TRUE(PumpUntil([&] { return result != -1; }));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

TEST(Threads, StoppingDropsACallThatTheGuiThreadHasNotBegun) {
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  {
    TProbe probe([&](TProbe& self) { result = self.Synchronize([&] { ran = true; }) ? 1 : 0; });
    probe.Start();
    ASSERT_TRUE(WaitUntil([&] { return probe.SyncPending(); }, 3000));
    probe.StopAndWait();  // returns although this thread never answered
    EXPECT_EQ(result, 0);
  }
  PumpUntil([] { return false; }, 100);
  EXPECT_FALSE(ran) << "the posted request finds nobody";
}

TEST(Threads, AWaitEndsOnAWakeUpGivenBeforeOrDuringItAndOnStopping) {
  std::atomic<int> wakes{0};
  TProbe probe([&](TProbe& self) {
    while (!self.Terminated()) {
      self.WaitForWake(INFINITE);
      ++wakes;
    }
  });
  probe.Wake();  // before the thread runs: kept
  probe.Start();
  ASSERT_TRUE(WaitUntil([&] { return wakes >= 1; }, 3000));
  probe.Wake();
  ASSERT_TRUE(WaitUntil([&] { return wakes >= 2; }, 3000));
  probe.StopAndWait();
  EXPECT_EQ(wakes, 3);
}

TEST(Threads, ErrorsReachTheApplicationsHandler) {
  std::vector<std::string> errors;
  Application().OnException = [&](const std::exception& e) { errors.push_back(e.what()); };
  {
    std::atomic<bool> done{false};
    TProbe probe([&](TProbe& self) {
      self.Synchronize([] { throw Exception("in the call"); });
      done = true;
      throw Exception("in the body");
    });
    probe.Start();
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(errors, std::vector<std::string>{"in the call"});
  }
  EXPECT_EQ(errors, (std::vector<std::string>{"in the call", "in the body"})) << "reported when stopped";
  Application().OnException = nullptr;
}

TEST(Threads, TheGeneralHandlerNeverShowsARunTimeLibrarysRawText) {
  const std::wstring noMemory =
      L"\u30e1\u30e2\u30ea\u304c\u4e0d\u8db3\u3057\u3066\u3044\u308b\u305f\u3081\u3001"
      L"\u51e6\u7406\u3092\u7d9a\u3051\u3089\u308c\u307e\u305b\u3093\u3067\u3057\u305f\u3002";
  const std::wstring unexpected =
      L"\u4e88\u671f\u3057\u306a\u3044\u30a8\u30e9\u30fc\u306e\u305f\u3081\u3001"
      L"\u51e6\u7406\u3092\u7d9a\u3051\u3089\u308c\u307e\u305b\u3093\u3067\u3057\u305f\u3002";
  EXPECT_EQ(ExceptionMessage(std::bad_alloc()), noMemory);
  EXPECT_EQ(ExceptionMessage(std::length_error("basic_string::_M_create")), unexpected);
  EXPECT_EQ(ExceptionMessage(std::runtime_error("vector")), unexpected);
  // The program's own exceptions keep their messages, in code page 932.
  EXPECT_EQ(ExceptionMessage(Exception("\x83\x4e\x83\x8a\x83\x62\x83\x76")), L"\u30af\u30ea\u30c3\u30d7");
}

TEST(Threads, EveryBoxComesToTheFrontOfOtherProgramsAndNoneWhileTheSessionEnds) {
  std::vector<UINT> shown;
  ShowMessageBox = [&](HWND, const wchar_t*, const wchar_t*, UINT flags) {
    shown.push_back(flags);
    return IDOK;
  };
  const struct {
    std::function<void()> show;
    UINT flags;
  } boxes[] = {
      {[] { MessageDlg(L"Brivola", L"text", TMsgDlgType::mtWarning); }, MB_OK | MB_ICONWARNING},
      {[] { ShowMessage("text"); }, MB_OK},
      {[] { Application().HandleException(Exception("text")); }, MB_OK | MB_ICONERROR},
  };
  for (const auto& box : boxes) {
    shown.clear();
    box.show();
    EXPECT_EQ(shown, std::vector<UINT>{box.flags | MB_SETFOREGROUND | MB_TOPMOST});
  }
  shown.clear();
  {
    TSessionEnd ending;
    for (const auto& box : boxes) box.show();
  }
  EXPECT_TRUE(shown.empty());
  boxes[1].show();
  EXPECT_EQ(shown.size(), 1u) << "shown again once the session goes on";
  ShowMessageBox = &MessageBoxW;
}
