#include "TrayDriver.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace harness {

OpenMenu::OpenMenu(HWND tray, DWORD pid, int dpi) : dpi_(dpi) {
  // The menu opens at the cursor: the same place each time, with room below and to the right.
  const POINT at{200, 200};
  MouseMoveTo(at);
  WaitUntil(
      [&] {
        POINT p{};
        return GetCursorPos(&p) && p.x == at.x && p.y == at.y;
      },
      5000);
  PostMessageW(tray, kTrayNotify, 7, WM_RBUTTONDOWN);
  // Visible: the window of a menu that has just closed may linger hidden.
  WaitUntil(
      [&] {
        wnd_ = FindProcessWindow(L"#32768", nullptr, pid);
        return wnd_ && IsWindowVisible(wnd_);
      },
      10000);
  if (wnd_) WaitUntil([&] { return FindBar(); }, 5000);
}

std::pair<int, int> OpenMenu::Highlighted(const Capture& c) const {
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const int x = bar_.x + Scaled(kBarWidth) + Scaled(22);  // between the image and the caption
  int top = -1, bottom = -1;
  for (int y = 0; y < c.height; ++y)
    if (c.At(x, y) == highlight) {
      if (top < 0) top = y;
      bottom = y + 1;
    }
  return {top, bottom};
}

std::pair<int, int> OpenMenu::Down() {
  const std::pair<int, int> before = Highlighted(CaptureClient(wnd_));
  std::pair<int, int> rows;
  PostMessageW(wnd_, WM_KEYDOWN, VK_DOWN, 0);
  if (!WaitUntil([&] { return (rows = Highlighted(CaptureClient(wnd_))) != before && rows.first >= 0; },
                 5000)) {
    SaveArtifact(CaptureClient(wnd_), "TrayMenu-no-selection-move.bmp");
    return {-1, -1};
  }
  return rows;
}

std::pair<int, int> OpenMenu::SelectByKeyboard(Command command) {
  std::pair<int, int> rows{-1, -1};
  for (int i = 0; i <= command && (i == 0 || rows.first >= 0); ++i) rows = Down();
  return rows;
}

Capture OpenMenu::HoverOver(std::pair<int, int> rows) const {
  MouseMoveTo(PointOf(rows));
  Capture c;
  WaitUntil([&] { return Highlighted(c = CaptureClient(wnd_)) == rows; }, 5000);
  return c;
}

POINT OpenMenu::PointOf(std::pair<int, int> rows) const {
  POINT p{bar_.x + Scaled(kBarWidth) + Scaled(40), (rows.first + rows.second) / 2};
  ClientToScreen(wnd_, &p);
  return p;
}

bool OpenMenu::Closed() const {
  return WaitUntil([&] { return !IsWindow(wnd_) || !IsWindowVisible(wnd_); }, 5000);
}

// The bar's pure blue top-left pixel, once the menu has painted it.
bool OpenMenu::FindBar() {
  atOpen_ = CaptureClient(wnd_);
  for (int y = 0; y < 8 && y < atOpen_.height; ++y)
    for (int x = 0; x < 8 && x < atOpen_.width; ++x)
      if (atOpen_.At(x, y) == RGB(0, 0, 255)) {
        bar_ = {x, y};
        return true;
      }
  return false;
}

bool Running::Start(const std::vector<std::wstring>& extraEnv) {
  program = copy.Start(&form, extraEnv);
  tray = program ? WaitForWindow(L"TaskTrayHandle", nullptr, program->Id()) : nullptr;
  return form && tray;
}

Running::~Running() {
  if (program && program->Running()) {
    PostMessageW(form, WM_CLOSE, 0, 0);  // a visible form only hides
    WaitUntil([&] { return !IsWindowVisible(form); }, 5000);
    PostMessageW(form, WM_CLOSE, 0, 0);
    program->Wait(10000);
  }
}

