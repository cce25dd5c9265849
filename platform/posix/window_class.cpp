// Stand-ins for the window class registration and the common controls: the
// dialog engine needs neither, but the first step can still be refused.
#include "platform/dialog.h"
#include "platform/posix/test_hooks.h"

int PlatRegisterWindowClass(PlatInstance instance, const char* className) {
  (void)instance;
  if (!className || !*className) return 0;
  return PosixTestHooks().failWindowClass ? 0 : 1;
}

int PlatInitCommonControls(uint32_t classes) {
  (void)classes;
  return 1;
}
