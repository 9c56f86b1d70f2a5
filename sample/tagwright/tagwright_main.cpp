// Tagwright.exe as the sample product carries it: a stand-in for the editor, a small window of
// ours that says what it is and which interface language the install chose (the last
// "Language=" line of Settings.dat beside it; "english" when there is none), so that the
// shortcuts the setup makes start something real.

#include <windows.h>

#include <string>

#include "engine/install_records.h"
#include "platform/runtime.h"
#include "platform/win32/dll_search_win.h"
#include "platform/win32/file_system_win.h"
#include "platform/win32/runtime_win.h"
#include "tagwright_ids.h"

namespace {

constexpr wchar_t kClassName[] = L"TagwrightStandIn";
constexpr wchar_t kTitle[] = L"Tagwright 2.50";

std::wstring InterfaceLanguage() {
  std::wstring folder = tgw::FolderOf(tgw::ExecutablePath().value_or(L""));
  if (!folder.ends_with(L'\\')) folder += L'\\';
  tgw::Win32FileSystem files;
  return tgw::ReadLanguageSetting(files, folder).value_or(L"english");
}

HWND Label(HWND parent, int id, const std::wstring& text, int top) {
  const HWND label = CreateWindowExW(
      0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 16, top, 320, 20, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  return label;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      Label(window, IDC_PRODUCT, kTitle, 16);
      Label(window, IDC_LANGUAGE, L"Interface language: " + InterfaceLanguage(), 44);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int show) {
  // First of all: no DLL from the folder the program lies in.
  if (!tgw::win32::LoadDllsFromTheSystemFolderOnly()) return 1;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  window_class.hCursor = static_cast<HCURSOR>(
      LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0) return 1;

  const HWND window = CreateWindowExW(
      0, kClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
      CW_USEDEFAULT, CW_USEDEFAULT, 380, 130, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
