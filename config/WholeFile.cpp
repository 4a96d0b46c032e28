#include "config/WholeFile.h"

#include <new>
#include <string>

#include "platform/Platform.h"

namespace korvel {

bool WriteFileReplacing(const char* path, const void* data, std::size_t size) {
  const std::string fresh = std::string(path) + ".new";
  std::FILE* file = platform::OpenFile(fresh.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(data, 1, size, file) == size;
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (written && platform::ReplaceFileWith(fresh.c_str(), path)) return true;
  platform::DeleteFileA(fresh.c_str());
  return false;
}

bool ReadWholeFile(std::FILE* file, std::vector<char>& contents) {
  try {
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      contents.insert(contents.end(), chunk, chunk + got);
    }
    return true;
  } catch (const std::bad_alloc&) {
    contents.clear();
    contents.shrink_to_fit();
    return false;
  }
}

}  // namespace korvel
