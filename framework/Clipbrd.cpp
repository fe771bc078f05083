#include "Clipbrd.h"

#include <cstring>

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

std::string ReadClipboardText(HWND owner) {
  ClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) throw Exception(AnsiFromUtf8("クリップボードを開くことができません"));
  HANDLE data = GetClipboardData(CF_TEXT);
  if (!data) return {};
  const SIZE_T size = GlobalSize(data);
  const char* bytes = static_cast<const char*>(GlobalLock(data));
  if (!bytes) return {};
  const void* nul = std::memchr(bytes, 0, size);
  std::string text(bytes, nul ? static_cast<const char*>(nul) - bytes : size);
  GlobalUnlock(data);
  return text;
}

namespace {

// Hands the CF_TEXT bytes up to the first NUL to use while the clipboard is open;
// no text data gives the empty text.
template <class F>
auto InPlaceText(HWND owner, F&& use) {
  ClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) throw Exception(AnsiFromUtf8("クリップボードを開くことができません"));
  HANDLE data = GetClipboardData(CF_TEXT);
  const char* bytes = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
  if (!bytes) return use(std::string_view());
  struct Unlock {
    HANDLE data;
    ~Unlock() { GlobalUnlock(data); }
  } unlock{data};
  const SIZE_T size = GlobalSize(data);
  const void* nul = std::memchr(bytes, 0, size);
  return use(std::string_view(bytes, nul ? static_cast<const char*>(nul) - bytes : size));
}

}  // namespace

bool ClipboardTextEquals(HWND owner, std::string_view text) {
  return InPlaceText(owner, [&](std::string_view clip) { return TextEquals(clip, text); });
}

std::uint64_t ClipboardTextDigest(HWND owner) { return InPlaceText(owner, &TextDigest); }
