// The bank folder list (configuration key `bankfolder`, folders separated by
// ";") and the paths of bank files in it.
#pragma once

#include <cstddef>
#include <string>

#include "banks/DeviceTable.h"

namespace korvel {

constexpr std::size_t kResolvedPathSize = 200;
constexpr std::size_t kFolderSize = 128;

// Walks the folder list: each call gives the next folder (without a
// trailing "\") in `folder` (kFolderSize bytes), or false at the end. An
// entry with a "." is a file path: its folder is given and the list ends
// there. Empty entries, and entries too long for `folder`, are passed over.
class BankFolderWalk {
 public:
  explicit BankFolderWalk(const char* list) : rest_(list) {}
  bool Next(char* folder);

 private:
  const char* rest_;
};

// Replaces a name shorter than 2 characters, or "User Bank" in any case, by
// the title of `slotPath` with its first letter upper-cased; nothing when
// `slotPath` is empty. `name` holds `nameSize` bytes.
void BankDisplayName(const char* slotPath, char* name, std::size_t nameSize);
// A bare file name becomes the first existing folder + "\" + name; a path
// with a drive ("C:...") is taken as it is. `path` holds kResolvedPathSize
// bytes; a folder + name that would not fit in it is not tried.
bool ResolveBankPath(const Configuration& config, char* path);

// A file or bank name in lower case: Windows compares names without regard
// to case, and so do the lookups that keep names.
std::string LowerCaseName(std::string text);
// An absolute path directly inside one of the folders becomes its bare file
// name, when that has at most 63 characters (a path entry's room) and no
// earlier folder of the list holds a file of that name (the bare name would
// be found there); the result is never longer than `path` was.
void ShortenBankPath(const Configuration& config, char* path);
// `path` as a slot's 64-byte path entry. One longer than the entry is kept
// as its bare name when it lies in a bank folder, and otherwise not at all:
// cut, it would name another file.
void StorePathEntry(const Configuration& config, char* entry, const char* path);
// Adds the folder of an absolute file path to the list if it is not there
// and the list, with its ";", stays within 511 characters.
void AddBankFolder(Configuration& config, const char* path);

// Equal texts within the first `n` bytes, ignoring ASCII case.
bool SameTextIgnoringCase(const char* a, const char* b, std::size_t n);

}  // namespace korvel
