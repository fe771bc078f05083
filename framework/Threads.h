// Worker threads that hand work to the GUI thread and wait for it.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "Handles.h"
#include "UtilWindow.h"

// A thread created on the GUI thread and started with Start. Derived classes
// give the body in Execute and call StopAndWait in their destructor, so the
// body never runs into a half-destroyed object.
//
// Synchronize runs a call on the GUI thread while the worker waits. Stopping
// cancels a call that the GUI thread has not begun, so the GUI thread may
// stop and join the worker at any moment without handling messages.
class TThread {
 public:
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  bool Started() const { return thread_.joinable(); }
  // Asks the body to end and releases a worker waiting in Synchronize or WaitForWake.
  void Terminate();
  bool Terminated() const;
  // Terminates and waits for the body's end; on the GUI thread.
  void StopAndWait();
  // Ends a WaitForWake early; a wake-up given before the wait is kept.
  void Wake();
  // A synchronous call waiting for the GUI thread.
  bool SyncPending() const;

 protected:
  virtual void Execute() = 0;
  // On the worker: runs the call on the GUI thread and returns when it is done;
  // false when it was cancelled by Terminate instead.
  bool Synchronize(const std::function<void()>& method);
  // On the worker: waits for Wake or Terminate, at most the time given.
  void WaitForWake(DWORD milliseconds);

 private:
  LRESULT SyncWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  void RunPending();

  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool terminated_ = false;
  const std::function<void()>* pending_ = nullptr;  // waiting for the GUI thread
  bool running_ = false;                            // the GUI thread is in the call
  bool completed_ = false;
  UniqueHandle wake_;
  std::unique_ptr<TUtilityWindow> syncWindow_;
  std::exception_ptr fatal_;
  std::thread thread_;
};
