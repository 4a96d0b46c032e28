#include "emulators/core/ManagerCores.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "emulators/core/ByteOrder.h"
#include "emulators/core/Emulator.h"
#include "emulators/core/SoundFontDevice.h"

namespace korvel::emu {

// ---- Shared ----------------------------------------------------------------------

std::uint32_t AnswerText(SfRequest* request, const char* text, bool present) {
  if (!request || !request->buffer || request->size == 0) return kSfBadArgument;
  const std::size_t n = present ? std::min<std::size_t>(std::strlen(text), request->size - 1) : 0;
  std::memcpy(request->buffer, text, n);
  request->buffer[n] = '\0';
  request->length = present ? static_cast<std::uint32_t>(n + 1) : 0;
  return kSfOk;
}

bool RequestPath(const SfRequest* request, std::string* path) {
  if (!request || !request->buffer || request->size == 0) return false;
  const std::size_t limit = std::min<std::size_t>(request->size, kBankPathMax + 1);
  const void* end = std::memchr(request->buffer, '\0', limit);
  if (!end) return false;
  path->assign(request->buffer, static_cast<std::size_t>(static_cast<const char*>(end) - request->buffer));
  return true;
}

std::uint32_t WriteDescription(void* record, std::size_t size, std::size_t nameAt, unsigned dev,
                               std::uint32_t memoryBytes, const std::string& name) {
  auto* bytes = static_cast<std::uint8_t*>(record);
  if (!bytes || GetLe16(bytes) < size) return kSfBadArgument;
  std::memset(bytes + 2, 0, size - 2);
  PutLe16(bytes + kDescDevice, dev);
  PutLe32(bytes + kDescMemory, memoryBytes);
  PutLe16(bytes + kDescBankCount, kSoundFontBanks);
  std::memcpy(bytes + nameAt, name.data(), std::min(name.size(), size - nameAt - 1));
  return kSfOk;
}

// ---- SoundFont manager ----------------------------------------------------------

SoundFontDevice* SoundFontManagerCore::DeviceOf(std::uint32_t dev) {
  dev &= 0xFFFFu;
  return dev < emulator_.Devices().size() ? &emulator_.Devices()[dev] : nullptr;
}

std::uint32_t SoundFontManagerCore::OpenDevice(std::uint32_t dev, SoundFontDevice** device) {
  *device = DeviceOf(dev);
  if (!*device) return kSfBadDevice;
  return (*device)->IsOpen() ? kSfOk : kSfNotOpen;
}

std::uint32_t SoundFontManagerCore::DeviceCount(std::uint32_t* count) {
  if (!count) return kSfBadArgument;
  *count = static_cast<std::uint32_t>(emulator_.Devices().size());
  return kSfOk;
}

std::uint32_t SoundFontManagerCore::Describe(std::uint32_t dev, void* record) {
  SoundFontDevice* device = DeviceOf(dev);
  if (!device) return kSfBadDevice;
  return WriteDescription(record, kSfDescriptionSize, kSfDescriptionName, dev & 0xFFFFu,
                          device->TotalBytes(), device->Name());
}

std::uint32_t SoundFontManagerCore::Open(std::uint32_t dev) {
  SoundFontDevice* device = DeviceOf(dev);
  if (!device) return kSfBadDevice;
  device->SetOpen(true);
  return kSfOk;
}

std::uint32_t SoundFontManagerCore::Close(std::uint32_t dev) {
  SoundFontDevice* device = DeviceOf(dev);
  if (!device) return kSfBadDevice;
  device->SetOpen(false);
  return kSfOk;
}

std::uint32_t SoundFontManagerCore::Memory(std::uint32_t dev, std::int32_t* total,
                                           std::int32_t* free) {
  const Emulator::Operation operation(emulator_);
  SoundFontDevice* device = nullptr;
  if (std::uint32_t rc = OpenDevice(dev, &device)) return rc;
  if (!total || !free) return kSfBadArgument;
  *total = static_cast<std::int32_t>(device->TotalBytes());
  *free = static_cast<std::int32_t>(device->FreeBytes());
  return kSfOk;
}

std::uint32_t SoundFontManagerCore::RomName(std::uint32_t dev, SfRequest* request) {
  SoundFontDevice* device = nullptr;
  if (std::uint32_t rc = OpenDevice(dev, &device)) return rc;
  return AnswerText(request, device->RomName().c_str(), true);
}

std::uint32_t SoundFontManagerCore::Load(std::uint32_t dev, const std::uint16_t* bank,
                                         SfRequest* request) {
  const Emulator::Operation operation(emulator_);
  SoundFontDevice* device = nullptr;
  if (std::uint32_t rc = OpenDevice(dev, &device)) return rc;
  std::string path;
  if (!bank || !RequestPath(request, &path) || request->zero != 0) return kSfBadArgument;
  const std::uint32_t result = device->Load(*bank, path, emulator_.BankPathMapper());
  if (result == kSfOk) emulator_.Save();
  return result;
}

std::uint32_t SoundFontManagerCore::BankName(std::uint32_t dev, const std::uint16_t* bank,
                                             SfRequest* request) {
  const Emulator::Operation operation(emulator_);
  SoundFontDevice* device = nullptr;
  if (std::uint32_t rc = OpenDevice(dev, &device)) return rc;
  if (!bank) return kSfBadArgument;
  if (*bank >= kSoundFontBanks) return kSfBadBank;
  if (*bank == 0) return AnswerText(request, device->RomName().c_str(), true);
  const BankRecord& record = device->Bank(*bank);
  return AnswerText(request, record.name.c_str(), record.loaded);
}

std::uint32_t SoundFontManagerCore::BankPath(std::uint32_t dev, const std::uint16_t* bank,
                                             SfRequest* request) {
  const Emulator::Operation operation(emulator_);
  SoundFontDevice* device = nullptr;
  if (std::uint32_t rc = OpenDevice(dev, &device)) return rc;
  if (!bank) return kSfBadArgument;
  if (*bank >= kSoundFontBanks) return kSfBadBank;
  const BankRecord& record = device->Bank(*bank);
  return AnswerText(request, record.path.c_str(), record.loaded);
}

std::uint32_t SoundFontManagerCore::Clear(std::uint32_t dev, const std::uint16_t* bank) {
  const Emulator::Operation operation(emulator_);
  SoundFontDevice* device = nullptr;
  if (std::uint32_t rc = OpenDevice(dev, &device)) return rc;
  if (!bank) return kSfBadArgument;
  const std::uint32_t result = device->Clear(*bank);
  if (result == kSfOk) emulator_.Save();
  return result;
}

// ---- AWE manager ------------------------------------------------------------------

SoundFontDevice* AweManagerCore::DeviceOf(std::intptr_t handle) {
  const std::intptr_t dev = handle - kAweHandleBase;
  if (dev < 0 || dev >= static_cast<std::intptr_t>(emulator_.Devices().size())) return nullptr;
  SoundFontDevice& device = emulator_.Devices()[static_cast<std::size_t>(dev)];
  return device.IsOpen() ? &device : nullptr;
}

std::uint32_t AweManagerCore::Call(std::intptr_t handle, std::uint32_t code, std::intptr_t p1,
                                   std::intptr_t p2) {
  const Emulator::Operation operation(emulator_);
  auto& devices = emulator_.Devices();
  const auto count = static_cast<std::intptr_t>(devices.size());
  switch (code) {
    case kAweDeviceCount: {
      auto* out = reinterpret_cast<std::uint32_t*>(p1);
      if (!out) return kSfBadArgument;
      *out = static_cast<std::uint32_t>(count);
      return kSfOk;
    }
    case kAweDescription: {
      if (p1 < 0 || p1 >= count) return kSfBadDevice;
      const SoundFontDevice& device = devices[static_cast<std::size_t>(p1)];
      return WriteDescription(reinterpret_cast<void*>(p2), kAweDescriptionSize,
                              kAweDescriptionName, static_cast<unsigned>(p1), device.TotalBytes(),
                              device.Name());
    }
    case kAweOpen: {
      auto* out = reinterpret_cast<std::uint32_t*>(p1);
      if (p2 < 0 || p2 >= count) return kSfBadDevice;
      if (!out) return kSfBadArgument;
      devices[static_cast<std::size_t>(p2)].SetOpen(true);
      *out = static_cast<std::uint32_t>(kAweHandleBase + p2);
      return kSfOk;
    }
    case kAweClose:
    case kAweMemory:
    case kAweRomName:
    case kAweBankName:
    case kAweLoad:
    case kAweClear: break;
    default: return kSfNotSupported;
  }
  SoundFontDevice* device = DeviceOf(handle);
  if (!device) return kSfBadDevice;
  switch (code) {
    case kAweClose: device->SetOpen(false); return kSfOk;
    case kAweMemory: {
      auto* total = reinterpret_cast<std::int32_t*>(p1);
      auto* free = reinterpret_cast<std::int32_t*>(p2);
      if (!total || !free) return kSfBadArgument;
      *total = static_cast<std::int32_t>(device->TotalBytes() / 2);
      *free = static_cast<std::int32_t>(device->FreeBytes() / 2);
      return kSfOk;
    }
    case kAweRomName:
      return AnswerText(reinterpret_cast<SfRequest*>(p1), device->RomName().c_str(), true);
    case kAweBankName: {
      if (p1 < 0 || p1 >= static_cast<std::intptr_t>(kSoundFontBanks)) return kSfBadBank;
      auto* request = reinterpret_cast<SfRequest*>(p2);
      if (p1 == 0) return AnswerText(request, device->RomName().c_str(), true);
      const BankRecord& record = device->Bank(static_cast<unsigned>(p1));
      return AnswerText(request, record.name.c_str(), record.loaded);
    }
    case kAweLoad: {
      if (p1 <= 0 || p1 >= static_cast<std::intptr_t>(kSoundFontBanks)) return kSfBadBank;
      std::string path;
      const auto* request = reinterpret_cast<const SfRequest*>(p2);
      if (!RequestPath(request, &path) || request->zero != 0) return kSfBadArgument;
      const std::uint32_t result =
          device->Load(static_cast<unsigned>(p1), path, emulator_.BankPathMapper());
      if (result == kSfOk) emulator_.Save();
      return result;
    }
    case kAweClear: {
      if (p1 <= 0 || p1 >= static_cast<std::intptr_t>(kSoundFontBanks)) return kSfBadBank;
      const std::uint32_t result = device->Clear(static_cast<unsigned>(p1));
      if (result == kSfOk) emulator_.Save();
      return result;
    }
    default: return kSfNotSupported;
  }
}

}  // namespace korvel::emu
