// The resident program under Wine: single instance, the clipboard viewer
// chain, what the dispatch takes, and the ways it ends.
#include <gtest/gtest.h>

#include <optional>

#include "DblChkNF.h"
#include "Harness.h"

using namespace harness;

namespace {
std::wstring Tool() { return L"\"" + EnvPath("WINTOOL_EXE") + L"\""; }

// Copies text and waits until the probe has logged n texts in all.
bool CopyAndWait(const ProgramCopy& copy, const std::string& text, size_t expected) {
  PutClipboardText(text);
  return WaitUntil([&] { return ReadProbeLog(copy.ProbeLog()).size() >= expected; });
}

// A change the program is known to have seen: a marker text the probe logs.
void Settle(const ProgramCopy& copy, size_t& count) {
  ++count;
  ASSERT_TRUE(CopyAndWait(copy, "settle-" + std::to_string(count), count));
}
}  // namespace

TEST(Resident, RunsOncePerExecutableFileName) {
  ProgramCopy first(L"single");
  auto running = first.Start();
  ASSERT_NE(FindProcessWindow(L"TSetupForm", nullptr, running->Id()), nullptr);

  ProgramCopy sameName(L"single-elsewhere");  // another folder, same file name
  Process second(L"\"" + sameName.Exe() + L"\"");
  auto code = second.Wait();
  ASSERT_TRUE(code.has_value()) << "the second instance did not end";
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(FindProcessWindow(nullptr, nullptr, second.Id()), nullptr);
  EXPECT_FALSE(FileExists(sameName.IniPath()));

  ProgramCopy otherName(L"single-renamed", "BRIVOLA_EXE", L"Brivola2.exe");
  auto beside = otherName.Start();
  EXPECT_TRUE(beside->Running());
  EXPECT_NE(FindProcessWindow(L"TSetupForm", nullptr, beside->Id()), nullptr);
  EXPECT_TRUE(running->Running());
}

TEST(Resident, TwoStartsAtTheSameMomentLeaveOneProgram) {
  ProgramCopy copy(L"single-together", "BRIVOLA_PROBE_EXE");
  // Both look the name up before either makes it.
  const std::vector<std::wstring> env{L"BRIVOLA_PROBE_GUARD_PAUSE_MS=2000"};
  Process first(L"\"" + copy.Exe() + L"\"", env);
  Process second(L"\"" + copy.Exe() + L"\"", env);
  ASSERT_TRUE(WaitUntil([&] { return !first.Running() || !second.Running(); })) << "both run";
  Process& ended = first.Running() ? second : first;
  Process& stays = first.Running() ? first : second;
  EXPECT_EQ(ended.Wait(), std::optional<DWORD>(0));
  EXPECT_NE(WaitForWindow(L"TSetupForm", nullptr, stays.Id()), nullptr);
  EXPECT_TRUE(stays.Running());
}

TEST(Resident, TheGuardEndsAStartThatFindsTheNameTakenInAnyWay) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring name = std::wstring(self).substr(std::wstring(self).find_last_of(L'\\') + 1);
  // What the system answers to the look-up and to the making of the name (a handle or none, the last
  // error), and the calls the guard then makes.
  const struct {
    const char* what;
    bool openHandle;
    DWORD openError;
    bool createHandle;
    DWORD createError;
    std::vector<std::string> calls;
  } rows[] = {
      {"another start holds the name", true, 0, false, 0, {"open", "end"}},
      {"an elevated copy holds it: access denied", false, ERROR_ACCESS_DENIED, false, 0, {"open", "end"}},
      {"a start at the same moment made it first",
       false,
       ERROR_FILE_NOT_FOUND,
       true,
       ERROR_ALREADY_EXISTS,
       {"open", "create", "end"}},
      {"an elevated start made it at the same moment",
       false,
       ERROR_FILE_NOT_FOUND,
       false,
       ERROR_ACCESS_DENIED,
       {"open", "create", "end"}},
      {"no other start", false, ERROR_FILE_NOT_FOUND, true, 0, {"open", "create"}},
      {"no mutex to be had: runs unprotected",
       false,
       ERROR_FILE_NOT_FOUND,
       false,
       ERROR_NOT_ENOUGH_MEMORY,
       {"open", "create"}},
  };
  TInstanceGuardCalls& guard = InstanceGuardCalls();
  const TInstanceGuardCalls saved = guard;
  for (const auto& r : rows) {
    std::vector<std::string> calls;
    auto answer = [](bool handle, DWORD error) {
      HANDLE h = handle ? CreateEventW(nullptr, FALSE, FALSE, nullptr) : nullptr;
      SetLastError(error);
      return h;
    };
    guard.OpenMutex = [&](const std::wstring& asked) {
      calls.push_back(asked == name ? "open" : "open another name");
      return answer(r.openHandle, r.openError);
    };
    guard.CreateMutex = [&](const std::wstring& asked) {
      calls.push_back(asked == name ? "create" : "create another name");
      return answer(r.createHandle, r.createError);
    };
    guard.EndProcess = [&] { calls.push_back("end"); };
    InitDblChkNF();
    EXPECT_EQ(calls, r.calls) << r.what;
  }
  guard = saved;
}

