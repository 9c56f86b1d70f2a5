#pragma once

#include <windows.h>

#include <initializer_list>

namespace tgw::win32 {

// What wWinMain of every program of ours does first (see cmake/hardening.cmake): every DLL loaded
// from now on comes from the system folder, never from the program's folder (a downloads or temp
// folder, where anyone may have left a DLL named like a system one). Until here only KERNEL32 and
// msvcrt are loaded; the others are delay-loaded, so they and the DLLs they import load under
// this rule. False when the rule cannot be set: the program must not go on.
//
// Then, from the system folder, the DLLs that Wine's own DLLs load by a search that ignores the
// rule: uxtheme loads msimg32, imm32 (under the first window or message box) ole32; that search
// then finds them loaded.
inline bool LoadDllsFromTheSystemFolderOnly() noexcept {
  if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return false;
  for (const wchar_t* dll : {L"msimg32.dll", L"ole32.dll"}) {
    LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  return true;
}

}  // namespace tgw::win32
