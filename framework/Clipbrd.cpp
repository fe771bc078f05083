#include "Clipbrd.h"

#include <cstring>

#include "Classes.h"
#include "Handles.h"
#include "WinText.h"

bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; }

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
