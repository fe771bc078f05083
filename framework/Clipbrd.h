// The clipboard's text, as code page 932 text whatever the system's ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// True when the clipboard holds CF_TEXT or a format the system converts to it.
bool ClipboardHasText();
// True when the clipboard carries a format by which password managers ask
// monitors to leave the content alone.
bool ClipboardMarkedPrivate(HWND owner);
// The clipboard's text up to the first NUL, in code page 932; empty when there
// is no text. On a system whose ANSI code page is 932, the CF_TEXT bytes as
// they are; on any other, the Unicode text converted into 932 (characters 932
// lacks become what the system's own conversion makes of them), or the
// CF_TEXT bytes when no Unicode text is offered. Raises Exception
// "クリップボードを開くことができません" when the clipboard can't be opened.
std::string ReadClipboardText(HWND owner);
// Whether the CF_TEXT bytes up to the first NUL are text, compared in place:
// no copy of the clipboard's text is made. Raises as ReadClipboardText.
bool ClipboardTextEquals(HWND owner, std::string_view text);
// The fingerprint (TextDigest) of the CF_TEXT bytes up to the first NUL, taken in place.
std::uint64_t ClipboardTextDigest(HWND owner);
