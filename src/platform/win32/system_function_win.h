#pragma once

#include <windows.h>

namespace tgw::win32 {

// A function of an already loaded system DLL that this Windows may lack (one of a newer version,
// or not in the mingw import libraries): null when it is not there. `Function` is the pointer
// type, decltype(&TheFunction).
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) noexcept {
  const HMODULE loaded = GetModuleHandleW(module);
  if (loaded == nullptr) return nullptr;
  // Through the generic function pointer type: GetProcAddress's own type is unrelated to Function.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}

}  // namespace tgw::win32
