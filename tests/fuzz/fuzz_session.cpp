// The transfer session on arbitrary datagram sequences.
//
// The input is a little program for the requester: two bytes of image size,
// then one byte per receive the session makes, which says what arrives: the
// ACK the requester owes, an ACK of a chosen number, arbitrary bytes, an ACK
// from a foreign port or address, or nothing. Every datagram the session
// sends is checked as it goes out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/fuzz/fake_net.h"
#include "tftp/session.h"

namespace {

constexpr uint32_t kPeerAddress = 0x7F000002;
constexpr uint16_t kPeerPort = 2000;

struct Run {
  const uint8_t* input;
  size_t size;
  size_t at;
  std::vector<unsigned char> image;
  uint32_t blockCount;
  bool sentAny;       // the option acknowledgement went out
  uint32_t current;   // number of the last DATA sent; 0 before block 1
  bool currentAcked;  // the requester has acknowledged `current`
  std::vector<unsigned char> lastData;
};
Run gRun;

[[noreturn]] void Fail(const char* what, uint32_t value) {
  fprintf(stderr, "session fault: %s (%u)\n", what, value);
  abort();
}

uint8_t Next(void) { return gRun.at < gRun.size ? gRun.input[gRun.at++] : 0; }

void SetSource(PlatSockAddrIn* from, uint32_t address, uint16_t port) {
  from->family = kPlatAfInet;
  from->address = PlatHostToNet32(address);
  from->port = PlatHostToNet16(port);
}

int PutAck(unsigned char* b, uint32_t block) {
  b[0] = 0;
  b[1] = 4;
  b[2] = static_cast<unsigned char>(block >> 8);
  b[3] = static_cast<unsigned char>(block);
  return 4;
}

int FakeRecvFrom(void* bytes, int capacity, PlatSockAddrIn* from) {
  if (gRun.at >= gRun.size) return -1;
  unsigned char* b = static_cast<unsigned char*>(bytes);
  uint8_t op = Next();
  SetSource(from, kPeerAddress, kPeerPort);
  int n = -1;
  switch (op % 8) {
    case 0:
    case 1:
    case 2:
      n = PutAck(b, gRun.current);
      break;
    case 3: {
      uint32_t block = static_cast<uint32_t>(Next()) << 8;
      block |= Next();
      n = PutAck(b, block);
      break;
    }
    case 4: {
      // 0 to 1,530 bytes; more than the capacity is refused whole, as the
      // socket layer does with an oversized datagram.
      int length = Next() * 6;
      if (length > capacity) return -1;
      for (int i = 0; i < length; ++i) b[i] = Next();
      n = length;
      break;
    }
    case 5:
      SetSource(from, kPeerAddress, kPeerPort + 1);
      return PutAck(b, gRun.current);
    case 6:
      SetSource(from, kPeerAddress + 1, kPeerPort);
      return PutAck(b, gRun.current);
    default:
      return -1;
  }
  if (n >= 4 && b[0] == 0 && b[1] == 4 &&
      ((b[2] << 8) | b[3]) == static_cast<int>(gRun.current & 0xffff))
    gRun.currentAcked = true;
  return n;
}

void FakeSendTo(const void* bytes, int length, const PlatSockAddrIn* to) {
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  if (PlatNetToHost32(to->address) != kPeerAddress ||
      PlatNetToHost16(to->port) != kPeerPort)
    Fail("sent to someone other than the requester", 0);
  if (length < 4) Fail("runt datagram sent", static_cast<uint32_t>(length));
  uint16_t opcode = static_cast<uint16_t>(b[0] << 8 | b[1]);
  if (opcode == 6) {
    if (gRun.current != 0) Fail("option ack after DATA", gRun.current);
    char expected[64];
    int n = snprintf(expected, sizeof expected, "%c%ctsize%c%zu%ctimeout%c5", 0,
                     6, 0, gRun.image.size(), 0, 0);
    if (length != n + 1 || memcmp(b, expected, static_cast<size_t>(n + 1)))
      Fail("option ack malformed", static_cast<uint32_t>(length));
    gRun.sentAny = true;
    return;
  }
  if (opcode != 3) Fail("unexpected opcode sent", opcode);
  if (!gRun.sentAny) Fail("DATA before the option ack", 0);
  uint32_t block = static_cast<uint32_t>(b[2] << 8 | b[3]);
  std::vector<unsigned char> packet(b, b + length);
  if (block == gRun.current && gRun.current != 0) {
    if (packet != gRun.lastData) Fail("resend differs", block);
    return;
  }
  if (block != gRun.current + 1) Fail("DATA out of order", block);
  if (!gRun.currentAcked) Fail("DATA before the previous one's ACK", block);
  if (block > gRun.blockCount) Fail("DATA beyond the last block", block);
  size_t offset = (block - 1) * 512u;
  size_t expectedSize = block < gRun.blockCount ? 512 : gRun.image.size() % 512;
  if (static_cast<size_t>(length) != 4 + expectedSize)
    Fail("DATA of the wrong size", static_cast<uint32_t>(length));
  if (expectedSize &&
      memcmp(b + 4, gRun.image.data() + offset, expectedSize) != 0)
    Fail("DATA carries the wrong bytes", block);
  gRun.current = block;
  gRun.currentAcked = false;
  gRun.lastData = packet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  gRun = Run{};
  gRun.input = data;
  gRun.size = size;
  gRun.at = 2;
  size_t imageSize = (data[0] | data[1] << 8) % 3000u;
  gRun.image.resize(imageSize);
  for (size_t i = 0; i < imageSize; ++i)
    gRun.image[i] = static_cast<unsigned char>(i * 131 + 7);
  gRun.blockCount = static_cast<uint32_t>(imageSize / 512 + 1);

  FakeNetHandlers handlers;
  handlers.recvFrom = FakeRecvFrom;
  handlers.sendTo = FakeSendTo;
  FakeNetInstall(handlers);

  static TftpSession session;
  memset(&session, 0, sizeof session);
  session.socket = PlatOpenUdpSocket();
  session.localAddress = 0x7F000001;
  session.peerAddress = kPeerAddress;
  session.peerPort = kPeerPort;
  session.imageSize = static_cast<uint32_t>(imageSize);
  session.blockCount = gRun.blockCount;
  session.lastBlockSize = static_cast<uint32_t>(imageSize % 512);
  // The image lies in a block of its own size, so a read past it is caught.
  int outcome = RunTftpTransfer(&session, gRun.image.data(), nullptr);
  if (outcome == kTransferComplete) {
    if (gRun.current != gRun.blockCount || !gRun.currentAcked)
      Fail("complete before the last block was acknowledged", gRun.current);
    if (session.bytesAcknowledged != static_cast<int32_t>(imageSize))
      Fail("bytes acknowledged differ from the image size",
           static_cast<uint32_t>(session.bytesAcknowledged));
  } else if (outcome != kTransferIncomplete) {
    Fail("unknown outcome", static_cast<uint32_t>(outcome));
  }
  FakeNetInstall(FakeNetHandlers{});
  return 0;
}
