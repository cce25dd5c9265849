// The terminal frontend's layout, drawing and key handling on its cell
// canvas, without a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/curses/view.h"
#include "resources/dialog_ids.h"

namespace {

constexpr int kCols = 80, kRows = 24;

struct Screen {
  std::unique_ptr<PlatDialogRec> d = std::make_unique<PlatDialogRec>();
  DialogView view;

  explicit Screen(int templateId, bool modal = true) {
    EXPECT_TRUE(InitDetachedDialog(d.get(), templateId, kCols, kRows));
    d->modal = modal;
    SyncViewLocked(*d, &view);
  }
  EngControl& Ctl(int id) { return *EngFindControlLocked(d.get(), id); }
  int Index(int id) {
    for (size_t i = 0; i < d->controls.size(); ++i)
      if (d->controls[i].tmpl->id == id) return static_cast<int>(i);
    return -1;
  }
  void Focus(int id) { d->focus = Index(id); }
  DialogLayout Layout() { return LayoutDialogLocked(*d, kCols, kRows); }
  InputOutcome Key(int key) {
    return HandleKeyLocked(d.get(), &view, Layout(), key);
  }
  void Type(const std::string& keys) {
    for (char ch : keys) Key(static_cast<unsigned char>(ch));
  }
  Canvas Draw(bool active = true) {
    Canvas cv(kCols, kRows);
    SyncViewLocked(*d, &view);
    DrawDialogLocked(&cv, *d, view, Layout(), active);
    return cv;
  }
  // The cells of a control as text.
  std::string Cells(const Canvas& cv, int id) {
    CellRect r = Layout().controls[Index(id)];
    std::string s;
    for (int row = r.row; row < r.row + r.rows; ++row)
      s += cv.Row(row).substr(r.col, r.cols);
    return s;
  }
};

bool Within(const CellRect& inner, const CellRect& outer) {
  return inner.rows > 0 && inner.cols > 0 && inner.row >= outer.row &&
         inner.col >= outer.col &&
         inner.row + inner.rows <= outer.row + outer.rows &&
         inner.col + inner.cols <= outer.col + outer.cols;
}

std::string Lines(int n, int width) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    std::string l = "line " + std::to_string(i) + " ";
    l.resize(width, '=');
    s += l + (i + 1 < n ? "\r\n" : "");
  }
  return s;
}

TEST(CursesRender, DefaultButtonIsMarkedAndFocusIsShownOnlyWhenActive) {
  Screen s(kDlgWarning);
  s.Focus(kIdCancel);  // Cancel is both focused and default here
  Canvas cv = s.Draw();
  EXPECT_NE(s.Cells(cv, kIdOk).find("[ Continue ]"), std::string::npos);
  EXPECT_NE(s.Cells(cv, kIdCancel).find("< Cancel >"), std::string::npos);
  CellRect cancel = s.Layout().controls[s.Index(kIdCancel)];
  CellRect cont = s.Layout().controls[s.Index(kIdOk)];
  size_t at = cv.Row(cancel.row).find("< Cancel >");
  EXPECT_EQ(cv.At(cancel.row, static_cast<int>(at)).role, kRoleFocus);
  size_t cat = cv.Row(cont.row).find("[ Continue ]");
  EXPECT_EQ(cv.At(cont.row, static_cast<int>(cat)).role, kRoleDialog);

  Canvas inactive = s.Draw(false);
  EXPECT_EQ(inactive.At(cancel.row, static_cast<int>(at)).role, kRoleDialog);

  Screen a(kDlgAddressPhone);
  Canvas acv = a.Draw();
  EXPECT_NE(a.Cells(acv, kIdOk).find("< OK >"), std::string::npos);
  EXPECT_NE(a.Cells(acv, kIdCancel).find("[ Cancel ]"), std::string::npos);
}

TEST(CursesRender, EveryTemplateFitsAn80By24Screen) {
  const PlatDialogTemplate* const* list;
  int n = ListDialogTemplates(&list);
  ASSERT_EQ(n, 11);
  for (int i = 0; i < n; ++i) {
    Screen s(list[i]->id);
    // Long lines and long texts everywhere, as the procedures may set.
    for (EngControl& c : s.d->controls)
      if (c.tmpl->kind == kCtlTextArea) c.text = Lines(20, 60);
    DialogLayout l = s.Layout();
    SCOPED_TRACE(list[i]->id);
    EXPECT_TRUE(Within(l.box, CellRect{0, 0, kRows, kCols}));
    CellRect client{l.box.row + 1, l.box.col + 1, l.box.rows - 2,
                    l.box.cols - 2};
    for (size_t k = 0; k < l.controls.size(); ++k) {
      PlatControlKind kind = s.d->controls[k].tmpl->kind;
      if (kind == kCtlLabel && s.d->controls[k].text.empty()) continue;
      EXPECT_TRUE(Within(l.controls[k], client)) << "control " << k;
    }
  }
}

