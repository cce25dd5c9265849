// The request runner and the wizard sequence against the simulated device.
#include "web/runner.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/frame.h"
#include "app/state.h"
#include "app/wizard.h"
#include "firmware/product.h"
#include "platform/scripted/scripted.h"
#include "resources/dialog_ids.h"
#include "tests/net/device_fixture.h"
#include "tftp/verify.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

DeviceRequest StatusRequest() {
  return MakeDeviceRequest(SelectedLocalAddress, DeviceAddress,
                           "/admin/advanced");
}

std::vector<ScriptedStep> Password(const std::string& p) {
  return {ScriptType(kIdPassword, p), ScriptPress(kIdOk)};
}

using RunnerTest = DeviceTest;

TEST_F(RunnerTest, DeviceWithoutPasswordAsksNothing) {
  StartDevice({"--software-version", "7.1.4a"});
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_EQ(CountLines("open 104"), 0);
  EXPECT_EQ(CountLines("open 105 Connecting with DUX@127.0.0.2"), 1);
  EXPECT_EQ(CountLines("range 105 1010 0 100"), 1);
  EXPECT_STREQ(gDeviceInfo.softwareVersion, "7.1.4a");
}

TEST_F(RunnerTest, PasswordAskedAtTheFirstRequestThenSent) {
  StartDevice({"--password", "secret"});
  ScriptAnswer(kDlgPassword, Password("secret"));
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_EQ(CountLines("open 104"), 1);
  EXPECT_EQ(CountLines("open 105"), 2);  // no immediate retry before asking
  EXPECT_EQ(EventsStartingWith("auth ok").size(), 1u);
  EXPECT_STREQ(gDeviceInfo.productName, "DUXT6eM");
}

// The nonce changes after every request with an Authorization line: the
// second request meets a stale nonce and is retried once without asking.
TEST_F(RunnerTest, StaleNonceIsRetriedOnceWithoutAsking) {
  StartDevice({"--password", "secret", "--nonce-every", "1"});
  ScriptAnswer(kDlgPassword, Password("secret"));
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_EQ(CountLines("open 104"), 1);
  EXPECT_EQ(CountLines("open 105"), 4);
  EXPECT_EQ(EventsStartingWith("auth ok").size(), 2u);
}

TEST_F(RunnerTest, WrongPasswordUnderANewNonceEachTime) {
  StartDevice({"--password", "secret", "--nonce-every", "1"});
  ScriptAnswer(kDlgPassword, Password("wrong"));
  ScriptAnswer(kDlgPassword, Password("secret"));
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  // no password: ask; wrong (new nonce): retry at once; wrong again: ask.
  EXPECT_EQ(CountLines("open 104"), 2);
  EXPECT_EQ(CountLines("open 105"), 4);
}

TEST_F(RunnerTest, WrongPasswordUnderTheSameNonceAsksAgainAtOnce) {
  StartDevice({"--password", "secret"});
  ScriptAnswer(kDlgPassword, Password("wrong"));
  ScriptAnswer(kDlgPassword, Password("wrong again"));
  ScriptAnswer(kDlgPassword, Password("secret"));
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_EQ(CountLines("open 104"), 3);
  EXPECT_EQ(CountLines("open 105"), 4);
}

TEST_F(RunnerTest, ConfirmedEmptyPasswordSendsNoAuthorization) {
  StartDevice({"--password", "secret"});
  ScriptAnswer(kDlgPassword, Password(""));
  ScriptAnswer(kDlgPassword, Password("secret"));
  EXPECT_GT(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_EQ(CountLines("open 104"), 2);
  EXPECT_EQ(EventsStartingWith("auth bad").size(), 0u);
  EXPECT_EQ(EventsStartingWith("http GET /admin/advanced 401").size(), 2u);
}

TEST_F(RunnerTest, DeviceSwitchedOffGivesZero) {
  EXPECT_EQ(RunDeviceRequest(StatusRequest()), 0);
  EXPECT_EQ(CountLines("open 105"), 1);
  EXPECT_EQ(CountLines("open 104"), 0);
}

TEST_F(RunnerTest, CancelWhileTheWorkerIsBlockedEndsAtOnce) {
  // A device that accepts the connection and never answers.
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(80);
  a.sin_addr.s_addr = htonl(kDeviceAddress);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  listen(s, 4);
  EXPECT_EXIT(
      {
        ScriptedEcho(true);
        ScriptAnswer(kDlgConnecting, {ScriptPress(kIdCancel, 50)});
        RunDeviceRequest(StatusRequest());
        fprintf(stderr, "returned\n");
      },
      testing::ExitedWithCode(0),
      "close 105\n.*msgbox DUX Firwmare Upgrade Error \\| Upgrade Failed: "
      "User Abort\n$");
  close(s);
}

TEST_F(RunnerTest, CancelInThePasswordDialogEnds) {
  StartDevice({"--password", "secret"});
  EXPECT_EXIT(
      {
        ScriptedEcho(true);
        ScriptAnswer(kDlgPassword, {ScriptPress(kIdCancel)});
        RunDeviceRequest(StatusRequest());
      },
      testing::ExitedWithCode(0), "close 104\n.*Upgrade Failed: User Abort\n$");
}

// A phone reports whatever version it likes: no comparison, the success
// dialog all the same (template 111 for this product).
TEST_F(RunnerTest, PhoneFamilySkipsTheVersionCheck) {
  StartDevice({"--software-version", "something else"});
  strcpy(gProductProfile.displayName, "DUX-P70/P75");
  gProductProfile.phoneFamily = 1;
  ScriptAnswer(kDlgSuccess, {ScriptPress(kIdOk)});
  VerifyUpgrade(0, kHostAddress, kDeviceAddress);
  EXPECT_EQ(CountLines("open 111 DUX@127.0.0.2 Upgrade Successful!"), 1);
  EXPECT_EQ(CountLines("text 111 1004 something else"), 1);
  EXPECT_TRUE(ScriptedMessageBoxes().empty());
}

using WizardTest = DeviceTest;

void AnswerUpToAddress(const char* address) {
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdOk)});
  ScriptAnswer(kDlgAddressAdapter,
               {ScriptType(kIdAddress, address), ScriptPress(kIdOk)});
}

