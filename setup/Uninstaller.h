// What Uninst.exe removes: everything Setup and Korvel added to the system
// (the start-menu group, the uninstall registration, the start-up shortcut,
// the configuration file with what an unfinished write left beside it, and
// Korvel's registry keys). The user's presets, banks, the installation
// folder's files and a kept copy of a damaged configuration are left alone.
#pragma once

#include "config/RegistryModule.h"
#include "setup/UninstallReport.h"

namespace korvel {

class Uninstaller {
 public:
  // `registry` must have been started with InitRegistry (which also starts
  // COM); it is left with no key open.
  explicit Uninstaller(RegistryModule& registry) : registry_(registry) {}

  // Removes what is there and skips what is not, so it may run again; the
  // report says which was which.
  UninstallReport Run();

 private:
  StartupShortcutRemoval RemoveStartupLink();
  // Each true when something was there and went.
  static bool RemoveConfigurationFile();
  static bool RemoveProductKeys();

  RegistryModule& registry_;
};

}  // namespace korvel
