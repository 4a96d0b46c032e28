// The plain message box of the whole program, and the file probe beside it.
#pragma once

#include "config/ModalService.h"

namespace korvel {

// Modal box with `text`, caption "Korvel", the error icon and an OK button.
void ErrorBox(const char* text);

// True when a file, not a folder, is at `path`.
bool FileIsPresent(const char* path);
// True when a folder is at `path`.
bool FolderIsPresent(const char* path);

}  // namespace korvel
