#include "wizard/win32/dpi_win.h"

#include "platform/win32/system_function_win.h"

namespace tgw::win32 {

namespace {

template <typename Function>
Function UserFunction(const char* name) noexcept {
  return SystemFunction<Function>(L"user32.dll", name);
}

}  // namespace

void EnableDpiAwareness() noexcept {
  const auto set_context =
      UserFunction<decltype(&SetProcessDpiAwarenessContext)>("SetProcessDpiAwarenessContext");
  if (set_context == nullptr) {
    SetProcessDPIAware();
    return;
  }
  // Fails with ERROR_ACCESS_DENIED when the manifest has set the awareness already.
  if (set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
  if (GetLastError() == ERROR_INVALID_PARAMETER) {  // 1607, before version 2
    set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
  }
}

UINT SystemDpi() noexcept {
  if (const auto get = UserFunction<decltype(&GetDpiForSystem)>("GetDpiForSystem")) {
    return get();
  }
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kDefaultDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT DpiOf(HWND window) noexcept {
  if (const auto get = UserFunction<decltype(&GetDpiForWindow)>("GetDpiForWindow")) {
    if (const UINT dpi = get(window); dpi != 0) return dpi;
  }
  return SystemDpi();
}

int SystemMetric(int index, UINT dpi) noexcept {
  if (const auto get = UserFunction<decltype(&GetSystemMetricsForDpi)>("GetSystemMetricsForDpi")) {
    return get(index, dpi);
  }
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

RECT WindowRectForClient(int width, int height, DWORD style, DWORD ex_style, UINT dpi) noexcept {
  RECT rect{0, 0, width, height};
  const auto adjust = UserFunction<decltype(&AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
  if (adjust == nullptr || !adjust(&rect, style, FALSE, ex_style, dpi)) {
    rect = RECT{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  OffsetRect(&rect, -rect.left, -rect.top);
  return rect;
}

int FontHeight(double points, UINT dpi) noexcept {
  // In hundredths of a point, so that MulDiv rounds the exact product once: 9.75 pt is 13 pixels
  // at 96 DPI and 20 at 144. Rounded half up: sizes are never negative.
  const int hundredths = static_cast<int>(points * 100.0 + 0.5);
  return -MulDiv(hundredths, static_cast<int>(dpi), 72 * 100);
}

}  // namespace tgw::win32
