// Full-width to half-width mapping of code page 932 text without the
// platform: the ideographic space, the full-width ASCII forms, and the
// full-width katakana and Japanese punctuation that have half-width forms.
#pragma once

#include <string>
#include <string_view>

// Everything else, including a lone lead byte at the end, stays as it is.
// The text ends at its first NUL byte.
std::string HalfWidthPortable(std::string_view text);
