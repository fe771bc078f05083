// Functions of the common controls, msimg32 and ole32, whose libraries are
// loaded at the first call: only the dialog, the menu and the shell's open
// need them, so a program that stays in the tray never maps them.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A function of a system library, loaded now if it isn't yet, or nullptr where this Windows lacks it. The
// common controls come in the version the program's manifest names, as for an import.
template <class Function>
Function OptionalFunction(const wchar_t* library, const char* name) {
  HMODULE module = LoadLibraryW(library);
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
