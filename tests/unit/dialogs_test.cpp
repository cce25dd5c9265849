// The wizard's dialogs on the scripted frontend, and the address parser.
#include "ui/dialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "platform/frontend.h"
#include "platform/scripted/scripted.h"
#include "resources/dialog_ids.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

bool Has(const std::string& line) {
  for (const std::string& l : ScriptedRecord())
    if (l == line) return true;
  return false;
}

TEST(ParseIPv4Address, CodesAndAddresses) {
  struct Case {
    const char* text;
    int code;
    uint32_t address;
  } cases[] = {
      {"10.1.0.123", 0, 0x0A01007B},
      {"10*1*0*123", 0, 0x0A01007B},
      {"1..2.3.4", 0, 0x01020304},
      {".1.2.3.4.", 0, 0x01020304},
      {"010.001.0.9", 0, 0x0A010009},
      {"255.255.255.255", 0, 0xFFFFFFFF},
      {"0.0.0.0", 0, 0},
      {"1.2.3", 4, 0},
      {"", 4, 0},
      {"1.2.3.4.5.6.7.8", 2,
       0},  // 15 characters: long enough, too many numbers
      {"1.2.3.4.5", 2, 0},
      {"1.2.3.4.999", 2, 0},
      {"1.2.3.256", 1, 0},
      {"256.1.2.3.4", 1, 0},
      {"1234567", 1, 0},
      {"99999999999999", 1, 0},
      {"...1.2.3", 3, 0},
      {".......", 3, 0},
      {"1.2.3.4 ", 5, 0},
      {"1.2.3.-4", 5, 0},
      {"1.2.3.4.5.6.7.8.", 4, 0},
  };
  for (const Case& c : cases) {
    uint32_t address = 0xDEADBEEF;
    EXPECT_EQ(ParseIPv4Address(c.text, &address), c.code) << c.text;
    EXPECT_EQ(address, c.address) << c.text;
  }
}

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ScriptedInstall();
    gInstance = PlatDefaultInstance();
    LoadFirmwareImages(kStageTarget);
    strcpy(gProductProfile.displayName, "DUXT6eM");
    gProductProfile.phoneFamily = 0;
    UpgradeStage.store(kStageTarget);
    memset(LocalAddressList, 0, sizeof LocalAddressList);
    DeviceAddress = 0;
  }
};

TEST_F(DialogTest, AddressDialogListsLocalAddressesAndTakesTheChosenOne) {
  LocalAddressList[0] = 0x0A000005;
  LocalAddressList[1] = 0xC0A80102;
  LocalAddressList[2] = 0xAC100A07;
  ScriptAnswer(kDlgAddressAdapter,
               {ScriptType(kIdAddress, "10.1.0.123"),
                ScriptPick(kIdLocalAddresses, 2), ScriptPress(kIdOk)});
  EXPECT_EQ(PlatDialogBox(gInstance, kDlgAddressAdapter, nullptr,
                          AddressDialogProc, 0),
            1);
  EXPECT_EQ(ScriptedLines("list 101 1017"),
            (std::vector<std::string>{"list 101 1017 10.0.0.5",
                                      "list 101 1017 192.168.1.2",
                                      "list 101 1017 172.16.10.7"}));
  EXPECT_TRUE(Has("select 101 1017 0"));
  EXPECT_TRUE(Has("open 101 DUXT6eM Firmware Upgrade"));
  EXPECT_TRUE(Has("text 101 1015 Version 7.2.19c"));
  EXPECT_EQ(SelectedLocalAddress, 0xAC100A07u);
  EXPECT_EQ(DeviceAddress, 0x0A01007Bu);
  EXPECT_STREQ(DeviceAddressText, "10.1.0.123");
  char name[kTftpFileNameSize];
  GetTftpFileName(name, sizeof name);
  ASSERT_EQ(strncmp(name, "/dux", 4), 0) << name;
  std::string n(name);
  EXPECT_EQ(n.substr(n.size() - 4), ".bi1");
  EXPECT_LE(n.size(), 12u);
  EXPECT_EQ(n.find_first_not_of("0123456789abcdef", 4), n.size() - 4);
}