TEST(Resident, TakesEveryNewClipboardTextOnce) {
  PutClipboardText("already there");
  ProgramCopy copy(L"dispatch", "BRIVOLA_PROBE_EXE");
  auto program = copy.Start();
  size_t n = 0;
  auto take = [&](const std::string& text) { return CopyAndWait(copy, text, ++n); };

  ASSERT_TRUE(take("first"));  // the text present at start was not taken
  ASSERT_TRUE(take("A"));
  PutClipboardText("A");  // the same text again: not taken
  ASSERT_TRUE(take("B"));
  ASSERT_TRUE(take("A"));  // A, B, A: three times
  PutClipboardImage();     // no text: LastClipText stays A
  PutClipboardText("A");
  ASSERT_TRUE(take("Abc"));
  PutClipboardText("abc");  // case counts
  ++n;
  ASSERT_TRUE(WaitUntil([&] { return ReadProbeLog(copy.ProbeLog()).size() >= n; }));
  // Unicode text placed by another program arrives as code page 932.
  PutClipboardUnicode(L"\u682a\u5f0f 7203");
  ++n;
  ASSERT_TRUE(WaitUntil([&] { return ReadProbeLog(copy.ProbeLog()).size() >= n; }));
  EXPECT_EQ(ReadProbeLog(copy.ProbeLog()),
            (std::vector<std::string>{"first", "A", "B", "A", "Abc", "abc", "\x8a\x94\x8e\xae 7203"}));
}

TEST(Resident, ChainKeepsEarlierViewerInformedAndRepairsItself) {
  ProgramCopy copy(L"chain", "BRIVOLA_PROBE_EXE");
  const std::wstring before = copy.Dir() + L"\\before.log";
  const std::wstring after = copy.Dir() + L"\\after.log";
  auto countOf = [](const std::wstring& log) {
    int n = 0;
    for (auto& l : ReadLines(log)) n += l == "draw";
    return n;
  };
  Process earlier(Tool() + L" chain \"" + before + L"\"");
  ASSERT_TRUE(WaitUntil([&] { return ReadLines(before).size() >= 1; }));
  const int base = countOf(before);

  auto program = copy.Start();
  size_t n = 0;
  Settle(copy, n);
  ASSERT_TRUE(WaitUntil([&] { return countOf(before) == base + 1; }));

  // A viewer joins after Brivola, then leaves: Brivola's next link is repaired.
  {
    Process later(Tool() + L" chain \"" + after + L"\"");
    ASSERT_TRUE(WaitUntil([&] { return ReadLines(after).size() >= 1; }));
    Settle(copy, n);
    ASSERT_TRUE(WaitUntil([&] { return countOf(after) >= 1 && countOf(before) == base + 2; }));
    PostMessageW(FindProcessWindow(L"BrivolaTestChainViewer", nullptr, later.Id()), WM_CLOSE, 0, 0);
    ASSERT_TRUE(later.Wait().has_value());
  }
  Settle(copy, n);
  ASSERT_TRUE(WaitUntil([&] { return countOf(before) == base + 3; }));

  // After Brivola leaves at exit, the earlier viewer still hears of every change.
  HWND form = FindProcessWindow(L"TSetupForm", nullptr, program->Id());
  PostMessageW(form, WM_CLOSE, 0, 0);
  auto code = program->Wait();
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  PutClipboardText("after exit");
  EXPECT_TRUE(WaitUntil([&] { return countOf(before) == base + 4; }));
  PostMessageW(FindProcessWindow(L"BrivolaTestChainViewer", nullptr, earlier.Id()), WM_CLOSE, 0, 0);
  EXPECT_TRUE(earlier.Wait().has_value());
}

