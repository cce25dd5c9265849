#include "web/http.h"

#include <cstdio>
#include <cstring>

#include "app/frame.h"

DeviceInfo gDeviceInfo;
char ResponseBuffer[kResponseBufferSize];

namespace {

constexpr int kHttpBindAttempts = 101;

constexpr const char* kHostLine = "Host: 192.168.0.1\r\n";

// Appends one formatted piece of the request at *used. A piece that does not
// fit whole into the room left clears *fits and leaves *used where it was.
void Compose(char* buffer, int32_t room, int32_t* used, bool* fits,
             const char* format, const char* value) {
  if (!*fits) return;
  int n = snprintf(buffer + *used, static_cast<size_t>(room - *used), format,
                   value);
  if (n < 0 || n >= room - *used) {
    *fits = false;
    return;
  }
  *used += n;
}

}  // namespace

PlatSockAddrIn MakeSocketAddress(uint32_t address, uint16_t port) {
  PlatSockAddrIn a;
  a.family = kPlatAfInet;
  a.port = PlatHostToNet16(port);
  a.address = PlatHostToNet32(address);
  return a;
}

void SplitSocketAddress(const PlatSockAddrIn* a, uint32_t* address,
                        uint16_t* port) {
  *address = PlatNetToHost32(a->address);
  *port = PlatNetToHost16(a->port);
}

int32_t BindFirstFreePort(PlatSocket socket, uint32_t address,
                          uint16_t firstPort, int attempts) {
  uint16_t port = firstPort;
  for (int i = 0; i < attempts; ++i, ++port) {
    PlatSockAddrIn a = MakeSocketAddress(address, port);
    if (PlatBind(socket, &a) == 0) return port;
  }
  return -1;
}

PlatSocket OpenHttpConnection(uint32_t localAddress, uint16_t localPort,
                              uint32_t remoteAddress, uint16_t remotePort) {
  PlatSocket s = PlatOpenTcpSocket();
  if (s == kPlatInvalidSocket) {
    ReportError("Upgrade Failed: Can't open HTTP socket");
    EndProcess();
  }
  if (BindFirstFreePort(s, localAddress, localPort, kHttpBindAttempts) < 0) {
    ReportError("Upgrade Failed: Can't bind HTTP socket");
    EndProcess();
  }
  PlatSockAddrIn remote = MakeSocketAddress(remoteAddress, remotePort);
  if (PlatConnect(s, &remote) != 0) {
    PlatCloseSocket(s);
    return kPlatInvalidSocket;
  }
  return s;
}

int32_t DeviceHttpGet(uint32_t localAddress, uint16_t localPort,
                      uint32_t remoteAddress, uint16_t remotePort,
                      const char* path, char* buffer, int32_t capacity) {
  PlatSocket s =
      OpenHttpConnection(localAddress, localPort, remoteAddress, remotePort);
  // The request is composed in the same buffer that then takes the
  // response (capacity + 1 bytes). A request that does not fit whole (an
  // overlong path) is never sent cut short: the exchange then acts as if the
  // connection had failed.
  int32_t room = capacity + 1;
  int32_t used = 0;
  bool fits = room > 0;
  if (fits) buffer[0] = 0;
  Compose(buffer, room, &used, &fits, "GET %s HTTP/1.1\r\n", path);
  Compose(buffer, room, &used, &fits, "%s", kHostLine);
  if (gDigestState.password[0] != 0) {
    // Counted for every request composed with a known password, sent or not.
    gDigestState.nonceCount += 1;
    if (fits) {
      int32_t n =
          BuildDigestAuthorization(&gDigestState, buffer + used, room - used);
      if (n > 0)
        used += n;
      else
        fits = false;
    }
  }
  Compose(buffer, room, &used, &fits, "%s", "\r\n");
  if (s == kPlatInvalidSocket) return 0;
  if (!fits) {
    PlatCloseSocket(s);
    return 0;
  }
  PlatSend(s, buffer, used);
  int32_t count = 0;
  while (count < capacity) {
    int n = PlatRecv(s, buffer + count, capacity - count);
    if (n <= 0) break;
    count += n;
    buffer[count] = 0;
  }
  if (count > 0 &&
      ClassifyHttpResponse(buffer, &gDigestState) == kHttpChallenge) {
    PlatCloseSocket(s);
    return -1;
  }
  if (count > 0) {
    ScrapeLabelValue(buffer, "Product Name:", gDeviceInfo.productName, 127);
    ScrapeLabelValue(buffer, "MAC Address:", gDeviceInfo.macAddress, 127);
    ScrapeLabelValue(buffer, "Software Version:", gDeviceInfo.softwareVersion,
                     127);
    ScrapeLabelValue(buffer, "Hardware Version:", gDeviceInfo.hardwareVersion,
                     127);
    ScrapeLabelValue(buffer, "Serial Number:", gDeviceInfo.serialNumber, 127);
  }
  PlatCloseSocket(s);
  return count;
}

int32_t ClassifyHttpResponse(const char* text, DigestState* state) {
  if (strncmp(text, "HTTP/1.1", 8) != 0) return kHttpNotHttp11;
  const char* p = text + 8;
  if (*p == 0) return kHttpNoStatus;  // the character after the version
  ++p;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == 0) return kHttpNoStatus;
  if (strncmp(p, "200", 3) == 0) return kHttpOk;
  if (strncmp(p, "401", 3) != 0) return kHttpOther;
  const char* challenge = strstr(p, "WWW-Authenticate:");
  if (!challenge) return kHttpOther;
  return ParseDigestChallenge(challenge, state) == 0 ? kHttpChallenge
                                                     : kHttpOther;
}

void ScrapeLabelValue(const char* text, const char* label, char* field,
                      int32_t limit) {
  const char* at = strstr(text, label);
  if (!at) return;
  const char* p = strchr(at, '>');
  if (!p) return;
  ++p;
  while (*p == '<') {
    p = strchr(p, '>');
    if (!p) return;
    ++p;
  }
  int32_t n = 0;
  while (n < limit && p[n] && p[n] != '<') {
    field[n] = p[n];
    ++n;
  }
  field[n] = 0;
}
