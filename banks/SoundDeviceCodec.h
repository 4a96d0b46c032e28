// The stored forms of the device and slot records: 124 and 40 bytes,
// little-endian, each field at its offset. Preset files hold them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "banks/SoundDevice.h"

namespace korvel {

constexpr std::size_t kSoundDeviceRecordSize = 124;
constexpr std::size_t kBankSlotRecordSize = 40;

// Device record: kind 0, backendIndex 1, slotCount 2, flags 3, handle 4,
// paths 8 (an address, written as zero), lastFolder 12 (64), name 76 (48).
void EncodeSoundDevice(const SoundDevice& device, std::uint8_t* out);
// Fills the record's own fields; the path and slot tables are left alone.
// Texts are terminated within their fields whatever the bytes hold.
void DecodeSoundDevice(const std::uint8_t* in, SoundDevice& device);

// Slot record: useStamp 0, sizeKB 4, flags 6, physBank 7, name 8 (32).
void EncodeBankSlot(const BankSlot& slot, std::uint8_t* out);
void DecodeBankSlot(const std::uint8_t* in, BankSlot& slot);

}  // namespace korvel
