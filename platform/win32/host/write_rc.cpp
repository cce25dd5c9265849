// Writes the resource script of the Windows build: the dialog templates from
// the one table of dialogs that every frontend uses (so that no control,
// text or position can differ between platforms), the program's icon, the
// manifest and the firmware images.
//
//   dux-write-rc --output FILE.rc --icon FILE.ico --manifest FILE
//                --target IMAGE [--transition IMAGE]
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/dialog_template.h"
#include "resources/dialog_ids.h"

namespace {

constexpr int kTargetImageResource = 726;
constexpr int kTransitionImageResource = 319;

// A resource-compiler string literal.
std::string Quote(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    switch (*p) {
      case '"':
        out += "\"\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += *p;
    }
  }
  return out + "\"";
}

const char* Alignment(uint8_t flags, const char* left, const char* right,
                      const char* center) {
  if (flags & kCtlAlignRight) return right;
  if (flags & kCtlAlignCenter) return center;
  return left;
}

// The window class and style of one control; false for a kind or flag this
// tool does not know.
bool ClassAndStyle(const PlatControlTemplate& c, std::string* cls,
                   std::string* style) {
  std::string s = "WS_CHILD | WS_VISIBLE";
  switch (c.kind) {
    case kCtlPushButton:
      *cls = "BUTTON";
      s += " | BS_PUSHBUTTON";
      break;
    case kCtlDefaultButton:
      *cls = "BUTTON";
      s += " | BS_DEFPUSHBUTTON";
      break;
    case kCtlTextArea:
      *cls = "EDIT";
      s += " | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL";
      break;
    case kCtlReadOnlyBox:
      *cls = "EDIT";
      s += std::string(" | ") +
           Alignment(c.flags, "ES_LEFT", "ES_RIGHT", "ES_CENTER") +
           " | ES_READONLY | ES_AUTOHSCROLL";
      break;
    case kCtlEntryBox:
      *cls = "EDIT";
      s += " | ES_LEFT | ES_AUTOHSCROLL";
      break;
    case kCtlPasswordBox:
      *cls = "EDIT";
      s += " | ES_LEFT | ES_PASSWORD | ES_AUTOHSCROLL";
      break;
    case kCtlLabel:
      *cls = "STATIC";
      s += std::string(" | ") +
           Alignment(c.flags, "SS_LEFT", "SS_RIGHT", "SS_CENTER") +
           " | WS_GROUP";
      break;
    case kCtlIcon:
      if (c.iconId <= 0) return false;
      *cls = "STATIC";
      s += " | SS_ICON";
      break;
    case kCtlAddress:
      *cls = "SysIPAddress32";
      break;
    case kCtlDropDownList:
      *cls = "COMBOBOX";
      s += " | CBS_DROPDOWNLIST | WS_VSCROLL";
      break;
    case kCtlProgressBar:
      *cls = "msctls_progress32";
      break;
    default:
      return false;
  }
  if (c.flags & ~(kCtlTabStop | kCtlBorder | kCtlAlignRight | kCtlAlignCenter))
    return false;
  if (c.flags & kCtlTabStop) s += " | WS_TABSTOP";
  if (c.flags & kCtlBorder) s += " | WS_BORDER";
  *style = s;
  return true;
}

bool WriteDialog(FILE* out, const PlatDialogTemplate& d) {
  fprintf(out, "%d DIALOGEX 0, 0, %d, %d\n", d.id, d.width, d.height);
  fprintf(out,
          "STYLE WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | "
          "DS_SETFONT\n");
  fprintf(out, "CAPTION %s\n", Quote(d.caption).c_str());
  fprintf(out, "FONT 8, \"MS Sans Serif\"\nBEGIN\n");
  for (int i = 0; i < d.controlCount; ++i) {
    const PlatControlTemplate& c = d.controls[i];
    std::string cls, style;
    if (!ClassAndStyle(c, &cls, &style)) {
      fprintf(stderr, "dialog %d: control %d of unknown kind or flags\n", d.id,
              i);
      return false;
    }
    // An icon control names its icon resource by number.
    std::string text =
        c.kind == kCtlIcon ? std::to_string(c.iconId) : Quote(c.text);
    fprintf(out, "  CONTROL %s, %d, \"%s\", %s, %d, %d, %d, %d\n", text.c_str(),
            c.id, cls.c_str(), style.c_str(), c.x, c.y, c.width, c.height);
  }
  fprintf(out, "END\n\n");
  return true;
}

void Usage() {
  fprintf(stderr,
          "usage: dux-write-rc --output FILE.rc --icon FILE.ico "
          "--manifest FILE --target IMAGE [--transition IMAGE]\n");
}

}  // namespace

int main(int argc, char** argv) {
  const char* output = nullptr;
  const char* icon = nullptr;
  const char* manifest = nullptr;
  const char* target = nullptr;
  const char* transition = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char** slot = nullptr;
    if (!strcmp(argv[i], "--output")) slot = &output;
    if (!strcmp(argv[i], "--icon")) slot = &icon;
    if (!strcmp(argv[i], "--manifest")) slot = &manifest;
    if (!strcmp(argv[i], "--target")) slot = &target;
    if (!strcmp(argv[i], "--transition")) slot = &transition;
    if (!slot || i + 1 >= argc) {
      Usage();
      return 2;
    }
    *slot = argv[++i];
  }
  if (!output || !icon || !manifest || !target) {
    Usage();
    return 2;
  }
  FILE* out = fopen(output, "w");
  if (!out) {
    perror(output);
    return 1;
  }
  fprintf(out,
          "// Generated by dux-write-rc from the dialog table; do not edit.\n"
          "#include <windows.h>\n#include <commctrl.h>\n\n");
  fprintf(out, "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST %s\n",
          Quote(manifest).c_str());
  fprintf(out, "%d ICON %s\n", kProgramIconId, Quote(icon).c_str());
  fprintf(out, "%d DUX_FIRMWARE %s\n", kTargetImageResource,
          Quote(target).c_str());
  if (transition)
    fprintf(out, "%d DUX_FIRMWARE %s\n", kTransitionImageResource,
            Quote(transition).c_str());
  fprintf(out, "\n");
  const PlatDialogTemplate* const* list = nullptr;
  int count = ListDialogTemplates(&list);
  bool ok = count > 0;
  for (int i = 0; ok && i < count; ++i) ok = WriteDialog(out, *list[i]);
  if (fclose(out) != 0 || !ok) {
    remove(output);
    return 1;
  }
  return 0;
}
