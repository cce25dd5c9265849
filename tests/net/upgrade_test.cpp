// Whole upgrades of the default build against the simulated device.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "app/wizard.h"
#include "firmware/firmware.h"
#include "tests/net/device_fixture.h"
#include "tests/net/upgrade_support.h"

namespace {

using UpgradeTest = DeviceTest;

std::string EmbeddedImage() {
  return std::string(reinterpret_cast<const char*>(gTargetImage.bytes),
                     gTargetImage.size);
}

TEST_F(UpgradeTest, DefaultBuildUpgradesToTheSuccessDialog) {
  StartDevice({"--password", "pw", "--flash-time", "300"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade("pw");
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "open 114 Waiting For Firmware Download Request From DUX\n.*"
      "close 114\n.*open 110 Uploading Firmware To DUX\n.*"
      "range 110 1010 0 7919\n.*"
      "caption 110 Uploading Target Firmware to DUX@127.0.0.2 0/4054270 "
      "Bytes\n.*"
      "caption 110 Uploading Target Firmware to DUX@127.0.0.2 4054270/4054270 "
      "Bytes\n.*"
      "range 110 1010 0 3279\n.*caption 110 Updating Target Firmware to "
      "DUX@127.0.0.2\n.*close 110\n.*"
      "open 113 DUX@127.0.0.2 Upgrade Successful!\n.*text 113 1004 7.2.19c\n"
      ".*boxes=0\n$");
  StopDevice();
  EXPECT_TRUE(SameBytes(ReadWholeFile(savePath_), EmbeddedImage()));
  std::vector<std::string> triggers = EventsStartingWith("upgrade ");
  ASSERT_EQ(triggers.size(), 1u);
  EXPECT_TRUE(StartsWith(triggers[0], "upgrade 127.0.0.1:69/dux"))
      << triggers[0];
  EXPECT_EQ(triggers[0].substr(triggers[0].size() - 4), ".bi1");
  EXPECT_EQ(EventsStartingWith("done 4054270 ok").size(), 1u);
}

TEST_F(UpgradeTest, VersionMismatchIsReported) {
  StartDevice({"--flash-time", "200", "--report-version", "7.2.19C"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "msgbox DUX Firwmare Upgrade Error \\| Upgrade Failed: Version not "
      "matching\n.*boxes=1\n$");
}

TEST_F(UpgradeTest, DeviceThatStopsAcknowledgingGetsTheFullFlashWait) {
  StartDevice({"--flash-time", "200", "--stop-after", "100"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "caption 110 Uploading Target Firmware to DUX@127.0.0.2 51200/4054270 "
      "Bytes\n.*range 110 1010 0 3279\n.*close 110\n.*"
      "msgbox DUX Firwmare Upgrade Error \\| Upgrade Failed: Firmware Upload "
      "Incomplete\n.*boxes=1\n$");
}

TEST_F(UpgradeTest, DeviceSilentAfterTheFlashEndsQuietlyAfterTenTries) {
  StartDevice({"--flash-time", "200", "--silent-after-flash"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        RunWizard();
      },
      testing::ExitedWithCode(0),
      // status query, trigger, and ten re-queries
      "close 110\n.*connecting=12\nboxes=0\n$");
}

TEST_F(UpgradeTest, TakenPort69MovesTheListenerTo70) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(69);
  a.sin_addr.s_addr = htonl(kHostAddress);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  StartDevice({"--flash-time", "200", "--wrong-name-first"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        RunWizard();
      },
      testing::ExitedWithCode(0), "open 113 .*boxes=0\n$");
  close(s);
  StopDevice();
  std::vector<std::string> triggers = EventsStartingWith("upgrade ");
  ASSERT_EQ(triggers.size(), 1u);
  EXPECT_TRUE(StartsWith(triggers[0], "upgrade 127.0.0.1:70/dux"))
      << triggers[0];
  // The wrong name went unanswered; the right one was served whole.
  EXPECT_EQ(EventsStartingWith("rrq ").size(), 2u);
  EXPECT_TRUE(SameBytes(ReadWholeFile(savePath_), EmbeddedImage()));
}

TEST_F(UpgradeTest, CancelInTheWaitingDialog) {
  StartDevice({"--tftp-delay", "20000"});
  EXPECT_EXIT(
      {
        ScriptWholeUpgrade();
        ScriptAnswer(kDlgWaiting, {ScriptPress(kIdCancel, 200)});
        RunWizard();
      },
      testing::ExitedWithCode(0),
      "close 114\n.*msgbox DUX Firwmare Upgrade Error \\| Upgrade Failed: "
      "User Abort\n.*boxes=1\n$");
}

}  // namespace