TEST_F(WizardTest, CancelInTheFirstDialogsEndsSilently) {
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdCancel)});
  RunWizard();
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdOk)});
  ScriptAnswer(kDlgAddressAdapter, {ScriptPress(kIdCancel)});
  RunWizard();
  EXPECT_EQ(CountLines("msgbox"), 0);
  EXPECT_EQ(CountLines("open 105"), 0);
  EXPECT_EQ(CountLines("open 101"), 1);
}

TEST_F(WizardTest, DeviceThatDoesNotAnswer) {
  AnswerUpToAddress("127.0.0.2");
  RunWizard();
  EXPECT_EQ(ScriptedMessageBoxes(),
            std::vector<std::string>{"Upgrade Failed: No Response From DUX"});
  EXPECT_EQ(CountLines("open 103"), 0);
}

// An error page still counts as an answer; the fields it carries are shown.
TEST_F(WizardTest, ErrorPageStillLeadsToConfirmation) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(80);
  a.sin_addr.s_addr = htonl(kDeviceAddress);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  listen(s, 4);
  std::thread server([s] {
    int c = accept(s, nullptr, nullptr);
    char buf[4096];
    recv(c, buf, sizeof buf, 0);
    const char page[] =
        "HTTP/1.1 404 Not Found\r\n\r\n<tr><td>Serial Number:</td><td>"
        "SN-404</td></tr><tr><td>MAC Address:</td><td>00:11</td></tr>";
    send(c, page, sizeof page - 1, 0);
    close(c);
  });
  AnswerUpToAddress("127.0.0.2");
  ScriptAnswer(kDlgConfirmTarget, {ScriptPress(kIdCancel)});
  RunWizard();
  server.join();
  close(s);
  EXPECT_EQ(CountLines("text 103 1002 SN-404"), 1);
  EXPECT_EQ(CountLines("text 103 1003 00:11"), 1);
  EXPECT_EQ(ScriptedMessageBoxes(),
            std::vector<std::string>{"Upgrade Failed: User Abort"});
}

// The whole way to the confirmation dialog: warning, address, a Digest
// protected status query, and the five fields the device reported.
TEST_F(WizardTest, WalksToTheConfirmationWithTheDevicesFields) {
  StartDevice({"--password", "pw", "--product", "DUXT6eM", "--mac",
               "00:0B:82:AA:BB:CC", "--software-version", "7.1.4a",
               "--hardware-version", "2.0", "--serial", "SER42"});
  AnswerUpToAddress("127.0.0.2");
  ScriptAnswer(kDlgPassword, Password("pw"));
  ScriptAnswer(kDlgConfirmTarget, {ScriptPress(kIdCancel)});
  RunWizard();
  EXPECT_EQ(CountLines("open 139 DUXT6eM Firmware Upgrade"), 1);
  EXPECT_EQ(CountLines("open 104"), 1);
  EXPECT_EQ(CountLines("open 103 Confirm Upgrade to Ver. 7.2.19c"), 1);
  EXPECT_EQ(CountLines("text 103 1002 SER42"), 1);
  EXPECT_EQ(CountLines("text 103 1003 00:0B:82:AA:BB:CC"), 1);
  EXPECT_EQ(CountLines("text 103 1004 7.1.4a"), 1);
  EXPECT_EQ(CountLines("text 103 1005 2.0"), 1);
  EXPECT_EQ(CountLines("text 103 1006 DUXT6eM"), 1);
  EXPECT_EQ(ScriptedMessageBoxes(),
            std::vector<std::string>{"Upgrade Failed: User Abort"});
  EXPECT_EQ(EventsStartingWith("upgrade").size(), 0u);  // nothing triggered
}

}  // namespace
