// The device's TFTP client: fetches each queued firmware image by a read
// request (RFC 1350, options RFC 2347/2349), with optional faults.
#pragma once

#include "device.h"

namespace duxsim {

// The body of the TFTP thread: serves queued upgrades one after another
// until a stop is requested.
void RunTftpClient(Device* device);

// One download as a plain TFTP client (--fetch): no web server, no flash,
// no lingering after the last block. 0 when the image arrived whole.
int FetchOnce(Device* device, const UpgradeJob& job);

}  // namespace duxsim
