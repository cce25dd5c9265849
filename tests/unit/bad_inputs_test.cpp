// Hostile and broken inputs that reach the program from the user and the
// device: what each one gets. Status pages, status lines and challenges are
// fed to the parsers directly; datagrams go to a real session over loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/net.h"
#include "tftp/listener.h"
#include "tftp/session.h"
#include "ui/dialogs.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

// --- the typed address ------------------------------------------------------

TEST(BadInputs, OddAddressTextsAreRefusedWithTheirCode) {
  struct Case {
    const char* text;
    int code;
  } cases[] = {
      {" 1.2.3.4", 5},         {"1.2.3.4\t", 5},
      {"1,2,3,4,5", 5},        {"0x1.0x2.3.4", 5},
      {"+1.2.3.4", 5},         {"1.2.3.4\r\n", 5},
      {"\xff\xfe.1.2.3", 5},   {"1.2.3.4/24", 5},
      {"1.2.3.4444444444", 4}, {"123456789012345678", 4},
      {"1*2.3*", 4},           {"*.*.*.*", 3},
      {"1.2.3.....", 3},       {"256.256.256.256", 1},
      {"0000000000000001", 4}, {"000000000000256", 1},
      {"1.2.3.4.*", 0},        {"*1*2*3*4*", 0},
  };
  for (const Case& c : cases) {
    uint32_t address = 0xDEADBEEF;
    EXPECT_EQ(ParseIPv4Address(c.text, &address), c.code) << c.text;
    if (c.code) {
      EXPECT_EQ(address, 0u) << c.text;
    }
  }
  uint32_t address = 0;
  ASSERT_EQ(ParseIPv4Address("*1*2*3*4*", &address), 0);
  EXPECT_EQ(address, 0x01020304u);
}

// --- status pages --------------------------------------------------------

// Each case scrapes the product name into a field that held "old".
TEST(BadInputs, BrokenStatusPagesLeaveOrCutTheField) {
  const std::string value200(200, 'v');
  struct Case {
    const char* what;
    std::string page;
    std::string field;
  } cases[] = {
      {"no label at all", "HTTP/1.1 200 OK\r\n\r\n<html>nothing</html>", "old"},
      {"label in another case", "<td>product name:</td><td>X</td>", "old"},
      {"label but no '>' after it", "<td>Product Name: X1 and no tag", "old"},
      {"tag run that never closes", "Product Name:</td><td", "old"},
      {"value cut at 127", "Product Name:</td><td>" + value200 + "</td>",
       value200.substr(0, 127)},
      {"page ends after the tags", "Product Name:</td><td><b>", ""},
      {"value up to the end of the text", "Product Name:>X1", "X1"},
      {"label in a header line", "X-Info: Product Name:>hdr<\r\n\r\n", "hdr"},
      {"first of two labels wins", "Product Name:>A<Product Name:>B<", "A"},
      {"line break is a value", "Product Name:</td>\r\n<td>", "\r\n"},
  };
  for (const Case& c : cases) {
    char field[kDeviceTextSize] = "old";
    ScrapeLabelValue(c.page.c_str(), "Product Name:", field, 127);
    EXPECT_EQ(std::string(field), c.field) << c.what;
  }
}

// --- status lines -----------------------------------------------------------

TEST(BadInputs, OddStatusLinesClassify) {
  struct Case {
    const char* text;
    int32_t kind;
  } cases[] = {
      {"", kHttpNotHttp11},
      {"HTTP/1.0 200 OK\r\n", kHttpNotHttp11},
      {"http/1.1 200 OK\r\n", kHttpNotHttp11},
      {" HTTP/1.1 200 OK\r\n", kHttpNotHttp11},
      {"HTTP/1.", kHttpNotHttp11},
      {"HTTP/1.1", kHttpNoStatus},
      {"HTTP/1.1 ", kHttpNoStatus},
      {"HTTP/1.1 \t \t", kHttpNoStatus},
      {"HTTP/1.1x200", kHttpOk},  // the character after the version is skipped
      {"HTTP/1.1 2000000", kHttpOk},
      {"HTTP/1.1 20", kHttpOther},
      {"HTTP/1.1 \r\n200", kHttpOther},
      {"HTTP/1.1 401", kHttpOther},
      {"HTTP/1.1 401 Unauthorized\r\nwww-authenticate: Digest realm=\"a\", "
       "nonce=\"b\"\r\n\r\n",
       kHttpOther},
      {"HTTP/1.1 401\r\nWWW-Authenticate: Basic realm=\"a\"\r\n", kHttpOther},
      {"HTTP/1.1 401\r\nWWW-Authenticate: Digest realm=\"a\"\r\n\r\n"
       "<p>nonce=\"in the body\"</p>",
       kHttpChallenge},
      {"HTTP/1.1 404 Not Found\r\nWWW-Authenticate: Digest realm=\"a\", "
       "nonce=\"b\"\r\n",
       kHttpOther},
  };
  for (const Case& c : cases) {
    DigestState state{};
    EXPECT_EQ(ClassifyHttpResponse(c.text, &state), c.kind) << c.text;
  }
}

