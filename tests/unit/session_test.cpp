// The TFTP transfer session against a small scripted UDP peer on loopback.
#include "tftp/session.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/net.h"
#include "web/http.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

int OpenPeerSocket(uint16_t* port) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(kLoopback);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return s;
}

struct Packet {
  uint16_t opcode = 0;
  uint16_t block = 0;
  std::vector<unsigned char> bytes;
};

// The requester's side: receives what the session sends, answers with ACKs.
struct Peer {
  int socket = -1;
  uint16_t port = 0;
  sockaddr_in server{};

  // Waits at most timeoutMs for the next datagram from the session.
  bool Receive(Packet* p, int timeoutMs = 2000) {
    pollfd f{socket, POLLIN, 0};
    if (poll(&f, 1, timeoutMs) <= 0) return false;
    unsigned char b[2048];
    ssize_t n = recv(socket, b, sizeof b, 0);
    if (n < 4 && n != 2) return false;
    p->bytes.assign(b, b + n);
    p->opcode = static_cast<uint16_t>((b[0] << 8) | b[1]);
    p->block = n >= 4 ? static_cast<uint16_t>((b[2] << 8) | b[3]) : 0;
    return true;
  }
  void Send(const void* bytes, size_t n, int from = -1) {
    sendto(from < 0 ? socket : from, bytes, n, 0,
           reinterpret_cast<sockaddr*>(&server), sizeof server);
  }
  void Ack(uint16_t block, int from = -1) {
    unsigned char a[4] = {0, 4, static_cast<unsigned char>(block >> 8),
                          static_cast<unsigned char>(block)};
    Send(a, 4, from);
  }
};

// A session serving `image` to a fresh peer, on a thread of its own.
struct SessionRun {
  TftpSession session{};
  PlatSocket serverSocket = kPlatInvalidSocket;
  Peer peer;
  std::thread thread;
  int outcome = -1;

  explicit SessionRun(const std::vector<unsigned char>& image) {
    PlatNetStartup(1, 1);
    serverSocket = PlatOpenUdpSocket();
    PlatSockAddrIn any = MakeSocketAddress(kLoopback, 0);
    PlatBind(serverSocket, &any);
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    getsockname(static_cast<int>(serverSocket),
                reinterpret_cast<sockaddr*>(&bound), &len);
    peer.socket = OpenPeerSocket(&peer.port);
    peer.server = bound;
    session.socket = serverSocket;
    session.localAddress = kLoopback;
    session.peerAddress = kLoopback;
    session.peerPort = peer.port;
    session.imageSize = static_cast<uint32_t>(image.size());
    session.blockCount = session.imageSize / 512 + 1;
    session.lastBlockSize = session.imageSize % 512;
    const unsigned char* data = image.data();
    thread = std::thread(
        [this, data] { outcome = RunTftpTransfer(&session, data, nullptr); });
  }
  ~SessionRun() {
    if (thread.joinable()) thread.join();
    close(peer.socket);
    PlatCloseSocket(serverSocket);
  }
  int Finish() {
    thread.join();
    return outcome;
  }
};

std::vector<unsigned char> Image(size_t n) {
  std::vector<unsigned char> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 7 + 3);
  return v;
}

// Acknowledges everything in order and returns the blocks received.
std::vector<Packet> AcceptAll(Peer& peer, size_t maxPackets) {
  std::vector<Packet> blocks;
  Packet p;
  EXPECT_TRUE(peer.Receive(&p));
  EXPECT_EQ(p.opcode, 6);
  peer.Ack(0);
  while (blocks.size() < maxPackets && peer.Receive(&p)) {
    EXPECT_EQ(p.opcode, 3);
    blocks.push_back(p);
    peer.Ack(p.block);
    if (p.bytes.size() < 516) break;
  }
  return blocks;
}

TEST(TftpSession, OptionAcknowledgementCarriesSizeAndTimeout) {
  std::vector<unsigned char> image = Image(4054270 % 100000);
  SessionRun run(image);
  Packet p;
  ASSERT_TRUE(run.peer.Receive(&p));
  const char expected[] =
      "\0\6tsize\0"
      "54270\0timeout\0"
      "5";
  ASSERT_EQ(p.bytes.size(), sizeof expected);  // d + 19 bytes, d = 5
  EXPECT_EQ(0, memcmp(p.bytes.data(), expected, sizeof expected));
  run.peer.Ack(0);
  std::vector<Packet> rest;
  while (run.peer.Receive(&p)) {
    run.peer.Ack(p.block);
    if (p.bytes.size() < 516) break;
  }
  EXPECT_EQ(run.Finish(), kTransferComplete);
}

