#pragma once

// The text hook: a small DLL (e2e_text_hook.dll) that the driver hooks into the setup's window
// thread (WH_CALLWNDPROC). Inside the setup process it records every text the setup gives one
// of its own windows (WM_SETTEXT) and every icon it gives a static control (STM_SETICON), in
// order, to the file that the environment variable kLogVariable names. Polling cannot see
// texts that change within milliseconds; the record holds them all.
//
// The file is UTF-16LE. A record is its kind, the window's control ID in decimal, kFieldEnd, the
// text (for an icon: its name) and kRecordEnd.

namespace tgw::e2e::hook {

inline constexpr wchar_t kLogVariable[] = L"TGW_E2E_TEXT_LOG";
// The hook procedure's exported name.
inline constexpr char kProcedureName[] = "RecordTexts";

inline constexpr wchar_t kTextRecord = L'T';
inline constexpr wchar_t kIconRecord = L'I';
inline constexpr wchar_t kFieldEnd = L'\x1F';
inline constexpr wchar_t kRecordEnd = L'\x1E';

// The names of the system icons an icon record can carry; any other icon is "other".
inline constexpr wchar_t kInformationIcon[] = L"information";
inline constexpr wchar_t kQuestionIcon[] = L"question";
inline constexpr wchar_t kWarningIcon[] = L"warning";
inline constexpr wchar_t kErrorIcon[] = L"error";
inline constexpr wchar_t kOtherIcon[] = L"other";

}  // namespace tgw::e2e::hook
