#include "Dpi.h"

#include "Handles.h"
#include "SystemLibraries.h"

namespace {

// Looked up at the first call that needs it; nullptr where this Windows lacks it.
#define BRIVOLA_OPTIONAL(library, type, name) static const auto name = OptionalFunction<type>(library, #name)

// Declared here: older SDK headers lack them.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, LPCWSTR, int, int, HICON*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// Whether the icon group holds an image of exactly this size (a width byte of 0 stands for 256).
bool HasImageOfSize(HINSTANCE module, LPCWSTR name, int size) {
  HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* group = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD bytes = found ? SizeofResource(module, found) : 0;
  if (!group || bytes < 6) return false;
  const int count = group[4] | (group[5] << 8);
  constexpr DWORD kEntry = 14;
  for (int i = 0; i < count && 6 + (i + 1) * kEntry <= bytes; ++i) {
    const int width = group[6 + i * kEntry], height = group[6 + i * kEntry + 1];
    if ((width ? width : 256) == size && (height ? height : 256) == size) return true;
  }
  return false;
}

}  // namespace

int ScreenDpi() {
  static const int dpi = [] {
    WindowDC dc(nullptr);
    const int v = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return v > 0 ? v : 96;
  }();
  return dpi;
}

int Scale(int designPixels) { return ScaleToDpi(designPixels, ScreenDpi()); }

int WindowDpi(HWND wnd) {
  BRIVOLA_OPTIONAL(L"user32.dll", GetDpiForWindowFn, GetDpiForWindow);
  const UINT dpi = GetDpiForWindow && wnd ? GetDpiForWindow(wnd) : 0;
  return dpi ? static_cast<int>(dpi) : ScreenDpi();
}

int MonitorDpiAt(POINT screen) {
  BRIVOLA_OPTIONAL(L"shcore.dll", GetDpiForMonitorFn, GetDpiForMonitor);
  UINT x = 0, y = 0;
  if (GetDpiForMonitor &&
      SUCCEEDED(
          GetDpiForMonitor(MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
      y)
    return static_cast<int>(y);
  return ScreenDpi();
}

int MetricForDpi(int index, int dpi) {
  BRIVOLA_OPTIONAL(L"user32.dll", GetSystemMetricsForDpiFn, GetSystemMetricsForDpi);
  if (GetSystemMetricsForDpi) return GetSystemMetricsForDpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, int dpi) {
  BRIVOLA_OPTIONAL(L"user32.dll", SystemParametersInfoForDpiFn, SystemParametersInfoForDpi);
  metrics = NONCLIENTMETRICSW{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoForDpi && SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics,
                                                               &metrics, 0, static_cast<UINT>(dpi)))
    return true;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
  for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                         &metrics.lfStatusFont, &metrics.lfMessageFont})
    font->lfHeight = MulDiv(font->lfHeight, dpi, ScreenDpi());
  return true;
}

RECT WindowRectForClient(RECT client, DWORD style, DWORD exStyle, int dpi) {
  BRIVOLA_OPTIONAL(L"user32.dll", AdjustWindowRectExForDpiFn, AdjustWindowRectExForDpi);
  if (!AdjustWindowRectExForDpi ||
      !AdjustWindowRectExForDpi(&client, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&client, style, FALSE, exStyle);
  return client;
}

HICON LoadIconOfSize(HINSTANCE module, LPCWSTR name, int size) {
  // An image drawn for the size needs no help, and leaves the common controls unloaded.
  if (!HasImageOfSize(module, name, size)) {
    BRIVOLA_OPTIONAL(L"comctl32.dll", LoadIconWithScaleDownFn, LoadIconWithScaleDown);
    HICON icon = nullptr;
    if (LoadIconWithScaleDown && SUCCEEDED(LoadIconWithScaleDown(module, name, size, size, &icon)))
      return icon;
  }
  return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}
