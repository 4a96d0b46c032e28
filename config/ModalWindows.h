// The modal windows open now: message boxes, common dialogs and Korvel's
// own modal dialogs, innermost last. Each is owned by the window the user is
// working in, which is the innermost open modal window, or the main window
// when none is open; the owner stays disabled while it is open.
//
// Every box and dialog goes through here, so that the rest of the program
// can ask one question before it acts: is a modal window open? While one
// is, the tray, the taskbar and requests to end the program bring it
// forward instead of acting (DeclineWhileModal, app/ModalLoop.h).
#pragma once

#include "platform/Platform.h"

namespace korvel {

// The main window, which owns a modal window when no other is open (none
// before start-up sets it, and in programs without one).
void SetMessageOwner(platform::Window main);
// The window that owns a modal window opened now.
platform::Window MessageOwner();

// The innermost open modal window: its window when known (Korvel's own
// dialogs), else 0 (boxes and common dialogs, whose windows the system
// makes), and the window that owns it.
struct ModalWindow {
  platform::Window owner = 0;
  platform::Window window = 0;
};
bool ModalWindowOpen();
ModalWindow InnermostModalWindow();

// While it lives, a modal window owned by MessageOwner() (taken at
// construction) is open. Scopes end in the reverse order of their making.
class ModalScope {
 public:
  explicit ModalScope(platform::Window window = 0);
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

  platform::Window Owner() const { return owner_; }

 private:
  platform::Window owner_;
};

// A message box owned by the window the user is working in: the one way
// the program shows a box. Returns the button pressed. A box with only OK
// goes to the status line while StatusLineReports are open (StatusLine.h).
int ShowMessageBox(const char* text, const char* caption, unsigned type);

}  // namespace korvel
