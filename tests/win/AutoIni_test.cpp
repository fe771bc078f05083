// The INI file class and the persistence component on a test form.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <functional>
#include <thread>

#include "AutoIni.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Harness.h"
#include "IniFiles.h"
#include "StdCtrls.h"
#include "WinText.h"

using namespace harness;

namespace {

std::wstring ExeDir() {
  const std::wstring exe = ModuleFileName();
  return exe.substr(0, exe.find_last_of(L'\\') + 1);
}

// A settings file beside the test executable (or in a folder of its own), removed before and after.
struct ScratchIni {
  explicit ScratchIni(std::string name, std::wstring dir = ExeDir())
      : name(std::move(name)), path(dir + WideFromAnsi(this->name)) {
    Remove();
  }
  ~ScratchIni() { Remove(); }
  void Remove() const {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }
  std::string Read(const std::string& section, const std::string& key) const {
    return TIniFile(path).ReadString(section, key, "<none>");
  }
  void Write(const std::string& section, const std::string& key, const char* value) const {
    // nullptr deletes
    WritePrivateProfileStringW(WideFromAnsi(section).c_str(), WideFromAnsi(key).c_str(),
                               value ? WideFromAnsi(value).c_str() : nullptr, path.c_str());
  }
  // The key names of a section, in file order.
  std::vector<std::string> Keys(const std::string& section) const {
    std::vector<wchar_t> buf(32768);
    DWORD n = GetPrivateProfileStringW(WideFromAnsi(section).c_str(), nullptr, L"", buf.data(),
                                       static_cast<DWORD>(buf.size()), path.c_str());
    std::vector<std::string> keys;
    for (const wchar_t* p = buf.data(); p < buf.data() + n && *p; p += std::wcslen(p) + 1)
      keys.push_back(FromWide(p, CP_ACP));
    return keys;
  }
  std::string name;
  std::wstring path;
};

template <class T>
T& Put(TComponent& owner, TWinControl& parent, const std::string& name) {
  T& c = owner.Add<T>();
  c.SetName(name);
  c.SetParent(&parent);
  return c;
}

// A form with one control of each stored kind, some of them inside a page.
struct TestForm {
  TestForm() {
    form.SetName("TestForm");
    TWinControl& page = Put<TWinControl>(form, form, "Page");
    edit = &Put<TEdit>(form, page, "Edit1");
    shape = &Put<TShape>(form, page, "Shape1");
    check = &Put<TCheckBox>(form, page, "Check1");
    group = &Put<TRadioGroup>(form, form, "Group1");
    group->SetItems({L"a", L"b", L"c", L"d", L"e"});
    group->SetItemIndex(0);
    groupButton = &Put<TRadioButton>(form, *group, "GroupButton");
    Put<TLabel>(form, form, "Label1");
    radio = &Put<TRadioButton>(form, form, "Radio1");
    list = &Put<TListBox>(form, form, "List1");
    list->SetItems({L"x", L"y"});
    combo = &Put<TComboBox>(form, form, "Combo1");
    combo->SetItems({L"x", L"y", L"z"});
    Put<TButton>(form, form, "Button1");
    Put<TWinControl>(form, form, "EmptyPage");
    ini = &form.Add<TAutoIni>();
    ini->SetName("AutoSave");
  }
  TForm form{nullptr};
  TEdit* edit;
  TShape* shape;
  TCheckBox* check;
  TRadioGroup* group;
  TRadioButton* groupButton;
  TRadioButton* radio;
  TListBox* list;
  TComboBox* combo;
  TAutoIni* ini;
};

// Presses OK on the message boxes this process shows, recording their texts.
class BoxPresser {
 public:
  BoxPresser() : thread_([this] { Run(); }) {}
  ~BoxPresser() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::wstring> Texts() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return texts_;
  }

