#include "Harness.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Handles.h"

namespace harness {
namespace {
std::wstring Widen(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::string UnixScratch() {
  const char* tmp = std::getenv("BRIVOLA_UNIX_TMP");
  if (!tmp) throw std::runtime_error("BRIVOLA_UNIX_TMP unset: run the tests through tools/harness/with-wine");
  return tmp;
}

HGLOBAL Global(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  return h;
}

bool OpenClipboardBounded() {
  return WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 5000);
}
}  // namespace

std::wstring UnixToWin(const std::string& unixPath) {
  std::wstring w = L"Z:" + Widen(unixPath);
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

std::wstring EnvPath(const char* variable) {
  const char* v = std::getenv(variable);
  return v ? UnixToWin(v) : std::wstring();
}

std::wstring ScratchDir(const std::wstring& name) {
  static int counter = 0;
  // Wine hands out process ids again: a name can be left from an earlier test of the same run.
  for (;;) {
    const std::wstring dir = UnixToWin(UnixScratch()) + L"\\" + name + L"-" +
                             std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot make " + Narrow(dir));
  }
}

std::wstring CopyInto(const std::wstring& source, const std::wstring& dir, const std::wstring& fileName) {
  const std::wstring dest = dir + L"\\" + fileName;
  if (!CopyFileW(source.c_str(), dest.c_str(), FALSE))
    throw std::runtime_error("copy failed: " + Narrow(source));
  return dest;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

struct Deadline::State {
  std::mutex mutex;
  std::condition_variable done;
  bool returned = false;
  std::thread watch;
};

Deadline::Deadline(std::string step, DWORD timeoutMs) : state_(std::make_unique<State>()) {
  state_->watch = std::thread([state = state_.get(), step = std::move(step), timeoutMs] {
    std::unique_lock lock(state->mutex);
    if (state->done.wait_for(lock, std::chrono::milliseconds(timeoutMs), [state] { return state->returned; }))
      return;
    std::fprintf(stderr, "FAILED: %s: not returned within %lu ms\n", step.c_str(),
                 static_cast<unsigned long>(timeoutMs));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  });
}

Deadline::~Deadline() {
  {
    std::lock_guard lock(state_->mutex);
    state_->returned = true;
  }
  state_->done.notify_one();
  state_->watch.join();
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFileBytes(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

Process::Process(const std::wstring& commandLine, const std::vector<std::wstring>& extraEnv) {
  std::vector<std::pair<std::wstring, std::wstring>> saved;
  for (const auto& e : extraEnv) {
    const size_t eq = e.find(L'=');
    const std::wstring name = e.substr(0, eq);
    wchar_t old[32768];
    const DWORD n = GetEnvironmentVariableW(name.c_str(), old, 32768);
    saved.emplace_back(name, n ? std::wstring(old, n) : std::wstring(1, L'\0'));
    SetEnvironmentVariableW(name.c_str(), e.substr(eq + 1).c_str());
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring cmd = commandLine;
  const BOOL ok =
      CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_);
  for (const auto& [name, value] : saved)
    SetEnvironmentVariableW(name.c_str(), value == std::wstring(1, L'\0') ? nullptr : value.c_str());
  if (!ok) throw std::runtime_error("cannot start " + Narrow(commandLine));
}

Process::~Process() {
  Kill();
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool Process::Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::Wait(DWORD timeoutMs) {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
  }
}

HWND FindProcessWindow(const wchar_t* className, const wchar_t* caption, DWORD processId, HWND parent) {
  HWND wnd = nullptr;
  while ((wnd = FindWindowExW(parent, wnd, className, caption)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (processId == 0 || pid == processId) return wnd;
  }
  return nullptr;
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD processId, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProcessWindow(className, caption, processId)) != nullptr; }, timeoutMs);
  return found;
}

Capture CaptureClient(HWND wnd) {
  Capture c;
  RECT rc{};
  GetClientRect(wnd, &rc);
  c.width = rc.right;
  c.height = rc.bottom;
  // From the screen, not the window's DC: another process's window paints into a surface of its own.
  POINT corner{0, 0};
  ClientToScreen(wnd, &corner);
  WindowDC screen(nullptr);
  MemoryDC memory(screen.get());
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), c.width, c.height));
  {
    SelectGuard select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, c.width, c.height, screen.get(), corner.x, corner.y, SRCCOPY);
  }
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.width, -c.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> raw(static_cast<size_t>(c.width) * c.height);
  GetDIBits(memory.get(), bitmap.get(), 0, c.height, raw.data(), &info, DIB_RGB_COLORS);
  for (DWORD bgra : raw) c.pixels.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
  return c;
}

