#include "web.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <random>

#include "digest.h"
#include "log.h"

namespace duxsim {

namespace {

constexpr size_t kMaxHead = 16384;
constexpr int kHeadTimeoutMs = 3000;
constexpr size_t kRetiredNonces = 16;

struct Response {
  int status = 200;
  std::string reason;  // why, for the log
  std::string body;
  std::string authenticate;  // WWW-Authenticate value for a 401
};

const char* StatusText(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    default:
      return "Error";
  }
}

std::string SmallPage(const std::string& title) {
  return "<html><head><title>" + title + "</title></head><body><h1>" + title +
         "</h1></body></html>\n";
}

// Parses a decimal number without sign or leading zeros, at most `digits`
// long, no greater than `high`.
bool ParseNumber(const std::string& s, size_t* i, size_t digits, long high,
                 long* out) {
  size_t start = *i;
  while (*i < s.size() && s[*i] >= '0' && s[*i] <= '9' && *i - start < digits)
    ++*i;
  size_t n = *i - start;
  if (n == 0) return false;
  if (*i < s.size() && s[*i] >= '0' && s[*i] <= '9') return false;  // longer
  if (n > 1 && s[start] == '0') return false;
  *out = std::strtol(s.substr(start, n).c_str(), nullptr, 10);
  return *out <= high;
}

class WebServer {
 public:
  explicit WebServer(Device* device)
      : device_(device),
        options_(device->options),
        random_(options_.seed ^ 0x5eed0fd1u) {
    config_.user = options_.user;
    config_.password = options_.password;
    config_.realm = options_.realm;
    config_.qop = options_.qop;
    config_.algorithm = options_.algorithm;
    config_.opaque = options_.opaque;
    NewNonce(true);
  }

  int Run();

 private:
  bool OpenListener();
  void CloseListener();
  void HandleConnection(int fd);
  Response Answer(const std::string& method, const std::string& target,
                  const std::string& head);
  bool Authorize(const std::string& method, const std::string& target,
                 const std::string& head, Response* refusal);
  Response Unauthorized(const std::string& reason, bool stale);
  Response StatusPage();
  Response Upgrade(const std::string& target);
  void NewNonce(bool refuseFirst);
  void UpdateFlash();

  Device* device_;
  const Options& options_;
  DigestConfig config_;
  std::mt19937_64 random_;
  int listenFd_ = -1;
  bool listenFailed_ = false;

  // Digest nonces.
  std::string nonce_;
  bool refuseFirst_ = false;  // under --stale-nonce-first
  int authorizationsUnderNonce_ = 0;
  std::deque<std::string> retired_;
  unsigned nonceSerial_ = 0;

  // Flash phase.
  bool flashing_ = false;
  bool silent_ = false;
  int flashesInProgress_ = 0;
  Clock::time_point flashEnd_;
};

bool WebServer::OpenListener() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(options_.httpPort));
  inet_pton(AF_INET, options_.address.c_str(), &a.sin_addr);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      listen(fd, 16) != 0) {
    if (!listenFailed_)
      Log("cannot listen on %s:%d: %s", options_.address.c_str(),
          options_.httpPort, strerror(errno));
    listenFailed_ = true;
    close(fd);
    return false;
  }
  listenFailed_ = false;
  listenFd_ = fd;
  return true;
}

void WebServer::CloseListener() {
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
}

void WebServer::NewNonce(bool refuseFirst) {
  if (!nonce_.empty()) {
    retired_.push_back(nonce_);
    if (retired_.size() > kRetiredNonces) retired_.pop_front();
  }
  char text[40];
  snprintf(text, sizeof text, "%08x%016llx", ++nonceSerial_,
           static_cast<unsigned long long>(random_()));
  nonce_ = text;
  refuseFirst_ = refuseFirst;
  authorizationsUnderNonce_ = 0;
}

