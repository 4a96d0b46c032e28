// Preset files against bytes built by hand: what the writer puts on disk and
// what the reader accepts, keeps, zero-fills and refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "banks/presets/PresetImage.h"

namespace korvel {
namespace {

// A file assembled field by field, little-endian.
struct File {
  std::vector<std::uint8_t> bytes;

  File& U8(std::uint8_t v) { bytes.push_back(v); return *this; }
  File& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  File& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  File& Zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); return *this; }
  File& Text(const char* text, std::size_t size) {
    const std::size_t n = std::strlen(text);
    bytes.insert(bytes.end(), text, text + n);
    return Zeros(size - n);
  }
  File& Header(std::uint32_t version, std::uint32_t revision, std::uint32_t flags, std::uint32_t devices) {
    Text("STPF", 4);
    return U32(version).U32(revision).U32(flags).U32(devices);
  }
  // kind, backendIndex, slotCount, flags, handle, path table address, lastFolder, name.
  File& Device(std::uint8_t kind, std::uint8_t index, std::uint8_t slots) {
    U8(kind).U8(index).U8(slots).U8(SaveInPreset).U32(0).U32(0);
    return Text("C:\\Banks", 64).Text("0 - Card", 48);
  }
  File& Extension(std::uint16_t type) { return U16(kExtensionMarker).U16(type); }
  File& Tile(const char* port, std::uint32_t left, std::uint32_t top, std::uint32_t flags) {
    return Extension(1).U32(44).Text(port, 32).U32(left).U32(top).U32(flags);
  }
  File& Connection(std::uint32_t modCount, std::uint8_t linked) {
    return Extension(2).U32(72).U32(modCount).Text("In", 32).Text("Out", 32).U8(linked).Zeros(3);
  }
};

PresetDecodeResult Decode(const std::vector<std::uint8_t>& bytes, PresetImage& image) {
  return DecodePreset(bytes.data(), bytes.size(), image);
}

Modification Mod(std::uint8_t source, std::int8_t value) {
  Modification m;
  m.sourceType = source;
  m.targetValue = value;
  return m;
}

// Header, one SoundFont device with slots 0 and 5 assigned, bank list row 5,
// one tile, one connection with two modifications, the end record.
PresetImage SampleImage() {
  PresetImage image;
  image.saveFlags = 0x6000;
  image.bankListRow = 5;
  image.devices.emplace_back();
  SoundDevice& device = image.devices[0].device;
  device.kind = kKindSoundFont;
  device.slotCount = 128;
  device.flags = SaveInPreset;
  std::strcpy(device.lastFolder, "C:\\Banks");
  std::strcpy(device.name, "0 - Card");
  std::strcpy(device.paths[0], "C:\\Banks\\piano.sf2");
  std::strcpy(device.paths[5], "drums.sf2");
  device.slots[0] = BankSlot{7, 1024, Loaded | Assigned, 255, "Piano"};
  device.slots[5] = BankSlot{9, 3, Assigned, 0, "Drums"};
  image.tiles.push_back(PresetTile{"Virtual Keyboard", 10, -20, 1});
  PresetConnection connection{"In", "Out", 2, 2, {}};
  connection.modifications = {Mod(kTypeNoteOn, 0), Mod(kTypeController, -3)};
  image.connections.push_back(connection);
  return image;
}

File SampleFile() {
  File file;
  file.Header(1, 20, 0x6000, 1).Device(1, 0, 128);
  file.Text("C:\\Banks\\piano.sf2", 64).Zeros(4 * 64).Text("drums.sf2", 64).Zeros(122 * 64);
  file.U32(7).U16(1024).U8(0x09).U8(255).Text("Piano", 32).Zeros(4 * 40);
  file.U32(9).U16(3).U8(0x08).U8(0).Text("Drums", 32).Zeros(122 * 40);
  file.U32(5).Tile("Virtual Keyboard", 10, 0xFFFFFFEC, 1);
  file.Connection(2, 2).U32(8);
  file.U8(0x90).U8(0x90).U8(0).U8(0).U8(0).U8(15).U8(0).U8(0);
  file.U8(0xB0).U8(0x90).U8(0).U8(0xFD).U8(0).U8(15).U8(0).U8(0);
  file.Extension(0);
  return file;
}

