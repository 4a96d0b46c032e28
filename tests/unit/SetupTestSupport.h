// A simulated machine for the installer's tests: a user whose start menu
// has a "Programs" folder, and helpers to look at what was made there.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/Sim.h"
#include "setup/Product.h"
#include "config/Shortcut.h"

namespace korvel::setup_test {

namespace sim = platform::sim;

inline const char kPrograms[] = "C:\\WINDOWS\\Start Menu\\Programs";
inline const char kGroup[] = "C:\\WINDOWS\\Start Menu\\Programs\\Korvel";

inline bool HostExists(const std::string& windowsPath) {
  return std::filesystem::exists(sim::HostPath(windowsPath.c_str()));
}

inline void MakeFolder(const std::string& windowsPath) {
  std::filesystem::create_directories(sim::HostPath(windowsPath.c_str()));
}

// The user's "Programs" folder, registered in the shell folders and present.
inline void GiveStartMenu(const std::string& programs = kPrograms) {
  sim::SetRegistryString(platform::kHkeyCurrentUser, kShellFoldersKey, "Programs", programs);
  MakeFolder(programs);
}

// Names of the files in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::string& windowsFolder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sim::HostPath(windowsFolder.c_str()), error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace korvel::setup_test
