// What keys and mouse clicks do to a dialog: focus moves, button presses,
// editing of entry boxes and of the address control, list choices and
// scrolling.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/curses/view.h"

namespace {

// Entry boxes keep at most this many characters.
constexpr size_t kEntryLimit = 255;

bool IsButton(const EngControl& c) {
  return c.tmpl->kind == kCtlPushButton || c.tmpl->kind == kCtlDefaultButton;
}

int DefaultButtonId(const PlatDialogRec& d) {
  for (const EngControl& c : d.controls)
    if (c.tmpl->kind == kCtlDefaultButton) return c.tmpl->id;
  return 0;
}

bool IsDigit(int key) { return key >= '0' && key <= '9'; }

// A field's value never goes above 255: a larger number becomes 255, as the
// platform's address control does.
void ClampField(std::string* f) {
  if (!f->empty() && std::atoi(f->c_str()) > 255) *f = "255";
}

void StoreAddress(EngControl* c, ControlView* v) {
  c->text = AddressText(v->fields);
  v->synced = c->text;
}

// Moves the address control's caret to another field; the field it leaves
// is clamped.
void EnterField(ControlView* v, int field, bool atEnd) {
  ClampField(&v->fields[v->field]);
  v->field = std::clamp(field, 0, 3);
  v->caret = atEnd ? static_cast<int>(v->fields[v->field].size()) : 0;
}

bool EditAddress(EngControl* c, ControlView* v, int key) {
  std::string& f = v->fields[v->field];
  int len = static_cast<int>(f.size());
  v->caret = std::clamp(v->caret, 0, len);
  if (IsDigit(key)) {
    if (len >= 3) {
      // A full field: the digit starts the next one.
      if (v->field == 3) return false;
      EnterField(v, v->field + 1, false);
      v->fields[v->field].clear();
      return EditAddress(c, v, key);
    }
    f.insert(f.begin() + v->caret, static_cast<char>(key));
    ++v->caret;
    if (f.size() == 3) {
      ClampField(&f);
      if (v->field < 3) {
        EnterField(v, v->field + 1, false);
        v->fields[v->field].clear();
      }
    }
  } else if (key == '.' || key == ' ') {
    // Only a field with something in it is left: a dot typed right after
    // the third digit has moved on does not skip a field.
    if (f.empty() || v->field == 3) return false;
    EnterField(v, v->field + 1, true);
  } else if (key == kKeyBackspace || key == 127) {
    if (v->caret > 0) {
      f.erase(v->caret - 1, 1);
      --v->caret;
    } else if (v->field > 0) {
      EnterField(v, v->field - 1, true);
      std::string& p = v->fields[v->field];
      if (!p.empty()) {
        p.pop_back();
        v->caret = static_cast<int>(p.size());
      }
    }
  } else if (key == kKeyDelete) {
    if (v->caret < len) f.erase(v->caret, 1);
  } else if (key == kKeyLeft) {
    if (v->caret > 0)
      --v->caret;
    else if (v->field > 0)
      EnterField(v, v->field - 1, true);
  } else if (key == kKeyRight) {
    if (v->caret < len)
      ++v->caret;
    else if (v->field < 3)
      EnterField(v, v->field + 1, false);
  } else if (key == kKeyHome) {
    EnterField(v, 0, false);
  } else if (key == kKeyEnd) {
    EnterField(v, 3, true);
  } else {
    return false;
  }
  StoreAddress(c, v);
  return true;
}

void KeepCaretVisible(ControlView* v, int inner) {
  if (inner <= 0) return;
  if (v->caret < v->hscroll) v->hscroll = v->caret;
  if (v->caret >= v->hscroll + inner) v->hscroll = v->caret - inner + 1;
}

bool EditEntry(EngControl* c, ControlView* v, int key, int inner) {
  std::string& t = c->text;
  int len = static_cast<int>(t.size());
  v->caret = std::clamp(v->caret, 0, len);
  if (key >= 0x20 && key < 0x7f) {
    if (t.size() >= kEntryLimit) return false;
    t.insert(t.begin() + v->caret, static_cast<char>(key));
    ++v->caret;
  } else if (key == kKeyBackspace || key == 127) {
    if (v->caret == 0) return false;
    t.erase(v->caret - 1, 1);
    --v->caret;
  } else if (key == kKeyDelete) {
    if (v->caret >= len) return false;
    t.erase(v->caret, 1);
  } else if (key == kKeyLeft) {
    v->caret = std::max(0, v->caret - 1);
  } else if (key == kKeyRight) {
    v->caret = std::min(len, v->caret + 1);
  } else if (key == kKeyHome) {
    v->caret = 0;
  } else if (key == kKeyEnd) {
    v->caret = len;
  } else {
    return false;
  }
  KeepCaretVisible(v, inner);
  return true;
}

bool ScrollText(const EngControl& c, ControlView* v, int key,
                const CellRect& r) {
  int lines = static_cast<int>(SplitLines(c.text).size());
  int maxV = std::max(0, lines - r.rows);
  int longest = 0;
  for (const std::string& l : SplitLines(c.text))
    longest = std::max(longest, static_cast<int>(l.size()));
  int maxH = std::max(0, longest - r.cols);
  int page = std::max(1, r.rows - 1);
  int before = v->vscroll * 100000 + v->hscroll;
  switch (key) {
    case kKeyUp:
      --v->vscroll;
      break;
    case kKeyDown:
      ++v->vscroll;
      break;
    case kKeyPageUp:
      v->vscroll -= page;
      break;
    case kKeyPageDown:
      v->vscroll += page;
      break;
    case kKeyHome:
      v->vscroll = 0;
      v->hscroll = 0;
      break;
    case kKeyEnd:
      v->vscroll = maxV;
      break;
    case kKeyLeft:
      --v->hscroll;
      break;
    case kKeyRight:
      ++v->hscroll;
      break;
    default:
      return false;
  }
  v->vscroll = std::clamp(v->vscroll, 0, maxV);
  v->hscroll = std::clamp(v->hscroll, 0, maxH);
  return before != v->vscroll * 100000 + v->hscroll;
}

void SetFocusLocked(PlatDialogRec* d, DialogView* view, int index) {
  if (index < 0 || index == d->focus) return;
  if (d->focus >= 0 && d->focus < static_cast<int>(view->controls.size())) {
    ControlView& old = view->controls[d->focus];
    old.open = false;
    if (d->controls[d->focus].tmpl->kind == kCtlAddress) {
      ClampField(&old.fields[old.field]);
      StoreAddress(&d->controls[d->focus], &old);
    }
  }
  d->focus = index;
  ControlView& v = view->controls[index];
  const EngControl& c = d->controls[index];
  if (c.tmpl->kind == kCtlEntryBox || c.tmpl->kind == kCtlPasswordBox)
    v.caret = static_cast<int>(c.text.size());
  if (c.tmpl->kind == kCtlAddress) {
    v.field = 0;
    v.caret = static_cast<int>(v.fields[0].size());
  }
}

}  // namespace

