// Start-up time of window programs (image.sh runs it under Wine), with tgwauto's driver:
//
//   image_startup RUNS PROGRAM...
//
// Starts each PROGRAM in turn, RUNS times over (taking turns, so that a slow moment of a shared
// machine falls on all of them alike), after one unmeasured start of each. A start is measured
// from just before the process is made until its window is visible and answers a message (its
// thread is back in its message loop: the first paint is done); then the program is ended.
// Prints "median PROGRAM MILLISECONDS" per program. Exit 1 when one showed no window within 20 s.

#include <algorithm>
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
  const int runs = argc > 2 ? std::max(1, _wtoi(argv[1])) : 0;
  std::vector<std::vector<double>> times(static_cast<std::size_t>(std::max(argc - 2, 0)));
  for (int run = -1; run < runs; ++run) {  // run -1: the unmeasured start
    for (std::size_t index = 0; index < times.size(); ++index) {
      const auto start = std::chrono::steady_clock::now();
      const Process program({.program = argv[index + 2]});
      HWND window = nullptr;
      WaitUntil([&] { return (window = FirstWindow(program)) != nullptr || !program.Running(); },
                20000, 1);
      if (window == nullptr ||
          SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, nullptr) == 0) {
        std::fprintf(stderr, "%ls showed no window\n", argv[index + 2]);
        return 1;
      }
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      if (run >= 0) times[index].push_back(took.count());
    }
  }
  for (std::size_t index = 0; index < times.size(); ++index) {
    std::vector<double>& list = times[index];
    std::ranges::sort(list);
    const std::size_t middle = list.size() / 2;
    std::printf("median %ls %.1f\n", argv[index + 2],
                list.size() % 2 != 0 ? list[middle] : (list[middle - 1] + list[middle]) / 2);
  }
  return times.empty() ? 2 : 0;
}
