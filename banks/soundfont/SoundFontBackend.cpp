#include "banks/soundfont/SoundFontBackend.h"

#include <cstring>
#include <new>
#include <string>

#include "banks/BankFiles.h"
#include "banks/BankFolders.h"
#include "banks/ByteFields.h"
#include "banks/DeviceTable.h"
#include "banks/DeviceText.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"

namespace korvel {

namespace sfman {

std::int32_t ResultToErrorCode(std::uint32_t result) {
  switch (result) {
    case 0: return kErrOk;
    case 107: return kErrFileNotFound;
    case 205: return kErrNoSoundMemory;
    default: return kErrBankLoadFailed;
  }
}

}  // namespace sfman

using namespace sfman;

namespace {

constexpr std::size_t kSlotNameChars = sizeof(BankSlot::name) - 1;  // 31
constexpr std::uint32_t kMaxCountedDevices = 255;  // backendIndex is one byte

std::uint16_t SizeKB(std::int32_t bytes) {
  const std::int32_t kb = bytes > 0 ? bytes / 1024 : 0;
  return static_cast<std::uint16_t>(kb > 0xFFFF ? 0xFFFF : kb);
}

void SetText(char* field, std::size_t size, const char* text) {
  std::memset(field, 0, size);
  BoundedCopy(field, text, size);
}

}  // namespace

SoundFontBackend::SoundFontBackend(DeviceTable& layer) : layer_(layer) {}

// The device table shuts the backend down properly first; this only makes
// sure the library does not stay loaded.
SoundFontBackend::~SoundFontBackend() {
  if (library_ != 0) platform::FreeLibrary(library_);
}

std::uint32_t SoundFontBackend::Keep(std::uint32_t result) {
  layer_.Errors().lastSoundFontResult = static_cast<std::int32_t>(result);
  return result;
}

bool SoundFontBackend::Usable(int dev) const {
  return dev >= 0 && dev < kMaxDevices && layer_.Device(dev).kind == kKindSoundFont &&
         library_ != 0 && text_ != nullptr && (table_ != nullptr || awe_ != nullptr);
}

std::int32_t SoundFontBackend::OpenSoundFontBackend() {
  ErrorState& errors = layer_.Errors();
  if (deviceCount_ != 0 || library_ != 0) ShutdownSoundFontBackend();
  const Configuration& config = layer_.Config();

  if (config.Has(UseSFD)) {
    if (platform::Module library = platform::LoadLibraryA(kSoundFontLibrary)) {
      // The export is data: the address of the manager's entry function.
      const auto* entry =
          static_cast<const ManagerEntryFn*>(platform::GetProcAddress(library, kSoundFontExport));
      const EntryTable* table = nullptr;
      if (entry == nullptr || *entry == nullptr) {
        ErrorBox("Could not gain SFMAN procaddress.");
        platform::FreeLibrary(library);
      } else if (std::uint32_t result = (*entry)(kManagerVersion, &table); result != 0) {
        Keep(result);
        ReportError(errors, "SFD_OpenDriver");
        platform::FreeLibrary(library);
      } else if (table == nullptr) {
        ErrorBox("Could not gain SFMAN procaddress.");
        platform::FreeLibrary(library);
      } else {
        library_ = library;
        table_ = table;
        std::uint32_t count = 0;
        if (Keep(table_->deviceCount(&count)) != 0) count = 0;
        deviceCount_ = static_cast<int>(count > kMaxCountedDevices ? kMaxCountedDevices : count);
      }
    }
  }

  if (config.Has(UseAWE32) && table_ == nullptr) {
    if (platform::Module library = platform::LoadLibraryA(kAweLibrary)) {
      void* entry = platform::GetProcAddress(library, kAweExport);
      if (entry == nullptr) {
        ErrorBox("Could not gain AWEMAN procaddress.");
        platform::FreeLibrary(library);
      } else {
        library_ = library;
        awe_ = reinterpret_cast<AweManagerFn>(entry);
        std::uint32_t count = 0;
        if (Keep(awe_(0, kAweDeviceCount, reinterpret_cast<std::intptr_t>(&count), 0)) != 0)
          count = 0;
        deviceCount_ = static_cast<int>(count > kMaxCountedDevices ? kMaxCountedDevices : count);
      }
    }
  }

  if (library_ != 0 && !text_) {
    text_.reset(new (std::nothrow) char[kTextBufferSize]());
    if (!text_) errors.ErrorCode = kErrOutOfMemory;
  }
  return errors.ErrorCode;
}

void SoundFontBackend::ShutdownSoundFontBackend() {
  for (int dev = 0; dev < kMaxDevices; ++dev) {
    if (layer_.Device(dev).kind == kKindSoundFont) CloseDeviceAccess(dev);
  }
  deviceCount_ = 0;
  text_.reset();
  if (library_ != 0) platform::FreeLibrary(library_);
  library_ = 0;
  table_ = nullptr;
  awe_ = nullptr;
  layer_.Errors().ErrorCode = kErrOk;
}

void SoundFontBackend::OpenDeviceAccess(int dev) {
  if (!Usable(dev) || deviceCount_ == 0) return;
  SoundDevice& device = layer_.Device(dev);
  if (device.handle != 0) return;
  const std::uint32_t index = device.backendIndex;

  if (!device.Has(InfoRead)) {
    std::uint8_t record[kAweDescriptionSize] = {};
    const std::size_t size = table_ ? kSfDescriptionSize : kAweDescriptionSize;
    const std::size_t nameAt = table_ ? kSfDescriptionName : kAweDescriptionName;
    PutU16(record, static_cast<std::uint16_t>(size));
    if (table_) Keep(table_->describe(index, record));
    else Keep(awe_(0, kAweDescription, index, reinterpret_cast<std::intptr_t>(record)));
    ReportError(layer_.Errors(), "SFD_OpenHandle");
    char name[kAweDescriptionSize];
    GetText(record + nameAt, size - nameAt, name);
    const std::string shown = std::to_string(dev) + " - " + name;
    BoundedCopy(device.name, shown.c_str(), sizeof device.name);
    device.flags |= InfoRead;
  }

  std::uint32_t result = 0;
  if (table_) {
    result = Keep(table_->open(index));
    if (result == 0) device.handle = kOpenHandle;
  } else {
    std::uint32_t handle = 0;
    result = Keep(awe_(0, kAweOpen, reinterpret_cast<std::intptr_t>(&handle), index));
    if (result == 0) device.handle = handle;
  }
  if (result != 0) {
    device.handle = 0;
    layer_.Errors().ErrorCode = kErrSoundFontManager;
  }
}

void SoundFontBackend::CloseDeviceAccess(int dev) {
  if (dev < 0 || dev >= kMaxDevices) return;
  SoundDevice& device = layer_.Device(dev);
  if (device.kind != kKindSoundFont || device.handle == 0) return;
  if (Usable(dev)) {
    if (table_) Keep(table_->close(device.backendIndex));
    else Keep(awe_(device.handle, kAweClose, 0, 0));
  }
  device.handle = 0;
}

std::uint32_t SoundFontBackend::AskBankName(const SoundDevice& device, int slot, Request& request) {
  request = Request{static_cast<std::uint32_t>(kTextBufferSize), text_.get(), 0, 0};
  std::uint32_t result;
  if (table_) {
    std::uint16_t bank = static_cast<std::uint16_t>(slot);
    result = Keep(table_->bankName(device.backendIndex, &bank, &request));
  } else {
    result = Keep(awe_(device.handle, kAweBankName, slot, reinterpret_cast<std::intptr_t>(&request)));
  }
  text_[kTextBufferSize - 1] = '\0';  // the manager's text may fill the buffer
  return result;
}

bool SoundFontBackend::IsBankLoaded(int dev, int slot, const char* name) {
  ErrorState& errors = layer_.Errors();
  if (slot <= 0 || slot >= kSlotsPerDevice) {
    errors.ErrorCode = kErrSlotLocked;
    return false;
  }
  if (!Usable(dev) || layer_.Device(dev).handle == 0) {
    errors.ErrorCode = kErrInvalidHandle;
    return false;
  }
  SoundDevice& device = layer_.Device(dev);
  BankSlot& rec = device.slots[slot];
  Request request{};
  if (AskBankName(device, slot, request) != 0) {
    errors.ErrorCode = kErrSoundFontManager;
    return false;
  }
  if (request.length >= 2) {
    char held[kCompareChars + 1] = {};
    char wanted[kCompareChars + 1] = {};
    BoundedCopy(held, text_.get(), sizeof held);
    BoundedCopy(wanted, name != nullptr ? name : "", sizeof wanted);
    // The display name is kept to the compared length as well.
    BankDisplayName(device.paths[slot], held, sizeof held);
    if (EqualIgnoringCase(held, wanted)) {
      // Present: whether the slot belongs to the preset is not the device's to say.
      rec.flags = static_cast<std::uint8_t>(Loaded | (rec.flags & Assigned));
      return true;
    }
  }
  rec.flags &= static_cast<std::uint8_t>(~Loaded);
  // The device holds another bank there.
  if (rec.name[0] != '\0') ClearSlotInDevice(dev, slot);
  return false;
}

void SoundFontBackend::ReadSlotInfo(int dev, int slot, BankSlot& rec) {
  if (!Usable(dev) || slot < 0 || slot >= kSlotsPerDevice) return;
  SoundDevice& device = layer_.Device(dev);
  if (device.handle == 0) return;
  ErrorState& errors = layer_.Errors();
  const std::uint32_t index = device.backendIndex;

  Request request{static_cast<std::uint32_t>(kTextBufferSize), text_.get(), 0, 0};
  char pathBuffer[kPathBufferSize] = {};
  const char* path = nullptr;
  std::uint32_t result;
  if (table_ && slot == 0) {
    result = Keep(table_->romName(index, &request));
    path = "<none>";
  } else if (table_) {
    std::uint16_t bank = static_cast<std::uint16_t>(slot);
    result = Keep(table_->bankName(index, &bank, &request));
    if (result == 0) {
      Request pathRequest{static_cast<std::uint32_t>(kPathBufferSize), pathBuffer, 0, 0};
      // A path that cannot be had leaves the slot without one; the name stands.
      const std::uint32_t pathResult = Keep(table_->bankPath(index, &bank, &pathRequest));
      pathBuffer[kPathBufferSize - 1] = '\0';
      if (pathResult != 0) errors.ErrorCode = ResultToErrorCode(pathResult);
      else if (pathRequest.length >= 2) path = pathBuffer;
    }
  } else if (slot == 0) {
    result = Keep(awe_(device.handle, kAweRomName, reinterpret_cast<std::intptr_t>(&request), 0));
  } else {
    result = Keep(awe_(device.handle, kAweBankName, slot, reinterpret_cast<std::intptr_t>(&request)));
  }
  text_[kTextBufferSize - 1] = '\0';

  std::uint32_t length = request.length;
  if (result != 0) {
    errors.ErrorCode = ResultToErrorCode(result);
    length = 1;
  }
  if (length < 2) {
    std::memset(rec.name, 0, sizeof rec.name);
    rec.flags &= static_cast<std::uint8_t>(~(Loaded | Mapped));
    return;
  }
  SetText(rec.name, sizeof rec.name, text_.get());
  CutText(rec.name, kSlotNameChars);
  rec.flags |= Loaded;
  // The manager's path may be longer than a path entry holds.
  if (device.paths[slot][0] == '\0' && path != nullptr)
    StorePathEntry(layer_.Config(), device.paths[slot], path);
}

void SoundFontBackend::LoadBankFile(int dev, int slot, const char* path) {
  ErrorState& errors = layer_.Errors();
  if (slot <= 0 || slot >= kSlotsPerDevice) {
    errors.ErrorCode = kErrSlotLocked;
    return;
  }
  // A load that cannot reach the device has failed; it never passes for done.
  if (!Usable(dev) || layer_.Device(dev).handle == 0) {
    errors.ErrorCode = kErrInvalidHandle;
    return;
  }
  SoundDevice& device = layer_.Device(dev);
  layer_.KeepFailingFile(path);
  if (std::strlen(path) >= kTextBufferSize) {
    errors.ErrorCode = kErrInvalidArguments;  // the manager cannot be told this path
    return;
  }
  SetText(text_.get(), kTextBufferSize, path);
  // Bank replacement compares this with the device's memory.
  device.slots[slot].sizeKB = SizeKB(BankFileSize(path));
  Request request{static_cast<std::uint32_t>(kTextBufferSize), text_.get(), 0, 0};
  std::uint32_t result;
  if (table_) {
    std::uint16_t bank = static_cast<std::uint16_t>(slot);
    result = Keep(table_->load(device.backendIndex, &bank, &request));
  } else {
    result = Keep(awe_(device.handle, kAweLoad, slot, reinterpret_cast<std::intptr_t>(&request)));
  }
  errors.ErrorCode = ResultToErrorCode(result);
}

std::int32_t SoundFontBackend::ClearSlotInDevice(int dev, int slot) {
  ErrorState& errors = layer_.Errors();
  if (slot <= 0 || slot >= kSlotsPerDevice) {
    errors.ErrorCode = kErrSlotLocked;
    return errors.ErrorCode;
  }
  if (!Usable(dev) || layer_.Device(dev).handle == 0) {
    errors.ErrorCode = kErrInvalidHandle;
    return errors.ErrorCode;
  }
  const SoundDevice& device = layer_.Device(dev);
  std::uint32_t result;
  if (table_) {
    std::uint16_t bank = static_cast<std::uint16_t>(slot);
    result = Keep(table_->clear(device.backendIndex, &bank));
  } else {
    result = Keep(awe_(device.handle, kAweClear, slot, 0));
  }
  errors.ErrorCode = ResultToErrorCode(result);
  return errors.ErrorCode;
}

void SoundFontBackend::ReadBankName(int dev, const char* path, BankSlot& rec) {
  // The built-in bank's record keeps the device's own name.
  if (dev >= 0 && dev < kMaxDevices && &rec == &layer_.Device(dev).slots[0]) return;
  FindTagInHeader(layer_, path, "INAM", 8, rec.name, sizeof rec.name, 0);
  layer_.KeepFailingFile(path);
  CutText(rec.name, kCompareChars);
  rec.sizeKB = SizeKB(BankFileSize(path));
}

void SoundFontBackend::ReadMemInfo(int dev) {
  if (!Usable(dev)) return;
  SoundDevice& device = layer_.Device(dev);
  if (device.handle == 0) return;
  std::int32_t total = 0;
  std::int32_t free = 0;
  if (table_) {
    if (Keep(table_->memory(device.backendIndex, &total, &free)) == 0) {
      device.totalKB = total / 1024;
      device.freeKB = free / 1024;
    }
  } else if (Keep(awe_(device.handle, kAweMemory, reinterpret_cast<std::intptr_t>(&total),
                       reinterpret_cast<std::intptr_t>(&free))) == 0) {
    // The AWE manager counts 16-bit words.
    device.totalKB = total / 512;
    device.freeKB = free / 512;
  }
  ReportError(layer_.Errors(), "SFD_GetMemInfo");
}

}  // namespace korvel
