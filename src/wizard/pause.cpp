#include "wizard/pause.h"

#include <cmath>

#include "platform/runtime.h"
#include "wizard/toolkit.h"

namespace tgw {

namespace {
constexpr double kSecondsPerDay = 86400.0;
// TGW_NO_PAUSES is defined only for setup-image-nopause.exe (tests/bench/CMakeLists.txt), a test
// build that is never shipped: it measures what the run itself costs.
#ifdef TGW_NO_PAUSES
constexpr bool kPauses = false;
#else
constexpr bool kPauses = true;
#endif
}  // namespace

void Pause(Toolkit& ui, Runtime& runtime, double threshold) {
  if constexpr (!kPauses) return;
  double last = runtime.Timer();
  const double start = std::nearbyint(last);  // the default rounding mode: half to even
  double day_offset = 0.0;
  for (;;) {
    const double now = runtime.Timer();
    if (now < last) day_offset += kSecondsPerDay;  // the timer passed midnight
    last = now;
    const double elapsed = now + day_offset - start;
    if (elapsed >= threshold) return;
    ui.WaitEvents(threshold - elapsed);
  }
}

}  // namespace tgw
