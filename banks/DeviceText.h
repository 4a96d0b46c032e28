// Small text operations of the device layer on fixed-size names and paths.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstring>

namespace korvel {

// Ends `text` after at most `chars` characters.
inline void CutText(char* text, std::size_t chars) {
  if (std::strlen(text) > chars) text[chars] = '\0';
}

inline bool EqualIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
    if (*a == '\0') return true;
  }
}

// True when the path's file name ends in "." + `extension`, ignoring case.
inline bool HasExtension(const char* path, const char* extension) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  }
  const char* dot = std::strrchr(name, '.');
  return dot != nullptr && EqualIgnoringCase(dot + 1, extension);
}

}  // namespace korvel
