// The simulated device on its own: its web server, its Digest check against
// standard and wizard-style answers, and its TFTP client against a small
// lockstep server written here.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/subprocess.h"

namespace {

// --- small tools ------------------------------------------------------------

std::string Md5Raw(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string Md5Hex(const std::string& text) {
  std::string raw = Md5Raw(text);
  std::string hex;
  char two[3];
  for (unsigned char c : raw) {
    snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  return hex;
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// One HTTP request to 127.0.0.1:80, read until the server closes.
std::string HttpGet(const std::string& target,
                    const std::string& extraHeaders = "") {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(80);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(s);
    return "";
  }
  std::string request = "GET " + target + " HTTP/1.1\r\nHost: 10.1.1.1\r\n" +
                        extraHeaders + "\r\n";
  send(s, request.data(), request.size(), MSG_NOSIGNAL);
  std::string response;
  for (int i = 0; i < 200; ++i) {  // at most 200 reads of up to 1 s each
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) break;
    char buffer[4096];
    ssize_t n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    response.append(buffer, static_cast<size_t>(n));
  }
  close(s);
  return response;
}

int StatusCode(const std::string& response) {
  if (response.compare(0, 9, "HTTP/1.1 ") != 0) return -1;
  return atoi(response.c_str() + 9);
}

std::string HeaderValue(const std::string& response, const std::string& name) {
  size_t at = response.find("\r\n" + name + ": ");
  if (at == std::string::npos) return "";
  at += name.size() + 4;
  return response.substr(at, response.find("\r\n", at) - at);
}

std::string Body(const std::string& response) {
  size_t at = response.find("\r\n\r\n");
  return at == std::string::npos ? "" : response.substr(at + 4);
}

// The value that follows a label on the status page: past the next '>', past
// any run of tags, up to the next '<'.
std::string FieldAfter(const std::string& page, const std::string& label) {
  size_t at = page.find(label);
  if (at == std::string::npos) return "<missing>";
  at = page.find('>', at);
  if (at == std::string::npos) return "<missing>";
  ++at;
  while (at < page.size() && page[at] == '<') {
    at = page.find('>', at);
    if (at == std::string::npos) return "<missing>";
    ++at;
  }
  return page.substr(at, page.find('<', at) - at);
}

// A quoted directive of a challenge: name="value".
std::string Directive(const std::string& challenge, const std::string& name) {
  size_t at = challenge.find(name + "=\"");
  if (at == std::string::npos) return "<absent>";
  at += name.size() + 2;
  return challenge.substr(at, challenge.find('"', at) - at);
}

// --- fixture: one duxsim on 127.0.0.1:80 ------------------------------------

class SimTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir();
    events_ = dir_ + "/events";
    save_ = dir_ + "/image.bin";
  }
  void TearDown() override { Stop(); }

  void Start(const std::vector<std::string>& options) {
    Stop();
    remove(events_.c_str());
    std::vector<std::string> argv = {DUX_SIM_PATH,  "--address", "127.0.0.1",
                                     "--http-port", "80",        "--events",
                                     events_,       "--save",    save_};
    argv.insert(argv.end(), options.begin(), options.end());
    sim_ = StartSubprocess(argv, dir_ + "/sim.log");
    ASSERT_TRUE(WaitForTcpPort("127.0.0.1", 80, 5000)) << Log();
  }
  void Stop() {
    if (sim_.pid > 0) {
      EXPECT_EQ(StopSubprocess(&sim_), 0) << Log();
    }
  }
  std::string Log() { return ReadWholeFile(dir_ + "/sim.log"); }