 private:
  void Run() {
    while (!stop_) {
      if (HWND box = FindProcessWindow(L"#32770", nullptr, GetCurrentProcessId())) {
        wchar_t text[512] = {};
        wchar_t caption[128] = {};
        WaitUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 512) > 0; }, 5000);  // still being built
        GetWindowTextW(box, caption, 128);
        texts_.push_back(std::wstring(caption) + L"|" + text);
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); }, 5000);
      }
      Sleep(20);
    }
  }
  std::atomic<bool> stop_{false};
  std::vector<std::wstring> texts_;
  std::thread thread_;
};

}  // namespace

TEST(IniFile, ReadsIntegersByTheConversionRulesAndKeepsTheDefaultOtherwise) {
  ScratchIni file("IniFile_integers.ini");
  TIniFile ini(file.path);
  struct Case {
    const char* stored;
    int expected;
  } cases[] = {{"12", 12},
               {"-7", -7},
               {"+5", 5},
               {"  42", 42},
               {"$1F", 31},
               {"0x20", 32},
               {"0X20", 32},
               {"x10", 16},
               {"X10", 16},
               {"$FFFFFFFF", -1},
               {"2147483647", 2147483647},
               {"abc", 99},
               {"12 3", 99},
               {"2147483648", 99},
               {"0x", 99},
               {"1.5", 99}};
  for (const Case& c : cases) {
    ini.WriteString("S", "k", c.stored);
    EXPECT_EQ(ini.ReadInteger("S", "k", 99), c.expected) << c.stored;
  }
  EXPECT_EQ(ini.ReadInteger("S", "missing", 99), 99);
  EXPECT_EQ(ini.ReadInteger("Missing", "k", -4), -4);

  ini.WriteInteger("S", "n", -1);
  EXPECT_EQ(file.Read("S", "n"), "-1");
  ini.WriteBool("S", "t", true);
  ini.WriteBool("S", "f", false);
  EXPECT_EQ(file.Read("S", "t"), "1");
  EXPECT_EQ(file.Read("S", "f"), "0");
  ini.WriteString("S", "b", "2");
  EXPECT_TRUE(ini.ReadBool("S", "b", false));
  ini.WriteString("S", "b", "yes");
  EXPECT_TRUE(ini.ReadBool("S", "b", true));
  EXPECT_FALSE(ini.ReadBool("S", "b", false));
}

TEST(IniFile, ReadsAtMost2047BytesAndKeepsCodePage932Bytes) {
  ScratchIni file("IniFile_strings.ini");
  TIniFile ini(file.path);
  ini.WriteString("S", "long", std::string(3000, 'a'));
  EXPECT_EQ(ini.ReadString("S", "long", ""), std::string(2047, 'a'));
  const std::string japanese = TextFromUtf8("表示タイミング");
  ini.WriteString(TextFromUtf8("ユーザー"), "jp", japanese);
  EXPECT_EQ(ini.ReadString(TextFromUtf8("ユーザー"), "jp", ""), japanese);
  EXPECT_EQ(ini.ReadString("S", "missing", "dflt"), "dflt");
  // A missing key gives the default exactly, blanks at its end and length included; stored values that look
  // like a stand-in default are still values.
  for (const std::string& def : {std::string("ic123  "), std::string(" "), std::string(3000, 'd')})
    EXPECT_EQ(ini.ReadString("S", "missing", def), def);
  EXPECT_EQ(ini.ReadString("Nowhere", "missing", "12 "), "12 ");
  for (const std::string& stored : {std::string("\x01"), std::string("\x02"), std::string()}) {
    ini.WriteString("S", "odd", stored);
    EXPECT_EQ(ini.ReadString("S", "odd", "x"), stored);
  }
}

TEST(IniFile, AFailedWriteNamesTheFile) {
  const std::wstring path = ExeDir() + L"no-such-dir\\x.ini";
  TIniFile ini(path);
  try {
    ini.WriteString("S", "k", "v");
    FAIL() << "no failure";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.what(), TextFromWide(path) + TextFromUtf8(" に書き込めません"));
  }
}

