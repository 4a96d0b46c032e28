// The parts of the modality service that work the window system: Korvel's
// own modal dialogs and bringing the innermost modal window forward.
#include <windows.h>

#include "config/ModalService.h"

namespace korvel {

namespace {

HWND AsWindow(platform::Window window) { return reinterpret_cast<HWND>(window); }

}  // namespace

ModalService::Dialog::Dialog(ModalService& service, platform::Window window) : open_(service, window) {
  EnableWindow(AsWindow(open_.Owner()), FALSE);
  ShowWindow(AsWindow(window), SW_SHOW);
}

ModalService::Dialog::~Dialog() {
  HWND owner = AsWindow(open_.Owner());
  HWND window = AsWindow(open_.Handle());
  EnableWindow(owner, TRUE);
  if (IsWindow(window)) ShowWindow(window, SW_HIDE);
  SetActiveWindow(owner);
}

void ModalService::Dialog::Run(const bool& done) {
  HWND window = AsWindow(open_.Handle());
  MSG message;
  while (!done && IsWindow(window)) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsDialogMessageA(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A window the system has not made yet (a box on its way) cannot be
// brought forward; its owner's last active popup is the nearest there is.
bool ModalService::DeclineWhileModal() {
  if (!ModalWindowOpen()) return false;
  HWND innermost = AsWindow(innermost_->window_);
  if (!innermost) innermost = GetLastActivePopup(AsWindow(innermost_->owner_));
  if (innermost && IsWindowVisible(innermost)) {
    SetForegroundWindow(innermost);
    SetActiveWindow(innermost);
  }
  return true;
}

}  // namespace korvel
