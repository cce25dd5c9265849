#include "ui/dialogs.h"

#include <cstdio>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "resources/dialog_ids.h"
#include "ui/dialog_texts.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

constexpr int kCaptionSize = 256;

int CommandId(uintptr_t wparam) { return static_cast<int>(wparam & 0xffff); }

void SetCaptionWithName(PlatWindow dialog, const char* format,
                        const char* value) {
  char caption[kCaptionSize];
  snprintf(caption, sizeof caption, format, value);
  PlatSetWindowText(dialog, caption);
}

// The affirmative button ends a modal dialog with 1 once `accept` (when
// given) agrees, Cancel ends it with 0; other controls are not handled.
intptr_t EndOnOkOrCancel(PlatWindow dialog, uintptr_t wparam,
                         bool (*accept)(PlatWindow) = nullptr) {
  switch (CommandId(wparam)) {
    case kIdOk:
      if (!accept || accept(dialog)) PlatEndDialog(dialog, 1);
      return 1;
    case kIdCancel:
      PlatEndDialog(dialog, 0);
      return 1;
  }
  return 0;
}

// Cancel of a modeless dialog: the process ends from the thread that pumps it.
[[noreturn]] void AbortUpgrade(PlatWindow dialog) {
  PlatDestroyWindow(dialog);
  ReportError("Upgrade Failed: User Abort");
  EndProcess();
}

bool AddressDialogOk(PlatWindow dialog) {
  PlatGetItemText(dialog, kIdAddress, DeviceAddressText,
                  kDeviceAddressTextSize);
  ParseIPv4Address(DeviceAddressText, &DeviceAddress);
  if (DeviceAddress == 0) {
    PlatMessageBox(dialog, "Invalid IP Address", "Error");
    PlatSetFocusItem(dialog, kIdAddress);
    return false;
  }
  char name[kTftpFileNameSize];
  MakeTftpFileName(name, sizeof name, UpgradeStage.load());
  SetTftpFileName(name);
  int selection = PlatListGetSelection(dialog, kIdLocalAddresses);
  SelectedLocalAddress = (selection >= 0 && selection < kLocalAddressSlots)
                             ? LocalAddressList[selection]
                             : 0;
  return true;
}

bool PasswordDialogOk(PlatWindow dialog) {
  PlatGetItemText(dialog, kIdUserName, gDigestState.userName, 127);
  PlatGetItemText(dialog, kIdPassword, gDigestState.password, 127);
  return true;
}

}  // namespace

void CenterWindow(PlatWindow window) {
  PlatRect r;
  if (!PlatGetWindowRect(window, &r)) return;
  int32_t screenWidth = 0, screenHeight = 0;
  PlatGetScreenSize(&screenWidth, &screenHeight);
  // Arithmetic shift: half the room left over, rounded towards minus
  // infinity, so a dialog wider than the screen overhangs both sides.
  int32_t left = (r.left - r.right + screenWidth) >> 1;
  int32_t top = (r.top - r.bottom + screenHeight) >> 1;
  PlatMoveWindowToTop(window, left, top);
}

intptr_t WarningDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    SetCaptionWithName(dialog, "%s Firmware Upgrade",
                       gProductProfile.displayName);
    PlatSetItemText(dialog, kIdWarningText, kWarningText);
    PlatSetFocusItem(dialog, kIdCancel);
    CenterWindow(dialog);
    return 0;
  }
  return message == kPlatMsgCommand ? EndOnOkOrCancel(dialog, wparam) : 0;
}

