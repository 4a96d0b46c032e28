#include "banks/BankFilePresence.h"

#include <cctype>
#include <cstring>

#include "banks/BankFolders.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool BankFilePresence::IsPresent(const char* path) {
  char resolved[kResolvedPathSize];
  BoundedCopy(resolved, path, sizeof resolved);
  if (!ResolveBankPath(config_, resolved)) return false;
  const char* slash = std::strrchr(resolved, '\\');
  if (slash != nullptr && slash[1] != '\0') {
    const std::string folder = LowerCase(std::string(resolved, static_cast<std::size_t>(slash - resolved)));
    if (FilesIn(folder).count(LowerCase(slash + 1)) != 0) return true;
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
    files.insert(LowerCase(name));
  } while (platform::FindNextFileA(find, name, sizeof name));
  platform::FindClose(find);
  return files;
}

}  // namespace korvel