TEST(IniFile, AFolderNamedInAnyLanguageHoldsTheSameFile) {
  // Beside the test, the platform's profile service writes the file; in a folder named in Korean and
  // Japanese, which no ANSI code page but UTF-8 writes, the program does. The platform reads both back the
  // same.
  const std::string japanese = TextFromUtf8("山田ソ表");
  std::vector<std::vector<std::string>> views;
  for (const std::wstring& dir : {ExeDir(), ScratchDir(L"\uc124\uc815-\u8a2d\u5b9a") + L"\\"}) {
    SCOPED_TRACE(testing::PrintToString(dir));
    ScratchIni file("IniFile_folder.ini", dir);
    WriteFileBytes(file.path, "[Other]\r\nA=1\r\n[U]\r\n  a = old \r\nB=\"quoted\"\r\n[u]\r\nA=second\r\n");
    TIniFile ini(file.path);
    EXPECT_EQ(ini.ReadString("u", "A", "<none>"), "old");  // the first section of the name
    EXPECT_EQ(ini.ReadString("U", "b", "<none>"), "quoted");
    EXPECT_EQ(ini.ReadString("U", "C", "<none>"), "<none>");
    ini.WriteString("U", "A", "new");
    ini.WriteString("U", "C", japanese);
    ini.WriteInteger("New", "N", -1);
    ini.WriteString("U", "Long", std::string(3000, 'l'));
    ini.WriteString("U", "Lines", std::string("ic1\r\n[victim]\r\nB=1\0C", 20));  // one line, no section
    EXPECT_EQ(ini.ReadString("U", "Lines", ""), "ic1  [victim]  B=1 C");
    EXPECT_TRUE(file.Keys("victim").empty());
    EXPECT_EQ(ini.ReadString("U", "A", ""), "new");
    EXPECT_EQ(ini.ReadString("U", "C", ""), japanese);
    EXPECT_EQ(ini.ReadInteger("New", "N", 0), -1);
    EXPECT_EQ(ini.ReadString("U", "Long", ""), std::string(2047, 'l'));
    std::vector<std::string> view;
    for (const char* section : {"Other", "U", "New"})
      for (const std::string& key : file.Keys(section)) view.push_back(section + (":" + key));
    views.push_back(view);

    SetFileAttributesW(file.path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(ini.WriteString("U", "A", "refused"), EIniFileException);
    EXPECT_EQ(ini.ReadString("U", "A", ""), "new");
  }
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0],
            (std::vector<std::string>{"Other:A", "U:a", "U:B", "U:C", "U:Long", "U:Lines", "New:N"}));
  EXPECT_EQ(views[1], views[0]);
}

TEST(AutoIni, StartsWithTheDocumentedValuesAndSettlesNameAndSection) {
  TForm form(nullptr);
  TAutoIni& ini = form.Add<TAutoIni>();
  EXPECT_EQ(ini.Section, "");
  EXPECT_EQ(ini.AIniFileName, "");
  EXPECT_TRUE(ini.CheckControls == TCheckControls::All());
  EXPECT_FALSE(ini.CheckWinState || ini.CheckWinSize || ini.CheckTag || ini.MakeIniWinDir);
  EXPECT_EQ(ini.EnableTag, 0);
  EXPECT_EQ(ini.RegKey, "");

  ScratchIni own("AutoIni_test.ini");
  ini.Save();  // an empty form writes nothing, but settles the names
  EXPECT_EQ(ini.Section, "AutoIni_test.exe");
  EXPECT_EQ(ini.IniPath, own.path);

  ini.Section = "Mine";
  ini.AIniFileName = "sub.cfg";
  ini.Load();
  EXPECT_EQ(ini.Section, "Mine");
  EXPECT_EQ(ini.IniPath, ExeDir() + L"sub.cfg");
  ini.MakeIniWinDir = true;
  ini.Load();
  EXPECT_EQ(ini.IniPath, L"sub.cfg");
}

