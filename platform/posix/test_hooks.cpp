#include "platform/posix/test_hooks.h"

#include "platform/testing.h"

PosixTestHookState& PosixTestHooks(void) {
  static PosixTestHookState state;
  return state;
}

void PlatTestSetHostAddresses(const uint32_t* list, int count) {
  PosixTestHookState& h = PosixTestHooks();
  h.hostAddressCount = count;
  h.hostAddressesKnown = list != nullptr;
  h.hostAddresses.clear();
  for (int i = 0; list && i < count; ++i) h.hostAddresses.push_back(list[i]);
}

void PlatTestFailNetStartup(int fail) {
  PosixTestHooks().failNetStartup = fail;
}
void PlatTestFailWindowClass(int fail) {
  PosixTestHooks().failWindowClass = fail;
}
void PlatTestSetBlindWait(int on) { PosixTestHooks().blindWait = on; }
