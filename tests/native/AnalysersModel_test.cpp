// The three analysers against the slow models of RulesModel.h on generated texts of several MiB, made of
// the pieces where the rules have their edges: lone lead bytes before line breaks, full-width spaces inside
// links and footer headings, tags across lines and across whole stretches, a '>' before the first '<',
// every kind of line break, NULs, lines longer than the windows a line is put together in.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Analysers.h"
#include "HalfWidth.h"
#include "LineWalk.h"
#include "NetMile.h"
#include "RulesModel.h"

namespace {
const std::string kSpace = "\x81\x40";
const std::string kJump = "http://www.info-cash.jp/clickweb/icjmp.asp?id=";

const std::vector<std::string> kPieces = {
    // Japanese text, trail bytes that look like ASCII, a lone lead byte before each kind of break.
    "\x83\x41\x83\x4e\x88\x9f",
    "\x82\xa0\x81\x81",
    "\x83\x4eNETMILE",
    "\x81\r\n",
    "\x83\n",
    "\x81\r",
    "\xe0\r\n",
    // Blanks, controls and full-width spaces at the ends and inside of lines.
    " ",
    "\t",
    kSpace,
    kSpace + kSpace,
    "\x83" + kSpace,
    "\x81\x81\x40",
    "\x7f",
    // Breaks of every kind.
    "\r\n",
    "\r\n",
    "\n",
    "\r",
    "\n\r",
    "\r\r",
    // Links: plain, broken by full-width spaces (also inside "http://"), skipped, other schemes, ends.
    "http://ad.netmile.co.jp/click.asp?ad=1",
    "\x81\x40http://ad.netmile.co.jp/cl\x81\x40ick.asp?ad=2\x81\x40\x83\x41",
    "htt\x81\x40p://ad.netmile.co.jp/x",
    "http://www.netmile.co.jp/",
    "http://member.netmile.co.jp/member/",
    "https://secure.netmile.co.jp/",
    "http:/",
    "http://a.jp/\"q\"",
    "x\x81http://b.jp/",
    // Info-Cash links with and without the ID or the script, in text, in attributes, in angle brackets.
    kJump + "ic123456&ad=1",
    kJump + "ic999999&ad=2",
    "http://www.info-cash.jp/mypage.asp?id=ic123456",
    "<a href=\"" + kJump + "ic123456&ad=3\">",
    "<" + kJump + "ic123456&ad=4>",
    "ic123456 ",
    " ic1",
    // Tags, tags across lines, lone delimiters, delimiters as second bytes.
    "<p>",
    "</p>",
    "<br>",
    "<br\r\n>",
    "<font\ncolor=red>",
    "<",
    ">",
    "<<",
    ">>",
    "\x81<",
    "\x81>",
    "\x81\x81<",
    "\x81\x81\x81>",
    "<td class=\"item\"><span>\x89\xc6\x93\x64</span></td>",
    "&lt;",
    // The triggers.
    "NetMile",
    "netmile.co.jp",
    "info-cash.jp",
};

// Markup with no ">" outside a tag: a '>' after a lead byte inside a tag does not close it, "<" inside a tag
// keeps it open, lead bytes before delimiters and breaks, tags across lines.
const std::vector<std::string> kMarkup = {
    "<p>",
    "</p>",
    "<br\r\n>",
    "<font\ncolor=red>",
    "\x83\x41\x83\x4e",
    "\r\n",
    "\n",
    "\x81\x40",
    "\x81\x81<b>",
    "<b\x81>x>",
    "<<b>",
    "\xe0\r\n",
    "text ",
    "\x83<",
    "<td class=\"item\"><span>\x89\xc6\x93\x64</span></td>",
    "<a\r\nhref=x\r\ntitle=y\r\nclass=z\r\nid=w\r\n>",
};

// Where two logs part: the line of each there, short enough to print (a whole log of a large text is not).
std::string Parting(const std::string& mine, const std::string& slow) {
  const std::size_t at = static_cast<std::size_t>(
      std::mismatch(mine.begin(),
                    mine.begin() + static_cast<std::ptrdiff_t>(std::min(mine.size(), slow.size())),
                    slow.begin())
          .first -
      mine.begin());
  const std::size_t line = mine.rfind('\n', at) == std::string::npos ? 0 : mine.rfind('\n', at) + 1;
  return "analyser: " + mine.substr(line, 200) + "\nrules: " + slow.substr(line, 200);
}

struct TTextShape {
  unsigned seed;
  std::size_t size;
  std::string head;        // what the text begins with
  bool longLines;          // now and then a line of a few hundred KiB, full of pieces but breaks
  bool hugeTag;            // a tag over a few hundred KiB, line breaks inside
  int footer;              // 1, 2: a footer heading near the end, full-width spaces inside, links after it
  bool nul;                // a NUL near the end
  bool colonFree = false;  // now and then some KiB of pieces without a colon: tags passed over in windows
};

std::string Generate(const TTextShape& shape) {
  std::mt19937 rng(shape.seed);
  std::string text = shape.head;
  const auto piece = [&] { return kPieces[rng() % kPieces.size()]; };
  bool stopped = false;
  while (text.size() < shape.size) {
    const unsigned roll = rng() % 20000;
    if (shape.longLines && roll == 0) {
      for (std::size_t end = text.size() + 300 * 1024; text.size() < end;)
        if (const std::string p = piece(); p.find_first_of("\r\n") == std::string::npos) text += p;
    } else if (shape.colonFree) {
      // Markup that never stops the removal, up to 512 bytes without a colon, then a piece; three quarters
      // in, a ">" outside any tag before the markup stops the removal for the rest.
      if (!stopped && text.size() > shape.size / 4 * 3) text += "<p>a > b", stopped = true;
      for (std::size_t end = text.size() + rng() % 512; text.size() < end;)
        text += kMarkup[rng() % kMarkup.size()];
      const std::string p = piece();
      if (p.find_first_of("<>") == std::string::npos || p.front() == '<') text += p;
      if (rng() % 4 == 0) text += "<b>" + kJump + "ic123456&ad=5</b>\r\n";
    } else if (shape.hugeTag && roll == 1) {
      text += "<";
      for (std::size_t end = text.size() + 200 * 1024; text.size() < end;)
        if (const std::string p = piece(); p.find_first_of("<>") == std::string::npos) text += p;
      text += ">";
    } else {
      text += piece();
    }
  }
  if (shape.footer) {
    // The first heading broken by a full-width space after its third character; the second by two right
    // after its ■.
    const std::string marker(NetMileStopMarkers[shape.footer - 1]);
    const std::size_t cut = shape.footer == 1 ? 6 : 2;
    text += "\r\n\x81\x40" + marker.substr(0, cut) + kSpace + (shape.footer == 1 ? "" : kSpace) +
            marker.substr(cut) + " http://ad.netmile.co.jp/footer\r\n";
    text += "http://ad.netmile.co.jp/after\r\n" + kJump + "ic123456&ad=9\r\n";
  }
  if (shape.nul) text.insert(text.size() - 1000, std::string(1, '\0') + "http://ad.netmile.co.jp/nul\r\n");
  return text;
}

// Different texts meet different edges; each is made twice its size at most.
const TTextShape kShapes[] = {
    {1, 3 << 20, "NetMile info-cash.jp\r\n", false, false, 2, false},
    {2, 3 << 20, "info-cash.jp NETMILE\r\n", true, true, 1, false},
    {3, 2 << 20, "> quoted first: no tag is removed\r\n<p>info-cash.jp netmile</p>\r\n", true, false, 0,
     true},
    {4, 2 << 20, "", true, true, 0, true},
    {5, 2 << 20, "NetMile info-cash.jp\r\n", false, false, 1, true, true},
};
}  // namespace