void SaveArtifact(const Capture& c, const char* name) {
  const char* dir = std::getenv("BRIVOLA_ARTIFACTS");
  if (!dir) return;
  CreateDirectoryA(dir, nullptr);
  FILE* f = std::fopen((std::string(dir) + "\\" + name).c_str(), "wb");
  if (!f) return;
  const int stride = (c.width * 3 + 3) & ~3;
  const DWORD dataSize = static_cast<DWORD>(stride) * c.height;
  const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  BITMAPFILEHEADER fh{0x4D42, headers + dataSize, 0, 0, headers};
  BITMAPINFOHEADER ih{sizeof ih, c.width, c.height, 1, 24, BI_RGB, dataSize, 0, 0, 0, 0};
  std::fwrite(&fh, sizeof fh, 1, f);
  std::fwrite(&ih, sizeof ih, 1, f);
  std::vector<unsigned char> row(static_cast<size_t>(stride));
  for (int y = c.height - 1; y >= 0; --y) {
    for (int x = 0; x < c.width; ++x) {
      const COLORREF p = c.At(x, y);
      row[x * 3] = GetBValue(p);
      row[x * 3 + 1] = GetGValue(p);
      row[x * 3 + 2] = GetRValue(p);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  std::fclose(f);
}

namespace {
void SendMouse(POINT screen, DWORD buttons) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Absolute coordinates run from 0 to 65535 across the screen; the centre of the pixel lands on it.
  input.mi.dx = static_cast<LONG>((screen.x * 65536LL + 32768) / w);
  input.mi.dy = static_cast<LONG>((screen.y * 65536LL + 32768) / h);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof input);
}
}  // namespace

void MouseMoveTo(POINT screen) { SendMouse(screen, 0); }

void MouseClickAt(POINT screen) {
  SendMouse(screen, 0);
  SendMouse(screen, MOUSEEVENTF_LEFTDOWN);
  SendMouse(screen, MOUSEEVENTF_LEFTUP);
}

std::wstring WindowText(HWND wnd) {
  wchar_t text[4096] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(wnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      &ignored);
  return text;
}

namespace {
struct DescendantSearch {
  const wchar_t* className;
  std::vector<HWND> found;
};
BOOL CALLBACK MatchClass(HWND wnd, LPARAM l) {
  auto* search = reinterpret_cast<DescendantSearch*>(l);
  wchar_t name[64] = {};
  GetClassNameW(wnd, name, 64);
  if (lstrcmpiW(name, search->className) == 0) search->found.push_back(wnd);
  return TRUE;
}
}  // namespace

std::vector<HWND> Descendants(HWND parent, const wchar_t* className) {
  DescendantSearch search{className, {}};
  EnumChildWindows(parent, &MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className) {
  std::vector<std::wstring> texts;
  for (HWND child = FindWindowExW(parent, nullptr, className, nullptr); child;
       child = FindWindowExW(parent, child, className, nullptr))
    texts.push_back(WindowText(child));
  return texts;
}

void PutClipboardText(const std::string& bytes, const std::vector<std::pair<std::wstring, DWORD>>& formats) {
  if (!OpenClipboardBounded()) throw std::runtime_error("clipboard busy");
  EmptyClipboard();
  std::string z = bytes;
  z.push_back('\0');
  SetClipboardData(CF_TEXT, Global(z.data(), z.size()));
  for (const auto& [name, value] : formats)
    SetClipboardData(RegisterClipboardFormatW(name.c_str()), Global(&value, sizeof value));
  CloseClipboard();
}

void PutClipboardUnicode(const std::wstring& text) {
  if (!OpenClipboardBounded()) throw std::runtime_error("clipboard busy");
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, Global(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
  CloseClipboard();
}

void PutClipboardImage() {
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  if (!OpenClipboardBounded()) throw std::runtime_error("clipboard busy");
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, bmp);
  CloseClipboard();
}

std::string UserName() {
  char name[257] = {};
  DWORD size = 256;
  GetUserNameA(name, &size);
  return name;
}

std::wstring PressBox(const Process& program) {
  HWND box = WaitForWindow(L"#32770", L"Brivola", program.Id());
  if (!box) return L"<no box>";
  wchar_t text[1024] = {};
  WaitUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 1024) > 0; });
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  WaitUntil([&] { return !IsWindow(box); });
  return text;
}

