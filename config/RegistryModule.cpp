#include "config/RegistryModule.h"

#include <cstring>
#include <new>

namespace korvel {

namespace {

// Copies `text` into a fixed buffer, cutting it short rather than overrunning.
template <std::size_t N>
void CopyName(char (&buffer)[N], const char* text) {
  std::size_t length = text == nullptr ? 0 : std::strlen(text);
  if (length > N - 1) length = N - 1;
  if (length > 0) std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

}  // namespace

RegistryModule::~RegistryModule() {
  if (initialised_) {
    DoneRegistry();
  } else {
    CloseKey();
  }
}

long RegistryModule::InitRegistry(const char* maker, const char* product) {
  CopyName(maker_, maker);
  CopyName(product_, product);
  // "SOFTWARE\" + 63 + "\" + 63 + "\" always fits the path buffer.
  productKey_[0] = '\0';
  std::strcat(productKey_, "SOFTWARE\\");
  std::strcat(productKey_, maker_);
  std::strcat(productKey_, "\\");
  std::strcat(productKey_, product_);
  std::strcat(productKey_, "\\");
  initialised_ = true;
  platform::CoInitialize();
  return 0;
}

void RegistryModule::DoneRegistry() {
  maker_[0] = '\0';
  product_[0] = '\0';
  productKey_[0] = '\0';
  // Only a matching CoInitialize may be undone.
  if (initialised_) platform::CoUninitialize();
  CloseKey();
  initialised_ = false;
}

long RegistryModule::OpenKey(platform::RegKey hive, const char* path, bool create) {
  if (openKey_ != 0) return kKeyBusy;
  platform::RegKey key = 0;
  const long result = create ? platform::RegCreateKeyExA(hive, path, "ProgramConfig", &key)
                             : platform::RegOpenKeyExA(hive, path, &key);
  if (result == 0) openKey_ = key;
  return result;
}

long RegistryModule::OpenProductKey(int which, bool create) {
  if (!initialised_) return 0;
  if (which == kCurrentUser) return OpenKey(platform::kHkeyCurrentUser, productKey_, create);
  if (which == kLocalMachine) return OpenKey(platform::kHkeyLocalMachine, productKey_, create);
  return 0;
}

long RegistryModule::CloseKey() {
  if (openKey_ != 0) platform::RegCloseKey(openKey_);
  openKey_ = 0;
  valueBuffer_.reset();
  record_ = ValueRecord();
  return 0;
}

const ValueRecord* RegistryModule::ReadValue(const char* name) {
  if (openKey_ == 0) return nullptr;
  if (!valueBuffer_) {
    valueBuffer_.reset(new (std::nothrow) std::uint8_t[kValueBufferSize]);
    if (!valueBuffer_) return nullptr;
  }
  std::uint32_t type = 0;
  std::uint32_t size = kValueBufferSize;
  if (platform::RegQueryValueExA(openKey_, name, &type, valueBuffer_.get(), &size) != 0)
    return nullptr;
  record_.type = type;
  record_.size = size;
  record_.data = valueBuffer_.get();
  return &record_;
}

long RegistryModule::WriteValue(const char* name, std::uint32_t type, const void* data) {
  if (openKey_ == 0) return kKeyBusy;
  const std::uint32_t size =
      type == platform::kRegSz
          ? static_cast<std::uint32_t>(std::strlen(static_cast<const char*>(data)) + 1)
          : 4;
  return platform::RegSetValueExA(openKey_, name, type, data, size);
}

}  // namespace korvel
