// The flash wait and the verification that follow a transfer.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

// Flash wait length in 32 ms units for a display name.
uint32_t FlashWaitUnits(const char* displayName);

// Waits the model's flash time while the upload dialog shows the progress,
// then closes the dialog.
void WaitForFlash(PlatWindow uploadDialog);

// Reports an incomplete transfer, or re-reads the status page and compares
// the reported software version with the image's.
void VerifyUpgrade(int transferOutcome, uint32_t localAddress,
                   uint32_t peerAddress);
