#include "platform/win32/test_hooks.h"

#include "platform/testing.h"

Win32TestHookState& Win32TestHooks(void) {
  static Win32TestHookState state;
  return state;
}

void PlatTestSetHostAddresses(const uint32_t* list, int count) {
  Win32TestHookState& h = Win32TestHooks();
  constexpr int kRoom = sizeof h.hostAddresses / sizeof h.hostAddresses[0];
  if (count > kRoom) count = kRoom;
  h.hostAddressCount = count;
  h.hostAddressesKnown = list != nullptr;
  for (int i = 0; i < kRoom; ++i)
    h.hostAddresses[i] = (list && i < count) ? list[i] : 0;
}

void PlatTestFailNetStartup(int fail) {
  Win32TestHooks().failNetStartup = fail;
}
void PlatTestFailWindowClass(int fail) {
  Win32TestHooks().failWindowClass = fail;
}