Response WebServer::Unauthorized(const std::string& reason, bool stale) {
  Response r;
  r.status = 401;
  r.reason = reason;
  r.body = SmallPage("401 Unauthorized");
  r.authenticate =
      "Digest realm=\"" + options_.realm + "\", nonce=\"" + nonce_ + "\"";
  if (!options_.qop.empty()) r.authenticate += ", qop=\"" + options_.qop + "\"";
  if (!options_.algorithm.empty())
    r.authenticate += ", algorithm=\"" + options_.algorithm + "\"";
  if (!options_.opaque.empty())
    r.authenticate += ", opaque=\"" + options_.opaque + "\"";
  if (stale) r.authenticate += ", stale=true";
  return r;
}

// Finds a header line by name (letter case ignored); false when absent.
bool FindHeader(const std::string& head, const char* name, std::string* value) {
  size_t length = strlen(name);
  size_t pos = head.find('\n');
  while (pos != std::string::npos && pos + 1 < head.size()) {
    size_t start = pos + 1;
    size_t end = head.find('\n', start);
    std::string line = head.substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > length && line[length] == ':' &&
        strncasecmp(line.c_str(), name, length) == 0) {
      size_t v = length + 1;
      while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
      *value = line.substr(v);
      return true;
    }
    pos = end;
  }
  return false;
}

bool WebServer::Authorize(const std::string& method, const std::string& target,
                          const std::string& head, Response* refusal) {
  if (!options_.protect) return true;
  std::string value;
  if (!FindHeader(head, "Authorization", &value)) {
    *refusal = Unauthorized("no Authorization", false);
    return false;
  }
  std::map<std::string, std::string> params;
  if (!ParseDigestAuthorization(value, &params)) {
    Event("auth bad syntax");
    *refusal = Unauthorized("unreadable Authorization", false);
    return false;
  }
  std::string verdict = CheckDigestAnswer(params, config_, method, target);
  const std::string named = params.count("nonce") ? params["nonce"] : "";
  if (named != nonce_) {
    bool old =
        std::find(retired_.begin(), retired_.end(), named) != retired_.end();
    if (old && verdict.empty()) {
      Event("auth bad stale");
      *refusal = Unauthorized("stale nonce", true);
    } else {
      std::string reason = old ? verdict : std::string("nonce");
      Event("auth bad %s", reason.c_str());
      *refusal = Unauthorized("bad " + reason, false);
    }
    return false;
  }

  ++authorizationsUnderNonce_;
  if (options_.staleNonceFirst && refuseFirst_ &&
      authorizationsUnderNonce_ == 1) {
    // The replacement nonce is not refused again, or no client could ever
    // get in.
    NewNonce(false);
    std::string reason = verdict.empty() ? std::string("stale") : verdict;
    Event("auth bad %s", reason.c_str());
    *refusal = Unauthorized(
        verdict.empty() ? "first answer under a nonce" : "bad " + verdict,
        verdict.empty());
    return false;
  }
  const bool rotate = options_.nonceEvery > 0 &&
                      authorizationsUnderNonce_ >= options_.nonceEvery;
  if (rotate) NewNonce(true);
  if (!verdict.empty()) {
    Event("auth bad %s", verdict.c_str());
    *refusal = Unauthorized("bad " + verdict, false);
    return false;
  }
  Event("auth ok");
  return true;
}

Response WebServer::StatusPage() {
  std::string version;
  {
    std::lock_guard<std::mutex> lock(device_->mutex);
    version = device_->softwareVersion;
  }
  const std::pair<const char*, std::string> rows[] = {
      {"Product Name:", options_.product},
      {"MAC Address:", options_.mac},
      {"Software Version:", version},
      {"Hardware Version:", options_.hardwareVersion},
      {"Serial Number:", options_.serial},
  };
  Response r;
  r.body =
      "<html>\n<head><title>DUX Advanced Status</title></head>\n<body>\n"
      "<h1>Advanced Status</h1>\n<table border=\"1\">\n";
  for (const auto& row : rows) {
    r.body += "<tr><td>";
    r.body += row.first;
    r.body += "</td><td><b>" + row.second + "</b></td></tr>\n";
  }
  r.body += "</table>\n</body>\n</html>\n";
  return r;
}

