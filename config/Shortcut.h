// Shell links to Korvel: the shared creation of a link file, and the
// shortcut in the user's start-up folder that starts Korvel at log-on.
#pragma once

#include <cstdint>
#include <string>

#include "config/Configuration.h"
#include "config/RegistryModule.h"

namespace korvel {

constexpr const char* kCannotFindStartUpFolder = "Could not find StartUp Folder!";
// The shell's folders of the user ("Startup", "Programs"), under HKEY_CURRENT_USER.
constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A link at `linkPath` to `target` with `description`: 0 on success, else
// the COM result. COM must be initialised (InitRegistry does it).
std::int32_t CreateShortcut(const char* description, const char* linkPath, const char* target);

// The path of "Korvel.lnk" in the start-up folder, without a message: false
// when the folder is not known or too long for the shortcut's path buffer
// (no shortcut can have been made there then). The key is closed again.
bool FindStartupShortcut(RegistryModule& registry, std::string& path);

// "Korvel.lnk" in the start-up folder, to `homedir` + "\Korvel.exe". A
// failure is shown: the missing folder by its message, a failed creation by
// its result in lower-case hexadecimal.
void AddStartupShortcut(RegistryModule& registry, const Configuration& config);
// False also when the start-up folder cannot be found (which is shown).
bool StartupShortcutPresent(RegistryModule& registry);
// True when the folder was found and the deletion tried.
bool RemoveStartupShortcut(RegistryModule& registry);

}  // namespace korvel
