// Brivola: a resident clipboard utility. No main window; the settings form
// stays hidden until the tray icon shows it.
#include <windows.h>

#include "BIOS.h"
#include "DblChkNF.h"
#include "Forms.h"
#include "SystemLibraries.h"
#include "uSetupForm.h"

#ifdef BRIVOLA_PROBE
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "Clipbrd.h"

// Test build: BRIVOLA_PROBE_ALLOC_LIMIT=bytes refuses every larger allocation, as a system short of memory
// would.
namespace {
std::size_t AllocLimit() {
  static const std::size_t limit = [] {
    const char* value = std::getenv("BRIVOLA_PROBE_ALLOC_LIMIT");
    return value ? static_cast<std::size_t>(std::strtoull(value, nullptr, 10)) : 0;
  }();
  return limit;
}
}  // namespace

// These replace the library's operators as a pair, so malloc and free do match here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (const std::size_t limit = AllocLimit(); limit && size > limit) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

// Test build: each time the program opens the clipboard, a line beside the probe log ("<us> <opened>
// <sequence number> <holder's process id>"): when a copy was read, or found held and by whom.
namespace {
void LogClipboardOpens() {
  const char* log = std::getenv("BRIVOLA_PROBE_LOG");
  if (!log) return;
  ClipboardCalls().Open = [path = std::string(log) + ".open"](HWND owner) {
    const BOOL opened = OpenClipboard(owner);
    const DWORD error = GetLastError();
    DWORD holder = 0;
    if (!opened) GetWindowThreadProcessId(GetOpenClipboardWindow(), &holder);
    LARGE_INTEGER counter{}, frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
      std::fprintf(f, "%lld %d %lu %lu\n", counter.QuadPart / (frequency.QuadPart / 1000000), opened ? 1 : 0,
                   GetClipboardSequenceNumber(), holder);
      std::fclose(f);
    }
    SetLastError(error);
    return opened;
  };
}
}  // namespace
#endif

// Ahead of every other initialiser of the program: a library loaded by name never comes from beside it.
// The common controls, which the system loads for the dialog's controls, take msimg32 by name, and it is not
// among the libraries Windows always keeps in its system folder (nor does every system heed the limit for
// them): the system's own is mapped first, so that their search finds it already loaded.
[[gnu::constructor(101)]] static void LimitDllSearch() {
  RestrictDllSearch();
  SystemLibrary(L"msimg32.dll");
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  InitDblChkNF();
  InitLeadByteSet();
#ifdef BRIVOLA_PROBE
  LogClipboardOpens();
#endif
  Application().Initialize();
  Application().ShowMainForm = false;
  Application().SetTitle(L"Brivola");
  try {
    Application().CreateForm<TSetupForm>();
  } catch (const std::exception& e) {
    Application().HandleException(e);
    return 1;
  }
  Application().Run();
  return 0;
}