std::string AddressText(const std::array<std::string, 4>& fields) {
  char out[24];
  unsigned n[4];
  for (int i = 0; i < 4; ++i) {
    int v = fields[i].empty() ? 0 : std::atoi(fields[i].c_str());
    n[i] = static_cast<unsigned>(std::clamp(v, 0, 255));
  }
  snprintf(out, sizeof out, "%u.%u.%u.%u", n[0], n[1], n[2], n[3]);
  return out;
}

void SyncViewLocked(const PlatDialogRec& d, DialogView* view) {
  view->controls.resize(d.controls.size());
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const EngControl& c = d.controls[i];
    ControlView& v = view->controls[i];
    if (c.tmpl->kind == kCtlAddress && (!v.started || c.text != v.synced)) {
      // A text set by the procedure: split it into the four fields.
      v.fields = {"", "", "", ""};
      int k = 0;
      for (char ch : c.text) {
        if (ch == '.') {
          if (++k > 3) break;
        } else if (IsDigit(ch) && v.fields[k].size() < 3) {
          v.fields[k] += ch;
        }
      }
      for (std::string& f : v.fields) ClampField(&f);
      v.synced = c.text;
      v.started = true;
      v.field = std::clamp(v.field, 0, 3);
      v.caret = static_cast<int>(v.fields[v.field].size());
    }
    if (c.tmpl->kind == kCtlDropDownList && !v.open)
      v.hover = std::max(0, c.selection);
  }
}

int NextTabStopLocked(const PlatDialogRec& d, int from, bool forward) {
  int n = static_cast<int>(d.controls.size());
  if (n == 0) return -1;
  int i = from < 0 ? (forward ? -1 : n) : from;
  for (int step = 0; step < n; ++step) {
    i = forward ? (i + 1) % n : (i - 1 + n) % n;
    if (d.controls[i].tmpl->flags & kCtlTabStop) return i;
  }
  return -1;
}

