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

#ifdef BRIVOLA_GDI_COUNT
// Test build: the guards below report the GDI objects and device contexts
// they hold, and the selections they make, so that a test can see the count
// of live objects and any object deleted while a guard still had it selected.
namespace gdicount {
void Owned(HGDIOBJ object);
void Deleted(HGDIOBJ object);
void Selected(HGDIOBJ object);
void Deselected(HGDIOBJ object);
long Live();
long DeletedWhileSelected();
}  // namespace gdicount
#define BRIVOLA_GDI_REPORT(call) gdicount::call
#else
#define BRIVOLA_GDI_REPORT(call) static_cast<void>(0)
#endif

// Owns one GDI object (font, brush, bitmap, pen, region) and deletes it.
// Whatever selected it must have restored the DC before: declare the
// SelectGuard after the object it selects.
template <class T>
class UniqueGdi {
 public:
  UniqueGdi() = default;
  explicit UniqueGdi(T object) : object_(object) {
    if (object_) BRIVOLA_GDI_REPORT(Owned(object_));
  }
  UniqueGdi(UniqueGdi&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  UniqueGdi& operator=(UniqueGdi&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~UniqueGdi() { reset(); }
  UniqueGdi(const UniqueGdi&) = delete;
  UniqueGdi& operator=(const UniqueGdi&) = delete;

  T get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset(T object = nullptr) {
    const T old = std::exchange(object_, object);
    if (old == object) return;
    if (object) BRIVOLA_GDI_REPORT(Owned(object));
    if (old) {
      BRIVOLA_GDI_REPORT(Deleted(old));
      DeleteObject(old);
    }
  }

 private:
  T object_ = nullptr;
};
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

// A window's device context, released with the guard.
class WindowDC {
 public:
  explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {
    if (dc_) BRIVOLA_GDI_REPORT(Owned(dc_));
  }
  ~WindowDC() {
    if (!dc_) return;
    BRIVOLA_GDI_REPORT(Deleted(dc_));
    ReleaseDC(wnd_, dc_);
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
  explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {
    if (dc_) BRIVOLA_GDI_REPORT(Owned(dc_));
  }
  ~MemoryDC() {
    if (!dc_) return;
    BRIVOLA_GDI_REPORT(Deleted(dc_));
    DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// An object selected into a DC; the previous one comes back with the guard.
// Declared after the object it selects, so that it restores first.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {
#ifdef BRIVOLA_GDI_COUNT
    obj_ = obj;
#endif
    if (old_) BRIVOLA_GDI_REPORT(Selected(obj_));
  }
  ~SelectGuard() {
    if (!old_) return;
    SelectObject(dc_, old_);
    BRIVOLA_GDI_REPORT(Deselected(obj_));
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
#ifdef BRIVOLA_GDI_COUNT
  HGDIOBJ obj_ = nullptr;
#endif
};

// Saves a DC's state; restores it with the guard. An object selected while
// it holds must outlive it: declare the object before the guard.
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
