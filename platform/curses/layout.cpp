// Dialog units to character cells, and the fitting of a dialog to a small
// terminal.
#include <algorithm>

#include "platform/curses/view.h"

namespace {

// Division that rounds towards minus infinity (positions may be negative).
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

bool IsMultiRow(const PlatControlTemplate& t) {
  switch (t.kind) {
    case kCtlTextArea:
    case kCtlIcon:
      return true;
    case kCtlLabel:
      return t.height > 12;
    default:
      return false;
  }
}

// The control's cells relative to the dialog's client area.
CellRect UnitsToCells(const PlatControlTemplate& t) {
  CellRect r;
  r.col = t.x / kUnitsPerCol;
  r.cols = std::max(1, (t.x + t.width + 2) / kUnitsPerCol - r.col);
  if (IsMultiRow(t)) {
    r.row = t.y / kUnitsPerRow;
    r.rows = std::max(1, (t.y + t.height + 4) / kUnitsPerRow - r.row);
  } else {
    // A one-line control sits on the row of its middle, so that a label
    // and the box beside it end up on the same row. A drop-down list's
    // height includes its list: only the closed field counts.
    int h = t.kind == kCtlDropDownList ? std::min<int>(t.height, 14) : t.height;
    r.row = (t.y + h / 2) / kUnitsPerRow;
    r.rows = 1;
  }
  return r;
}

bool Overlaps(const CellRect& a, const CellRect& b) {
  return a.row < b.row + b.rows && b.row < a.row + a.rows &&
         a.col < b.col + b.cols && b.col < a.col + a.cols;
}

int LongestLine(const std::string& text) {
  int n = 0;
  for (const std::string& l : SplitLines(text))
    n = std::max(n, static_cast<int>(l.size()));
  return n;
}

bool RowFree(const std::vector<CellRect>& rects, size_t except, int row,
             int col, int cols) {
  CellRect probe{row, col, 1, cols};
  for (size_t j = 0; j < rects.size(); ++j)
    if (j != except && Overlaps(probe, rects[j])) return false;
  return true;
}

// Moves every control that starts at or below `row` up by `by` rows.
void ShiftUp(std::vector<CellRect>* rects, int row, int by) {
  for (CellRect& r : *rects)
    if (r.row >= row) r.row -= by;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (ch == '\n' || ch == '\r') {
      lines.emplace_back();
    } else {
      lines.back() += ch;
    }
  }
  return lines;
}

std::vector<std::string> WrapWords(const std::string& text, int width) {
  std::vector<std::string> out;
  if (width <= 0) return out;
  for (const std::string& para : SplitLines(text)) {
    std::string line;
    size_t i = 0;
    size_t before = out.size();
    while (i < para.size()) {
      size_t start = para.find_first_not_of(' ', i);
      if (start == std::string::npos) break;
      size_t end = para.find(' ', start);
      if (end == std::string::npos) end = para.size();
      std::string word = para.substr(start, end - start);
      i = end;
      while (static_cast<int>(word.size()) > width) {
        if (!line.empty()) out.push_back(line);
        out.push_back(word.substr(0, width));
        word.erase(0, width);
        line.clear();
      }
      if (word.empty()) continue;
      if (line.empty()) {
        line = word;
      } else if (static_cast<int>(line.size() + 1 + word.size()) <= width) {
        line += ' ';
        line += word;
      } else {
        out.push_back(line);
        line = word;
      }
    }
    if (!line.empty() || out.size() == before) out.push_back(line);
  }
  return out;
}