intptr_t AddressDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    for (int slot = 0; slot < kLocalAddressSlots; ++slot) {
      uint32_t a = LocalAddressList[slot];
      if (a == 0) break;
      char text[16];
      snprintf(text, sizeof text, "%u.%u.%u.%u", (a >> 24) & 0xff,
               (a >> 16) & 0xff, (a >> 8) & 0xff, a & 0xff);
      PlatListAddString(dialog, kIdLocalAddresses, text);
    }
    PlatListSetSelection(dialog, kIdLocalAddresses, 0);
    SetCaptionWithName(dialog, "%s Firmware Upgrade",
                       gProductProfile.displayName);
    PlatSetItemText(dialog, kIdText, kAddressIntro);
    PlatSetItemText(
        dialog, kIdHelpText,
        gProductProfile.phoneFamily == 1 ? kPhoneHelp : kAdapterHelp);
    char version[kCaptionSize];
    snprintf(version, sizeof version, "Version %s",
             ImageVersionText(&gTargetImage));
    PlatSetItemText(dialog, kIdVersion, version);
    PlatSetFocusItem(dialog, kIdAddress);
    CenterWindow(dialog);
    return 0;
  }
  return message == kPlatMsgCommand
             ? EndOnOkOrCancel(dialog, wparam, AddressDialogOk)
             : 0;
}

intptr_t PasswordDialogProc(PlatWindow dialog, uint32_t message,
                            uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    PlatSetItemText(dialog, kIdText, kPasswordText);
    PlatSetItemText(dialog, kIdUserName, "admin");
    PlatSetFocusItem(dialog, kIdPassword);
    CenterWindow(dialog);
    return 0;
  }
  return message == kPlatMsgCommand
             ? EndOnOkOrCancel(dialog, wparam, PasswordDialogOk)
             : 0;
}

intptr_t ConfirmDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    SetCaptionWithName(dialog, "Confirm Upgrade to Ver. %s",
                       ImageVersionText(&gTargetImage));
    if (UpgradeStage.load() != kStageTransition) {
      PlatSetItemText(dialog, kIdText, kConfirmIntro);
    } else {
      char text[1024];
      snprintf(text, sizeof text, kTransitionNote, kConfirmIntro,
               ImageVersionText(&gTransitionImage));
      PlatSetItemText(dialog, kIdText, text);
    }
    PlatSetItemText(dialog, kIdSerialNumber, gDeviceInfo.serialNumber);
    PlatSetItemText(dialog, kIdMacAddress, gDeviceInfo.macAddress);
    PlatSetItemText(dialog, kIdSoftwareVersion, gDeviceInfo.softwareVersion);
    PlatSetItemText(dialog, kIdHardwareVersion, gDeviceInfo.hardwareVersion);
    PlatSetItemText(dialog, kIdProductName, gDeviceInfo.productName);
    CenterWindow(dialog);
    return 1;
  }
  return message == kPlatMsgCommand ? EndOnOkOrCancel(dialog, wparam) : 0;
}

intptr_t ConnectingDialogProc(PlatWindow dialog, uint32_t message,
                              uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    SetCaptionWithName(dialog, "Connecting with DUX@%s", DeviceAddressText);
    CenterWindow(dialog);
    PlatProgressSetRange(dialog, kIdProgress, 0, 100);
    return 1;
  }
  if (message == kPlatMsgCommand && CommandId(wparam) == kIdCancel)
    AbortUpgrade(dialog);
  return 0;
}

intptr_t AbortOnlyDialogProc(PlatWindow dialog, uint32_t message,
                             uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    CenterWindow(dialog);
    return 1;
  }
  if (message == kPlatMsgCommand && CommandId(wparam) == kIdCancel)
    AbortUpgrade(dialog);
  return 0;
}

intptr_t SuccessDialogProc(PlatWindow dialog, uint32_t message,
                           uintptr_t wparam, intptr_t lparam) {
  (void)lparam;
  if (message == kPlatMsgInitDialog) {
    SetCaptionWithName(dialog, "DUX@%s Upgrade Successful!", DeviceAddressText);
    PlatSetItemText(dialog, kIdText, kSuccessText);
    PlatSetItemText(dialog, kIdSoftwareVersion, gDeviceInfo.softwareVersion);
    CenterWindow(dialog);
    return 1;
  }
  return message == kPlatMsgCommand ? EndOnOkOrCancel(dialog, wparam) : 0;
}
