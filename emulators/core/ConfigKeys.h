// The syntax of Korvel's replacement-device settings files (korvelemu.ini,
// korvelfs.ini): one "key=value" per line, keys ignoring case, blank lines
// and lines starting with '#' or ';' ignored. A value that does not parse
// leaves the caller's default as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace korvel::emu {

constexpr std::size_t kConfigFileMax = 64 * 1024;

class ConfigKeys {
 public:
  explicit ConfigKeys(std::string_view text);

  const std::string* Find(const std::string& key) const;
  // A number in `base` (16 allows a 0x prefix) up to `limit`.
  void Number(const std::string& key, unsigned base, std::uint64_t limit, std::uint32_t* out) const;
  // A count of kilobytes, stored as bytes (at most kMaxMemoryBytes).
  void Kilobytes(const std::string& key, std::uint32_t* bytes) const;
  // A non-empty text, cut to maxLength.
  void Text(const std::string& key, std::size_t maxLength, std::string* out) const;

 private:
  std::map<std::string, std::string> values_;
};

// The first kConfigFileMax bytes of the file; empty when it is missing.
std::string ReadConfigText(const std::string& hostPath);

}  // namespace korvel::emu
