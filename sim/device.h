// What the web server and the TFTP client of the simulated device share:
// the queue of upgrade requests, the reported software version and the
// flash phase during which the web server is down.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "options.h"

namespace duxsim {

using Clock = std::chrono::steady_clock;

struct UpgradeJob {
  uint32_t address = 0;  // host byte order
  uint16_t port = 0;
  std::string name;  // with its leading "/"
};

struct Device {
  Options options;

  std::mutex mutex;
  std::deque<UpgradeJob> jobs;
  std::string softwareVersion;
  // Flash phase: set by the TFTP side after a good transfer, carried out by
  // the web server (which closes and later reopens its listening socket).
  bool flashPending = false;
  std::string flashVersion;  // reported once the flash has ended
  int upgradesCompleted = 0;

  // Written to wake the web server's poll (flash start, stop request).
  int wakeWrite = -1;
  int wakeRead = -1;
};

// Set by SIGTERM/SIGINT or by --exit-after; every loop polls it.
extern std::atomic<bool> gStopping;

// Sets gStopping and wakes the web server.
void RequestStop(Device* device);
// Sleeps up to `ms` in short steps; false when a stop was requested.
bool SleepUnlessStopping(int ms);

void QueueUpgrade(Device* device, const UpgradeJob& job);
// Waits for the next queued upgrade; false when stopping.
bool NextUpgrade(Device* device, UpgradeJob* job);
// Starts the flash phase for a received image.
void StartFlash(Device* device, const std::string& image);

// The version text of an image: bytes from offset 92 up to a NUL within the
// first 128 bytes. False when the image is too short or has no NUL there.
bool ImageVersion(const std::string& image, std::string* version);

}  // namespace duxsim
