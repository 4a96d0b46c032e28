#include "config/ErrorBox.h"

namespace korvel {

void ErrorBox(const char* text) { ShowMessageBox(text, "Korvel", platform::kMbOk | platform::kMbIconError); }

bool FileIsPresent(const char* path) {
  std::FILE* file = platform::OpenFile(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace korvel
