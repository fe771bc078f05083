// The single-instance guard: at most one process per executable file name.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The system calls the guard makes; tests put fakes in their place. The mutex
// calls return a handle or nullptr and leave their error for GetLastError.
struct TInstanceGuardCalls {
  std::function<HANDLE(const std::wstring& name)> OpenMutex;
  std::function<HANDLE(const std::wstring& name)> CreateMutex;
  std::function<void()> EndProcess;  // exit code 0
};
TInstanceGuardCalls& InstanceGuardCalls();

// Ends the process at once, with exit code 0, when a process of the same
// executable file name already runs in this login session (also one whose
// mutex this process may not open, or one that made it at the same moment);
// otherwise creates the name's mutex and keeps it for the whole run. Call
// before anything else.
void InitDblChkNF();
