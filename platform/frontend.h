// What a Linux dialog frontend gives the process entry.
#pragma once

#include "platform/dialog.h"

// Installs the frontend that shows the dialogs (defined by the frontend
// library the executable links: the terminal one, or the scripted one).
void PlatFrontendStart(void);

// The module instance that owns the dialog templates.
PlatInstance PlatDefaultInstance(void);
