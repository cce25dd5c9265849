// A socket layer for the fuzz targets: the same functions as the Linux
// backend, but every receive is answered by the target from its input and
// every send is handed to the target, so that a run needs no network and
// never waits.
#pragma once

#include <cstdint>

#include "platform/net.h"

struct FakeNetHandlers {
  // TCP: the next chunk of the peer's bytes (at most `capacity`), 0 when the
  // peer has closed, -1 for an error.
  int (*recv)(void* bytes, int capacity) = nullptr;
  // UDP: the next datagram and its source, or -1 when nothing is waiting.
  int (*recvFrom)(void* bytes, int capacity, PlatSockAddrIn* from) = nullptr;
  // Every datagram the code under test sends.
  void (*sendTo)(const void* bytes, int length,
                 const PlatSockAddrIn* to) = nullptr;
  // 0: connects succeed; -1: they fail.
  int connectResult = 0;
};

// Replaces the handlers (a null handler receives nothing, drops sends).
void FakeNetInstall(const FakeNetHandlers& handlers);
