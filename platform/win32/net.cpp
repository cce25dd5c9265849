// Socket layer on Windows Sockets.
#include "platform/net.h"

// winsock2.h must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "platform/win32/test_hooks.h"

namespace {

sockaddr_in ToNative(const PlatSockAddrIn* a) {
  sockaddr_in s;
  memset(&s, 0, sizeof s);
  s.sin_family = AF_INET;
  s.sin_port = a->port;
  s.sin_addr.s_addr = a->address;
  return s;
}

SOCKET Native(PlatSocket socket) { return static_cast<SOCKET>(socket); }

PlatSocket Wrap(SOCKET s) {
  return s == INVALID_SOCKET ? kPlatInvalidSocket : static_cast<PlatSocket>(s);
}

// The host's addresses, kept for the life of the process. One more slot than
// the resolver can give, for the terminating 0.
constexpr int kMaxHostAddresses = 64;
uint32_t gHostAddresses[kMaxHostAddresses + 1];
SRWLOCK gHostLock = SRWLOCK_INIT;

}  // namespace

int PlatNetStartup(int major, int minor) {
  if (Win32TestHooks().failNetStartup) return 1;
  WSADATA data;
  WORD version = static_cast<WORD>(((minor & 0xff) << 8) | (major & 0xff));
  return WSAStartup(version, &data) == 0 ? 0 : 1;
}

uint32_t PlatHostToNet32(uint32_t v) { return htonl(v); }
uint16_t PlatHostToNet16(uint16_t v) { return htons(v); }
uint32_t PlatNetToHost32(uint32_t v) { return ntohl(v); }
uint16_t PlatNetToHost16(uint16_t v) { return ntohs(v); }

PlatSocket PlatOpenTcpSocket(void) {
  return Wrap(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

PlatSocket PlatOpenUdpSocket(void) {
  return Wrap(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
}

int PlatBind(PlatSocket socket, const PlatSockAddrIn* address) {
  sockaddr_in s = ToNative(address);
  return bind(Native(socket), reinterpret_cast<sockaddr*>(&s), sizeof s) == 0
             ? 0
             : -1;
}

int PlatConnect(PlatSocket socket, const PlatSockAddrIn* address) {
  sockaddr_in s = ToNative(address);
  return connect(Native(socket), reinterpret_cast<sockaddr*>(&s), sizeof s) == 0
             ? 0
             : -1;
}

int PlatSetNonBlocking(PlatSocket socket) {
  u_long on = 1;
  return ioctlsocket(Native(socket), FIONBIO, &on) == 0 ? 0 : -1;
}

void PlatCloseSocket(PlatSocket socket) { closesocket(Native(socket)); }

int PlatSend(PlatSocket socket, const void* bytes, int length) {
  if (length < 0) return -1;
  int n = send(Native(socket), static_cast<const char*>(bytes), length, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int PlatRecv(PlatSocket socket, void* bytes, int capacity) {
  if (capacity < 0) return -1;
  int n = recv(Native(socket), static_cast<char*>(bytes), capacity, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int PlatSendTo(PlatSocket socket, const void* bytes, int length,
               const PlatSockAddrIn* to) {
  if (length < 0) return -1;
  sockaddr_in s = ToNative(to);
  int n = sendto(Native(socket), static_cast<const char*>(bytes), length, 0,
                 reinterpret_cast<sockaddr*>(&s), sizeof s);
  return n == SOCKET_ERROR ? -1 : n;
}

int PlatRecvFrom(PlatSocket socket, void* bytes, int capacity,
                 PlatSockAddrIn* from) {
  if (capacity < 0) return -1;
  sockaddr_in s;
  memset(&s, 0, sizeof s);
  int len = sizeof s;
  // A datagram longer than the buffer fails with WSAEMSGSIZE and is dropped
  // whole; like every other failure it reads as "nothing".
  int n = recvfrom(Native(socket), static_cast<char*>(bytes), capacity, 0,
                   reinterpret_cast<sockaddr*>(&s), &len);
  if (n == SOCKET_ERROR || n > capacity) return -1;
  if (from) {
    from->family = kPlatAfInet;
    from->port = s.sin_port;
    from->address = s.sin_addr.s_addr;
  }
  return n;
}

int PlatWaitReadable(PlatSocket socket, int milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(socket), &readable);
  if (milliseconds < 0) milliseconds = 0;
  timeval limit;
  limit.tv_sec = milliseconds / 1000;
  limit.tv_usec = (milliseconds % 1000) * 1000;
  int r = select(0, &readable, nullptr, nullptr, &limit);
  if (r == SOCKET_ERROR) return -1;
  return r > 0 ? 1 : 0;
}

const uint32_t* PlatLookupHostAddresses(void) {
  AcquireSRWLockExclusive(&gHostLock);
  const Win32TestHookState& hooks = Win32TestHooks();
  const uint32_t* result = gHostAddresses;
  int count = 0;
  if (hooks.hostAddressCount >= 0) {
    if (!hooks.hostAddressesKnown) {
      result = nullptr;
    } else {
      for (; count < hooks.hostAddressCount && count < kMaxHostAddresses;
           ++count)
        gHostAddresses[count] = hooks.hostAddresses[count];
    }
  } else {
    // The resolver's answer for this host's own name, in its order.
    char name[128];
    name[0] = 0;
    gethostname(name, 127);
    name[127] = 0;
    const hostent* host = gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4) {
      result = nullptr;
    } else {
      for (; count < kMaxHostAddresses && host->h_addr_list[count]; ++count) {
        uint32_t a;
        memcpy(&a, host->h_addr_list[count], sizeof a);
        gHostAddresses[count] = ntohl(a);
      }
    }
  }
  gHostAddresses[count] = 0;
  ReleaseSRWLockExclusive(&gHostLock);
  return result;
}
