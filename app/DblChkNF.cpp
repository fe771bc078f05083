#include "DblChkNF.h"

#include <windows.h>

#include <string>

#include "WinText.h"

namespace {
// Kept open for the whole run; the system closes it with the process.
HANDLE instanceMutex = nullptr;
}  // namespace

void InitDblChkNF() {
  const std::wstring path = ModuleFileName();
  const std::wstring name = path.substr(path.find_last_of(L"\\/:") + 1);
  if (HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str())) {
    CloseHandle(existing);
    ExitProcess(0);
  }
  // Without a mutex the program runs on unprotected; nothing is reported.
  instanceMutex = CreateMutexW(nullptr, FALSE, name.c_str());
}
