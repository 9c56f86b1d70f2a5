// The reference of the start-up measurement (image.sh): a window of the wizard's size that does
// nothing, in a program that loads the system DLLs the setup has loaded by the time its window is
// up, in the same way (the search restricted to the system folder first, then each by name), and
// carries the setup's manifest (the same common controls and DPI awareness). What the setup takes
// beyond this is its own work: the picture, the fonts, the controls, COM. image_startup ends it.

#include <windows.h>

#include <initializer_list>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int show) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  for (const wchar_t* dll : {L"msimg32.dll", L"ole32.dll", L"user32.dll", L"gdi32.dll",
                             L"comctl32.dll", L"uxtheme.dll", L"imm32.dll"}) {
    LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;  // which paints the background brush
  window_class.hInstance = instance;
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = L"TagwrightMinimalWindow";
  RegisterClassW(&window_class);
  const HWND window =
      CreateWindowExW(WS_EX_APPWINDOW, window_class.lpszClassName, L"Minimal window",
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 577,
                      520, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  for (MSG message{}; GetMessageW(&message, nullptr, 0, 0) > 0;) DispatchMessageW(&message);
  return 0;
}
