#include "banks/DeviceTable.h"

#include <cstring>
#include <new>
#include <optional>

#include "banks/BankFolders.h"
#include "banks/BankLoading.h"
#include "banks/DeviceAccess.h"
#include "banks/ews64/Ews64Backend.h"
#include "banks/soundfont/SoundFontBackend.h"
#include "config/TextHelpers.h"

namespace korvel {

namespace {

constexpr std::uint32_t kStampSearchStart = 1000000;

bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotsPerDevice; }

}  // namespace

DeviceTable::DeviceTable(Configuration& config, ErrorState& errors, ShellPort& shell,
                         ScratchRing& scratch)
    : config_(config),
      errors_(errors),
      shell_(shell),
      scratch_(scratch),
      ews64_(std::make_unique<Ews64Backend>(*this)),
      soundFont_(std::make_unique<SoundFontBackend>(*this)) {}

// Whatever shut-down left open is closed here, while the device records still exist.
DeviceTable::~DeviceTable() {
  soundFont_->ShutdownSoundFontBackend();
  ews64_->CloseEws64Driver();
  ews64_->FreeBlock();
}

void DeviceTable::InitBankLayer() {
  headerBuffer_.reset(new (std::nothrow) std::uint8_t[kHeaderBufferSize]());
  if (!headerBuffer_ || !ews64_->AllocBlock()) {
    headerBuffer_.reset();
    errors_.ErrorCode = kErrOutOfMemory;
    return;
  }
  // The scratch ring exists with the layer, keeping threshold 2.
  errors_.ErrorCode = kErrOk;
}

void DeviceTable::ShutdownBankLayer() {
  scratch_.Destroy();
  ews64_->FreeBlock();
  headerBuffer_.reset();
}

const char* DeviceTable::KeepFailingFile(const char* path) {
  if (path != failingFile_) BoundedCopy(failingFile_, path != nullptr ? path : "", sizeof failingFile_);
  errors_.failingFile = failingFile_;
  return failingFile_;
}

void DeviceTable::RefreshDevices() {
  count_ = 0;
  // A record that now stands for another device starts afresh; one that
  // stands for the same device keeps its handle and name.
  auto take = [this](std::uint8_t kind, int index) -> SoundDevice& {
    SoundDevice& device = devices_[count_];
    if (device.kind != kind || device.backendIndex != index) {
      device.handle = 0;
      device.flags = 0;
      std::memset(device.name, 0, sizeof device.name);
    }
    device.kind = kind;
    device.backendIndex = static_cast<std::uint8_t>(index);
    return device;
  };
  auto finish = [this](SoundDevice& device) {
    device.flags |= SaveInPreset;
    ReportError(errors_, "RefreshDevices");
    device.slotCount = kSlotsPerDevice;
    BoundedCopy(device.lastFolder, config_.bankfolder, sizeof device.lastFolder);
    ++count_;
  };

  // The table has four records: devices beyond them are left out.
  if (ews64_->IsOpen()) {
    for (int card = 0; card < ews64_->Ews64CardCount() && count_ < kMaxDevices; ++card) {
      SoundDevice& device = take(kKindEws64, card);
      ews64_->OpenEws64Card(count_);
      finish(device);
    }
  }
  for (int index = 0; index < soundFont_->SoundFontDeviceCount() && count_ < kMaxDevices; ++index) {
    SoundDevice& device = take(kKindSoundFont, index);
    soundFont_->OpenDeviceAccess(count_);
    finish(device);
  }

  for (int dev = 0; dev < count_; ++dev) {
    std::memset(devices_[dev].paths, 0, sizeof devices_[dev].paths);
    for (BankSlot& slot : devices_[dev].slots) slot = BankSlot{};
  }
  shell_.FillDeviceSelector();
  CloseAllSoundFontDevices();
}

void DeviceTable::ReleaseDevices() {
  for (SoundDevice& device : devices_) {
    std::memset(device.paths, 0, sizeof device.paths);
    for (BankSlot& slot : device.slots) slot = BankSlot{};
    device.totalKB = 0;
    device.freeKB = 0;
  }
  for (int& depth : accessDepth_) depth = 0;
  count_ = 0;
}

void DeviceTable::OpenDeviceAccess(int dev) {
  if (dev < 0 || dev >= kMaxDevices) {
    errors_.ErrorCode = kErrWrongDeviceKind;
    return;
  }
  switch (devices_[dev].kind) {
    case kKindEws64: break;  // cards stay open
    case kKindSoundFont:
      ++accessDepth_[dev];
      // An inner bracket opens only what the outer one could not.
      soundFont_->OpenDeviceAccess(dev);
      break;
    default: errors_.ErrorCode = kErrWrongDeviceKind; break;
  }
}

// Only the outermost close closes; a close without an open (the refresh
// after opening every device itself) closes at once.
void DeviceTable::CloseDeviceAccess(int dev) {
  if (dev < 0 || dev >= kMaxDevices || devices_[dev].kind != kKindSoundFont) return;
  if (accessDepth_[dev] > 0 && --accessDepth_[dev] > 0) return;
  soundFont_->CloseDeviceAccess(dev);
}

