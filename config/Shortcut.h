// Shell links to Korvel: the shared creation of a link file, and the
// shortcut in the user's start-up folder that starts Korvel at log-on.
#pragma once

#include <cstdint>

#include "config/Configuration.h"
#include "config/RegistryModule.h"

namespace korvel {

constexpr const char* kCannotFindStartUpFolder = "Could not find StartUp Folder!";
// The shell's folders of the user ("Startup", "Programs"), under HKEY_CURRENT_USER.
constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A link at `linkPath` to `target` with `description`: 0 on success, else
// the COM result. COM must be initialised (InitRegistry does it).
std::int32_t CreateShortcut(const char* description, const char* linkPath, const char* target);

// "Korvel.lnk" in the start-up folder, to `homedir` + "\Korvel.exe". A
// failure is shown: the missing folder by its message, a failed creation by
// its result in lower-case hexadecimal.
void AddStartupShortcut(RegistryModule& registry, const Configuration& config);
// False also when the start-up folder cannot be found (which is shown).
bool StartupShortcutPresent(RegistryModule& registry);
// True when the folder was found and the deletion tried.
bool RemoveStartupShortcut(RegistryModule& registry);

}  // namespace korvel
