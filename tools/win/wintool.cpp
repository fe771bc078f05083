// wintool: the Wine harness's hands on the Windows side.
//   wintool acp                                print GetACP()
//   wintool put-text FILE [FORMAT[=DWORD]...]  the file's bytes as CF_TEXT, with
//                                              optional registered formats beside it
//   wintool put-unicode FILE                   the file (UTF-8) as CF_UNICODETEXT
//   wintool put-image                          a small bitmap, no text
//   wintool hold MS READYFILE                  keep the clipboard open MS ms;
//                                              READYFILE appears once it is open
//   wintool chain LOGFILE [--swallow|--die-after N|--hang|--hold MS|--slow MS]
//                                              join the viewer chain and log each
//                                              notification ("draw"), and "passed <tick>"
//                                              once the next viewer has returned from it;
//                                              WM_CLOSE leaves the chain. --hang: stops
//                                              handling messages once joined. --hold: on each
//                                              change opens the clipboard, reads its text,
//                                              passes the notification on without waiting
//                                              and closes the clipboard MS ms later. --slow:
//                                              takes MS ms over each change, then logs
//                                              "done <tick>" and passes it on
//   wintool send CLASS|- CAPTION|- MSG [WPARAM [LPARAM]]   SendMessage, prints the result
//   wintool post CLASS|- CAPTION|- MSG [WPARAM [LPARAM]]   PostMessage
//   wintool wait-window CLASS|- CAPTION|- MS    exit 0 once the window exists
//   wintool browse LOGFILE URL                  stand-in browser: appends "<start> <url>",
//                                              <start> being this process's creation
//                                              time (100 ns units), so the log sorts
//                                              into the order the shell started them
//   wintool tray-start RUNS EXE...             start each program RUNS times in turn (after one
//                                              unmeasured start each); per start print
//                                              "EXE<TAB>ms<TAB>working-set-KiB<TAB>peak-KiB":
//                                              ms from CreateProcess to its NIM_ADD reaching the
//                                              tray, memory once it is idle 500 ms later
//   wintool log-args LOGFILE [ARG...]           append the arguments to LOGFILE (UTF-8),
//                                              one line: a stand-in document handler
//   wintool tray-refuse N READYFILE            a tray in front of the shell's own that refuses the
//                                              first N NIM_ADD of "TaskTrayHandle" windows, as a
//                                              taskbar not ready yet does, and passes all else on;
//                                              READYFILE appears once it is in front; WM_CLOSE ends it
//   wintool tray-spy LOGFILE READYFILE         the tray's window of tray-start, kept until WM_CLOSE: each
//                                              call is passed on and logged as "PID NIM WIDTH HEIGHT BPP
//                                              WHOLE": the process of the icon's window, the NIM_ code, the
//                                              icon's size and depth as Wine hands it over (0 0 0 without
//                                              one), WHOLE 1 when the record holds its bits to the byte;
//                                              READYFILE appears once the spy stands first
// MSG is a number or a registered message name.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
std::string Narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

std::string ReadBytes(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "wintool: cannot read %s\n", Narrow(path).c_str());
    std::exit(2);
  }
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool OpenClipboardRetry(HWND owner) {
  for (int i = 0; i < 100; ++i) {
    if (OpenClipboard(owner)) return true;
    Sleep(20);
  }
  return false;
}

HGLOBAL Global(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  return h;
}

UINT MessageNumber(const wchar_t* text) {
  wchar_t* end = nullptr;
  unsigned long v = std::wcstoul(text, &end, 0);
  if (end && *end == 0) return static_cast<UINT>(v);
  return RegisterWindowMessageW(text);
}

const wchar_t* OrNull(const wchar_t* s) { return std::wcscmp(s, L"-") == 0 ? nullptr : s; }

int PutText(int argc, wchar_t** argv) {
  std::string bytes = ReadBytes(argv[2]);
  if (!OpenClipboardRetry(nullptr)) return 3;
  EmptyClipboard();
  bytes.push_back('\0');
  SetClipboardData(CF_TEXT, Global(bytes.data(), bytes.size()));
  for (int i = 3; i < argc; ++i) {
    std::wstring spec = argv[i];
    const size_t eq = spec.find(L'=');
    const UINT fmt = RegisterClipboardFormatW(spec.substr(0, eq).c_str());
    const DWORD value = eq == std::wstring::npos ? 0 : std::wcstoul(spec.c_str() + eq + 1, nullptr, 0);
    SetClipboardData(fmt, Global(&value, sizeof value));
  }
  CloseClipboard();
  return 0;
}