TEST_F(DialogTest, InvalidAddressIsReportedAndTheDialogStaysOpen) {
  LocalAddressList[0] = 0x0A000005;
  ScriptAnswer(kDlgAddressAdapter,
               {ScriptType(kIdAddress, "10.1.0"), ScriptPress(kIdOk),
                ScriptType(kIdAddress, "0.0.0.0"), ScriptPress(kIdOk),
                ScriptType(kIdAddress, "10.1.0.9"), ScriptPress(kIdOk)});
  EXPECT_EQ(PlatDialogBox(gInstance, kDlgAddressAdapter, nullptr,
                          AddressDialogProc, 0),
            1);
  EXPECT_EQ(ScriptedLines("msgbox"),
            (std::vector<std::string>{"msgbox Error | Invalid IP Address",
                                      "msgbox Error | Invalid IP Address"}));
  // After each refusal the focus goes back to the address control.
  EXPECT_EQ(ScriptedLines("focus 101 1000").size(), 3u);
  EXPECT_EQ(DeviceAddress, 0x0A010009u);
}

TEST_F(DialogTest, AddressDialogWithoutLocalAddressesAndCancel) {
  ScriptAnswer(kDlgAddressPhone,
               {ScriptType(kIdAddress, "10.1.0.9"), ScriptPress(kIdOk)});
  gProductProfile.phoneFamily = 1;
  EXPECT_EQ(
      PlatDialogBox(gInstance, kDlgAddressPhone, nullptr, AddressDialogProc, 0),
      1);
  EXPECT_EQ(SelectedLocalAddress, 0u);
  EXPECT_TRUE(ScriptedLines("list").empty());
  bool phoneText = false;
  for (const std::string& l : ScriptedLines("text 305 1008 "))
    phoneText = l.find("press the I button on the phone") != std::string::npos;
  EXPECT_TRUE(phoneText);

  DeviceAddress = 0;
  ScriptAnswer(kDlgAddressAdapter,
               {ScriptType(kIdAddress, "10.1.0.7"), ScriptPress(kIdCancel)});
  EXPECT_EQ(PlatDialogBox(gInstance, kDlgAddressAdapter, nullptr,
                          AddressDialogProc, 0),
            0);
  EXPECT_EQ(DeviceAddress, 0u);
}

TEST_F(DialogTest, PasswordDialogOffersAdminEveryTime) {
  memset(&gDigestState, 0, sizeof gDigestState);
  ScriptAnswer(kDlgPassword,
               {ScriptType(kIdUserName, "root"),
                ScriptType(kIdPassword, "secret"), ScriptPress(kIdOk)});
  ScriptAnswer(kDlgPassword, {ScriptPress(kIdCancel)});
  EXPECT_EQ(
      PlatDialogBox(gInstance, kDlgPassword, nullptr, PasswordDialogProc, 0),
      1);
  EXPECT_STREQ(gDigestState.userName, "root");
  EXPECT_STREQ(gDigestState.password, "secret");
  EXPECT_EQ(
      PlatDialogBox(gInstance, kDlgPassword, nullptr, PasswordDialogProc, 0),
      0);
  EXPECT_STREQ(gDigestState.password, "secret");  // Cancel keeps them
  EXPECT_EQ(ScriptedLines("text 104 1003 admin").size(), 2u);
  EXPECT_EQ(ScriptedLines("focus 104 1005").size(), 2u);
}

TEST_F(DialogTest, PasswordLongerThanTheFieldIsCut) {
  std::string longName(300, 'u');
  ScriptAnswer(kDlgPassword, {ScriptType(kIdUserName, longName),
                              ScriptType(kIdPassword, std::string(200, 'p')),
                              ScriptPress(kIdOk)});
  PlatDialogBox(gInstance, kDlgPassword, nullptr, PasswordDialogProc, 0);
  EXPECT_EQ(strlen(gDigestState.userName), 126u);
  EXPECT_EQ(strlen(gDigestState.password), 126u);
}

