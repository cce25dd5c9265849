// The window class of the program and the common control classes. No window
// of the class is ever created; its registration is the first step of the
// user interface, and a refusal ends the program silently.
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "platform/dialog.h"
#include "platform/win32/test_hooks.h"

namespace {

LRESULT CALLBACK NullWindowProc(HWND window, UINT message, WPARAM wparam,
                                LPARAM lparam) {
  (void)window;
  (void)message;
  (void)wparam;
  (void)lparam;
  return 0;
}

}  // namespace

int PlatRegisterWindowClass(PlatInstance instance, const char* className) {
  if (Win32TestHooks().failWindowClass) return 0;
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.style = 0;
  wc.lpfnWndProc = NullWindowProc;
  wc.hInstance = reinterpret_cast<HINSTANCE>(instance);
  wc.lpszClassName = className;
  return RegisterClassA(&wc) != 0 ? 1 : 0;
}

// The flags of the layer are the system's own: ICC_PROGRESS_CLASS and
// ICC_INTERNET_CLASSES.
int PlatInitCommonControls(uint32_t classes) {
  INITCOMMONCONTROLSEX icc;
  icc.dwSize = sizeof icc;
  icc.dwICC = classes;
  return InitCommonControlsEx(&icc) ? 1 : 0;
}