TEST(AutoIni, SavesEachKindUnderItsNameInWalkOrder) {
  ScratchIni file("AutoIni_rows.ini");
  TestForm t;
  t.ini->AIniFileName = file.name;
  t.ini->Section = "U";
  t.edit->SetText(TextFromUtf8("ＩＤ"));
  t.check->SetChecked(true);
  t.group->SetItemIndex(3);
  t.radio->SetChecked(true);
  t.list->SetItemIndex(1);
  t.combo->SetItemIndex(-1);
  t.shape->SetBrushColor(0x00FF00);
  t.ini->Save();
  // Non-windowed children first, then windowed, in the container's order;
  // the group is stored whole, its button isn't.
  EXPECT_EQ(file.Keys("U"),
            (std::vector<std::string>{"Shape1", "Edit1", "Check1", "Group1", "Radio1", "List1", "Combo1"}));
  EXPECT_EQ(file.Read("U", "Edit1"), TextFromUtf8("ＩＤ"));
  EXPECT_EQ(file.Read("U", "Check1"), "1");
  EXPECT_EQ(file.Read("U", "Group1"), "3");
  EXPECT_EQ(file.Read("U", "Radio1"), "1");
  EXPECT_EQ(file.Read("U", "List1"), "1");
  EXPECT_EQ(file.Read("U", "Combo1"), "-1");
  EXPECT_EQ(file.Read("U", "Shape1"), std::to_string(0x00FF00));

  TestForm back;
  back.ini->AIniFileName = file.name;
  back.ini->Section = "u";  // sections match without regard to case
  back.ini->Load();
  EXPECT_EQ(back.edit->Text(), TextFromUtf8("ＩＤ"));
  EXPECT_TRUE(back.check->Checked());
  EXPECT_EQ(back.group->ItemIndex(), 3);
  EXPECT_TRUE(back.radio->Checked());
  EXPECT_EQ(back.list->ItemIndex(), 1);
  EXPECT_EQ(back.combo->ItemIndex(), -1);
  EXPECT_EQ(back.shape->BrushColor(), 0x00FF00);
}

TEST(AutoIni, LeftOutKindsFallThroughToTheWalk) {
  ScratchIni file("AutoIni_members.ini");
  TestForm t;
  t.ini->AIniFileName = file.name;
  t.ini->Section = "U";
  t.ini->CheckControls = TCheckControls::All().Exclude(ccRadioGroup).Exclude(ccEdit).Exclude(ccColor);
  t.group->SetItems({});  // leaves only the button placed in it by hand
  t.ini->Save();
  // Without its row, the radio group is walked and its button stored.
  EXPECT_EQ(file.Keys("U"), (std::vector<std::string>{"Check1", "GroupButton", "Radio1", "List1", "Combo1"}));
}

TEST(AutoIni, CheckTagKeepsOnlyTaggedControlsButWalksEveryContainer) {
  ScratchIni file("AutoIni_tags.ini");
  TestForm t;
  t.ini->AIniFileName = file.name;
  t.ini->Section = "U";
  t.ini->CheckTag = true;
  t.ini->EnableTag = 5;
  t.check->SetTag(5);
  t.list->SetTag(5);
  t.group->SetTag(1);
  static_cast<TControl*>(t.form.FindComponent("Page"))->SetTag(7);
  t.ini->Save();
  EXPECT_EQ(file.Keys("U"), (std::vector<std::string>{"Check1", "List1"}));
}

TEST(AutoIni, WindowKeysFollowCheckWinStateAndCheckWinSize) {
  ScratchIni file("AutoIni_window.ini");
  TestForm t;
  t.form.SetBounds(11, 22, 333, 244);
  t.ini->AIniFileName = file.name;
  t.ini->Section = "U";
  t.ini->CheckControls = {};
  t.ini->CheckWinSize = true;  // without CheckWinState: nothing about the window
  t.ini->Save();
  EXPECT_TRUE(file.Keys("U").empty());

  t.ini->CheckWinState = true;
  t.ini->Save();
  EXPECT_EQ(file.Keys("U"),
            (std::vector<std::string>{"TestFormTop", "TestFormLeft", "TestFormheight", "TestFormwidth"}));
  EXPECT_EQ(file.Read("U", "TestFormTop"), "22");
  EXPECT_EQ(file.Read("U", "TestFormheight"), "244");

  file.Write("U", "TestFormTop", "0x20");
  file.Write("U", "TestFormLeft", "-30000");
  file.Write("U", "TestFormwidth", "wide");
  t.ini->Load();
  EXPECT_EQ(t.form.Top(), 32);
  EXPECT_EQ(t.form.Left(), -30000);  // applied as it stands
  EXPECT_EQ(t.form.Width(), 333);    // no number: kept
  EXPECT_EQ(t.form.Height(), 244);

  file.Write("U", "TestFormTop", nullptr);
  t.ini->CheckWinSize = false;
  t.ini->Load();
  EXPECT_EQ(t.form.Top(), 0);  // a missing position goes to 0
}

