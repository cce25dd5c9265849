#include "ui/dialogs.h"

#include <cstdio>

#include "app/frame.h"
#include "app/state.h"
#include "firmware/firmware.h"
#include "firmware/product.h"
#include "resources/dialog_ids.h"
#include "web/digest.h"
#include "web/http.h"

namespace {

constexpr int kCaptionSize = 256;

const char kWarningText[] =
    "WARNING: Forcing a firmware upgrade on your DUX\r\nwithout prior approval "
    "from your service provider or\r\nnetwork administrator may cause "
    "interruption to your\r\nservice.  If your DUX is managed by a "
    "service\r\nprovider who retains administrative control of the\r\ndevice, "
    "please contact the service provider for\r\nauthorization before "
    "proceeding.  In such cases, the\r\nmost current, approved for service "
    "firmware is\r\nautomatically provided by your service provider "
    "without\r\nany onus on the end user to upgrade manually.";

const char kAddressIntro[] = "This program will upgrade your DUX\r\nfirmware to:";

const char kPhoneHelp[] =
    "To proceed, please provide the IP address\r\nof your DUX. To find out the "
    "IP address of\r\nyour DUX, press the I button on the phone,\r\nselect "
    "\"Network\" option, and check the\r\nvalue of \"Current IP\". For "
    "example, 10.1.0.13\r\n\r\nPlease enter IP address of your DUX:";

const char kAdapterHelp[] =
    "To proceed, please provide the IP address\r\nof your DUX. To find out the "
    "IP address\r\nof your DUX, using a telephone handset,\r\nenter * * * *, "
    "option 110#, and write down\r\nthe value. For example, "
    "10.1.0.123\r\n\r\nPlease enter IP address of your DUX:";

const char kPasswordText[] =
    "This DUX requires a password in order to be\r\nupgraded. If you do not "
    "have administrator's\r\nprivileges for this unit, please contact "
    "your\r\nService Provider or network administrator,\r\nbefore "
    "proceeding.\r\n\r\nYou must provide the DUX administrator's\r\npassword "
    "to upgrade. If you are the administrator\r\nand forgot the password, you "
    "may perform a\r\nfactory reset by entering * * * *, option "
    "40615#,\r\nand value 1 from a telephone connected to the\r\nunit to be "
    "upgraded.\r\n\r\n* * * * * * * * * * *  Warning  * * * * * * * * * * "
    "*\r\nAll settings will revert to default values\r\nafter factory reset!  "
    "You may not be able to\r\nreestablish service after completing this "
    "upgrade\r\nwithout first reentering service configuration\r\ninformation.";

const char kConfirmIntro[] =
    "The following information was extracted\r\nfrom your DUX. Please click "
    "\"Upgrade\"\r\nif you would like to proceed. If you would\r\nlike to quit "
    "click \"Cancel\".";

const char kTransitionNote[] =
    "%s\r\n\r\nNote: Since your current firmware version\r\nis older than %s, "
    "this upgrade procedure\r\nrequires additional steps and will be\r\nslightly "
    "longer.\r\n";

const char kSuccessText[] =
    "Your DUX has been successfully\r\nupgraded to the version shown\r\nbelow.";

int CommandId(uintptr_t wparam) { return static_cast<int>(wparam & 0xffff); }

void SetCaptionWithName(PlatWindow dialog, const char* format,
                        const char* value) {
  char caption[kCaptionSize];
  snprintf(caption, sizeof caption, format, value);
  PlatSetWindowText(dialog, caption);
}

// Cancel of a modeless dialog: the process ends from the thread that pumps it.
[[noreturn]] void AbortUpgrade(PlatWindow dialog) {
  PlatDestroyWindow(dialog);
  ReportError("Upgrade Failed: User Abort");
  EndProcess();
}

void AddressDialogOk(PlatWindow dialog) {
  PlatGetItemText(dialog, kIdAddress, DeviceAddressText,
                  kDeviceAddressTextSize);
  ParseIPv4Address(DeviceAddressText, &DeviceAddress);
  if (DeviceAddress == 0) {
    PlatMessageBox(dialog, "Invalid IP Address", "Error");
    PlatSetFocusItem(dialog, kIdAddress);
    return;
  }
  char name[kTftpFileNameSize];
  MakeTftpFileName(name, sizeof name, UpgradeStage.load());
  SetTftpFileName(name);
  int selection = PlatListGetSelection(dialog, kIdLocalAddresses);
  SelectedLocalAddress = (selection >= 0 && selection < kLocalAddressSlots)
                             ? LocalAddressList[selection]
                             : 0;
  PlatEndDialog(dialog, 1);
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
  if (message != kPlatMsgCommand) return 0;
  switch (CommandId(wparam)) {
    case kIdOk:
      PlatEndDialog(dialog, 1);
      return 1;
    case kIdCancel:
      PlatEndDialog(dialog, 0);
      return 1;
  }
  return 0;
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
    PlatSetItemText(dialog, kIdHelpText,
                    gProductProfile.phoneFamily == 1 ? kPhoneHelp
                                                     : kAdapterHelp);
    char version[kCaptionSize];
    snprintf(version, sizeof version, "Version %s",
             ImageVersionText(&gTargetImage));
    PlatSetItemText(dialog, kIdVersion, version);
    PlatSetFocusItem(dialog, kIdAddress);
    CenterWindow(dialog);
    return 0;
  }
  if (message != kPlatMsgCommand) return 0;
  switch (CommandId(wparam)) {
    case kIdOk:
      AddressDialogOk(dialog);
      return 1;
    case kIdCancel:
      PlatEndDialog(dialog, 0);
      return 1;
  }
  return 0;
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
  if (message != kPlatMsgCommand) return 0;
  switch (CommandId(wparam)) {
    case kIdOk:
      PlatGetItemText(dialog, kIdUserName, gDigestState.userName, 127);
      PlatGetItemText(dialog, kIdPassword, gDigestState.password, 127);
      PlatEndDialog(dialog, 1);
      return 1;
    case kIdCancel:
      PlatEndDialog(dialog, 0);
      return 1;
  }
  return 0;
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
  if (message != kPlatMsgCommand) return 0;
  switch (CommandId(wparam)) {
    case kIdOk:
      PlatEndDialog(dialog, 1);
      return 1;
    case kIdCancel:
      PlatEndDialog(dialog, 0);
      return 1;
  }
  return 0;
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
  if (message != kPlatMsgCommand) return 0;
  switch (CommandId(wparam)) {
    case kIdOk:
      PlatEndDialog(dialog, 1);
      return 1;
    case kIdCancel:
      PlatEndDialog(dialog, 0);
      return 1;
  }
  return 0;
}
