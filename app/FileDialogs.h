// The common open and save dialogs, as functions that return what the user
// chose.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace korvel {

struct FileDialogLook {
  std::string title;
  std::string filterName;     // "Korvel Presets (*.pre)"
  std::string filterPattern;  // "*.PRE"
  std::string defaultExtension;
  std::string initialFolder;  // empty: the dialog's own choice
};

// "Open" with several files allowed: their full paths in the dialog's
// order; nothing when the user cancels.
std::vector<std::string> ChooseFilesToOpen(const FileDialogLook& look);
// "Open" or "Save" of one file: its full path; empty when the user cancels.
std::string ChooseFileToOpen(const FileDialogLook& look);
std::string ChooseFileToSave(const FileDialogLook& look);

}  // namespace korvel
