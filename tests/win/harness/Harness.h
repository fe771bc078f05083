// The Windows side of the Wine test harness: processes, windows, the
// clipboard, files, and bounded waits on conditions.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

// A Unix path as Wine shows it (Z:\...).
std::wstring UnixToWin(const std::string& unixPath);
// The Windows path of a Unix path held in an environment variable; empty when unset.
std::wstring EnvPath(const char* variable);
// A fresh, empty directory in the harness's scratch space.
std::wstring ScratchDir(const std::wstring& name);
// Copies a file; returns the destination.
std::wstring CopyInto(const std::wstring& source, const std::wstring& dir, const std::wstring& fileName);

// Polls the condition every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000);

// Ends this process with a failure naming the step when it isn't destroyed within the time: around a step
// that must return (a destructor that joins a thread, a call into a window that may not answer), so that a
// hang there fails at once and says where, not at ctest's time-out.
class Deadline {
 public:
  explicit Deadline(std::string step, DWORD timeoutMs = 15000);
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::vector<std::string> ReadLines(const std::wstring& path);

// A child process, ended on destruction if still running.
class Process {
 public:
  // extraEnv: NAME=value entries added to this process's environment.
  explicit Process(const std::wstring& commandLine, const std::vector<std::wstring>& extraEnv = {});
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  bool Running() const;
  // The exit code once the process has ended within the time; nullopt otherwise.
  std::optional<DWORD> Wait(DWORD timeoutMs = 15000);
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// A top-level window of the process (0: any process) with the class and, if
// given, the caption; nullptr when none appears in time.
HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD processId,
                   DWORD timeoutMs = 15000);
// Found now, not waited for; HWND_MESSAGE as parent looks among message-only windows.
HWND FindProcessWindow(const wchar_t* className, const wchar_t* caption, DWORD processId,
                       HWND parent = nullptr);

// Puts bytes on the clipboard as CF_TEXT, with optional registered formats
// holding a DWORD each.
void PutClipboardText(const std::string& bytes,
                      const std::vector<std::pair<std::wstring, DWORD>>& formats = {});
void PutClipboardUnicode(const std::wstring& text);
void PutClipboardImage();

// Pixels of a window's client area as the screen shows it, 0x00BBGGRR, row by row from the top.
struct Capture {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Capture CaptureClient(HWND wnd);
// Keeps a capture as a 24-bit BMP in BRIVOLA_ARTIFACTS (nothing when unset).
void SaveArtifact(const Capture& capture, const char* name);

// Hardware-like mouse input at a screen point, as a user's hand gives it.
void MouseMoveTo(POINT screen);
void MouseClickAt(POINT screen);

// A window's text, also of another process's control (WM_GETTEXT).
std::wstring WindowText(HWND wnd);
// The windows of the class among the parent's children and their children.
std::vector<HWND> Descendants(HWND parent, const wchar_t* className);
// The texts of a window's child controls of the class, in z-order.
std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className);

// The login user name: the program's section in its settings file.
std::string UserName();

// The text of the program's next message box titled "Brivola", after which OK
// is pressed; "<no box>" when none comes in time.
std::wstring PressBox(const Process& program);

// The URLs the stand-in browser was handed, in order, from a log it wrote.
struct OpenedUrl {
  long long ms;
  std::string url;
};
std::vector<OpenedUrl> ReadUrlLog(const std::wstring& logPath);

// An installed copy of the program in a scratch folder, started with the
// stand-in browser logging to its own file.
class ProgramCopy {
 public:
  // exeEnv: BRIVOLA_EXE or BRIVOLA_PROBE_EXE; fileName: the copy's name.
  ProgramCopy(const std::wstring& testName, const char* exeEnv = "BRIVOLA_EXE",
              const std::wstring& fileName = L"Brivola.exe");
  const std::wstring& Dir() const { return dir_; }
  const std::wstring& Exe() const { return exe_; }
  // What the stand-in browser was handed since this copy was last started.
  // (The browser runs on the Unix side, where only the harness's own
  // environment reaches it, so all copies share its one log.)
  std::vector<OpenedUrl> OpenedUrls() const;
  std::wstring ProbeLog() const { return dir_ + L"\\probe.log"; }
  // The probe build's record of what it handed to the shell, in order.
  struct ShellOpen {
    unsigned long long us;  // the program's performance counter as it called the shell, in microseconds
    long long result;       // what the shell answered: above 32 is success
    std::string target;
  };
  std::vector<ShellOpen> ShellOpens() const;
  std::wstring IniPath() const;
  // Starts it and waits until its hidden settings form exists.
  std::unique_ptr<Process> Start(HWND* form = nullptr, const std::vector<std::wstring>& extraEnv = {}) const;

 private:
  std::wstring dir_;
  std::wstring exe_;
  std::string unixDir_;
  mutable size_t urlsBefore_ = 0;
};

// A clipboard viewer of the test's own, on a thread of its own, counting the
// change notices it is handed. Joined before the program starts, it sits
// behind the program in the chain, so a notice reaching it means the program
// has handled that change and passed it on.
class ClipboardViewer {
 public:
  ClipboardViewer();
  ~ClipboardViewer();
  ClipboardViewer(const ClipboardViewer&) = delete;
  ClipboardViewer& operator=(const ClipboardViewer&) = delete;

  long Count() const;
  // True once at least count notices have arrived within the time.
  bool WaitForCount(long count, DWORD timeoutMs = 15000) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// What a change that did not come down the chain met, for a failure's message: the chain's head and the
// clipboard's holder (whether they are the program's), whether the program's window answers, and whether the
// notice comes within a further 30 s.
std::string ChainReport(const Process& program, HWND form, const ClipboardViewer& viewer, long count);

// While it exists, the shell hands http and https URLs to a stand-in on the
// Windows side (wintool browse) that logs each with its own creation time: the
// order in which the shell started them, which URLs opened with no pause
// between them keep no other way (each stand-in process runs at its own pace).
// The handlers are restored on destruction (and by with-wine at its start).
class OrderedBrowser {
 public:
  OrderedBrowser();
  ~OrderedBrowser();
  OrderedBrowser(const OrderedBrowser&) = delete;
  OrderedBrowser& operator=(const OrderedBrowser&) = delete;

  // Every URL handed over so far, in the order the shell started them.
  std::vector<std::string> Urls() const;
  // The lines of URLs a stand-in could not log ("<error> <start> <url>").
  std::vector<std::string> Errors() const;
  // From now on the shell finds no program for URLs: each open fails.
  void Break();

 private:
  std::wstring log_;
  std::vector<std::pair<std::wstring, std::wstring>> saved_;  // key, command
};

// Where the first of the expected URLs that the browser lacks was lost: never handed to the shell by the
// program, refused by the shell, or handed over and never logged by the stand-in browser. Empty when none is
// missing.
std::string WhereLost(const std::vector<std::string>& expected, const ProgramCopy& copy,
                      const OrderedBrowser& browser);

// The probe log as texts (each line is the hex of one text the dispatch took).
std::vector<std::string> ReadProbeLog(const std::wstring& path);

}  // namespace harness
