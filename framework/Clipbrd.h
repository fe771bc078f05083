// The clipboard's text, as code page 932 text whatever the system's ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "AnalysisHost.h"

// The system calls behind the text reads below; a test may put a clipboard of
// its own in their place.
struct TClipboardCalls {
  std::function<BOOL(HWND owner)> Open;
  std::function<BOOL()> Close;
  std::function<UINT(UINT format)> EnumFormats;
  std::function<HANDLE(UINT format)> GetData;
  std::function<UINT()> AnsiCodePage;
};
TClipboardCalls& ClipboardCalls();
void ResetClipboardCalls();

// True when the clipboard holds CF_TEXT or a format the system converts to it.
bool ClipboardHasText();
// True when the clipboard carries a format by which password managers ask
// monitors to leave the content alone. Raises as ReadClipboardText when it
// has to look inside and can't.
bool ClipboardMarkedPrivate(HWND owner);
// The clipboard's text up to the first NUL, in code page 932; empty when there
// is no text. The Unicode text converted into 932 (characters 932 lacks
// become what the system's own conversion makes of them) where it is the
// clipboard's own text: on a system whose ANSI code page is 932 when it comes
// before CF_TEXT in the clipboard's order of formats (the system's CF_TEXT
// would then be its conversion through the code page of the keyboard layout
// of the copy), on any other whenever it is offered. Otherwise the CF_TEXT
// bytes as they are. Raises EClipboardBusy "クリップボードを開くことができません"
// when the clipboard can't be opened.
std::string ReadClipboardText(HWND owner);
// Whether the clipboard's text up to the first NUL is text; CF_TEXT bytes are
// compared in place, with no copy of the clipboard's text. Raises as ReadClipboardText.
bool ClipboardTextEquals(HWND owner, std::string_view text);
// The fingerprint (TextDigest) of the clipboard's text up to the first NUL, CF_TEXT taken in place.
std::uint64_t ClipboardTextDigest(HWND owner);
