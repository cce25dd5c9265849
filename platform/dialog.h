// Dialogs, message boxes and the screen.
//
// A dialog belongs to the thread that created it: its procedure runs only on
// that thread, while that thread pumps (PlatPump*, or the modal loop of
// PlatDialogBox). Dialogs of several threads may be open at once.
#pragma once

#include <cstdint>

typedef struct PlatModuleRec* PlatInstance;
typedef struct PlatDialogRec* PlatWindow;

// The two messages a dialog procedure receives.
constexpr uint32_t kPlatMsgInitDialog = 0x0110;
constexpr uint32_t kPlatMsgCommand = 0x0111;

// Command ids the platform itself sends: the affirmative button and Cancel
// (also sent for the close box and, in modal dialogs, the Esc key).
constexpr int kPlatIdOk = 1;
constexpr int kPlatIdCancel = 2;

// Returns what the message asks: for kPlatMsgInitDialog 1 lets the platform
// focus the first tab stop, 0 keeps the focus the procedure set; for
// kPlatMsgCommand 1 when the command was handled.
typedef intptr_t (*PlatDialogProc)(PlatWindow dialog, uint32_t message,
                                   uintptr_t wparam, intptr_t lparam);

// Stand-in for the window class registration: nonzero on success.
int PlatRegisterWindowClass(PlatInstance instance, const char* className);

// Registers the common control classes (progress bar, address control).
constexpr uint32_t kPlatIccProgress = 0x20;
constexpr uint32_t kPlatIccInternet = 0x800;
int PlatInitCommonControls(uint32_t classes);

// Modal: runs the dialog until its procedure calls PlatEndDialog and returns
// that value; -1 when the dialog cannot be created.
intptr_t PlatDialogBox(PlatInstance instance, int templateId, PlatWindow owner,
                       PlatDialogProc proc, intptr_t param);
// Modeless: creates the dialog hidden and returns it; null on failure.
PlatWindow PlatCreateDialog(PlatInstance instance, int templateId,
                            PlatWindow owner, PlatDialogProc proc,
                            intptr_t param);
void PlatShowWindow(PlatWindow dialog);
int PlatDestroyWindow(PlatWindow dialog);
int PlatEndDialog(PlatWindow dialog, intptr_t result);

int PlatSetWindowText(PlatWindow dialog, const char* text);
int PlatSetItemText(PlatWindow dialog, int controlId, const char* text);
// Copies at most capacity - 1 characters and a NUL; returns the count copied.
uint32_t PlatGetItemText(PlatWindow dialog, int controlId, char* text,
                         int capacity);

// Drop-down list: add returns the new entry's index (-1 on failure);
// the selection is -1 when nothing is selected.
int PlatListAddString(PlatWindow dialog, int controlId, const char* text);
int PlatListSetSelection(PlatWindow dialog, int controlId, int index);
int PlatListGetSelection(PlatWindow dialog, int controlId);

void PlatProgressSetRange(PlatWindow dialog, int controlId, uint16_t low,
                          uint16_t high);
void PlatProgressSetPos(PlatWindow dialog, int controlId, int position);

void PlatSetFocusItem(PlatWindow dialog, int controlId);

// Takes at most one waiting message for the dialog and dispatches it;
// 1 when one was taken.
int PlatPumpOneMessage(PlatWindow dialog);
// Takes and dispatches every waiting message for the dialog.
void PlatPumpAllMessages(PlatWindow dialog);

// A task-modal box with the single OK button and no icon; returns when the
// user has dismissed it. A null owner means no owner window.
int PlatMessageBox(PlatWindow owner, const char* text, const char* caption);

struct PlatRect {
  int32_t left, top, right, bottom;
};
void PlatGetScreenSize(int32_t* width, int32_t* height);
// 1 on success.
int PlatGetWindowRect(PlatWindow dialog, PlatRect* rect);
// Moves the window (its size stays) and brings it to the top.
int PlatMoveWindowToTop(PlatWindow dialog, int32_t left, int32_t top);
