// One HTTP exchange against a small scripted web server on loopback, in the
// test's private network namespace.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/net.h"
#include "platform/scripted/scripted.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

constexpr uint32_t kLocal = 0x7F000001;   // 127.0.0.1
constexpr uint32_t kDevice = 0x7F000002;  // 127.0.0.2
constexpr uint16_t kFirstPort = 23456;

const char kStatusPage[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<table>"
    "<tr><td>Product Name:</td><td><b>DUX-T</b></td></tr>"
    "<tr><td>MAC Address:</td><td>00:0E:08:AA:BB:CC</td></tr>"
    "<tr><td>Software Version:</td><td>7.1.4a</td></tr>"
    "<tr><td>Hardware Version:</td><td>2.0.1</td></tr>"
    "<tr><td>Serial Number:</td><td>SN123</td></tr></table>";

const char kChallenge[] =
    "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"dux\", "
    "nonce=\"abc123\", qop=\"auth\"\r\n\r\n<p>Product Name:</td><td>NO</p>";

int BindTcp(uint32_t address, uint16_t port, bool reuse = false) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  if (fd >= 0 && reuse)
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(address);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

// What the server saw of one connection.
struct Seen {
  std::string request;
  uint16_t peerPort = 0;
};

// Accepts `responses.size()` connections on 127.0.0.2:80, one at a time;
// reads each request up to its empty line (or the close) and answers with
// the next response (an empty one: close without sending). Every wait is
// bounded.
struct ScriptedServer {
  int listenFd = -1;
  std::vector<std::string> responses;
  std::vector<Seen> seen;
  std::thread thread;

  bool Start(std::vector<std::string> answers) {
    responses = std::move(answers);
    // The device's end of earlier exchanges lingers in TIME_WAIT.
    listenFd = BindTcp(kDevice, 80, true);
    if (listenFd < 0 || listen(listenFd, 4) != 0) return false;
    thread = std::thread([this] { Serve(); });
    return true;
  }

  void Serve() {
    for (const std::string& response : responses) {
      pollfd p{listenFd, POLLIN, 0};
      if (poll(&p, 1, 5000) != 1) return;
      sockaddr_in peer{};
      socklen_t length = sizeof peer;
      int fd = accept(listenFd, reinterpret_cast<sockaddr*>(&peer), &length);
      if (fd < 0) return;
      Seen s;
      s.peerPort = ntohs(peer.sin_port);
      char chunk[4096];
      for (int i = 0;
           i < 1000 && s.request.find("\r\n\r\n") == std::string::npos; ++i) {
        pollfd q{fd, POLLIN, 0};
        if (poll(&q, 1, 5000) != 1) break;
        ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        s.request.append(chunk, static_cast<size_t>(n));
      }
      size_t sent = 0;
      for (int i = 0; i < 10000 && sent < response.size(); ++i) {
        ssize_t n = send(fd, response.data() + sent, response.size() - sent,
                         MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      close(fd);
      seen.push_back(s);
    }
  }

  void Stop() {
    if (thread.joinable()) thread.join();
    if (listenFd >= 0) close(listenFd);
    listenFd = -1;
  }
};

std::string RequestWithoutPassword(const std::string& path) {
  return "GET " + path + " HTTP/1.1\r\nHost: 192.168.0.1\r\n\r\n";
}

// An exchange that ends the process where it should have returned would
// otherwise end the test run with status 0, as if it had passed.
bool gInsideExchangeTest = false;

void FailIfEndedInsideATest() {
  if (gInsideExchangeTest) {
    fprintf(stderr, "the process ended inside an exchange test\n");
    _exit(1);
  }
}

class ExchangeTest : public testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) atexit(FailIfEndedInsideATest);
    registered = true;
    gInsideExchangeTest = true;
    ScriptedInstall();
    PlatNetStartup(1, 1);
    memset(&gDigestState, 0, sizeof gDigestState);
    memset(&gDeviceInfo, 0, sizeof gDeviceInfo);
  }
  void TearDown() override {
    gInsideExchangeTest = false;
    server_.Stop();
    for (int fd : busy_) close(fd);
  }

  // Occupies local ports first .. first + count - 1 on 127.0.0.1.
  bool OccupyPorts(uint16_t first, int count) {
    for (int i = 0; i < count; ++i) {
      int fd = BindTcp(kLocal, static_cast<uint16_t>(first + i));
      if (fd < 0) return false;
      busy_.push_back(fd);
    }
    return true;
  }

  int32_t Get(const char* path = "/admin/advanced") {
    return DeviceHttpGet(kLocal, kFirstPort, kDevice, 80, path, ResponseBuffer,
                         kResponseCapacity);
  }

  // Puts a stored challenge and credentials into the record.
  void KnowPassword() {
    ASSERT_EQ(ParseDigestChallenge("WWW-Authenticate: Digest realm=\"dux\", "
                                   "nonce=\"abc123\", qop=\"auth\"",
                                   &gDigestState),
              0);
    strcpy(gDigestState.userName, "admin");
    strcpy(gDigestState.password, "secret");
  }

  void FillDeviceInfo() {
    strcpy(gDeviceInfo.productName, "old product");
    strcpy(gDeviceInfo.macAddress, "old mac");
    strcpy(gDeviceInfo.softwareVersion, "old software");
    strcpy(gDeviceInfo.hardwareVersion, "old hardware");
    strcpy(gDeviceInfo.serialNumber, "old serial");
  }

  bool DeviceInfoIsOld() {
    return strcmp(gDeviceInfo.productName, "old product") == 0 &&
           strcmp(gDeviceInfo.macAddress, "old mac") == 0 &&
           strcmp(gDeviceInfo.softwareVersion, "old software") == 0 &&
           strcmp(gDeviceInfo.hardwareVersion, "old hardware") == 0 &&
           strcmp(gDeviceInfo.serialNumber, "old serial") == 0;
  }

  ScriptedServer server_;
  std::vector<int> busy_;
};

