#include "banks/BankFolders.h"

#include <cctype>
#include <cstring>
#include <string>

#include "config/ErrorBox.h"
#include "config/PathHelpers.h"
#include "config/TextHelpers.h"

namespace korvel {

namespace {

constexpr std::size_t kListSize = sizeof(Configuration::bankfolder);  // 511 characters
constexpr std::size_t kPathEntryChars = kPathEntrySize - 1;

// The configured list, terminated within its field whatever the record holds.
struct FolderList {
  explicit FolderList(const Configuration& config) {
    BoundedCopy(text, config.bankfolder, sizeof text);
  }
  char text[kListSize];
};

// ItemFolder into a destination of `size` bytes. ItemFolder writes at most
// the item's length (up to its first ".", ";" or end), which is measured
// first; an item whose folder does not fit leaves `destination` empty and
// sets *fits to false. Returns the rest of the list as ItemFolder does.
const char* BoundedItemFolder(char* destination, std::size_t size, const char* list, bool* fits) {
  const char* end = list;
  while (*end != '\0' && *end != '.' && *end != ';') ++end;
  const auto itemLength = static_cast<std::size_t>(end - list);

  destination[0] = '\0';
  *fits = itemLength < size;
  if (*fits) return ItemFolder(destination, list);

  // Too long for the destination: the walk goes on (or ends) as ItemFolder would.
  return *end == ';' ? end + 1 : nullptr;
}

// The folder part of an absolute file path, through ItemFolder.
std::string FolderOfPath(const char* path) {
  std::string folder(std::strlen(path) + 1, '\0');
  ItemFolder(&folder[0], path);
  folder.resize(std::strlen(folder.c_str()));
  return folder;
}

// strlen that looks at no more than `size` bytes.
std::size_t TextLength(const char* text, std::size_t size) {
  std::size_t length = 0;
  while (length < size && text[length] != '\0') ++length;
  return length;
}

bool HasDrive(const char* path) { return path != nullptr && path[0] != '\0' && path[1] == ':'; }

}  // namespace

bool SameTextIgnoringCase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
  return true;
}

bool BankFolderWalk::Next(char* folder) {
  while (rest_ != nullptr) {
    bool fits = false;
    rest_ = BoundedItemFolder(folder, kFolderSize, rest_, &fits);
    if (fits && folder[0] != '\0') return true;
  }
  folder[0] = '\0';
  return false;
}

void BankDisplayName(const char* slotPath, char* name, std::size_t nameSize) {
  if (slotPath == nullptr || slotPath[0] == '\0' || name == nullptr || nameSize == 0) return;
  static const char kUserBank[] = "User Bank";
  const std::size_t length = TextLength(name, nameSize);
  const bool isUserBank =
      length == sizeof kUserBank - 1 && SameTextIgnoringCase(name, kUserBank, length);
  if (length >= 2 && !isUserBank) return;

  std::string title(std::strlen(slotPath) + 1, '\0');
  FileTitle(&title[0], slotPath);
  BoundedCopy(name, title.c_str(), nameSize);
  name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
}

std::string LowerCaseName(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ResolveBankPath(const Configuration& config, char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  if (path[1] == ':') return true;

  const std::size_t nameLength = TextLength(path, kResolvedPathSize);
  if (nameLength >= kResolvedPathSize) return false;  // not a terminated path of this buffer

  const FolderList list(config);
  BankFolderWalk walk(list.text);
  char folder[kFolderSize];
  char candidate[kResolvedPathSize];
  while (walk.Next(folder)) {
    const std::size_t folderLength = std::strlen(folder);
    // A candidate cut to the buffer would name another file: it is not tried.
    if (folderLength + 1 + nameLength >= sizeof candidate) continue;
    std::memcpy(candidate, folder, folderLength);
    candidate[folderLength] = '\\';
    std::memcpy(candidate + folderLength + 1, path, nameLength + 1);
    if (FileIsPresent(candidate)) {
      BoundedCopy(path, candidate, kResolvedPathSize);
      return true;
    }
  }
  return false;
}

void StorePathEntry(const Configuration& config, char* entry, const char* path) {
  char work[kResolvedPathSize] = {};
  if (std::strlen(path) < sizeof work) BoundedCopy(work, path, sizeof work);
  if (std::strlen(work) >= kPathEntrySize) ShortenBankPath(config, work);
  if (std::strlen(work) >= kPathEntrySize) work[0] = '\0';
  BoundedCopy(entry, work, kPathEntrySize);
}

namespace {

// How many folders of the list come before `folderPart`; -1 when it is not
// in the list.
int FolderPlace(const char* list, const std::string& folderPart) {
  BankFolderWalk walk(list);
  char folder[kFolderSize];
  for (int place = 0; walk.Next(folder); ++place) {
    if (SameTextIgnoringCase(folder, folderPart.c_str(), kFolderSize)) return place;
  }
  return -1;
}

// Whether one of the first `count` folders holds a file called `bare`.
bool EarlierFolderHolds(const char* list, int count, const std::string& bare) {
  BankFolderWalk walk(list);
  char folder[kFolderSize];
  for (int place = 0; place < count && walk.Next(folder); ++place) {
    if (FileIsPresent((std::string(folder) + "\\" + bare).c_str())) return true;
  }
  return false;
}

}  // namespace

void ShortenBankPath(const Configuration& config, char* path) {
  if (!HasDrive(path)) return;
  const std::string folderPart = FolderOfPath(path);
  if (folderPart.empty()) return;

  const FolderList list(config);
  const int place = FolderPlace(list.text, folderPart);
  if (place < 0) return;
  const std::size_t length = std::strlen(path);
  std::string title(length + 1, '\0');
  std::string extension(length + 1, '\0');
  FileTitle(&title[0], path);
  FileExtension(&extension[0], path);
  std::string bare = title.c_str();
  bare += '.';
  bare += extension.c_str();
  // A bare name too long for a path entry would name another file once
  // cut, and one that an earlier folder also holds would be found there
  // instead: the absolute path is kept then. Otherwise the bare name is
  // shorter than the path it came from, so it fits in place.
  if (bare.size() > kPathEntryChars || EarlierFolderHolds(list.text, place, bare)) return;
  BoundedCopy(path, bare.c_str(), bare.size() + 1);
}

void AddBankFolder(Configuration& config, const char* path) {
  if (!HasDrive(path)) return;
  const std::string folder = FolderOfPath(path);
  // An empty folder, or one the walk could never hand out, is not worth adding.
  if (folder.empty() || folder.size() >= kFolderSize) return;

  {
    const FolderList list(config);
    BankFolderWalk walk(list.text);
    char entry[kFolderSize];
    while (walk.Next(entry)) {
      if (SameTextIgnoringCase(entry, folder.c_str(), kFolderSize)) return;
    }
  }

  char* list = config.bankfolder;
  const std::size_t listLength = TextLength(list, kListSize);
  if (listLength >= kListSize) return;  // an unterminated list is left alone
  const bool separator = listLength > 0 && list[listLength - 1] != ';';
  const std::size_t total = listLength + (separator ? 1 : 0) + folder.size();
  if (total >= kListSize) return;
  std::size_t at = listLength;
  if (separator) list[at++] = ';';
  std::memcpy(list + at, folder.c_str(), folder.size() + 1);
}

}  // namespace korvel
