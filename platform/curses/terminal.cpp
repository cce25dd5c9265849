// The terminal frontend: one UI thread owns the terminal. It draws the open
// dialogs and message boxes (composed on a Canvas, then copied to the
// screen), reads keys and mouse clicks and turns them into edits of the
// dialog records and button commands. Other threads only wake it up.
#include "platform/curses/terminal.h"

#include <curses.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/curses/view.h"
#include "platform/dialogs/engine.h"
#include "platform/thread.h"

namespace {

// Key codes of our own for sequences the terminal description may lack.
constexpr int kCodeAltDown = KEY_MAX + 1;

struct PendingBox {
  MessageBoxView view;
  bool done = false;
};

struct Ui {
  // Held by the UI thread around every curses call; the exit handler takes
  // it for good before it restores the terminal.
  std::timed_mutex term;
  std::mutex boxLock;
  std::condition_variable boxDone;
  std::vector<PendingBox*> boxes;  // last on top
  int wake[2] = {-1, -1};
  std::atomic<bool> dirty{true};
  std::atomic<bool> running{false};
  std::atomic<bool> ended{false};
  std::atomic<int> cols{80}, rows{24};
  std::thread::id uiThread;
  bool colours = false;
  // UI thread only.
  std::map<const PlatDialogRec*, DialogView> views;
};

Ui& U() {
  static Ui* u = new Ui;  // outlives every thread, exit included
  return *u;
}

void Wake() {
  Ui& u = U();
  if (u.dirty.exchange(true)) return;
  if (u.wake[1] >= 0) {
    char b = 'w';
    ssize_t n = write(u.wake[1], &b, 1);
    (void)n;  // a full pipe already holds a wake-up
  }
}

void OnSignal(int) {
  // Only wakes the UI thread, which ends the process normally.
  char b = 'q';
  ssize_t n = write(U().wake[1], &b, 1);
  (void)n;
}

void OnEvent(const EngEvent& e) {
  if (e.kind == kEngPumped) return;  // nothing visible changes
  Wake();
}

int OnMessageBox(PlatDialogRec* owner, const char* text, const char* caption) {
  (void)owner;
  Ui& u = U();
  if (!u.running || u.ended || std::this_thread::get_id() == u.uiThread) {
    fprintf(stderr, "%s: %s\n", caption, text);
    return 1;
  }
  PendingBox box;
  box.view.caption = caption;
  box.view.text = text;
  {
    std::lock_guard<std::mutex> g(u.boxLock);
    u.boxes.push_back(&box);
  }
  Wake();
  std::unique_lock<std::mutex> g(u.boxLock);
  u.boxDone.wait(g, [&box] { return box.done; });
  return 1;
}

void OnScreenSize(int32_t* w, int32_t* h) {
  *w = U().cols * kUnitsPerCol;
  *h = U().rows * kUnitsPerRow;
}

const EngFrontend kTerminal = {OnEvent, OnMessageBox, OnScreenSize};

void RestoreTerminal() {
  Ui& u = U();
  if (!u.running) return;
  // The UI thread holds the lock only while it draws or reads a key; if it
  // does not let go in time the terminal is restored regardless.
  bool locked = u.term.try_lock_for(std::chrono::milliseconds(500));
  (void)locked;  // kept for good: curses is not touched again
  if (u.ended.exchange(true)) return;
  curs_set(1);
  endwin();
  fflush(stdout);
}

enum Pair : short {
  kPairScreen = 1,
  kPairDialog,
  kPairFrame,
  kPairField,
  kPairFocus,
  kPairBar,
};

void InitColours() {
  Ui& u = U();
  u.colours = has_colors();
  if (!u.colours) return;
  start_color();
  init_pair(kPairScreen, COLOR_WHITE, COLOR_BLUE);
  init_pair(kPairDialog, COLOR_BLACK, COLOR_WHITE);
  init_pair(kPairFrame, COLOR_BLUE, COLOR_WHITE);
  init_pair(kPairField, COLOR_BLACK, COLOR_CYAN);
  init_pair(kPairFocus, COLOR_WHITE, COLOR_BLACK);
  init_pair(kPairBar, COLOR_WHITE, COLOR_BLUE);
}

chtype Attr(CellRole role) {
  if (U().colours) {
    switch (role) {
      case kRoleScreen:
        return COLOR_PAIR(kPairScreen);
      case kRoleDialog:
        return COLOR_PAIR(kPairDialog);
      case kRoleFrame:
        return COLOR_PAIR(kPairFrame) | A_BOLD;
      case kRoleField:
        return COLOR_PAIR(kPairField);
      case kRoleFocus:
        return COLOR_PAIR(kPairFocus) | A_BOLD;
      case kRoleBarFill:
        return COLOR_PAIR(kPairBar);
    }
  }
  switch (role) {
    case kRoleFrame:
      return A_BOLD;
    case kRoleField:
      return A_UNDERLINE;
    case kRoleFocus:
    case kRoleBarFill:
      return A_REVERSE;
    default:
      return A_NORMAL;
  }
}

chtype Glyph(const Cell& c) {
  switch (c.line) {
    case kLineHorizontal:
      return ACS_HLINE;
    case kLineVertical:
      return ACS_VLINE;
    case kLineUpperLeft:
      return ACS_ULCORNER;
    case kLineUpperRight:
      return ACS_URCORNER;
    case kLineLowerLeft:
      return ACS_LLCORNER;
    case kLineLowerRight:
      return ACS_LRCORNER;
    default:
      return static_cast<unsigned char>(c.ch);
  }
}

std::vector<MessageBoxView> BoxViews() {
  Ui& u = U();
  std::vector<MessageBoxView> out;
  std::lock_guard<std::mutex> g(u.boxLock);
  for (PendingBox* b : u.boxes) out.push_back(b->view);
  return out;
}

// Composes the frame and copies it to the terminal. Caller holds u.term.
void Draw() {
  Ui& u = U();
  u.dirty = false;
  int cols = COLS, rows = LINES;
  Canvas cv(cols, rows);
  std::vector<MessageBoxView> boxes = BoxViews();
  {
    std::lock_guard<std::mutex> g(EngLock());
    DrawScreenLocked(&cv, EngOpenDialogsLocked(), &u.views, boxes);
  }
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const Cell& cell = cv.At(r, c);
      // The bottom right cell would scroll some terminals.
      if (r == rows - 1 && c == cols - 1) continue;
      mvaddch(r, c, Glyph(cell) | Attr(cell.role));
    }
  if (cv.cursorRow >= 0) {
    curs_set(1);
    move(cv.cursorRow, cv.cursorCol);
  } else {
    curs_set(0);
    move(rows - 1, 0);
  }
  refresh();
}

