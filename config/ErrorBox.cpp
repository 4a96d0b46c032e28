#include "config/ErrorBox.h"

namespace korvel {

namespace {
platform::Window messageOwner = 0;
}

void SetMessageOwner(platform::Window owner) { messageOwner = owner; }

platform::Window MessageOwner() { return messageOwner; }

void ErrorBox(const char* text) {
  platform::MessageBoxA(messageOwner, text, "Korvel", platform::kMbOk | platform::kMbIconError);
}

bool FileIsPresent(const char* path) {
  std::FILE* file = platform::OpenFile(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace korvel
