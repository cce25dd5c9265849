// The program entry and start-up.
#pragma once

#include "platform/dialog.h"

// The entry: registers the window class, runs start-up and the wizard.
// Returns 0 for every way out that does not end the process elsewhere.
int ProgramEntry(PlatInstance instance);

// Prepares every process-wide value before the first dialog; ends the
// process when the socket layer cannot start.
void StartUp(void);

// Applies the address rules to a 0-terminated host address list (null when
// the host is unknown): at most eight, in order, slot 0 selected.
void FillLocalAddressList(const uint32_t* hostAddresses);
