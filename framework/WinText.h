// Conversions at the window boundary. Every conversion names its code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The code page of every text the program analyses, keeps and shows,
// whatever the system's ANSI code page: Shift-JIS.
constexpr UINT kTextCodePage = 932;

// A length for the system's int-counted text calls; std::bad_alloc (too large) beyond INT_MAX.
int ConversionLength(size_t length);

std::wstring ToWide(std::string_view text, UINT codePage);
// One size query and one conversion straight into the result; characters the
// code page lacks become its default character, as the system's own conversion makes them.
std::string FromWide(std::wstring_view text, UINT codePage);

// The program's texts (code page 932) for display through the W APIs, and back.
inline std::wstring WideFromText(std::string_view text) { return ToWide(text, kTextCodePage); }
inline std::string TextFromWide(std::wstring_view text) { return FromWide(text, kTextCodePage); }
// A UTF-8 source literal as a text of the program (for messages it keeps as text).
std::string TextFromUtf8(std::string_view utf8);

// What the system's ANSI functions give and take (file paths, the user name,
// version strings) is in the system's ANSI code page.
inline std::wstring WideFromAnsi(std::string_view text) { return ToWide(text, CP_ACP); }
// Such bytes as a text of the program, and back; unchanged on a system whose ANSI code page is 932.
std::string TextFromAnsi(std::string_view ansi);
std::string AnsiFromText(std::string_view text);

// The full path of a module's file (nullptr: the running executable), read in
// Unicode: a folder may be named in any language, whatever the code page.
std::wstring ModuleFileName(HMODULE module = nullptr);
// The path with the extension of its file name replaced (added when it has none).
std::wstring ChangeFileExt(const std::wstring& path, std::wstring_view extension);