// --- Digest challenges ------------------------------------------------------

TEST(BadInputs, ChallengesWithOddDirectives) {
  const std::string long200(200, 'n');
  struct Case {
    const char* what;
    std::string challenge;
    int32_t result;
    std::string realm, nonce, qop, algorithm, opaque;
  } cases[] = {
      {"no realm", "WWW-Authenticate: Digest nonce=\"n\"", 1, "", "", "", "",
       ""},
      {"no nonce", "WWW-Authenticate: Digest realm=\"r\"", 1, "r", "", "", "",
       ""},
      {"unquoted realm", "WWW-Authenticate: Digest realm=r, nonce=\"n\"", 1, "",
       "", "", "", ""},
      {"empty values",
       "WWW-Authenticate: Digest realm=\"\", nonce=\"\", qop=\"\", "
       "algorithm=\"\", opaque=\"\"",
       0, "", "", "", "", ""},
      {"unquoted qop and algorithm",
       "WWW-Authenticate: Digest realm=\"r\", nonce=\"n\", qop=auth, "
       "algorithm=MD5",
       0, "r", "n", "", "", ""},
      {"repeated directives: the first wins",
       "WWW-Authenticate: Digest realm=\"r1\", nonce=\"n1\", realm=\"r2\", "
       "nonce=\"n2\", qop=\"auth\", qop=\"auth-int\"",
       0, "r1", "n1", "auth", "", ""},
      {"closing quote missing",
       "WWW-Authenticate: Digest nonce=\"n\", realm=\"open to the end", 0,
       "open to the end", "n", "", "", ""},
      {"overlong values are cut at their fields",
       "WWW-Authenticate: Digest realm=\"" + long200 + "\", nonce=\"" +
           long200 + "\", qop=\"" + long200 + "\", algorithm=\"" + long200 +
           "\", opaque=\"" + long200 + "\"",
       0, long200.substr(0, 127), long200.substr(0, 127), long200.substr(0, 15),
       long200.substr(0, 15), long200.substr(0, 127)},
  };
  for (const Case& c : cases) {
    DigestState state{};
    EXPECT_EQ(ParseDigestChallenge(c.challenge.c_str(), &state), c.result)
        << c.what;
    EXPECT_EQ(state.realm, c.realm) << c.what;
    EXPECT_EQ(state.nonce, c.nonce) << c.what;
    EXPECT_EQ(state.qop, c.qop) << c.what;
    EXPECT_EQ(state.algorithm, c.algorithm) << c.what;
    EXPECT_EQ(state.opaque, c.opaque) << c.what;
  }
}

// The client nonce is a number from 0 to 32767 in hexadecimal: 1 to 4
// digits whatever range the C library's generator has.
TEST(BadInputs, ClientNonceHasAtMostFourDigits) {
  srand(1);
  for (int i = 0; i < 20; ++i) {
    DigestState state{};
    ASSERT_EQ(ParseDigestChallenge(
                  "WWW-Authenticate: Digest realm=\"r\", nonce=\"n\"", &state),
              0);
    size_t length = strlen(state.clientNonce);
    ASSERT_GE(length, 1u);
    ASSERT_LE(length, 4u) << state.clientNonce;
  }
}

