#include "tests/net/device_fixture.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "platform/frontend.h"
#include "platform/net.h"
#include "platform/scripted/scripted.h"
#include "platform/testing.h"
#include "web/digest.h"
#include "web/http.h"

void DeviceTest::SetUp() {
  ScriptedInstall();
  dir_ = MakeTempDir();
  eventsPath_ = dir_ + "/events";
  savePath_ = dir_ + "/received.bin";
  PrepareWizardState();
}

void DeviceTest::TearDown() { StopDevice(); }

void DeviceTest::StartDevice(const std::vector<std::string>& options) {
  std::vector<std::string> argv = {DUX_SIM_PATH,  "--address", "127.0.0.2",
                                   "--http-port", "80",        "--events",
                                   eventsPath_,   "--save",    savePath_};
  argv.insert(argv.end(), options.begin(), options.end());
  device_ = StartSubprocess(argv, dir_ + "/device.log");
  ASSERT_TRUE(WaitForTcpPort("127.0.0.2", 80, 5000))
      << ReadWholeFile(dir_ + "/device.log");
}

void DeviceTest::StopDevice() {
  if (device_.pid > 0) StopSubprocess(&device_);
}

std::vector<std::string> DeviceTest::Events() {
  std::vector<std::string> lines;
  std::istringstream in(ReadWholeFile(eventsPath_));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::vector<std::string> DeviceTest::EventsStartingWith(
    const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& l : Events())
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

void DeviceTest::PrepareWizardState() {
  PlatNetStartup(1, 1);
  gInstance = PlatDefaultInstance();
  memset(&gDigestState, 0, sizeof gDigestState);
  memset(&gDeviceInfo, 0, sizeof gDeviceInfo);
  memset(LocalAddressList, 0, sizeof LocalAddressList);
  LocalAddressList[0] = kHostAddress;
  SelectedLocalAddress = kHostAddress;
  DeviceAddress = kDeviceAddress;
  strcpy(DeviceAddressText, "127.0.0.2");
  UpgradeStage.store(kStageTarget);
  LoadFirmwareImages(kStageTarget);
  IdentifyProduct(gTargetImage.header, &gProductProfile);
}

int CountLines(const std::string& prefix) {
  return static_cast<int>(ScriptedLines(prefix).size());
}

testing::AssertionResult SameBytes(const std::string& got,
                                   const std::string& want) {
  if (got == want) return testing::AssertionSuccess();
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return testing::AssertionFailure()
         << "received " << got.size() << " bytes, expected " << want.size()
         << "; first difference at offset " << i;
}
