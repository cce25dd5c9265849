#include "platform/frontend.h"
#include "platform/scripted/scripted.h"

// Without a terminal frontend the program prints what each dialog shows and
// cancels every dialog that waits for the user.
void PlatFrontendStart(void) {
  ScriptedInstall();
  ScriptedEcho(true);
}
