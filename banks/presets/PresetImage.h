// A preset file's content, decoded: what the writer puts in and what the
// reader takes out. The reader validates the whole file into an image
// before the program changes anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "banks/SoundDevice.h"
#include "midi/Modification.h"

namespace korvel {

constexpr std::int32_t kPresetVersion = 1;
constexpr std::int32_t kPresetRevision = 20;
constexpr std::uint32_t kPresetSaveFlagsMask = 0x7000;
constexpr std::uint16_t kExtensionMarker = 0x42F5;
constexpr std::uint32_t kTileRecordLength = 44;
constexpr std::uint32_t kConnectionRecordLength = 72;
constexpr std::uint32_t kModificationElementSize = 8;

// One device block: the stored device record's fields (kind, backendIndex,
// slotCount, lastFolder, ...; the path and slot tables of `device` hold the
// block's paths and slot records, slot 0 first, for `device.slotCount` slots).
struct PresetDevice {
  SoundDevice device;
};

// Type 1: where a port's tile stands on the connection map.
struct PresetTile {
  char portName[32] = {};
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::uint32_t tileFlags = 0;  // bit 0: hidden
};

// Type 2: a connection by its ports' names, its link and its modifications.
struct PresetConnection {
  char sourceName[32] = {};
  char destName[32] = {};
  std::uint8_t linkedDevice = 0;  // device number + 1; 0 = not linked
  std::int32_t modCount = 0;      // as stored
  // The first eight records (a connection holds no more); each element is
  // read into a zeroed record, so short elements leave the rest 0.
  std::vector<Modification> modifications;
};

// How the extension records ended.
enum class ExtensionEnd {
  kNone,         // the file has no extensions (version 1, revision below 15)
  kEndRecord,    // a type-0 record
  kBadMarker,    // "Corrupted Format: Preset extensions bad!"
  kUnknownType,  // "Corrupted Format: Unknown preset extension!"
};

struct PresetImage {
  std::int32_t version = kPresetVersion;
  std::int32_t revision = kPresetRevision;
  std::uint32_t saveFlags = 0;
  std::vector<PresetDevice> devices;  // at most 4
  std::int32_t bankListRow = -1;
  std::vector<PresetTile> tiles;
  std::vector<PresetConnection> connections;
  ExtensionEnd extensionEnd = ExtensionEnd::kEndRecord;
  // Bytes the reader found after the end: after the end record, or after
  // the bank list row of a file without extensions.
  std::size_t bytesAfterEnd = 0;

  bool HasExtensions() const { return version >= 2 || revision >= 15; }
  // Read only in part: what a save writes would lose the rest.
  bool Damaged() const {
    return extensionEnd == ExtensionEnd::kBadMarker || extensionEnd == ExtensionEnd::kUnknownType ||
           bytesAfterEnd > 0;
  }
};

enum class PresetDecodeResult {
  kOk,
  kCorrupted,  // ErrorCode 3: the file is refused as a whole
};

// Reads a whole file's bytes into `image`. Refused as corrupted: a magic
// other than "STPF", a version below 1, a device count outside 0..4, a slot
// count above 128, a type-1 length above 44, a type-2 length above 72, an
// element size above 8, and a file that ends inside any record. A bad
// extension marker or an unknown extension type ends the extensions (the
// records before it are kept) and is told in `extensionEnd`; bytes after the
// extensions' end are counted in `bytesAfterEnd`.
PresetDecodeResult DecodePreset(const std::uint8_t* data, std::size_t size, PresetImage& image);

// The file's bytes: the header with the image's version, revision and
// saveFlags, each device block (the 124-byte record with its address word
// 0, `slotCount` 64-byte paths, `slotCount` 40-byte slot records), the bank
// list row, and when HasExtensions() the tiles, the connections (each with
// its modifications, element size 8) and the end record. The writer's rules
// of which records to include are the caller's: the image holds exactly
// what is written.
std::vector<std::uint8_t> EncodePreset(const PresetImage& image);

}  // namespace korvel