TEST_F(ExchangeTest, StatusPageWithoutPassword) {
  ASSERT_TRUE(server_.Start({kStatusPage}));
  EXPECT_EQ(Get(), static_cast<int32_t>(strlen(kStatusPage)));
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), 1u);
  EXPECT_EQ(server_.seen[0].request, RequestWithoutPassword("/admin/advanced"));
  EXPECT_EQ(server_.seen[0].peerPort, kFirstPort);
  EXPECT_STREQ(gDeviceInfo.productName, "DUX-T");
  EXPECT_STREQ(gDeviceInfo.macAddress, "00:0E:08:AA:BB:CC");
  EXPECT_STREQ(gDeviceInfo.softwareVersion, "7.1.4a");
  EXPECT_STREQ(gDeviceInfo.hardwareVersion, "2.0.1");
  EXPECT_STREQ(gDeviceInfo.serialNumber, "SN123");
  EXPECT_EQ(gDigestState.nonceCount, 0u);
}

// With a password known, each request carries the Authorization line built
// for the count after its increment; the path goes out verbatim.
TEST_F(ExchangeTest, RequestsCarryTheAuthorizationLine) {
  KnowPassword();
  const char* path = "/admin/upgrade?tftp://127.0.0.1:69/dux1a2b.bi1";
  ASSERT_TRUE(server_.Start({kStatusPage, kStatusPage}));
  std::vector<std::string> expected;
  for (int i = 0; i < 2; ++i) {
    DigestState next = gDigestState;
    next.nonceCount += 1;
    char line[1024];
    ASSERT_GT(BuildDigestAuthorization(&next, line, sizeof line), 0);
    expected.push_back(std::string("GET ") + path +
                       " HTTP/1.1\r\nHost: 192.168.0.1\r\n" + line + "\r\n");
    EXPECT_GT(Get(path), 0);
    EXPECT_EQ(gDigestState.nonceCount, static_cast<uint32_t>(i + 1));
  }
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), 2u);
  EXPECT_EQ(server_.seen[0].request, expected[0]);
  EXPECT_EQ(server_.seen[1].request, expected[1]);
  EXPECT_NE(server_.seen[0].request.find(",nc=000000001,"), std::string::npos);
  EXPECT_NE(server_.seen[1].request.find(",nc=000000002,"), std::string::npos);
  EXPECT_EQ(server_.seen[0].request.find("secret"), std::string::npos);
}