  std::vector<std::string> Events() {
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(events_));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  int CountEvents(const std::string& line) {
    int n = 0;
    for (const std::string& l : Events()) n += l == line;
    return n;
  }
  // Bounded wait until the event line has appeared.
  bool WaitForEvent(const std::string& line, int timeoutMs = 5000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
      if (CountEvents(line) > 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::string dir_;
  std::string events_;
  std::string save_;
  Subprocess sim_;
};

// --- web server
// ---------------------------------------------------------------

using SimWebTest = SimTest;

TEST_F(SimWebTest, StatusPageCarriesTheFiveFields) {
  Start({"--product", "DUXQ880", "--mac", "00:0B:82:AA:BB:CC",
         "--software-version", "3.4.5b", "--hardware-version", "2.1",
         "--serial", "SER-77"});
  std::string response = HttpGet("/admin/advanced");
  ASSERT_EQ(StatusCode(response), 200) << response;
  EXPECT_EQ(response.compare(0, 17, "HTTP/1.1 200 OK\r\n"), 0);
  EXPECT_EQ(HeaderValue(response, "Connection"), "close");
  EXPECT_NE(HeaderValue(response, "Content-Type").find("text/html"),
            std::string::npos);
  std::string page = Body(response);
  EXPECT_EQ(HeaderValue(response, "Content-Length"),
            std::to_string(page.size()));
  EXPECT_EQ(FieldAfter(page, "Product Name:"), "DUXQ880");
  EXPECT_EQ(FieldAfter(page, "MAC Address:"), "00:0B:82:AA:BB:CC");
  EXPECT_EQ(FieldAfter(page, "Software Version:"), "3.4.5b");
  EXPECT_EQ(FieldAfter(page, "Hardware Version:"), "2.1");
  EXPECT_EQ(FieldAfter(page, "Serial Number:"), "SER-77");
  EXPECT_EQ(CountEvents("http GET /admin/advanced 200"), 1);
}

TEST_F(SimWebTest, OtherPathsAndMalformedUpgradeRequests) {
  // A long delay keeps the accepted upgrade from sending anything.
  Start({"--tftp-delay", "60000"});
  const struct {
    const char* target;
    int status;
  } cases[] = {
      {"/", 404},
      {"/admin/advancedX", 404},
      {"/admin/upgradeX?tftp://127.0.0.1:69/a.bin", 404},
      {"/admin/upgrade", 400},
      {"/admin/upgrade?", 400},
      {"/admin/upgrade?ftp://127.0.0.1:69/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.1/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.1:69/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.256:69/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.1.5:69/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.1:0/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.1:65536/a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.1:69a.bin", 400},
      {"/admin/upgrade?tftp://127.0.0.1:69/", 400},
      {"/admin/upgrade?tftp://127.0.0.1:69", 400},
      {"/admin/upgrade?tftp://127.0.0.1:65535/dux1a2b.bi1", 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(StatusCode(HttpGet(c.target)), c.status);
    EXPECT_EQ(CountEvents(std::string("http GET ") + c.target + " " +
                          std::to_string(c.status)),
              1);
  }
  // Only the good one was taken as an upgrade.
  std::vector<std::string> upgrades;
  for (const std::string& l : Events())
    if (l.compare(0, 8, "upgrade ") == 0) upgrades.push_back(l);
  EXPECT_EQ(upgrades,
            std::vector<std::string>{"upgrade 127.0.0.1:65535/dux1a2b.bi1"});
}

// --- Digest
// -------------------------------------------------------------------

using SimDigestTest = SimTest;

// curl --digest; gives the HTTP status code.
int Curl(const std::string& credentials, const std::string& bodyPath) {
  std::string command =
      "curl -s --max-time 5 --digest -u '" + credentials + "' -o '" + bodyPath +
      "' -w '%{http_code}' http://127.0.0.1:80/admin/advanced";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  char out[32] = {0};
  size_t n = fread(out, 1, sizeof out - 1, p);
  out[n] = '\0';
  pclose(p);
  return atoi(out);
}

TEST_F(SimDigestTest, StandardClientGetsInWithTheRightPasswordOnly) {
  const struct {
    const char* qop;
    const char* algorithm;
  } cases[] = {{"auth", "MD5"}, {"auth", "MD5-sess"}, {"none", "none"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.qop) + " " + c.algorithm);
    Start({"--password", "PASS", "--qop", c.qop, "--algorithm", c.algorithm,
           "--serial", "SN-CURL"});
    std::string body = dir_ + "/curl.html";
    EXPECT_EQ(Curl("admin:PASS", body), 200);
    EXPECT_EQ(FieldAfter(ReadWholeFile(body), "Serial Number:"), "SN-CURL");
    EXPECT_EQ(Curl("admin:wrong", body), 401);
    EXPECT_EQ(CountEvents("auth ok"), 1);
    EXPECT_EQ(CountEvents("auth bad response"), 1);
    Stop();
  }
}

struct Challenge {
  std::string realm, nonce, qop, algorithm, opaque;
  bool stale = false;
};

// Asks without credentials; the 401's challenge.
Challenge Challenged(const std::string& response) {
  std::string value = HeaderValue(response, "WWW-Authenticate");
  Challenge c;
  c.realm = Directive(value, "realm");
  c.nonce = Directive(value, "nonce");
  c.qop = Directive(value, "qop");
  c.algorithm = Directive(value, "algorithm");
  c.opaque = Directive(value, "opaque");
  c.stale = value.find("stale=true") != std::string::npos;
  return c;
}

struct Answer {
  std::string user = "admin";
  std::string password = "PASS";
  std::string uri;              // the wizard's: empty
  unsigned nc = 1;              // the wizard's: nine hex digits
  std::string cnonce = "1a2b";  // the wizard's: 1 to 4 hex digits
  bool hexSessionKey = false;   // RFC 2617's md5-sess form
  std::string sentNc;           // when set, sent instead of the hashed nc
  std::string sentNonce;        // when set, sent instead of the hashed one
};

// The Authorization line exactly as the wizard writes it, with its choices:
// directives in a fixed order, no blanks, uri="" and algorithm echoed (empty
// when the challenge had none), qop echoed whole, md5-sess over the raw
// 16-byte HA1.
std::string WizardAuthorization(const Challenge& c, const Answer& a) {
  const std::string qop = c.qop == "<absent>" ? "" : c.qop;
  const std::string algorithm = c.algorithm == "<absent>" ? "" : c.algorithm;
  char nc[16];
  snprintf(nc, sizeof nc, "%09x", a.nc);
  std::string a1 = a.user + ":" + c.realm + ":" + a.password;
  std::string ha1 = Md5Hex(a1);
  if (strcasecmp(algorithm.c_str(), "md5-sess") == 0) {
    std::string key = a.hexSessionKey ? Md5Hex(a1) : Md5Raw(a1);
    ha1 = Md5Hex(key + ":" + c.nonce + ":" + a.cnonce);
  }
  std::string a2 = "GET:" + a.uri;
  if (strcasecmp(qop.c_str(), "auth-int") == 0) a2 += ":" + Md5Hex("");
  std::string ha2 = Md5Hex(a2);
  std::string response = qop.empty()
                             ? Md5Hex(ha1 + ":" + c.nonce + ":" + ha2)
                             : Md5Hex(ha1 + ":" + c.nonce + ":" + nc + ":" +
                                      a.cnonce + ":" + qop + ":" + ha2);
  std::string line = "Authorization: Digest username=\"" + a.user +
                     "\",realm=\"" + c.realm + "\",nonce=\"" +
                     (a.sentNonce.empty() ? c.nonce : a.sentNonce) +
                     "\",uri=\"" + a.uri + "\",algorithm=\"" + algorithm +
                     "\",response=\"" + response + "\"";
  if (c.opaque != "<absent>") line += ",opaque=\"" + c.opaque + "\"";
  if (!qop.empty())
    line += ",qop=" + qop + ",nc=" + (a.sentNc.empty() ? nc : a.sentNc) +
            ",cnonce=\"" + a.cnonce + "\"";
  return line + "\r\n";
}

TEST_F(SimDigestTest, AcceptsTheWizardsAuthorizationLine) {
  const struct {
    const char* qop;
    const char* algorithm;
    const char* opaque;
  } cases[] = {
      {"auth", "MD5", "none"},          {"auth-int", "MD5", "op-1"},
      {"auth,auth-int", "MD5", "none"}, {"auth", "MD5-sess", "op-2"},
      {"auth-int", "MD5-sess", "none"}, {"none", "MD5", "op-3"},
      {"none", "none", "none"},         {"auth", "none", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.qop) + " " + c.algorithm + " " + c.opaque);
    Start({"--password", "PASS", "--realm", "Home DUX", "--qop", c.qop,
           "--algorithm", c.algorithm, "--opaque", c.opaque});
    std::string first = HttpGet("/admin/advanced");
    ASSERT_EQ(StatusCode(first), 401) << first;
    Challenge ch = Challenged(first);
    EXPECT_EQ(ch.realm, "Home DUX");
    EXPECT_EQ(ch.qop, std::string(c.qop) == "none" ? "<absent>" : c.qop);
    EXPECT_EQ(ch.algorithm,
              std::string(c.algorithm) == "none" ? "<absent>" : c.algorithm);
    EXPECT_EQ(ch.opaque,
              std::string(c.opaque) == "none" ? "<absent>" : c.opaque);

    Answer wrong;
    wrong.password = "PASs";
    EXPECT_EQ(
        StatusCode(HttpGet("/admin/advanced", WizardAuthorization(ch, wrong))),
        401);
    Answer right;
    right.nc = 2;
    std::string page =
        HttpGet("/admin/advanced", WizardAuthorization(ch, right));
    EXPECT_EQ(StatusCode(page), 200) << page;
    EXPECT_EQ(FieldAfter(page, "Software Version:"), "7.1.4a");
    EXPECT_EQ(CountEvents("auth bad response"), 1);
    EXPECT_EQ(CountEvents("auth ok"), 1);
    Stop();
  }
}

TEST_F(SimDigestTest, RefusesAnswersThatDoNotFit) {
  Start({"--password", "PASS", "--qop", "auth", "--algorithm", "MD5-sess"});
  Challenge ch = Challenged(HttpGet("/admin/advanced"));
  Answer base;
  const struct {
    const char* name;
    Answer answer;
    int status;
    const char* event;
  } cases[] = {
      {"wrong password",
       [&] {
         Answer a = base;
         a.password = "pass";
         return a;
       }(),
       401, "auth bad response"},
      {"another user",
       [&] {
         Answer a = base;
         a.user = "root";
         return a;
       }(),
       401, "auth bad user"},
      {"uri neither empty nor the target",
       [&] {
         Answer a = base;
         a.uri = "/admin/other";
         return a;
       }(),
       401, "auth bad uri"},
      {"nc on the wire differs from the hashed one",
       [&] {
         Answer a = base;
         a.sentNc = "000000002";
         return a;
       }(),
       401, "auth bad response"},
      {"a nonce never issued",
       [&] {
         Answer a = base;
         a.sentNonce = "0123456789abcdef";
         return a;
       }(),
       401, "auth bad nonce"},
      {"the request target as uri",
       [&] {
         Answer a = base;
         a.uri = "/admin/advanced";
         return a;
       }(),
       200, "auth ok"},
      {"RFC 2617's hexadecimal session key",
       [&] {
         Answer a = base;
         a.hexSessionKey = true;
         return a;
       }(),
       200, "auth ok"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int before = CountEvents(c.event);
    EXPECT_EQ(StatusCode(HttpGet("/admin/advanced",
                                 WizardAuthorization(ch, c.answer))),
              c.status);
    EXPECT_EQ(CountEvents(c.event), before + 1);
  }
}

TEST_F(SimDigestTest, StaleNoncesAreRefusedWithAFreshOne) {
  // A new nonce after every answer: the old one is then stale.
  Start({"--password", "PASS", "--nonce-every", "1"});
  Challenge first = Challenged(HttpGet("/admin/advanced"));
  Answer a;
  EXPECT_EQ(
      StatusCode(HttpGet("/admin/advanced", WizardAuthorization(first, a))),
      200);
  a.nc = 2;
  std::string refused =
      HttpGet("/admin/advanced", WizardAuthorization(first, a));
  ASSERT_EQ(StatusCode(refused), 401);
  Challenge second = Challenged(refused);
  EXPECT_TRUE(second.stale);
  EXPECT_NE(second.nonce, first.nonce);
  a.nc = 1;
  EXPECT_EQ(
      StatusCode(HttpGet("/admin/advanced", WizardAuthorization(second, a))),
      200);
  EXPECT_EQ(CountEvents("auth bad stale"), 1);
  EXPECT_EQ(CountEvents("auth ok"), 2);

  // The first right answer under each nonce is refused as stale; the nonce
  // that replaces it is not.
  Start({"--password", "PASS", "--stale-nonce-first"});
  first = Challenged(HttpGet("/admin/advanced"));
  refused = HttpGet("/admin/advanced", WizardAuthorization(first, a));
  ASSERT_EQ(StatusCode(refused), 401);
  second = Challenged(refused);
  EXPECT_TRUE(second.stale);
  EXPECT_NE(second.nonce, first.nonce);
  EXPECT_EQ(
      StatusCode(HttpGet("/admin/advanced", WizardAuthorization(second, a))),
      200);
}

// --- TFTP client
// ----------------------------------------------------------------

struct Datagram {
  std::string bytes;
  sockaddr_in from{};
  uint16_t opcode() const {
    return bytes.size() < 2 ? 0
                            : static_cast<uint16_t>(
                                  (static_cast<unsigned char>(bytes[0]) << 8) |
                                  static_cast<unsigned char>(bytes[1]));
  }
  uint16_t number() const {
    return bytes.size() < 4 ? 0
                            : static_cast<uint16_t>(
                                  (static_cast<unsigned char>(bytes[2]) << 8) |
                                  static_cast<unsigned char>(bytes[3]));
  }
  // The NUL-separated texts after the opcode (name, mode, options).
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    size_t at = 2;
    while (at < bytes.size()) {
      size_t end = bytes.find('\0', at);
      if (end == std::string::npos) break;
      texts.push_back(bytes.substr(at, end - at));
      at = end + 1;
    }
    return texts;
  }
};

bool Receive(int fd, int timeoutMs, Datagram* d) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return false;
  char buffer[2048];
  socklen_t length = sizeof d->from;
  ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0,
                       reinterpret_cast<sockaddr*>(&d->from), &length);
  if (n < 0) return false;
  d->bytes.assign(buffer, static_cast<size_t>(n));
  return true;
}

