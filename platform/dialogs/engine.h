// The dialog engine: dialog records, their controls, per-dialog message
// queues and the modal loop, independent of how dialogs are drawn. A
// frontend (terminal or scripted) draws them and plays the user's part:
// it edits control contents and posts button commands, from any thread;
// procedures still run only on the thread that created the dialog.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog.h"
#include "platform/dialog_template.h"

struct EngControl {
  const PlatControlTemplate* tmpl;
  std::string text;
  std::vector<std::string> items;                   // drop-down list entries
  int selection = -1;                               // drop-down list
  int rangeLow = 0, rangeHigh = 100, position = 0;  // progress bar
};

struct EngMessage {
  uint32_t message;
  uintptr_t wparam;
  intptr_t lparam;
};

struct PlatDialogRec {
  const PlatDialogTemplate* tmpl = nullptr;
  PlatDialogProc proc = nullptr;
  PlatWindow owner = nullptr;
  std::thread::id thread;
  uint64_t serial = 0;  // creation order
  std::string caption;
  std::vector<EngControl> controls;
  int focus = -1;  // index into controls, -1 none
  bool modal = false;
  std::atomic<bool> visible{false};
  std::atomic<bool> destroyed{false};
  std::atomic<bool> ended{false};
  intptr_t result = 0;
  int32_t left = 0, top = 0;  // screen position, dialog units
  uint64_t pumps = 0;         // pump calls so far
  std::deque<EngMessage> queue;
};

enum EngEventKind {
  kEngOpened,      // became visible (modal: after its init message)
  kEngClosed,      // ended or destroyed
  kEngCaption,     // text = new caption
  kEngText,        // controlId, text = new text
  kEngListAdd,     // controlId, text = entry
  kEngListSelect,  // controlId, value = index
  kEngRange,       // controlId, value = low, value2 = high
  kEngPosition,    // controlId, value = position
  kEngFocus,       // controlId
  kEngMoved,
  kEngPumped,      // the owner thread pumped (value = pump count)
  kEngDispatched,  // a command (controlId) was handled by the procedure
};

struct EngEvent {
  EngEventKind kind;
  PlatDialogRec* dialog;
  int controlId;
  std::string text;
  int value;
  int value2;
};

struct EngFrontend {
  // Called after each change, outside the engine lock, on the thread that
  // made the change.
  void (*event)(const EngEvent& event);
  // Shows a box and returns when the user has dismissed it.
  int (*messageBox)(PlatDialogRec* owner, const char* text,
                    const char* caption);
  void (*screenSize)(int32_t* width, int32_t* height);
};

void EngSetFrontend(const EngFrontend* frontend);

// The lock that guards every dialog record; frontends hold it while they
// read or edit a dialog.
std::mutex& EngLock(void);

// Open (visible, not destroyed) dialogs, oldest first. Caller holds the lock.
std::vector<PlatDialogRec*> EngOpenDialogsLocked(void);

// Queues a command for the dialog (any thread); the owner thread's next pump
// or its modal loop dispatches it.
void EngPostCommand(PlatDialogRec* dialog, int controlId);

// The control with that id, or null. Caller holds the lock.
EngControl* EngFindControlLocked(PlatDialogRec* dialog, int controlId);

// Lets a frontend report a user's edit of a control (text typed, an entry
// picked) to the frontend's own observers; the engine itself only stores it.
void EngNotify(const EngEvent& event);