// A repeated challenge with the same nonce keeps the count running; a new
// nonce restarts it, so the next request carries nc=000000001 and the new
// nonce.
TEST_F(ExchangeTest, ChallengesKeepOrRestartTheCount) {
  KnowPassword();
  const std::string again =
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"dux\", "
      "nonce=\"abc123\", qop=\"auth\"\r\n\r\n";
  const std::string fresh =
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"dux\", "
      "nonce=\"fresh9\", qop=\"auth\"\r\n\r\n";
  struct {
    std::string response;
    int32_t result;
    const char* ncSent;
    const char* nonceSent;
  } steps[] = {
      {kStatusPage, static_cast<int32_t>(strlen(kStatusPage)), "000000001",
       "abc123"},
      {again, -1, "000000002", "abc123"},
      {kStatusPage, static_cast<int32_t>(strlen(kStatusPage)), "000000003",
       "abc123"},
      {fresh, -1, "000000004", "abc123"},
      {kStatusPage, static_cast<int32_t>(strlen(kStatusPage)), "000000001",
       "fresh9"},
  };
  std::vector<std::string> responses;
  for (const auto& step : steps) responses.push_back(step.response);
  ASSERT_TRUE(server_.Start(responses));
  for (const auto& step : steps) EXPECT_EQ(Get(), step.result);
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), responses.size());
  for (size_t i = 0; i < responses.size(); ++i) {
    const std::string& request = server_.seen[i].request;
    EXPECT_NE(request.find(std::string(",nc=") + steps[i].ncSent + ","),
              std::string::npos)
        << "request " << i << ": " << request;
    EXPECT_NE(request.find(std::string("nonce=\"") + steps[i].nonceSent + "\""),
              std::string::npos)
        << "request " << i << ": " << request;
  }
  EXPECT_EQ(gDigestState.nonceCount, 1u);
}

TEST_F(ExchangeTest, BusyPortMovesUpAndNextExchangeStartsAfresh) {
  ASSERT_TRUE(OccupyPorts(kFirstPort, 1));
  ASSERT_TRUE(server_.Start({kStatusPage, kStatusPage}));
  EXPECT_GT(Get(), 0);
  close(busy_.back());
  busy_.pop_back();
  EXPECT_GT(Get(), 0);
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), 2u);
  EXPECT_EQ(server_.seen[0].peerPort, kFirstPort + 1);
  EXPECT_EQ(server_.seen[0].request, RequestWithoutPassword("/admin/advanced"));
  EXPECT_EQ(server_.seen[1].peerPort, kFirstPort);
}

// 100 busy ports leave the 101st, the last one tried.
TEST_F(ExchangeTest, LastOfTheHundredAndOneBindsIsTried) {
  ASSERT_TRUE(OccupyPorts(kFirstPort, 100));
  ASSERT_TRUE(server_.Start({kStatusPage}));
  EXPECT_GT(Get(), 0);
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), 1u);
  EXPECT_EQ(server_.seen[0].peerPort, kFirstPort + 100);
}

TEST_F(ExchangeTest, AllPortsBusyEndsTheProcess) {
  ASSERT_TRUE(OccupyPorts(kFirstPort, 101));
  EXPECT_EXIT(
      {
        gInsideExchangeTest = false;  // this end is the expected one
        ScriptedEcho(true);
        Get();
      },
      testing::ExitedWithCode(0),
      "msgbox .*\\| Upgrade Failed: Can't bind HTTP socket");
}

// Nobody listens at the device: nothing is received or scraped, and with a
// password known the count has still advanced.
TEST_F(ExchangeTest, RefusedConnection) {
  FillDeviceInfo();
  EXPECT_EQ(Get(), 0);
  EXPECT_EQ(gDigestState.nonceCount, 0u);
  KnowPassword();
  gDigestState.nonceCount = 4;
  EXPECT_EQ(Get(), 0);
  EXPECT_EQ(gDigestState.nonceCount, 5u);
  EXPECT_TRUE(DeviceInfoIsOld());
}

TEST_F(ExchangeTest, CloseWithoutData) {
  FillDeviceInfo();
  ASSERT_TRUE(server_.Start({""}));
  EXPECT_EQ(Get(), 0);
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), 1u);
  EXPECT_TRUE(DeviceInfoIsOld());
}

TEST_F(ExchangeTest, UsableChallengeIsStoredAndNothingScraped) {
  FillDeviceInfo();
  ASSERT_TRUE(server_.Start({kChallenge}));
  EXPECT_EQ(Get(), -1);
  server_.Stop();
  EXPECT_TRUE(DeviceInfoIsOld());
  EXPECT_STREQ(gDigestState.realm, "dux");
  EXPECT_STREQ(gDigestState.nonce, "abc123");
  EXPECT_STREQ(gDigestState.qop, "auth");
  EXPECT_NE(gDigestState.clientNonce[0], '\0');
}

