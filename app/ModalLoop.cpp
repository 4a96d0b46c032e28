#include "app/ModalLoop.h"

namespace korvel {

void RunModal(HWND window, HWND owner, const bool& done) {
  EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  MSG message;
  bool quit = false;
  while (!done) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    if (IsDialogMessageA(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (quit) PostQuitMessage(static_cast<int>(message.wParam));
  // The owner comes back before the window goes, so that it is activated.
  EnableWindow(owner, TRUE);
  ShowWindow(window, SW_HIDE);
  SetActiveWindow(owner);
}

}  // namespace korvel
