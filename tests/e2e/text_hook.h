#pragma once

// The text hook: a small DLL (e2e_text_hook.dll) that the tests hook into the setup's window
// thread (WH_CALLWNDPROC). Inside the setup process it records every text the setup gives one of
// its own windows (WM_SETTEXT), in order, to the file that the environment variable kLogVariable
// names: polling cannot see texts that change within milliseconds; the record holds them all.
// The file is UTF-16LE; a record is the window's control ID in decimal, kFieldEnd, the text and
// kRecordEnd.

namespace tgw::e2e::hook {

inline constexpr wchar_t kLogVariable[] = L"TGW_E2E_TEXT_LOG";
inline constexpr char kProcedureName[] = "RecordTexts";
inline constexpr wchar_t kFieldEnd = L'\x1F';
inline constexpr wchar_t kRecordEnd = L'\x1E';

}  // namespace tgw::e2e::hook
