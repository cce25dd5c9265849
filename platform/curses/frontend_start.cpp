#include "platform/curses/terminal.h"
#include "platform/frontend.h"

void PlatFrontendStart(void) { CursesStart(); }