std::vector<OpenedUrl> ReadUrlLog(const std::wstring& logPath) {
  std::vector<OpenedUrl> urls;
  for (const std::string& line : ReadLines(logPath)) {
    const size_t sp = line.find(' ');
    if (sp == std::string::npos) continue;
    urls.push_back({std::atoll(line.substr(0, sp).c_str()), line.substr(sp + 1)});
  }
  return urls;
}

ProgramCopy::ProgramCopy(const std::wstring& testName, const char* exeEnv, const std::wstring& fileName) {
  static int counter = 0;
  // A fresh folder: the name of one left by an earlier test with the same process id is passed over.
  for (;;) {
    const std::string leaf =
        Narrow(testName) + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    unixDir_ = UnixScratch() + "/" + leaf;
    dir_ = UnixToWin(unixDir_);
    if (CreateDirectoryW(dir_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot make " + unixDir_);
  }
  const std::wstring source = EnvPath(exeEnv);
  if (source.empty()) throw std::runtime_error(std::string(exeEnv) + " unset");
  exe_ = CopyInto(source, dir_, fileName);
}

std::wstring ProgramCopy::IniPath() const {
  const size_t dot = exe_.find_last_of(L'.');
  return exe_.substr(0, dot) + L".ini";
}

std::vector<OpenedUrl> ProgramCopy::OpenedUrls() const {
  auto urls = ReadUrlLog(EnvPath("BRIVOLA_URL_LOG"));
  urls.erase(urls.begin(), urls.begin() + static_cast<std::ptrdiff_t>(std::min(urlsBefore_, urls.size())));
  return urls;
}

std::unique_ptr<Process> ProgramCopy::Start(HWND* form, const std::vector<std::wstring>& extraEnv) const {
  urlsBefore_ = ReadUrlLog(EnvPath("BRIVOLA_URL_LOG")).size();
  std::vector<std::wstring> env{L"BRIVOLA_PROBE_LOG=" + dir_ + L"\\probe.log"};
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  auto p = std::make_unique<Process>(L"\"" + exe_ + L"\"", env);
  HWND wnd = WaitForWindow(L"TSetupForm", nullptr, p->Id());
  if (form) *form = wnd;
  return p;
}

struct ClipboardViewer::State {
  std::thread thread;
  HWND window = nullptr;
  HWND next = nullptr;
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  long count = 0;
  bool ready = false;

  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<State*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    switch (msg) {
      case WM_DRAWCLIPBOARD:
        if (self) {
          {
            std::lock_guard lock(self->mutex);
            ++self->count;
          }
          self->changed.notify_all();
          if (self->next) SendMessageW(self->next, msg, wParam, lParam);
        }
        return 0;
      case WM_CHANGECBCHAIN:
        if (self && reinterpret_cast<HWND>(wParam) == self->next)
          self->next = reinterpret_cast<HWND>(lParam);
        else if (self && self->next)
          SendMessageW(self->next, msg, wParam, lParam);
        return 0;
      case WM_CLOSE:
        if (self) ChangeClipboardChain(wnd, self->next);
        DestroyWindow(wnd);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        return DefWindowProcW(wnd, msg, wParam, lParam);
    }
  }

  void Run() {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"BrivolaHarnessViewer";
      return RegisterClassW(&wc);
    }();
    window = CreateWindowW(MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    next = SetClipboardViewer(window);
    {
      std::lock_guard lock(mutex);
      ready = true;
    }
    changed.notify_all();
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  }
};

ClipboardViewer::ClipboardViewer() : state_(std::make_unique<State>()) {
  state_->thread = std::thread([s = state_.get()] { s->Run(); });
  std::unique_lock lock(state_->mutex);
  state_->changed.wait(lock, [&] { return state_->ready; });
}

ClipboardViewer::~ClipboardViewer() {
  PostMessageW(state_->window, WM_CLOSE, 0, 0);
  state_->thread.join();
}

long ClipboardViewer::Count() const {
  std::lock_guard lock(state_->mutex);
  return state_->count;
}

bool ClipboardViewer::WaitForCount(long count, DWORD timeoutMs) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return state_->count >= count; });
}

