// The control program of the planted-DLL test (e2e_plant_control.exe): it imports only KERNEL32
// (and msvcrt) and loads the DLLs named on its command line with LoadLibraryW, after restricting
// the DLL search to the system folder as the setup does when the first argument is
// --system32-only. Exit code: the number of DLLs that did not load. Given none, it holds the mutex
// "tgw-e2e-control" for a minute: a "setup" that never shows a window, which tgwauto must give up
// on and end.

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc == 1 && CreateMutexW(nullptr, FALSE, L"tgw-e2e-control") != nullptr) Sleep(60000);
  int first = 1;
  if (argc > 1 && std::wcscmp(argv[1], L"--system32-only") == 0) {
    if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return 100;
    first = 2;
  }
  int failed = 0;
  for (int i = first; i < argc; ++i) {
    if (LoadLibraryW(argv[i]) == nullptr) ++failed;
  }
  return failed;
}
