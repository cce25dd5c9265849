// The fuzz build's socket layer (see fake_net.h). Sockets are plain
// counters; nothing touches the operating system's network.
#include "tests/fuzz/fake_net.h"

namespace {

FakeNetHandlers gHandlers;
PlatSocket gNextSocket = 3;

uint32_t Swap32(uint32_t v) {
  return ((v & 0xffu) << 24) | ((v & 0xff00u) << 8) | ((v >> 8) & 0xff00u) |
         (v >> 24);
}
uint16_t Swap16(uint16_t v) {
  return static_cast<uint16_t>(((v & 0xffu) << 8) | (v >> 8));
}

}  // namespace

void FakeNetInstall(const FakeNetHandlers& handlers) { gHandlers = handlers; }

int PlatNetStartup(int, int) { return 0; }

uint32_t PlatHostToNet32(uint32_t v) { return Swap32(v); }
uint16_t PlatHostToNet16(uint16_t v) { return Swap16(v); }
uint32_t PlatNetToHost32(uint32_t v) { return Swap32(v); }
uint16_t PlatNetToHost16(uint16_t v) { return Swap16(v); }

PlatSocket PlatOpenTcpSocket(void) { return gNextSocket++; }
PlatSocket PlatOpenUdpSocket(void) { return gNextSocket++; }

int PlatBind(PlatSocket, const PlatSockAddrIn*) { return 0; }
int PlatConnect(PlatSocket, const PlatSockAddrIn*) {
  return gHandlers.connectResult;
}
int PlatSetNonBlocking(PlatSocket) { return 0; }
void PlatCloseSocket(PlatSocket) {}

int PlatSend(PlatSocket, const void*, int length) {
  return length < 0 ? -1 : length;
}

int PlatRecv(PlatSocket, void* bytes, int capacity) {
  if (capacity < 0 || !gHandlers.recv) return capacity < 0 ? -1 : 0;
  return gHandlers.recv(bytes, capacity);
}

int PlatSendTo(PlatSocket, const void* bytes, int length,
               const PlatSockAddrIn* to) {
  if (length < 0) return -1;
  if (gHandlers.sendTo) gHandlers.sendTo(bytes, length, to);
  return length;
}

int PlatRecvFrom(PlatSocket, void* bytes, int capacity, PlatSockAddrIn* from) {
  if (capacity < 0 || !gHandlers.recvFrom) return -1;
  return gHandlers.recvFrom(bytes, capacity, from);
}

int PlatWaitReadable(PlatSocket, int) { return 0; }

const uint32_t* PlatLookupHostAddresses(void) {
  static const uint32_t kList[] = {0x7F000001u, 0};
  return kList;
}
