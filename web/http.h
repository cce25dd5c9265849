// The HTTP exchange with the device and the reading of its status page.
#pragma once

#include <cstdint>

#include "platform/net.h"
#include "web/digest.h"

// The only conversions between host-order values and socket addresses.
PlatSockAddrIn MakeSocketAddress(uint32_t address, uint16_t port);
void SplitSocketAddress(const PlatSockAddrIn* socketAddress, uint32_t* address,
                        uint16_t* port);

// Binds the socket to address and the first port from firstPort on (rising,
// at most `attempts` ports) that is free; the port, or -1 when none was.
int32_t BindFirstFreePort(PlatSocket socket, uint32_t address,
                          uint16_t firstPort, int attempts);

constexpr int kDeviceTextSize = 128;

// The five status fields, each kept until a later page carries its label.
struct DeviceInfo {
  char productName[kDeviceTextSize];
  char macAddress[kDeviceTextSize];
  char softwareVersion[kDeviceTextSize];
  char hardwareVersion[kDeviceTextSize];
  char serialNumber[kDeviceTextSize];
};
extern DeviceInfo gDeviceInfo;

// The one buffer in which every request is composed and every response
// received; callers pass one byte less than its size as the capacity.
constexpr int32_t kResponseBufferSize = 131072;
constexpr int32_t kResponseCapacity = kResponseBufferSize - 1;
extern char ResponseBuffer[kResponseBufferSize];

// Classification of a received response.
constexpr int32_t kHttpNotHttp11 = -1;
constexpr int32_t kHttpNoStatus = -2;
constexpr int32_t kHttpOk = 0;
constexpr int32_t kHttpChallenge = 1;
constexpr int32_t kHttpOther = 2;

// A TCP connection from local address:port (the port rising over 101 binds
// while busy) to the remote end; kPlatInvalidSocket when the connect failed.
// Ends the process when no socket can be had or bound.
PlatSocket OpenHttpConnection(uint32_t localAddress, uint16_t localPort,
                              uint32_t remoteAddress, uint16_t remotePort);

// One GET of `path`: the number of response bytes received (0 when nothing
// came), or -1 when the response was a usable Digest challenge (now in the
// Digest state). The buffer holds capacity + 1 bytes; a NUL follows the
// bytes received.
int32_t DeviceHttpGet(uint32_t localAddress, uint16_t localPort,
                      uint32_t remoteAddress, uint16_t remotePort,
                      const char* path, char* buffer, int32_t capacity);

int32_t ClassifyHttpResponse(const char* text, DigestState* state);

// Copies the value behind `label` (past the tags that follow it) into
// `field`, at most `limit` characters and a NUL; leaves the field untouched
// when the label or the '>' after it is missing.
void ScrapeLabelValue(const char* text, const char* label, char* field,
                      int32_t limit);
