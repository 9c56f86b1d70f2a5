// e2e_text_hook.dll, which the tests hook into the setup's window thread (WH_CALLWNDPROC): inside
// the setup process it appends every text the setup gives its percentage (PRG), each followed by a
// line feed, to the file that TGW_E2E_PERCENTAGES names (UTF-8). Polling cannot see texts that
// change within milliseconds; the file holds them all. It uses nothing but kernel32 and user32.

#include <windows.h>

#include "wizard/control.h"

static wchar_t g_log_path[1024] = {};  // empty in a process without the variable (the tests')

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RecordPercentages(int code, WPARAM sent_by_this_thread, LPARAM message_address) {
  // Only messages a thread of the setup sent to its own windows: for a message from another
  // process the hook is handed the sender's pointers, which mean nothing here.
  const auto* const message = reinterpret_cast<const CWPSTRUCT*>(message_address);
  if (code == HC_ACTION && sent_by_this_thread != 0 && g_log_path[0] != L'\0' &&
      message->message == WM_SETTEXT && message->lParam != 0 &&
      GetDlgCtrlID(message->hwnd) == static_cast<int>(tgw::Control::PRG)) {
    char line[64];  // the text in UTF-8 and a line feed in place of its end
    const int length = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWSTR>(message->lParam),
                                           -1, line, sizeof line, nullptr, nullptr);
    line[length > 0 ? length - 1 : 0] = '\n';
    const HANDLE file =
        CreateFileW(g_log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length > 0 ? length : 1), &written, nullptr);
    CloseHandle(file);
  }
  return CallNextHookEx(nullptr, code, sent_by_this_thread, message_address);
}

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH &&
      GetEnvironmentVariableW(L"TGW_E2E_PERCENTAGES", g_log_path, 1024) >= 1024) {
    g_log_path[0] = L'\0';
  }
  return TRUE;
}
