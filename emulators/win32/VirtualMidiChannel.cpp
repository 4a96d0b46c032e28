#include "emulators/win32/VirtualMidiChannel.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace korvel::emu::vmidi {
namespace {

constexpr char kMappingName[] = "KorvelVirtualMidi.Block";
constexpr char kMutexName[] = "KorvelVirtualMidi.Lock";
constexpr char kFedName[] = "KorvelVirtualMidi.Fed";
constexpr char kSentName[] = "KorvelVirtualMidi.Sent";
constexpr std::uint32_t kMagic = 0x4B564D31;  // "KVM1"
constexpr std::uint32_t kShortKind = 1;
constexpr std::uint32_t kLongKind = 2;
constexpr std::size_t kInputRecords = 32;
constexpr std::size_t kOutputRecords = 128;

// Fixed-width fields only, so that 32- and 64-bit processes share the layout.
struct Record {
  std::uint32_t kind;
  std::uint32_t length;  // bytes kept in `bytes`
  std::uint8_t bytes[kChannelLongBytes];
};
static_assert(sizeof(Record) == 4096);

struct PortSlot {
  char name[kChannelNameLength + 1];
  std::uint64_t inputWritten;
  std::uint64_t outputWritten;
  Record input[kInputRecords];
  Record output[kOutputRecords];
};
static_assert(offsetof(PortSlot, inputWritten) == 32);
static_assert(offsetof(PortSlot, input) == 48);

Record ToRecord(const WireMessage& message) {
  Record record{};
  if (message.isLong) {
    record.kind = kLongKind;
    record.length = static_cast<std::uint32_t>(std::min(message.bytes.size(), kChannelLongBytes));
    std::memcpy(record.bytes, message.bytes.data(), record.length);
  } else {
    record.kind = kShortKind;
    record.length = sizeof message.shortMessage;
    std::memcpy(record.bytes, &message.shortMessage, record.length);
  }
  return record;
}

WireMessage FromRecord(const Record& record) {
  WireMessage message;
  message.isLong = record.kind == kLongKind;
  if (message.isLong) {
    message.bytes.assign(record.bytes, record.bytes + std::min<std::size_t>(record.length, kChannelLongBytes));
  } else {
    std::memcpy(&message.shortMessage, record.bytes, sizeof message.shortMessage);
  }
  return message;
}

}  // namespace

struct VirtualMidiChannel::Block {
  std::uint32_t magic;
  std::uint32_t portCount;
  PortSlot ports[kChannelPorts];
};

class VirtualMidiChannel::Lock {
 public:
  explicit Lock(HANDLE mutex) : mutex_(mutex) { ::WaitForSingleObject(mutex_, INFINITE); }
  ~Lock() { ::ReleaseMutex(mutex_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  HANDLE mutex_;
};

std::unique_ptr<VirtualMidiChannel> VirtualMidiChannel::Open() {
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
  HANDLE fed = ::CreateEventA(nullptr, FALSE, FALSE, kFedName);
  HANDLE sent = ::CreateEventA(nullptr, FALSE, FALSE, kSentName);
  // Fresh pagefile-backed memory is zeroed: an empty block with no ports.
  HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(Block), kMappingName);
  void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)) : nullptr;
  if (!mutex || !fed || !sent || !view) {
    for (HANDLE handle : {mutex, fed, sent, mapping}) {
      if (handle) ::CloseHandle(handle);
    }
    return nullptr;
  }
  std::unique_ptr<VirtualMidiChannel> channel(
      new VirtualMidiChannel(mapping, static_cast<Block*>(view), mutex, fed, sent));
  Lock lock(mutex);
  channel->block_->magic = kMagic;
  return channel;
}

VirtualMidiChannel::VirtualMidiChannel(HANDLE mapping, Block* block, HANDLE mutex, HANDLE fed,
                                       HANDLE sent)
    : mapping_(mapping), block_(block), mutex_(mutex), fed_(fed), sent_(sent) {}

VirtualMidiChannel::~VirtualMidiChannel() {
  ::UnmapViewOfFile(block_);
  for (HANDLE handle : {mapping_, mutex_, fed_, sent_}) ::CloseHandle(handle);
}

int VirtualMidiChannel::Port(const std::string& name) {
  if (name.empty() || name.size() > kChannelNameLength) return -1;
  Lock lock(mutex_);
  const int count = static_cast<int>(std::min<std::uint32_t>(block_->portCount, kChannelPorts));
  for (int i = 0; i < count; ++i) {
    if (name == block_->ports[i].name) return i;
  }
  if (count == kChannelPorts) return -1;
  std::memcpy(block_->ports[count].name, name.c_str(), name.size() + 1);
  block_->portCount = count + 1;
  return count;
}

void VirtualMidiChannel::Append(int port, Side side, const WireMessage& message) {
  if (port < 0 || port >= kChannelPorts) return;
  const Record record = ToRecord(message);
  {
    Lock lock(mutex_);
    PortSlot& slot = block_->ports[port];
    if (side == Side::kInput) {
      slot.input[slot.inputWritten++ % kInputRecords] = record;
    } else {
      slot.output[slot.outputWritten++ % kOutputRecords] = record;
    }
  }
  ::SetEvent(side == Side::kInput ? fed_ : sent_);
}

std::uint64_t VirtualMidiChannel::Written(int port, Side side) {
  if (port < 0 || port >= kChannelPorts) return 0;
  Lock lock(mutex_);
  const PortSlot& slot = block_->ports[port];
  return side == Side::kInput ? slot.inputWritten : slot.outputWritten;
}

std::uint64_t VirtualMidiChannel::ReadFrom(int port, Side side, std::uint64_t* cursor,
                                           std::vector<WireMessage>* messages) {
  if (port < 0 || port >= kChannelPorts) return 0;
  Lock lock(mutex_);
  const PortSlot& slot = block_->ports[port];
  const bool input = side == Side::kInput;
  const std::uint64_t written = input ? slot.inputWritten : slot.outputWritten;
  const std::uint64_t capacity = input ? kInputRecords : kOutputRecords;
  const std::uint64_t oldest = written > capacity ? written - capacity : 0;
  const std::uint64_t skipped = *cursor < oldest ? oldest - *cursor : 0;
  for (std::uint64_t n = std::max(*cursor, oldest); n < written; ++n) {
    messages->push_back(FromRecord(input ? slot.input[n % capacity] : slot.output[n % capacity]));
  }
  *cursor = std::max(*cursor, written);
  return skipped;
}

}  // namespace korvel::emu::vmidi
