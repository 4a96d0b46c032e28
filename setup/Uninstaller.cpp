#include "setup/Uninstaller.h"

#include <string>

#include "config/ConfigurationStore.h"
#include "config/Shortcut.h"
#include "platform/Platform.h"
#include "setup/ProgramGroup.h"
#include "setup/Product.h"

namespace korvel {

void Uninstaller::Run() {
  RemoveStartMenuGroup();
  platform::RegDeleteKeyA(platform::kHkeyLocalMachine, product::kUninstallKey);
  RemoveStartupLink();
  RemoveConfigurationFile();
  RemoveProductKeys();
}

void Uninstaller::RemoveStartMenuGroup() {
  ProgramGroup group(registry_);
  group.CreateProgramGroup(ProgramGroup::kRemovalName);
}

// A start-up folder that is not known, or too long for a shortcut, holds no
// shortcut of Korvel's: saying so during an uninstall would only alarm.
void Uninstaller::RemoveStartupLink() {
  std::string path;
  if (FindStartupShortcut(registry_, path)) platform::DeleteFileA(path.c_str());
}

// Korvel's reader falls back to the ".new" file of an unfinished write.
void Uninstaller::RemoveConfigurationFile() {
  const std::string path = ConfigFilePath();
  if (path.empty()) return;
  platform::DeleteFileA(path.c_str());
  platform::DeleteFileA((path + ".new").c_str());
}

// Only Korvel's own key goes: "SOFTWARE\<maker>" may hold other products, and
// Windows 95 would delete them with it.
void Uninstaller::RemoveProductKeys() {
  platform::RegDeleteKeyA(platform::kHkeyCurrentUser, product::kProductKey);
  platform::RegDeleteKeyA(platform::kHkeyLocalMachine, product::kProductKey);
}

}  // namespace korvel