int PutUnicode(wchar_t** argv) {
  const std::string utf8 = ReadBytes(argv[2]);
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  if (!OpenClipboardRetry(nullptr)) return 3;
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, Global(w.c_str(), (w.size() + 1) * sizeof(wchar_t)));
  CloseClipboard();
  return 0;
}

int PutImage() {
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  if (!OpenClipboardRetry(nullptr)) return 3;
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, bmp);
  CloseClipboard();
  return 0;
}

int Hold(wchar_t** argv) {
  const DWORD ms = std::wcstoul(argv[2], nullptr, 10);
  if (!OpenClipboardRetry(nullptr)) return 3;
  std::ofstream(argv[3]) << "open\n";
  Sleep(ms);
  CloseClipboard();
  return 0;
}

// ---- chain viewer
HWND nextViewer = nullptr;
std::FILE* chainLog = nullptr;
bool swallow = false;
bool hang = false;
int dieAfter = -1;
int drawCount = 0;
DWORD holdMs = 0;
DWORD slowMs = 0;

void Log(const char* what) {
  std::fprintf(chainLog, "%s\n", what);
  std::fflush(chainLog);
}

void LogTick(const char* what) {
  std::fprintf(chainLog, "%s %llu\n", what, static_cast<unsigned long long>(GetTickCount64()));
  std::fflush(chainLog);
}

LRESULT CALLBACK ChainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      Log("draw");
      if (dieAfter >= 0 && ++drawCount > dieAfter) ExitProcess(9);  // dies without leaving the chain
      if (holdMs && OpenClipboard(wnd)) {
        GetClipboardData(CF_TEXT);
        if (nextViewer) SendNotifyMessageW(nextViewer, msg, wParam, lParam);
        Sleep(holdMs);
        CloseClipboard();
        return 0;
      }
      if (slowMs) {
        Sleep(slowMs);
        LogTick("done");
      }
      if (nextViewer && !swallow) {
        SendMessageW(nextViewer, msg, wParam, lParam);
        LogTick("passed");
      }
      return 0;
    case WM_CHANGECBCHAIN:
      Log("change");
      if (reinterpret_cast<HWND>(wParam) == nextViewer)
        nextViewer = reinterpret_cast<HWND>(lParam);
      else if (nextViewer)
        SendMessageW(nextViewer, msg, wParam, lParam);
      return 0;
    case WM_CLOSE:
      ChangeClipboardChain(wnd, nextViewer);
      Log("left");
      DestroyWindow(wnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(wnd, msg, wParam, lParam);
  }
}

int Chain(int argc, wchar_t** argv) {
  chainLog = _wfopen(argv[2], L"a");
  if (!chainLog) return 2;
  for (int i = 3; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--swallow") == 0) swallow = true;
    if (std::wcscmp(argv[i], L"--die-after") == 0 && i + 1 < argc)
      dieAfter = std::wcstol(argv[++i], nullptr, 10);
    if (std::wcscmp(argv[i], L"--hang") == 0) hang = true;
    if (std::wcscmp(argv[i], L"--hold") == 0 && i + 1 < argc) holdMs = std::wcstoul(argv[++i], nullptr, 10);
    if (std::wcscmp(argv[i], L"--slow") == 0 && i + 1 < argc) slowMs = std::wcstoul(argv[++i], nullptr, 10);
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = ChainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BrivolaTestChainViewer";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowW(wc.lpszClassName, L"chain", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                           nullptr);
  nextViewer = SetClipboardViewer(wnd);
  Log("joined");
  if (hang) Sleep(INFINITE);  // a program that stopped answering, still in the chain
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  std::fclose(chainLog);
  return 0;
}

int SendOrPost(bool send, int argc, wchar_t** argv) {
  HWND wnd = FindWindowW(OrNull(argv[2]), OrNull(argv[3]));
  if (!wnd) {
    std::fprintf(stderr, "wintool: no such window\n");
    return 4;
  }
  const UINT msg = MessageNumber(argv[4]);
  const WPARAM w = argc > 5 ? static_cast<WPARAM>(std::wcstol(argv[5], nullptr, 0)) : 0;
  const LPARAM l = argc > 6 ? static_cast<LPARAM>(std::wcstol(argv[6], nullptr, 0)) : 0;
  if (send) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(wnd, msg, w, l, SMTO_NORMAL, 10000, &result)) return 5;
    std::printf("%ld\n", static_cast<long>(result));
  } else if (!PostMessageW(wnd, msg, w, l)) {
    return 5;
  }
  return 0;
}

int WaitWindow(wchar_t** argv) {
  const DWORD limit = std::wcstoul(argv[4], nullptr, 10);
  const DWORD start = GetTickCount();
  while (!FindWindowW(OrNull(argv[2]), OrNull(argv[3]))) {
    if (GetTickCount() - start > limit) return 1;
    Sleep(20);
  }
  return 0;
}

