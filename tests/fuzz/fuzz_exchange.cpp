// The exchange's receive path: a device that sends arbitrary bytes in
// arbitrary chunk lengths and then closes (or fails the connection).
//
// Input: two bytes that pick the capacity (1,024 to 5,119), a flag byte
// (bit 0: a password is known, bit 1: the connect fails, bit 2: the
// connection ends in an error instead of a close), then chunks: a length
// byte (1 to 256) and that many bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fake_net.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

struct Peer {
  const uint8_t* input;
  size_t size;
  size_t at;
  int32_t capacity;
  bool endInError;
  std::string received;  // every byte handed to the exchange
};
Peer gPeer;

[[noreturn]] void Fail(const char* what, long value) {
  fprintf(stderr, "exchange fault: %s (%ld)\n", what, value);
  abort();
}

int FakeRecv(void* bytes, int capacity) {
  long room = gPeer.capacity - static_cast<long>(gPeer.received.size());
  if (capacity <= 0 || capacity > room)
    Fail("asked for more than the room left", capacity);
  if (gPeer.at >= gPeer.size) return gPeer.endInError ? -1 : 0;
  size_t length = gPeer.input[gPeer.at++] + 1u;
  size_t left = gPeer.size - gPeer.at;
  if (length > left) length = left;
  if (length > static_cast<size_t>(capacity)) length = capacity;
  if (length == 0) return gPeer.endInError ? -1 : 0;
  memcpy(bytes, gPeer.input + gPeer.at, length);
  gPeer.received.append(reinterpret_cast<const char*>(gPeer.input + gPeer.at),
                        length);
  gPeer.at += length;
  return static_cast<int>(length);
}

bool Terminated(const char* field) {
  return memchr(field, 0, kDeviceTextSize) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  gPeer = Peer{};
  gPeer.input = data;
  gPeer.size = size;
  gPeer.at = 3;
  gPeer.capacity = 1024 + (data[0] | data[1] << 8) % 4096;
  uint8_t flags = data[2];
  gPeer.endInError = flags & 4;

  memset(&gDigestState, 0, sizeof gDigestState);
  if (flags & 1) {
    strcpy(gDigestState.userName, "admin");
    strcpy(gDigestState.password, "secret");
    strcpy(gDigestState.realm, "DUX");
    strcpy(gDigestState.nonce, "n0nce");
    strcpy(gDigestState.previousNonce, "n0nce");
    strcpy(gDigestState.clientNonce, "1a2b");
    strcpy(gDigestState.qop, "auth");
    strcpy(gDigestState.algorithm, "MD5");
  }
  memset(&gDeviceInfo, 0, sizeof gDeviceInfo);

  FakeNetHandlers handlers;
  handlers.recv = FakeRecv;
  handlers.connectResult = flags & 2 ? -1 : 0;
  FakeNetInstall(handlers);

  // Exactly capacity + 1 bytes: a write past them is caught.
  std::vector<char> buffer(static_cast<size_t>(gPeer.capacity) + 1);
  int32_t result =
      DeviceHttpGet(0x7F000001, 23456, 0x7F000002, 80, "/admin/advanced",
                    buffer.data(), gPeer.capacity);
  FakeNetInstall(FakeNetHandlers{});

  long count = static_cast<long>(gPeer.received.size());
  if (flags & 2) {
    if (result != 0 || count) Fail("a failed connect received", result);
    if ((flags & 1) && gDigestState.nonceCount != 1)
      Fail("nonce count not advanced", gDigestState.nonceCount);
    return 0;
  }
  if (result > gPeer.capacity || result < -1) Fail("result", result);
  if (count == 0) {
    if (result != 0) Fail("nothing received but a result", result);
    return 0;
  }
  if (buffer[static_cast<size_t>(count)] != '\0')
    Fail("no NUL right after the received bytes", count);
  if (memcmp(buffer.data(), gPeer.received.data(), static_cast<size_t>(count)))
    Fail("received bytes altered", count);
  static DigestState scratch;
  memset(&scratch, 0, sizeof scratch);
  int32_t kind = ClassifyHttpResponse(gPeer.received.c_str(), &scratch);
  if ((result == -1) != (kind == kHttpChallenge))
    Fail("challenge verdict differs from the classification", result);
  if (result != -1 && result != count) Fail("count", result);
  const DeviceInfo& d = gDeviceInfo;
  if (!Terminated(d.productName) || !Terminated(d.macAddress) ||
      !Terminated(d.softwareVersion) || !Terminated(d.hardwareVersion) ||
      !Terminated(d.serialNumber))
    Fail("a status field lost its NUL", 0);
  if (result == -1 && (d.productName[0] || d.serialNumber[0]))
    Fail("a challenge was scraped", 0);
  return 0;
}
