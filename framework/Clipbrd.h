// The clipboard's text, in the ANSI code page.
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
// The CF_TEXT bytes up to the first NUL; empty when there is no text. Raises
// Exception "クリップボードを開くことができません" when the clipboard can't be opened.
std::string ReadClipboardText(HWND owner);
// Whether the CF_TEXT bytes up to the first NUL are text, compared in place:
// no copy of the clipboard's text is made. Raises as ReadClipboardText.
bool ClipboardTextEquals(HWND owner, std::string_view text);
// The fingerprint (TextDigest) of the CF_TEXT bytes up to the first NUL, taken in place.
std::uint64_t ClipboardTextDigest(HWND owner);
