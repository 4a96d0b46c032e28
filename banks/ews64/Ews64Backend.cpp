#include "banks/ews64/Ews64Backend.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "banks/BankFiles.h"
#include "banks/ByteFields.h"
#include "banks/DeviceTable.h"
#include "banks/DeviceText.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"

namespace korvel {

namespace ews64 {

void EncodeBankInfoRequest(std::uint8_t* block, int bank) {
  PutU16(block + kInfoZero, 0);
  PutU16(block + kInfoTwelve, 12);
  PutU16(block + kInfoBank, static_cast<std::uint16_t>(bank));
}

void DecodeBankInfo(const std::uint8_t* block, char* name, std::size_t nameSize,
                    std::uint32_t* bytes) {
  // The driver gives the name without a length; it ends at its terminator,
  // at the name field's size or at the block's end, whichever comes first.
  std::size_t n = 0;
  while (n + 1 < nameSize && kInfoName + n < kBlockSize && block[kInfoName + n] != 0) {
    name[n] = static_cast<char>(block[kInfoName + n]);
    ++n;
  }
  if (nameSize > 0) name[n] = '\0';
  *bytes = static_cast<std::uint32_t>(GetU16(block + kInfoSizeHigh)) * 65536u +
           GetU16(block + kInfoSizeLow);
}

bool EncodeLoadRequest(std::uint8_t* block, int bank, int slot, const char* shortPath) {
  if (std::strlen(shortPath) >= kShortPathField) return false;
  PutU32(block + kLoadBank, static_cast<std::uint32_t>(bank));
  PutU32(block + kLoadTwelve, 12);
  PutU32(block + kLoadSlot, static_cast<std::uint32_t>(126 - slot));
  PutU32(block + kLoadZero, 0);
  PutText(block + kLoadPath, kShortPathField, shortPath);
  return true;
}

void DecodeMemoryInfo(const std::uint8_t* block, std::int32_t* totalBytes, std::int32_t* freeBytes) {
  *totalBytes = static_cast<std::int32_t>(GetU32(block + kMemTotal));
  *freeBytes = static_cast<std::int32_t>(GetU32(block + kMemFree));
}

std::int32_t ResultToErrorCode(std::int32_t result) {
  switch (result) {
    case 0: return kErrOk;
    case 2: return kErrFileNotFound;
    case 8:
    case 14: return kErrNoSoundMemory;
    case 9:
    case 11:
    case 13: return kErrUnsupportedFormat;
    case 38: return kErrInvalidHandle;
    case 87: return kErrInvalidArguments;
    default: return kErrBankLoadFailed;
  }
}

std::uint16_t SizeKB(std::uint32_t bytes) {
  const std::uint32_t kb = bytes / 1024;
  return static_cast<std::uint16_t>(kb > 0xFFFFu ? 0xFFFFu : kb);
}

}  // namespace ews64

using namespace ews64;

namespace {

// A driver result that is no Win32 error number: a closed driver.
constexpr std::int32_t kDriverClosed = 38;

void SetName(BankSlot& slot, const char* name) {
  std::memset(slot.name, 0, sizeof slot.name);
  BoundedCopy(slot.name, name, sizeof slot.name);
}

// Virtual bank mode, once physical bank `bank` was cleared: the virtual
// slots held in it lose it and their mapping, so that a refresh does not
// read the next bank loaded there as theirs. A virtual slot's view of the
// bank (unless the view itself was cleared) shows nothing any more, and
// forgets the file of the bank it showed.
void ForgetPhysicalBank(SoundDevice& device, int bank, bool viewCleared) {
  for (int virtualSlot = 0; virtualSlot <= kLastVirtualSlot; ++virtualSlot) {
    BankSlot& other = device.slots[virtualSlot];
    if (other.Has(Mapped) && other.physBank == bank)
      other.flags &= static_cast<std::uint8_t>(~(Loaded | Mapped));
  }
  if (viewCleared) return;
  BankSlot& view = device.slots[kFirstViewSlot + bank];
  view.flags &= static_cast<std::uint8_t>(~(Loaded | Mapped));
  std::memset(view.name, 0, sizeof view.name);
  device.paths[kFirstViewSlot + bank][0] = '\0';
}

}  // namespace

Ews64Backend::Ews64Backend(DeviceTable& layer) : layer_(layer) {}

// The device table closes the driver properly first; this only makes sure
// nothing stays open (the device records may be gone already).
Ews64Backend::~Ews64Backend() {
  if (driver_ != 0) platform::CloseDriver(driver_);
  FreeBlock();
}

bool Ews64Backend::AllocBlock() {
  if (block_.flat != nullptr) return true;
  return platform::AllocDriverBlock(static_cast<unsigned>(kBlockSize), &block_);
}

void Ews64Backend::FreeBlock() {
  if (block_.flat != nullptr) platform::FreeDriverBlock(&block_);
}

bool Ews64Backend::VirtualBankMode() const { return layer_.VirtualBankMode(); }

platform::Driver Ews64Backend::OpenEws64Driver() {
  if (!layer_.Config().Has(UseEWS64)) return 0;
  if (driver_ == 0) {
    driver_ = platform::OpenDriver(kDriverName);
    if (driver_ == 0) return 0;
  }
  // The count is sent as it is, not kept as a driver result: a count is no error.
  const std::intptr_t cards = platform::SendDriverMessage(driver_, kMsgCardCount, 0, 0);
  cardCount_ = cards < 0 ? 0 : (cards > kMaxCards ? kMaxCards : static_cast<int>(cards));
  for (int card = 0; card < cardCount_; ++card) {
    if (cardBanks_[card]) continue;
    cardBanks_[card].reset(new (std::nothrow) BankSlot[kPhysicalBanks]);
    if (!cardBanks_[card]) {
      layer_.Errors().ErrorCode = kErrOutOfMemory;
      cardCount_ = card;
      break;
    }
  }
  return driver_;
}

void Ews64Backend::CloseEws64Driver() {
  if (driver_ != 0) platform::CloseDriver(driver_);
  driver_ = 0;
  for (auto& table : cardBanks_) table.reset();
  cardCount_ = 0;
  // Card handles mean nothing once the driver is closed; a later open starts afresh.
  for (int dev = 0; dev < kMaxDevices; ++dev) {
    SoundDevice& device = layer_.Device(dev);
    if (device.kind == kKindEws64) device.handle = 0;
  }
}

std::int32_t Ews64Backend::DriverCall(std::uint32_t message, std::intptr_t param1,
                                      std::intptr_t param2) {
  const std::intptr_t result =
      driver_ != 0 ? platform::SendDriverMessage(driver_, message, param1, param2) : kDriverClosed;
  layer_.Errors().lastEws64Result = static_cast<std::int32_t>(result);
  return static_cast<std::int32_t>(result);
}

BankSlot* Ews64Backend::CardOf(int dev) {
  if (dev < 0 || dev >= kMaxDevices || driver_ == 0 || block_.flat == nullptr) return nullptr;
  const SoundDevice& device = layer_.Device(dev);
  if (device.kind != kKindEws64 || device.backendIndex >= cardCount_) return nullptr;
  return cardBanks_[device.backendIndex].get();
}

const BankSlot* Ews64Backend::CardBanks(int card) const {
  return card >= 0 && card < cardCount_ ? cardBanks_[card].get() : nullptr;
}

void Ews64Backend::OpenEws64Card(int dev) {
  if (dev < 0 || dev >= kMaxDevices || driver_ == 0) return;
  SoundDevice& device = layer_.Device(dev);
  if (device.handle != 0) return;
  device.handle = static_cast<std::uint32_t>(
      platform::SendDriverMessage(driver_, kMsgOpenCard, device.backendIndex + 1, 0));
  device.flags = kOpenedDeviceFlags;
  const std::int32_t cookie = DriverCall(kMsgCardCookie, device.handle, 0);
  const auto id = static_cast<std::uint32_t>(DriverCall(kMsgCardId, cookie, 0));
  std::snprintf(device.name, sizeof device.name, "%d - Terratec EWS64 [%x]", dev,
                static_cast<unsigned>(id));
  RefreshEws64Banks(dev);
}

void Ews64Backend::RefreshEws64Banks(int dev) {
  BankSlot* banks = CardOf(dev);
  if (banks == nullptr) return;
  const std::uint32_t handle = layer_.Device(dev).handle;
  for (int bank = 0; bank < kPhysicalBanks; ++bank) banks[bank] = BankSlot{};
  std::uint8_t* block = Block();
  for (int bank = 0; bank < kPhysicalBanks; ++bank) {
    EncodeBankInfoRequest(block, bank);
    if (DriverCall(kMsgBankInfo, handle, block_.address) != 0) {
      ErrorBox("Error in RefreshEws64Banks.");
      continue;
    }
    BankSlot& entry = banks[bank];
    std::uint32_t bytes = 0;
    DecodeBankInfo(block, entry.name, sizeof entry.name, &bytes);
    entry.sizeKB = SizeKB(bytes);
    const bool loaded = entry.name[0] != '\0';
    entry.flags = loaded ? (Loaded | Mapped) : 0;
    entry.physBank = loaded ? static_cast<std::uint8_t>(bank) : 0;
  }
}

bool Ews64Backend::IsBankLoaded(int dev, int slot, const char* name) {
  BankSlot* banks = CardOf(dev);
  if (banks == nullptr || slot < 0 || slot >= kSlotsPerDevice) return false;
  char wanted[kSoundSetNameChars + 1] = {};
  BoundedCopy(wanted, name != nullptr ? name : "", sizeof wanted);
  BankSlot& rec = layer_.Device(dev).slots[slot];

  auto found = [&](int bank) {
    rec.physBank = static_cast<std::uint8_t>(bank);
    rec.sizeKB = banks[bank].sizeKB;
    rec.flags |= Loaded | Mapped;
    return true;
  };
  // Only banks that hold something are compared: an empty name never
  // matches an empty physical bank.
  auto holds = [&](int bank) {
    return banks[bank].name[0] != '\0' && EqualIgnoringCase(banks[bank].name, wanted);
  };
  if (VirtualBankMode()) {
    for (int bank = 0; bank < kPhysicalBanks; ++bank) {
      if (holds(bank)) return found(bank);
    }
  } else if (slot < kPhysicalBanks && holds(slot)) {
    return found(slot);
  }
  // Outside virtual bank mode another bank occupies that physical bank.
  if (!VirtualBankMode() && rec.Has(Loaded)) ClearSlotInDevice(dev, slot);
  rec.flags &= static_cast<std::uint8_t>(~(Loaded | Mapped));
  return false;
}

void Ews64Backend::LoadBankFile(int dev, int slot, const char* path) {
  ErrorState& errors = layer_.Errors();
  if (slot < 0 || slot > kLastVirtualSlot || (!VirtualBankMode() && slot >= kPhysicalBanks)) {
    errors.ErrorCode = kErrSlotLocked;
    return;
  }
  BankSlot* banks = CardOf(dev);
  if (banks == nullptr) {
    errors.ErrorCode = kErrInvalidHandle;
    return;
  }
  int bank = slot;
  if (VirtualBankMode()) {
    bank = -1;
    for (int candidate = 0; candidate < kPhysicalBanks && bank < 0; ++candidate) {
      if (!banks[candidate].Has(Loaded)) bank = candidate;
    }
    if (bank < 0) {
      errors.ErrorCode = kErrNoSoundMemory;  // bank replacement takes it from here
      return;
    }
  }
  SoundDevice& device = layer_.Device(dev);
  BankSlot& rec = device.slots[slot];
  rec.physBank = static_cast<std::uint8_t>(bank);

  layer_.KeepFailingFile(path);
  char shortPath[260] = {};
  const unsigned length = platform::GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (length == 0 || length >= sizeof shortPath) {
    // No short form to be had: the driver is given the path as it is and
    // reports a missing file itself.
    BoundedCopy(shortPath, path, sizeof shortPath);
  }
  if (!EncodeLoadRequest(Block(), bank, slot, shortPath)) {
    errors.ErrorCode = kErrInvalidArguments;  // the driver cannot be told this path
    return;
  }
  errors.ErrorCode = ResultToErrorCode(DriverCall(kMsgLoadBank, device.handle, block_.address));
  if (errors.ErrorCode != kErrOk) return;
  rec.flags |= Loaded | Mapped;
  // Occupied until the next refresh reads the real name.
  SetName(banks[bank], kPlaceholderName);
  banks[bank].flags |= Loaded;
}

std::int32_t Ews64Backend::ClearSlotInDevice(int dev, int slot) {
  ErrorState& errors = layer_.Errors();
  if (dev < 0 || dev >= kMaxDevices || layer_.Device(dev).kind != kKindEws64) {
    errors.ErrorCode = kErrWrongDeviceKind;
    return errors.ErrorCode;
  }
  if (slot < 0 || slot >= kSlotsPerDevice) {
    errors.ErrorCode = kErrSlotLocked;
    return errors.ErrorCode;
  }
  SoundDevice& device = layer_.Device(dev);
  BankSlot& rec = device.slots[slot];
  int bank = slot;
  if (VirtualBankMode()) {
    if (!rec.Has(Mapped) || rec.physBank >= kPhysicalBanks) {
      errors.ErrorCode = kErrSlotLocked;
      return errors.ErrorCode;
    }
    bank = rec.physBank;
  } else if (slot >= kPhysicalBanks) {
    errors.ErrorCode = kErrSlotLocked;
    return errors.ErrorCode;
  }
  BankSlot* banks = CardOf(dev);
  if (banks == nullptr) {
    errors.ErrorCode = kErrInvalidHandle;
    return errors.ErrorCode;
  }
  errors.ErrorCode = ResultToErrorCode(DriverCall(kMsgClearBank, device.handle, bank));
  if (errors.ErrorCode != kErrOk) return errors.ErrorCode;

  std::memset(banks[bank].name, 0, sizeof banks[bank].name);
  banks[bank].flags &= static_cast<std::uint8_t>(~Loaded);
  if (VirtualBankMode()) ForgetPhysicalBank(device, bank, rec.Has(Fixed));
  return errors.ErrorCode;
}

void Ews64Backend::ReadSlotInfo(int dev, int slot, BankSlot& rec) {
  ErrorState& errors = layer_.Errors();
  if (dev < 0 || dev >= kMaxDevices || layer_.Device(dev).kind != kKindEws64) {
    errors.ErrorCode = kErrWrongDeviceKind;
    return;
  }
  BankSlot* banks = CardOf(dev);
  if (banks == nullptr || slot < 0 || slot >= kSlotsPerDevice) return;
  SoundDevice& device = layer_.Device(dev);
  const BankSlot& current = device.slots[slot];

  int bank = slot;
  if (VirtualBankMode()) {
    if (current.Has(Mapped)) {
      bank = current.physBank;
    } else if (slot >= kFirstViewSlot) {
      bank = slot - kFirstViewSlot;
      rec.physBank = static_cast<std::uint8_t>(bank);
      rec.flags |= Mapped | Fixed;
    } else {
      return;  // a virtual slot without a physical bank: nothing to read
    }
  }
  if (bank >= kPhysicalBanks) {
    std::memset(rec.name, 0, sizeof rec.name);
    rec.sizeKB = 0;
    rec.flags = 0;
    rec.physBank = kNoPhysBank;
    return;
  }
  EncodeBankInfoRequest(Block(), bank);
  if (DriverCall(kMsgBankInfo, device.handle, block_.address) != 0) return;
  std::uint32_t bytes = 0;
  char name[sizeof rec.name];
  DecodeBankInfo(Block(), name, sizeof name, &bytes);
  SetName(rec, name);
  rec.sizeKB = SizeKB(bytes);
  if (name[0] != '\0') rec.flags |= Loaded;
  else rec.flags &= static_cast<std::uint8_t>(~Loaded);
  banks[bank] = rec;
  errors.ErrorCode = kErrOk;
}

void Ews64Backend::ReadBankName(int, const char* path, BankSlot& rec) {
  const char* tag = HasExtension(path, "tts") ? "TTPR" : HasExtension(path, "94b") ? "PRIO" : nullptr;
  if (tag == nullptr) {
    layer_.KeepFailingFile(path);
    layer_.Errors().ErrorCode = kErrUnsupportedFormat;
    return;
  }
  FindTagInHeader(layer_, path, tag, 8, rec.name, sizeof rec.name, 0);
  layer_.KeepFailingFile(path);
  CutText(rec.name, kSoundSetNameChars);
  const std::int32_t bytes = BankFileSize(path);
  rec.sizeKB = SizeKB(bytes > 0 ? static_cast<std::uint32_t>(bytes) : 0);
}

void Ews64Backend::ReadMemInfo(int dev) {
  ErrorState& errors = layer_.Errors();
  if (dev < 0 || dev >= kMaxDevices || layer_.Device(dev).kind != kKindEws64) {
    errors.ErrorCode = kErrWrongDeviceKind;
    return;
  }
  if (CardOf(dev) == nullptr) return;
  SoundDevice& device = layer_.Device(dev);
  if (DriverCall(kMsgMemoryInfo, device.handle, block_.address) != 0) return;
  std::int32_t total = 0;
  std::int32_t free = 0;
  DecodeMemoryInfo(Block(), &total, &free);
  device.totalKB = total / 1024;
  device.freeKB = free / 1024;
  errors.ErrorCode = kErrOk;
}

int Ews64Backend::SmartSlot(int, int slot, const char* path) {
  const char* tag = HasExtension(path, "tts") ? "TTIM" : HasExtension(path, "94b") ? "IMAP" : nullptr;
  if (tag == nullptr) return slot;
  const std::uint32_t stored = FindTagInHeader(layer_, path, tag, 10, nullptr, 0, 2);
  // A number that names no slot leaves the slot the user chose.
  return stored < static_cast<std::uint32_t>(kSlotsPerDevice) ? static_cast<int>(stored) : slot;
}

void Ews64Backend::EWS64_SwapVBMode(int dev) {
  if (dev < 0 || dev >= kMaxDevices) return;
  SoundDevice& device = layer_.Device(dev);
  if (device.kind != kKindEws64) return;
  for (int bank = 0; bank < kPhysicalBanks; ++bank)
    std::swap(device.slots[bank], device.slots[kFirstViewSlot + bank]);
}

}  // namespace korvel
