// State of the test doubles (platform/testing.h) inside the Linux backend.
#pragma once

#include <cstdint>
#include <vector>

struct PosixTestHookState {
  int failNetStartup = 0;
  int failWindowClass = 0;
  int blindWait = 0;
  int hostAddressCount = -1;  // < 0: the real address source
  bool hostAddressesKnown = true;
  std::vector<uint32_t> hostAddresses;
};

PosixTestHookState& PosixTestHooks(void);
