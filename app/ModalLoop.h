// Korvel's own modal dialogs: owned by the window the user is working in
// (config/ModalWindows.h), which is disabled while the dialog is open, and
// a message loop (with the dialog keys) that runs until the dialog is done.
// What arrives meanwhile for other windows asks ModalGuard before it acts.
#pragma once

#include <windows.h>

#include "config/ModalWindows.h"

namespace korvel {

// The window that owns a modal window opened now: the innermost modal
// window, else the main window. Dialogs are made with it as their owner.
HWND ModalOwner();

// While it lives, `window` (made with ModalOwner() as its owner) is open
// modally: its owner disabled, the window shown and counted as the
// innermost modal window, so that boxes it raises are its own.
class ModalLoop {
 public:
  explicit ModalLoop(HWND window);
  // The owner comes back enabled and active before the window goes.
  ~ModalLoop();
  ModalLoop(const ModalLoop&) = delete;
  ModalLoop& operator=(const ModalLoop&) = delete;

  // Dispatches messages until `done` is set or the window is gone. A
  // WM_QUIT that arrives meanwhile is passed on to the loop outside.
  void Run(const bool& done);

 private:
  HWND window_;
  ModalScope scope_;
};

// While any modal window is open: brings the innermost one forward and
// answers true, so that the caller does not act.
bool DeclineWhileModal();

}  // namespace korvel
