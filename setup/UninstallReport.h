// What the uninstaller did, item by item, and the last message that tells
// the user what went, what stayed and why, and what was not there to go.
#pragma once

#include <string>

#include "setup/ProgramGroup.h"

namespace korvel {

enum class StartupShortcutRemoval {
  kRemoved,
  kNotThere,       // the start-up folder holds no shortcut of Korvel's
  kFolderUnknown,  // no start-up folder that a shortcut could have been made in
};

struct UninstallReport {
  GroupRemoval group;
  StartupShortcutRemoval startupShortcut = StartupShortcutRemoval::kFolderUnknown;
  bool registrationRemoved = false;
  bool settingsRemoved = false;  // the configuration file or Korvel's registry keys
  // A damaged configuration that Korvel kept beside its file; empty when none.
  std::string damagedCopy;
};

// The message; `programFolder` is the folder the uninstaller lies in (the
// installation folder, whose files stay), empty when it is not known.
std::string UninstallMessage(const UninstallReport& report, const std::string& programFolder);

}  // namespace korvel
