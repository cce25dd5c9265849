// Drawing dialogs and message boxes into a Canvas.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "platform/curses/view.h"

namespace {

// The program's icon: a small device with its status light.
const char* const kIcon[] = {
    ".---.",
    "|o *|",
    "'---'",
};

std::string Aligned(const std::string& text, int width, uint8_t flags) {
  int n = static_cast<int>(text.size());
  if (n >= width) return text.substr(0, std::max(width, 0));
  int pad = 0;
  if (flags & kCtlAlignRight) pad = width - n;
  if (flags & kCtlAlignCenter) pad = (width - n) / 2;
  return std::string(pad, ' ') + text + std::string(width - n - pad, ' ');
}

// The first character shown of a single-line box `inner` cells wide whose
// caret is at `caret`, starting from the scroll position `from`.
int VisibleStart(int from, int caret, int inner) {
  if (inner <= 0) return 0;
  if (caret < from) return caret;
  if (caret >= from + inner) return caret - inner + 1;
  return from;
}

void DrawButton(Canvas* cv, const EngControl& c, const CellRect& r,
                bool focused) {
  bool def = c.tmpl->kind == kCtlDefaultButton;
  std::string face = (def ? "< " : "[ ") + c.text + (def ? " >" : " ]");
  int n = static_cast<int>(face.size());
  int col = r.col + std::max(0, (r.cols - n) / 2);
  cv->Text(r.row, col, face, focused ? kRoleFocus : kRoleDialog,
           r.col + r.cols - col);
}

void DrawTextArea(Canvas* cv, const EngControl& c, const ControlView& v,
                  const CellRect& r, bool focused) {
  std::vector<std::string> lines = SplitLines(c.text);
  CellRole role = focused ? kRoleField : kRoleDialog;
  cv->Fill(r.row, r.col, r.rows, r.cols, ' ', role);
  for (int i = 0; i < r.rows; ++i) {
    size_t li = static_cast<size_t>(v.vscroll + i);
    if (li >= lines.size()) break;
    const std::string& l = lines[li];
    if (static_cast<int>(l.size()) > v.hscroll)
      cv->Text(r.row + i, r.col, l.substr(v.hscroll), role, r.cols);
  }
  // Marks at the right edge tell that there is more to scroll to.
  if (r.rows > 0 && r.cols > 0) {
    if (v.vscroll > 0) cv->Put(r.row, r.col + r.cols - 1, '^', kRoleFocus);
    if (v.vscroll + r.rows < static_cast<int>(lines.size()))
      cv->Put(r.row + r.rows - 1, r.col + r.cols - 1, 'v', kRoleFocus);
  }
}

// A single-line box: brackets for the border, the visible part of `shown`.
void DrawBox(Canvas* cv, const CellRect& r, bool border,
             const std::string& shown, int start, uint8_t flags,
             CellRole inside) {
  int col = r.col, cols = r.cols;
  if (border && cols >= 2) {
    cv->Put(r.row, col, '[', kRoleDialog);
    cv->Put(r.row, col + cols - 1, ']', kRoleDialog);
    ++col;
    cols -= 2;
  }
  std::string part =
      start < static_cast<int>(shown.size()) ? shown.substr(start) : "";
  cv->Text(r.row, col, Aligned(part, cols, flags), inside, cols);
}

void DrawAddress(Canvas* cv, const EngControl& c, const ControlView& v,
                 const CellRect& r, bool focused, bool active) {
  std::array<std::string, 4> f = v.fields;
  if (!v.started) {
    // Not seen by the frontend yet: show the control's text as it is.
    f = {"", "", "", ""};
    std::string part;
    int k = 0;
    for (char ch : c.text + ".") {
      if (ch == '.') {
        if (k < 4) f[k++] = part;
        part.clear();
      } else {
        part += ch;
      }
    }
  }
  // "[ 10 .  1 .  0 . 123 ]" when there is room, else "[ 10.1.0.123 ]".
  bool wide = r.cols >= 25;
  int fieldCols = 3, sep = wide ? 3 : 1;
  int used = 4 * fieldCols + 3 * sep + (wide ? 2 : 0);
  int col = r.col + 1 + std::max(0, (r.cols - 2 - used) / 2);
  cv->Put(r.row, r.col, '[', kRoleDialog);
  cv->Fill(r.row, r.col + 1, 1, std::max(0, r.cols - 2), ' ', kRoleField);
  cv->Put(r.row, r.col + r.cols - 1, ']', kRoleDialog);
  if (wide) ++col;
  for (int i = 0; i < 4; ++i) {
    bool here = focused && v.field == i;
    std::string text = Aligned(f[i], fieldCols, kCtlAlignRight);
    cv->Text(r.row, col, text, here ? kRoleFocus : kRoleField,
             r.col + r.cols - 1 - col);
    if (here && active) {
      cv->cursorRow = r.row;
      cv->cursorCol = col + fieldCols - static_cast<int>(f[i].size()) +
                      std::clamp(v.caret, 0, static_cast<int>(f[i].size()));
      cv->cursorCol = std::min(cv->cursorCol, col + fieldCols - 1);
    }
    col += fieldCols;
    if (i < 3) {
      cv->Text(r.row, col, wide ? " . " : ".", kRoleField,
               r.col + r.cols - 1 - col);
      col += sep;
    }
  }
}

void DrawDropDown(Canvas* cv, const EngControl& c, const CellRect& r,
                  bool focused) {
  if (r.cols < 4) return;
  std::string shown;
  if (c.selection >= 0 && c.selection < static_cast<int>(c.items.size()))
    shown = c.items[c.selection];
  CellRole role = focused ? kRoleFocus : kRoleField;
  cv->Put(r.row, r.col, '[', kRoleDialog);
  cv->Text(r.row, r.col + 1, Aligned(shown, r.cols - 4, 0), role, r.cols - 4);
  cv->Put(r.row, r.col + r.cols - 3, ' ', role);
  cv->Put(r.row, r.col + r.cols - 2, 'v', kRoleDialog);
  cv->Put(r.row, r.col + r.cols - 1, ']', kRoleDialog);
}

void DrawList(Canvas* cv, const EngControl& c, const ControlView& v,
              const CellRect& r) {
  int n = static_cast<int>(c.items.size());
  int shown = r.rows - 2;
  int first = std::clamp(v.hover - shown + 1, 0, std::max(0, n - shown));
  cv->Fill(r.row, r.col, r.rows, r.cols, ' ', kRoleDialog);
  cv->Box(r.row, r.col, r.rows, r.cols, kRoleFrame);
  for (int i = 0; i < shown && first + i < n; ++i) {
    int idx = first + i;
    CellRole role = idx == v.hover ? kRoleFocus : kRoleDialog;
    cv->Text(r.row + 1 + i, r.col + 1,
             Aligned(c.items[idx], std::max(0, r.cols - 2), 0), role,
             r.cols - 2);
  }
}

void DrawProgress(Canvas* cv, const EngControl& c, const CellRect& r) {
  if (r.cols < 3) return;
  int inner = r.cols - 2;
  long span = static_cast<long>(c.rangeHigh) - c.rangeLow;
  long filled = 0;
  if (span > 0)
    filled = (static_cast<long>(c.position) - c.rangeLow) * inner / span;
  filled = std::clamp(filled, 0L, static_cast<long>(inner));
  cv->Put(r.row, r.col, '[', kRoleDialog);
  for (int i = 0; i < inner; ++i) {
    if (i < filled)
      cv->Put(r.row, r.col + 1 + i, '#', kRoleBarFill);
    else
      cv->Put(r.row, r.col + 1 + i, ' ', kRoleField);
  }
  cv->Put(r.row, r.col + r.cols - 1, ']', kRoleDialog);
}

}  // namespace

