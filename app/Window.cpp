#include "app/Window.h"

#include <exception>
#include <string>

namespace korvel {

void ShowException(HWND owner, const char* what) {
  std::string text = what && *what ? what : "Unknown exception";
  if (text.back() != '.') text += '.';
  MessageBoxA(owner, text.c_str(), "Korvel", MB_OK | MB_ICONSTOP);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  try {
    if (self->OutsideOperations(message)) return self->HandleMessage(window, message, wParam, lParam);
    UserInterfaceTurn::Operation operation(self->turn_);
    return self->HandleMessage(window, message, wParam, lParam);
  } catch (const std::exception& error) {
    UserInterfaceTurn::Operation operation(self->turn_);
    ShowException(window, error.what());
  } catch (...) {
    UserInterfaceTurn::Operation operation(self->turn_);
    ShowException(window, nullptr);
  }
  return 0;
}

}  // namespace korvel
