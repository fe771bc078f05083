#include "SystemLibraries.h"

#include <objbase.h>

#include <string>

#include "Classes.h"

HMODULE SystemLibrary(const wchar_t* library) {
  // Redirected by the manifest to version 6 in the side-by-side store; a path into the system folder would
  // give the old version 5 instead.
  if (lstrcmpiW(library, L"comctl32.dll") == 0) return LoadLibraryW(library);
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  // Its own dependencies are looked for in its folder first, not beside the program.
  return LoadLibraryExW((std::wstring(dir, n) + L"\\" + library).c_str(), nullptr,
                        LOAD_WITH_ALTERED_SEARCH_PATH);
}

namespace {

// The function of the library, which the program can't do without.
template <class Function>
Function Resolve(const wchar_t* library, const char* name) {
  const auto function = OptionalFunction<Function>(library, name);
  if (!function) throw EOutOfResources(std::string("Cannot load ") + name);
  return function;
}

}  // namespace

// Each function resolves its address once, at its first call; decltype names the platform's own declaration
// without importing it.
#define BRIVOLA_LAZY(library, name) static const auto function = Resolve<decltype(&::name)>(library, #name)

namespace lazy {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
  BRIVOLA_LAZY(L"comctl32.dll", InitCommonControlsEx);
  return function(classes);
}
BOOL SetWindowSubclass(HWND wnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData) {
  BRIVOLA_LAZY(L"comctl32.dll", SetWindowSubclass);
  return function(wnd, proc, id, refData);
}
BOOL RemoveWindowSubclass(HWND wnd, SUBCLASSPROC proc, UINT_PTR id) {
  BRIVOLA_LAZY(L"comctl32.dll", RemoveWindowSubclass);
  return function(wnd, proc, id);
}
LRESULT DefSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  BRIVOLA_LAZY(L"comctl32.dll", DefSubclassProc);
  return function(wnd, msg, wParam, lParam);
}
BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
  BRIVOLA_LAZY(L"msimg32.dll", AlphaBlend);
  return function(dest, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, blend);
}
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                    int sourceWidth, int sourceHeight, UINT transparent) {
  BRIVOLA_LAZY(L"msimg32.dll", TransparentBlt);
  return function(dest, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight,
                  transparent);
}
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  BRIVOLA_LAZY(L"version.dll", GetFileVersionInfoSizeW);
  return function(fileName, handle);
}
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data) {
  BRIVOLA_LAZY(L"version.dll", GetFileVersionInfoW);
  return function(fileName, handle, size, data);
}
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
  BRIVOLA_LAZY(L"version.dll", VerQueryValueW);
  return function(block, subBlock, buffer, length);
}

}  // namespace lazy

ComApartment::ComApartment() {
  const auto initialize = OptionalFunction<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
  const auto uninitialize = OptionalFunction<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
  // No ole32: the shell is called as it is, which is all a browser registered the plain way needs.
  if (!initialize || !uninitialize) return;
  // S_FALSE (this thread is such an apartment already) counts too: each success is paired with one
  // uninitialise.
  if (SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
    uninitialize_ = uninitialize;
}

ComApartment::~ComApartment() {
  if (uninitialize_) uninitialize_();
}
