// System facts the program reads: the login user, locale mapping, version resources.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The login user name (GetUserNameA, 256 characters at most).
std::string GetWinUserName();

// Takes the lead bytes of code page 932 for the text rules, whatever the
// system's ANSI code page: the program's texts are always 932.
void InitLeadByteSet();

// Maps the whole code page 932 text with the system's locale mapping and the
// flags; the text unchanged when the mapping fails. A system of code page 932
// maps it with LCMapStringA under its default locale; any other maps the
// text's Unicode form with LCMapStringW under the Japanese locale, so the
// result is the same code page 932 text.
std::string LCMapText(const std::string& text, unsigned long flags);

// Key names of a version resource's string table, each with a leading backslash.
extern const std::array<std::string_view, 8> VersionKeys;

// "Name : value" of one string of a file's version resource, as a text of
// the program; "unidentified" when the file has none, "Name : None" when the
// key is missing.
std::string GetVersionInfo(const std::wstring& fileName, int keyIndex);
