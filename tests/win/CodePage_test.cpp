// The real program on Windows of any ANSI code page: ctest runs this under
// code page 932 and again in harnesses of their own under 1252 (an English or
// European Windows) and 65001 (UTF-8 as the ANSI code page). Texts copied as
// Unicode open the same links everywhere, the settings file gives back what
// was saved, and the messages stay Japanese. Every expected URL and every
// byte of the settings file is written out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "Harness.h"

using namespace harness;

namespace {

UINT AskedCodePage() {
  const char* cp = std::getenv("BRIVOLA_CODEPAGE");
  return cp ? static_cast<UINT>(std::atoi(cp)) : 932u;
}

void WriteSettings(const ProgramCopy& copy, const std::string& lines) {
  WriteFileBytes(copy.IniPath(), "[" + UserName() + "]\r\n" + lines);
}

// The bytes of one value line of the settings file ("Key=" up to the line break).
std::string StoredValue(const ProgramCopy& copy, const std::string& key) {
  const std::string file = ReadFileBytes(copy.IniPath());
  const std::string start = "\n" + key + "=";
  const size_t at = file.find(start);
  if (at == std::string::npos) return "<none>";
  const size_t from = at + start.size();
  return file.substr(from, file.find_first_of("\r\n", from) - from);
}

// A code page 932 file as the Unicode text a mail program would copy.
std::wstring MailAsUnicode(const wchar_t* name) {
  const std::string bytes = ReadFileBytes(EnvPath("BRIVOLA_TEST_DATA") + L"\\" + name);
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                      wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

HWND EditShowing(HWND form, const std::wstring& text) {
  for (HWND edit : Descendants(form, L"Edit"))
    if (WindowText(edit) == text) return edit;
  return nullptr;
}

const std::string kAd = "http://ad.netmile.co.jp/click.asp?ad=";
const std::string kJump = "http://www.info-cash.jp/clickweb/icjmp.asp?";
const std::string kChart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";

// 山田ソ表ｱ＝高春人戞: trail bytes 0x5C, a half-width katakana, and lead bytes
// 0x81 0x8D 0x8F 0x90 0x9D, which code page 1252 leaves undefined.
const std::wstring kJapaneseId = L"\u5c71\u7530\u30bd\u8868\uff71\uff1d\u9ad8\u6625\u4eba\u621e";
const std::string kJapaneseId932 =
    "\x8e\x52\x93\x63\x83\x5c\x95\x5c\xb1\x81\x81\x8d\x82\x8f\x74\x90\x6c\x9d\x40";
const std::string kJapaneseIdUtf8 =
    "\xe5\xb1\xb1\xe7\x94\xb0\xe3\x82\xbd\xe8\xa1\xa8\xef\xbd\xb1\xef\xbc\x9d\xe9\xab\x98\xe6\x98\xa5\xe4\xba"
    "\xba"
    "\xe6\x88\x9e";
// 鈴木ソ表ｱ: typed into the dialog.
const std::wstring kTypedId = L"\u9234\u6728\u30bd\u8868\uff71";
const std::string kTypedId932 = "\x97\xe9\x96\xd8\x83\x5c\x95\x5c\xb1";
const std::string kTypedIdUtf8 = "\xe9\x88\xb4\xe6\x9c\xa8\xe3\x82\xbd\xe8\xa1\xa8\xef\xbd\xb1";

// What the settings file holds for those IDs on this system: the program's
// code page 932 bytes, which the private-profile functions of a single-byte
// code page pass through unchanged; on a UTF-8 system the same text in UTF-8.
std::string StoredForm(const std::string& cp932, const std::string& utf8) {
  return AskedCodePage() == 65001 ? utf8 : cp932;
}

// An Info-Cash mail with a link for the ID and a decoy link for another ID of
// the same length: a program that turned both into question marks would open both.
std::wstring InfoCashMailFor(const std::wstring& id, const std::wstring& other, const wchar_t* ad) {
  return L"Info-Cash\r\n\u4f1a\u54e1ID: " + other +
         L" http://www.info-cash.jp/clickweb/icjmp.asp?ad=9999\r\n" + L"\u4f1a\u54e1ID: " + id +
         L" http://www.info-cash.jp/clickweb/icjmp.asp?ad=" + ad + L"\r\n";
}

// Copies texts as Unicode with the stock code analyser on, each text followed
// by a code of its own whose chart marks in the browser's log where the links
// of that text end. Returns the links each text opened.
std::vector<std::vector<std::string>> LinksOpenedFor(const ClipboardViewer& viewer,
                                                     const OrderedBrowser& browser,
                                                     const std::vector<std::wstring>& texts, size_t links) {
  auto marker = [](size_t i) { return std::to_string(1301 + i); };
  auto copy = [&](const std::wstring& text) {
    const long notices = viewer.Count();
    PutClipboardUnicode(text);
    return viewer.WaitForCount(notices + 1, 30000);
  };
  const size_t before = browser.Urls().size();
  auto opened = [&](const std::string& url) {
    const auto urls = browser.Urls();
    return std::find(urls.begin() + static_cast<std::ptrdiff_t>(std::min(before, urls.size())), urls.end(),
                     url) != urls.end();
  };
  // Known to be handled once its chart is open: a notice of the program's own joining has been passed on.
  if (!copy(L"1300") || !WaitUntil([&] { return opened(kChart + "1300"); }, 30000)) {
    ADD_FAILURE() << "the program opens no chart";
    return {};
  }
  for (size_t i = 0; i < texts.size(); ++i)
    if (!copy(texts[i]) || !copy(std::wstring(marker(i).begin(), marker(i).end()))) {
      ADD_FAILURE() << "text " << i << " not passed on";
      return {};
    }
  // Every link handed over is logged by a process of its own; the last marker alone doesn't prove the rest
  // are in.
  WaitUntil(
      [&] {
        return browser.Urls().size() >= before + 1 + links + texts.size() &&
               opened(kChart + marker(texts.size() - 1));
      },
      30000);
  const auto urls = browser.Urls();
  std::vector<std::vector<std::string>> result(1);
  for (size_t k = before; k < urls.size(); ++k) {
    const std::string& url = urls[k];
    if (url == kChart + "1300") continue;
    if (result.size() <= texts.size() && url == kChart + marker(result.size() - 1))
      result.emplace_back();
    else
      result.back().push_back(url);
  }
  result.pop_back();  // after the last marker: nothing, unless something came late
  return result;
}

}  // namespace

TEST(CodePage, TheHarnessRunsTheCodePageAskedFor) { EXPECT_EQ(GetACP(), AskedCodePage()); }

TEST(CodePage, SampleMailsAndFullWidthCodesCopiedAsUnicodeOpenTheirLinks) {
  const struct {
    std::wstring text;
    std::vector<std::string> opens;
  } rows[] = {
      {MailAsUnicode(L"netmile_magazine.txt"),
       {kAd + "A1001&m=M0012345", kAd + "A1002&m=M0012345", kAd + "A1003&m=M0012345",
        kAd + "A1004&m=M0012345", kAd + "A1007&m=M0012345", "http://www.netmile.co.jp/?mm=20261208",
        "http://member.netmile.co.jp/member/mypage.asp", "http://www.netmile.co.jp/help/"}},
      {MailAsUnicode(L"netmile_gold.txt"), {kAd + "G2001&m=M0012345", kAd + "G2002&m=M0012345"}},
      {MailAsUnicode(L"infocash_plain.txt"),
       {kJump + "id=ic123456&ad=1001", kJump + "id=ic123456&ad=1003", kJump + "ad=1004"}},
      {MailAsUnicode(L"infocash_html.txt"),
       {kJump + "id=ic123456&ad=2002", kJump + "id=ic123456&ad=2004&gt;", kJump + "id=ic123456&amp;ad=2007"}},
      {MailAsUnicode(L"infocash_quoted.txt"), {kJump + "id=ic123456&ad=3001", kJump + "id=ic123456&ad=3002"}},
      {MailAsUnicode(L"infocash_unclosed.txt"),
       {kJump + "id=ic123456&ad=4001", kJump + "id=ic123456&ad=4002", kJump + "id=ic123456&ad=4003"}},
      {L"\uff17\uff12\uff10\uff13", {kChart + "7203"}},                  // ７２０３
      {L"\u3000\uff19\uff19\uff18\uff14\u3000\r\n", {kChart + "9984"}},  // 　９９８４　
      {L"\uff0d\uff11\uff12\uff13", {kChart + "-123"}},                  // －１２３
      {L"\u682a\u5f0f", {}},                                             // 株式: four bytes, no number
  };
  for (const auto& row : rows) ASSERT_FALSE(row.text.empty());

  OrderedBrowser browser;  // no pause between links: the order the shell started them in
  ClipboardViewer viewer;  // joins first, so the program hands each change on to it
  ProgramCopy copy(L"codepage-mails");
  WriteSettings(copy,
                "BrowseStockCode=1\r\nStockSiteSelect=0\r\nSleepTime=0\r\nAutoBrowseNetMileAD=1\r\n"
                "AutoBrowseInfoCash=1\r\nInfoCashID=ic123456\r\n");
  auto program = copy.Start();
  std::vector<std::wstring> texts;
  size_t links = 0;
  for (const auto& row : rows) texts.push_back(row.text), links += row.opens.size();
  const auto opened = LinksOpenedFor(viewer, browser, texts, links);
  ASSERT_EQ(opened.size(), std::size(rows));
  for (size_t i = 0; i < opened.size(); ++i) EXPECT_EQ(opened[i], rows[i].opens) << "text " << i;
}

namespace {
// The middle button on the tray icon shows the settings dialog.
bool ShowDialog(const Process& program, HWND form) {
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program.Id());
  if (!tray) return false;
  SendMessageW(tray, WM_USER + 200, 7, WM_MBUTTONDOWN);
  return WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000);
}
}  // namespace

