// Functions of the common controls and msimg32, whose libraries are loaded at
// the first call: only the dialog and the menu need them, so a program that
// stays in the tray never maps them.
#pragma once

#include <windows.h>
#include <commctrl.h>

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
