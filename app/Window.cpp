#include "app/Window.h"

#include <exception>
#include <string>

#include "config/ModalWindows.h"

namespace korvel {

void ShowException(const char* what) {
  std::string text = what && *what ? what : "Unknown exception";
  if (text.back() != '.') text += '.';
  ShowMessageBox(text.c_str(), "Korvel", MB_OK | MB_ICONSTOP);
}

void ShowCurrentException(UserInterfaceTurn& turn) {
  UserInterfaceTurn::Operation operation(turn);
  try {
    throw;
  } catch (const std::exception& error) {
    ShowException(error.what());
  } catch (...) {
    ShowException(nullptr);
  }
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  auto handle = [&] { return self->HandleMessage(window, message, wParam, lParam); };
  if (!self->OutsideOperations(message)) return HandleAsOperation(self->turn_, handle);
  try {
    const LRESULT result = handle();
    self->turn_.RunDeferredWork();
    return result;
  } catch (...) {
    ShowCurrentException(self->turn_);
  }
  return 0;
}

}  // namespace korvel
