#include "config/WholeFile.h"

#include <new>
#include <string>

#include "config/ErrorBox.h"
#include "platform/Platform.h"

namespace korvel {

bool WriteFileReplacing(const char* path, const void* data, std::size_t size) {
  // Windows refuses to replace a read-only file, Wine does not: the user's
  // protection holds on both.
  const std::uint32_t attributes = platform::GetFileAttributesA(path);
  if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeReadOnly)) return false;
  const std::string fresh = std::string(path) + ".new";
  std::FILE* file = platform::OpenFile(fresh.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(data, 1, size, file) == size;
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (written && platform::ReplaceFileWith(fresh.c_str(), path)) return true;
  if (!written || FileIsPresent(path)) platform::DeleteFileA(fresh.c_str());
  return false;
}

std::FILE* OpenStoredFile(const char* path) {
  if (std::FILE* file = platform::OpenFile(path, "rb")) return file;
  return platform::OpenFile((std::string(path) + ".new").c_str(), "rb");
}

bool StoredFileIsPresent(const char* path) {
  std::FILE* file = OpenStoredFile(path);
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

bool ReadWholeFile(std::FILE* file, std::vector<char>& contents, std::size_t limit, bool* cut) {
  if (cut != nullptr) *cut = false;
  try {
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      const std::size_t room = limit - contents.size();
      if (got > room) {
        contents.insert(contents.end(), chunk, chunk + room);
        if (cut != nullptr) *cut = true;
        break;
      }
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