int MapKey(int ch) {
  switch (ch) {
    case KEY_LEFT:
      return kKeyLeft;
    case KEY_RIGHT:
      return kKeyRight;
    case KEY_UP:
      return kKeyUp;
    case KEY_DOWN:
      return kKeyDown;
    case KEY_HOME:
      return kKeyHome;
    case KEY_END:
      return kKeyEnd;
    case KEY_PPAGE:
      return kKeyPageUp;
    case KEY_NPAGE:
      return kKeyPageDown;
    case KEY_DC:
      return kKeyDelete;
    case KEY_BTAB:
      return kKeyBackTab;
    case KEY_BACKSPACE:
    case 8:
    case 127:
      return kKeyBackspace;
    case KEY_ENTER:
    case '\r':
    case '\n':
      return kKeyEnter;
    case kCodeAltDown:
      return kKeyAltDown;
    default:
      return ch >= 0 && ch < 0x80 ? ch : 0;
  }
}

// The message box on top takes every key; Enter, Space, Esc and Ctrl-C
// dismiss it.
bool BoxKey(int key) {
  Ui& u = U();
  std::lock_guard<std::mutex> g(u.boxLock);
  if (u.boxes.empty()) return false;
  if (key == kKeyEnter || key == ' ' || key == kKeyEscape || key == kKeyCtrlC ||
      key == 'o' || key == 'O') {
    u.boxes.back()->done = true;
    u.boxes.pop_back();
    u.boxDone.notify_all();
  }
  return true;
}

