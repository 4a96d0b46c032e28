#include "banks/BankFilePresence.h"

#include <cstring>

#include "banks/BankFolders.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "platform/Platform.h"

namespace korvel {

bool BankFilePresence::IsPresent(const char* path) {
  char resolved[kResolvedPathSize];
  BoundedCopy(resolved, path, sizeof resolved);
  if (!ResolveBankPath(config_, resolved)) return false;
  const char* slash = std::strrchr(resolved, '\\');
  if (slash != nullptr && slash[1] != '\0') {
    const std::string folder = LowerCaseName(std::string(resolved, static_cast<std::size_t>(slash - resolved)));
    if (FilesIn(folder).count(LowerCaseName(slash + 1)) != 0) return true;
  }
  // Not listed: a short (8.3) name or an unusual path may still name a file.
  return FileIsPresent(resolved);
}

const std::unordered_set<std::string>& BankFilePresence::FilesIn(const std::string& folder) {
  const auto known = folders_.find(folder);
  if (known != folders_.end()) return known->second;
  std::unordered_set<std::string>& files = folders_[folder];
  char name[260] = {};
  const std::string pattern = folder + "\\*";
  const platform::FindHandle find = platform::FindFirstFileA(pattern.c_str(), name, sizeof name);
  if (find == 0) return files;
  do {
    files.insert(LowerCaseName(name));
  } while (platform::FindNextFileA(find, name, sizeof name));
  platform::FindClose(find);
  return files;
}

}  // namespace korvel
