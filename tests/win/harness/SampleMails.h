// The sample mails of tests/data and what each opens with both mail analysers on and the Info-Cash ID
// ic123456, read off the samples by hand.
#pragma once

#include <string>
#include <vector>

namespace harness {

struct SampleMail {
  const wchar_t* file;
  std::vector<std::string> urls;
};

inline const std::string kNetMileAd = "http://ad.netmile.co.jp/click.asp?ad=";
inline const std::string kInfoCashJump = "http://www.info-cash.jp/clickweb/icjmp.asp?";

inline const SampleMail kMagazine{
    L"netmile_magazine.txt",
    {kNetMileAd + "A1001&m=M0012345", kNetMileAd + "A1002&m=M0012345", kNetMileAd + "A1003&m=M0012345",
     kNetMileAd + "A1004&m=M0012345", kNetMileAd + "A1007&m=M0012345",
     "http://www.netmile.co.jp/?mm=20261208", "http://member.netmile.co.jp/member/mypage.asp",
     "http://www.netmile.co.jp/help/"}};
inline const SampleMail kGold{L"netmile_gold.txt",
                              {kNetMileAd + "G2001&m=M0012345", kNetMileAd + "G2002&m=M0012345"}};
inline const SampleMail kHtml{
    L"infocash_html.txt",
    {kInfoCashJump + "id=ic123456&ad=2002", kInfoCashJump + "id=ic123456&ad=2004&gt;",
     kInfoCashJump + "id=ic123456&amp;ad=2007"}};
inline const SampleMail kPlain{L"infocash_plain.txt",
                               {kInfoCashJump + "id=ic123456&ad=1001", kInfoCashJump + "id=ic123456&ad=1003",
                                kInfoCashJump + "ad=1004"}};

}  // namespace harness