// Every response that is not a usable challenge gives its byte count and is
// scraped, whatever its status; a missing label keeps the earlier value.
TEST_F(ExchangeTest, OtherResponsesAreCountedAndScraped) {
  struct {
    const char* what;
    std::string response;
    const char* product;
    const char* hardware;
  } cases[] = {
      {"HTTP/1.0 challenge",
       "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\", "
       "nonce=\"n\"\r\n\r\nProduct Name:<b>P10</b>",
       "P10", "old hardware"},
      {"401 without nonce",
       "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\""
       "\r\n\r\nProduct Name:<b>P401</b>",
       "P401", "old hardware"},
      {"not found",
       "HTTP/1.1 404 Not Found\r\n\r\nProduct Name:<b>P404</b>"
       "Hardware Version:<td>H404</td>",
       "P404", "H404"},
      {"no code after the version", "HTTP/1.1 \r\n\r\nHardware Version:<td>H",
       "old product", "H"},
  };
  std::vector<std::string> responses;
  for (const auto& c : cases) responses.push_back(c.response);
  ASSERT_TRUE(server_.Start(responses));
  for (const auto& c : cases) {
    FillDeviceInfo();
    EXPECT_EQ(Get(), static_cast<int32_t>(c.response.size())) << c.what;
    EXPECT_STREQ(gDeviceInfo.productName, c.product) << c.what;
    EXPECT_STREQ(gDeviceInfo.hardwareVersion, c.hardware) << c.what;
    EXPECT_STREQ(gDeviceInfo.serialNumber, "old serial") << c.what;
  }
  server_.Stop();
  EXPECT_EQ(server_.seen.size(), responses.size());
}

// Responses of the capacity and beyond are cut at it; the NUL lands in the
// buffer's last byte.
TEST_F(ExchangeTest, LongResponsesStopAtTheCapacity) {
  std::string exact = "HTTP/1.1 200 OK\r\n\r\n";
  exact +=
      std::string(static_cast<size_t>(kResponseCapacity) - exact.size(), 'a');
  std::string longer = exact + std::string(50000, 'b');
  ASSERT_TRUE(server_.Start({exact, longer}));
  for (const std::string* r : {&exact, &longer}) {
    memset(ResponseBuffer, 'X', sizeof ResponseBuffer);
    EXPECT_EQ(Get(), kResponseCapacity);
    EXPECT_EQ(ResponseBuffer[kResponseBufferSize - 1], '\0');
    EXPECT_EQ(memcmp(ResponseBuffer, r->data(),
                     static_cast<size_t>(kResponseCapacity)),
              0);
  }
  server_.Stop();
}

// A request that cannot fit the buffer is not sent at all, and nothing is
// written beyond the buffer's capacity + 1 bytes.
TEST_F(ExchangeTest, OverlongRequestIsNotSent) {
  constexpr int32_t kCapacity = 100;
  struct {
    const char* what;
    std::string path;
    bool password;
  } cases[] = {
      {"path alone too long", "/" + std::string(300, 'p'), false},
      {"no room for the Authorization line", "/short", true},
  };
  std::vector<std::string> responses(2, kStatusPage);
  ASSERT_TRUE(server_.Start(responses));
  for (const auto& c : cases) {
    if (c.password) KnowPassword();
    char buffer[kCapacity + 1 + 64];
    memset(buffer, 'G', sizeof buffer);
    EXPECT_EQ(DeviceHttpGet(kLocal, kFirstPort, kDevice, 80, c.path.c_str(),
                            buffer, kCapacity),
              0)
        << c.what;
    for (size_t i = kCapacity + 1; i < sizeof buffer; ++i)
      ASSERT_EQ(buffer[i], 'G') << c.what << " byte " << i;
  }
  EXPECT_EQ(gDigestState.nonceCount, 1u);  // counted although not sent
  server_.Stop();
  ASSERT_EQ(server_.seen.size(), 2u);
  EXPECT_EQ(server_.seen[0].request, "");
  EXPECT_EQ(server_.seen[1].request, "");
}

}  // namespace
