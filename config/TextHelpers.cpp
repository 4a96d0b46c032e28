#include "config/TextHelpers.h"

#include <cstring>

namespace korvel {

int BoundedCopy(char* destination, const char* source, std::size_t n) {
  if (n == 0) return 0;
  std::size_t i = 0;
  for (; i + 1 < n && source[i] != '\0'; ++i) destination[i] = source[i];
  destination[i] = '\0';
  return 0;
}

int BoundedCompare(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return 1;
    if (a[i] == '\0') return 0;
  }
  return 0;
}

int CountOccurrences(const char* buffer, const char* pattern, std::size_t n) {
  const std::size_t length = std::strlen(pattern);
  if (length == 0) return 0;
  if (n <= length) return 0;
  // A match may start no later than here: a byte of the range must follow it.
  const std::size_t lastStart = n - length - 1;
  int count = 0;
  std::size_t i = 0;
  while (i <= lastStart) {
    // Jump to the next byte that can start a match.
    const void* next = std::memchr(buffer + i, pattern[0], lastStart - i + 1);
    if (next == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const char*>(next) - buffer);
    if (std::memcmp(buffer + i + 1, pattern + 1, length - 1) == 0) {
      ++count;
      i += length + 1;
    } else {
      ++i;
    }
  }
  return count;
}

void ReplaceChar(char* text, char from, char to) {
  for (; *text != '\0'; ++text) {
    if (*text == from) *text = to;
  }
}

}  // namespace korvel
