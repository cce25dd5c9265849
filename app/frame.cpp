#include "app/frame.h"

#include "platform/thread.h"

PlatInstance gInstance = nullptr;

void ReportError(const char* text, const char* caption) {
  PlatMessageBox(nullptr, text,
                 caption ? caption : "DUX Firwmare Upgrade Error");
}

void DebugTrace(const char* format, ...) { (void)format; }

void EndProcess(void) { PlatExitProcess(0); }
