// The process frame: the fatal message box, the trace hook and the end of
// the process. Every end of the process gives exit status 0.
#pragma once

#include "platform/dialog.h"

// The module instance given to the entry; owns every dialog template.
extern PlatInstance gInstance;

// Shows a task-modal box (OK only, no icon, no owner) with `text` and the
// caption, "DUX Firwmare Upgrade Error" when none is given; returns when the
// user has dismissed it. It never ends the process itself.
void ReportError(const char* text, const char* caption = nullptr);

// Trace points of the TFTP side; writes nothing.
void DebugTrace(const char* format, ...);

// The standard exit with status 0, from any thread.
[[noreturn]] void EndProcess(void);
