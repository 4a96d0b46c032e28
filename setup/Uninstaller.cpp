#include "setup/Uninstaller.h"

#include <string>

#include "config/ConfigurationStore.h"
#include "config/ErrorBox.h"
#include "config/Shortcut.h"
#include "platform/Platform.h"
#include "setup/ProgramGroup.h"
#include "setup/Product.h"

namespace korvel {

UninstallReport Uninstaller::Run() {
  UninstallReport report;
  report.group = ProgramGroup(registry_).RemoveProgramGroup();
  report.registrationRemoved = platform::RegDeleteKeyA(platform::kHkeyLocalMachine, product::kUninstallKey) == 0;
  report.startupShortcut = RemoveStartupLink();
  const bool fileRemoved = RemoveConfigurationFile();
  report.settingsRemoved = RemoveProductKeys() || fileRemoved;
  // The user's only record of settings that Korvel could not read.
  const std::string damaged = ConfigFilePath() + ".damaged";
  if (!ConfigFilePath().empty() && FileIsPresent(damaged.c_str())) report.damagedCopy = damaged;
  return report;
}

// A start-up folder that is not known, or too long for a shortcut, holds no
// shortcut of Korvel's.
StartupShortcutRemoval Uninstaller::RemoveStartupLink() {
  std::string path;
  if (!FindStartupShortcut(registry_, path)) return StartupShortcutRemoval::kFolderUnknown;
  return platform::DeleteFileA(path.c_str()) ? StartupShortcutRemoval::kRemoved : StartupShortcutRemoval::kNotThere;
}

// Korvel's reader falls back to the ".new" file of an unfinished write.
bool Uninstaller::RemoveConfigurationFile() {
  const std::string path = ConfigFilePath();
  if (path.empty()) return false;
  const bool file = platform::DeleteFileA(path.c_str());
  const bool leftover = platform::DeleteFileA((path + ".new").c_str());
  return file || leftover;
}

// Only Korvel's own key goes: "SOFTWARE\<maker>" may hold other products, and
// Windows 95 would delete them with it.
bool Uninstaller::RemoveProductKeys() {
  const bool user = platform::RegDeleteKeyA(platform::kHkeyCurrentUser, product::kProductKey) == 0;
  const bool machine = platform::RegDeleteKeyA(platform::kHkeyLocalMachine, product::kProductKey) == 0;
  return user || machine;
}

}  // namespace korvel
