#include "app/wizard.h"

#include <cstdio>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/product.h"
#include "platform/thread.h"
#include "resources/dialog_ids.h"
#include "tftp/listener.h"
#include "ui/dialogs.h"
#include "web/http.h"
#include "web/runner.h"

namespace {

constexpr int kUpgradePathSize = 128;

DeviceRequest RequestFor(const char* path) {
  return MakeDeviceRequest(SelectedLocalAddress, DeviceAddress, path);
}

[[noreturn]] void SleepForever(void) {
  for (;;) PlatSleep(12);
}

void SendTrigger(uint16_t port) {
  char fileName[kTftpFileNameSize];
  GetTftpFileName(fileName, sizeof fileName);
  char path[kUpgradePathSize];
  BuildUpgradePath(path, sizeof path, SelectedLocalAddress, port, fileName);
  RunDeviceRequest(RequestFor(path));
}

}  // namespace

int BuildUpgradePath(char* out, int capacity, uint32_t a, uint16_t port,
                     const char* fileName) {
  int n = snprintf(out, static_cast<size_t>(capacity),
                   "/admin/upgrade?tftp://%u.%u.%u.%u:%u%s", (a >> 24) & 0xff,
                   (a >> 16) & 0xff, (a >> 8) & 0xff, a & 0xff,
                   static_cast<unsigned>(port), fileName);
  return n < capacity ? n : capacity - 1;
}

void RunWizard(void) {
  if (PlatDialogBox(gInstance, kDlgWarning, nullptr, WarningDialogProc, 0) == 0)
    return;
  int addressTemplate =
      gProductProfile.phoneFamily ? kDlgAddressPhone : kDlgAddressAdapter;
  if (PlatDialogBox(gInstance, addressTemplate, nullptr, AddressDialogProc,
                    0) == 0)
    return;
  if (DeviceAddress == 0) return;
  if (RunDeviceRequest(RequestFor("/admin/advanced")) < 1) {
    ReportError("Upgrade Failed: No Response From DUX");
    return;
  }
  int confirmTemplate = UpgradeStage.load() != kStageTransition
                            ? kDlgConfirmTarget
                            : kDlgConfirmTransition;
  if (PlatDialogBox(gInstance, confirmTemplate, nullptr, ConfirmDialogProc,
                    0) == 0) {
    ReportError("Upgrade Failed: User Abort");
    return;
  }
  RunUpgradeTrigger();
}

void RunUpgradeTrigger(void) {
  uint16_t port = StartTftpListener(SelectedLocalAddress);
  SendTrigger(port);
  if (UpgradeStage.load() == kStageTarget) SleepForever();
  while (UpgradeStage.load() != kStageTarget) PlatSleep(12);
  char name[kTftpFileNameSize];
  MakeTftpFileName(name, sizeof name, kStageTarget);
  SetTftpFileName(name);
  SendTrigger(port);
  SleepForever();
}
