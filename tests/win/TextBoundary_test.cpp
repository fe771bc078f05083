// Where the program's code page 932 texts meet the system: the clipboard, the
// half-width mapping, the lead bytes and the settings file. ctest
// runs this under code page 932 and again under 1252 and 65001; the results
// are the same code page 932 bytes everywhere, written out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BIOS.h"
#include "Clipbrd.h"
#include "Dispatch.h"
#include "Harness.h"
#include "IniFiles.h"
#include "TextRules.h"
#include "WinText.h"

using namespace harness;

namespace {

UINT AskedCodePage() {
  const char* cp = std::getenv("BRIVOLA_CODEPAGE");
  return cp ? static_cast<UINT>(std::atoi(cp)) : 932u;
}

std::string Hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) std::snprintf(buf, sizeof buf, "%02X ", c), out += buf;
  return out;
}

// Both text formats at once, each with a text of its own, CF_TEXT first unless
// unicodeFirst; an empty ansi places no CF_TEXT, a locale places CF_LOCALE too.
void PutBothTexts(const std::string& ansi, const std::wstring& unicode, bool unicodeFirst = false,
                  LCID locale = 0) {
  ASSERT_TRUE(WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 5000));
  EmptyClipboard();
  auto global = [](const void* data, size_t size) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(h), data, size);
    GlobalUnlock(h);
    return h;
  };
  auto putUnicode = [&] {
    SetClipboardData(CF_UNICODETEXT, global(unicode.c_str(), (unicode.size() + 1) * sizeof(wchar_t)));
  };
  if (unicodeFirst) putUnicode();
  if (!ansi.empty()) SetClipboardData(CF_TEXT, global(ansi.c_str(), ansi.size() + 1));
  if (!unicodeFirst) putUnicode();
  if (locale) SetClipboardData(CF_LOCALE, global(&locale, sizeof locale));
  CloseClipboard();
}

// 山田ソ表ｱ＝高春人戞: trail bytes 0x5C, a half-width katakana, and lead bytes
// 0x81 0x8D 0x8F 0x90 0x9D, which code page 1252 leaves undefined.
const std::wstring kJapanese = L"\u5c71\u7530\u30bd\u8868\uff71\uff1d\u9ad8\u6625\u4eba\u621e";
const std::string kJapanese932 =
    "\x8e\x52\x93\x63\x83\x5c\x95\x5c\xb1\x81\x81\x8d\x82\x8f\x74\x90\x6c\x9d\x40";
const std::string kJapaneseUtf8 =
    "\xe5\xb1\xb1\xe7\x94\xb0\xe3\x82\xbd\xe8\xa1\xa8\xef\xbd\xb1\xef\xbc\x9d\xe9\xab\x98\xe6\x98\xa5\xe4\xba"
    "\xba"
    "\xe6\x88\x9e";

}  // namespace

TEST(TextBoundary, TheHarnessRunsTheCodePageAskedFor) { EXPECT_EQ(GetACP(), AskedCodePage()); }

TEST(TextBoundary, UnicodeClipboardTextArrivesAsCodePage932) {
  const struct {
    const char* what;
    std::wstring copied;
    std::string read;
  } rows[] = {
      {"empty", L"", ""},
      {"ASCII", L"NetMile 7203\r\n", "NetMile 7203\r\n"},
      {"Japanese", kJapanese, kJapanese932},
      {"full-width digits and space", L"\uff17\uff12\uff10\uff13\u3000",
       "\x82\x56\x82\x51\x82\x4f\x82\x52\x81\x40"},
      // Characters code page 932 lacks: the system's default character, one per UTF-16 unit.
      {"Hangul", L"\ud55c\uad6d", "??"},
      {"Thai", L"x\u0e01x", "x?x"},
      {"a lone high surrogate", L"a\xd800z", "a?z"},
      {"a lone low surrogate", L"a\xdc00z", "a?z"},
      {"a surrogate pair", L"\xd83d\xde00.", "??."},
      {"up to the first NUL", std::wstring(L"ab\0cd", 5), "ab"},
  };
  for (const auto& row : rows) {
    PutClipboardUnicode(row.copied);
    EXPECT_EQ(Hex(ReadClipboardText(nullptr)), Hex(row.read)) << row.what;
  }
}