std::string ChainReport(const Process& program, HWND form, const ClipboardViewer& viewer, long count) {
  auto whose = [&](HWND wnd) {
    DWORD pid = 0;
    if (wnd) GetWindowThreadProcessId(wnd, &pid);
    return !wnd                  ? std::string("none")
           : pid == program.Id() ? std::string("the program's")
                                 : "process " + std::to_string(pid) + "'s";
  };
  DWORD_PTR ignored = 0;
  const ULONGLONG asked = GetTickCount64();
  const bool answers = SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0;
  std::string report = "chain head: " + whose(GetClipboardViewer()) + "; clipboard held by " +
                       whose(GetOpenClipboardWindow()) + "; the program's window " +
                       (answers ? "answered in " + std::to_string(GetTickCount64() - asked) + " ms"
                                : std::string("did not answer in 10 s"));
  const ULONGLONG waited = GetTickCount64();
  report += viewer.WaitForCount(count, 30000)
                ? "; the notice came " + std::to_string(GetTickCount64() - waited) + " ms later"
                : "; no notice 30 s later";
  return report;
}

namespace {
const wchar_t* const kUrlCommandKeys[] = {L"Software\\Classes\\http\\shell\\open\\command",
                                          L"Software\\Classes\\https\\shell\\open\\command"};

std::wstring CommandOf(const wchar_t* key) {
  wchar_t value[2048] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return {};
  return value;
}

void SetCommand(const wchar_t* key, const std::wstring& command) {
  if (RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, command.c_str(),
                      static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
    throw std::runtime_error("cannot set the URL handler");
}
}  // namespace

OrderedBrowser::OrderedBrowser() : log_(ScratchDir(L"browser") + L"\\urls.log") {
  const std::wstring command = L"\"" + EnvPath("WINTOOL_EXE") + L"\" browse \"" + log_ + L"\" \"%1\"";
  for (const wchar_t* key : kUrlCommandKeys) {
    saved_.emplace_back(key, CommandOf(key));
    SetCommand(key, command);
  }
}

OrderedBrowser::~OrderedBrowser() {
  for (const auto& [key, command] : saved_) SetCommand(key.c_str(), command);
}

std::vector<std::string> OrderedBrowser::Urls() const {
  std::vector<std::pair<unsigned long long, std::string>> entries;
  for (const std::string& line : ReadLines(log_)) {
    const size_t sp = line.find(' ');
    if (sp != std::string::npos)
      entries.emplace_back(std::strtoull(line.c_str(), nullptr, 10), line.substr(sp + 1));
  }
  std::stable_sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::vector<std::string> urls;
  for (auto& e : entries) urls.push_back(std::move(e.second));
  return urls;
}

std::vector<std::string> OrderedBrowser::Errors() const { return ReadLines(log_ + L".errors"); }

void OrderedBrowser::Break() {
  for (const wchar_t* key : kUrlCommandKeys)
    SetCommand(key, L"\"" + ScratchDir(L"browser") + L"\\gone.exe\" \"%1\"");
}

std::vector<ProgramCopy::ShellOpen> ProgramCopy::ShellOpens() const {
  std::vector<ShellOpen> opens;
  for (const std::string& line : ReadLines(ProbeLog() + L".shell")) {
    ShellOpen open{};
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%llu %lld %n", &open.us, &open.result, &consumed) == 2 && consumed > 0) {
      open.target = line.substr(static_cast<size_t>(consumed));
      opens.push_back(std::move(open));
    }
  }
  return opens;
}

std::string WhereLost(const std::vector<std::string>& expected, const ProgramCopy& copy,
                      const OrderedBrowser& browser) {
  const auto opens = copy.ShellOpens();
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::string at = "URL " + std::to_string(i) + " (" + expected[i] + ")";
    if (i >= opens.size() || opens[i].target != expected[i])
      return at + " was never handed to the shell by the program; it handed " +
             (i < opens.size() ? opens[i].target : "nothing more");
    if (opens[i].result <= 32) return at + " was refused by the shell: " + std::to_string(opens[i].result);
  }
  // Handed over, every one: which never reached the browser's log.
  auto logged = browser.Urls();
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto found = std::find(logged.begin(), logged.end(), expected[i]);
    if (found != logged.end()) {
      logged.erase(found);
      continue;
    }
    std::string errors;
    for (const std::string& e : browser.Errors()) errors += "; stand-in error " + e;
    return "URL " + std::to_string(i) + " (" + expected[i] +
           ") was handed to the shell but never reached the stand-in browser's log" + errors;
  }
  return {};
}

std::vector<std::string> ReadProbeLog(const std::wstring& path) {
  std::vector<std::string> texts;
  for (const std::string& hex : ReadLines(path)) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    texts.push_back(bytes);
  }
  return texts;
}

}  // namespace harness