bool BoxClick(int row, int col) {
  Ui& u = U();
  std::lock_guard<std::mutex> g(u.boxLock);
  if (u.boxes.empty()) return false;
  CellRect r = LayoutMessageBox(u.boxes.back()->view, COLS, LINES);
  if (row == r.row + r.rows - 2 && col >= r.col && col < r.col + r.cols) {
    u.boxes.back()->done = true;
    u.boxes.pop_back();
    u.boxDone.notify_all();
  }
  return true;
}

// A key or click for the dialog on top.
void DialogInput(int key, int row, int col) {
  Ui& u = U();
  PlatDialogRec* target = nullptr;
  InputOutcome out;
  {
    std::lock_guard<std::mutex> g(EngLock());
    std::vector<PlatDialogRec*> open = EngOpenDialogsLocked();
    if (open.empty()) return;
    target = open.back();
    DialogLayout layout = LayoutDialogLocked(*target, COLS, LINES);
    DialogView& v = u.views[target];
    out = key != 0 ? HandleKeyLocked(target, &v, layout, key)
                   : HandleClickLocked(target, &v, layout, row, col);
  }
  if (out.command != 0) EngPostCommand(target, out.command);
}

void HandleInput(int ch) {
  if (ch == KEY_RESIZE) {
    U().cols = COLS;
    U().rows = LINES;
    clear();
    return;
  }
  if (ch == KEY_MOUSE) {
    MEVENT m;
    if (getmouse(&m) != OK) return;
    if (!(m.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED))) return;
    if (!BoxClick(m.y, m.x)) DialogInput(0, m.y, m.x);
    return;
  }
  int key = MapKey(ch);
  if (key == 0) return;
  if (!BoxKey(key)) DialogInput(key, 0, 0);
}

bool InitTerminal() {
  setlocale(LC_ALL, "");
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
  if (!newterm(nullptr, stdout, stdin)) return false;
  raw();  // Ctrl-C arrives as a key
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  set_escdelay(40);
  mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED, nullptr);
  mouseinterval(0);
  define_key("\033[1;3B", kCodeAltDown);
  define_key("\033\033[B", kCodeAltDown);
  define_key("\033[Z", KEY_BTAB);
  InitColours();
  U().cols = COLS;
  U().rows = LINES;
  return true;
}

void UiLoop() {
  Ui& u = U();
  for (;;) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {u.wake[0], POLLIN, 0}};
    poll(fds, 2, 250);
    bool quit = false;
    if (fds[1].revents & POLLIN) {
      char buf[64];
      ssize_t n;
      while ((n = read(u.wake[0], buf, sizeof buf)) > 0)
        for (ssize_t i = 0; i < n; ++i) quit = quit || buf[i] == 'q';
    }
    if (quit) break;
    {
      std::unique_lock<std::timed_mutex> g(u.term);
      if (u.ended) break;
      bool input = false;
      for (int i = 0; i < 256; ++i) {
        int ch = getch();
        if (ch == ERR) break;
        HandleInput(ch);
        input = true;
      }
      if (input || u.dirty) Draw();
    }
    // Events may come in bursts (a progress bar moves every few ms): at
    // most about 30 frames a second.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  // Asked to stop (SIGTERM, SIGHUP): the standard end of the process,
  // whose exit handler restores the terminal.
  if (!u.ended) PlatExitProcess(0);
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

}  // namespace

void CursesStart(void) {
  Ui& u = U();
  if (pipe(u.wake) != 0) {
    fprintf(stderr, "dux-upgrade: cannot create a pipe\n");
    PlatExitProcess(0);
  }
  for (int fd : u.wake) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  if (!InitTerminal()) {
    fprintf(stderr, "dux-upgrade: needs an interactive terminal\n");
    PlatExitProcess(0);
  }
  u.running = true;
  atexit(RestoreTerminal);
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  EngSetFrontend(&kTerminal);
  std::thread ui(UiLoop);
  u.uiThread = ui.get_id();
  ui.detach();
}
