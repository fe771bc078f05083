// What brivola-scan analyses: the bytes of a file as the program's clipboard
// text, in code page 932. A mail saved as UTF-8 (named so by --utf8, or
// beginning with the UTF-8 byte-order mark) is converted into 932 first.
#pragma once

#include <string>
#include <string_view>

// The bytes begin with the UTF-8 byte-order mark EF BB BF.
bool HasUtf8Bom(std::string_view bytes);

// UTF-8 converted into code page 932. A character that 932 lacks becomes '?',
// one for each UTF-16 unit it takes, as the system's conversion makes it.
// A broken UTF-8 sequence becomes '?' as well: on Windows as the system
// converts it, elsewhere one '?' for each longest start of a valid sequence
// (a single byte when no valid sequence starts there).
std::string Utf8ToCp932(std::string_view utf8);

// A file's bytes as the clipboard text: without a UTF-8 byte-order mark and
// converted from UTF-8 when there is one or when utf8 is set; a file without
// either is taken as code page 932 bytes as they are. The text ends at its first NUL.
std::string ScanText(std::string bytes, bool utf8);
