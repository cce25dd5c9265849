// The flash wait: its length by product, the wrap of the 32 ms count, and
// the report of an incomplete transfer.
#include "tftp/verify.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/product.h"
#include "platform/frontend.h"
#include "platform/scripted/scripted.h"
#include "platform/testing.h"
#include "resources/dialog_ids.h"
#include "ui/dialogs.h"

namespace {

TEST(FlashWait, LengthByDisplayName) {
  const struct {
    const char* name;
    uint32_t units;
  } cases[] = {
      {"DUXQ800", 6250}, {"DUXQ880", 6250},     {"DUXT6eM", 3279},
      {"DUXT4gN", 4699}, {"ODM-Product", 1093}, {"DUX-Q900", 1093},
      {"DUXQ900", 1093}, {"duxt6em", 1093},     {"DUXT6e", 1093},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FlashWaitUnits(c.name), c.units) << c.name;
}

// Started 28 units before the 27-bit count wraps, a 1,093-unit wait ends
// after 1,093 units, not at once and not 2^27 units later.
TEST(FlashWait, EndsAfterItsLengthAcrossTheWrapOfTheCount) {
  ScriptedInstall();
  gInstance = PlatDefaultInstance();
  strcpy(gProductProfile.displayName, "ODM-Product");
  UpgradeStage.store(kStageTarget);
  strcpy(DeviceAddressText, "10.1.0.9");
  PlatTestSetClockDouble(1000, 134217700u * 32u);
  PlatWindow d =
      PlatCreateDialog(gInstance, kDlgUpload, nullptr, AbortOnlyDialogProc, 0);
  PlatShowWindow(d);
  WaitForFlash(d);
  PlatTestSetClockDouble(0, 0);
  std::vector<int> positions = ScriptedPositions(kDlgUpload);
  ASSERT_FALSE(positions.empty());
  EXPECT_GE(positions.back(), 1093);
  EXPECT_LT(positions.back(), 1093 + 200);  // a few sleeps of overshoot
  for (size_t i = 1; i < positions.size(); ++i)
    EXPECT_GE(positions[i], positions[i - 1]) << i;
  EXPECT_EQ(ScriptedLines("range 110 1010 0 1093").size(), 1u);
  EXPECT_EQ(ScriptedLines("caption 110 Updating Target Firmware to "
                          "DUX@10.1.0.9")
                .size(),
            1u);
  EXPECT_EQ(ScriptedLines("close 110").size(), 1u);
}

TEST(Verification, IncompleteTransferIsReportedWithoutAsking) {
  ScriptedInstall();
  VerifyUpgrade(1, 0x7F000001, 0x7F000002);
  EXPECT_EQ(
      ScriptedMessageBoxes(),
      std::vector<std::string>{"Upgrade Failed: Firmware Upload Incomplete"});
  EXPECT_TRUE(ScriptedLines("open 105").empty());
}

}  // namespace
