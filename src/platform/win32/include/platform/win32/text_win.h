#pragma once

#include <string>
#include <string_view>

namespace tgw::win32 {

// `text` as a null-terminated string for a Win32 call; empty when `text` holds a null
// character, so that "a.txt\0.exe" cannot reach the API as "a.txt".
std::wstring ZeroTerminated(std::wstring_view text);

// Text in the system ANSI code page (CP_ACP) and back. A character the code page lacks
// becomes its best fit or '?'.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);

}  // namespace tgw::win32
