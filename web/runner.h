// The request runner: the one way to make an HTTP request to the device.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

struct DeviceRequest {
  PlatInstance instance;
  uint32_t localAddress;   // host byte order; 0 = any
  uint16_t localPort;      // first local port the exchange tries to bind
  uint32_t remoteAddress;  // host byte order
  uint16_t remotePort;
  const char* path;
  char* buffer;
  int32_t capacity;  // the buffer holds one byte more
};

// A GET of `path` from local port 23456 to the device's port 80, composed in
// and received into the response buffer.
DeviceRequest MakeDeviceRequest(uint32_t localAddress, uint32_t remoteAddress,
                                const char* path);

// Runs the request on a worker thread behind the connecting dialog, answers
// Digest challenges (at once, or through the password dialog) and returns
// the number of response bytes received (0 or more). Ends the process when
// the user cancels either dialog.
int32_t RunDeviceRequest(DeviceRequest request);

// The worker thread's routine: one exchange; its result is the exit code.
uint32_t DeviceRequestWorker(void* request);
