// Whether the bank files of many path entries are there, as a preset load
// asks for every assigned slot: each folder is listed once instead of each
// file being looked up on its own. Make one per load: it does not see files
// that appear or go meanwhile.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "config/Configuration.h"

namespace korvel {

class BankFilePresence {
 public:
  explicit BankFilePresence(const Configuration& config) : config_(config) {}

  // Whether the path entry's bank file is there, found in the bank folders
  // when the entry is a bare name.
  bool IsPresent(const char* path);

 private:
  // The files a folder holds, their names in lower case; empty when it
  // cannot be listed.
  const std::unordered_set<std::string>& FilesIn(const std::string& folder);

  const Configuration& config_;
  std::unordered_map<std::string, std::unordered_set<std::string>> folders_;
};

}  // namespace korvel
