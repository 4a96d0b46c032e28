// The bank folders' files as the last folder search listed them, with the
// bank names read from them, kept between searches. Every "&Refresh", bank
// load and preset load that looks for a bank's file in the bank folders lists
// the folders again, but opens only the files that are new or whose size or
// write time changed since; the others keep the name read before.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"

namespace korvel {

struct ListedBankFile {
  std::string name;  // as listed, the bare file name
  std::string path;  // absolute
  platform::FileStamp stamp;
  bool read = false;
  std::string bankKey;  // the bank name in lower case, once read
};

struct BankFolderListing {
  int kind = 0;
  std::string folder;  // absolute, as the current folder reported it
  std::vector<ListedBankFile> files;

  // Lists the folder's files matching `pattern` again. A file listed before
  // with the same name, size and write time keeps what was read from it.
  void Relist(const char* pattern);

  // Once a walk has passed every file, having read all whose names are
  // shorter than `nameLimit`, a later walk for a bank name can start at the
  // first file holding it instead of comparing every file before it.
  void IndexBankNames(std::size_t nameLimit);
  // Where a walk for `bankKey` among names shorter than `nameLimit` starts.
  std::size_t WalkStart(const std::string& bankKey, std::size_t nameLimit) const;

 private:
  std::unordered_map<std::string, std::size_t> firstWithKey_;
  std::size_t indexedLimit_ = 0;  // 0 while not indexed
};

class BankFolderListings {
 public:
  // The kept listing of `folder` for devices of `kind`; a new one is empty.
  // A search holds on to the listings it uses, so starting again below does
  // not take them from it.
  std::shared_ptr<BankFolderListing> Of(int kind, const std::string& folder);

 private:
  // Far more than the bank folder list holds for both device kinds; past it
  // (after the list was edited many times) the listings start again rather
  // than growing without end.
  static constexpr std::size_t kMostListings = 256;

  std::vector<std::shared_ptr<BankFolderListing>> listings_;
};

}  // namespace korvel
