// Runs a window modally: its owner disabled, messages pumped (with the
// dialog keys) until the window says it is done.
#pragma once

#include <windows.h>

namespace korvel {

// Shows `window` and returns once `done` is true, with `owner` enabled and
// active again. A WM_QUIT that arrives meanwhile is passed on to the loop
// outside.
void RunModal(HWND window, HWND owner, const bool& done);

}  // namespace korvel
