#include "config/Shortcut.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config/ErrorBox.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr const char* kLinkName = "\\Korvel.lnk";
// The shortcut's path is built in a buffer of this size.
constexpr std::size_t kLinkPathSize = 200;

// The shortcut's full path, or false (and the message shown).
bool StartupShortcutPath(RegistryModule& registry, std::string& path) {
  if (FindStartupShortcut(registry, path)) return true;
  ErrorBox(kCannotFindStartUpFolder);
  return false;
}

}  // namespace

bool FindStartupShortcut(RegistryModule& registry, std::string& path) {
  if (registry.OpenKey(platform::kHkeyCurrentUser, kShellFoldersKey, false) != 0) return false;
  const ValueRecord* value = registry.ReadValue("Startup");
  if (value != nullptr) {
    const auto* data = reinterpret_cast<const char*>(value->data);
    path.assign(data, strnlen(data, value->size));
  }
  registry.CloseKey();
  if (value == nullptr || path.size() + std::strlen(kLinkName) >= kLinkPathSize) return false;
  path += kLinkName;
  return true;
}

std::int32_t CreateShortcut(const char* description, const char* linkPath, const char* target) {
  return platform::SaveShellLink(description, linkPath, target);
}

void AddStartupShortcut(RegistryModule& registry, const Configuration& config) {
  std::string path;
  if (!StartupShortcutPath(registry, path)) return;
  const std::string target = std::string(config.homedir) + "\\Korvel.exe";
  const std::int32_t result = CreateShortcut("Korvel", path.c_str(), target.c_str());
  if (result == 0) return;
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(result));
  ErrorBox(text);
}

bool StartupShortcutPresent(RegistryModule& registry) {
  std::string path;
  return StartupShortcutPath(registry, path) && FileIsPresent(path.c_str());
}

bool RemoveStartupShortcut(RegistryModule& registry) {
  std::string path;
  if (!StartupShortcutPath(registry, path)) return false;
  platform::DeleteFileA(path.c_str());
  return true;
}

}  // namespace korvel
