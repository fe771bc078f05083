// The clipboard's text, in the ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// True when the clipboard holds CF_TEXT or a format the system converts to it.
bool ClipboardHasText();
// True when the clipboard carries a format by which password managers ask
// monitors to leave the content alone.
bool ClipboardMarkedPrivate(HWND owner);
// The CF_TEXT bytes up to the first NUL; empty when there is no text. Raises
// Exception "クリップボードを開くことができません" when the clipboard can't be opened.
std::string ReadClipboardText(HWND owner);
