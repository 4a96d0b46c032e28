#include "config/ErrorBox.h"

namespace korvel {

void ErrorBox(const char* text) { ShowMessageBox(text, "Korvel", platform::kMbOk | platform::kMbIconError); }

// One look at the file's attributes: cheaper than opening and closing it,
// which matters for the hundreds of bank paths a preset load checks.
bool FileIsPresent(const char* path) {
  const std::uint32_t attributes = platform::GetFileAttributesA(path);
  return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) == 0;
}

bool FolderIsPresent(const char* path) {
  const std::uint32_t attributes = platform::GetFileAttributesA(path);
  return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0;
}

}  // namespace korvel