InputOutcome HandleKeyLocked(PlatDialogRec* d, DialogView* view,
                             const DialogLayout& layout, int key) {
  InputOutcome out;
  SyncViewLocked(*d, view);
  int fi = d->focus;
  bool hasFocus = fi >= 0 && fi < static_cast<int>(d->controls.size());
  EngControl* c = hasFocus ? &d->controls[fi] : nullptr;
  ControlView* v = hasFocus ? &view->controls[fi] : nullptr;
  CellRect r = hasFocus && fi < static_cast<int>(layout.controls.size())
                   ? layout.controls[fi]
                   : CellRect{};
  PlatControlKind kind = c ? c->tmpl->kind : kCtlLabel;

  if (key == kKeyCtrlC) {
    out.command = kPlatIdCancel;
    return out;
  }

  // An open list takes the keys until it closes.
  if (c && kind == kCtlDropDownList && v->open) {
    int n = static_cast<int>(c->items.size());
    out.changed = true;
    switch (key) {
      case kKeyUp:
        v->hover = std::max(0, v->hover - 1);
        break;
      case kKeyDown:
        v->hover = std::min(std::max(0, n - 1), v->hover + 1);
        break;
      case kKeyHome:
        v->hover = 0;
        break;
      case kKeyEnd:
        v->hover = std::max(0, n - 1);
        break;
      case kKeyEnter:
      case ' ':
        if (v->hover >= 0 && v->hover < n) c->selection = v->hover;
        v->open = false;
        break;
      case kKeyEscape:
        v->open = false;
        break;
      case kKeyTab:
      case kKeyBackTab:
        v->open = false;
        SetFocusLocked(d, view, NextTabStopLocked(*d, fi, key == kKeyTab));
        break;
      default:
        out.changed = false;
        break;
    }
    return out;
  }

  switch (key) {
    case kKeyTab:
    case kKeyBackTab:
      SetFocusLocked(d, view, NextTabStopLocked(*d, fi, key == kKeyTab));
      out.changed = true;
      return out;
    case kKeyEscape:
      if (d->modal) out.command = kPlatIdCancel;
      return out;
    case kKeyEnter:
      if (c && IsButton(*c)) {
        out.command = c->tmpl->id;
      } else if (c && kind == kCtlDropDownList) {
        v->open = true;
        v->hover = std::max(0, c->selection);
        out.changed = true;
      } else {
        out.command = DefaultButtonId(*d);
      }
      return out;
    default:
      break;
  }
  if (!c) return out;
  if (IsButton(*c)) {
    if (key == ' ') out.command = c->tmpl->id;
    return out;
  }
  switch (kind) {
    case kCtlEntryBox:
    case kCtlPasswordBox:
      out.changed = EditEntry(c, v, key, r.cols - 2);
      break;
    case kCtlAddress:
      out.changed = EditAddress(c, v, key);
      break;
    case kCtlTextArea:
      out.changed = ScrollText(*c, v, key, r);
      break;
    case kCtlReadOnlyBox: {
      int maxH = std::max(0, static_cast<int>(c->text.size()) - (r.cols - 2));
      int before = v->hscroll;
      if (key == kKeyLeft) --v->hscroll;
      if (key == kKeyRight) ++v->hscroll;
      if (key == kKeyHome) v->hscroll = 0;
      if (key == kKeyEnd) v->hscroll = maxH;
      v->hscroll = std::clamp(v->hscroll, 0, maxH);
      out.changed = before != v->hscroll;
      break;
    }
    case kCtlDropDownList: {
      int n = static_cast<int>(c->items.size());
      if (key == ' ' || key == kKeyAltDown) {
        v->open = true;
        v->hover = std::max(0, c->selection);
        out.changed = true;
      } else if ((key == kKeyUp || key == kKeyDown) && n > 0) {
        // Closed, the arrows step through the entries directly.
        int s = c->selection < 0 ? 0 : c->selection + (key == kKeyUp ? -1 : 1);
        c->selection = std::clamp(s, 0, n - 1);
        v->hover = c->selection;
        out.changed = true;
      }
      break;
    }
    default:
      break;
  }
  return out;
}

InputOutcome HandleClickLocked(PlatDialogRec* d, DialogView* view,
                               const DialogLayout& layout, int row, int col) {
  InputOutcome out;
  SyncViewLocked(*d, view);
  int n = static_cast<int>(d->controls.size());
  // A click into an open list picks the entry under it.
  int fi = d->focus;
  if (fi >= 0 && fi < n && view->controls[fi].open) {
    EngControl& c = d->controls[fi];
    ControlView& v = view->controls[fi];
    int items = static_cast<int>(c.items.size());
    CellRect list = DropListRect(layout, fi, items);
    int shown = list.rows - 2;
    int first = std::clamp(v.hover - shown + 1, 0, std::max(0, items - shown));
    int idx = first + (row - list.row - 1);
    if (col > list.col && col < list.col + list.cols - 1 && row > list.row &&
        row < list.row + list.rows - 1 && idx >= 0 && idx < items)
      c.selection = idx;
    v.open = false;
    out.changed = true;
    return out;
  }
  for (int i = n - 1; i >= 0; --i) {
    if (i >= static_cast<int>(layout.controls.size())) continue;
    const CellRect& r = layout.controls[i];
    if (!r.Contains(row, col)) continue;
    EngControl& c = d->controls[i];
    if (!(c.tmpl->flags & kCtlTabStop)) continue;
    SetFocusLocked(d, view, i);
    out.changed = true;
    ControlView& v = view->controls[i];
    switch (c.tmpl->kind) {
      case kCtlPushButton:
      case kCtlDefaultButton:
        out.command = c.tmpl->id;
        break;
      case kCtlDropDownList:
        v.open = true;
        v.hover = std::max(0, c.selection);
        break;
      case kCtlEntryBox:
      case kCtlPasswordBox:
        v.caret = std::clamp(col - r.col - 1 + v.hscroll, 0,
                             static_cast<int>(c.text.size()));
        break;
      case kCtlAddress: {
        // Fields are a quarter of the control each.
        int quarter = std::max(1, r.cols / 4);
        v.field = std::clamp((col - r.col) / quarter, 0, 3);
        v.caret = static_cast<int>(v.fields[v.field].size());
        break;
      }
      default:
        break;
    }
    return out;
  }
  return out;
}
