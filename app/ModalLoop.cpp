#include "app/ModalLoop.h"

namespace korvel {

namespace {

HWND AsWindow(platform::Window window) { return reinterpret_cast<HWND>(window); }
platform::Window AsHandle(HWND window) { return reinterpret_cast<platform::Window>(window); }

// A box or common dialog is not known by its window: it is the last popup
// its owner activated.
HWND InnermostWindow() {
  const ModalWindow innermost = InnermostModalWindow();
  if (innermost.window != 0) return AsWindow(innermost.window);
  HWND owner = AsWindow(innermost.owner);
  return owner ? GetLastActivePopup(owner) : nullptr;
}

}  // namespace

HWND ModalOwner() { return AsWindow(MessageOwner()); }

ModalLoop::ModalLoop(HWND window) : window_(window), scope_(AsHandle(window)) {
  EnableWindow(AsWindow(scope_.Owner()), FALSE);
  ShowWindow(window_, SW_SHOW);
}

ModalLoop::~ModalLoop() {
  HWND owner = AsWindow(scope_.Owner());
  EnableWindow(owner, TRUE);
  if (IsWindow(window_)) ShowWindow(window_, SW_HIDE);
  SetActiveWindow(owner);
}

void ModalLoop::Run(const bool& done) {
  MSG message;
  while (!done && IsWindow(window_)) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsDialogMessageA(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool DeclineWhileModal() {
  if (!ModalWindowOpen()) return false;
  if (HWND innermost = InnermostWindow()) {
    if (IsWindowVisible(innermost)) SetForegroundWindow(innermost);
  }
  return true;
}

}  // namespace korvel
