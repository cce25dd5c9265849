// A grid of character cells with a drawing role per cell: what the terminal
// frontend composes a frame into before it copies the frame to the screen,
// and what tests and the pictures tool read back as text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a cell is drawn; the terminal maps roles to colours or attributes.
enum CellRole : uint8_t {
  kRoleScreen,   // background behind every dialog
  kRoleDialog,   // a dialog's face and its static texts
  kRoleFrame,    // a dialog's border and caption
  kRoleField,    // the inside of an editable or read-only box
  kRoleFocus,    // the focused control (or the chosen list entry)
  kRoleBarFill,  // the filled part of a progress bar
};

// Line-drawing pieces: a cell keeps its ASCII stand-in in `ch` and the
// piece in `line`, which the terminal draws with its line characters.
enum CellLine : uint8_t {
  kLineNone,
  kLineHorizontal,
  kLineVertical,
  kLineUpperLeft,
  kLineUpperRight,
  kLineLowerLeft,
  kLineLowerRight,
};

struct Cell {
  char ch = ' ';
  CellRole role = kRoleScreen;
  CellLine line = kLineNone;
};

struct Canvas {
  int width = 0, height = 0;
  std::vector<Cell> cells;
  int cursorRow = -1, cursorCol = -1;  // -1: no visible cursor

  Canvas(int w, int h);
  bool Inside(int row, int col) const;
  const Cell& At(int row, int col) const;
  void Put(int row, int col, char ch, CellRole role, CellLine line = kLineNone);
  // Writes text from (row, col) onwards, clipped to [col, col + maxWidth)
  // and to the canvas.
  void Text(int row, int col, const std::string& text, CellRole role,
            int maxWidth = 1 << 20);
  void Fill(int row, int col, int rows, int cols, char ch, CellRole role);
  // A frame with an optional caption in its top edge.
  void Box(int row, int col, int rows, int cols, CellRole role,
           const std::string& caption = std::string());
  // One line of the canvas as plain text (trailing blanks kept).
  std::string Row(int row) const;
  // Every line, each ending in '\n', trailing blanks removed.
  std::string ToText() const;
};
