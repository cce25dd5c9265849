// Dialogs, message boxes and the screen on the Windows user interface: every
// dialog is a real dialog made from the resource template of its id.
#include "platform/dialog.h"

// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <new>

namespace {

HWND Hwnd(PlatWindow w) { return reinterpret_cast<HWND>(w); }
PlatWindow Wrap(HWND h) { return reinterpret_cast<PlatWindow>(h); }
HINSTANCE Module(PlatInstance i) { return reinterpret_cast<HINSTANCE>(i); }

// What the trampoline needs to reach the procedure of the program.
struct DialogBinding {
  PlatDialogProc proc;
  intptr_t param;
  bool modeless;
};

// A modeless binding not yet taken over by its window: freed by its creator
// when the window never came to exist.
thread_local DialogBinding* tPendingBinding = nullptr;

DialogBinding* BindingOf(HWND dialog) {
  return reinterpret_cast<DialogBinding*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wparam,
                                  LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      DialogBinding* b = reinterpret_cast<DialogBinding*>(lparam);
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(b));
      if (tPendingBinding == b) tPendingBinding = nullptr;
      return b->proc(Wrap(dialog), kPlatMsgInitDialog, wparam, b->param);
    }
    case WM_COMMAND: {
      DialogBinding* b = BindingOf(dialog);
      if (!b) return FALSE;
      // The procedure may destroy its own window; nothing of the binding is
      // read after the call.
      PlatDialogProc proc = b->proc;
      return proc(Wrap(dialog), kPlatMsgCommand, wparam, lparam);
    }
    case WM_NCDESTROY: {
      DialogBinding* b = BindingOf(dialog);
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      if (b && b->modeless) delete b;
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

intptr_t PlatDialogBox(PlatInstance instance, int templateId, PlatWindow owner,
                       PlatDialogProc proc, intptr_t param) {
  // The modal loop runs inside this call: the binding can live on its stack.
  DialogBinding binding = {proc, param, false};
  return DialogBoxParamA(Module(instance), MAKEINTRESOURCEA(templateId),
                         Hwnd(owner), DialogTrampoline,
                         reinterpret_cast<LPARAM>(&binding));
}

PlatWindow PlatCreateDialog(PlatInstance instance, int templateId,
                            PlatWindow owner, PlatDialogProc proc,
                            intptr_t param) {
  DialogBinding* binding = new (std::nothrow) DialogBinding{proc, param, true};
  if (!binding) return nullptr;
  tPendingBinding = binding;
  HWND dialog = CreateDialogParamA(
      Module(instance), MAKEINTRESOURCEA(templateId), Hwnd(owner),
      DialogTrampoline, reinterpret_cast<LPARAM>(binding));
  if (tPendingBinding == binding) {
    tPendingBinding = nullptr;
    delete binding;
  }
  return Wrap(dialog);
}

void PlatShowWindow(PlatWindow dialog) { ShowWindow(Hwnd(dialog), SW_SHOW); }

int PlatDestroyWindow(PlatWindow dialog) {
  return DestroyWindow(Hwnd(dialog)) ? 1 : 0;
}

int PlatEndDialog(PlatWindow dialog, intptr_t result) {
  return EndDialog(Hwnd(dialog), result) ? 1 : 0;
}

int PlatSetWindowText(PlatWindow dialog, const char* text) {
  return SetWindowTextA(Hwnd(dialog), text) ? 1 : 0;
}

int PlatSetItemText(PlatWindow dialog, int controlId, const char* text) {
  return SetDlgItemTextA(Hwnd(dialog), controlId, text) ? 1 : 0;
}

uint32_t PlatGetItemText(PlatWindow dialog, int controlId, char* text,
                         int capacity) {
  if (capacity <= 0) return 0;
  text[0] = 0;
  return GetDlgItemTextA(Hwnd(dialog), controlId, text, capacity);
}

int PlatListAddString(PlatWindow dialog, int controlId, const char* text) {
  LRESULT r = SendDlgItemMessageA(Hwnd(dialog), controlId, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(text));
  return r < 0 ? -1 : static_cast<int>(r);
}

int PlatListSetSelection(PlatWindow dialog, int controlId, int index) {
  LRESULT r = SendDlgItemMessageA(Hwnd(dialog), controlId, CB_SETCURSEL,
                                  static_cast<WPARAM>(index), 0);
  return r < 0 ? -1 : static_cast<int>(r);
}

int PlatListGetSelection(PlatWindow dialog, int controlId) {
  LRESULT r = SendDlgItemMessageA(Hwnd(dialog), controlId, CB_GETCURSEL, 0, 0);
  return r < 0 ? -1 : static_cast<int>(r);
}

void PlatProgressSetRange(PlatWindow dialog, int controlId, uint16_t low,
                          uint16_t high) {
  SendDlgItemMessageA(Hwnd(dialog), controlId, PBM_SETRANGE, 0,
                      MAKELPARAM(low, high));
}

void PlatProgressSetPos(PlatWindow dialog, int controlId, int position) {
  SendDlgItemMessageA(Hwnd(dialog), controlId, PBM_SETPOS,
                      static_cast<WPARAM>(position), 0);
}

void PlatSetFocusItem(PlatWindow dialog, int controlId) {
  SetFocus(GetDlgItem(Hwnd(dialog), controlId));
}

int PlatPumpOneMessage(PlatWindow dialog) {
  MSG msg;
  if (!PeekMessageA(&msg, Hwnd(dialog), 0, 0, PM_REMOVE)) return 0;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return 1;
}

void PlatPumpAllMessages(PlatWindow dialog) {
  MSG msg;
  while (PeekMessageA(&msg, Hwnd(dialog), 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int PlatMessageBox(PlatWindow owner, const char* text, const char* caption) {
  return MessageBoxA(Hwnd(owner), text, caption, MB_OK | MB_TASKMODAL);
}

void PlatGetScreenSize(int32_t* width, int32_t* height) {
  *width = GetSystemMetrics(SM_CXSCREEN);
  *height = GetSystemMetrics(SM_CYSCREEN);
}

int PlatGetWindowRect(PlatWindow dialog, PlatRect* rect) {
  RECT r;
  if (!GetWindowRect(Hwnd(dialog), &r)) return 0;
  rect->left = r.left;
  rect->top = r.top;
  rect->right = r.right;
  rect->bottom = r.bottom;
  return 1;
}

int PlatMoveWindowToTop(PlatWindow dialog, int32_t left, int32_t top) {
  return SetWindowPos(Hwnd(dialog), HWND_TOP, left, top, 0, 0, SWP_NOSIZE) ? 1
                                                                           : 0;
}
