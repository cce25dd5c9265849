// A build that carries a transition image: two triggers, two images.
#include "app/entry.h"
#include "app/state.h"
#include "app/wizard.h"
#include "firmware/firmware.h"
#include "platform/testing.h"
#include "tests/net/device_fixture.h"
#include "tests/net/upgrade_support.h"

namespace {

using TransitionTest = DeviceTest;

std::string Bytes(const FirmwareImage& image) {
  return std::string(reinterpret_cast<const char*>(image.bytes), image.size);
}

TEST_F(TransitionTest, DeliversTheTransitionImageThenTheTarget) {
  EXPECT_EQ(kBuildInitialStage, kStageTransition);
  StartDevice({"--flash-time", "200"});
  EXPECT_EXIT(
      {
        const uint32_t host[] = {kHostAddress};
        PlatTestSetHostAddresses(host, 1);
        ScriptWholeUpgrade();
        StartUp();
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "open 304 Confirm Upgrade to Ver. 7.2.19c\n.*"
      "is older than 5.0.1t.*"
      "caption 110 Uploading Transition Firmware to DUX@127.0.0.2 9000/9000 "
      "Bytes\n.*caption 110 Updating Transition Firmware to DUX@127.0.0.2\n.*"
      "open 114 Waiting For Firmware Download Request From DUX\n.*"
      "caption 110 Uploading Target Firmware to DUX@127.0.0.2 20000/20000 "
      "Bytes\n.*open 113 DUX@127.0.0.2 Upgrade Successful!\n.*boxes=0\n$");
  StopDevice();
  LoadFirmwareImages(kStageTransition);
  EXPECT_TRUE(
      SameBytes(ReadWholeFile(savePath_ + ".1"), Bytes(gTransitionImage)));
  EXPECT_TRUE(SameBytes(ReadWholeFile(savePath_ + ".2"), Bytes(gTargetImage)));
  std::vector<std::string> triggers = EventsStartingWith("upgrade ");
  ASSERT_EQ(triggers.size(), 2u);
  EXPECT_EQ(triggers[0].substr(triggers[0].size() - 4), ".bi0");
  EXPECT_EQ(triggers[1].substr(triggers[1].size() - 4), ".bi1");
  // Same port, fresh name.
  size_t name0 = triggers[0].find("/dux"), name1 = triggers[1].find("/dux");
  EXPECT_EQ(triggers[0].substr(0, name0), triggers[1].substr(0, name1));
  EXPECT_NE(triggers[0].substr(name0), triggers[1].substr(name1));
}

}  // namespace
