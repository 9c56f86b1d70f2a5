// The marker DLL (e2e_marker.dll): a DLL of the tests' own that only tells that it ran. Copied
// beside a program under the name of a system DLL ("planted"), it makes the file
// "<its own path>.ran" when a process loads it. It imports only KERNEL32 and needs no C runtime
// (its entry point is its own), so that it can stand for any other DLL.

#include <windows.h>

extern "C" BOOL WINAPI MarkerEntry(HINSTANCE self, DWORD reason, void* /*reserved*/) {
  wchar_t path[MAX_PATH + 8];  // within a page of stack: no probe
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH) {
    lstrcatW(path, L".ran");
    const HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return TRUE;
}
