// Hidden utility windows whose messages go to a member function.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

using TWndMethod = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

// An invisible, never shown top-level window of the calling thread; every
// message it receives goes to the handler. An exception from the handler
// goes to the application's error handler, not through Win32.
class TUtilityWindow {
 public:
  // Returns nullptr when the window can't be made.
  static std::unique_ptr<TUtilityWindow> Allocate(TWndMethod handler, const wchar_t* className = nullptr);
  ~TUtilityWindow();
  TUtilityWindow(const TUtilityWindow&) = delete;
  TUtilityWindow& operator=(const TUtilityWindow&) = delete;

  HWND Handle() const { return handle_; }

 private:
  explicit TUtilityWindow(TWndMethod handler) : handler_(std::move(handler)) {}
  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  TWndMethod handler_;
  HWND handle_ = nullptr;
};
