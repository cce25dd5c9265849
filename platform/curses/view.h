// The terminal frontend's drawing and input logic as plain functions of the
// engine's dialog records: layout in character cells, rendering into a
// Canvas, and what a key or a mouse click does to a dialog. Nothing here
// touches the terminal, so tests and the pictures tool use it directly.
//
// Every function whose name ends in Locked expects the caller to hold
// EngLock() (or the record to be private to the caller).
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "platform/curses/canvas.h"
#include "platform/dialogs/engine.h"

// Dialog units per character cell.
constexpr int kUnitsPerCol = 4;
constexpr int kUnitsPerRow = 8;

struct CellRect {
  int row = 0, col = 0, rows = 0, cols = 0;
  bool Contains(int r, int c) const {
    return r >= row && r < row + rows && c >= col && c < col + cols;
  }
};

// Where a dialog and its controls land on a screen of that size. The box
// includes the frame; control rectangles are absolute screen cells.
struct DialogLayout {
  CellRect box;
  std::vector<CellRect> controls;  // one per control, in template order
  int screenCols = 0, screenRows = 0;
};

// Where the open list of a drop-down field goes (frame included): below the
// field, or above it when the screen has no room below.
CellRect DropListRect(const DialogLayout& layout, int control, int items);

// Places the dialog on the screen: dialog units to cells, text areas
// widened to show their longest line when there is room, and a dialog
// taller than the screen made to fit by giving its tallest texts fewer rows
// (they scroll) and dropping empty rows, before anything is clipped.
DialogLayout LayoutDialogLocked(const PlatDialogRec& d, int screenCols,
                                int screenRows);

// Fills a record that the engine does not know (for pictures and tests)
// from a template: its caption, controls and texts, the focus on the first
// tab stop, centred on a screen of that many cells as the procedures
// centre their dialogs. False when there is no such template.
bool InitDetachedDialog(PlatDialogRec* d, int templateId, int screenCols,
                        int screenRows);

// Per-control state that only the frontend keeps.
struct ControlView {
  int caret = 0;      // entry boxes: caret index into the text
  int hscroll = 0;    // first character shown (single-line boxes, text areas)
  int vscroll = 0;    // first line shown (text areas)
  bool open = false;  // drop-down list: the list is shown
  int hover = 0;      // drop-down list: the entry under the highlight
  // Address control: the four fields as typed, the field with the caret and
  // the engine text these fields were last synced to.
  std::array<std::string, 4> fields;
  int field = 0;
  std::string synced;
  bool started = false;
};

struct DialogView {
  std::vector<ControlView> controls;
};

// Creates or refreshes the view of a dialog: adopts texts the procedure set
// into the address control since the last sync.
void SyncViewLocked(const PlatDialogRec& d, DialogView* view);

// A text's lines at its CR LF (or LF) breaks.
std::vector<std::string> SplitLines(const std::string& text);
// A static text's lines: its own breaks, then words wrapped at `width`
// (a word longer than the width is cut).
std::vector<std::string> WrapWords(const std::string& text, int width);

// The dotted form of an address control's fields (blank fields count 0).
std::string AddressText(const std::array<std::string, 4>& fields);

// Renders one dialog; `active` shows the focus and the caret.
void DrawDialogLocked(Canvas* canvas, const PlatDialogRec& d,
                      const DialogView& view, const DialogLayout& layout,
                      bool active);

struct MessageBoxView {
  std::string caption, text;
};
CellRect LayoutMessageBox(const MessageBoxView& box, int screenCols,
                          int screenRows);
void DrawMessageBox(Canvas* canvas, const MessageBoxView& box, bool active);

// A whole frame: the background, the open dialogs oldest first (the last
// one active unless a message box is open), then the message boxes (the
// last one active). Creates and refreshes the views of the dialogs.
void DrawScreenLocked(Canvas* canvas, const std::vector<PlatDialogRec*>& open,
                      std::map<const PlatDialogRec*, DialogView>* views,
                      const std::vector<MessageBoxView>& boxes);

// Keys as the frontend passes them in (printable characters as themselves).
enum CursesKey : int {
  kKeyCtrlC = 3,
  kKeyBackspace = 8,
  kKeyTab = 9,
  kKeyEnter = 10,
  kKeyEscape = 27,
  kKeyLeft = 0x1000,
  kKeyRight,
  kKeyUp,
  kKeyDown,
  kKeyHome,
  kKeyEnd,
  kKeyPageUp,
  kKeyPageDown,
  kKeyDelete,
  kKeyBackTab,
  kKeyAltDown,
};

// What a key or click asks the caller to do once it has dropped the lock.
struct InputOutcome {
  int command = 0;       // post this button command to the dialog (0: none)
  bool changed = false;  // something visible changed
};

InputOutcome HandleKeyLocked(PlatDialogRec* d, DialogView* view,
                             const DialogLayout& layout, int key);
InputOutcome HandleClickLocked(PlatDialogRec* d, DialogView* view,
                               const DialogLayout& layout, int row, int col);

// The control a Tab (forward) or Shift-Tab moves the focus to, or -1.
int NextTabStopLocked(const PlatDialogRec& d, int from, bool forward);
