#include "InfoCash.h"

#include <gtest/gtest.h>

#include "Analysers.h"
#include "MailHost.h"

namespace {
using Urls = std::vector<std::string>;

Urls InfoCashOpens(const std::string& text, const std::string& id) {
  MailHost host;
  host.id = id;
  BrowseInfoCash(host, text);
  return host.Urls();
}

const std::string kJump = "http://www.info-cash.jp/clickweb/icjmp.asp?";
}  // namespace

TEST(StripTags, RemovesTagsUntilAClosingBracketComesFirst) {
  const struct {
    std::string text, expected;
  } rows[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"a<b>c</b>d", "acd"},
      {"<p>\r\n</p>", "\r\n"},
      {"x<a\r\n href=\"y\"\r\n>z</a>", "xz"},  // a tag across lines goes with its breaks
      {"<<b>>", ">"},                          // the first ">" closes; the second comes before any "<"
      {"> quote <b>x</b>", "> quote <b>x</b>"},
      {"a<b>c>d<e>f", "ac>d<e>f"},  // after a tag, a ">" before the next "<" ends the removal
      {"a<b>c<d", "ac<d"},          // a "<" without a ">" after it stays with what follows
      {"<", "<"},
      {">", ">"},
      {"<>", ""},
      {"\x83\x41<b>\x83\x43", "\x83\x41\x83\x43"},  // ア<b>イ
      // A lead byte takes the next byte whatever it is, so this "<" is no tag start.
      {"\x83<b>x", "\x83<b>x"},
  };
  for (const auto& row : rows) EXPECT_EQ(StripTags(row.text), row.expected) << row.text;
}

TEST(BrowseInfoCash, OpensThePersonalLinksOfSampleMailsInOrder) {
  const struct {
    const char* mail;
    Urls expected;
  } rows[] = {
      {"infocash_plain.txt",
       {
           kJump + "id=ic123456&ad=1001",
           kJump + "id=ic123456&ad=1003",  // ends before the full-width space behind it
           kJump + "ad=1004",              // the ID stands elsewhere on the line; the first link only
       }},
      {"infocash_html.txt",
       {
           kJump + "id=ic123456&ad=2002",
           // Entities are not decoded: "&gt;" is made of URL bytes.
           kJump + "id=ic123456&ad=2004&gt;",
           kJump + "id=ic123456&amp;ad=2007",
       }},
      // The quoted ">" comes before the first "<": no tag is removed and links end at the markup.
      {"infocash_quoted.txt", {kJump + "id=ic123456&ad=3001", kJump + "id=ic123456&ad=3002"}},
      {"infocash_unclosed.txt",
       {kJump + "id=ic123456&ad=4001", kJump + "id=ic123456&ad=4002", kJump + "id=ic123456&ad=4003"}},
      {"netmile_magazine.txt", {}},
  };
  for (const auto& row : rows) {
    const std::string mail = ReadMail(row.mail);
    EXPECT_EQ(InfoCashOpens(mail, "ic123456"), row.expected) << row.mail;
    EXPECT_TRUE(InfoCashOpens(mail, "").empty()) << row.mail;
    EXPECT_TRUE(InfoCashOpens(mail, "ic000000").empty()) << row.mail;
  }
}

TEST(BrowseInfoCash, NeedsTheDomainTheIdAndTheScriptOnTheLine) {
  const std::string domain(kInfoCashDomain);
  const struct {
    std::string text;
    Urls expected;
  } rows[] = {
      {domain + "\r\nhttp://x.example/clickweb/icjmp.asp?id=ID7",
       {"http://x.example/clickweb/icjmp.asp?id=ID7"}},
      {"INFO-CASH.JP\r\nhttp://x.example/clickweb/icjmp.asp?id=ID7",
       {}},                                                         // the domain counts only as written
      {"Info-Cash.jp\r\n" + kJump + "id=ID7", {kJump + "id=ID7"}},  // found inside the link itself
      {"http://x.example/clickweb/icjmp.asp?id=ID7", {}},
      {domain + "\nhttp://x.example/icjmp.asp?id=ID7", {}},
      {domain + "\nhttp://x.example/clickweb/icjmp.asp?id=id7", {}},  // the ID is case-sensitive
      {domain + "\nID7 clickweb/icjmp.asp? http://x.example/", {"http://x.example/"}},
      {domain + "\nhttps://x.example/clickweb/icjmp.asp?id=ID7", {}},
      {domain + "\n<a href=\"" + kJump + "id=ID7\">link</a>", {}},  // only inside a tag
  };
  for (const auto& row : rows) EXPECT_EQ(InfoCashOpens(row.text, "ID7"), row.expected) << row.text;
}

TEST(BrowseInfoCash, StaysLinearOnALargeSourceWithManyTags) {
  // Hundreds of thousands of tags and lines; a per-tag copy of the rest would not finish in the test's time.
  constexpr int kLinks = 200000;
  std::string html = "<html><body>" + std::string(kInfoCashDomain) + "\r\n";
  for (int i = 0; i < kLinks; ++i)
    html += "<p><font color=\"red\">" + kJump + "id=ic1&ad=" + std::to_string(i) + "</font></p><br>\r\n";
  html += "</body></html>\r\n";
  const Urls urls = InfoCashOpens(html, "ic1");
  ASSERT_EQ(urls.size(), static_cast<std::size_t>(kLinks));
  EXPECT_EQ(urls.front(), kJump + "id=ic1&ad=0");
  EXPECT_EQ(urls.back(), kJump + "id=ic1&ad=" + std::to_string(kLinks - 1));
}
