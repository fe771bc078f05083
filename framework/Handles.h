// Small owners of Win32 resources.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct GdiObjectDeleter {
  void operator()(void* h) const {
    if (h) DeleteObject(static_cast<HGDIOBJ>(h));
  }
};
template <class T>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<T>, GdiObjectDeleter>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRgn = UniqueGdi<HRGN>;

struct IconDestroyer {
  void operator()(HICON h) const {
    if (h) DestroyIcon(h);
  }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

struct MenuDestroyer {
  void operator()(HMENU h) const {
    if (h) DestroyMenu(h);
  }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// The clipboard, open for the guard's lifetime.
class ClipboardGuard {
 public:
  explicit ClipboardGuard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardGuard() {
    if (open_) CloseClipboard();
  }
  ClipboardGuard(const ClipboardGuard&) = delete;
  ClipboardGuard& operator=(const ClipboardGuard&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// A window's device context, released with the guard.
class WindowDC {
 public:
  explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// A memory DC, deleted with the guard.
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// An object selected into a DC; the previous one comes back with the guard.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Saves a DC's state; restores it with the guard.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
  ~SavedDC() {
    if (id_) RestoreDC(dc_, id_);
  }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int id_;
};
