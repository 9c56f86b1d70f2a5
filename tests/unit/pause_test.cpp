#include "wizard/pause.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_runtime.h"
#include "fakes/fake_toolkit.h"

namespace tgw {
namespace {

struct PauseRun {
  int pumps;
  double ended_at;
};

// Runs one pause on a clock that moves 10 ms per reading; stops a pause that hangs.
PauseRun RunPause(double begin, double threshold) {
  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  runtime.now = begin;
  runtime.tick = 0.01;
  ui.on_pump = [&ui] {
    if (ui.pumps > 100000) throw std::runtime_error("the pause does not end");
  };
  Pause(ui, runtime, threshold);
  return {ui.pumps, runtime.now};
}

TEST(Pause, EndsThresholdAfterTheNearestWholeSecond) {
  EXPECT_EQ(RunPause(100.5, 0.5).pumps, 0);  // start rounds down to 100: over at once
  EXPECT_NEAR(RunPause(101.5, 0.5).ended_at, 102.51, 0.02);  // start rounds up to 102
  EXPECT_NEAR(RunPause(100.3, 0.5).ended_at, 100.51, 0.02);
  EXPECT_NEAR(RunPause(100.7, 0.5).ended_at, 101.51, 0.02);
  EXPECT_EQ(RunPause(100.47, 0.45).pumps, 0);
  EXPECT_NEAR(RunPause(100.2, 0.45).ended_at, 100.46, 0.02);
}

TEST(Pause, EndsOnTimeAcrossMidnight) {
  // Begun in the last half second of the day, its start rounds to 86400, a reading
  // the timer never gives: it ends half a second into the new day.
  const PauseRun last_half = RunPause(86399.7, 0.5);
  EXPECT_NEAR(last_half.ended_at, 0.5, 0.03);
  EXPECT_LT(last_half.pumps, 100);
  // Begun just before midnight with its pumps running on past it.
  EXPECT_NEAR(RunPause(86399.3, 0.8).ended_at, 86399.8, 0.03);
  EXPECT_NEAR(RunPause(86399.4, 1.0).ended_at, 0.0, 0.03);
}

}  // namespace
}  // namespace tgw
