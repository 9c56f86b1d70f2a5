// The marker DLL (see marker.h). Its entry point is the DLL's own: no C runtime starts with it.

#include <windows.h>

#include "marker.h"

namespace {

void WriteMarker(HINSTANCE self) {
  constexpr DWORD kCapacity = 512;  // both buffers within a page of stack: no probe
  wchar_t marker[kCapacity + sizeof tgw::e2e::marker::kSuffix / sizeof(wchar_t)];
  const DWORD length = GetModuleFileNameW(self, marker, kCapacity);
  if (length == 0 || length >= kCapacity) return;
  lstrcatW(marker, tgw::e2e::marker::kSuffix);

  wchar_t program[kCapacity];
  const DWORD program_length = GetModuleFileNameW(nullptr, program, kCapacity);
  const HANDLE file = CreateFileW(marker, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (program_length < kCapacity) {
    WriteFile(file, program, program_length * sizeof(wchar_t), &written, nullptr);
  }
  CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI MarkerEntry(HINSTANCE self, DWORD reason, void* /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) WriteMarker(self);
  return TRUE;
}

// The function the control program imports of version.dll (control_static.cpp): with it, the
// marker planted as version.dll satisfies that import and runs on Windows as under Wine.
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(const wchar_t* /*file*/, DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}

}  // extern "C"
