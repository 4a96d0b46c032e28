#include "emulators/core/Ews64Card.h"

#include "emulators/core/BankFile.h"

namespace korvel::emu {

Ews64Card::Ews64Card(std::uint32_t memoryBytes, std::uint32_t id)
    : memory_(memoryBytes > kMaxMemoryBytes ? kMaxMemoryBytes : memoryBytes), id_(id) {}

std::uint32_t Ews64Card::FreeBytes() const {
  std::uint64_t used = 0;
  for (const BankRecord& bank : banks_) used += bank.loaded ? bank.bytes : 0;
  return used >= memory_ ? 0 : static_cast<std::uint32_t>(memory_ - used);
}

std::uint32_t Ews64Card::Load(unsigned bank, const std::string& devicePath, const PathMapper& map) {
  if (bank >= kEws64Banks || devicePath.empty() || devicePath.size() > kBankPathMax) {
    return kDrvBadArguments;
  }
  const BankKind kind = BankKindOf(devicePath);
  BankFileInfo info;
  const InspectStatus status =
      InspectBankFile(kind == BankKind::SoundFont ? BankKind::Unknown : kind,
                      MapPath(map, devicePath), &info);
  if (status == InspectStatus::NotFound) return kDrvFileNotFound;
  if (status != InspectStatus::Ok) return kDrvBadFormat;
  // The bank being replaced gives its memory back first.
  const std::uint64_t available =
      static_cast<std::uint64_t>(FreeBytes()) + (banks_[bank].loaded ? banks_[bank].bytes : 0);
  if (info.soundBytes > available) return kDrvNoMemory;
  banks_[bank] = BankRecord{true, info.name, static_cast<std::uint32_t>(info.soundBytes), devicePath};
  return kDrvOk;
}

std::uint32_t Ews64Card::Clear(unsigned bank) {
  if (bank >= kEws64Banks) return kDrvBadArguments;
  banks_[bank] = BankRecord{};
  return kDrvOk;
}

bool Ews64Card::Restore(unsigned bank, const BankRecord& record) {
  if (bank >= kEws64Banks || !record.loaded || record.name.empty() ||
      record.name.size() > kSoundSetNameMax || record.path.size() > kBankPathMax) {
    return false;
  }
  const std::uint64_t available =
      static_cast<std::uint64_t>(FreeBytes()) + (banks_[bank].loaded ? banks_[bank].bytes : 0);
  if (record.bytes > available) return false;
  banks_[bank] = record;
  return true;
}

void Ews64Card::ClearAll() {
  for (BankRecord& bank : banks_) bank = BankRecord{};
}

}  // namespace korvel::emu