TEST(TextBoundary, ALongUnicodeTextIsConvertedWhole) {
  std::wstring copied;
  std::string expected;
  for (int i = 0; i < (1 << 18); ++i)
    copied += L"\u30a2a\u3000", expected +=
                                "\x83\x41"
                                "a"
                                "\x81\x40";
  PutClipboardUnicode(copied);
  const std::string read = ReadClipboardText(nullptr);
  EXPECT_EQ(read.size(), expected.size());
  EXPECT_TRUE(read == expected);
}

TEST(TextBoundary, CfTextIsTakenAsItIsOnlyOnACodePage932System) {
  // A program that offers both formats with different texts: ア as CF_TEXT, イ as Unicode.
  PutBothTexts("\x83\x41", L"\u30a4");
  EXPECT_EQ(Hex(ReadClipboardText(nullptr)), Hex(GetACP() == 932 ? "\x83\x41" : "\x83\x43"));
  // Placed the other way round, the Unicode text is the copying program's own.
  PutBothTexts("\x83\x41", L"\u30a4", true);
  EXPECT_EQ(Hex(ReadClipboardText(nullptr)), Hex("\x83\x43"));
  // Unicode copied under an English keyboard layout: not through the CF_TEXT the system makes with it.
  PutBothTexts("", L"\u682a\u5f0f 7203", true, 0x0409);
  EXPECT_EQ(Hex(ReadClipboardText(nullptr)), Hex("\x8a\x94\x8e\xae 7203"));
  // Only CF_TEXT: the system offers its Unicode form, which reads the same for ASCII.
  PutClipboardText("plain 7203");
  EXPECT_EQ(ReadClipboardText(nullptr), "plain 7203");
  if (GetACP() == 932) {
    PutClipboardText("\x83\x41\x83\x43");  // アイ
    EXPECT_EQ(Hex(ReadClipboardText(nullptr)), Hex("\x83\x41\x83\x43"));
  }
}

namespace {
// A clipboard of the test's own behind the text reads, on a system of code page
// 932: formats in the order they were placed, each with its data.
struct FakeClipboard {
  std::vector<std::pair<UINT, HGLOBAL>> formats;
  bool held = false;

  FakeClipboard() {
    TClipboardCalls& calls = ClipboardCalls();
    calls.Open = [this](HWND) { return held ? FALSE : TRUE; };
    calls.Close = [] { return TRUE; };
    calls.EnumFormats = [this](UINT after) -> UINT {
      auto at = std::find_if(formats.begin(), formats.end(), [&](auto& f) { return f.first == after; });
      at = after == 0 ? formats.begin() : at == formats.end() ? at : at + 1;
      return at == formats.end() ? 0 : at->first;
    };
    calls.GetData = [this](UINT format) -> HANDLE {
      for (const auto& [f, data] : formats)
        if (f == format) return data;
      return nullptr;
    };
    calls.AnsiCodePage = [] { return 932u; };
  }
  ~FakeClipboard() {
    ResetClipboardCalls();
    for (const auto& f : formats) GlobalFree(f.second);
  }
  void Add(UINT format, const void* data, size_t size) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(h), data, size);
    GlobalUnlock(h);
    formats.emplace_back(format, h);
  }
};
}  // namespace

