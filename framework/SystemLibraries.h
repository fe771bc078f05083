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

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF background,
                      COLORREF foreground, UINT style);

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                    int sourceWidth, int sourceHeight, UINT transparent);

}  // namespace lazy
