// Dialog templates as data: the one description of every dialog, from which
// each frontend builds its dialogs (and the Windows build its resource script).
#pragma once

#include <cstdint>

enum PlatControlKind : uint8_t {
  kCtlPushButton,
  kCtlDefaultButton,
  kCtlTextArea,      // multi-line, read-only, no border, lines never wrap
  kCtlReadOnlyBox,   // single line, read-only
  kCtlEntryBox,      // single line, editable
  kCtlPasswordBox,   // entry box, characters shown masked
  kCtlLabel,         // static text, wraps its words
  kCtlIcon,          // static icon naming an icon resource (`iconId`)
  kCtlAddress,       // IPv4 address control: four number fields
  kCtlDropDownList,  // drop-down list, not sorted
  kCtlProgressBar,
};

enum PlatControlFlags : uint8_t {
  kCtlTabStop = 1,
  kCtlBorder = 2,
  kCtlAlignRight = 4,
  kCtlAlignCenter = 8,
};

constexpr int kPlatNoControlId = -1;

struct PlatControlTemplate {
  int id;  // kPlatNoControlId for labels and icons that nobody addresses
  PlatControlKind kind;
  uint8_t flags;
  int16_t x, y, width, height;  // dialog units
  const char* text;             // initial text, never null
  int iconId;                   // kCtlIcon only; 0 elsewhere
};

struct PlatDialogTemplate {
  int id;
  int16_t width, height;  // dialog units
  const char* caption;    // initial caption, never null
  const PlatControlTemplate* controls;
  int controlCount;
};

// Provided by the program's resources: the template of that id, or null.
const PlatDialogTemplate* FindDialogTemplate(int templateId);
// Every template, in id order (for tools that render them all).
int ListDialogTemplates(const PlatDialogTemplate* const** list);
