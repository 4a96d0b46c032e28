#include "banks/BankNameCache.h"

#include <cctype>

#include "config/TextHelpers.h"

namespace korvel {

// Windows paths name the same file whatever their case.
std::string BankNameCache::KeyOf(int kind, const std::string& path) {
  std::string key(1, static_cast<char>('0' + kind));
  key.reserve(path.size() + 1);
  for (const char c : path) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
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