TEST(CursesRender, PasswordDialogKeepsItsFieldsAndButtonsOnScreen) {
  Screen s(kDlgPassword);
  s.Ctl(kIdText).text = Lines(19, 54);  // as tall and wide as its text
  s.Ctl(kIdUserName).text = "admin";
  DialogLayout l = s.Layout();
  CellRect screen{0, 0, kRows, kCols};
  ASSERT_TRUE(Within(l.box, screen));
  for (int id : {kIdOk, kIdCancel, kIdUserName, kIdPassword})
    EXPECT_TRUE(Within(l.controls[s.Index(id)], l.box)) << id;
  // Labels stay beside their boxes, boxes below the text, buttons last.
  CellRect text = l.controls[s.Index(kIdText)];
  CellRect user = l.controls[s.Index(kIdUserName)];
  CellRect pass = l.controls[s.Index(kIdPassword)];
  CellRect ok = l.controls[s.Index(kIdOk)];
  EXPECT_EQ(l.controls[4].row, user.row);
  EXPECT_EQ(l.controls[5].row, pass.row);
  EXPECT_LE(text.row + text.rows, user.row);
  EXPECT_LT(user.row, pass.row);
  EXPECT_LT(pass.row, ok.row);
  EXPECT_EQ(ok.row, l.controls[s.Index(kIdCancel)].row);
  EXPECT_GE(text.rows, 3);
  // The longest line still shows in full.
  EXPECT_GE(text.cols, 54);

  // The text that no longer fits scrolls into view.
  s.Focus(kIdText);
  Canvas before = s.Draw();
  EXPECT_EQ(s.Cells(before, kIdText).find("line 18"), std::string::npos);
  for (int i = 0; i < 10; ++i) s.Key(kKeyPageDown);
  Canvas after = s.Draw();
  EXPECT_NE(s.Cells(after, kIdText).find("line 18"), std::string::npos);
  EXPECT_EQ(s.Cells(after, kIdText).find("line 0 "), std::string::npos);
  s.Key(kKeyHome);
  EXPECT_NE(s.Cells(s.Draw(), kIdText).find("line 0 "), std::string::npos);
}

TEST(CursesRender, PasswordIsMaskedAndEntryBoxesEdit) {
  Screen s(kDlgPassword);
  s.Focus(kIdPassword);
  s.Type("s3cret");
  Canvas cv = s.Draw();
  EXPECT_EQ(s.Ctl(kIdPassword).text, "s3cret");
  EXPECT_NE(s.Cells(cv, kIdPassword).find("******"), std::string::npos);
  EXPECT_EQ(s.Cells(cv, kIdPassword).find("*******"), std::string::npos);
  EXPECT_EQ(cv.ToText().find("s3cret"), std::string::npos);

  struct Case {
    std::vector<int> keys;
    std::string text;
  } cases[] = {
      {{'a', 'b', 'c', kKeyLeft, kKeyLeft, 'X'}, "aXbc"},
      {{'a', 'b', 'c', kKeyHome, kKeyDelete}, "bc"},
      {{'a', 'b', 'c', kKeyHome, kKeyRight, kKeyBackspace}, "bc"},
      {{'a', 'b', kKeyHome, kKeyEnd, kKeyBackspace, 'z'}, "az"},
      {{kKeyBackspace, kKeyDelete, kKeyLeft, 'q'}, "q"},
  };
  for (const Case& c : cases) {
    Screen e(kDlgPassword);
    e.Focus(kIdUserName);
    for (int k : c.keys) e.Key(k);
    EXPECT_EQ(e.Ctl(kIdUserName).text, c.text);
  }

  // A long entry scrolls so that the caret stays inside the box.
  Screen l(kDlgPassword);
  l.Focus(kIdUserName);
  std::string longName(60, 'n');
  longName += "END";
  l.Type(longName);
  Canvas lc = l.Draw();
  EXPECT_NE(l.Cells(lc, kIdUserName).find("END"), std::string::npos);
  CellRect ur = l.Layout().controls[l.Index(kIdUserName)];
  EXPECT_EQ(lc.cursorRow, ur.row);
  EXPECT_GT(lc.cursorCol, ur.col);
  EXPECT_LT(lc.cursorCol, ur.col + ur.cols);
}