void DrawDialogLocked(Canvas* cv, const PlatDialogRec& d,
                      const DialogView& view, const DialogLayout& layout,
                      bool active) {
  const CellRect& b = layout.box;
  cv->Fill(b.row, b.col, b.rows, b.cols, ' ', kRoleDialog);
  cv->Box(b.row, b.col, b.rows, b.cols, kRoleFrame, d.caption);
  static const ControlView kBlank;
  int openList = -1;
  for (size_t i = 0; i < d.controls.size() && i < layout.controls.size(); ++i) {
    const EngControl& c = d.controls[i];
    const CellRect& r = layout.controls[i];
    const ControlView& v = i < view.controls.size() ? view.controls[i] : kBlank;
    bool focused = active && d.focus == static_cast<int>(i);
    if (r.rows <= 0 || r.cols <= 0) continue;
    switch (c.tmpl->kind) {
      case kCtlPushButton:
      case kCtlDefaultButton:
        DrawButton(cv, c, r, focused);
        break;
      case kCtlTextArea:
        DrawTextArea(cv, c, v, r, focused);
        break;
      case kCtlReadOnlyBox:
        DrawBox(cv, r, c.tmpl->flags & kCtlBorder, c.text,
                VisibleStart(v.hscroll, 0, r.cols), c.tmpl->flags,
                focused ? kRoleFocus : kRoleField);
        break;
      case kCtlEntryBox:
      case kCtlPasswordBox: {
        std::string shown = c.tmpl->kind == kCtlPasswordBox
                                ? std::string(c.text.size(), '*')
                                : c.text;
        int inner = std::max(1, r.cols - 2);
        int caret = std::clamp(v.caret, 0, static_cast<int>(shown.size()));
        int start = VisibleStart(v.hscroll, caret, inner);
        DrawBox(cv, r, true, shown, start, 0,
                focused ? kRoleFocus : kRoleField);
        if (focused) {
          cv->cursorRow = r.row;
          cv->cursorCol = r.col + 1 + caret - start;
        }
        break;
      }
      case kCtlLabel: {
        std::vector<std::string> lines = WrapWords(c.text, r.cols);
        for (int k = 0; k < r.rows && k < static_cast<int>(lines.size()); ++k)
          cv->Text(r.row + k, r.col, Aligned(lines[k], r.cols, c.tmpl->flags),
                   kRoleDialog, r.cols);
        break;
      }
      case kCtlIcon:
        for (int k = 0; k < 3 && k < r.rows; ++k)
          cv->Text(r.row + k, r.col, kIcon[k], kRoleDialog, r.cols);
        break;
      case kCtlAddress:
        DrawAddress(cv, c, v, r, focused, active);
        break;
      case kCtlDropDownList:
        DrawDropDown(cv, c, r, focused);
        if (focused && v.open) openList = static_cast<int>(i);
        break;
      case kCtlProgressBar:
        DrawProgress(cv, c, r);
        break;
    }
  }
  if (openList >= 0)
    DrawList(cv, d.controls[openList], view.controls[openList],
             DropListRect(layout, openList,
                          static_cast<int>(d.controls[openList].items.size())));
}

