// The end-to-end tests' main: GoogleTest, with the windows of every setup started shown on a
// desktop of the tests' own (see UseTestDesktop).

#include <gtest/gtest.h>

#include <exception>
#include <iostream>

#include "scenario.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  try {
    // Before this thread makes any window or hook: only then may it change its desktop.
    tgw::e2e::UseTestDesktop();
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return RUN_ALL_TESTS();
}
