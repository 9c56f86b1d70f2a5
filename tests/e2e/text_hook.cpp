// e2e_text_hook.dll: see text_hook.h. The system loads it into the setup process when the hook
// first runs there, so it uses nothing but kernel32 and user32 and keeps no C++ runtime state.

#include "text_hook.h"

#include <windows.h>

namespace {

using namespace tgw::e2e::hook;

wchar_t g_log_path[1024] = {};  // empty in a process without the variable (the tests')

// One record, written at once: a reader sees a record whole or without its end yet.
void Record(HWND window, const wchar_t* text) {
  static wchar_t record[16384];
  int length = wsprintfW(record, L"%d%c", GetDlgCtrlID(window), kFieldEnd);
  while (*text != L'\0' && length < 16000) record[length++] = *text++;  // the wizard's are shorter
  record[length++] = kRecordEnd;
  const HANDLE file = CreateFileW(g_log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, record, static_cast<DWORD>(length * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RecordTexts(int code, WPARAM sent_by_this_thread, LPARAM message_address) {
  // Only messages a thread of the setup sent to its own windows: for a message from another
  // process the hook is handed the sender's pointers, which mean nothing here.
  const auto* const message = reinterpret_cast<const CWPSTRUCT*>(message_address);
  if (code == HC_ACTION && sent_by_this_thread != 0 && g_log_path[0] != L'\0' &&
      message->message == WM_SETTEXT) {
    const auto* const text = reinterpret_cast<const wchar_t*>(message->lParam);
    Record(message->hwnd, text != nullptr ? text : L"");
  }
  return CallNextHookEx(nullptr, code, sent_by_this_thread, message_address);
}

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    const DWORD length = GetEnvironmentVariableW(kLogVariable, g_log_path, 1024);
    if (length == 0 || length >= 1024) g_log_path[0] = L'\0';
  }
  return TRUE;
}
