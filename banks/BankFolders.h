// The bank folder list (configuration key `bankfolder`, folders separated by
// ";") and the paths of bank files in it.
#pragma once

#include <cstddef>

#include "banks/DeviceTable.h"

namespace korvel {

constexpr std::size_t kResolvedPathSize = 200;

// Walks the folder list: each call gives the next folder (without a
// trailing "\") in `folder` (128 bytes), or false at the end.
class BankFolderWalk {
 public:
  explicit BankFolderWalk(const char* list) : rest_(list) {}
  bool Next(char* folder);

 private:
  const char* rest_;
};

// Replaces a short or empty bank name by the title of the slot's file.
void BankDisplayName(const char* slotPath, char* name, std::size_t nameSize);
// A bare file name becomes the first existing folder + "\" + name.
// `path` holds kResolvedPathSize bytes.
bool ResolveBankPath(const Configuration& config, char* path);
// An absolute path into one of the folders becomes its bare file name.
void ShortenBankPath(const Configuration& config, char* path);
// Adds the folder of an absolute file path to the list if it is not there.
void AddBankFolder(Configuration& config, const char* path);

}  // namespace korvel
