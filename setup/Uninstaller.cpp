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

// RemoveStartupShortcut reports an unknown start-up folder, which during an
// uninstall would only alarm the user: there is then no shortcut to remove.
void Uninstaller::RemoveStartupLink() {
  if (StartupFolderKnown()) RemoveStartupShortcut(registry_);
}

bool Uninstaller::StartupFolderKnown() {
  if (registry_.OpenKey(platform::kHkeyCurrentUser, kShellFoldersKey, false) != 0) return false;
  const bool known = registry_.ReadValue("Startup") != nullptr;
  registry_.CloseKey();
  return known;
}

void Uninstaller::RemoveConfigurationFile() {
  const std::string path = ConfigFilePath();
  if (!path.empty()) platform::DeleteFileA(path.c_str());
}

// Only Korvel's own key goes: "SOFTWARE\<maker>" may hold other products, and
// Windows 95 would delete them with it.
void Uninstaller::RemoveProductKeys() {
  platform::RegDeleteKeyA(platform::kHkeyCurrentUser, product::kProductKey);
  platform::RegDeleteKeyA(platform::kHkeyLocalMachine, product::kProductKey);
}

}  // namespace korvel
