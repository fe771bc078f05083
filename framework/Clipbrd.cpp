#include "Clipbrd.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <new>
#include <utility>

#include "Dispatch.h"
#include "WinText.h"

namespace {

TClipboardCalls SystemClipboardCalls() {
  return {[](HWND owner) { return OpenClipboard(owner); }, [] { return CloseClipboard(); },
          [](UINT format) { return EnumClipboardFormats(format); },
          [](UINT format) { return GetClipboardData(format); }, [] { return GetACP(); }};
}

// The clipboard, open for the guard's lifetime. Another program holding it is
// no failure of the clipboard: the caller may try again shortly.
class OpenClipboardGuard {
 public:
  explicit OpenClipboardGuard(HWND owner) {
    if (!ClipboardCalls().Open(owner))
      throw EClipboardBusy(TextFromUtf8("クリップボードを開くことができません"));
  }
  ~OpenClipboardGuard() { ClipboardCalls().Close(); }
  OpenClipboardGuard(const OpenClipboardGuard&) = delete;
  OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
};

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

TClipboardCalls& ClipboardCalls() {
  static TClipboardCalls calls = SystemClipboardCalls();
  return calls;
}

void ResetClipboardCalls() { ClipboardCalls() = SystemClipboardCalls(); }

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
  OpenClipboardGuard clipboard(owner);
  auto isZero = [](UINT format) {
    const GlobalLockGuard data(ClipboardCalls().GetData(format));
    if (!data.Memory() || data.Size() < sizeof(DWORD)) return false;
    return *static_cast<const DWORD*>(data.Memory()) == 0;
  };
  return (hasHistory && isZero(history)) || (hasCloud && isZero(cloud));
}

namespace {

// Whether the clipboard (open) holds its text as Unicode rather than as CF_TEXT.
bool UnicodeIsTheText() {
  const TClipboardCalls& calls = ClipboardCalls();
  // The system's CF_TEXT is in its own ANSI code page; on any but 932 the
  // analysers get the Unicode text converted into 932 instead.
  if (calls.AnsiCodePage() != kTextCodePage) return true;
  // The format the copying program placed comes first; the system's conversions follow it.
  for (UINT format = calls.EnumFormats(0); format; format = calls.EnumFormats(format)) {
    if (format == CF_UNICODETEXT) return true;
    if (format == CF_TEXT) return false;
  }
  return false;
}

// Hands the clipboard's text up to the first NUL to use while the clipboard is
// open: the CF_TEXT bytes where they stand, or the Unicode text converted into
// 932. No text data gives the empty text.
template <class F>
auto UseClipboardText(HWND owner, F&& use) {
  OpenClipboardGuard clipboard(owner);
  if (UnicodeIsTheText()) {
    const GlobalLockGuard unicode(ClipboardCalls().GetData(CF_UNICODETEXT));
    if (const auto* chars = static_cast<const wchar_t*>(unicode.Memory())) {
      const SIZE_T size = unicode.Size() / sizeof(wchar_t);
      const wchar_t* nul = std::wmemchr(chars, L'\0', size);
      const std::wstring_view text(chars, nul ? static_cast<SIZE_T>(nul - chars) : size);
      // Two bytes at most per UTF-16 unit must fit the conversion's int.
      if (text.size() > static_cast<SIZE_T>(INT_MAX / 2)) throw std::bad_alloc();
      return use(TextFromWide(text));
    }
  }
  const GlobalLockGuard ansi(ClipboardCalls().GetData(CF_TEXT));
  const auto* bytes = static_cast<const char*>(ansi.Memory());
  if (!bytes) return use(std::string_view());
  const SIZE_T size = ansi.Size();
  const void* nul = std::memchr(bytes, 0, size);
  return use(std::string_view(bytes, nul ? static_cast<const char*>(nul) - bytes : size));
}

}  // namespace

std::string ReadClipboardText(HWND owner) {
  return UseClipboardText(owner, [](auto&& text) { return std::string(std::forward<decltype(text)>(text)); });
}

bool ClipboardTextEquals(HWND owner, std::string_view text) {
  return UseClipboardText(owner, [&](std::string_view clip) { return TextEquals(clip, text); });
}

std::uint64_t ClipboardTextDigest(HWND owner) { return UseClipboardText(owner, &TextDigest); }
