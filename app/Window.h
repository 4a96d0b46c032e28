// The base of Korvel's windows and of the controls it subclasses: a window
// bound to its object. A window class registers Window::Procedure and
// passes its object as the create parameter; a control made by the form
// builder is bound with Subclass, and what its object does not handle goes
// on to the control's own procedure (CallControlProcedure). Every message
// is handled as an operation of the modality service
// (config/ModalService.h): MIDI requests wait until it is over, and an
// exception that escapes a handler is shown and the program goes on.
#pragma once

#include <windows.h>

#include "config/ModalService.h"

namespace korvel {

class Window {
 public:
  explicit Window(ModalService& modal) : modal_(modal) {}
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Gives a subclassed control back its own procedure.
  virtual ~Window();
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // A message that decides for itself whether it may run now (the posted
  // turn of the MIDI requests) is handled outside an operation.
  virtual bool OutsideOperations(UINT) const { return false; }
  ModalService& Modal() { return modal_; }

  // Binds a control that exists already to this object (one per object).
  void Subclass(HWND control);
  LRESULT CallControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  ModalService& modal_;
  HWND subclassed_ = nullptr;
  WNDPROC controlProcedure_ = nullptr;
};

}  // namespace korvel
