#pragma once

// Dots per inch: the scale the window lays itself out at. The per-monitor functions came with
// Windows 10 (1607); they are looked up when called, so that the program still starts on
// Windows 7 and 8.1, where the system DPI stands in.

#include <windows.h>

#include "wizard/layout.h"

namespace tgw::win32 {

inline constexpr UINT kDefaultDpi = 96;

// Makes the process per-monitor DPI aware (version 2, else version 1; before Windows 10, system
// aware) when its manifest has not done so already. Call before the first window is made.
void EnableDpiAwareness() noexcept;

// The DPI the system scales to for the whole desktop.
UINT SystemDpi() noexcept;
// The DPI of the monitor a window is on (the system DPI before Windows 10).
UINT DpiOf(HWND window) noexcept;
// GetSystemMetrics for `dpi`.
int SystemMetric(int index, UINT dpi) noexcept;
// The window rectangle (from 0, 0 on) that gives a client area of `width` x `height` pixels to a
// window of these styles at `dpi`.
RECT WindowRectForClient(int width, int height, DWORD style, DWORD ex_style, UINT dpi) noexcept;

// Twips to pixels at `dpi`, rounded to the nearest pixel.
inline int TwipsToPixels(int twips, UINT dpi) noexcept {
  return MulDiv(twips, static_cast<int>(dpi), layout::kTwipsPerInch);
}
// Pixels at 96 DPI to pixels at `dpi`, rounded.
inline int ScalePixels(int pixels, UINT dpi) noexcept {
  return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}
// The LOGFONT height of a font of `points` at `dpi`: negative, the character height in pixels.
int FontHeight(double points, UINT dpi) noexcept;

}  // namespace tgw::win32
