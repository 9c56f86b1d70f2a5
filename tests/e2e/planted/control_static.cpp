// A control program for the planted-DLL test: it imports user32 and version statically and does
// nothing to restrict the DLL search, as a program without the setup's defences. Started beside
// the planted marker DLLs, it loads one at least before its first statement. Exits with 0.

#include <windows.h>
// After windows.h, which it needs.
#include <winver.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Calls that keep both imports.
  DWORD handle = 0;
  GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
  return GetSystemMetrics(SM_CXSCREEN) < 0 ? 1 : 0;
}