DialogLayout LayoutDialogLocked(const PlatDialogRec& d, int screenCols,
                                int screenRows) {
  const PlatDialogTemplate& t = *d.tmpl;
  std::vector<CellRect> rects;
  for (const EngControl& c : d.controls) rects.push_back(UnitsToCells(*c.tmpl));

  int clientCols = (t.width + kUnitsPerCol - 1) / kUnitsPerCol;
  int clientRows = (t.height + kUnitsPerRow - 1) / kUnitsPerRow;
  int maxClientCols = std::max(1, screenCols - 2);
  clientCols =
      std::max(clientCols,
               std::min(static_cast<int>(d.caption.size()) + 6, maxClientCols));

  // A character cell is as wide as an average character of the font the
  // templates were laid out for, so lines of a text area may need more cells
  // than the template gives: widen the area (and the dialog) while nothing
  // stands to its right and the screen allows it.
  for (size_t i = 0; i < rects.size(); ++i) {
    const EngControl& c = d.controls[i];
    if (c.tmpl->kind != kCtlTextArea) continue;
    CellRect& r = rects[i];
    int want = r.col + LongestLine(c.text);
    if (want <= r.col + r.cols) continue;
    int limit = maxClientCols - 1;
    for (size_t j = 0; j < rects.size(); ++j) {
      const CellRect& o = rects[j];
      if (j == i || o.col < r.col + r.cols) continue;
      if (o.row < r.row + r.rows && r.row < o.row + o.rows)
        limit = std::min(limit, o.col - 1);
    }
    int right = std::min(want, limit);
    if (right > r.col + r.cols) r.cols = right - r.col;
    clientCols =
        std::max(clientCols, std::min(r.col + r.cols + 1, maxClientCols));
  }

  // A one-line static text or read-only box that needs more cells than it
  // has (the font of the templates is narrower on average) takes free cells
  // to its right, then to its left, rather than wrap or cut its text.
  for (size_t i = 0; i < rects.size(); ++i) {
    const EngControl& c = d.controls[i];
    PlatControlKind k = c.tmpl->kind;
    if ((k != kCtlLabel && k != kCtlReadOnlyBox) ||
        c.text.find('\n') != std::string::npos)
      continue;
    CellRect& r = rects[i];
    int need = static_cast<int>(c.text.size()) +
               (k == kCtlReadOnlyBox && (c.tmpl->flags & kCtlBorder) ? 2 : 0);
    if (r.rows != 1 || need <= r.cols) continue;
    while (r.cols < need && r.col + r.cols < clientCols &&
           RowFree(rects, i, r.row, r.col + r.cols, 1))
      ++r.cols;
    while (r.cols < need && r.col > 0 &&
           RowFree(rects, i, r.row, r.col - 1, 1)) {
      --r.col;
      ++r.cols;
    }
  }

  // Static texts that wrap to more lines than their rows may grow into the
  // free rows below them.
  for (size_t i = 0; i < rects.size(); ++i) {
    const EngControl& c = d.controls[i];
    if (c.tmpl->kind != kCtlLabel) continue;
    CellRect& r = rects[i];
    int need = static_cast<int>(WrapWords(c.text, r.cols).size());
    while (r.rows < need && r.row + r.rows < clientRows &&
           RowFree(rects, i, r.row + r.rows, r.col, r.cols))
      ++r.rows;
  }

  // Too tall for the screen: first drop the empty rows below the last
  // control but one and double empty rows, then take rows from the tallest
  // texts (they scroll), then drop the other empty rows. What still does not
  // fit is clipped.
  int availRows = std::max(1, screenRows - 2);
  if (clientRows > availRows) {
    int last = 0;
    for (const CellRect& r : rects) last = std::max(last, r.row + r.rows);
    clientRows = std::min(clientRows, last + 1);
  }
  // Of two empty rows in a row, one goes first: the texts keep more rows.
  for (int row = clientRows - 1; row > 0 && clientRows > availRows; --row) {
    if (!RowFree(rects, rects.size(), row, 0, clientCols) ||
        !RowFree(rects, rects.size(), row - 1, 0, clientCols))
      continue;
    ShiftUp(&rects, row + 1, 1);
    --clientRows;
  }
  for (int guard = 0; clientRows > availRows && guard < 16; ++guard) {
    int best = -1;
    for (size_t i = 0; i < rects.size(); ++i) {
      PlatControlKind k = d.controls[i].tmpl->kind;
      if (k != kCtlTextArea && k != kCtlLabel) continue;
      if (rects[i].rows <= 3) continue;
      if (best < 0 || rects[i].rows > rects[best].rows)
        best = static_cast<int>(i);
    }
    if (best < 0) break;
    CellRect& r = rects[best];
    int take = std::min(clientRows - availRows, r.rows - 3);
    int oldBottom = r.row + r.rows;
    r.rows -= take;
    ShiftUp(&rects, oldBottom, take);
    clientRows -= take;
  }
  for (int row = clientRows - 1; row >= 0 && clientRows > availRows; --row) {
    if (!RowFree(rects, rects.size(), row, 0, clientCols)) continue;
    ShiftUp(&rects, row + 1, 1);
    --clientRows;
  }

  DialogLayout out;
  out.screenCols = screenCols;
  out.screenRows = screenRows;
  out.box.rows = clientRows + 2;
  out.box.cols = clientCols + 2;
  // Keep the centre the dialog's procedure chose (in dialog units), then
  // pull the box onto the screen where it fits.
  int centreCol = FloorDiv(d.left + t.width / 2, kUnitsPerCol);
  int centreRow = FloorDiv(d.top + t.height / 2, kUnitsPerRow);
  out.box.col = centreCol - out.box.cols / 2;
  out.box.row = centreRow - out.box.rows / 2;
  if (out.box.cols <= screenCols)
    out.box.col = std::clamp(out.box.col, 0, screenCols - out.box.cols);
  else
    out.box.col = 0;
  if (out.box.rows <= screenRows)
    out.box.row = std::clamp(out.box.row, 0, screenRows - out.box.rows);
  else
    out.box.row = 0;

  for (CellRect r : rects) {
    // Controls stay inside the client area.
    r.cols = std::min(r.cols, clientCols - r.col);
    r.rows = std::min(r.rows, clientRows - r.row);
    r.cols = std::max(r.cols, 0);
    r.rows = std::max(r.rows, 0);
    r.row += out.box.row + 1;
    r.col += out.box.col + 1;
    out.controls.push_back(r);
  }
  return out;
}

CellRect DropListRect(const DialogLayout& layout, int control, int items) {
  const CellRect& f = layout.controls[control];
  CellRect r;
  r.cols = f.cols;
  r.col = f.col;
  r.rows = std::min(std::max(1, items), 8) + 2;
  r.row = f.row + 1;
  if (r.row + r.rows > layout.screenRows && f.row - r.rows >= 0)
    r.row = f.row - r.rows;
  return r;
}

bool InitDetachedDialog(PlatDialogRec* d, int templateId, int screenCols,
                        int screenRows) {
  const PlatDialogTemplate* t = FindDialogTemplate(templateId);
  if (!t) return false;
  d->tmpl = t;
  d->caption = t->caption;
  d->controls.clear();
  d->focus = -1;
  for (int i = 0; i < t->controlCount; ++i) {
    EngControl c;
    c.tmpl = &t->controls[i];
    c.text = c.tmpl->text;
    d->controls.push_back(c);
    if (d->focus < 0 && (c.tmpl->flags & kCtlTabStop)) d->focus = i;
  }
  // Half the overhang on each side, rounded down, as when the procedure
  // centres the dialog.
  d->left = (screenCols * kUnitsPerCol - t->width) >> 1;
  d->top = (screenRows * kUnitsPerRow - t->height) >> 1;
  return true;
}
