// The eleven dialog templates: controls, positions and sizes in dialog
// units, texts, default buttons and tab stops.
#include "platform/dialog_template.h"
#include "resources/dialog_ids.h"

namespace {

constexpr int kNone = kPlatNoControlId;
constexpr uint8_t kTab = kCtlTabStop;
constexpr uint8_t kTabBorder = kCtlTabStop | kCtlBorder;

#define N(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))

const PlatControlTemplate kWarning[] = {
    {1, kCtlPushButton, kTab, 41, 116, 50, 14, "Continue", 0},
    {2, kCtlDefaultButton, kTab, 109, 116, 50, 14, "Cancel", 0},
    {1021, kCtlTextArea, 0, 12, 13, 189, 95, "", 0},
};

// Both address dialogs (101 for adapters, 305 for phones) share these
// controls; the adapter family's shows the program's icon too, since the
// icon it once named is not part of this program.
const PlatControlTemplate kAddress[] = {
    {1, kCtlDefaultButton, kTab, 26, 126, 50, 14, "OK", 0},
    {2, kCtlPushButton, kTab, 86, 126, 50, 14, "Cancel", 0},
    {1007, kCtlTextArea, kTab, 13, 6, 139, 16, "", 0},
    {1008, kCtlTextArea, kTab, 13, 42, 148, 56, "", 0},
    {1015, kCtlReadOnlyBox, kTab, 37, 28, 89, 14, "", 0},
    {1017, kCtlDropDownList, kTab, 63, 153, 79, 80, "", 0},
    {kNone, kCtlLabel, 0, 9, 156, 52, 8, "Your IP Address", 0},
    {kNone, kCtlIcon, 0, 119, 18, 20, 20, "", kProgramIconId},
    {1000, kCtlAddress, kTab, 26, 103, 109, 15, "", 0},
};

const PlatControlTemplate kPassword[] = {
    {1, kCtlDefaultButton, kTab, 32, 210, 50, 14, "OK", 0},
    {2, kCtlPushButton, kTab, 104, 210, 50, 14, "Cancel", 0},
    {1003, kCtlEntryBox, kTabBorder, 68, 168, 85, 14, "", 0},
    {1005, kCtlPasswordBox, kTabBorder, 68, 186, 85, 14, "", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 18, 170, 44, 8, "User", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 18, 191, 44, 8, "Password", 0},
    {1007, kCtlTextArea, kTab, 15, 9, 165, 152, "", 0},
};

const PlatControlTemplate kConfirmTarget[] = {
    {1, kCtlDefaultButton, kTab, 33, 143, 50, 14, "Upgrade", 0},
    {2, kCtlPushButton, kTab, 87, 143, 50, 14, "Cancel", 0},
    {1002, kCtlReadOnlyBox, kTabBorder, 82, 49, 67, 14, "", 0},
    {1003, kCtlReadOnlyBox, kTabBorder, 82, 66, 67, 14, "", 0},
    {1004, kCtlReadOnlyBox, kTabBorder, 82, 84, 67, 14, "", 0},
    {1005, kCtlReadOnlyBox, kTabBorder, 82, 100, 67, 14, "", 0},
    {1006, kCtlReadOnlyBox, kTabBorder, 82, 118, 67, 14, "", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 4, 52, 72, 8, "Serial Number", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 4, 70, 72, 8, "MAC Address", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 4, 87, 72, 8, "Software Version", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 4, 103, 72, 8, "Hardware Version", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 4, 121, 72, 8, "Product Name", 0},
    {1007, kCtlTextArea, kTab, 12, 6, 142, 37, "", 0},
};

const PlatControlTemplate kConfirmTransition[] = {
    {1, kCtlDefaultButton, kTab, 42, 179, 50, 14, "Upgrade", 0},
    {2, kCtlPushButton, kTab, 96, 179, 50, 14, "Cancel", 0},
    {1002, kCtlReadOnlyBox, kTabBorder, 92, 86, 67, 14, "", 0},
    {1003, kCtlReadOnlyBox, kTabBorder, 92, 103, 67, 14, "", 0},
    {1004, kCtlReadOnlyBox, kTabBorder, 92, 121, 67, 14, "", 0},
    {1005, kCtlReadOnlyBox, kTabBorder, 92, 137, 67, 14, "", 0},
    {1006, kCtlReadOnlyBox, kTabBorder, 92, 154, 67, 14, "", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 14, 89, 72, 8, "Serial Number", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 14, 106, 72, 8, "MAC Address", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 14, 124, 72, 8, "Software Version", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 14, 140, 72, 8, "Hardware Version", 0},
    {kNone, kCtlLabel, kCtlAlignRight, 14, 158, 72, 8, "Product Name", 0},
    {1007, kCtlTextArea, kTab, 23, 7, 142, 77, "", 0},
};

const PlatControlTemplate kConnecting[] = {
    {2, kCtlPushButton, kTab, 65, 34, 50, 14, "Cancel", 0},
    {1010, kCtlProgressBar, kCtlBorder, 22, 10, 141, 14, "", 0},
};

const PlatControlTemplate kUpload[] = {
    {2, kCtlPushButton, kTab, 126, 52, 50, 14, "Cancel", 0},
    {1010, kCtlProgressBar, kCtlBorder, 31, 36, 242, 8, "", 0},
    {kNone, kCtlLabel, kCtlAlignCenter, 86, 12, 137, 22,
     "Please do not unplug the power of your DUX until the Status Light "
     "stops blinking",
     0},
};

const PlatControlTemplate kWaiting[] = {
    {2, kCtlPushButton, kTab, 108, 115, 50, 14, "Cancel", 0},
    {1010, kCtlProgressBar, kCtlBorder, 38, 95, 191, 14, "", 0},
    {1022, kCtlLabel, 0, 15, 9, 244, 79, "", 0},
};

const PlatControlTemplate kSuccess[] = {
    {1, kCtlDefaultButton, kTab, 59, 94, 50, 14, "OK", 0},
    {1004, kCtlReadOnlyBox, kTabBorder | kCtlAlignCenter, 15, 69, 136, 14, "",
     0},
    {1007, kCtlTextArea, kTab, 29, 9, 111, 33, "", 0},
    {kNone, kCtlLabel, 0, 82, 50, 53, 8, "www.example.com", 0},
};

const PlatControlTemplate kSuccessAlt[] = {
    {1, kCtlDefaultButton, kTab, 59, 94, 50, 14, "OK", 0},
    {1004, kCtlReadOnlyBox, kTabBorder | kCtlAlignCenter, 15, 69, 136, 14, "",
     0},
    {1007, kCtlTextArea, kTab, 29, 9, 111, 33, "", 0},
    {kNone, kCtlLabel, 0, 82, 50, 53, 8, "www.example.org", 0},
};

// In id order.
const PlatDialogTemplate kTemplates[] = {
    {101, 165, 181, "", kAddress, N(kAddress)},
    {103, 172, 166, "", kConfirmTarget, N(kConfirmTarget)},
    {104, 191, 236, "Enter Password Information", kPassword, N(kPassword)},
    {105, 186, 55, "", kConnecting, N(kConnecting)},
    {110, 303, 77, "Uploading Firmware To DUX", kUpload, N(kUpload)},
    {111, 171, 126, "", kSuccess, N(kSuccess)},
    {113, 171, 126, "", kSuccessAlt, N(kSuccessAlt)},
    {114, 270, 141, "Waiting For Firmware Download Request From DUX", kWaiting,
     N(kWaiting)},
    {139, 204, 143, "", kWarning, N(kWarning)},
    {304, 186, 198, "", kConfirmTransition, N(kConfirmTransition)},
    {305, 164, 178, "", kAddress, N(kAddress)},
};

const PlatDialogTemplate* const kTemplateList[] = {
    &kTemplates[0], &kTemplates[1], &kTemplates[2],  &kTemplates[3],
    &kTemplates[4], &kTemplates[5], &kTemplates[6],  &kTemplates[7],
    &kTemplates[8], &kTemplates[9], &kTemplates[10],
};

}  // namespace

const PlatDialogTemplate* FindDialogTemplate(int templateId) {
  for (const PlatDialogTemplate& t : kTemplates)
    if (t.id == templateId) return &t;
  return nullptr;
}

int ListDialogTemplates(const PlatDialogTemplate* const** list) {
  *list = kTemplateList;
  return N(kTemplateList);
}
