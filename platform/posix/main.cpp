// Process entry on Linux: starts the frontend that draws the dialogs, then
// hands the main thread to the program. The command line is not read.
#include "app/entry.h"
#include "platform/frontend.h"

int main() {
  PlatFrontendStart();
  return ProgramEntry(PlatDefaultInstance());
}