TEST_F(DialogTest, ConfirmationTextsForBothStages) {
  strcpy(gDeviceInfo.serialNumber, "SN1");
  strcpy(gDeviceInfo.macAddress, "MAC1");
  strcpy(gDeviceInfo.softwareVersion, "1.0");
  strcpy(gDeviceInfo.hardwareVersion, "HW1");
  strcpy(gDeviceInfo.productName, "");
  const std::string intro =
      "The following information was extracted\r\nfrom your DUX. Please "
      "click \"Upgrade\"\r\nif you would like to proceed. If you would\r\n"
      "like to quit click \"Cancel\".";
  ScriptAnswer(kDlgConfirmTarget, {ScriptPress(kIdOk)});
  EXPECT_EQ(PlatDialogBox(gInstance, kDlgConfirmTarget, nullptr,
                          ConfirmDialogProc, 0),
            1);
  EXPECT_TRUE(Has("open 103 Confirm Upgrade to Ver. 7.2.19c"));
  EXPECT_TRUE(Has("text 103 1007 " + intro));
  EXPECT_TRUE(Has("text 103 1002 SN1"));
  EXPECT_TRUE(Has("text 103 1005 HW1"));

  // A transition build quotes the transition image's version in its note.
  memset(gTransitionImage.header, 0, sizeof gTransitionImage.header);
  strcpy(reinterpret_cast<char*>(gTransitionImage.header + 92), "5.0.1t");
  UpgradeStage.store(kStageTransition);
  ScriptAnswer(kDlgConfirmTransition, {ScriptPress(kIdCancel)});
  EXPECT_EQ(PlatDialogBox(gInstance, kDlgConfirmTransition, nullptr,
                          ConfirmDialogProc, 0),
            0);
  EXPECT_TRUE(Has("open 304 Confirm Upgrade to Ver. 7.2.19c"));
  EXPECT_TRUE(Has("text 304 1007 " + intro +
                  "\r\n\r\nNote: Since your current firmware version\r\nis "
                  "older than 5.0.1t, this upgrade procedure\r\nrequires "
                  "additional steps and will be\r\nslightly longer.\r\n"));
}

TEST_F(DialogTest, WarningDialogFocusesCancel) {
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdOk)});
  EXPECT_EQ(
      PlatDialogBox(gInstance, kDlgWarning, nullptr, WarningDialogProc, 0), 1);
  EXPECT_TRUE(Has("open 139 DUXT6eM Firmware Upgrade"));
  EXPECT_TRUE(Has("focus 139 2"));
}

TEST_F(DialogTest, CenterWindowOverhangsBothSidesOfANarrowScreen) {
  ScriptedSetScreenSize(100, 768);  // the warning dialog is 204 wide
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdCancel)});
  PlatDialogBox(gInstance, kDlgWarning, nullptr, WarningDialogProc, 0);
  int32_t left = 0, top = 0;
  ASSERT_TRUE(ScriptedLastPosition(kDlgWarning, &left, &top));
  EXPECT_EQ(left, -52);  // (100 - 204) / 2
  EXPECT_EQ(top, (768 - 143) >> 1);
  ScriptedSetScreenSize(101, 768);  // rounds towards minus infinity
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdCancel)});
  PlatDialogBox(gInstance, kDlgWarning, nullptr, WarningDialogProc, 0);
  ASSERT_TRUE(ScriptedLastPosition(kDlgWarning, &left, &top));
  EXPECT_EQ(left, -52);
}

TEST_F(DialogTest, ModelessCancelEndsTheProcessWithTheAbortMessage) {
  EXPECT_EXIT(
      {
        ScriptedEcho(true);
        ScriptAnswer(kDlgWaiting, {ScriptPress(kIdCancel, 3)});
        PlatWindow d = PlatCreateDialog(gInstance, kDlgWaiting, nullptr,
                                        AbortOnlyDialogProc, 0);
        PlatShowWindow(d);
        for (int i = 0; i < 100; ++i) PlatPumpOneMessage(d);
        fprintf(stderr, "still running\n");
      },
      testing::ExitedWithCode(0),
      "close 114\n.*msgbox DUX Firwmare Upgrade Error \\| Upgrade Failed: "
      "User Abort\n$");
}

}  // namespace
