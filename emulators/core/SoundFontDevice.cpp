#include "emulators/core/SoundFontDevice.h"

#include <utility>

#include "emulators/core/BankFile.h"

namespace korvel::emu {

SoundFontDevice::SoundFontDevice(std::string name, std::string romName, std::uint32_t memoryBytes)
    : name_(std::move(name)),
      romName_(std::move(romName)),
      memory_(memoryBytes > kMaxMemoryBytes ? kMaxMemoryBytes : memoryBytes) {}

std::uint32_t SoundFontDevice::FreeBytes() const {
  std::uint64_t used = 0;
  for (const BankRecord& bank : banks_) used += bank.loaded ? bank.bytes : 0;
  return used >= memory_ ? 0 : static_cast<std::uint32_t>(memory_ - used);
}

std::uint32_t SoundFontDevice::Load(unsigned bank, const std::string& devicePath,
                                    const PathMapper& map) {
  if (bank == 0 || bank >= kSoundFontBanks) return kSfBadBank;
  if (devicePath.empty() || devicePath.size() > kBankPathMax) return kSfBadArgument;
  BankFileInfo info;
  const BankKind kind = BankKindOf(devicePath);
  const InspectStatus status =
      InspectBankFile(kind == BankKind::SoundFont ? kind : BankKind::Unknown,
                      MapPath(map, devicePath), &info);
  if (status == InspectStatus::NotFound) return kSfFileNotFound;
  if (status != InspectStatus::Ok) return kSfBadFormat;
  const std::uint64_t available =
      static_cast<std::uint64_t>(FreeBytes()) + (banks_[bank].loaded ? banks_[bank].bytes : 0);
  if (info.soundBytes > available) return kSfNoMemory;
  banks_[bank] = BankRecord{true, info.name, static_cast<std::uint32_t>(info.soundBytes), devicePath};
  return kSfOk;
}

std::uint32_t SoundFontDevice::Clear(unsigned bank) {
  if (bank == 0 || bank >= kSoundFontBanks) return kSfBadBank;
  banks_[bank] = BankRecord{};
  return kSfOk;
}

bool SoundFontDevice::Restore(unsigned bank, const BankRecord& record) {
  if (bank == 0 || bank >= kSoundFontBanks || !record.loaded ||
      record.name.size() > kSoundFontNameMax || record.path.size() > kBankPathMax) {
    return false;
  }
  const std::uint64_t available =
      static_cast<std::uint64_t>(FreeBytes()) + (banks_[bank].loaded ? banks_[bank].bytes : 0);
  if (record.bytes > available) return false;
  banks_[bank] = record;
  return true;
}

void SoundFontDevice::ClearAll() {
  for (BankRecord& bank : banks_) bank = BankRecord{};
}

}  // namespace korvel::emu
