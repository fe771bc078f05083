// System facts the program reads: the login user, locale mapping, version resources.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The login user name (GetUserNameA, 256 characters at most).
std::string GetWinUserName();

// Takes the lead bytes of the ANSI code page for the text rules (none when it is single-byte).
void InitLeadByteSet();

// LCMapStringA over the whole text with the system default locale; the text
// unchanged when the mapping fails.
std::string LCMapText(const std::string& text, unsigned long flags);

// Key names of a version resource's string table, each with a leading backslash.
extern const std::array<std::string_view, 8> VersionKeys;

// "Name : value" of one string of a file's version resource; "unidentified"
// when the file has none, "Name : None" when the key is missing.
std::string GetVersionInfo(const std::string& fileName, int keyIndex);
