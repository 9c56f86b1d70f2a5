#pragma once

// The marker DLL (e2e_marker.dll): a DLL of the tests' own that only tells that it ran. Copied
// beside a program under the name of a system DLL ("planted"), it writes the file
// "<its own path>.ran" when a process loads it, holding the path of the process's program
// (UTF-16LE). It imports only KERNEL32 and needs no C runtime, so that it can stand for any
// other DLL.

namespace tgw::e2e::marker {

inline constexpr wchar_t kSuffix[] = L".ran";

}  // namespace tgw::e2e::marker
