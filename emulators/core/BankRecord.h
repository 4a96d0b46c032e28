// One bank held in an emulated device's sound memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace korvel::emu {

struct BankRecord {
  bool loaded = false;
  std::string name;
  std::uint32_t bytes = 0;  // sound memory taken
  std::string path;         // as the program named the file
};

inline bool operator==(const BankRecord& a, const BankRecord& b) {
  return a.loaded == b.loaded && a.name == b.name && a.bytes == b.bytes && a.path == b.path;
}

// Turns a path as the program passes it into one this process can open.
// Empty = the path as it is.
using PathMapper = std::function<std::string(const std::string& devicePath)>;

inline std::string MapPath(const PathMapper& map, const std::string& devicePath) {
  return map ? map(devicePath) : devicePath;
}

constexpr std::size_t kBankPathMax = 259;
// Sound memory is reported as a signed 32-bit byte count.
constexpr std::uint32_t kMaxMemoryBytes = 0x7FFFFC00u;

}  // namespace korvel::emu
