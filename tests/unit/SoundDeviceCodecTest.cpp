// The stored device and slot records, checked against bytes built by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "banks/SoundDeviceCodec.h"

namespace korvel {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t fill) {
  return std::vector<std::uint8_t>(size, fill);
}

TEST(SoundDeviceCodecTest, DeviceRecordFieldsSitAtTheirOffsets) {
  SoundDevice device;
  device.kind = kKindSoundFont;
  device.backendIndex = 2;
  device.slotCount = 128;
  device.flags = InfoRead | SaveInPreset;
  device.handle = 0x04030201;
  std::strcpy(device.lastFolder, "C:\\Banks");
  std::strcpy(device.name, "2 - Synth");

  std::vector<std::uint8_t> expected(kSoundDeviceRecordSize, 0);
  expected[0] = 1;
  expected[1] = 2;
  expected[2] = 128;
  expected[3] = 0x81;
  expected[4] = 0x01, expected[5] = 0x02, expected[6] = 0x03, expected[7] = 0x04;
  // 8-11: the path table's address, always zero in a file.
  std::memcpy(&expected[12], "C:\\Banks", 8);
  std::memcpy(&expected[76], "2 - Synth", 9);

  std::vector<std::uint8_t> out = Bytes(kSoundDeviceRecordSize, 0xEE);
  EncodeSoundDevice(device, out.data());
  EXPECT_EQ(out, expected);

  SoundDevice back;
  DecodeSoundDevice(expected.data(), back);
  EXPECT_EQ(back.kind, kKindSoundFont);
  EXPECT_EQ(back.backendIndex, 2);
  EXPECT_EQ(back.slotCount, 128);
  EXPECT_EQ(back.flags, 0x81);
  EXPECT_EQ(back.handle, 0x04030201u);
  EXPECT_STREQ(back.lastFolder, "C:\\Banks");
  EXPECT_STREQ(back.name, "2 - Synth");
}

TEST(SoundDeviceCodecTest, DeviceTextsAreTerminatedWithinTheirFields) {
  // A record whose texts fill their fields without terminators.
  std::vector<std::uint8_t> in = Bytes(kSoundDeviceRecordSize, 'x');
  SoundDevice device;
  std::strcpy(device.paths[3], "C:\\Banks\\kept.sf2");
  device.slots[3].useStamp = 9;
  DecodeSoundDevice(in.data(), device);
  EXPECT_EQ(std::string(device.lastFolder), std::string(63, 'x'));
  EXPECT_EQ(std::string(device.name), std::string(47, 'x'));
  EXPECT_EQ(device.handle, 0x78787878u);
  // The tables are not part of the record.
  EXPECT_STREQ(device.paths[3], "C:\\Banks\\kept.sf2");
  EXPECT_EQ(device.slots[3].useStamp, 9u);

  // Bytes after a terminator are written as zero, whatever the buffer held.
  std::strcpy(device.name, "abcdef");
  device.name[2] = '\0';
  std::vector<std::uint8_t> out = Bytes(kSoundDeviceRecordSize, 0xEE);
  EncodeSoundDevice(device, out.data());
  EXPECT_EQ(out[76], 'a');
  EXPECT_EQ(out[77], 'b');
  for (std::size_t i = 78; i < kSoundDeviceRecordSize; ++i) EXPECT_EQ(out[i], 0) << i;
}

TEST(SoundDeviceCodecTest, SlotRecordFieldsSitAtTheirOffsets) {
  BankSlot slot;
  slot.useStamp = 0x11223344;
  slot.sizeKB = 0x0A0B;
  slot.flags = Loaded | Assigned;
  slot.physBank = 255;
  std::strcpy(slot.name, "Strings");

  std::vector<std::uint8_t> expected(kBankSlotRecordSize, 0);
  expected[0] = 0x44, expected[1] = 0x33, expected[2] = 0x22, expected[3] = 0x11;
  expected[4] = 0x0B, expected[5] = 0x0A;
  expected[6] = 0x09;
  expected[7] = 0xFF;
  std::memcpy(&expected[8], "Strings", 7);

  std::vector<std::uint8_t> out = Bytes(kBankSlotRecordSize, 0xEE);
  EncodeBankSlot(slot, out.data());
  EXPECT_EQ(out, expected);

  BankSlot back;
  DecodeBankSlot(expected.data(), back);
  EXPECT_EQ(back.useStamp, 0x11223344u);
  EXPECT_EQ(back.sizeKB, 0x0A0B);
  EXPECT_EQ(back.flags, Loaded | Assigned);
  EXPECT_EQ(back.physBank, 255);
  EXPECT_STREQ(back.name, "Strings");

  std::vector<std::uint8_t> full = Bytes(kBankSlotRecordSize, 'n');
  DecodeBankSlot(full.data(), back);
  EXPECT_EQ(std::string(back.name), std::string(31, 'n'));
}

}  // namespace
}  // namespace korvel
