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
      {"duplicated and reordered ACKs",
       {"--dup-ack", "0.3", "--reorder", "0.2"}},
      {"ACKs also from a foreign port", {"--foreign-ack", "0.5"}},
      {"an ERROR packet after the request", {"--send-error"}},
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
    EXPECT_TRUE(SameBytes(ReadWholeFile(savePath_), EmbeddedImage()));
    remove(savePath_.c_str());
    remove(eventsPath_.c_str());
  }
}

// A device that restarts mid-transfer asks again from a new port; the
// session serves only the port that asked first, so the transfer runs out
// and the user is told after the flash wait.
TEST_F(FaultTest, DeviceRestartingMidTransferEndsIncomplete) {
  StartDevice({"--flash-time", "200", "--restart-at", "10"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "range 110 1010 0 3279\n.*Upgrade Failed: Firmware Upload "
      "Incomplete\n.*boxes=1\n$");
}

}  // namespace
