#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/scripted/scripted.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Each test case runs in a process of its own (ctest), and the child of a
  // death test must go on from the parent's state (a simulated device the
  // parent started, answers queued), so the child is a plain fork.
  GTEST_FLAG_SET(death_test_style, "fast");
  ScriptedInstall();
  // The program ends its process with status 0 from any thread; a test that
  // ends the process by mistake must not count as passed.
  static bool finished = false;
  atexit([] {
    if (!finished && !testing::internal::InDeathTestChild()) {
      fprintf(stderr, "the process ended inside a test\n");
      _exit(1);
    }
  });
  int result = RUN_ALL_TESTS();
  finished = true;
  return result;
}