TEST(AutoIni, ReadsStoredValuesBackByTheConversionRules) {
  ScratchIni file("AutoIni_values.ini");
  struct Case {
    const char* key;
    const char* stored;
    std::function<void(TestForm&)> expect;
  } cases[] = {
      {"Group1", "9", [](TestForm& t) { EXPECT_EQ(t.group->ItemIndex(), 4); }},
      {"Group1", "-3", [](TestForm& t) { EXPECT_EQ(t.group->ItemIndex(), -1); }},
      {"Group1", "abc", [](TestForm& t) { EXPECT_EQ(t.group->ItemIndex(), 2); }},
      {"Check1", "2", [](TestForm& t) { EXPECT_TRUE(t.check->Checked()); }},
      {"Check1", "0x1", [](TestForm& t) { EXPECT_TRUE(t.check->Checked()); }},
      {"Check1", "yes", [](TestForm& t) { EXPECT_FALSE(t.check->Checked()); }},
      {"Edit1", "123456789", [](TestForm& t) { EXPECT_EQ(t.edit->Text(), "123456789"); }},
      {"Edit1", "", [](TestForm& t) { EXPECT_EQ(t.edit->Text(), ""); }},
  };
  for (const Case& c : cases) {
    file.Remove();
    TestForm t;
    t.group->SetItemIndex(2);
    t.edit->SetText("before");
    t.ini->AIniFileName = file.name;
    t.ini->Section = "U";
    file.Write("U", c.key, c.stored);
    t.ini->Load();
    SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
    c.expect(t);
  }

  file.Remove();
  TestForm t;
  t.ini->AIniFileName = file.name;
  t.ini->Section = "U";
  t.edit->SetText(std::string(3000, 'q'));
  t.ini->Save();
  t.edit->SetText("");
  t.ini->Load();
  EXPECT_EQ(t.edit->Text(), std::string(2047, 'q'));

  TestForm missing;  // no file: every control keeps its value
  missing.check->SetChecked(true);
  missing.ini->AIniFileName = "AutoIni_absent.ini";
  missing.ini->Load();
  EXPECT_TRUE(missing.check->Checked());
  EXPECT_EQ(missing.group->ItemIndex(), 0);
}

TEST(AutoIni, AFailureShowsItsBoxThenGoesOn) {
  Application().SetTitle(L"AutoIniTest");
  ScratchIni file("AutoIni_readonly.ini");
  TestForm t;
  t.ini->AIniFileName = file.name;
  t.ini->Section = "U";
  t.ini->Save();
  SetFileAttributesW(file.path.c_str(), FILE_ATTRIBUTE_READONLY);
  t.check->SetChecked(true);
  {
    BoxPresser presser;
    EXPECT_THROW(
        try { t.ini->Save(); } catch (const EIniFileException& e) {
          EXPECT_EQ(e.what(), TextFromWide(file.path) + TextFromUtf8(" に書き込めません"));
          throw;
        },
        EIniFileException);
    EXPECT_EQ(presser.Texts(), std::vector<std::wstring>{L"AutoIniTest|Can not save to IniFile"});
  }
  EXPECT_TRUE(t.check->Checked());
  EXPECT_EQ(file.Read("U", "Check1"), "0");

  TWinControl notAForm(nullptr);  // the window keys need a form
  TAutoIni& stray = notAForm.Add<TAutoIni>();
  stray.AIniFileName = file.name;
  stray.CheckWinState = true;
  BoxPresser presser;
  EXPECT_THROW(stray.Load(), Exception);
  EXPECT_EQ(presser.Texts(), std::vector<std::wstring>{L"AutoIniTest|Can not load from IniFile"});
}