TEST(CursesRender, AddressControlMovesBetweenFieldsAndClamps) {
  struct Case {
    std::vector<int> keys;
    std::string text;
  } cases[] = {
      {{'1', '0', '.', '1', '.', '0', '.', '1', '2', '3'}, "10.1.0.123"},
      // A third digit moves on; a dot right after does not skip a field.
      {{'1', '9', '2', '.', '1', '6', '8', '1', '.', '2'}, "192.168.1.2"},
      {{'3', '0', '0', '1'}, "255.1.0.0"},
      {{'2', '5', '6', '9', '9', '9', '1', '2', '3', '7', '7', '7'},
       "255.255.123.255"},
      {{'.', '.', '7'}, "7.0.0.0"},
      {{'1', '.', '2', kKeyBackspace, kKeyBackspace, '5'}, "5.0.0.0"},
      {{'1', '.', '2', kKeyHome, kKeyDelete, '9'}, "9.2.0.0"},
      {{'1', '2', kKeyLeft, kKeyLeft, '3'}, "255.0.0.0"},  // 312
      {{kKeyEnd, '4', kKeyLeft, kKeyLeft, '8'}, "0.0.8.4"},
      // Letters are ignored; the last field takes no fourth digit.
      {{'a', '1', '.', '1', '.', '1', '.', '1', '2', '3', '4'}, "1.1.1.123"},
  };
  for (const Case& c : cases) {
    Screen s(kDlgAddressAdapter);
    s.Focus(kIdAddress);
    for (int k : c.keys) s.Key(k);
    EXPECT_EQ(s.Ctl(kIdAddress).text, c.text);
  }

  Screen s(kDlgAddressAdapter);
  s.Focus(kIdAddress);
  s.Type("10.1.0.123");
  std::string cells = s.Cells(s.Draw(), kIdAddress);
  EXPECT_NE(cells.find(" 10 .   1 .   0 . 123"), std::string::npos) << cells;

  // The field itself shows the clamped value.
  Screen big(kDlgAddressAdapter);
  big.Focus(kIdAddress);
  big.Type("300");
  std::string bigCells = big.Cells(big.Draw(), kIdAddress);
  EXPECT_NE(bigCells.find("255 ."), std::string::npos) << bigCells;
  EXPECT_EQ(bigCells.find("300"), std::string::npos) << bigCells;

  // A text the procedure sets shows in the fields and is edited from there.
  Screen p(kDlgAddressAdapter);
  p.Ctl(kIdAddress).text = "10.0.0.7";
  p.Focus(kIdAddress);
  p.Key(kKeyEnd);
  p.Key('7');
  EXPECT_EQ(p.Ctl(kIdAddress).text, "10.0.0.77");
}

TEST(CursesRender, TabEnterEscapeAndCtrlC) {
  Screen s(kDlgAddressPhone);
  s.Focus(kIdAddress);  // what the procedure sets
  // Enter in the address control presses the default button.
  EXPECT_EQ(s.Key(kKeyEnter).command, kIdOk);
  // Tab goes through the tab stops in template order and wraps around.
  s.Key(kKeyTab);
  EXPECT_EQ(s.d->focus, s.Index(kIdOk));
  s.Key(kKeyTab);
  EXPECT_EQ(s.d->focus, s.Index(kIdCancel));
  EXPECT_EQ(s.Key(kKeyEnter).command, kIdCancel);
  EXPECT_EQ(s.Key(' ').command, kIdCancel);
  s.Key(kKeyBackTab);
  s.Key(kKeyBackTab);
  EXPECT_EQ(s.d->focus, s.Index(kIdAddress));
  // The label and the icon are never focused.
  for (int i = 0; i < 14; ++i) {
    s.Key(kKeyTab);
    EXPECT_TRUE(s.d->controls[s.d->focus].tmpl->flags & kCtlTabStop);
  }
  EXPECT_EQ(s.Key(kKeyEscape).command, kIdCancel);
  EXPECT_EQ(s.Key(kKeyCtrlC).command, kIdCancel);

  // Modeless: Esc does nothing, Ctrl-C still cancels, Enter presses the
  // focused Cancel.
  Screen w(kDlgWaiting, false);
  EXPECT_EQ(w.Key(kKeyEscape).command, 0);
  EXPECT_EQ(w.Key(kKeyCtrlC).command, kIdCancel);
  EXPECT_EQ(w.Key(kKeyEnter).command, kIdCancel);
}

