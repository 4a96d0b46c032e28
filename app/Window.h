// The base of Korvel's windows: a window bound to its object. Each window
// class registers Window::Procedure and passes its object as the create
// parameter. Handling a message is an operation of the user-interface
// thread, so MIDI requests wait until it is over; an exception that escapes
// a handler is shown and the program goes on.
#pragma once

#include <windows.h>

#include "banks/switching/UserInterfaceTurn.h"

namespace korvel {

// The application's standard box for an exception that reached the toolkit.
void ShowException(const char* what);
// Shows the exception being handled (call it in a catch block), as an
// operation, so that MIDI requests do not run under its box.
void ShowCurrentException(UserInterfaceTurn& turn);

// Handles a message as an operation of the user-interface thread (MIDI
// requests wait until it is over); an exception that escapes is shown and
// the program goes on. Every window procedure of the program runs its
// handlers through here.
// What the handlers left for after them runs before the thread waits again.
template <typename Handler>
LRESULT HandleAsOperation(UserInterfaceTurn& turn, Handler&& handle) {
  try {
    LRESULT result;
    {
      UserInterfaceTurn::Operation operation(turn);
      result = handle();
    }
    turn.RunDeferredWork();
    return result;
  } catch (...) {
    ShowCurrentException(turn);
  }
  return 0;
}

class Window {
 public:
  explicit Window(UserInterfaceTurn& turn) : turn_(turn) {}
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual ~Window() = default;
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // A message that decides for itself whether it may run now (the posted
  // turn of the MIDI requests) is handled outside an operation.
  virtual bool OutsideOperations(UINT) const { return false; }
  UserInterfaceTurn& Turn() { return turn_; }

 private:
  UserInterfaceTurn& turn_;
};

}  // namespace korvel
