// Whole upgrades under faults, on a build with a small image.
#include "app/wizard.h"
#include "firmware/firmware.h"
#include "tests/net/device_fixture.h"
#include "tests/net/upgrade_support.h"

namespace {

using FaultTest = DeviceTest;

std::string EmbeddedImage() {
  return std::string(reinterpret_cast<const char*>(gTargetImage.bytes),
                     gTargetImage.size);
}

struct FaultCase {
  const char* name;
  std::vector<std::string> options;
};

// Every one of these still delivers the image byte for byte and ends in the
// success dialog.
TEST_F(FaultTest, TransferSurvivesLossDuplicatesAndStrayPackets) {
  const FaultCase cases[] = {
      {"10% loss each way", {"--loss-data", "0.1", "--loss-ack", "0.1"}},
      {"duplicated and reordered ACKs", {"--dup-ack", "0.3", "--reorder", "0.2"}},
      {"ACKs also from a foreign port", {"--foreign-ack", "0.5"}},
      {"an ERROR packet after the request", {"--send-error"}},
      {"a device that restarts mid-transfer", {"--restart-at", "10"}},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedInstall();
    PrepareWizardState();
    std::vector<std::string> options = {"--flash-time", "200", "--seed", "3"};
    options.insert(options.end(), c.options.begin(), c.options.end());
    StartDevice(options);
    EXPECT_EXIT(
        {
          ScriptWholeUpgrade();
          RunWizard();
        },
        testing::ExitedWithCode(0),
        "open 113 DUX@127.0.0.2 Upgrade Successful!\n.*boxes=0\n$");
    StopDevice();
    EXPECT_EQ(ReadWholeFile(savePath_), EmbeddedImage());
    remove(savePath_.c_str());
    remove(eventsPath_.c_str());
  }
}

}  // namespace
