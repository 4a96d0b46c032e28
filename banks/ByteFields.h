// Little-endian fields of stored records and request blocks, written and read
// byte by byte at their offsets, whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvel {

inline void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint16_t GetU16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// A text field of `size` bytes: the text up to its terminator, the rest zero.
// A text that fills the field keeps its first size - 1 characters.
inline void PutText(std::uint8_t* at, std::size_t size, const char* text) {
  std::memset(at, 0, size);
  if (size == 0 || text == nullptr) return;
  std::size_t n = 0;
  while (n + 1 < size && text[n] != '\0') ++n;
  std::memcpy(at, text, n);
}

// The text of a field of `size` bytes into `text` (size bytes), terminated
// even when the field holds none.
inline void GetText(const std::uint8_t* at, std::size_t size, char* text) {
  if (size == 0) return;
  std::memcpy(text, at, size - 1);
  text[size - 1] = '\0';
}

}  // namespace korvel