TEST(AnalysersModel, MailAnalysersOpenWhatTheRulesOpenOnLargeTexts) {
  const std::vector<std::vector<std::string>> idSequences = {{"ic123456"},
                                                             {"ic123456", "", "ic123456 ", "ic1", " ic1"}};
  for (const TTextShape& shape : kShapes) {
    const std::string text = Generate(shape);
    for (const auto& ids : idSequences) {
      model::LogHost mine, slow;
      mine.ids = slow.ids = ids;
      ::BrowseNetMileAD(mine, text);
      model::BrowseNetMileAD(slow, text);
      EXPECT_TRUE(mine.log == slow.log) << Parting(mine.log, slow.log) << "\nNetMile, text " << shape.seed;
      const std::size_t netmileOpens = slow.opens;
      ::BrowseInfoCash(mine, text);
      model::BrowseInfoCash(slow, text);
      EXPECT_TRUE(mine.log == slow.log) << Parting(mine.log, slow.log) << "\nInfo-Cash, text " << shape.seed;
      EXPECT_EQ(mine.idReads, slow.idReads) << shape.seed;
      // The texts reach what they are made for: many links open in each.
      EXPECT_GT(netmileOpens, 1000u) << shape.seed;
      EXPECT_GT(slow.opens - netmileOpens, 100u) << shape.seed;
    }
  }
}

