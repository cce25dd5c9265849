// Start-up and the process frame.
#include <gtest/gtest.h>

#include <cstring>

#include "app/entry.h"
#include "app/state.h"
#include "firmware/product.h"
#include "platform/frontend.h"
#include "platform/scripted/scripted.h"
#include "platform/testing.h"
#include "web/digest.h"

namespace {

class StartUpTest : public testing::Test {
 protected:
  void SetUp() override { ScriptedInstall(); }
  void TearDown() override {
    PlatTestSetHostAddresses(nullptr, -1);
    PlatTestFailNetStartup(0);
    PlatTestFailWindowClass(0);
  }
};

TEST_F(StartUpTest, KeepsTheFirstEightAddressesInOrder) {
  const uint32_t ten[] = {0x0A000001, 0x0A000002, 0x0A000003, 0x0A000004,
                          0x0A000005, 0x0A000006, 0x0A000007, 0x0A000008,
                          0x0A000009, 0x0A00000A};
  PlatTestSetHostAddresses(ten, 10);
  StartUp();
  for (int i = 0; i < kLocalAddressSlots; ++i)
    EXPECT_EQ(LocalAddressList[i], ten[i]) << "slot " << i;
  EXPECT_EQ(SelectedLocalAddress, ten[0]);
}

TEST_F(StartUpTest, UnknownHostOrNoAddressesGivesAnEmptyList) {
  const uint32_t one[] = {0xC0A80005};
  PlatTestSetHostAddresses(one, 1);
  StartUp();
  EXPECT_EQ(LocalAddressList[0], 0xC0A80005u);
  EXPECT_EQ(LocalAddressList[1], 0u);

  PlatTestSetHostAddresses(nullptr, 0);  // the resolver does not know us
  StartUp();
  for (uint32_t a : LocalAddressList) EXPECT_EQ(a, 0u);
  EXPECT_EQ(SelectedLocalAddress, 0u);

  PlatTestSetHostAddresses(one, 0);  // known, but no address
  StartUp();
  EXPECT_EQ(LocalAddressList[0], 0u);
  EXPECT_EQ(SelectedLocalAddress, 0u);
}

TEST_F(StartUpTest, ClearsTheDigestStateAndIdentifiesTheProduct) {
  memset(&gDigestState, 0x41, sizeof gDigestState);
  StartUp();
  const unsigned char* raw =
      reinterpret_cast<const unsigned char*>(&gDigestState);
  for (size_t i = 0; i < sizeof gDigestState; ++i) ASSERT_EQ(raw[i], 0) << i;
  EXPECT_STREQ(gProductProfile.displayName, "DUXT6eM");
  EXPECT_EQ(gProductProfile.phoneFamily, 0);
  EXPECT_EQ(UpgradeStage.load(), kStageTarget);
}

TEST_F(StartUpTest, RefusedWindowClassEndsSilently) {
  PlatTestFailWindowClass(1);
  EXPECT_EQ(ProgramEntry(PlatDefaultInstance()), 0);
  EXPECT_TRUE(ScriptedRecord().empty());
}

TEST_F(StartUpTest, SocketLayerFailureShowsOneMessageAndNoDialog) {
  // The whole of the child's record: exactly one box, then the end.
  EXPECT_EXIT(
      {
        ScriptedEcho(true);
        PlatTestFailNetStartup(1);
        ProgramEntry(PlatDefaultInstance());
      },
      testing::ExitedWithCode(0),
      "^\\[scripted\\] msgbox DUX Firwmare Upgrade Error \\| Upgrade Failed: "
      "Winsock init error\n$");
}

}  // namespace
