#pragma once

#include <windows.h>

namespace tgw::win32 {

// A function of a system DLL that this Windows may lack (one of a newer version, or not in the
// mingw import libraries): null when it is not there. `Function` is the pointer type,
// decltype(&TheFunction). The DLL as already loaded (e.g. the version of the common controls the
// manifest asks for), else loaded from the system folder, never from the program's.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) noexcept {
  HMODULE loaded = GetModuleHandleW(module);
  if (loaded == nullptr) loaded = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (loaded == nullptr) return nullptr;
  // Through the generic function pointer type: GetProcAddress's own type is unrelated to Function.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}

}  // namespace tgw::win32
