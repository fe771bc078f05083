// Functions of the common controls, msimg32, ole32 and version, whose
// libraries are loaded at the first call: only the dialog, the menu, the
// version box and the shell's open need them, so a program that stays in the
// tray never maps them. Every library comes from the system folder: a file of
// the same name beside the program (a Downloads folder holds many) is never
// loaded.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Limits the search for libraries loaded by name to the system folder, for the whole process: on Windows 8
// and later, and on Windows 7 with its update; elsewhere at least the current folder goes. Called before
// anything else runs. Inline, so that a program without the framework (brivola-scan) has it too.
inline void RestrictDllSearch() {
  using SetDefault = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefault>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

// A system library from the system folder, loaded now if it isn't yet; nullptr where this Windows lacks it.
// The common controls come through the activation context, in the version the program's manifest names.
HMODULE SystemLibrary(const wchar_t* library);

// A function of a system library, or nullptr where this Windows lacks it.
template <class Function>
Function OptionalFunction(const wchar_t* library, const char* name) {
  HMODULE module = SystemLibrary(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                : nullptr;
}

namespace lazy {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);
BOOL SetWindowSubclass(HWND wnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData);
BOOL RemoveWindowSubclass(HWND wnd, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend);
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                    int sourceWidth, int sourceHeight, UINT transparent);

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length);

}  // namespace lazy

// COM on the calling thread, apartment-threaded with OLE1 DDE off, for the
// guard's lifetime: the shell may carry out a verb through a COM handler. A
// thread where COM can't start (ole32 missing, COM already set up otherwise)
// goes on without it.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  void(WINAPI* uninitialize_)() = nullptr;  // set once COM has started here
};
