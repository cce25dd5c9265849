#include "tftp/verify.h"

#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "platform/thread.h"
#include "resources/dialog_ids.h"
#include "ui/dialogs.h"
#include "web/http.h"
#include "web/runner.h"

namespace {

constexpr uint32_t kClockWrapUnits = 1u << 27;  // 2^32 ms in 32 ms units
constexpr int kRequeryAttempts = 10;

bool NameBegins(const char* name, const char* prefix) {
  return strncmp(name, prefix, 7) == 0;
}

}  // namespace

uint32_t FlashWaitUnits(const char* displayName) {
  if (NameBegins(displayName, "DUXQ800")) return 6250;
  if (NameBegins(displayName, "DUXQ880")) return 6250;
  if (NameBegins(displayName, "DUXT6eM")) return 3279;
  if (NameBegins(displayName, "DUXT4gN")) return 4699;
  return 1093;
}

void WaitForFlash(PlatWindow dialog) {
  uint32_t start = PlatMilliseconds() >> 5;
  uint32_t units = FlashWaitUnits(gProductProfile.displayName);
  PlatProgressSetRange(dialog, kIdProgress, 0, static_cast<uint16_t>(units));
  PlatProgressSetPos(dialog, kIdProgress, 0);
  char caption[192];
  snprintf(caption, sizeof caption, "Updating %s Firmware to DUX@%s",
           UpgradeStage.load() == kStageTarget ? "Target" : "Transition",
           DeviceAddressText);
  PlatSetWindowText(dialog, caption);
  uint32_t end = start + units;
  for (;;) {
    uint32_t now = PlatMilliseconds() >> 5;
    if (now < start) now += kClockWrapUnits;
    PlatProgressSetPos(dialog, kIdProgress, static_cast<int>(now - start));
    PlatPumpAllMessages(dialog);
    if (now >= end) break;
    PlatSleep(32);
  }
  PlatDestroyWindow(dialog);
}

void VerifyUpgrade(int transferOutcome, uint32_t localAddress,
                   uint32_t peerAddress) {
  if (transferOutcome != 0) {
    ReportError("Upgrade Failed: Firmware Upload Incomplete");
    return;
  }
  DeviceRequest r =
      MakeDeviceRequest(localAddress, peerAddress, "/admin/advanced");
  int answered = 0;
  for (int i = 0; i < kRequeryAttempts && !answered; ++i)
    answered = RunDeviceRequest(r) > 0;
  if (!answered) return;
  uint32_t stage = UpgradeStage.load();
  const char* expected = ImageVersionText(CurrentStageImage());
  DebugTrace("[%d]%s %s\n", stage, expected, gDeviceInfo.softwareVersion);
  if (gProductProfile.phoneFamily != 1 &&
      strcmp(expected, gDeviceInfo.softwareVersion) != 0) {
    ReportError("Upgrade Failed: Version not matching");
    return;
  }
  if (stage == kStageTransition) return;
  const char* name = gProductProfile.displayName;
  int templateId = (NameBegins(name, "DUXQ880") || NameBegins(name, "DUXT6eM"))
                       ? kDlgSuccessAlt
                       : kDlgSuccess;
  PlatDialogBox(gInstance, templateId, nullptr, SuccessDialogProc, 0);
}
