#include "setup/InstallationFolder.h"

#include <cstring>

#include "config/PathHelpers.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr unsigned kFolderSize = 260;

// The current folder after its "x:\" root, or false when none can be had.
bool FolderBelowRoot(char (&folder)[kFolderSize], const char*& belowRoot) {
  const unsigned length = platform::GetCurrentDirectoryA(kFolderSize, folder);
  if (length == 0 || length >= kFolderSize) return false;
  // A share's folder ("\\server\share") has no drive: `belowRoot` stays at its start.
  belowRoot = folder;
  if (HasDriveLetter(folder)) {
    belowRoot += 2;
    if (*belowRoot == '\\') ++belowRoot;
  }
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

InstallationFolder TakeInstallationFolder(Configuration& config) {
  config.homedir[0] = '\0';
  char folder[kFolderSize];
  const char* belowRoot = nullptr;
  if (!FolderBelowRoot(folder, belowRoot)) return InstallationFolder::kTooLong;
  if (belowRoot == folder) return InstallationFolder::kNetworkShare;
  config.homedrive = platform::GetCurrentDrive() - 1;
  const char driveLetter = static_cast<char>('a' + config.homedrive);
  if (PutHomeDir(config, driveLetter, belowRoot)) return InstallationFolder::kTaken;

  char shortFolder[kFolderSize];
  const unsigned shortLength = platform::GetShortPathNameA(folder, shortFolder, kFolderSize);
  if (shortLength == 0 || shortLength >= kFolderSize) return InstallationFolder::kTooLong;
  const char* shortBelowRoot = shortFolder + (belowRoot - folder);
  if (shortLength < static_cast<unsigned>(belowRoot - folder) || !PutHomeDir(config, driveLetter, shortBelowRoot)) {
    config.homedir[0] = '\0';
    return InstallationFolder::kTooLong;
  }
  return InstallationFolder::kTaken;
}

const char* RefusalOf(InstallationFolder folder) {
  switch (folder) {
    case InstallationFolder::kTooLong:
      return "Korvel cannot be installed in this folder: its path is too long. Move Korvel's files to a "
             "folder with a shorter path and start Setup from there.";
    case InstallationFolder::kNetworkShare:
      return "Korvel cannot be installed on a network share. Copy Korvel's files to a folder on a drive "
             "of this computer, or to a network drive with a letter, and start Setup from there.";
    case InstallationFolder::kTaken:
      break;
  }
  return "";
}

}  // namespace korvel