TEST(TftpSession, BlockSizesForSmallImages) {
  struct Case {
    size_t size;
    std::vector<size_t> dataSizes;
  } cases[] = {
      {1024, {512, 512, 0}},
      {0, {0}},
      {513, {512, 1}},
      {511, {511}},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> image = Image(c.size);
    SessionRun run(image);
    std::vector<Packet> blocks = AcceptAll(run.peer, 10);
    ASSERT_EQ(blocks.size(), c.dataSizes.size()) << c.size;
    std::vector<unsigned char> got;
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].block, i + 1);
      EXPECT_EQ(blocks[i].bytes.size() - 4, c.dataSizes[i]);
      got.insert(got.end(), blocks[i].bytes.begin() + 4, blocks[i].bytes.end());
    }
    EXPECT_EQ(got, image) << c.size;
    EXPECT_EQ(run.Finish(), kTransferComplete);
    EXPECT_EQ(run.session.bytesAcknowledged, static_cast<int32_t>(c.size));
  }
}

// Repeated, later and foreign ACKs and runts are dropped: none of them
// makes the session send anything but the next block.
TEST(TftpSession, DropsStaleFutureForeignAndShortAcks) {
  std::vector<unsigned char> image = Image(1500);
  SessionRun run(image);
  uint16_t otherPort = 0;
  int other = OpenPeerSocket(&otherPort);
  Packet p;
  ASSERT_TRUE(run.peer.Receive(&p));
  run.peer.Ack(0);
  ASSERT_TRUE(run.peer.Receive(&p));
  ASSERT_EQ(p.block, 1);
  run.peer.Ack(0);         // repeated ACK of the option acknowledgement
  run.peer.Ack(3);         // a later block
  run.peer.Ack(1, other);  // right number, foreign port
  const unsigned char runt[2] = {0, 4};
  run.peer.Send(runt, 2);  // shorter than an ACK
  const unsigned char error[] = {0, 5, 0, 1, 'x', 0};
  run.peer.Send(error, sizeof error);
  EXPECT_FALSE(run.peer.Receive(&p, 50));  // nothing answered any of them
  run.peer.Ack(1);
  ASSERT_TRUE(run.peer.Receive(&p));
  EXPECT_EQ(p.block, 2);
  run.peer.Ack(2);
  ASSERT_TRUE(run.peer.Receive(&p));
  EXPECT_EQ(p.block, 3);
  EXPECT_EQ(p.bytes.size(), 4u + 1500 - 1024);
  run.peer.Ack(3);
  EXPECT_EQ(run.Finish(), kTransferComplete);
  close(other);
}

TEST(TftpSession, SilentRequesterGetsThirtyOptionAcknowledgements) {
  std::vector<unsigned char> image = Image(100);
  SessionRun run(image);
  int optionAcks = 0;
  Packet p;
  // 3,000 idle passes of about a millisecond each: bounded at 60 s.
  while (optionAcks < 40 && run.peer.Receive(&p, 60000)) {
    EXPECT_EQ(p.opcode, 6);
    ++optionAcks;
    if (optionAcks == 30) break;
  }
  EXPECT_EQ(run.Finish(), kTransferIncomplete);
  EXPECT_EQ(optionAcks, 30);
  EXPECT_FALSE(run.peer.Receive(&p, 10));
}

TEST(TftpSession, LargestImageEndsWithBlock65535) {
  std::vector<unsigned char> image = Image(33553919);
  SessionRun run(image);
  Packet p;
  ASSERT_TRUE(run.peer.Receive(&p));
  run.peer.Ack(0);
  uint32_t expected = 1;
  size_t offset = 0;
  bool same = true;
  while (run.peer.Receive(&p)) {
    if (p.block != (expected & 0xffff)) break;
    same = same && 0 == memcmp(p.bytes.data() + 4, image.data() + offset,
                               p.bytes.size() - 4);
    offset += p.bytes.size() - 4;
    run.peer.Ack(p.block);
    if (p.bytes.size() < 516) break;
    ++expected;
  }
  EXPECT_EQ(expected, 65535u);
  EXPECT_EQ(p.block, 65535);
  EXPECT_EQ(p.bytes.size(), 4u + 511);
  EXPECT_EQ(offset, image.size());
  EXPECT_TRUE(same);
  EXPECT_EQ(run.Finish(), kTransferComplete);
}

}  // namespace