std::string Head(uint16_t opcode, uint16_t number) {
  std::string p(4, '\0');
  p[0] = static_cast<char>(opcode >> 8);
  p[1] = static_cast<char>(opcode);
  p[2] = static_cast<char>(number >> 8);
  p[3] = static_cast<char>(number);
  return p;
}

bool SamePeer(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// The lockstep server: sends `packet` and waits for the ACK of `block` from
// `to`, repeating the packet up to five times. Another kind of datagram ends
// the wait and is handed back in `other`.
bool SendUntilAcked(int fd, const sockaddr_in& to, const std::string& packet,
                    uint16_t block, Datagram* other = nullptr) {
  for (int tries = 0; tries < 6; ++tries) {
    sendto(fd, packet.data(), packet.size(), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    Datagram d;
    for (int reads = 0; reads < 20 && Receive(fd, 700, &d); ++reads) {
      if (d.opcode() == 4 && SamePeer(d.from, to)) {
        if (d.number() == block) return true;
        continue;  // an older ACK
      }
      if (other) {
        *other = d;
        return false;
      }
    }
  }
  return false;
}

std::string OptionAck(size_t tsize) {
  std::string p = Head(6, 0).substr(0, 2);
  p += std::string("tsize") + '\0' + std::to_string(tsize) + '\0';
  p += std::string("timeout") + '\0' + "5" + '\0';
  return p;
}

std::string DataBlock(const std::string& image, uint16_t block) {
  size_t from = (block - 1) * 512u;
  return Head(3, block) + image.substr(from, 512);
}

// 1,024 bytes whose header carries a version text at offset 92.
std::string TestImage(const char* version) {
  std::string image(1024, '\0');
  for (size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<char>((i * 7 + 3) & 0xff);
  memset(&image[92], 0, 36);
  memcpy(&image[92], version, strlen(version));
  return image;
}

class SimTftpTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    server_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = Loopback(69);
    ASSERT_EQ(bind(server_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  }
  void TearDown() override {
    SimTest::TearDown();
    close(server_);
  }
  // Sends the upgrade request and waits for the device's read request.
  bool Trigger(const std::string& name, Datagram* rrq) {
    Datagram stale;  // left over from an earlier device
    for (int i = 0; i < 100 && Receive(server_, 0, &stale); ++i) {
    }
    std::string r = HttpGet("/admin/upgrade?tftp://127.0.0.1:69" + name);
    return StatusCode(r) == 200 && Receive(server_, 5000, rrq);
  }
  int server_ = -1;
};

TEST_F(SimTftpTest, ReadRequestCarriesTheNameModeAndOptions) {
  const struct {
    std::vector<std::string> options;
    std::vector<std::string> expected;  // name, mode, then option pairs
  } cases[] = {
      {{}, {"/dux1a2b.bi1", "octet", "tsize", "0"}},
      {{"--tftp-options", ""}, {"/dux1a2b.bi1", "octet"}},
      {{"--tftp-options", "tsize=0,timeout=5"},
       {"/dux1a2b.bi1", "octet", "tsize", "0", "timeout", "5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected.size());
    std::vector<std::string> options = {"--tftp-delay", "0"};
    options.insert(options.end(), c.options.begin(), c.options.end());
    Start(options);
    Datagram rrq;
    ASSERT_TRUE(Trigger("/dux1a2b.bi1", &rrq)) << Log();
    EXPECT_EQ(rrq.opcode(), 1);
    EXPECT_EQ(rrq.Texts(), c.expected);
    EXPECT_EQ(rrq.bytes.back(), '\0');
    EXPECT_NE(ntohs(rrq.from.sin_port), 69);  // from an ephemeral port
    EXPECT_EQ(CountEvents("upgrade 127.0.0.1:69/dux1a2b.bi1"), 1);
    EXPECT_EQ(CountEvents("rrq /dux1a2b.bi1"), 1);
    Stop();
  }
}

// A whole download: option acknowledgement, blocks of 512, 512 and 0 bytes,
// block 2 sent twice; then the flash and the new version on the page. An
// image of another size than announced is not flashed.
TEST_F(SimTftpTest, DownloadsSavesAndFlashesTheImage) {
  const std::string image = TestImage("9.9.9z");
  const struct {
    size_t announced;
    const char* verdict;
    const char* versionAfter;
  } cases[] = {{1024, "ok", "9.9.9z"}, {1000, "size-mismatch", "7.1.4a"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verdict);
    remove(save_.c_str());
    Start({"--tftp-delay", "0", "--flash-time", "100"});
    Datagram rrq;
    ASSERT_TRUE(Trigger("/dux77.bi1", &rrq)) << Log();
    const sockaddr_in device = rrq.from;
    ASSERT_TRUE(SendUntilAcked(server_, device, OptionAck(c.announced), 0));
    ASSERT_TRUE(SendUntilAcked(server_, device, DataBlock(image, 1), 1));
    ASSERT_TRUE(SendUntilAcked(server_, device, DataBlock(image, 2), 2));
    ASSERT_TRUE(SendUntilAcked(server_, device, DataBlock(image, 2), 2));
    ASSERT_TRUE(SendUntilAcked(server_, device, Head(3, 3), 3));

    std::string done = "done 1024 " + std::string(c.verdict);
    ASSERT_TRUE(WaitForEvent("saved " + save_)) << Log();
    EXPECT_EQ(CountEvents("oack tsize=" + std::to_string(c.announced)), 1);
    EXPECT_EQ(CountEvents(done), 1);
    EXPECT_EQ(CountEvents("saved " + save_ + ".1"), 1);
    EXPECT_EQ(ReadWholeFile(save_), image);
    EXPECT_EQ(ReadWholeFile(save_ + ".1"), image);
    if (std::string(c.verdict) == "ok") {
      ASSERT_TRUE(WaitForEvent("up")) << Log();
      EXPECT_EQ(CountEvents("flash 100"), 1);
    }
    EXPECT_EQ(FieldAfter(HttpGet("/admin/advanced"), "Software Version:"),
              c.versionAfter);
    Stop();
  }
}

// --restart-at: after block 2 arrives, the device drops the transfer and asks
// again for the same name from a new port, and takes the whole image there.
TEST_F(SimTftpTest, RestartAsksAgainFromANewPort) {
  const std::string image = TestImage("5.0.1t");
  Start({"--tftp-delay", "0", "--flash-time", "100", "--restart-at", "2"});
  Datagram rrq;
  ASSERT_TRUE(Trigger("/dux9.bi0", &rrq)) << Log();
  ASSERT_TRUE(SendUntilAcked(server_, rrq.from, OptionAck(1024), 0));
  ASSERT_TRUE(SendUntilAcked(server_, rrq.from, DataBlock(image, 1), 1));
  Datagram again;
  EXPECT_FALSE(
      SendUntilAcked(server_, rrq.from, DataBlock(image, 2), 2, &again));
  ASSERT_EQ(again.opcode(), 1);
  EXPECT_EQ(again.Texts(), rrq.Texts());
  EXPECT_NE(again.from.sin_port, rrq.from.sin_port);

  ASSERT_TRUE(SendUntilAcked(server_, again.from, OptionAck(1024), 0));
  for (uint16_t block = 1; block <= 2; ++block)
    ASSERT_TRUE(
        SendUntilAcked(server_, again.from, DataBlock(image, block), block));
  ASSERT_TRUE(SendUntilAcked(server_, again.from, Head(3, 3), 3));
  ASSERT_TRUE(WaitForEvent("saved " + save_)) << Log();
  EXPECT_EQ(ReadWholeFile(save_), image);
  EXPECT_EQ(CountEvents("rrq /dux9.bi0"), 2);
  EXPECT_EQ(CountEvents("done 1024 ok"), 1);
}

}  // namespace
