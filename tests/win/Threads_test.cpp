// The framework's worker threads: synchronous calls into the GUI thread,
// cancelled when the thread is stopped; wake-ups; errors reported.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
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
  TProbe probe([&](TProbe& self) {
    result = self.Synchronize([&] { ranOn = GetCurrentThreadId(); }) ? 1 : 0;
  });
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
