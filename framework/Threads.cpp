#include "Threads.h"

#include <utility>

#include "Classes.h"
#include "Forms.h"

namespace {
constexpr UINT WM_SYNCHRONIZE = WM_APP + 0x51;
}

TThread::TThread() : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  syncWindow_ =
      TUtilityWindow::Allocate([this](UINT m, WPARAM w, LPARAM l) { return SyncWindowProc(m, w, l); });
  if (!wake_ || !syncWindow_) throw EOutOfResources("Cannot create a thread");
}

TThread::~TThread() { StopAndWait(); }

void TThread::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] {
    try {
      Execute();
    } catch (...) {
      fatal_ = std::current_exception();  // reported on the GUI thread when the thread is stopped
    }
  });
}

void TThread::Terminate() {
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
    pending_ = nullptr;  // a call not yet run is dropped; one that runs ends without its waiter
  }
  done_.notify_all();
  SetEvent(wake_.get());
}

bool TThread::Terminated() const {
  std::lock_guard lock(mutex_);
  return terminated_;
}

void TThread::StopAndWait() {
  Terminate();
  if (thread_.joinable()) thread_.join();
  if (std::exception_ptr fatal = std::exchange(fatal_, nullptr)) {
    try {
      std::rethrow_exception(fatal);
    } catch (const std::exception& e) {
      Application().HandleException(e);
    } catch (...) {
      Application().HandleException(Exception("Thread ended with an unknown exception"));
    }
  }
}

void TThread::Wake() { SetEvent(wake_.get()); }

bool TThread::SyncPending() const {
  std::lock_guard lock(mutex_);
  return pending_ && !running_;
}

bool TThread::Synchronize(const std::function<void()>& method) {
  std::unique_lock lock(mutex_);
  if (terminated_) return false;
  pending_ = &method;
  completed_ = false;
  if (!PostMessageW(syncWindow_->Handle(), WM_SYNCHRONIZE, 0, 0)) {
    pending_ = nullptr;
    return false;
  }
  done_.wait(lock, [&] { return pending_ != &method; });
  return completed_;
}

void TThread::WaitForWake(DWORD milliseconds) { WaitForSingleObject(wake_.get(), milliseconds); }

LRESULT TThread::SyncWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_SYNCHRONIZE) return DefWindowProcW(syncWindow_->Handle(), msg, wParam, lParam);
  RunPending();
  return 0;
}

void TThread::RunPending() {
  const std::function<void()>* method = nullptr;
  std::function<void()> call;  // a copy: a Terminate during the call releases the worker and its own
  {
    std::lock_guard lock(mutex_);
    if (!pending_ || running_) return;
    method = pending_;
    call = *method;
    running_ = true;
  }
  struct Finish {
    TThread& self;
    const std::function<void()>* method;
    ~Finish() {
      {
        std::lock_guard lock(self.mutex_);
        self.running_ = false;
        if (self.pending_ == method) {
          self.pending_ = nullptr;
          self.completed_ = true;
        }
      }
      self.done_.notify_all();
    }
  } finish{*this, method};
  call();
}