void DeviceTable::OpenAllSoundFontDevices() {
  for (int dev = 0; dev < count_; ++dev) {
    if (devices_[dev].kind == kKindSoundFont) OpenDeviceAccess(dev);
  }
}

void DeviceTable::CloseAllSoundFontDevices() {
  for (int dev = 0; dev < count_; ++dev) {
    if (devices_[dev].kind == kKindSoundFont) CloseDeviceAccess(dev);
  }
}

bool DeviceTable::IsBankLoaded(int dev, int slot, const char* name) {
  if (dev < 0 || dev >= count_) return false;
  if (!ValidSlot(slot)) {
    errors_.ErrorCode = kErrSlotLocked;
    return false;
  }
  switch (devices_[dev].kind) {
    case kKindEws64: return ews64_->IsBankLoaded(dev, slot, name);
    case kKindSoundFont: return soundFont_->IsBankLoaded(dev, slot, name);
    default: return false;
  }
}

void DeviceTable::LoadBankFile(int dev, int slot, const char* path) {
  if (dev < 0 || dev >= count_) return;
  if (!ValidSlot(slot)) {
    errors_.ErrorCode = kErrSlotLocked;
    return;
  }
  switch (devices_[dev].kind) {
    case kKindEws64: ews64_->LoadBankFile(dev, slot, path); break;
    case kKindSoundFont: soundFont_->LoadBankFile(dev, slot, path); break;
    default: break;
  }
}

std::int32_t DeviceTable::ClearSlotInDevice(int dev, int slot) {
  if (dev < 0 || dev >= count_) return errors_.ErrorCode;
  if (!ValidSlot(slot)) {
    errors_.ErrorCode = kErrSlotLocked;
    return errors_.ErrorCode;
  }
  switch (devices_[dev].kind) {
    case kKindEws64: return ews64_->ClearSlotInDevice(dev, slot);
    case kKindSoundFont: return soundFont_->ClearSlotInDevice(dev, slot);
    default: return errors_.ErrorCode;
  }
}

void DeviceTable::ReadSlotInfo(int dev, int slot, BankSlot& rec) {
  if (dev < 0 || dev >= count_) return;
  if (!ValidSlot(slot)) {
    errors_.ErrorCode = kErrSlotLocked;
    return;
  }
  switch (devices_[dev].kind) {
    case kKindEws64: ews64_->ReadSlotInfo(dev, slot, rec); break;
    case kKindSoundFont: soundFont_->ReadSlotInfo(dev, slot, rec); break;
    default: break;
  }
}

void DeviceTable::ReadBankName(int dev, const char* path, BankSlot& rec) {
  if (dev < 0 || dev >= count_) return;
  switch (devices_[dev].kind) {
    case kKindEws64: ews64_->ReadBankName(dev, path, rec); break;
    case kKindSoundFont: soundFont_->ReadBankName(dev, path, rec); break;
    default: return;
  }
  BankDisplayName(path, rec.name, sizeof rec.name);
}

void DeviceTable::ReadMemInfo(int dev) {
  if (dev < 0 || dev >= count_) return;
  switch (devices_[dev].kind) {
    case kKindEws64: ews64_->ReadMemInfo(dev); break;
    case kKindSoundFont: soundFont_->ReadMemInfo(dev); break;
    default: break;
  }
}

void DeviceTable::ReadAllMemInfo() {
  for (int dev = 0; dev < count_; ++dev) ReadMemInfo(dev);
}

int DeviceTable::SmartSlot(int dev, int slot, const char* path) {
  if (dev >= 0 && dev < count_ && devices_[dev].kind == kKindEws64)
    return ews64_->SmartSlot(dev, slot, path);
  return slot;
}

void DeviceTable::NormaliseUseStamps() {
  std::uint32_t oldest = kStampSearchStart;
  for (int dev = 0; dev < count_; ++dev) {
    for (const BankSlot& slot : devices_[dev].slots) {
      if (!slot.Has(Fixed) && slot.useStamp != 0 && slot.useStamp < oldest) oldest = slot.useStamp;
    }
  }
  const std::uint32_t shift = oldest - 1;
  if (shift == 0) return;
  for (int dev = 0; dev < count_; ++dev) {
    for (BankSlot& slot : devices_[dev].slots) {
      if (slot.useStamp == 0) continue;
      // A view slot's stamp older than the oldest bank would fall below 1:
      // it becomes the oldest rather than wrapping round.
      slot.useStamp = slot.useStamp > shift ? slot.useStamp - shift : 1;
    }
  }
}

void DeviceTable::ApplyVirtualBankMode(bool loadingPreset, bool updatingControls) {
  const bool on = VirtualBankMode();
  for (int dev = 0; dev < count_; ++dev) {
    if (devices_[dev].kind == kKindEws64) ews64_->EWS64_SwapVBMode(dev);
  }
  shell_.ShowVirtualBankMode(on);
  {
    // A preset being loaded holds the devices open itself.
    std::optional<SoundFontDevicesAccess> access;
    if (!loadingPreset) {
      access.emplace(*this);
      if (!updatingControls) RefreshAllSlots(*this, true);
    }
    shell_.RebuildBankList();
  }
  shell_.BuildTrayMenu();
}

}  // namespace korvel
