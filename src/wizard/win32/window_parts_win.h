#pragma once

// What the source files of the wizard's window share (window_win.cpp, window_dpi_win.cpp,
// window_paint_win.cpp).

#include <windows.h>

#include "wizard/layout.h"
#include "wizard/win32/dpi_win.h"

namespace tgw::win32 {

// A fixed single border with a caption and the close box; no minimise or maximise box.
inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

inline bool Has(const layout::ControlLayout& control, layout::Flags flag) noexcept {
  return (control.flags & flag) != 0;
}

// A control's rectangle in its parent's client area, in pixels at `dpi`.
inline RECT PixelRect(const layout::ControlLayout& control, UINT dpi) noexcept {
  const int left = TwipsToPixels(control.left, dpi);
  const int top = TwipsToPixels(control.top, dpi);
  return RECT{left, top, left + TwipsToPixels(control.width, dpi),
              top + TwipsToPixels(control.height, dpi)};
}

}  // namespace tgw::win32