TEST(Resident, AnswersSessionEndAndEndsOnCloseMessage) {
  ProgramCopy copy(L"close");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &answer));
  EXPECT_NE(answer, 0u);
  PostMessageW(form, WM_CLOSE, 0, 0);
  auto code = program->Wait();
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
}

TEST(Resident, ACloseMessageToAnyOfItsWindowsEndsItAsOneToTheFormDoes) {
  const struct {
    const wchar_t* className;
    HWND parent;  // HWND_MESSAGE: among the message-only windows
  } rows[] = {{L"TApplication", nullptr}, {L"TaskTrayHandle", nullptr}, {L"TPUtilWindow", HWND_MESSAGE}};
  for (const auto& row : rows) {
    ClipboardViewer behind;  // behind the program: it goes on hearing of changes once the program has left
    ProgramCopy copy(L"close-any", "BRIVOLA_PROBE_EXE");
    auto program = copy.Start();
    size_t n = 0;
    Settle(copy, n);  // the application window is made for the first read
    HWND target = FindProcessWindow(row.className, nullptr, program->Id(), row.parent);
    ASSERT_NE(target, nullptr) << row.className;
    PostMessageW(target, WM_CLOSE, 0, 0);
    const auto code = program->Wait();
    ASSERT_TRUE(code.has_value()) << row.className << ": still running";
    EXPECT_EQ(*code, 0u);
    EXPECT_NE(ReadFileBytes(copy.IniPath()).find("[" + UserName() + "]"), std::string::npos)
        << row.className << ": settings not saved";
    const auto tray = ReadLines(copy.ProbeLog() + L".tray");
    ASSERT_FALSE(tray.empty());
    EXPECT_EQ(tray.back().substr(0, 6), "2 7 1 ") << row.className << ": the icon was not deleted";
    const long heard = behind.Count();
    PutClipboardText("after the end");
    EXPECT_TRUE(behind.WaitForCount(heard + 1)) << row.className << ": the chain was not left";
  }
}

TEST(Resident, LockedClipboardShowsTheErrorAndKeepsRunning) {
  ProgramCopy copy(L"locked", "BRIVOLA_PROBE_EXE");
  auto program = copy.Start();
  size_t n = 0;
  Settle(copy, n);

  // Another program holds the clipboard open while it announces a change.
  const std::wstring ready = copy.Dir() + L"\\held";
  PutClipboardText("locked text");
  Process holder(Tool() + L" hold 60000 \"" + ready + L"\"");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); }));
  // The change notification arrives while the clipboard is held.
  HWND viewer = FindProcessWindow(L"TPUtilWindow", nullptr, program->Id(), HWND_MESSAGE);
  ASSERT_NE(viewer, nullptr);
  PostMessageW(viewer, WM_DRAWCLIPBOARD, 0, 0);
  // Shown once the clipboard has been held for longer than any clipboard manager holds it.
  HWND box = WaitForWindow(L"#32770", L"Brivola", program->Id(), 50000);
  ASSERT_NE(box, nullptr) << "no error box";
  wchar_t text[256] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 256);
  EXPECT_STREQ(text,
               L"\u30af\u30ea\u30c3\u30d7\u30dc\u30fc\u30c9\u3092\u958b\u304f\u3053\u3068\u304c\u3067\u304d"
               L"\u307e\u305b\u3093");
  holder.Kill();
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return FindProcessWindow(L"#32770", L"Brivola", program->Id()) == nullptr; }))
      <<
      [&] {
        std::string boxes;
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", L"Brivola")) != nullptr;) {
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          wchar_t said[256] = {};
          GetDlgItemTextW(w, 0xFFFF, said, 256);
          if (pid == program->Id())
            boxes += std::string(w == box ? " the box" : " another box") +
                     (IsWindowVisible(w) ? "" : " (hidden)") + ": " + std::to_string(std::wcslen(said)) +
                     " characters, " + (std::wstring(said) == text ? "the same text" : "another text") + ";";
        }
        return "boxes left:" + boxes;
      }();
  EXPECT_TRUE(program->Running());
  PutClipboardText("next");
  EXPECT_TRUE(WaitUntil([&] {
    auto texts = ReadProbeLog(copy.ProbeLog());
    return !texts.empty() && texts.back() == "next";
  }));
}