TEST(CodePage, AJapaneseInfoCashIdFindsItsMailAndComesBackFromTheSettingsFile) {
  OrderedBrowser browser;
  ClipboardViewer viewer;
  ProgramCopy copy(L"codepage-id");
  WriteSettings(copy, "BrowseStockCode=1\r\nSleepTime=0\r\nAutoBrowseInfoCash=1\r\nInfoCashID=" +
                          StoredForm(kJapaneseId932, kJapaneseIdUtf8) + "\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  // The user opens the settings: the ID loaded and shown as the Japanese text it is.
  ASSERT_TRUE(ShowDialog(*program, form));
  HWND edit = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (edit = EditShowing(form, kJapaneseId)) != nullptr; }, 5000))
      << "no edit shows the stored ID";
  using Links = std::vector<std::vector<std::string>>;
  const std::wstring decoy = kTypedId + L"\u9ad8\u6625\u4eba\u621e\uff1d";  // the same length in bytes
  EXPECT_EQ(LinksOpenedFor(viewer, browser, {InfoCashMailFor(kJapaneseId, decoy, L"5001")}, 1),
            Links{{kJump + "ad=5001"}});

  // Typed into the dialog, it counts at once; OK writes it.
  if (!edit) {
    const auto edits = Descendants(form, L"Edit");
    ASSERT_FALSE(edits.empty());
    edit = edits.back();
  }
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kTypedId.c_str()));
  const std::wstring typedDecoy = L"\u5c71\u7530\u30bd\u8868\uff72";
  EXPECT_EQ(LinksOpenedFor(viewer, browser, {InfoCashMailFor(kTypedId, typedDecoy, L"5002")}, 1),
            Links{{kJump + "ad=5002"}});
  HWND ok = FindWindowExW(form, nullptr, L"BUTTON", L"OK");
  ASSERT_NE(ok, nullptr);
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ok), BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  EXPECT_EQ(StoredValue(copy, "InfoCashID"), StoredForm(kTypedId932, kTypedIdUtf8));

  // Saved again at exit and loaded at the next start unchanged.
  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
  EXPECT_EQ(StoredValue(copy, "InfoCashID"), StoredForm(kTypedId932, kTypedIdUtf8));
  program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(ShowDialog(*program, form));
  EXPECT_TRUE(WaitUntil([&] { return EditShowing(form, kTypedId) != nullptr; }, 5000)) << "not loaded back";
  EXPECT_EQ(LinksOpenedFor(viewer, browser, {InfoCashMailFor(kTypedId, typedDecoy, L"5003")}, 1),
            Links{{kJump + "ad=5003"}});
  PostMessageW(form, WM_CLOSE, 0, 0);  // the shown dialog only hides
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form) == FALSE; }, 5000));
  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
  EXPECT_EQ(StoredValue(copy, "InfoCashID"), StoredForm(kTypedId932, kTypedIdUtf8));
}

