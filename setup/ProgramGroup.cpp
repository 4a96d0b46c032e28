#include "setup/ProgramGroup.h"

#include <cstring>

#include "config/Shortcut.h"
#include "platform/Platform.h"
#include "setup/Product.h"

namespace korvel {

namespace {

// Length of a registry text value: up to its terminator or its end.
std::size_t TextLength(const ValueRecord& value) {
  const void* end = std::memchr(value.data, '\0', value.size);
  return end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - value.data) : value.size;
}

constexpr char kLinkPattern[] = "\\*.lnk";
// As FindFirstFileA's cFileName.
constexpr unsigned kFoundNameSize = 260;

}  // namespace

bool ProgramGroup::GroupFolder(const char* name, std::size_t reserve, char (&folder)[kPathSize]) {
  if (registry_.OpenKey(platform::kHkeyCurrentUser, kShellFoldersKey, false) != 0) return false;
  const ValueRecord* programs = registry_.ReadValue("Programs");
  const std::size_t length = programs ? TextLength(*programs) : 0;
  const std::size_t nameLength = std::strlen(name);
  const bool fits = programs && length + 1 + nameLength + reserve < kPathSize;
  if (fits) {
    std::memcpy(folder, programs->data, length);
    folder[length] = '\\';
    std::memcpy(folder + length + 1, name, nameLength + 1);
  }
  registry_.CloseKey();
  return fits;
}

int ProgramGroup::CreateProgramGroup(const char* name) {
  if (!registry_.Initialised()) return kCreated;
  if (std::strcmp(name, kRemovalName) == 0) return RemoveProgramGroup();
  char folder[kPathSize];
  // Room for the "\" that ends the group path.
  if (!GroupFolder(name, 1, folder)) return kNoProgramsFolder;
  const bool created = platform::CreateDirectoryA(folder);
  std::strcpy(path_, folder);
  std::strcat(path_, "\\");
  return created ? kCreated : kNotCreated;
}

int ProgramGroup::RemoveProgramGroup() {
  char folder[kPathSize];
  // Room for the "\*.lnk" pattern searched in the folder.
  if (!GroupFolder(product::kName, sizeof kLinkPattern - 1, folder)) return kNoProgramsFolder;
  DeleteLinksIn(folder);
  return platform::RemoveDirectoryA(folder) ? kCreated : kNotCreated;
}

void ProgramGroup::DeleteLinksIn(const char* folder) {
  const std::size_t folderLength = std::strlen(folder);
  char path[kPathSize];
  std::memcpy(path, folder, folderLength);
  std::memcpy(path + folderLength, kLinkPattern, sizeof kLinkPattern);
  char name[kFoundNameSize];
  const platform::FindHandle find = platform::FindFirstFileA(path, name, sizeof name);
  if (find == 0) return;
  do {
    const std::size_t nameLength = std::strlen(name);
    if (folderLength + 1 + nameLength >= kPathSize) continue;
    path[folderLength] = '\\';
    std::memcpy(path + folderLength + 1, name, nameLength + 1);
    platform::DeleteFileA(path);
  } while (platform::FindNextFileA(find, name, sizeof name));
  platform::FindClose(find);
}

std::int32_t ProgramGroup::CreateGroupShortcut(const char* name, const char* target) {
  constexpr char kExtension[] = ".lnk";
  const std::size_t groupLength = std::strlen(path_);
  const std::size_t nameLength = std::strlen(name);
  if (groupLength == 0 || groupLength + nameLength + sizeof kExtension > kPathSize) return 1;
  char link[kPathSize];
  std::memcpy(link, path_, groupLength);
  std::memcpy(link + groupLength, name, nameLength);
  std::memcpy(link + groupLength + nameLength, kExtension, sizeof kExtension);
  return CreateShortcut(name, link, target);
}

}  // namespace korvel
