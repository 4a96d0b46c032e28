#include "setup/ProgramGroup.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "config/PathHelpers.h"
#include "config/ErrorBox.h"
#include "config/Shortcut.h"
#include "config/WholeFile.h"
#include "platform/Platform.h"
#include "setup/Product.h"
#include "setup/StartMenuEntries.h"

namespace korvel {

namespace {

// Length of a registry text value: up to its terminator or its end.
std::size_t TextLength(const ValueRecord& value) {
  const void* end = std::memchr(value.data, '\0', value.size);
  return end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - value.data) : value.size;
}

// A folder that is there, "x:\" and below.
bool IsStartMenuFolder(const char* folder) {
  return HasDriveLetter(folder) && folder[2] == '\\' && folder[3] != '\0' && FolderIsPresent(folder);
}

// The file names of the group's entries, this Setup's and an older one's.
std::vector<std::string> EntryFileNames() {
  std::vector<std::string> names = FormerStartMenuFiles();
  for (const StartMenuEntry& entry : StartMenuEntries("")) names.push_back(entry.FileName());
  return names;
}

std::size_t LongestEntryFileName() {
  std::size_t longest = 0;
  for (const std::string& name : EntryFileNames()) longest = std::max(longest, name.size());
  return longest;
}

}  // namespace

bool ProgramGroup::GroupFolder(const char* name, std::size_t reserve, char (&folder)[kPathSize]) {
  if (registry_.OpenKey(platform::kHkeyCurrentUser, kShellFoldersKey, false) != 0) return false;
  const ValueRecord* programs = registry_.ReadValue("Programs");
  const std::size_t length = programs ? TextLength(*programs) : 0;
  const std::size_t nameLength = std::strlen(name);
  bool usable = programs && length + 1 + nameLength + reserve < kPathSize;
  if (usable) {
    std::memcpy(folder, programs->data, length);
    folder[length] = '\0';
    usable = IsStartMenuFolder(folder);
    folder[length] = '\\';
    std::memcpy(folder + length + 1, name, nameLength + 1);
  }
  registry_.CloseKey();
  return usable;
}

int ProgramGroup::CreateProgramGroup(const char* name) {
  if (!registry_.Initialised()) return kCreated;
  if (std::strcmp(name, kRemovalName) == 0) return RemoveProgramGroup().result;
  char folder[kPathSize];
  // Room for the "\" that ends the group path.
  if (!GroupFolder(name, 1, folder)) return kNoProgramsFolder;
  const bool created = platform::CreateDirectoryA(folder);
  std::strcpy(path_, folder);
  std::strcat(path_, "\\");
  return created ? kCreated : kNotCreated;
}

// Only the files Setup made go: a search for "*.lnk" would also find other
// files of the folder by their short names ("notes.lnkx" as NOTES~1.LNK).
GroupRemoval ProgramGroup::RemoveProgramGroup() {
  GroupRemoval removal;
  if (!registry_.Initialised()) {
    removal.result = kCreated;
    return removal;
  }
  char folder[kPathSize];
  // Room for the "\" and the longest entry's file name.
  if (!GroupFolder(product::kName, 1 + LongestEntryFileName(), folder)) return removal;
  removal.folder = folder;
  for (const std::string& name : EntryFileNames()) {
    const std::string file = removal.folder + "\\" + name;
    if (platform::DeleteFileA(file.c_str())) ++removal.entriesRemoved;
  }
  const bool removed = platform::RemoveDirectoryA(folder);
  removal.result = removed ? kCreated : kNotCreated;
  removal.folderKept = !removed && FolderIsPresent(folder);
  return removal;
}

bool ProgramGroup::EntryPath(const char* name, const char* extension, char (&file)[kPathSize]) const {
  const std::size_t groupLength = std::strlen(path_);
  const std::size_t nameLength = std::strlen(name);
  const std::size_t extensionLength = std::strlen(extension);
  if (groupLength == 0 || groupLength + nameLength + extensionLength + 1 > kPathSize) return false;
  std::memcpy(file, path_, groupLength);
  std::memcpy(file + groupLength, name, nameLength);
  std::memcpy(file + groupLength + nameLength, extension, extensionLength + 1);
  return true;
}

std::int32_t ProgramGroup::CreateGroupShortcut(const char* name, const char* target) {
  char link[kPathSize];
  if (!EntryPath(name, ".lnk", link)) return 1;
  return CreateShortcut(name, link, target);
}

std::int32_t ProgramGroup::CreateGroupInternetShortcut(const char* name, const char* url) {
  char file[kPathSize];
  if (!EntryPath(name, ".url", file)) return 1;
  const std::string text = std::string("[InternetShortcut]\r\nURL=") + url + "\r\n";
  return WriteFileReplacing(file, text.data(), text.size()) ? 0 : 1;
}

}  // namespace korvel
