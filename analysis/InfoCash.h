// Info-Cash cashback opener: the fixed texts it looks for and its markup removal.
#pragma once

#include <string>
#include <string_view>

// The service's domain name, searched case-sensitively in the copied text.
inline constexpr std::string_view kInfoCashDomain = "info-cash.jp";

// The click-through script every personal campaign link goes through.
inline constexpr std::string_view kInfoCashScript = "clickweb/icjmp.asp?";

// Removes every "<...>" stretch, scanning from the front; a ">" before the next "<" ends the removal and
// everything from there on is kept as it stands, as is a "<" with no ">" after it.
std::string StripTags(std::string_view text);