TEST(CodePage, AFolderNamedInAnyLanguageKeepsTheSettings) {
  // Japanese, which code page 1252 can't write, and Korean, which neither 932 nor 1252 can.
  for (const std::wstring& folder : {std::wstring(L"\u8a2d\u5b9a"), std::wstring(L"\uc124\uc815")}) {
    SCOPED_TRACE(testing::PrintToString(folder));
    ProgramCopy copy(folder);
    const std::string id = StoredForm(kJapaneseId932, kJapaneseIdUtf8);
    WriteSettings(copy, "SetupFormTop=0x20\r\nStockSiteSelect=3\r\nInfoCashID=" + id + "\r\n");
    HWND form = nullptr;
    auto program = copy.Start(&form);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(WaitUntil([&] {
      RECT r{};
      return GetWindowRect(form, &r) && r.top == 32;
    })) << "not read";
    PostMessageW(form, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program->Wait().has_value());
    const std::string file = ReadFileBytes(copy.IniPath());
    EXPECT_EQ(file, "[" + UserName() + "]\r\nSetupFormTop=32\r\nStockSiteSelect=3\r\nInfoCashID=" + id +
                        "\r\nSetupFormLeft=0\r\nBrowseStockCode=0\r\nSleepTime=100\r\n"
                        "AutoBrowseNetMileAD=0\r\nAutoBrowseInfoCash=0\r\n");
  }
}

TEST(CodePage, ASettingsFileThatCannotBeWrittenIsReportedInJapanese) {
  ProgramCopy copy(L"codepage-readonly");
  WriteSettings(copy, "BrowseStockCode=1\r\n");
  SetFileAttributesW(copy.IniPath().c_str(), FILE_ATTRIBUTE_READONLY);
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(PressBox(*program), L"Can not save to IniFile");
  const std::wstring failure = PressBox(*program);
  EXPECT_NE(failure.find(L"\\Brivola.ini \u306b\u66f8\u304d\u8fbc\u3081\u307e\u305b\u3093"),
            std::wstring::npos)
      << testing::PrintToString(failure);
  SetFileAttributesW(copy.IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
}
