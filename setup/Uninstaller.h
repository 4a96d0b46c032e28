// What Uninst.exe removes: everything Setup and Korvel added to the system
// (the start-menu group, the uninstall registration, the start-up shortcut,
// the configuration file with what an unfinished write left beside it, and
// Korvel's registry keys). The user's presets, banks and the installation
// folder's files are left alone.
#pragma once

#include "config/RegistryModule.h"

namespace korvel {

class Uninstaller {
 public:
  // `registry` must have been started with InitRegistry (which also starts
  // COM); it is left with no key open.
  explicit Uninstaller(RegistryModule& registry) : registry_(registry) {}

  // Removes what is there and quietly skips what is not, so it may run again.
  void Run();

 private:
  void RemoveStartMenuGroup();
  void RemoveStartupLink();
  static void RemoveConfigurationFile();
  void RemoveProductKeys();

  RegistryModule& registry_;
};

}  // namespace korvel
