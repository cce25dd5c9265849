// On Windows the dialogs are the system's own: there is no frontend to
// install, and the templates live in this module's resources.
#include "platform/frontend.h"

#include <windows.h>

void PlatFrontendStart(void) {}

PlatInstance PlatDefaultInstance(void) {
  return reinterpret_cast<PlatInstance>(GetModuleHandleA(nullptr));
}
