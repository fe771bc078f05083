// NetMile mail ad opener: the fixed texts it looks for.
#pragma once

#include <array>
#include <string_view>

// Searched in the lower-cased text.
inline constexpr std::string_view kNetMileTrigger = "netmile";

// Footer headings of the service's mails (code page 932); the first line holding either ends the mail body.
inline constexpr std::array<std::string_view, 2> NetMileStopMarkers = {
    // ■本メールは、ネットマイルにご登録いただきましたメールアドレス
    "\x81\xa1\x96\x7b\x83\x81\x81\x5b\x83\x8b\x82\xcd\x81\x41\x83\x6c\x83\x62\x83\x67\x83\x7d\x83\x43\x83\x8b"
    "\x82\xc9\x82\xb2\x93\x6f\x98\x5e\x82\xa2\x82\xbd\x82\xbe\x82\xab\x82\xdc\x82\xb5\x82\xbd\x83\x81\x81\x5b"
    "\x83\x8b\x83\x41\x83\x68\x83\x8c\x83\x58",
    // ■ゴールド会員限定ページへのログインについて
    "\x81\xa1\x83\x53\x81\x5b\x83\x8b\x83\x68\x89\xef\x88\xf5\x8c\xc0\x92\xe8\x83\x79\x81\x5b\x83\x57\x82\xd6"
    "\x82\xcc\x83\x8d\x83\x4f\x83\x43\x83\x93\x82\xc9\x82\xc2\x82\xa2\x82\xc4",
};

// The service's own member and home pages: never opened.
inline constexpr std::array<std::string_view, 2> NetMileSkipUrls = {
    "http://member.netmile.co.jp/member/",
    "http://www.netmile.co.jp/",
};
