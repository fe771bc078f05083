// Conversions at the window boundary. Every conversion names its code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring ToWide(std::string_view text, UINT codePage);
std::string FromWide(std::wstring_view text, UINT codePage);
// A UTF-8 source literal as ANSI-code-page bytes (for messages that the program keeps as text).
std::string AnsiFromUtf8(std::string_view utf8);
// ANSI-code-page bytes for display through the W APIs.
inline std::wstring WideFromAnsi(std::string_view text) { return ToWide(text, CP_ACP); }
// The full path of a module's file (nullptr: the running executable).
std::string ModuleFileName(HMODULE module = nullptr);