CellRect LayoutMessageBox(const MessageBoxView& box, int screenCols,
                          int screenRows) {
  int maxInner = std::max(10, screenCols - 6);
  int longest = 0;
  for (const std::string& l : SplitLines(box.text))
    longest = std::max(longest, static_cast<int>(l.size()));
  int inner =
      std::clamp(std::max(longest, static_cast<int>(box.caption.size()) + 4),
                 14, maxInner);
  int lines = static_cast<int>(WrapWords(box.text, inner).size());
  CellRect r;
  r.cols = inner + 4;
  r.rows = std::min(lines + 5, std::max(6, screenRows));
  r.col = std::max(0, (screenCols - r.cols) / 2);
  r.row = std::max(0, (screenRows - r.rows) / 2);
  return r;
}

void DrawMessageBox(Canvas* cv, const MessageBoxView& box, bool active) {
  CellRect r = LayoutMessageBox(box, cv->width, cv->height);
  cv->Fill(r.row, r.col, r.rows, r.cols, ' ', kRoleDialog);
  cv->Box(r.row, r.col, r.rows, r.cols, kRoleFrame, box.caption);
  std::vector<std::string> lines = WrapWords(box.text, r.cols - 4);
  int textRows = r.rows - 5;
  for (int i = 0; i < textRows && i < static_cast<int>(lines.size()); ++i)
    cv->Text(r.row + 2 + i, r.col + 2, lines[i], kRoleDialog, r.cols - 4);
  std::string ok = "< OK >";
  cv->Text(r.row + r.rows - 2, r.col + (r.cols - 6) / 2, ok,
           active ? kRoleFocus : kRoleDialog);
}

void DrawScreenLocked(Canvas* cv, const std::vector<PlatDialogRec*>& open,
                      std::map<const PlatDialogRec*, DialogView>* views,
                      const std::vector<MessageBoxView>& boxes) {
  cv->Fill(0, 0, cv->height, cv->width, ' ', kRoleScreen);
  cv->cursorRow = cv->cursorCol = -1;
  std::vector<DialogLayout> layouts;
  bool hintFree = cv->height > 1;
  for (const PlatDialogRec* d : open) {
    layouts.push_back(LayoutDialogLocked(*d, cv->width, cv->height));
    const CellRect& b = layouts.back().box;
    if (b.row + b.rows >= cv->height) hintFree = false;
  }
  // A line of help at the bottom, where no dialog covers it.
  if (hintFree)
    cv->Text(cv->height - 1, 1,
             "Tab: next field   Enter: OK   Esc: Cancel   Space: open list",
             kRoleScreen, cv->width - 2);
  for (size_t i = 0; i < open.size(); ++i) {
    const PlatDialogRec& d = *open[i];
    DialogView& v = (*views)[&d];
    SyncViewLocked(d, &v);
    bool active = i + 1 == open.size() && boxes.empty();
    DrawDialogLocked(cv, d, v, layouts[i], active);
  }
  if (!boxes.empty()) cv->cursorRow = cv->cursorCol = -1;
  for (size_t i = 0; i < boxes.size(); ++i)
    DrawMessageBox(cv, boxes[i], i + 1 == boxes.size());
  // Forget the views of dialogs that have gone.
  for (auto it = views->begin(); it != views->end();) {
    bool still = false;
    for (const PlatDialogRec* d : open) still = still || d == it->first;
    it = still ? std::next(it) : views->erase(it);
  }
}