// Every field at its limit: the line still ends in CR LF within 697
// characters, and a short room is never overrun.
TEST(BadInputs, AuthorizationLineWithEveryFieldAtItsLimit) {
  DigestState state{};
  std::string challenge =
      "WWW-Authenticate: Digest realm=\"" + std::string(300, 'r') +
      "\", nonce=\"" + std::string(300, 'n') + "\", qop=\"" +
      std::string(40, 'q') + "\", algorithm=\"" + std::string(40, 'a') +
      "\", opaque=\"" + std::string(300, 'o') + "\"";
  ASSERT_EQ(ParseDigestChallenge(challenge.c_str(), &state), 0);
  memset(state.userName, 'u', 126);  // the password dialog's limit
  memset(state.password, 'p', 126);
  strcpy(state.clientNonce, "7fff");
  state.nonceCount = 0xffffffffu;
  char line[1024];
  int32_t n = BuildDigestAuthorization(&state, line, sizeof line);
  EXPECT_EQ(n, static_cast<int32_t>(strlen(line)));
  EXPECT_LE(n, 697);
  EXPECT_EQ(std::string(line + n - 2), "\r\n");
  EXPECT_NE(std::string(line).find(",nc=0ffffffff,cnonce=\"7fff\"\r\n"),
            std::string::npos);
  for (int32_t room : {1, 2, 100, n, n + 1}) {
    std::vector<char> small(static_cast<size_t>(room), 'X');
    int32_t m = BuildDigestAuthorization(&state, small.data(), room);
    ASSERT_GE(m, 0) << room;
    ASSERT_LT(m, room) << room;
    EXPECT_EQ(small[static_cast<size_t>(m)], '\0') << room;
  }
}

// --- read requests at the listener ------------------------------------------

std::vector<unsigned char> Datagram(const std::string& bytes) {
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

TEST(BadInputs, ListenerAcceptsOnlyTheExactNameEndedInsideTheDatagram) {
  const char* name = "/dux3f0a.bi1";
  const std::string rrq = std::string("\0\1", 2) + name;
  struct Case {
    const char* what;
    std::string bytes;
    int accepted;
  } cases[] = {
      {"with mode", rrq + std::string("\0octet\0", 7), 1},
      {"name and NUL only", rrq + std::string("\0", 1), 1},
      {"with options",
       rrq + std::string("\0netascii\0tsize\0"
                         "0\0",
                         17),
       1},
      {"no NUL", rrq, 0},
      {"name cut short", rrq.substr(0, rrq.size() - 1) + std::string("\0", 1),
       0},
      {"longer name", rrq + std::string("x\0octet\0", 8), 0},
      {"letter case", std::string("\0\1/DUX3F0A.BI1\0octet\0", 21), 0},
      {"write request", std::string("\0\2", 2) + name + std::string("\0", 1),
       0},
      {"opcode 257", std::string("\1\1", 2) + name + std::string("\0", 1), 0},
      {"empty", "", 0},
      {"opcode only", std::string("\0\1", 2), 0},
      {"empty name", std::string("\0\1\0", 3), 0},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> d = Datagram(c.bytes);
    EXPECT_EQ(IsExpectedReadRequest(d.data(), static_cast<int>(d.size()), name),
              c.accepted)
        << c.what;
  }
  // The received length decides, not a NUL that lies behind it in the buffer.
  std::vector<unsigned char> buffer = Datagram(rrq + std::string("\0", 1));
  EXPECT_EQ(IsExpectedReadRequest(buffer.data(),
                                  static_cast<int>(buffer.size()) - 1, name),
            0);
}

// --- datagrams during a transfer --------------------------------------------

int OpenUdp(uint32_t address, uint16_t* port) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(address);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return s;
}

// One session serving `image` to a requester socket of the test.
struct Transfer {
  TftpSession session{};
  PlatSocket server = kPlatInvalidSocket;
  int peer = -1;
  sockaddr_in to{};
  std::thread thread;
  int outcome = -1;

