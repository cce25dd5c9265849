// Socket layer on BSD sockets.
#include "platform/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/posix/test_hooks.h"

namespace {

sockaddr_in ToNative(const PlatSockAddrIn* a) {
  sockaddr_in s;
  memset(&s, 0, sizeof s);
  s.sin_family = AF_INET;
  s.sin_port = a->port;
  s.sin_addr.s_addr = a->address;
  return s;
}

}  // namespace

int PlatNetStartup(int major, int minor) {
  (void)major;
  (void)minor;
  if (PosixTestHooks().failNetStartup) return 1;
  // A peer that closes while we send must give an error, not a signal.
  signal(SIGPIPE, SIG_IGN);
  return 0;
}

uint32_t PlatHostToNet32(uint32_t v) { return htonl(v); }
uint16_t PlatHostToNet16(uint16_t v) { return htons(v); }
uint32_t PlatNetToHost32(uint32_t v) { return ntohl(v); }
uint16_t PlatNetToHost16(uint16_t v) { return ntohs(v); }

PlatSocket PlatOpenTcpSocket(void) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return s < 0 ? kPlatInvalidSocket : s;
}

PlatSocket PlatOpenUdpSocket(void) {
  int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return s < 0 ? kPlatInvalidSocket : s;
}

int PlatBind(PlatSocket socket, const PlatSockAddrIn* address) {
  sockaddr_in s = ToNative(address);
  return bind(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&s),
              sizeof s) == 0
             ? 0
             : -1;
}

int PlatConnect(PlatSocket socket, const PlatSockAddrIn* address) {
  sockaddr_in s = ToNative(address);
  int r;
  do {
    r = connect(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&s),
                sizeof s);
  } while (r != 0 && errno == EINTR);
  return r == 0 ? 0 : -1;
}

int PlatSetNonBlocking(PlatSocket socket) {
  int fd = static_cast<int>(socket);
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return -1;
  return fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 ? 0 : -1;
}

void PlatCloseSocket(PlatSocket socket) { close(static_cast<int>(socket)); }

int PlatSend(PlatSocket socket, const void* bytes, int length) {
  if (length < 0) return -1;
  ssize_t n = send(static_cast<int>(socket), bytes, static_cast<size_t>(length),
                   MSG_NOSIGNAL);
  return n < 0 ? -1 : static_cast<int>(n);
}

int PlatRecv(PlatSocket socket, void* bytes, int capacity) {
  if (capacity < 0) return -1;
  ssize_t n;
  do {
    n = recv(static_cast<int>(socket), bytes, static_cast<size_t>(capacity), 0);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int PlatSendTo(PlatSocket socket, const void* bytes, int length,
               const PlatSockAddrIn* to) {
  if (length < 0) return -1;
  sockaddr_in s = ToNative(to);
  ssize_t n =
      sendto(static_cast<int>(socket), bytes, static_cast<size_t>(length),
             MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&s), sizeof s);
  return n < 0 ? -1 : static_cast<int>(n);
}

int PlatRecvFrom(PlatSocket socket, void* bytes, int capacity,
                 PlatSockAddrIn* from) {
  if (capacity < 0) return -1;
  sockaddr_in s;
  memset(&s, 0, sizeof s);
  socklen_t len = sizeof s;
  // MSG_TRUNC makes the kernel report the datagram's real length, so that an
  // oversized datagram is refused whole, as the Windows socket layer does.
  ssize_t n =
      recvfrom(static_cast<int>(socket), bytes, static_cast<size_t>(capacity),
               MSG_TRUNC, reinterpret_cast<sockaddr*>(&s), &len);
  if (n < 0 || n > capacity) return -1;
  if (from) {
    from->family = kPlatAfInet;
    from->port = s.sin_port;
    from->address = s.sin_addr.s_addr;
  }
  return static_cast<int>(n);
}

int PlatWaitReadable(PlatSocket socket, int milliseconds) {
  if (PosixTestHooks().blindWait) {
    usleep(static_cast<useconds_t>(milliseconds < 0 ? 0 : milliseconds) * 1000);
    return 0;
  }
  pollfd p;
  p.fd = static_cast<int>(socket);
  p.events = POLLIN;
  p.revents = 0;
  int r = poll(&p, 1, milliseconds < 0 ? 0 : milliseconds);
  if (r < 0) return errno == EINTR ? 0 : -1;
  return r > 0 ? 1 : 0;
}

const uint32_t* PlatLookupHostAddresses(void) {
  static std::mutex lock;
  static std::vector<uint32_t> list;
  std::lock_guard<std::mutex> guard(lock);
  const PosixTestHookState& hooks = PosixTestHooks();
  list.clear();
  if (hooks.hostAddressCount >= 0) {
    if (!hooks.hostAddressesKnown) return nullptr;
    list = hooks.hostAddresses;
    list.push_back(0);
    return list.data();
  }
  // The interfaces that are up, in interface order; loopback addresses last,
  // since they never face a device.
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return nullptr;
  std::vector<uint32_t> loopback;
  for (ifaddrs* i = all; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_UP)) continue;
    uint32_t a =
        ntohl(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    if (a == 0) continue;
    if ((i->ifa_flags & IFF_LOOPBACK) || (a >> 24) == 127)
      loopback.push_back(a);
    else
      list.push_back(a);
  }
  freeifaddrs(all);
  list.insert(list.end(), loopback.begin(), loopback.end());
  list.push_back(0);
  return list.data();
}