void ClickCommand(Running& run, Command command) {
  OpenMenu menu(run.tray, run.program->Id());
  ASSERT_TRUE(menu) << "the menu opens with its bar";
  const auto rows = menu.SelectByKeyboard(command);
  ASSERT_GE(rows.first, 0) << "the item is highlighted";
  MouseClickAt(menu.PointOf(rows));
  ASSERT_TRUE(menu.Closed());
}

}  // namespace harness

namespace harness {

// Wine's record of one call: NOTIFYICONDATA's fields in a fixed layout, then the icon's size, then its mask
// and colour bits.
namespace {
constexpr size_t kIconFields = 944;  // hWnd, uID, uFlags, uCallbackMessage, szTip ... guidItem
struct IconHeader {
  UINT width, height, planes, bpp;
};
}  // namespace

struct TraySpy::State {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Call> calls;
  HWND window = nullptr, shell = nullptr;
  bool ready = false;
  std::thread thread;

  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<State*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_CLOSE) {
      DestroyWindow(wnd);
      return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    if (msg != WM_COPYDATA || !self) return DefWindowProcW(wnd, msg, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    Call call{};
    GetWindowThreadProcessId(reinterpret_cast<HWND>(wParam), &call.process);
    call.message = static_cast<DWORD>(data->dwData);
    const auto* bytes = static_cast<const BYTE*>(data->lpData);
    if (data->cbData >= 12) std::memcpy(&call.flags, bytes + 8, sizeof call.flags);
    if ((call.flags & NIF_ICON) && data->cbData >= kIconFields + sizeof(IconHeader)) {
      IconHeader icon{};
      std::memcpy(&icon, bytes + kIconFields, sizeof icon);
      call.width = static_cast<int>(icon.width);
      call.height = static_cast<int>(icon.height);
      call.bitsPerPixel = static_cast<int>(icon.bpp);
      const size_t pixels = static_cast<size_t>(icon.width) * icon.height;
      const size_t mask = (pixels + 15) / 16 * 2, colour = (pixels * icon.planes * icon.bpp + 15) / 16 * 2;
      call.wholeIcon = data->cbData == kIconFields + sizeof icon + mask + colour;
    }
    {
      std::lock_guard lock(self->mutex);
      self->calls.push_back(call);
    }
    self->changed.notify_all();
    DWORD_PTR result = FALSE;
    if (self->shell) SendMessageTimeoutW(self->shell, msg, wParam, lParam, SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
  }

  void Run() {
    shell = FindWindowW(L"Shell_TrayWnd", nullptr);
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"Shell_TrayWnd";
      return RegisterClassW(&wc);
    }();
    window = CreateWindowW(MAKEINTATOM(atom), nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard lock(mutex);
      ready = true;
    }
    changed.notify_all();
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  }
};

TraySpy::TraySpy() : state_(std::make_unique<State>()) {
  state_->thread = std::thread([s = state_.get()] { s->Run(); });
  std::unique_lock lock(state_->mutex);
  state_->changed.wait(lock, [&] { return state_->ready; });
}

TraySpy::~TraySpy() {
  PostMessageW(state_->window, WM_CLOSE, 0, 0);
  state_->thread.join();
}

bool TraySpy::InFront() const {
  return state_->window && FindWindowW(L"Shell_TrayWnd", nullptr) == state_->window;
}

std::vector<TraySpy::Call> TraySpy::Calls(DWORD process) const {
  std::lock_guard lock(state_->mutex);
  std::vector<Call> of;
  for (const Call& c : state_->calls)
    if (c.process == process) of.push_back(c);
  return of;
}

std::vector<TraySpy::Call> TraySpy::WaitForCalls(DWORD process, size_t count, DWORD timeoutMs) const {
  std::unique_lock lock(state_->mutex);
  state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return std::count_if(state_->calls.begin(), state_->calls.end(),
                         [&](const Call& c) { return c.process == process; }) >= static_cast<long>(count);
  });
  lock.unlock();
  return Calls(process);
}

}  // namespace harness
