// Start-up time of window programs (image.sh runs it under Wine):
//
//   image_startup RUNS PROGRAM...
//
// Starts each PROGRAM in turn, RUNS times over (taking turns, so that a slow moment of a shared
// machine falls on all of them alike), after one unmeasured start of each. A start is measured
// from just before CreateProcess until the program's top-level window is visible and answers a
// message: its thread has come back to its message loop, so the window's first paint is done.
// Then the program is ended. Prints one line per start ("PROGRAM MILLISECONDS") and last, per
// program, "median PROGRAM MILLISECONDS" and "fastest PROGRAM MILLISECONDS" (the least disturbed
// by other work on the machine). Exit 1 when a program showed no window within 20 s.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM lparam) {
  auto* const search = reinterpret_cast<Search*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || !IsWindowVisible(window) ||
      GetWindow(window, GW_OWNER) != nullptr) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER value{};
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  LARGE_INTEGER value{};
  QueryPerformanceCounter(&value);
  return static_cast<double>(value.QuadPart) * 1000.0 / frequency;
}

// Milliseconds from start to a visible window that answers, or a negative number.
double TimeStart(const wchar_t* program) {
  std::vector<wchar_t> command_line(program, program + std::wcslen(program) + 1);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double started = Now();
  if (!CreateProcessW(program, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1.0;
  }
  double elapsed = -1.0;
  Search search{process.dwProcessId, nullptr};
  while (Now() - started < 20'000.0) {
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      DWORD_PTR ignored = 0;
      if (SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 20'000, &ignored) != 0) {
        elapsed = Now() - started;
      }
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;  // ended first
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10'000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: image_startup RUNS PROGRAM...\n", stderr);
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  const int programs = argc - 2;
  std::vector<std::vector<double>> times(static_cast<std::size_t>(programs));
  for (int run = -1; run < runs; ++run) {  // run -1: the unmeasured start
    for (int index = 0; index < programs; ++index) {
      const wchar_t* program = argv[index + 2];
      const double ms = TimeStart(program);
      if (ms < 0.0) {
        std::fprintf(stderr, "%ls showed no window\n", program);
        return 1;
      }
      if (run < 0) continue;
      std::printf("%ls %.1f\n", program, ms);
      times[static_cast<std::size_t>(index)].push_back(ms);
    }
  }
  for (int index = 0; index < programs; ++index) {
    std::vector<double>& list = times[static_cast<std::size_t>(index)];
    std::sort(list.begin(), list.end());
    const std::size_t middle = list.size() / 2;
    const double median =
        list.size() % 2 != 0 ? list[middle] : (list[middle - 1] + list[middle]) / 2.0;
    std::printf("median %ls %.1f\nfastest %ls %.1f\n", argv[index + 2], median, argv[index + 2],
                list.front());
  }
  std::fflush(stdout);
  return 0;
}
