// The plain message box of the whole program, and the file probe beside it.
#pragma once

#include "platform/Platform.h"

namespace korvel {

// The window that owns every message box the program shows (the main window,
// set once at start-up; none until then, and none in Setup).
void SetMessageOwner(platform::Window owner);
platform::Window MessageOwner();

// Modal box with `text`, caption "Korvel", the error icon and an OK button.
void ErrorBox(const char* text);

// True when the file can be opened for reading.
bool FileIsPresent(const char* path);

}  // namespace korvel
