// Preset files, field by field and little-endian: the header, the device
// blocks, the bank list row and the extension records. The reader checks
// every length against the bytes that remain before it keeps anything, and
// fills a local image that replaces the caller's only when the whole file
// was read.
#include <algorithm>
#include <cstring>
#include <utility>

#include "banks/ByteFields.h"
#include "banks/SoundDeviceCodec.h"
#include "banks/presets/PresetImage.h"

namespace korvel {

namespace {

constexpr std::uint8_t kMagic[4] = {'S', 'T', 'P', 'F'};
constexpr std::size_t kDeviceSlotCount = 2;  // byte of the device record

enum ExtensionType : std::uint16_t { kExtensionEnd = 0, kExtensionTile = 1, kExtensionConnection = 2 };

// Tile record (after its length): portName 0 (32), left 32, top 36, tileFlags 40.
constexpr std::size_t kTilePortName = 0, kTileLeft = 32, kTileTop = 36, kTileFlags = 40;
// Connection record (after its length): modCount 0, sourceName 4 (32),
// destName 36 (32), linkedDevice 68, three unused bytes.
constexpr std::size_t kConModCount = 0, kConSource = 4, kConDest = 36, kConLinked = 68;

static_assert(kTileFlags + 4 == kTileRecordLength, "tile record");
static_assert(kConLinked + 4 == kConnectionRecordLength, "connection record");
static_assert(kModificationElementSize == kModificationSize, "modification element");

// The bytes of a file still to be read. Every read takes its field whole or
// fails, leaving nothing half-read.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : at_(data), left_(size) {}

  std::size_t Left() const { return left_; }

  bool Copy(std::uint8_t* out, std::size_t n) {
    if (n > left_) return false;
    if (n > 0) std::memcpy(out, at_, n);
    Advance(n);
    return true;
  }

  bool Skip(std::uint64_t n) {
    if (n > left_) return false;
    Advance(static_cast<std::size_t>(n));
    return true;
  }

  bool U16(std::uint16_t& value) {
    std::uint8_t field[2];
    if (!Copy(field, sizeof field)) return false;
    value = GetU16(field);
    return true;
  }

  bool U32(std::uint32_t& value) {
    std::uint8_t field[4];
    if (!Copy(field, sizeof field)) return false;
    value = GetU32(field);
    return true;
  }

  bool I32(std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!U32(raw)) return false;
    value = static_cast<std::int32_t>(raw);
    return true;
  }

 private:
  void Advance(std::size_t n) {
    if (n == 0) return;
    at_ += n;
    left_ -= n;
  }

  const std::uint8_t* at_;
  std::size_t left_;
};

// A record whose stored length may be shorter than the record: the missing
// tail reads as zero. A longer one does not fit and makes the file corrupt.
bool ReadRecord(Reader& in, std::uint8_t* record, std::size_t recordSize) {
  std::uint32_t length = 0;
  if (!in.U32(length) || length > recordSize) return false;
  std::memset(record, 0, recordSize);
  return in.Copy(record, length);
}