// Lines that the analysers put together from pieces: across tags, longer than a window.
TEST(AnalysersModel, LinesPutTogetherAreLookedAtWhole) {
  const std::string filler = [] {
    std::string f;
    while (f.size() < 3 * TLineWindows::kLineWindow) f += "\x83\x41" + kSpace + "<b>x</b>\x81\x81 ";
    return f;
  }();
  const std::string marker(NetMileStopMarkers[1]);
  const struct {
    std::string text, id;
    std::size_t opens;
  } rows[] = {
      // The link at the start of a line of several windows, the ID and the script far behind it; then a
      // footer heading at the end of another such line, so that NetMile opens nothing after it.
      {"info-cash.jp NetMile\r\nhttp://ad.netmile.co.jp/a" + kSpace + "b " + filler +
           "ic123456 clickweb/icjmp.asp?\r\n" + filler + marker.substr(0, 4) + kSpace + marker.substr(4) +
           "\r\nhttp://ad.netmile.co.jp/late\r\n",
       "ic123456", 2},
      // An ID that ends in a blank, found only in the blanks at the end of such a line: it counts only where
      // more than blanks follows on the line.
      {"info-cash.jp\r\n" + kJump + "x clickweb/icjmp.asp? " + filler + "ic1 " + std::string(100000, ' ') +
           "\r\n" + kJump + "y clickweb/icjmp.asp? " + filler + "ic1 " + std::string(100000, ' ') + "z\r\n",
       "ic1 ", 1},
      // Markup passed over windows at a time without a colon: a ">" outside any tag in it stops the removal,
      // so the "<b>" inside the link stays and ends the URL; a tag across windows with breaks inside it,
      // so the removal goes on after it and the "<b>" goes.
      {"info-cash.jp\r\n" + std::string(200, 'x') + "<p>a > b\r\n<i>z</i>" + std::string(300, 'y') + "\r\n" +
           kJump + "ic123456<b>&ad=1 clickweb/icjmp.asp?\r\n",
       "ic123456", 1},
      {"info-cash.jp\r\n" + std::string(100, 'x') + "<a" +
           [] {
             std::string t;
             for (int i = 0; i < 40; ++i) t += "\r\n w";
             return t;
           }() +
           ">" + std::string(200, 'y') + "\r\n" + kJump + "ic123456<b>&ad=2 clickweb/icjmp.asp?\r\n",
       "ic123456", 1},
      // The same with short lines that a tag breaks.
      {"info-cash.jp\r\nx<b>" + kJump + "x clickweb/icjmp.asp? ic1 \r\ny<b>" + kJump +
           "y clickweb/icjmp.asp? ic1 \tz\r\n",
       "ic1 ", 1},
  };
  for (const auto& row : rows) {
    model::LogHost mine, slow;
    mine.ids = slow.ids = {row.id};
    ::BrowseNetMileAD(mine, row.text);
    model::BrowseNetMileAD(slow, row.text);
    ::BrowseInfoCash(mine, row.text);
    model::BrowseInfoCash(slow, row.text);
    EXPECT_TRUE(mine.log == slow.log) << Parting(mine.log, slow.log);
    EXPECT_EQ(slow.opens, row.opens);
  }
}

TEST(AnalysersModel, StockLookupDecidesLongTextsAsTheWholeMappingWould) {
  const std::string fullWidth7203 = "\x82\x56\x82\x51\x82\x4f\x82\x52";
  const std::string blanks = [] {
    std::string b;
    while (b.size() < (2 << 20)) b += " \t\r\n" + kSpace;
    return b;
  }();
  const std::string texts[] = {
      blanks + "7203" + blanks,
      blanks + fullWidth7203 + blanks,
      kSpace + "-123" + blanks + kSpace,
      blanks + "72030" + blanks,
      blanks + "7203" + blanks + "x",
      "7203" + std::string(1 << 20, '\x81'),
      blanks + "\x81" + " 7203" + blanks,  // a lead byte before a blank: nothing is taken off past it
      blanks + std::string(1, '\0') + "7203",
      std::string(60, ' ') + "7203" + std::string(1, '\0') + blanks + "x",
  };
  for (const std::string& text : texts) {
    model::LogHost mine, slow;
    mine.halfWidth = slow.halfWidth = HalfWidthPortable;
    ::BrowseStockChart(mine, text);
    model::BrowseStockChart(slow, text);
    EXPECT_EQ(mine.log, slow.log) << text.substr(0, 80);
  }
}
