// Hidden utility windows whose messages go to a member function.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

using TWndMethod = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

// An invisible, never shown window of the calling thread; every message it
// receives goes to the handler. An exception from the handler goes to the
// application's error handler, not through Win32.
class TUtilityWindow {
 public:
  // Top-level: it also gets the messages broadcast to all windows.
  // Message-only: it gets only what is sent or posted to it, and costs no
  // desktop window (a window of the display server under Wine).
  enum class TKind { TopLevel, MessageOnly };

  // Returns nullptr when the window can't be made.
  static std::unique_ptr<TUtilityWindow> Allocate(TWndMethod handler, const wchar_t* className = nullptr,
                                                  TKind kind = TKind::TopLevel);
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
