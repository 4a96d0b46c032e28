#include "banks/BankNameCache.h"

#include "banks/BankFolders.h"
#include "config/TextHelpers.h"

namespace korvel {

// Windows paths name the same file whatever their case.
std::string BankNameCache::KeyOf(int kind, const std::string& path) {
  return std::string(1, static_cast<char>('0' + kind)) + LowerCaseName(path);
}

const char* BankNameCache::Find(int kind, const std::string& path, const platform::FileStamp& stamp) const {
  const auto found = names_.find(KeyOf(kind, path));
  if (found == names_.end() || !(found->second.stamp == stamp)) return nullptr;
  return found->second.bankName;
}

void BankNameCache::Keep(int kind, const std::string& path, const platform::FileStamp& stamp,
                         const char* bankName) {
  if (names_.size() >= kMostNames) names_.clear();
  Entry& entry = names_[KeyOf(kind, path)];
  entry.stamp = stamp;
  BoundedCopy(entry.bankName, bankName, sizeof entry.bankName);
}

}  // namespace korvel