TEST(CursesRender, DropDownListOpensChoosesAndCloses) {
  Screen s(kDlgAddressAdapter);
  EngControl& list = s.Ctl(kIdLocalAddresses);
  list.items = {"10.0.0.1", "10.0.0.2", "192.168.7.3"};
  list.selection = 0;
  s.Focus(kIdLocalAddresses);
  EXPECT_NE(s.Cells(s.Draw(), kIdLocalAddresses).find("10.0.0.1"),
            std::string::npos);

  s.Key(' ');
  s.Key(kKeyDown);
  s.Key(kKeyDown);
  Canvas open = s.Draw();
  CellRect r = s.Layout().controls[s.Index(kIdLocalAddresses)];
  CellRect lr = DropListRect(s.Layout(), s.Index(kIdLocalAddresses), 3);
  EXPECT_TRUE(Within(lr, CellRect{0, 0, kRows, kCols}));
  EXPECT_NE(open.Row(lr.row + 3).find("192.168.7.3"), std::string::npos);
  EXPECT_EQ(open.At(lr.row + 3, lr.col + 1).role, kRoleFocus);
  EXPECT_EQ(list.selection, 0);  // not chosen until Enter
  // While open, Enter closes the list instead of pressing OK.
  EXPECT_EQ(s.Key(kKeyEnter).command, 0);
  EXPECT_EQ(list.selection, 2);
  EXPECT_NE(s.Cells(s.Draw(), kIdLocalAddresses).find("192.168.7.3"),
            std::string::npos);

  // Esc closes without choosing and without cancelling the dialog.
  s.Key(kKeyAltDown);
  s.Key(kKeyUp);
  EXPECT_EQ(s.Key(kKeyEscape).command, 0);
  EXPECT_EQ(list.selection, 2);
  // Closed, the arrows step through the entries; the ends hold.
  s.Key(kKeyUp);
  EXPECT_EQ(list.selection, 1);
  s.Key(kKeyUp);
  s.Key(kKeyUp);
  EXPECT_EQ(list.selection, 0);

  // A click on an entry of the open list chooses it.
  HandleClickLocked(s.d.get(), &s.view, s.Layout(), r.row, r.col + 1);
  EXPECT_TRUE(s.view.controls[s.Index(kIdLocalAddresses)].open);
  HandleClickLocked(s.d.get(), &s.view, s.Layout(), lr.row + 2, lr.col + 2);
  EXPECT_EQ(list.selection, 1);
}

TEST(CursesRender, MouseClicksPressButtonsAndFocusFields) {
  Screen s(kDlgPassword);
  s.Focus(kIdPassword);
  DialogLayout l = s.Layout();
  CellRect cancel = l.controls[s.Index(kIdCancel)];
  CellRect user = l.controls[s.Index(kIdUserName)];
  EXPECT_EQ(
      HandleClickLocked(s.d.get(), &s.view, l, user.row, user.col + 2).command,
      0);
  EXPECT_EQ(s.d->focus, s.Index(kIdUserName));
  EXPECT_EQ(HandleClickLocked(s.d.get(), &s.view, l, cancel.row,
                              cancel.col + cancel.cols / 2)
                .command,
            kIdCancel);
  // A click on a label does nothing.
  CellRect label = l.controls[4];
  EXPECT_EQ(
      HandleClickLocked(s.d.get(), &s.view, l, label.row, label.col).command,
      0);
  EXPECT_EQ(s.d->focus, s.Index(kIdCancel));
}