bool ReadHeader(Reader& in, PresetImage& image, std::int32_t& deviceCount) {
  std::uint8_t magic[sizeof kMagic];
  if (!in.Copy(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) return false;
  if (!in.I32(image.version) || image.version < 1) return false;
  return in.I32(image.revision) && in.U32(image.saveFlags) && in.I32(deviceCount) &&
         deviceCount >= 0 && deviceCount <= kMaxDevices;
}

bool ReadDevice(Reader& in, SoundDevice& device) {
  std::uint8_t record[kSoundDeviceRecordSize];
  if (!in.Copy(record, sizeof record)) return false;
  DecodeSoundDevice(record, device);
  if (device.slotCount > kSlotsPerDevice) return false;
  std::uint8_t path[kPathEntrySize];
  for (int slot = 0; slot < device.slotCount; ++slot) {
    if (!in.Copy(path, sizeof path)) return false;
    GetText(path, sizeof path, device.paths[slot]);
  }
  std::uint8_t slotRecord[kBankSlotRecordSize];
  for (int slot = 0; slot < device.slotCount; ++slot) {
    if (!in.Copy(slotRecord, sizeof slotRecord)) return false;
    DecodeBankSlot(slotRecord, device.slots[slot]);
  }
  return true;
}

bool ReadTile(Reader& in, PresetTile& tile) {
  std::uint8_t record[kTileRecordLength];
  if (!ReadRecord(in, record, sizeof record)) return false;
  GetText(record + kTilePortName, sizeof tile.portName, tile.portName);
  tile.left = static_cast<std::int32_t>(GetU32(record + kTileLeft));
  tile.top = static_cast<std::int32_t>(GetU32(record + kTileTop));
  tile.tileFlags = GetU32(record + kTileFlags);
  return true;
}

// All modCount elements are read past; the first eight are kept. A count of
// zero or below means no elements follow, not even the element size.
bool ReadModifications(Reader& in, PresetConnection& connection) {
  if (connection.modCount <= 0) return true;
  std::uint32_t elementSize = 0;
  if (!in.U32(elementSize) || elementSize > kModificationElementSize) return false;
  const std::uint64_t count = static_cast<std::uint64_t>(connection.modCount);
  if (count * elementSize > in.Left()) return false;
  const std::uint64_t kept = std::min<std::uint64_t>(count, kMaxModifications);
  connection.modifications.reserve(static_cast<std::size_t>(kept));
  for (std::uint64_t i = 0; i < kept; ++i) {
    std::uint8_t element[kModificationSize] = {};
    if (!in.Copy(element, elementSize)) return false;
    connection.modifications.push_back(DecodeModification(element));
  }
  return in.Skip((count - kept) * elementSize);
}

bool ReadConnection(Reader& in, PresetConnection& connection) {
  std::uint8_t record[kConnectionRecordLength];
  if (!ReadRecord(in, record, sizeof record)) return false;
  connection.modCount = static_cast<std::int32_t>(GetU32(record + kConModCount));
  GetText(record + kConSource, sizeof connection.sourceName, connection.sourceName);
  GetText(record + kConDest, sizeof connection.destName, connection.destName);
  connection.linkedDevice = record[kConLinked];
  return ReadModifications(in, connection);
}

// Reads extension records up to the one that ends them. A bad marker or an
// unknown type ends them too and keeps what came before; only a file that
// stops first is corrupt.
bool ReadExtensions(Reader& in, PresetImage& image) {
  for (;;) {
    std::uint16_t marker = 0;
    if (!in.U16(marker)) return false;
    if (marker != kExtensionMarker) {
      image.extensionEnd = ExtensionEnd::kBadMarker;
      return true;
    }
    std::uint16_t type = 0;
    if (!in.U16(type)) return false;
    switch (type) {
      case kExtensionEnd:
        image.extensionEnd = ExtensionEnd::kEndRecord;
        return true;
      case kExtensionTile:
        image.tiles.emplace_back();
        if (!ReadTile(in, image.tiles.back())) return false;
        break;
      case kExtensionConnection:
        image.connections.emplace_back();
        if (!ReadConnection(in, image.connections.back())) return false;
        break;
      default:
        image.extensionEnd = ExtensionEnd::kUnknownType;
        return true;
    }
  }
}

bool ReadPreset(Reader& in, PresetImage& image) {
  std::int32_t deviceCount = 0;
  if (!ReadHeader(in, image, deviceCount)) return false;
  image.devices.resize(static_cast<std::size_t>(deviceCount));
  for (PresetDevice& block : image.devices) {
    if (!ReadDevice(in, block.device)) return false;
  }
  if (!in.I32(image.bankListRow)) return false;
  if (!image.HasExtensions()) {
    image.extensionEnd = ExtensionEnd::kNone;
    return true;
  }
  return ReadExtensions(in, image);
}

// Appends fields to the file's bytes.
class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}

  // n zeroed bytes at the end, to be filled before the next call.
  std::uint8_t* Grow(std::size_t n) {
    const std::size_t at = out_.size();
    out_.resize(at + n, 0);
    return out_.data() + at;
  }

  void U16(std::uint16_t value) { PutU16(Grow(2), value); }
  void U32(std::uint32_t value) { PutU32(Grow(4), value); }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }

 private:
  std::vector<std::uint8_t>& out_;
};

