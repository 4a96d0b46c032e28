#include "config/PathHelpers.h"

#include <cstring>

namespace korvel {

namespace {

// The first "." of `path` at index 1 or later, or the terminator.
const char* FirstDotFromSecond(const char* path) {
  if (*path == '\0') return path;
  const char* p = path + 1;
  while (*p != '\0' && *p != '.') ++p;
  return p;
}

void CopyRange(char* destination, const char* begin, const char* end) {
  const std::size_t length = static_cast<std::size_t>(end - begin);
  std::memmove(destination, begin, length);
  destination[length] = '\0';
}

}  // namespace

void FileTitle(char* destination, const char* path) {
  const char* end = FirstDotFromSecond(path);
  const char* begin = path;
  for (const char* p = path; p != end; ++p) {
    if (*p == '\\' || *p == ':') begin = p + 1;
  }
  CopyRange(destination, begin, end);
}

const char* ItemFolder(char* destination, const char* list) {
  const char* p = list;
  while (*p != '\0' && *p != '.' && *p != ';') ++p;

  if (*p == '.') {
    // A file path: keep its folder, without the separating "\".
    const char* lastSlash = nullptr;
    for (const char* q = list; q != p; ++q) {
      if (*q == '\\') lastSlash = q;
    }
    if (lastSlash != nullptr) CopyRange(destination, list, lastSlash);
    return nullptr;
  }

  const char* end = p;
  if (end != list && end[-1] == '\\') --end;
  CopyRange(destination, list, end);
  return *p == ';' ? p + 1 : nullptr;
}

void FileExtension(char* destination, const char* path) {
  const char* dot = FirstDotFromSecond(path);
  if (*dot == '\0') {
    destination[0] = '\0';
    return;
  }
  const char* begin = dot + 1;
  CopyRange(destination, begin, begin + std::strlen(begin));
}

bool HasDriveLetter(const char* path) {
  const char letter = path[0];
  return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && path[1] == ':';
}

}  // namespace korvel