TEST(TextBoundary, TheCopyingProgramsOwnTextIsReadNotTheSystemsConversion) {
  enum TPlaced { kUnicode, kAnsi, kLocale };
  // On code page 932; the formats in the clipboard's order, the system's own after the program's.
  const struct {
    const char* what;
    std::vector<TPlaced> order;
    std::wstring unicode;
    std::string ansi;
    LCID locale;
    std::string read;
  } rows[] = {
      // 株式 7203 copied under an English keyboard layout: the system made CF_TEXT through code page 1252.
      {"Unicode, CF_LOCALE English",
       {kUnicode, kLocale, kAnsi},
       L"\u682a\u5f0f 7203",
       "?? 7203",
       0x0409,
       "\x8a\x94\x8e\xae 7203"},
      {"Unicode only", {kUnicode}, L"\u682a\u5f0f 7203", "", 0, "\x8a\x94\x8e\xae 7203"},
      // An ANSI program's bytes as they are, though through Unicode they would come back as FA 5C.
      {"CF_TEXT placed",
       {kAnsi, kLocale, kUnicode},
       L"\u7e8a 7203",
       "\xed\x40 7203",
       0x0411,
       "\xed\x40 7203"},
      {"no text", {kLocale}, L"", "", 0x0411, ""},
  };
  for (const auto& row : rows) {
    FakeClipboard clip;
    for (TPlaced placed : row.order) {
      if (placed == kUnicode) clip.Add(CF_UNICODETEXT, row.unicode.c_str(), (row.unicode.size() + 1) * 2);
      if (placed == kAnsi) clip.Add(CF_TEXT, row.ansi.c_str(), row.ansi.size() + 1);
      if (placed == kLocale) clip.Add(CF_LOCALE, &row.locale, sizeof row.locale);
    }
    EXPECT_EQ(Hex(ReadClipboardText(nullptr)), Hex(row.read)) << row.what;
    EXPECT_TRUE(ClipboardTextEquals(nullptr, row.read)) << row.what;
    EXPECT_EQ(ClipboardTextDigest(nullptr), TextDigest(row.read)) << row.what;
  }
  FakeClipboard clip;
  clip.held = true;  // another program has it open
  EXPECT_THROW(ReadClipboardText(nullptr), EClipboardBusy);
  EXPECT_THROW(ClipboardTextEquals(nullptr, ""), EClipboardBusy);
}

TEST(TextBoundary, LeadBytesAreThoseOfCodePage932) {
  SetLeadByteSet(TLeadByteSet::Empty());
  InitLeadByteSet();
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(LeadByteSet().Contains(static_cast<unsigned char>(b)),
              (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))
        << b;
}

TEST(TextBoundary, HalfWidthMappingGivesCodePage932Text) {
  const struct {
    std::string text, mapped;
  } rows[] = {
      {"", ""},
      {"\x82\x56\x82\x51\x82\x4f\x82\x52", "7203"},                    // ７２０３
      {"\x81\x40\x82\x58\x82\x58\x82\x57\x82\x53\x81\x40", " 9984 "},  // 　９９８４　
      {"\x81\x7c\x82\x50\x82\x51\x82\x52", "-123"},                    // －１２３
      {"\x82\x60\x82\x61\x82\x62\x81\x90", "ABC$"},                    // ＡＢＣ＄
      {"\x83\x4b\x83\x41", "\xb6\xde\xb1"},                            // ガア
      {"\x8e\x52\x93\x63 abc \xb1", "\x8e\x52\x93\x63 abc \xb1"},      // 山田 abc ｱ
  };
  for (const auto& row : rows)
    EXPECT_EQ(Hex(LCMapText(row.text, LCMAP_HALFWIDTH)), Hex(row.mapped)) << Hex(row.text);
}

TEST(TextBoundary, SettingsValuesComeBackAsTheyWentIn) {
  const std::wstring exe = ModuleFileName();
  // Beside the program, and in a folder named in Korean and Japanese, which no ANSI code page but UTF-8
  // writes.
  for (const std::wstring& dir :
       {exe.substr(0, exe.find_last_of(L'\\') + 1), ScratchDir(L"\uc124\uc815-\u8a2d\u5b9a") + L"\\"}) {
    SCOPED_TRACE(testing::PrintToString(dir));
    const std::wstring path = dir + L"TextBoundary_values.ini";
    DeleteFileW(path.c_str());
    TIniFile ini(path);
    ini.WriteString("User", "InfoCashID", kJapanese932);
    ini.WriteString("User", "Plain", "ic123456");
    EXPECT_EQ(Hex(ini.ReadString("User", "InfoCashID", "")), Hex(kJapanese932));
    EXPECT_EQ(Hex(ini.ReadString("User", "Missing", kJapanese932)), Hex(kJapanese932));  // the default too
    // In the file: the program's bytes, unless the system's own functions would not give them back.
    const std::string stored = AskedCodePage() == 65001 ? kJapaneseUtf8 : kJapanese932;
    EXPECT_EQ(Hex(ReadFileBytes(path)), Hex("[User]\r\nInfoCashID=" + stored + "\r\nPlain=ic123456\r\n"));
    DeleteFileW(path.c_str());
  }
}
