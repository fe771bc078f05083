// Dots per inch: of the system, of a window and of the monitor under a point,
// and the system's measures, fonts and icons at a given DPI. Sizes written for
// 96 dpi are scaled by DPI / 96. The per-monitor functions of newer Windows are
// looked up at first use; where the platform lacks them, every monitor has the
// system's DPI.
#pragma once

#include <windows.h>

// The system's DPI (the primary monitor's at log-on), read once.
int ScreenDpi();
// Pixels at 96 dpi to pixels at dpi, rounded.
inline int ScaleToDpi(int designPixels, int dpi) { return MulDiv(designPixels, dpi, 96); }
// Pixels at 96 dpi to pixels at the system's DPI.
int Scale(int designPixels);

int WindowDpi(HWND wnd);
int MonitorDpiAt(POINT screen);

// GetSystemMetrics at the DPI.
int MetricForDpi(int index, int dpi);
// The menu, caption and message fonts at the DPI; false when the system gives none.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, int dpi);
// The window rectangle around a client rectangle at the DPI.
RECT WindowRectForClient(RECT client, DWORD style, DWORD exStyle, int dpi);

// The icon resource's image of the size, drawn for it when the resource has
// one; otherwise a larger one scaled down. The caller owns the icon.
HICON LoadIconOfSize(HINSTANCE module, LPCWSTR name, int size);