// The tables hold 128 entries; a larger count is written as 128 so the block
// stays whole and readable.
void WriteDevice(Writer& out, const SoundDevice& device) {
  const std::uint8_t slotCount =
      static_cast<std::uint8_t>(std::min<int>(device.slotCount, kSlotsPerDevice));
  std::uint8_t* record = out.Grow(kSoundDeviceRecordSize);
  EncodeSoundDevice(device, record);
  record[kDeviceSlotCount] = slotCount;
  for (int slot = 0; slot < slotCount; ++slot) {
    PutText(out.Grow(kPathEntrySize), kPathEntrySize, device.paths[slot]);
  }
  for (int slot = 0; slot < slotCount; ++slot) {
    EncodeBankSlot(device.slots[slot], out.Grow(kBankSlotRecordSize));
  }
}

void WriteExtensionStart(Writer& out, ExtensionType type) {
  out.U16(kExtensionMarker);
  out.U16(type);
}

void WriteTile(Writer& out, const PresetTile& tile) {
  WriteExtensionStart(out, kExtensionTile);
  out.U32(kTileRecordLength);
  std::uint8_t* record = out.Grow(kTileRecordLength);
  PutText(record + kTilePortName, sizeof tile.portName, tile.portName);
  PutU32(record + kTileLeft, static_cast<std::uint32_t>(tile.left));
  PutU32(record + kTileTop, static_cast<std::uint32_t>(tile.top));
  PutU32(record + kTileFlags, tile.tileFlags);
}

void WriteConnection(Writer& out, const PresetConnection& connection) {
  WriteExtensionStart(out, kExtensionConnection);
  out.U32(kConnectionRecordLength);
  std::uint8_t* record = out.Grow(kConnectionRecordLength);
  const std::size_t modCount = connection.modifications.size();
  PutU32(record + kConModCount, static_cast<std::uint32_t>(modCount));
  PutText(record + kConSource, sizeof connection.sourceName, connection.sourceName);
  PutText(record + kConDest, sizeof connection.destName, connection.destName);
  record[kConLinked] = connection.linkedDevice;
  if (modCount == 0) return;
  out.U32(kModificationElementSize);
  for (const Modification& modification : connection.modifications) {
    EncodeModification(modification, out.Grow(kModificationSize));
  }
}

}  // namespace

PresetDecodeResult DecodePreset(const std::uint8_t* data, std::size_t size, PresetImage& image) {
  Reader in(data, size);
  PresetImage read;
  if (!ReadPreset(in, read)) return PresetDecodeResult::kCorrupted;
  read.bytesAfterEnd = in.Left();
  image = std::move(read);
  return PresetDecodeResult::kOk;
}

std::vector<std::uint8_t> EncodePreset(const PresetImage& image) {
  std::vector<std::uint8_t> bytes;
  Writer out(bytes);
  std::memcpy(out.Grow(sizeof kMagic), kMagic, sizeof kMagic);
  out.I32(image.version);
  out.I32(image.revision);
  out.U32(image.saveFlags);
  out.I32(static_cast<std::int32_t>(image.devices.size()));
  for (const PresetDevice& block : image.devices) WriteDevice(out, block.device);
  out.I32(image.bankListRow);
  if (!image.HasExtensions()) return bytes;
  for (const PresetTile& tile : image.tiles) WriteTile(out, tile);
  for (const PresetConnection& connection : image.connections) WriteConnection(out, connection);
  WriteExtensionStart(out, kExtensionEnd);
  return bytes;
}

}  // namespace korvel