int Browse(wchar_t** argv) {
  FILETIME created{}, unused{};
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  const unsigned long long start =
      (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  const std::string line = std::to_string(start) + " " + Narrow(argv[3]) + "\n";
  // Stand-ins started together append one whole line each.
  HANDLE lock = CreateMutexW(nullptr, FALSE, L"BrivolaHarnessBrowseLog");
  WaitForSingleObject(lock, INFINITE);
  HANDLE file = CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE &&
                  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                  written == line.size();
  const DWORD error = ok ? 0 : GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  ReleaseMutex(lock);
  CloseHandle(lock);
  // A URL the log can't take is never lost silently: the test finds it in the errors beside the log.
  if (!ok) {
    std::fprintf(stderr, "wintool browse: error %lu logging %s", error, line.c_str());
    if (FILE* f = _wfopen((std::wstring(argv[2]) + L".errors").c_str(), L"ab")) {
      std::fprintf(f, "%lu %s", error, line.c_str());
      std::fclose(f);
    }
  }
  return ok ? 0 : 1;
}

// ---- tray-start: a window of the tray's class in front of the shell's own. Wine's Shell_NotifyIcon
// hands each call to the first "Shell_TrayWnd" window as WM_COPYDATA (dwData = the NIM_ code); the spy
// notes the time and passes the call on, so the program gets the shell's real answer.
HWND realTray = nullptr;
DWORD watchedProcess = 0;
LARGE_INTEGER addedAt{};
std::FILE* trayLog = nullptr;

// Wine's record of a call: NOTIFYICONDATA's fields in a layout of its own (944 bytes up to guidItem), then,
// when it carries an icon, the icon's width, height, planes and bits per pixel, then its mask and colour
// bits.
void LogTrayCall(DWORD sender, const COPYDATASTRUCT& data) {
  constexpr size_t kFields = 944;
  const auto* bytes = static_cast<const BYTE*>(data.lpData);
  UINT flags = 0, icon[4] = {};
  if (data.cbData >= 12) std::memcpy(&flags, bytes + 8, sizeof flags);
  bool whole = false;
  if ((flags & NIF_ICON) && data.cbData >= kFields + sizeof icon) {
    std::memcpy(icon, bytes + kFields, sizeof icon);
    const size_t pixels = static_cast<size_t>(icon[0]) * icon[1];
    whole = data.cbData ==
            kFields + sizeof icon + (pixels + 15) / 16 * 2 + (pixels * icon[2] * icon[3] + 15) / 16 * 2;
  }
  std::fprintf(trayLog, "%lu %lu %u %u %u %d\n", sender, static_cast<unsigned long>(data.dwData), icon[0],
               icon[1], icon[3], whole ? 1 : 0);
  std::fflush(trayLog);
}

LRESULT CALLBACK TraySpyProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE && trayLog) PostQuitMessage(0);
  if (msg != WM_COPYDATA) return DefWindowProcW(wnd, msg, wParam, lParam);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  DWORD sender = 0;
  GetWindowThreadProcessId(reinterpret_cast<HWND>(wParam), &sender);
  if (trayLog) LogTrayCall(sender, *data);
  if (data->dwData == NIM_ADD && sender == watchedProcess && addedAt.QuadPart == 0)
    QueryPerformanceCounter(&addedAt);
  DWORD_PTR result = TRUE;
  if (realTray && !SendMessageTimeoutW(realTray, WM_COPYDATA, wParam, lParam, SMTO_NORMAL, 10000, &result))
    result = FALSE;
  return static_cast<LRESULT>(result);
}

// Pumps this thread's messages (the spy's) for up to ms, or until done() holds.
template <class F>
bool PumpUntil(DWORD ms, F done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(ms - spent, 50), QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  return true;
}

// One start of exe: false when it never registered its icon.
bool MeasureStart(const std::wstring& exe, double& ms, SIZE_T& workingSet, SIZE_T& peak) {
  std::wstring dir = exe.substr(0, exe.find_last_of(L"\\/") + 1);
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  addedAt.QuadPart = 0;
  LARGE_INTEGER start, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi))
    return false;
  watchedProcess = pi.dwProcessId;
  const bool added = PumpUntil(30000, [] { return addedAt.QuadPart != 0; });
  if (added) {
    ms = static_cast<double>(addedAt.QuadPart - start.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
    WaitForInputIdle(pi.hProcess, 5000);
    PumpUntil(500, [] { return false; });
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters);
    workingSet = counters.WorkingSetSize;
    peak = counters.PeakWorkingSetSize;
  }
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  watchedProcess = 0;
  return added;
}

