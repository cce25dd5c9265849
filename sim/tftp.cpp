#include "tftp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "log.h"

namespace duxsim {

namespace {

constexpr uint16_t kOpRrq = 1;
constexpr uint16_t kOpData = 3;
constexpr uint16_t kOpAck = 4;
constexpr uint16_t kOpError = 5;
constexpr uint16_t kOpOack = 6;
constexpr size_t kBlockSize = 512;
constexpr size_t kMaxImage = 65535 * kBlockSize;
constexpr auto kResendAfter = std::chrono::milliseconds(1000);
constexpr auto kGiveUpAfter = std::chrono::milliseconds(10000);
constexpr auto kDallyQuiet = std::chrono::milliseconds(1000);
constexpr int kRestartPauseMs = 1000;

std::string Packet16(uint16_t opcode, uint16_t number) {
  std::string p(4, '\0');
  p[0] = static_cast<char>(opcode >> 8);
  p[1] = static_cast<char>(opcode & 255);
  p[2] = static_cast<char>(number >> 8);
  p[3] = static_cast<char>(number & 255);
  return p;
}

uint16_t Get16(const unsigned char* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

std::string Describe(const sockaddr_in& a) {
  char text[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}

bool SameEnd(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// Flips the letter case of the name: the listener must not take it.
std::string WrongName(const std::string& name) {
  std::string wrong = name;
  bool changed = false;
  for (char& c : wrong) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
      changed = true;
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
      changed = true;
    }
  }
  if (!changed) wrong += "X";
  return wrong;
}

int OpenSocket(const std::string& address) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = 0;
  inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

enum class Outcome { kComplete, kRestart, kFailed, kStopped };

class Transfer {
 public:
  Transfer(Device* device, std::mt19937* random, const UpgradeJob& job)
      : device_(device), options_(device->options), random_(random) {
    listener_.sin_family = AF_INET;
    listener_.sin_port = htons(job.port);
    listener_.sin_addr.s_addr = htonl(job.address);
    name_ = job.name;
  }
  ~Transfer() { CloseSockets(); }

  // One attempt: the read request and the transfer that follows it.
  Outcome Run(bool firstAttempt, bool mayRestart);
  // After the last block: answers repeats of it until the server is quiet.
  void Dally();

  const std::string& image() const { return image_; }
  bool haveTsize() const { return haveTsize_; }
  unsigned long long tsize() const { return tsize_; }

 private:
  bool Chance(double p) {
    if (p <= 0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(*random_) < p;
  }
  void SendTo(int fd, const std::string& packet, const sockaddr_in& to) {
    sendto(fd, packet.data(), packet.size(), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    lastSent_ = Clock::now();
  }
  void SendReadRequest(const std::string& name);
  void SendAck(uint16_t block);
  void Resend();
  void CloseSockets();
  // Handles one datagram from the server; kComplete when the last block has
  // just arrived, kRestart for the simulated restart, kFailed on an ERROR.
  bool Receive(Outcome* outcome);

  Device* device_;
  const Options& options_;
  std::mt19937* random_;
  sockaddr_in listener_{};
  std::string name_;

  int socket_ = -1;
  int foreign_ = -1;
  sockaddr_in server_{};  // the server's transfer end, once heard
  bool haveServer_ = false;
  std::string last_;  // the last packet, for a resend after silence
  sockaddr_in lastTo_{};
  std::string held_;  // an ACK held back to go after the next one
  Clock::time_point lastHeard_;
  Clock::time_point lastSent_;

  std::string image_;
  long blocks_ = 0;  // DATA blocks taken so far
  uint16_t lastBlock_ = 0;
  bool finished_ = false;
  bool stopped_ = false;  // --stop-after reached
  bool mayRestart_ = false;
  bool oackSeen_ = false;
  bool haveTsize_ = false;
  unsigned long long tsize_ = 0;
};

void Transfer::CloseSockets() {
  if (socket_ >= 0) close(socket_);
  if (foreign_ >= 0) close(foreign_);
  socket_ = foreign_ = -1;
}

void Transfer::SendReadRequest(const std::string& name) {
  std::string p = Packet16(kOpRrq, 0).substr(0, 2);
  p += name;
  p += '\0';
  p += "octet";
  p += '\0';
  for (const auto& option : options_.tftpOptions) {
    p += option.first;
    p += '\0';
    p += option.second;
    p += '\0';
  }
  Event("rrq %s", name.c_str());
  SendTo(socket_, p, listener_);
  last_ = p;
  lastTo_ = listener_;
  Log("read request for %s to %s", name.c_str(), Describe(listener_).c_str());
}

void Transfer::SendAck(uint16_t block) {
  std::string p = Packet16(kOpAck, block);
  last_ = p;
  lastTo_ = server_;
  if (Chance(options_.lossAck)) {
    lastSent_ = Clock::now();
    return;  // lost on the way
  }
  if (held_.empty() && Chance(options_.reorder)) {
    held_ = p;
    lastSent_ = Clock::now();
    return;
  }
  SendTo(socket_, p, server_);
  if (!held_.empty()) {
    SendTo(socket_, held_, server_);
    held_.clear();
  }
  if (Chance(options_.dupAck)) SendTo(socket_, p, server_);
  if (Chance(options_.foreignAck)) {
    if (foreign_ < 0) foreign_ = OpenSocket(options_.address);
    if (foreign_ >= 0) SendTo(foreign_, p, server_);
  }
}

void Transfer::Resend() {
  if (stopped_ || last_.empty()) {
    lastSent_ = Clock::now();
    return;
  }
  SendTo(socket_, last_, lastTo_);
  if (!held_.empty()) {
    SendTo(socket_, held_, lastTo_);
    held_.clear();
  }
}

bool Transfer::Receive(Outcome* outcome) {
  unsigned char buffer[1024];
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  ssize_t n = recvfrom(socket_, buffer, sizeof buffer, 0,
                       reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (n < 4) return false;
  if (!haveServer_) {
    // The first answer names the server's transfer end; it must come from
    // the address that the upgrade request named.
    if (from.sin_addr.s_addr != listener_.sin_addr.s_addr) {
      Log("dropped a datagram from %s", Describe(from).c_str());
      return false;
    }
    server_ = from;
    haveServer_ = true;
  } else if (!SameEnd(from, server_)) {
    Log("dropped a datagram from the unknown end %s", Describe(from).c_str());
    return false;
  }
  uint16_t opcode = Get16(buffer);
  if (opcode == kOpData && Chance(options_.lossData)) return false;
  lastHeard_ = Clock::now();
  if (stopped_) return false;

  if (opcode == kOpOack) {
    if (blocks_ > 0) return false;  // too late for options
    if (!oackSeen_) {
      oackSeen_ = true;
      // name NUL value NUL pairs
      size_t i = 2;
      while (i < static_cast<size_t>(n)) {
        const char* name = reinterpret_cast<const char*>(buffer + i);
        size_t nameLength = strnlen(name, static_cast<size_t>(n) - i);
        size_t v = i + nameLength + 1;
        if (v >= static_cast<size_t>(n)) break;
        const char* value = reinterpret_cast<const char*>(buffer + v);
        size_t valueLength = strnlen(value, static_cast<size_t>(n) - v);
        if (strncasecmp(name, "tsize", nameLength) == 0 && nameLength == 5) {
          char* end = nullptr;
          std::string text(value, valueLength);
          unsigned long long size = strtoull(text.c_str(), &end, 10);
          if (!text.empty() && *end == '\0') {
            haveTsize_ = true;
            tsize_ = size;
          }
        }
        i = v + valueLength + 1;
      }
      if (haveTsize_) {
        Event("oack tsize=%llu", tsize_);
      } else {
        Event("oack tsize=none");
        Log("the option acknowledgement carries no tsize");
      }
    }
    if (options_.noOackAck) return false;
    SendAck(0);
    if (options_.stopAfter == 0) stopped_ = true;
    return false;
  }
  if (opcode == kOpData) {
    uint16_t block = Get16(buffer + 2);
    size_t size = static_cast<size_t>(n) - 4;
    if (size > kBlockSize) return false;
    if (blocks_ > 0 && block == lastBlock_) {
      SendAck(block);  // a repeat: acknowledged again, not appended
      return false;
    }
    if (finished_ || block != static_cast<uint16_t>(lastBlock_ + 1))
      return false;
    long number = blocks_ + 1;
    if (mayRestart_ && number == options_.restartAt) {
      Log("restarting after block %ld", number);
      *outcome = Outcome::kRestart;
      return true;
    }
    if (image_.size() + size > kMaxImage) {
      Log("image larger than %zu bytes", kMaxImage);
      *outcome = Outcome::kFailed;
      return true;
    }
    image_.append(reinterpret_cast<const char*>(buffer + 4), size);
    blocks_ = number;
    lastBlock_ = block;
    SendAck(block);
    if (options_.stopAfter >= 0 && number >= options_.stopAfter) {
      stopped_ = true;
      Log("stopped acknowledging after block %ld", number);
    }
    if (size < kBlockSize) {
      finished_ = true;
      *outcome = Outcome::kComplete;
      return true;
    }
    return false;
  }
  if (opcode == kOpError) {
    std::string message(reinterpret_cast<const char*>(buffer + 4),
                        strnlen(reinterpret_cast<const char*>(buffer + 4),
                                static_cast<size_t>(n) - 4));
    Log("the server sent ERROR %u: %s", Get16(buffer + 2), message.c_str());
    *outcome = Outcome::kFailed;
    return true;
  }
  Log("ignored a datagram with opcode %u", opcode);
  return false;
}

Outcome Transfer::Run(bool firstAttempt, bool mayRestart) {
  // The new socket is opened before the old one is closed, so that a
  // restarted transfer comes from another port.
  int fresh = OpenSocket(options_.address);
  CloseSockets();
  socket_ = fresh;
  if (socket_ < 0) {
    Log("cannot open a UDP socket on %s: %s", options_.address.c_str(),
        strerror(errno));
    return Outcome::kFailed;
  }
  mayRestart_ = mayRestart;
  haveServer_ = false;
  held_.clear();
  image_.clear();
  blocks_ = 0;
  lastBlock_ = 0;
  finished_ = stopped_ = oackSeen_ = haveTsize_ = false;

  if (firstAttempt && options_.wrongNameFirst) {
    SendReadRequest(WrongName(name_));
    // Nobody should answer it; whatever comes is dropped.
    auto end = Clock::now() + kResendAfter;
    while (!gStopping && Clock::now() < end) {
      pollfd p{socket_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0) {
        char drain[1024];
        recv(socket_, drain, sizeof drain, 0);
      }
    }
  }
  SendReadRequest(name_);
  if (firstAttempt && options_.sendError) {
    std::string error = Packet16(kOpError, 0) + "simulated error";
    error += '\0';
    SendTo(socket_, error, listener_);
    Log("sent an ERROR packet to %s", Describe(listener_).c_str());
  }
  lastHeard_ = Clock::now();
  while (!gStopping) {
    pollfd p{socket_, POLLIN, 0};
    if (poll(&p, 1, 20) > 0) {
      Outcome outcome = Outcome::kFailed;
      if (Receive(&outcome)) return outcome;
      continue;
    }
    auto now = Clock::now();
    if (now - lastHeard_ >= kGiveUpAfter) {
      Event("timeout");
      Log("no answer for 10 s; giving up %s", name_.c_str());
      return Outcome::kFailed;
    }
    if (now - lastHeard_ >= kResendAfter && now - lastSent_ >= kResendAfter)
      Resend();
  }
  return Outcome::kStopped;
}

void Transfer::Dally() {
  auto start = Clock::now();
  lastHeard_ = start;
  while (!gStopping && Clock::now() - start < kGiveUpAfter &&
         Clock::now() - lastHeard_ < kDallyQuiet) {
    {
      std::lock_guard<std::mutex> lock(device_->mutex);
      if (!device_->jobs.empty()) return;
    }
    pollfd p{socket_, POLLIN, 0};
    if (poll(&p, 1, 20) > 0) {
      Outcome ignored;
      Receive(&ignored);
    }
  }
}

void SaveImage(const std::string& path, const std::string& image) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    Log("cannot write %s", path.c_str());
    return;
  }
  Event("saved %s", path.c_str());
}

void ServeUpgrade(Device* device, std::mt19937* random, const UpgradeJob& job,
                  int* imagesReceived) {
  const Options& options = device->options;
  if (!SleepUnlessStopping(options.tftpDelayMs)) return;
  Transfer transfer(device, random, job);
  bool first = true;
  bool mayRestart = options.restartAt >= 1;
  Outcome outcome;
  for (;;) {
    outcome = transfer.Run(first, mayRestart);
    if (outcome != Outcome::kRestart) break;
    first = false;
    mayRestart = false;
    if (!SleepUnlessStopping(kRestartPauseMs)) return;
  }
  if (outcome != Outcome::kComplete) return;

  const std::string& image = transfer.image();
  bool sizeOk = !transfer.haveTsize() || transfer.tsize() == image.size();
  Event("done %zu %s", image.size(), sizeOk ? "ok" : "size-mismatch");
  Log("received %s: %zu bytes%s", job.name.c_str(), image.size(),
      sizeOk ? "" : " (not the announced size)");
  ++*imagesReceived;
  if (!options.savePath.empty()) {
    SaveImage(options.savePath + "." + std::to_string(*imagesReceived), image);
    SaveImage(options.savePath, image);
  }
  if (sizeOk)
    StartFlash(device, image);
  else
    Log("image rejected; nothing written to the flash");
  transfer.Dally();
}

}  // namespace

int FetchOnce(Device* device, const UpgradeJob& job) {
  std::mt19937 random(device->options.seed);
  Transfer transfer(device, &random, job);
  if (transfer.Run(true, false) != Outcome::kComplete) return 1;
  const std::string& image = transfer.image();
  bool sizeOk = !transfer.haveTsize() || transfer.tsize() == image.size();
  Event("done %zu %s", image.size(), sizeOk ? "ok" : "size-mismatch");
  if (!device->options.savePath.empty())
    SaveImage(device->options.savePath, image);
  return sizeOk ? 0 : 1;
}

void RunTftpClient(Device* device) {
  std::mt19937 random(device->options.seed);
  int imagesReceived = 0;
  UpgradeJob job;
  while (NextUpgrade(device, &job)) {
    Log("serving upgrade %s", job.name.c_str());
    ServeUpgrade(device, &random, job, &imagesReceived);
  }
}

}  // namespace duxsim
