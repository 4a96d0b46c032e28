// Bank names read from bank files, kept between folder searches. Every
// "&Refresh", bank load and preset load that looks for a bank's file in the
// bank folders would otherwise open every file there again; a name is used
// again only while the listing shows the file with the same size and write
// time as when it was read.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "banks/SoundDevice.h"
#include "platform/Platform.h"

namespace korvel {

class BankNameCache {
 public:
  // The bank name read before from the file at `path` for devices of
  // `kind`, when the file still has `stamp`; nullptr otherwise.
  const char* Find(int kind, const std::string& path, const platform::FileStamp& stamp) const;
  void Keep(int kind, const std::string& path, const platform::FileStamp& stamp, const char* bankName);

  std::size_t Size() const { return names_.size(); }

 private:
  // Far more bank files than a musician keeps; past it the cache starts
  // again rather than growing without end.
  static constexpr std::size_t kMostNames = 20000;

  struct Entry {
    platform::FileStamp stamp;
    char bankName[sizeof(BankSlot::name)] = {};
  };
  static std::string KeyOf(int kind, const std::string& path);

  std::unordered_map<std::string, Entry> names_;
};

}  // namespace korvel
