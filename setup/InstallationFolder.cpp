#include "setup/InstallationFolder.h"

#include <cstring>

#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr unsigned kFolderSize = 260;

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The current folder after its "x:\" root, or false when none can be had.
bool FolderBelowRoot(char (&folder)[kFolderSize], const char*& belowRoot) {
  const unsigned length = platform::GetCurrentDirectoryA(kFolderSize, folder);
  if (length == 0 || length >= kFolderSize) return false;
  belowRoot = folder;
  if (IsDriveLetter(folder[0]) && folder[1] == ':') belowRoot += 2;
  if (*belowRoot == '\\') ++belowRoot;
  return true;
}

// "x:\" + `belowRoot` into `homedir` when it fits.
bool PutHomeDir(Configuration& config, char driveLetter, const char* belowRoot) {
  const std::size_t length = std::strlen(belowRoot);
  if (3 + length >= sizeof config.homedir) return false;
  config.homedir[0] = driveLetter;
  config.homedir[1] = ':';
  config.homedir[2] = '\\';
  std::memcpy(config.homedir + 3, belowRoot, length + 1);
  return true;
}

}  // namespace

void TakeInstallationFolder(Configuration& config) {
  config.homedrive = platform::GetCurrentDrive() - 1;
  const char driveLetter = static_cast<char>('a' + config.homedrive);
  config.homedir[0] = '\0';

  char folder[kFolderSize];
  const char* belowRoot = nullptr;
  if (!FolderBelowRoot(folder, belowRoot)) return;
  if (PutHomeDir(config, driveLetter, belowRoot)) return;

  char shortFolder[kFolderSize];
  const unsigned shortLength = platform::GetShortPathNameA(folder, shortFolder, kFolderSize);
  if (shortLength == 0 || shortLength >= kFolderSize) return;
  const char* shortBelowRoot = shortFolder + (belowRoot - folder);
  if (shortLength < static_cast<unsigned>(belowRoot - folder) || !PutHomeDir(config, driveLetter, shortBelowRoot))
    config.homedir[0] = '\0';
}

}  // namespace korvel
