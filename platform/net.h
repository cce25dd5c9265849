// Socket layer, byte order and this host's addresses.
//
// Sockets are opaque handles; socket addresses carry the port and the
// address in network byte order, as they travel on the wire. Everything
// above this layer keeps addresses and ports in host byte order and converts
// only through MakeSocketAddress / SplitSocketAddress (web/socket_address.h).
#pragma once

#include <cstdint>

typedef intptr_t PlatSocket;
constexpr PlatSocket kPlatInvalidSocket = -1;

constexpr uint16_t kPlatAfInet = 2;

// An IPv4 socket address: family, then port and address in network order.
struct PlatSockAddrIn {
  uint16_t family;
  uint16_t port;     // network byte order
  uint32_t address;  // network byte order
};

// Starts the socket layer for version major.minor; 0 on success.
int PlatNetStartup(int major, int minor);

uint32_t PlatHostToNet32(uint32_t value);
uint16_t PlatHostToNet16(uint16_t value);
uint32_t PlatNetToHost32(uint32_t value);
uint16_t PlatNetToHost16(uint16_t value);

// Both return kPlatInvalidSocket on failure. Sockets start out blocking.
PlatSocket PlatOpenTcpSocket(void);
PlatSocket PlatOpenUdpSocket(void);

// 0 on success, -1 on failure.
int PlatBind(PlatSocket socket, const PlatSockAddrIn* address);
int PlatConnect(PlatSocket socket, const PlatSockAddrIn* address);
int PlatSetNonBlocking(PlatSocket socket);
void PlatCloseSocket(PlatSocket socket);

// Byte count, or -1 on failure. PlatRecv gives 0 when the peer closed.
int PlatSend(PlatSocket socket, const void* bytes, int length);
int PlatRecv(PlatSocket socket, void* bytes, int capacity);
int PlatSendTo(PlatSocket socket, const void* bytes, int length,
               const PlatSockAddrIn* to);
// One datagram. -1 when nothing is waiting on a non-blocking socket, on any
// error, and for a datagram longer than the capacity (it is discarded whole).
int PlatRecvFrom(PlatSocket socket, void* bytes, int capacity,
                 PlatSockAddrIn* from);

// Waits at most `milliseconds` until the socket has something to read.
// 1 readable, 0 timed out, -1 error.
int PlatWaitReadable(PlatSocket socket, int milliseconds);

// The IPv4 addresses of this host, host byte order, ended by a 0 entry;
// null when the host's addresses cannot be found. The list stays valid for
// the life of the process.
const uint32_t* PlatLookupHostAddresses(void);
