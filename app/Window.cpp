#include "app/Window.h"

namespace korvel {

namespace {
// A control may use its own window data: a subclassed one keeps its
// object in a property instead.
constexpr char kSubclassProperty[] = "KorvelWindow";
}  // namespace

Window::~Window() {
  if (!subclassed_ || !IsWindow(subclassed_)) return;
  SetWindowLongPtrA(subclassed_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProcedure_));
  RemovePropA(subclassed_, kSubclassProperty);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  return self->Dispatch(window, message, wParam, lParam);
}

void Window::Subclass(HWND control) {
  subclassed_ = control;
  SetPropA(control, kSubclassProperty, this);
  controlProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProcedure)));
}

LRESULT CALLBACK Window::SubclassProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<Window*>(GetPropA(control, kSubclassProperty));
  if (!self) return DefWindowProcA(control, message, wParam, lParam);
  return self->Dispatch(control, message, wParam, lParam);
}

LRESULT Window::CallControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(controlProcedure_, control, message, wParam, lParam);
}

LRESULT Window::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return modal_.HandleAsOperation([&] { return HandleMessage(window, message, wParam, lParam); },
                                  !OutsideOperations(message));
}

}  // namespace korvel
