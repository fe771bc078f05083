// The chart sites of the stock code lookup, indexed like the items of StockSiteSelect.
#pragma once

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 5> ChartUrlPrefixes = {
    "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=",             // Yahoo! ファイナンス
    "http://money.www.infoseek.co.jp/MnStock/mn_schart.html?qt=",  // infoseek マネー
    "http://finance.livedoor.com/index?stock_id=",                 // livedoor ファイナンス
    "http://stocknavi.jiji.co.jp/cgi-bin/kobetsu.cgi?CODE_TEXT=",  // 時事ストックナビ
    "http://company.nikkei.co.jp/index.cfm?scode=",                // NIKKEI NET 株価サーチ
};
