// e2e_text_hook.dll: see text_hook.h. It is loaded into the setup process by the system when the
// hook first runs there, so it uses nothing but kernel32 and user32 and keeps no C++ runtime
// state: a fixed buffer for the log path, one record built on the stack at a time.

#include "text_hook.h"

#include <windows.h>

namespace {

using namespace tgw::e2e::hook;

constexpr int kLongestText = 8192;  // longer texts are cut; the wizard's are far shorter
constexpr int kLongestPath = 1024;

// The log file; empty in a process without the variable (the driver itself).
wchar_t g_log_path[kLongestPath] = {};

void Append(wchar_t*& out, const wchar_t* end, const wchar_t* text) {
  while (*text != L'\0' && out < end) *out++ = *text++;
}

void Record(wchar_t kind, HWND window, const wchar_t* text) {
  static wchar_t record[kLongestText + 32];
  wchar_t* out = record;
  const wchar_t* const end = record + kLongestText + 30;
  *out++ = kind;
  wchar_t id[16];
  wsprintfW(id, L"%d", GetDlgCtrlID(window));
  Append(out, end, id);
  *out++ = kFieldEnd;
  Append(out, end, text);
  *out++ = kRecordEnd;
  const HANDLE file = CreateFileW(g_log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, record, static_cast<DWORD>((out - record) * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
}

const wchar_t* IconName(HANDLE icon) {
  struct Known {
    const wchar_t* resource;
    const wchar_t* name;
  };
  const Known known[] = {{IDI_INFORMATION, kInformationIcon},
                         {IDI_QUESTION, kQuestionIcon},
                         {IDI_WARNING, kWarningIcon},
                         {IDI_ERROR, kErrorIcon}};
  for (const Known& entry : known) {
    // Shared system icons: the same handle for every load in this process.
    if (icon != nullptr && LoadIconW(nullptr, entry.resource) == icon) return entry.name;
  }
  return kOtherIcon;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RecordTexts(int code, WPARAM sent_by_this_thread, LPARAM message_address) {
  // Only messages a thread of the setup sent to its own windows: for a message from another
  // process the hook is handed the sender's pointers, which mean nothing here.
  if (code == HC_ACTION && sent_by_this_thread != 0 && g_log_path[0] != L'\0') {
    const auto* const message = reinterpret_cast<const CWPSTRUCT*>(message_address);
    if (message->message == WM_SETTEXT) {
      const auto* const text = reinterpret_cast<const wchar_t*>(message->lParam);
      Record(kTextRecord, message->hwnd, text != nullptr ? text : L"");
    } else if (message->message == STM_SETICON ||
               (message->message == STM_SETIMAGE && message->wParam == IMAGE_ICON)) {
      const WPARAM icon = message->message == STM_SETICON ? message->wParam : message->lParam;
      Record(kIconRecord, message->hwnd, IconName(reinterpret_cast<HANDLE>(icon)));
    }
  }
  return CallNextHookEx(nullptr, code, sent_by_this_thread, message_address);
}

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    const DWORD length = GetEnvironmentVariableW(kLogVariable, g_log_path, kLongestPath);
    if (length == 0 || length >= kLongestPath) g_log_path[0] = L'\0';
  }
  return TRUE;
}