Response WebServer::Upgrade(const std::string& target) {
  Response r;
  UpgradeJob job;
  std::string problem = target.size() > 15 && target[14] == '?'
                            ? ParseUpgradeQuery(target.substr(15), &job)
                            : std::string("no query");
  if (!problem.empty()) {
    r.status = 400;
    r.reason = "bad upgrade URL: " + problem;
    r.body = SmallPage("400 Bad Request");
    return r;
  }
  Event("upgrade %u.%u.%u.%u:%u%s", job.address >> 24,
        (job.address >> 16) & 255, (job.address >> 8) & 255, job.address & 255,
        job.port, job.name.c_str());
  QueueUpgrade(device_, job);
  r.reason = "firmware download queued";
  r.body = SmallPage("Upgrade Started");
  return r;
}

Response WebServer::Answer(const std::string& method, const std::string& target,
                           const std::string& head) {
  Response refusal;
  if (method != "GET") {
    Response r;
    r.status = 405;
    r.body = SmallPage("405 Method Not Allowed");
    return r;
  }
  if (!Authorize(method, target, head, &refusal)) return refusal;
  if (target == "/admin/advanced") return StatusPage();
  if (target.compare(0, 14, "/admin/upgrade") == 0 &&
      (target.size() == 14 || target[14] == '?'))
    return Upgrade(target);
  Response r;
  r.status = 404;
  r.body = SmallPage("404 Not Found");
  return r;
}

void SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// Reads until the empty line that ends the head (or the limits).
std::string ReadHead(int fd, bool* complete) {
  std::string head;
  *complete = false;
  auto end = Clock::now() + std::chrono::milliseconds(kHeadTimeoutMs);
  while (head.size() < kMaxHead && !gStopping) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - Clock::now())
                    .count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(std::min<long long>(left, 100))) <= 0)
      continue;
    char buffer[2048];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
    size_t stop = head.find("\r\n\r\n");
    if (stop == std::string::npos) stop = head.find("\n\n");
    if (stop != std::string::npos) {
      head.resize(stop + 1);  // keep the last line's break; drop any body
      *complete = true;
      break;
    }
  }
  return head;
}

void WebServer::HandleConnection(int fd) {
  bool complete = false;
  std::string head = ReadHead(fd, &complete);
  if (head.empty()) {
    close(fd);  // a probe: connected and closed without a request
    return;
  }
  std::string method, target, version;
  Response r;
  size_t lineEnd = head.find_first_of("\r\n");
  std::string line = head.substr(0, lineEnd);
  size_t s1 = line.find(' ');
  size_t s2 = s1 == std::string::npos ? s1 : line.find(' ', s1 + 1);
  if (complete && s2 != std::string::npos) {
    method = line.substr(0, s1);
    target = line.substr(s1 + 1, s2 - s1 - 1);
    version = line.substr(s2 + 1);
  }
  if (method.empty() || target.empty() || version.compare(0, 5, "HTTP/") != 0) {
    r.status = 400;
    r.reason = complete ? "malformed request line" : "incomplete request head";
    r.body = SmallPage("400 Bad Request");
    if (method.empty()) method = "?";
    if (target.empty()) target = "?";
  } else {
    r = Answer(method, target, head);
  }

  std::string out = "HTTP/1.1 " + std::to_string(r.status) + " " +
                    StatusText(r.status) + "\r\n";
  out += "Server: DUX\r\n";
  if (!r.authenticate.empty())
    out += "WWW-Authenticate: " + r.authenticate + "\r\n";
  if (r.status == 405) out += "Allow: GET\r\n";
  out += "Content-Type: text/html\r\n";
  out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
  out += "Connection: close\r\n\r\n";
  out += r.body;
  SendAll(fd, out);

  Event("http %s %s %d", method.c_str(), target.c_str(), r.status);
  if (r.reason.empty())
    Log("%s %s -> %d", method.c_str(), target.c_str(), r.status);
  else
    Log("%s %s -> %d (%s)", method.c_str(), target.c_str(), r.status,
        r.reason.c_str());

  // Close gracefully: the client reads until the close, so let it see the
  // end of the response before any unread bytes could turn it into a reset.
  shutdown(fd, SHUT_WR);
  auto end = Clock::now() + std::chrono::milliseconds(500);
  while (Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[2048];
    if (recv(fd, buffer, sizeof buffer, 0) <= 0) break;
  }
  close(fd);
}

