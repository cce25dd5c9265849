// The terminal frontend's start.
#pragma once

// Takes over the terminal (full screen, raw keys, mouse where reported),
// installs the frontend hooks and starts the UI thread. The terminal is
// restored at every end of the process. Without an interactive terminal
// the process ends with a message.
void CursesStart(void);
