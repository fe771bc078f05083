#include "DblChkNF.h"

#include <string>

#include "Handles.h"
#include "WinText.h"

#ifdef BRIVOLA_PROBE
#include <cstdlib>
#endif

namespace {
// Kept open for the whole run; the system closes it with the process.
HANDLE instanceMutex = nullptr;
}  // namespace

TInstanceGuardCalls& InstanceGuardCalls() {
  static TInstanceGuardCalls calls{
      // Only to learn that the name exists: the least access, which a copy running elevated may still refuse.
      [](const std::wstring& name) { return OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()); },
      [](const std::wstring& name) { return CreateMutexW(nullptr, FALSE, name.c_str()); },
      [] { ExitProcess(0); }};
  return calls;
}

void InitDblChkNF() {
  const TInstanceGuardCalls& calls = InstanceGuardCalls();
  const std::wstring path = ModuleFileName();
  const std::wstring name = path.substr(path.find_last_of(L"\\/:") + 1);
  UniqueHandle existing(calls.OpenMutex(name));
  if (existing || GetLastError() == ERROR_ACCESS_DENIED) return calls.EndProcess();
#ifdef BRIVOLA_PROBE
  // Test build: a pause here lets two starts pass the look-up above together.
  if (const char* ms = std::getenv("BRIVOLA_PROBE_GUARD_PAUSE_MS")) Sleep(static_cast<DWORD>(std::atoi(ms)));
#endif
  UniqueHandle created(calls.CreateMutex(name));
  // A start at the same moment made the name first, or made it with rights this process lacks.
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || (!created && error == ERROR_ACCESS_DENIED)) return calls.EndProcess();
  // Without a mutex the program runs on unprotected; nothing is reported.
  if (created) {
    if (instanceMutex) CloseHandle(instanceMutex);
    instanceMutex = created.release();
  }
}
