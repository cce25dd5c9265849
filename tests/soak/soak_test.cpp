// Whole upgrades in a row against the simulated device, each under a fresh
// random mix of datagram loss, duplication and reordering in both
// directions, ACKs from foreign ports, and sometimes a device that restarts
// in the middle of the transfer. Every upgrade must either deliver the image
// byte for byte and end in the success dialog, or end with the message for
// an incomplete upload; anything else is a fault.
//
// DUX_SOAK_UPGRADES (default 3) upgrades, DUX_SOAK_SEED (default 1) seeds
// the choice of faults.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/wizard.h"
#include "firmware/firmware.h"
#include "tests/net/device_fixture.h"
#include "tests/net/upgrade_support.h"

namespace {

using Soak = DeviceTest;

int EnvNumber(const char* name, int fallback) {
  const char* v = getenv(name);
  return v && *v ? atoi(v) : fallback;
}

std::string Probability(std::mt19937& rng) {
  // Half of the time no fault of this kind, otherwise 2% to 25%.
  if (rng() % 2) return "0";
  char text[16];
  snprintf(text, sizeof text, "%.2f", 0.02 + (rng() % 24) / 100.0);
  return text;
}

enum Outcome { kCompleted, kFailedRight, kOther };

TEST_F(Soak, UpgradesUnderRandomFaults) {
  const int upgrades = EnvNumber("DUX_SOAK_UPGRADES", 3);
  std::mt19937 rng(static_cast<uint32_t>(EnvNumber("DUX_SOAK_SEED", 1)));
  const std::string image(reinterpret_cast<const char*>(gTargetImage.bytes),
                          gTargetImage.size);
  const uint32_t blocks = gTargetImage.size / 512 + 1;
  const std::string incomplete =
      "| Upgrade Failed: Firmware Upload Incomplete\n";
  int counts[3] = {0, 0, 0};

  for (int i = 0; i < upgrades; ++i) {
    std::vector<std::string> options = {
        "--seed",        std::to_string(rng() % 100000 + 1),
        "--flash-time",  "200",
        "--loss-data",   Probability(rng),
        "--loss-ack",    Probability(rng),
        "--dup-ack",     Probability(rng),
        "--reorder",     Probability(rng),
        "--foreign-ack", Probability(rng)};
    if (rng() % 4 == 0) {
      options.push_back("--restart-at");
      options.push_back(std::to_string(1 + rng() % (blocks - 1)));
    }
    std::string described;
    for (const std::string& o : options) described += o + " ";

    ScriptedInstall();
    PrepareWizardState();
    remove(savePath_.c_str());
    StartDevice(options);
    if (HasFatalFailure()) return;

    const std::string log = dir_ + "/upgrade-" + std::to_string(i) + ".log";
    // The upgrade runs in a death-test child (the wizard ends its process
    // itself); its record goes to a file of its own, read below. An alarm
    // bounds it: a whole upgrade of the small image takes seconds even under
    // heavy loss, two minutes means it hangs.
    int wait = -1;
    EXPECT_EXIT(
        {
          int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
          dup2(fd, 2);
          close(fd);
          alarm(120);
          ScriptWholeUpgrade();
          RunWizard();
        },
        [&wait](int s) {
          wait = s;
          return true;
        },
        "");
    const int status =
        WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
    StopDevice();

    const std::string record = ReadWholeFile(log);
    const bool exact = ReadWholeFile(savePath_) == image;
    const bool succeeded =
        record.find("open 111 DUX@127.0.0.2 Upgrade Successful!\n") !=
            std::string::npos ||
        record.find("open 113 DUX@127.0.0.2 Upgrade Successful!\n") !=
            std::string::npos;
    Outcome outcome = kOther;
    if (status == 0 && succeeded &&
        record.find("boxes=0\n") != std::string::npos && exact) {
      outcome = kCompleted;
    } else if (status == 0 && !succeeded &&
               record.find(incomplete) != std::string::npos &&
               record.find("boxes=1\n") != std::string::npos) {
      outcome = kFailedRight;
    }
    ++counts[outcome];
    if (outcome == kOther) {
      ADD_FAILURE() << "upgrade " << i << " (" << described << "): status "
                    << status << ", image " << (exact ? "exact" : "not exact")
                    << "\n"
                    << record.substr(record.size() > 3000 ? record.size() - 3000
                                                          : 0);
    }
    printf("upgrade %d: %s-> %s\n", i, described.c_str(),
           outcome == kCompleted     ? "completed byte-exact"
           : outcome == kFailedRight ? "failed: upload incomplete"
                                     : "OTHER");
  }
  printf(
      "soak: %d upgrades run, %d completed byte-exact, %d failed with the "
      "right message, %d anything else\n",
      upgrades, counts[kCompleted], counts[kFailedRight], counts[kOther]);
  EXPECT_EQ(counts[kOther], 0);
  EXPECT_EQ(counts[kCompleted] + counts[kFailedRight], upgrades);
}

}  // namespace
