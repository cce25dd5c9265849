// dux-render-dialogs OUTDIR: draws every dialog, with the texts the wizard
// puts into it, and the message boxes on an 80 x 24 screen, and writes each
// picture as a text file into OUTDIR.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/curses/view.h"
#include "resources/dialog_ids.h"
#include "ui/dialog_texts.h"

namespace {

constexpr int kCols = 80, kRows = 24;

const char kProduct[] = "DUXT6eM";
const char kVersion[] = "7.2.19c";
const char kDevice[] = "10.1.0.123";

struct Picture {
  int templateId;
  const char* file;
  const char* caption;  // null: the template's
  std::vector<std::pair<int, std::string>> texts;
  int focus;  // control id, 0: first tab stop
  int barPos, barHigh;
};

std::string Confirmation(bool transition) {
  if (!transition) return kConfirmIntro;
  char text[1024];
  snprintf(text, sizeof text, kTransitionNote, kConfirmIntro, "6.9.1");
  return text;
}

std::vector<std::pair<int, std::string>> DeviceFields(bool transition) {
  return {{kIdText, Confirmation(transition)},  {kIdSerialNumber, "DX6E000123"},
          {kIdMacAddress, "00:0B:82:12:34:56"}, {kIdSoftwareVersion, "7.1.4a"},
          {kIdHardwareVersion, "1.2"},          {kIdProductName, kProduct}};
}

const std::string kCaption = std::string(kProduct) + " Firmware Upgrade";
const std::string kConfirmCaption =
    std::string("Confirm Upgrade to Ver. ") + kVersion;
const std::string kSuccessCaption =
    std::string("DUX@") + kDevice + " Upgrade Successful!";
std::vector<Picture> Pictures() {
  std::string version = std::string("Version ") + kVersion;
  return {
      {kDlgWarning,
       "139-warning.txt",
       kCaption.c_str(),
       {{kIdWarningText, kWarningText}},
       kIdCancel,
       0,
       0},
      {kDlgAddressAdapter,
       "101-address-adapter.txt",
       kCaption.c_str(),
       {{kIdText, kAddressIntro},
        {kIdHelpText, kAdapterHelp},
        {kIdVersion, version},
        {kIdAddress, "10.1.0.123"}},
       kIdAddress,
       0,
       0},
      {kDlgAddressPhone,
       "305-address-phone.txt",
       kCaption.c_str(),
       {{kIdText, kAddressIntro},
        {kIdHelpText, kPhoneHelp},
        {kIdVersion, version}},
       kIdAddress,
       0,
       0},
      {kDlgPassword,
       "104-password.txt",
       nullptr,
       {{kIdText, kPasswordText},
        {kIdUserName, "admin"},
        {kIdPassword, "secret"}},
       kIdPassword,
       0,
       0},
      {kDlgConfirmTarget, "103-confirm.txt", kConfirmCaption.c_str(),
       DeviceFields(false), 0, 0, 0},
      {kDlgConfirmTransition, "304-confirm-transition.txt", nullptr,
       DeviceFields(true), 0, 0, 0},
      {kDlgConnecting, "105-connecting.txt", nullptr, {}, 0, 40, 100},
      {kDlgWaiting,
       "114-waiting.txt",
       nullptr,
       {{kIdWaitingText, kWaitingHelpText}},
       0,
       300,
       1000},
      {kDlgUpload, "110-upload.txt", nullptr, {}, 0, 700, 1000},
      {kDlgSuccess,
       "111-success.txt",
       kSuccessCaption.c_str(),
       {{kIdText, kSuccessText}, {kIdSoftwareVersion, kVersion}},
       0,
       0,
       0},
      {kDlgSuccessAlt,
       "113-success.txt",
       kSuccessCaption.c_str(),
       {{kIdText, kSuccessText}, {kIdSoftwareVersion, kVersion}},
       0,
       0,
       0},
  };
}

std::unique_ptr<PlatDialogRec> Build(const Picture& p) {
  auto d = std::make_unique<PlatDialogRec>();
  if (!InitDetachedDialog(d.get(), p.templateId, kCols, kRows)) return nullptr;
  if (p.templateId == kDlgConfirmTransition)
    d->caption = kConfirmCaption;
  else if (p.templateId == kDlgConnecting)
    d->caption = std::string("Connecting with DUX@") + kDevice;
  else if (p.caption)
    d->caption = p.caption;
  for (const auto& [id, text] : p.texts)
    if (EngControl* c = EngFindControlLocked(d.get(), id)) c->text = text;
  if (EngControl* list = EngFindControlLocked(d.get(), kIdLocalAddresses)) {
    list->items = {"10.1.0.20", "192.168.1.10"};
    list->selection = 0;
  }
  if (EngControl* bar = EngFindControlLocked(d.get(), kIdProgress)) {
    bar->rangeHigh = p.barHigh;
    bar->position = p.barPos;
  }
  if (p.focus != 0)
    for (size_t i = 0; i < d->controls.size(); ++i)
      if (d->controls[i].tmpl->id == p.focus) d->focus = static_cast<int>(i);
  return d;
}

bool Write(const std::string& dir, const std::string& name, const Canvas& cv) {
  std::string path = dir + "/" + name;
  FILE* f = fopen(path.c_str(), "w");
  if (!f) {
    fprintf(stderr, "dux-render-dialogs: cannot write %s\n", path.c_str());
    return false;
  }
  std::string text = cv.ToText();
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: dux-render-dialogs OUTDIR\n");
    return 2;
  }
  std::string dir = argv[1];
  bool ok = true;
  std::map<int, std::unique_ptr<PlatDialogRec>> built;
  for (const Picture& p : Pictures()) {
    std::unique_ptr<PlatDialogRec> d = Build(p);
    if (!d) {
      fprintf(stderr, "dux-render-dialogs: no template %d\n", p.templateId);
      ok = false;
      continue;
    }
    std::map<const PlatDialogRec*, DialogView> views;
    Canvas cv(kCols, kRows);
    DrawScreenLocked(&cv, {d.get()}, &views, {});
    ok = Write(dir, p.file, cv) && ok;
    built[p.templateId] = std::move(d);
  }
  // Two threads' dialogs at once, and the message boxes over a dialog.
  std::map<const PlatDialogRec*, DialogView> views;
  if (built.count(kDlgWaiting) && built.count(kDlgConnecting)) {
    Canvas cv(kCols, kRows);
    DrawScreenLocked(&cv,
                     {built[kDlgWaiting].get(), built[kDlgConnecting].get()},
                     &views, {});
    ok = Write(dir, "stacked-waiting-connecting.txt", cv) && ok;
  }
  if (built.count(kDlgAddressAdapter)) {
    Canvas cv(kCols, kRows);
    DrawScreenLocked(&cv, {built[kDlgAddressAdapter].get()}, &views,
                     {MessageBoxView{"Error", "Invalid IP Address"}});
    ok = Write(dir, "msgbox-invalid-address.txt", cv) && ok;
  }
  if (built.count(kDlgWaiting)) {
    Canvas cv(kCols, kRows);
    DrawScreenLocked(&cv, {built[kDlgWaiting].get()}, &views,
                     {MessageBoxView{"DUX Firwmare Upgrade Error",
                                     "Upgrade Failed: User Abort"}});
    ok = Write(dir, "msgbox-user-abort.txt", cv) && ok;
  }
  return ok ? 0 : 1;
}
