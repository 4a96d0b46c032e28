// The registry module: at most one open key at a time, under the product key
// "SOFTWARE\<maker>\<product>\" of either hive. Results are Win32 error codes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Platform.h"

namespace korvel {

// The result of the last ReadValue; valid until the next read or CloseKey.
struct ValueRecord {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  const std::uint8_t* data = nullptr;
};

class RegistryModule {
 public:
  static constexpr long kKeyBusy = 22;  // a key is open already, or none is
  static constexpr std::uint32_t kValueBufferSize = 2048;
  static constexpr int kCurrentUser = 1;
  static constexpr int kLocalMachine = 2;

  RegistryModule() = default;
  ~RegistryModule();
  RegistryModule(const RegistryModule&) = delete;
  RegistryModule& operator=(const RegistryModule&) = delete;

  long InitRegistry(const char* maker, const char* product);
  void DoneRegistry();
  long OpenKey(platform::RegKey hive, const char* path, bool create);
  long OpenProductKey(int which, bool create);
  long CloseKey();
  const ValueRecord* ReadValue(const char* name);
  long WriteValue(const char* name, std::uint32_t type, const void* data);

  const char* ProductKeyPath() const { return productKey_; }
  bool HasOpenKey() const { return openKey_ != 0; }
  bool Initialised() const { return initialised_; }

 private:
  char maker_[64] = {};
  char product_[64] = {};
  char productKey_[160] = {};
  bool initialised_ = false;
  platform::RegKey openKey_ = 0;
  std::unique_ptr<std::uint8_t[]> valueBuffer_;
  ValueRecord record_;
};

}  // namespace korvel
