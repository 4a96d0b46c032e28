// The records of the device table: one SoundDevice per bank-capable sound
// device and 128 BankSlots per device. Both are stored byte for byte in
// preset files (see SoundDeviceCodec), so their fields and widths are fixed.
#pragma once

#include <cstdint>

namespace korvel {

constexpr int kMaxDevices = 4;
constexpr int kSlotsPerDevice = 128;
constexpr int kPathEntrySize = 64;  // a bank path of at most 63 characters

enum DeviceKind : std::uint8_t {
  kKindEws64 = 0,
  kKindSoundFont = 1,
};

// SoundDevice::flags
enum DeviceFlag : std::uint8_t {
  InfoRead = 0x01,      // name built from the backend's description
  EightBanks = 0x20,    // exactly eight physical banks (EWS64)
  SaveInPreset = 0x80,  // bank paths go into presets
};

// BankSlot::flags
enum SlotFlag : std::uint8_t {
  Loaded = 0x01,    // the bank is in the device's memory
  Mapped = 0x02,    // physBank is valid
  Fixed = 0x04,     // direct view of an EWS64 physical bank (slots 120-127)
  Assigned = 0x08,  // part of the current preset
};

constexpr std::uint8_t kNoPhysBank = 255;

// 40 bytes when stored.
struct BankSlot {
  std::uint32_t useStamp = 0;  // use counter value at the last load or confirmation; 0 = never
  std::uint16_t sizeKB = 0;
  std::uint8_t flags = 0;
  std::uint8_t physBank = 0;
  char name[32] = {};

  bool Has(std::uint8_t flag) const { return (flags & flag) != 0; }
};

using PathEntry = char[kPathEntrySize];

// 124 bytes when stored; the `paths` field (offset 8) is written as zero.
struct SoundDevice {
  std::uint8_t kind = kKindEws64;
  std::uint8_t backendIndex = 0;  // card or device number inside the backend
  std::uint8_t slotCount = 0;     // always 128 once refreshed
  std::uint8_t flags = 0;
  std::uint32_t handle = 0;  // backend handle; 0 = not open
  char lastFolder[64] = {};  // initial folder of the bank file dialog
  char name[48] = {};        // "<n> - <backend name>"

  // Per-device tables, owned by the device table.
  PathEntry paths[kSlotsPerDevice] = {};
  BankSlot slots[kSlotsPerDevice] = {};
  std::int32_t totalKB = 0;  // sound memory, filled by ReadMemInfo
  std::int32_t freeKB = 0;

  bool Has(std::uint8_t flag) const { return (flags & flag) != 0; }
};

}  // namespace korvel
