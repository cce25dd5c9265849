#include "device.h"

#include <unistd.h>

#include <algorithm>
#include <thread>

#include "log.h"

namespace duxsim {

std::atomic<bool> gStopping{false};

namespace {
constexpr size_t kVersionOffset = 92;
constexpr size_t kHeaderSize = 128;

void Wake(Device* device) {
  char c = 1;
  if (device->wakeWrite >= 0) {
    ssize_t ignored = write(device->wakeWrite, &c, 1);
    (void)ignored;
  }
}
}  // namespace

void RequestStop(Device* device) {
  gStopping = true;
  Wake(device);
}

bool SleepUnlessStopping(int ms) {
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!gStopping) {
    auto now = Clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(end - now, std::chrono::milliseconds(10)));
  }
  return false;
}

void QueueUpgrade(Device* device, const UpgradeJob& job) {
  std::lock_guard<std::mutex> lock(device->mutex);
  device->jobs.push_back(job);
}

bool NextUpgrade(Device* device, UpgradeJob* job) {
  while (!gStopping) {
    {
      std::lock_guard<std::mutex> lock(device->mutex);
      if (!device->jobs.empty()) {
        *job = device->jobs.front();
        device->jobs.pop_front();
        return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool ImageVersion(const std::string& image, std::string* version) {
  if (image.size() <= kVersionOffset) return false;
  size_t limit = std::min(image.size(), kHeaderSize);
  size_t end = image.find('\0', kVersionOffset);
  if (end == std::string::npos || end >= limit) return false;
  *version = image.substr(kVersionOffset, end - kVersionOffset);
  return true;
}

void StartFlash(Device* device, const std::string& image) {
  std::string version;
  if (device->options.hasReportVersion) {
    version = device->options.reportVersion;
  } else if (!ImageVersion(image, &version)) {
    Log("the image carries no version text at offset 92; keeping \"%s\"",
        device->softwareVersion.c_str());
    std::lock_guard<std::mutex> lock(device->mutex);
    version = device->softwareVersion;
  }
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    device->flashPending = true;
    device->flashVersion = version;
  }
  Wake(device);
}

}  // namespace duxsim
