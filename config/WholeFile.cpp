#include "config/WholeFile.h"

#include <cstring>
#include <new>
#include <string>

#include "config/ErrorBox.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

// The characters Windows refuses in a file name, control characters among them.
bool IsBadFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t colon = path.find(':', nameStart);
  if (colon != std::string::npos) return true;
  for (std::size_t i = nameStart; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || std::strchr("<>\"|?*", c) != nullptr) return true;
  }
  return false;
}

bool Fail(WriteFailure* failure, const char* path, const char* reason = nullptr) {
  if (failure == nullptr) return false;
  failure->path = path;
  if (reason != nullptr) {
    failure->reason = reason;
  } else {
    char text[256];
    platform::LastFileErrorText(text, sizeof text);
    failure->reason = text;
  }
  return false;
}

bool WriteWhole(const std::string& fresh, const void* data, std::size_t size) {
  std::FILE* file = platform::OpenFile(fresh.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size && platform::FlushFileToDisk(file);
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool WriteFileReplacing(const char* path, const void* data, std::size_t size, WriteFailure* failure) {
  if (IsBadFileName(path)) {
    if (failure != nullptr) failure->badName = true;
    return Fail(failure, path, "the name holds characters that Windows takes in no file name");
  }
  // Windows refuses to replace a read-only file, Wine does not: the user's
  // protection holds on both.
  const std::uint32_t attributes = platform::GetFileAttributesA(path);
  if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeReadOnly)) {
    return Fail(failure, path, "the file is read-only");
  }
  const std::string fresh = std::string(path) + ".new";
  if (attributes == platform::kInvalidFileAttributes && FileIsPresent(fresh.c_str()) &&
      !platform::ReplaceFileWith(fresh.c_str(), path)) {
    return Fail(failure, path);
  }
  if (!WriteWhole(fresh, data, size)) {
    Fail(failure, path);
    platform::DeleteFileA(fresh.c_str());
    return false;
  }
  if (platform::ReplaceFileWith(fresh.c_str(), path)) return true;
  Fail(failure, path);
  if (FileIsPresent(path)) platform::DeleteFileA(fresh.c_str());
  return false;
}

std::FILE* OpenStoredFile(const char* path, bool* leftover) {
  if (leftover != nullptr) *leftover = false;
  if (std::FILE* file = platform::OpenFile(path, "rb")) return file;
  std::FILE* file = platform::OpenFile((std::string(path) + ".new").c_str(), "rb");
  if (leftover != nullptr) *leftover = file != nullptr;
  return file;
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
