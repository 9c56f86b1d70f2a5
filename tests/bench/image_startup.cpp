// Start-up time of window programs (image.sh runs it under Wine), with tgwauto's driver:
//
//   image_startup RUNS PROGRAM...
//
// Starts each PROGRAM in turn, RUNS times over (taking turns, so that a slow moment of a shared
// machine falls on all of them alike), after one unmeasured start of each. A start is measured
// from just before the process is made until its window is visible and answers a message (its
// thread is back in its message loop: the first paint is done); then the program is ended.
// Prints "PROGRAM MILLISECONDS" per start. Exit 1 when one showed no window within 20 s.

#include <chrono>
#include <cstdio>
#include <vector>

#include "driver.h"

using namespace tgw::automation;

HWND FirstWindow(const Process& program) {
  const std::vector<HWND> windows = program.Windows();
  return windows.empty() ? nullptr : windows[0];
}

int wmain(int argc, wchar_t** argv) {
  for (int run = -1; argc > 2 && run < _wtoi(argv[1]); ++run) {  // run -1: the unmeasured start
    for (int index = 2; index < argc; ++index) {
      const auto start = std::chrono::steady_clock::now();
      const Process program({.program = argv[index]});
      HWND window = nullptr;
      WaitUntil([&] { return (window = FirstWindow(program)) != nullptr || !program.Running(); },
                20000, 1);
      if (window == nullptr ||
          SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, nullptr) == 0) {
        std::fprintf(stderr, "%ls showed no window\n", argv[index]);
        return 1;
      }
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      if (run >= 0) std::printf("%ls %.1f\n", argv[index], took.count());
    }
  }
  return argc > 2 ? 0 : 2;
}