TEST(CursesRender, TextsBreakAtLineBreaksOnlyAndLabelsWrapWords) {
  Screen s(kDlgWarning);
  s.Ctl(kIdWarningText).text = "first line\r\nsecond line that is long\r\n";
  std::string cells = s.Cells(s.Draw(), kIdWarningText);
  EXPECT_EQ(cells.find("first line"), 0u);
  CellRect r = s.Layout().controls[s.Index(kIdWarningText)];
  EXPECT_EQ(cells.find("second line that is long"),
            static_cast<size_t>(r.cols));

  struct Case {
    std::string text;
    int width;
    std::vector<std::string> lines;
  } cases[] = {
      {"one two three four", 9, {"one two", "three", "four"}},
      {"a\r\n\r\nb c", 3, {"a", "", "b c"}},
      {"abcdefghij k", 4, {"abcd", "efgh", "ij k"}},
      {"  spaced   out  ", 20, {"spaced out"}},
  };
  for (const Case& c : cases) EXPECT_EQ(WrapWords(c.text, c.width), c.lines);

  // Right-aligned and centred labels.
  Screen u(kDlgUpload, false);
  CellRect lab = u.Layout().controls[2];
  Canvas ucv = u.Draw();
  std::string first = ucv.Row(lab.row).substr(lab.col, lab.cols);
  size_t lead = first.find_first_not_of(' ');
  size_t trail = first.size() - 1 - first.find_last_not_of(' ');
  EXPECT_LE(lead > trail ? lead - trail : trail - lead, 1u) << first;
  Screen c(kDlgConfirmTarget);
  CellRect serialLabel = c.Layout().controls[7];
  std::string lrow =
      c.Draw().Row(serialLabel.row).substr(serialLabel.col, serialLabel.cols);
  EXPECT_EQ(lrow.substr(lrow.size() - 13), "Serial Number");
  EXPECT_EQ(serialLabel.row, c.Layout().controls[c.Index(1002)].row);
}

TEST(CursesRender, ProgressBarShowsItsPositionInItsRange) {
  struct Case {
    int low, high, pos;
    double filled;
  } cases[] = {{0, 100, 0, 0},   {0, 100, 50, 0.5}, {0, 1000, 1000, 1},
               {0, 100, 300, 1}, {0, 100, -5, 0},   {10, 10, 10, 0}};
  for (const Case& c : cases) {
    Screen s(kDlgConnecting, false);
    EngControl& bar = s.Ctl(kIdProgress);
    bar.rangeLow = c.low;
    bar.rangeHigh = c.high;
    bar.position = c.pos;
    std::string cells = s.Cells(s.Draw(), kIdProgress);
    int inner = static_cast<int>(cells.size()) - 2;
    int hashes = static_cast<int>(std::count(cells.begin(), cells.end(), '#'));
    EXPECT_EQ(hashes, static_cast<int>(c.filled * inner)) << cells;
  }
}

TEST(CursesRender, StackedDialogsAndMessageBoxes) {
  Screen waiting(kDlgWaiting, false);
  Screen connecting(kDlgConnecting, false);
  waiting.Ctl(kIdWaitingText).text = "Waiting text";
  connecting.d->caption = "Connecting with DUX@10.1.0.123";
  std::map<const PlatDialogRec*, DialogView> views;
  Canvas cv(kCols, kRows);
  DrawScreenLocked(&cv, {waiting.d.get(), connecting.d.get()}, &views, {});
  std::string text = cv.ToText();
  EXPECT_NE(text.find("Connecting with DUX@10.1.0.123"), std::string::npos);
  EXPECT_NE(text.find("Waiting For Firmware Download"), std::string::npos);
  EXPECT_EQ(views.size(), 2u);
  // Only the dialog on top shows its focus.
  int focused = 0;
  for (const Cell& c : cv.cells) focused += c.role == kRoleFocus;
  EXPECT_EQ(focused, static_cast<int>(std::string("[ Cancel ]").size()));

  // A message box goes on top of everything, centred, with its OK focused.
  Canvas boxed(kCols, kRows);
  DrawScreenLocked(&boxed, {waiting.d.get()}, &views,
                   {MessageBoxView{"Error", "Invalid IP Address"}});
  EXPECT_EQ(views.size(), 1u);  // the closed dialog's view is gone
  CellRect r = LayoutMessageBox({"Error", "Invalid IP Address"}, kCols, kRows);
  EXPECT_TRUE(Within(r, CellRect{0, 0, kRows, kCols}));
  EXPECT_NE(boxed.Row(r.row).find("Error"), std::string::npos);
  EXPECT_NE(boxed.Row(r.row + 2).find("Invalid IP Address"), std::string::npos);
  size_t ok = boxed.Row(r.row + r.rows - 2).find("< OK >");
  ASSERT_NE(ok, std::string::npos);
  EXPECT_EQ(boxed.At(r.row + r.rows - 2, static_cast<int>(ok)).role,
            kRoleFocus);
  EXPECT_LE(std::abs(r.col - (kCols - r.col - r.cols)), 1);
}

}  // namespace
