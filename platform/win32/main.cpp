// Process entry on Windows: only the instance handle is used; the command
// line and the show command are not read.
#include <windows.h>

#include "app/entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine,
                   int showCommand) {
  (void)previous;
  (void)commandLine;
  (void)showCommand;
  return ProgramEntry(reinterpret_cast<PlatInstance>(instance));
}