// A window of the tray's class in front of the shell's own, handled by proc; nullptr when it doesn't come
// first. realTray is the shell's, to pass calls on to.
HWND MakeFrontTray(WNDPROC proc) {
  PumpUntil(10000, [] { return (realTray = FindWindowW(L"Shell_TrayWnd", nullptr)) != nullptr; });
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Shell_TrayWnd";
  RegisterClassW(&wc);
  HWND tray =
      CreateWindowW(wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  if (tray && FindWindowW(L"Shell_TrayWnd", nullptr) == tray) return tray;
  std::fprintf(stderr, "wintool: the stand-in tray does not come first\n");
  return nullptr;
}

HWND MakeTraySpy() { return MakeFrontTray(TraySpyProc); }

int TraySpy(wchar_t** argv) {
  trayLog = _wfopen(argv[2], L"a");
  if (!trayLog || !MakeTraySpy()) return 3;
  std::ofstream(argv[3]) << "ready\n";
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  std::fclose(trayLog);
  return 0;
}

int TrayStart(int argc, wchar_t** argv) {
  const int runs = std::wcstol(argv[2], nullptr, 10);
  HWND spy = MakeTraySpy();
  if (!spy) return 3;
  for (int run = -1; run < runs; ++run) {
    for (int i = 3; i < argc; ++i) {
      double ms = 0;
      SIZE_T workingSet = 0, peak = 0;
      if (!MeasureStart(argv[i], ms, workingSet, peak)) {
        std::fprintf(stderr, "wintool: %s did not register a tray icon\n", Narrow(argv[i]).c_str());
        return 4;
      }
      if (run < 0) continue;  // the first start fills the file cache
      std::printf("%s\t%.1f\t%lu\t%lu\n", Narrow(argv[i]).c_str(), ms,
                  static_cast<unsigned long>(workingSet / 1024), static_cast<unsigned long>(peak / 1024));
      std::fflush(stdout);
    }
  }
  DestroyWindow(spy);
  return 0;
}

// ---- tray-refuse: a stand-in tray, in front as the spy of tray-start is.
int refusalsLeft = 0;

LRESULT CALLBACK RefusingTrayProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  if (msg != WM_COPYDATA) return DefWindowProcW(wnd, msg, wParam, lParam);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  wchar_t cls[64] = {};
  GetClassNameW(reinterpret_cast<HWND>(wParam), cls, 64);
  if (data->dwData == NIM_ADD && std::wcscmp(cls, L"TaskTrayHandle") == 0 && refusalsLeft > 0) {
    --refusalsLeft;
    return FALSE;
  }
  DWORD_PTR result = TRUE;
  if (!realTray || !SendMessageTimeoutW(realTray, WM_COPYDATA, wParam, lParam, SMTO_NORMAL, 10000, &result))
    result = FALSE;
  return static_cast<LRESULT>(result);
}

int TrayRefuse(wchar_t** argv) {
  refusalsLeft = std::wcstol(argv[2], nullptr, 10);
  HWND tray = MakeFrontTray(RefusingTrayProc);
  if (!tray) return 3;
  std::ofstream(argv[3]) << "ready\n";
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  DestroyWindow(tray);
  return 0;
}

int LogArgs(int argc, wchar_t** argv) {
  std::string line;
  for (int i = 3; i < argc; ++i) line += (i > 3 ? " " : "") + Narrow(argv[i]);
  std::ofstream(argv[2], std::ios::binary | std::ios::app) << line << "\n";
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 64;
  const std::wstring cmd = argv[1];
  if (cmd == L"acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  if (cmd == L"put-text" && argc >= 3) return PutText(argc, argv);
  if (cmd == L"put-unicode" && argc >= 3) return PutUnicode(argv);
  if (cmd == L"put-image") return PutImage();
  if (cmd == L"hold" && argc >= 4) return Hold(argv);
  if (cmd == L"chain" && argc >= 3) return Chain(argc, argv);
  if ((cmd == L"send" || cmd == L"post") && argc >= 5) return SendOrPost(cmd == L"send", argc, argv);
  if (cmd == L"wait-window" && argc >= 5) return WaitWindow(argv);
  if (cmd == L"browse" && argc >= 4) return Browse(argv);
  if (cmd == L"tray-start" && argc >= 4) return TrayStart(argc, argv);
  if (cmd == L"log-args" && argc >= 3) return LogArgs(argc, argv);
  if (cmd == L"tray-refuse" && argc >= 4) return TrayRefuse(argv);
  if (cmd == L"tray-spy" && argc >= 4) return TraySpy(argv);
  std::fprintf(stderr, "wintool: unknown command\n");
  return 64;
}
