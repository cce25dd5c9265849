#include "platform/curses/canvas.h"

#include <algorithm>

Canvas::Canvas(int w, int h)
    : width(std::max(w, 0)),
      height(std::max(h, 0)),
      cells(static_cast<size_t>(width) * static_cast<size_t>(height)) {}

bool Canvas::Inside(int row, int col) const {
  return row >= 0 && col >= 0 && row < height && col < width;
}

const Cell& Canvas::At(int row, int col) const {
  static const Cell kOutside;
  if (!Inside(row, col)) return kOutside;
  return cells[static_cast<size_t>(row) * width + col];
}

void Canvas::Put(int row, int col, char ch, CellRole role, CellLine line) {
  if (!Inside(row, col)) return;
  Cell& c = cells[static_cast<size_t>(row) * width + col];
  // Control characters would move the terminal's cursor: show a blank.
  c.ch = (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) ? ' ' : ch;
  c.role = role;
  c.line = line;
}

void Canvas::Text(int row, int col, const std::string& text, CellRole role,
                  int maxWidth) {
  int n = std::min(static_cast<int>(text.size()), std::max(maxWidth, 0));
  for (int i = 0; i < n; ++i) Put(row, col + i, text[i], role);
}

void Canvas::Fill(int row, int col, int rows, int cols, char ch,
                  CellRole role) {
  for (int r = row; r < row + rows; ++r)
    for (int c = col; c < col + cols; ++c) Put(r, c, ch, role);
}

void Canvas::Box(int row, int col, int rows, int cols, CellRole role,
                 const std::string& caption) {
  if (rows < 2 || cols < 2) return;
  int bottom = row + rows - 1, right = col + cols - 1;
  for (int c = col + 1; c < right; ++c) {
    Put(row, c, '-', role, kLineHorizontal);
    Put(bottom, c, '-', role, kLineHorizontal);
  }
  for (int r = row + 1; r < bottom; ++r) {
    Put(r, col, '|', role, kLineVertical);
    Put(r, right, '|', role, kLineVertical);
  }
  Put(row, col, '+', role, kLineUpperLeft);
  Put(row, right, '+', role, kLineUpperRight);
  Put(bottom, col, '+', role, kLineLowerLeft);
  Put(bottom, right, '+', role, kLineLowerRight);
  if (!caption.empty() && cols > 6) {
    std::string t = " " + caption + " ";
    int room = cols - 4;
    if (static_cast<int>(t.size()) > room) t = t.substr(0, room);
    Text(row, col + 2, t, role);
  }
}

std::string Canvas::Row(int row) const {
  std::string s;
  for (int c = 0; c < width; ++c) s += At(row, c).ch;
  return s;
}

std::string Canvas::ToText() const {
  std::string out;
  for (int r = 0; r < height; ++r) {
    std::string s = Row(r);
    s.erase(s.find_last_not_of(' ') + 1);
    out += s;
    out += '\n';
  }
  return out;
}