TEST(PresetFileTest, WritesAndReadsTheFileByteForByte) {
  const std::vector<std::uint8_t> expected = SampleFile().bytes;
  EXPECT_EQ(EncodePreset(SampleImage()), expected);

  PresetImage image;
  ASSERT_EQ(Decode(expected, image), PresetDecodeResult::kOk);
  ASSERT_EQ(image.devices.size(), 1u);
  const SoundDevice& device = image.devices[0].device;
  EXPECT_EQ(device.kind, kKindSoundFont);
  EXPECT_EQ(device.slotCount, 128);
  EXPECT_STREQ(device.lastFolder, "C:\\Banks");
  EXPECT_STREQ(device.paths[5], "drums.sf2");
  EXPECT_STREQ(device.slots[0].name, "Piano");
  EXPECT_EQ(device.slots[0].sizeKB, 1024);
  EXPECT_EQ(device.slots[5].useStamp, 9u);
  EXPECT_EQ(image.bankListRow, 5);
  ASSERT_EQ(image.tiles.size(), 1u);
  EXPECT_EQ(image.tiles[0].top, -20);
  ASSERT_EQ(image.connections.size(), 1u);
  EXPECT_EQ(image.connections[0].linkedDevice, 2);
  ASSERT_EQ(image.connections[0].modifications.size(), 2u);
  EXPECT_EQ(image.connections[0].modifications[1].targetValue, -3);
  EXPECT_EQ(image.extensionEnd, ExtensionEnd::kEndRecord);
}

TEST(PresetFileTest, ReadsOldAndMinimalFiles) {
  PresetImage image;
  // Version 1 revision 14: no extensions, whatever follows the row.
  File old;
  old.Header(1, 14, 0, 1).Device(0, 1, 3).Text("a.94b", 64).Zeros(2 * 64);
  old.U32(1).U16(2).U8(0x08).U8(3).Text("A", 32).Zeros(2 * 40).U32(0xFFFFFFFF).U16(0x1234);
  ASSERT_EQ(Decode(old.bytes, image), PresetDecodeResult::kOk);
  EXPECT_EQ(image.extensionEnd, ExtensionEnd::kNone);
  EXPECT_EQ(image.devices[0].device.slotCount, 3);
  EXPECT_STREQ(image.devices[0].device.paths[0], "a.94b");
  EXPECT_STREQ(image.devices[0].device.slots[0].name, "A");
  EXPECT_EQ(image.bankListRow, -1);
  EXPECT_EQ(EncodePreset(image), std::vector<std::uint8_t>(old.bytes.begin(), old.bytes.end() - 2));

  // saveFlags 0 and no devices: only the end record after the row; version 2
  // has extensions whatever its revision.
  File minimal;
  minimal.Header(2, 0, 0, 0).U32(0).Extension(0);
  ASSERT_EQ(Decode(minimal.bytes, image), PresetDecodeResult::kOk);
  EXPECT_TRUE(image.devices.empty() && image.tiles.empty() && image.connections.empty());
  EXPECT_EQ(image.extensionEnd, ExtensionEnd::kEndRecord);
  EXPECT_EQ(EncodePreset(image), minimal.bytes);
}

TEST(PresetFileTest, ShortRecordsReadIntoZeroedRecords) {
  File file;
  file.Header(1, 20, 0, 0).U32(0);
  file.Extension(1).U32(40).Text("Port", 32).U32(1).U32(2);  // no tileFlags
  file.Extension(2).U32(68).U32(1).Text("In", 32).Text("Out", 32);  // no linkedDevice
  file.U32(3).U8(0xB0).U8(0xC0).U8(7);  // 3-byte elements
  file.Extension(2).U32(0).Extension(0);  // nothing of the record, so no elements
  PresetImage image;
  ASSERT_EQ(Decode(file.bytes, image), PresetDecodeResult::kOk);
  EXPECT_EQ(image.tiles[0].top, 2);
  EXPECT_EQ(image.tiles[0].tileFlags, 0u);
  ASSERT_EQ(image.connections.size(), 2u);
  EXPECT_EQ(image.connections[0].linkedDevice, 0);
  const Modification& m = image.connections[0].modifications.at(0);
  EXPECT_EQ(m.sourceType, 0xB0);
  EXPECT_EQ(m.sourceLow, 7);
  EXPECT_EQ(m.highChannel, 0);
  EXPECT_STREQ(image.connections[1].sourceName, "");
}

