#include "Clipbrd.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

#include "Classes.h"
#include "Dispatch.h"
#include "Handles.h"
#include "WinText.h"

bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; }

bool ClipboardMarkedPrivate(HWND owner) {
  static const UINT exclude = RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
  static const UINT ignore = RegisterClipboardFormatW(L"Clipboard Viewer Ignore");
  static const UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
  static const UINT cloud = RegisterClipboardFormatW(L"CanUploadToCloudClipboard");
  if (IsClipboardFormatAvailable(exclude) || IsClipboardFormatAvailable(ignore)) return true;
  const bool hasHistory = IsClipboardFormatAvailable(history) != FALSE;
  const bool hasCloud = IsClipboardFormatAvailable(cloud) != FALSE;
  if (!hasHistory && !hasCloud) return false;
  ClipboardGuard clipboard(owner);
  // Unable to look inside: take the mark at its word rather than risk a secret.
  if (!clipboard.IsOpen()) return true;
  auto isZero = [](UINT format) {
    HANDLE data = GetClipboardData(format);
    if (!data || GlobalSize(data) < sizeof(DWORD)) return false;
    const auto* value = static_cast<const DWORD*>(GlobalLock(data));
    const bool zero = value && *value == 0;
    GlobalUnlock(data);
    return zero;
  };
  return (hasHistory && isZero(history)) || (hasCloud && isZero(cloud));
}

namespace {

// The locked memory of a clipboard handle; unlocked when it goes.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HANDLE data) : data_(data), memory_(data ? GlobalLock(data) : nullptr) {}
  ~GlobalLockGuard() {
    if (memory_) GlobalUnlock(data_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  const void* Memory() const { return memory_; }
  SIZE_T Size() const { return GlobalSize(data_); }

 private:
  HANDLE data_;
  void* memory_;
};

}  // namespace

std::string ReadClipboardText(HWND owner) {
  ClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) throw Exception(TextFromUtf8("クリップボードを開くことができません"));
  // The system's CF_TEXT is in its own ANSI code page; on any but 932 the
  // analysers get the Unicode text converted into 932 instead.
  if (GetACP() != kTextCodePage) {
    const GlobalLockGuard unicode(GetClipboardData(CF_UNICODETEXT));
    if (const auto* chars = static_cast<const wchar_t*>(unicode.Memory())) {
      const SIZE_T size = unicode.Size() / sizeof(wchar_t);
      const wchar_t* nul = std::wmemchr(chars, L'\0', size);
      const std::wstring_view text(chars, nul ? static_cast<SIZE_T>(nul - chars) : size);
      // Two bytes at most per UTF-16 unit must fit the conversion's int.
      if (text.size() > static_cast<SIZE_T>(INT_MAX / 2)) throw std::bad_alloc();
      return TextFromWide(text);
    }
  }
  const GlobalLockGuard ansi(GetClipboardData(CF_TEXT));
  const auto* bytes = static_cast<const char*>(ansi.Memory());
  if (!bytes) return {};
  const SIZE_T size = ansi.Size();
  const void* nul = std::memchr(bytes, 0, size);
  return std::string(bytes, nul ? static_cast<const char*>(nul) - bytes : size);
}

namespace {

// Hands the CF_TEXT bytes up to the first NUL to use while the clipboard is open;
// no text data gives the empty text.
template <class F>
auto InPlaceText(HWND owner, F&& use) {
  ClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) throw Exception(TextFromUtf8("クリップボードを開くことができません"));
  const GlobalLockGuard ansi(GetClipboardData(CF_TEXT));
  const auto* bytes = static_cast<const char*>(ansi.Memory());
  if (!bytes) return use(std::string_view());
  const SIZE_T size = ansi.Size();
  const void* nul = std::memchr(bytes, 0, size);
  return use(std::string_view(bytes, nul ? static_cast<const char*>(nul) - bytes : size));
}

}  // namespace

// In place only where CF_TEXT is the text the program reads; elsewhere through the converting read.
bool ClipboardTextEquals(HWND owner, std::string_view text) {
  if (GetACP() != kTextCodePage) return TextEquals(ReadClipboardText(owner), text);
  return InPlaceText(owner, [&](std::string_view clip) { return TextEquals(clip, text); });
}

std::uint64_t ClipboardTextDigest(HWND owner) {
  if (GetACP() != kTextCodePage) return TextDigest(ReadClipboardText(owner));
  return InPlaceText(owner, &TextDigest);
}
