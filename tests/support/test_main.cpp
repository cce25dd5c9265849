#include <gtest/gtest.h>

#include "platform/scripted/scripted.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Each test case runs in a process of its own (ctest), and the child of a
  // death test must go on from the parent's state (a simulated device the
  // parent started, answers queued), so the child is a plain fork.
  GTEST_FLAG_SET(death_test_style, "fast");
  ScriptedInstall();
  return RUN_ALL_TESTS();
}