TEST(PresetFileTest, CountsBeyondEightOrBelowOneAreReadPast) {
  File file;
  file.Header(1, 20, 0, 0).U32(0).Connection(10, 1).U32(1);
  for (std::uint8_t i = 0; i < 10; ++i) file.U8(i);
  file.Connection(0xFFFFFFFF, 0).Connection(0x7FFFFFFF, 0).U32(0).Tile("After", 0, 0, 0).Extension(0);
  PresetImage image;
  ASSERT_EQ(Decode(file.bytes, image), PresetDecodeResult::kOk);
  ASSERT_EQ(image.connections.size(), 3u);
  EXPECT_EQ(image.connections[0].modCount, 10);
  ASSERT_EQ(image.connections[0].modifications.size(), 8u);
  EXPECT_EQ(image.connections[0].modifications[7].sourceType, 7);
  EXPECT_TRUE(image.connections[1].modifications.empty());
  EXPECT_EQ(image.connections[2].modifications.size(), 8u);  // zero-sized elements
  EXPECT_STREQ(image.tiles.at(0).portName, "After");
}

TEST(PresetFileTest, BadMarkerAndUnknownTypeEndTheExtensionsKeepingEarlierRecords) {
  for (const auto& [tail, end] : {std::pair{File().U16(0x42F4), ExtensionEnd::kBadMarker},
                                  std::pair{File().Extension(3), ExtensionEnd::kUnknownType}}) {
    File file;
    file.Header(1, 15, 0, 0).U32(0).Tile("Kept", 1, 2, 0).Connection(0, 1);
    file.bytes.insert(file.bytes.end(), tail.bytes.begin(), tail.bytes.end());
    PresetImage image;
    ASSERT_EQ(Decode(file.bytes, image), PresetDecodeResult::kOk);
    EXPECT_EQ(image.extensionEnd, end);
    EXPECT_EQ(image.tiles.size(), 1u);
    EXPECT_EQ(image.connections.size(), 1u);
  }
}

TEST(PresetFileTest, RefusesCorruptFilesLeavingTheImageAlone) {
  std::vector<std::pair<const char*, File>> cases = {
      {"magic", File().Text("STPX", 4).U32(1).U32(20).U32(0).U32(0).U32(0).Extension(0)},
      {"version 0", File().Header(0, 20, 0, 0).U32(0).Extension(0)},
      {"negative devices", File().Header(1, 20, 0, 0xFFFFFFFF).U32(0).Extension(0)},
      {"five devices", File().Header(1, 20, 0, 5).U32(0).Extension(0)},
      {"129 slots", File().Header(1, 14, 0, 1).Device(0, 0, 129).Zeros(129 * 104).U32(0)},
      {"tile length", File().Header(1, 20, 0, 0).U32(0).Extension(1).U32(45).Zeros(45).Extension(0)},
      {"connection length", File().Header(1, 20, 0, 0).U32(0).Extension(2).U32(73).Zeros(73).Extension(0)},
      {"element size", File().Header(1, 20, 0, 0).U32(0).Connection(1, 0).U32(9).Zeros(9).Extension(0)},
      {"elements past end", File().Header(1, 20, 0, 0).U32(0).Connection(0x7FFFFFFF, 0).U32(8).Zeros(64)},
  };
  std::vector<std::uint8_t> valid = SampleFile().bytes;
  for (std::size_t size = 0; size < valid.size(); ++size) {
    cases.push_back({"prefix", File{std::vector<std::uint8_t>(valid.begin(), valid.begin() + size)}});
  }
  for (const auto& [name, file] : cases) {
    PresetImage image;
    image.bankListRow = 77;
    EXPECT_EQ(Decode(file.bytes, image), PresetDecodeResult::kCorrupted) << name << " " << file.bytes.size();
    EXPECT_EQ(image.bankListRow, 77) << name;
  }
}

}  // namespace
}  // namespace korvel