  explicit Transfer(const std::vector<unsigned char>& image) {
    PlatNetStartup(1, 1);
    server = PlatOpenUdpSocket();
    PlatSockAddrIn local = MakeSocketAddress(kLoopback, 0);
    PlatBind(server, &local);
    socklen_t len = sizeof to;
    getsockname(static_cast<int>(server), reinterpret_cast<sockaddr*>(&to),
                &len);
    uint16_t peerPort = 0;
    peer = OpenUdp(kLoopback, &peerPort);
    session.socket = server;
    session.localAddress = kLoopback;
    session.peerAddress = kLoopback;
    session.peerPort = peerPort;
    session.imageSize = static_cast<uint32_t>(image.size());
    session.blockCount = session.imageSize / 512 + 1;
    session.lastBlockSize = session.imageSize % 512;
    const unsigned char* data = image.data();
    thread = std::thread(
        [this, data] { outcome = RunTftpTransfer(&session, data, nullptr); });
  }
  ~Transfer() {
    if (thread.joinable()) thread.join();
    close(peer);
    PlatCloseSocket(server);
  }
  void Send(const std::vector<unsigned char>& bytes, int from = -1) {
    sendto(from < 0 ? peer : from, bytes.data(), bytes.size(), 0,
           reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  void Ack(uint16_t block) {
    Send({0, 4, static_cast<unsigned char>(block >> 8),
          static_cast<unsigned char>(block)});
  }
  // The next datagram from the session within `ms`; empty when none came.
  std::vector<unsigned char> Receive(int ms = 2000) {
    pollfd f{peer, POLLIN, 0};
    if (poll(&f, 1, ms) <= 0) return {};
    unsigned char b[2048];
    ssize_t n = recv(peer, b, sizeof b, 0);
    return n > 0 ? std::vector<unsigned char>(b, b + n)
                 : std::vector<unsigned char>();
  }
};

// Everything that is not the awaited ACK from the requester's own address
// and port: nothing is answered, nothing is sent early, and the transfer
// goes on with the next block when the right ACK comes.
TEST(BadInputs, SessionIgnoresEveryDatagramButTheAwaitedAck) {
  std::vector<unsigned char> image(1300);
  for (size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<unsigned char>(i * 13 + 1);
  Transfer t(image);
  uint16_t port = 0;
  int otherPort = OpenUdp(kLoopback, &port);
  int otherAddress = OpenUdp(0x7F000003, &port);

  std::vector<std::vector<unsigned char>> junk;
  for (size_t n : {0, 1, 2, 3, 5, 512, 516, 1023, 1024, 1025, 1500}) {
    std::vector<unsigned char> d(n, 0xA5);
    if (n >= 2) d[0] = 0, d[1] = 3;  // DATA-shaped
    junk.push_back(d);
  }
  for (unsigned char op = 0; op < 10; ++op) {
    if (op != 4) junk.push_back({0, op, 0, 1, 'x', 0});
  }
  const std::string rrq("\0\1/dux3f0a.bi1\0octet\0", 21);
  junk.push_back(Datagram(rrq));                   // the request, repeated
  junk.push_back(Datagram(rrq.substr(0, 12)));     // a request without its NUL
  junk.push_back({0, 5, 0, 0, 'e', 'r', 'r', 0});  // ERROR
  junk.push_back({0, 4});                          // an ACK without a number

  std::vector<unsigned char> got;
  std::vector<unsigned char> p = t.Receive();
  ASSERT_EQ(p.size(), 23u);  // the option ack with a 4-digit size
  for (uint16_t block = 0; block <= 3; ++block) {
    SCOPED_TRACE(block);
    for (const auto& d : junk) t.Send(d);
    // The right ACK, but from a foreign port and from a foreign address.
    std::vector<unsigned char> ack = {0, 4, 0,
                                      static_cast<unsigned char>(block)};
    t.Send(ack, otherPort);
    t.Send(ack, otherAddress);
    // Nothing answered: a resend comes only after 100 idle passes, far
    // later than these 40 ms.
    EXPECT_TRUE(t.Receive(40).empty());
    t.Ack(block);
    if (block == 3) break;
    p = t.Receive();
    ASSERT_GE(p.size(), 4u);
    EXPECT_EQ(p[1], 3);
    EXPECT_EQ(p[3], block + 1);
    got.insert(got.end(), p.begin() + 4, p.end());
  }
  t.thread.join();
  EXPECT_EQ(t.outcome, kTransferComplete);
  EXPECT_EQ(got, image);
  close(otherPort);
  close(otherAddress);
}

}  // namespace
