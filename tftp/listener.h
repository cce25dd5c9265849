// The TFTP listener: waits for the device's read request and serves it.
#pragma once

#include <cstdint>

#include "platform/net.h"

constexpr int kTftpBufferSize = 1024;
constexpr uint16_t kFirstTftpPort = 69;
constexpr int kTftpPortAttempts = 100;

struct TftpListener {
  uint32_t localAddress;
  uint16_t port;
  PlatSocket socket;
  unsigned char receiveBuffer[kTftpBufferSize];
};

// Binds UDP port 69 or the first free one up to 168 on `localAddress`,
// starts the listener thread and returns the port. Ends the process when no
// record, socket or port can be had.
uint16_t StartTftpListener(uint32_t localAddress);

// The listener thread's body; ends the process.
uint32_t RunTftpListener(void* listener);

// What the listener does with one received datagram: 1 when it is a read
// request for exactly `expectedName` (its NUL inside the received bytes),
// 0 otherwise.
int IsExpectedReadRequest(const unsigned char* datagram, int length,
                          const char* expectedName);
