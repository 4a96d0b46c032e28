#include "banks/SoundDeviceCodec.h"

#include "banks/ByteFields.h"

namespace korvel {

namespace {

// Device record offsets.
constexpr std::size_t kDevKind = 0, kDevBackendIndex = 1, kDevSlotCount = 2, kDevFlags = 3,
                      kDevHandle = 4, kDevPaths = 8, kDevLastFolder = 12, kDevName = 76;
// Slot record offsets.
constexpr std::size_t kSlotStamp = 0, kSlotSize = 4, kSlotFlags = 6, kSlotPhysBank = 7,
                      kSlotName = 8;

static_assert(kDevLastFolder + sizeof(SoundDevice::lastFolder) == kDevName, "device record");
static_assert(kDevName + sizeof(SoundDevice::name) == kSoundDeviceRecordSize, "device record");
static_assert(kSlotName + sizeof(BankSlot::name) == kBankSlotRecordSize, "slot record");

}  // namespace

void EncodeSoundDevice(const SoundDevice& device, std::uint8_t* out) {
  out[kDevKind] = device.kind;
  out[kDevBackendIndex] = device.backendIndex;
  out[kDevSlotCount] = device.slotCount;
  out[kDevFlags] = device.flags;
  PutU32(out + kDevHandle, device.handle);
  PutU32(out + kDevPaths, 0);  // an address in memory means nothing in a file
  PutText(out + kDevLastFolder, sizeof device.lastFolder, device.lastFolder);
  PutText(out + kDevName, sizeof device.name, device.name);
}

void DecodeSoundDevice(const std::uint8_t* in, SoundDevice& device) {
  device.kind = in[kDevKind];
  device.backendIndex = in[kDevBackendIndex];
  device.slotCount = in[kDevSlotCount];
  device.flags = in[kDevFlags];
  device.handle = GetU32(in + kDevHandle);
  GetText(in + kDevLastFolder, sizeof device.lastFolder, device.lastFolder);
  GetText(in + kDevName, sizeof device.name, device.name);
}

void EncodeBankSlot(const BankSlot& slot, std::uint8_t* out) {
  PutU32(out + kSlotStamp, slot.useStamp);
  PutU16(out + kSlotSize, slot.sizeKB);
  out[kSlotFlags] = slot.flags;
  out[kSlotPhysBank] = slot.physBank;
  PutText(out + kSlotName, sizeof slot.name, slot.name);
}

void DecodeBankSlot(const std::uint8_t* in, BankSlot& slot) {
  slot.useStamp = GetU32(in + kSlotStamp);
  slot.sizeKB = GetU16(in + kSlotSize);
  slot.flags = in[kSlotFlags];
  slot.physBank = in[kSlotPhysBank];
  GetText(in + kSlotName, sizeof slot.name, slot.name);
}

}  // namespace korvel
