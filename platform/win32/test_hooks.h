// State of the test doubles (platform/testing.h) inside the Windows backend.
#pragma once

#include <cstdint>

struct Win32TestHookState {
  int failNetStartup = 0;
  int failWindowClass = 0;
  int hostAddressCount = -1;  // < 0: the real address source
  bool hostAddressesKnown = true;
  uint32_t hostAddresses[64] = {};
};

Win32TestHookState& Win32TestHooks(void);
