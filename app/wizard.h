// The wizard sequence and the upgrade trigger, on the main thread.
#pragma once

#include <cstdint>

// From the warning dialog to the confirmation dialog; on confirmation runs
// the upgrade trigger and never returns. Every other way out returns.
void RunWizard(void);

// Starts the TFTP listener, tells the device where to fetch its image (twice
// in a transition build) and then sleeps until another thread ends the
// process. Never returns.
[[noreturn]] void RunUpgradeTrigger(void);

// The upgrade path "/admin/upgrade?tftp://a.b.c.d:port/name" into `out`;
// returns its length.
int BuildUpgradePath(char* out, int capacity, uint32_t localAddress,
                     uint16_t port, const char* fileName);