void WebServer::UpdateFlash() {
  bool start = false;
  {
    std::lock_guard<std::mutex> lock(device_->mutex);
    if (device_->flashPending) {
      device_->flashPending = false;
      start = true;
    }
  }
  if (start) {
    ++flashesInProgress_;
    flashing_ = true;
    flashEnd_ = Clock::now() + std::chrono::milliseconds(options_.flashTimeMs);
    CloseListener();
    Event("flash %d", options_.flashTimeMs);
    Log("writing the flash: web server down for %d ms", options_.flashTimeMs);
  }
  if (!flashing_ || Clock::now() < flashEnd_) return;

  flashing_ = false;
  int completed = 0;
  {
    std::lock_guard<std::mutex> lock(device_->mutex);
    device_->softwareVersion = device_->flashVersion;
    device_->upgradesCompleted += flashesInProgress_;
    completed = device_->upgradesCompleted;
  }
  flashesInProgress_ = 0;
  if (options_.silentAfterFlash) {
    silent_ = true;
    Log("flash written; the web server stays silent");
  } else {
    OpenListener();
    Event("up");
    Log("flash written; web server up, software version now \"%s\"",
        device_->flashVersion.c_str());
  }
  if (options_.exitAfter > 0 && completed >= options_.exitAfter) {
    Log("%d upgrade(s) completed; exiting", completed);
    RequestStop(device_);
  }
}

int WebServer::Run() {
  if (!OpenListener()) return 1;
  Log("web server on %s:%d", options_.address.c_str(), options_.httpPort);
  while (!gStopping) {
    int timeout = 100;
    if (flashing_) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      flashEnd_ - Clock::now())
                      .count();
      timeout = static_cast<int>(std::clamp<long long>(left, 0, 100));
    }
    pollfd p[2] = {{device_->wakeRead, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    int count = listenFd_ >= 0 ? 2 : 1;
    int ready = poll(p, static_cast<nfds_t>(count), timeout);
    if (ready > 0 && (p[0].revents & POLLIN)) {
      char drain[64];
      ssize_t ignored = read(device_->wakeRead, drain, sizeof drain);
      (void)ignored;
    }
    UpdateFlash();
    if (gStopping) break;
    // Retry a listening socket that could not be reopened after the flash.
    if (listenFd_ < 0 && !flashing_ && !silent_) {
      if (OpenListener()) Event("up");
      continue;
    }
    if (count == 2 && ready > 0 && (p[1].revents & POLLIN) && listenFd_ >= 0) {
      int fd = accept(listenFd_, nullptr, nullptr);
      if (fd >= 0) HandleConnection(fd);
    }
  }
  CloseListener();
  return 0;
}

}  // namespace

std::string ParseUpgradeQuery(const std::string& query, UpgradeJob* job) {
  const std::string scheme = "tftp://";
  if (query.compare(0, scheme.size(), scheme) != 0) return "not tftp://";
  size_t i = scheme.size();
  uint32_t address = 0;
  for (int part = 0; part < 4; ++part) {
    long n = 0;
    if (!ParseNumber(query, &i, 3, 255, &n)) return "bad address";
    address = (address << 8) | static_cast<uint32_t>(n);
    char separator = part < 3 ? '.' : ':';
    if (i >= query.size() || query[i] != separator)
      return part < 3 ? "bad address" : "no port";
    ++i;
  }
  long port = 0;
  if (!ParseNumber(query, &i, 5, 65535, &port) || port < 1) return "bad port";
  std::string name = query.substr(i);
  if (name.size() < 2 || name[0] != '/') return "no file name";
  if (name.size() > 200) return "file name too long";
  for (unsigned char c : name)
    if (c <= 0x20 || c >= 0x7f) return "bad character in the file name";
  job->address = address;
  job->port = static_cast<uint16_t>(port);
  job->name = name;
  return "";
}

int RunWebServer(Device* device) {
  WebServer server(device);
  return server.Run();
}

}  // namespace duxsim
