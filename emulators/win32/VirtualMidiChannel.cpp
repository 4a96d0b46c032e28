#include "emulators/win32/VirtualMidiChannel.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace korvel::emu::vmidi {
namespace {

constexpr char kMappingName[] = "KorvelVirtualMidi.Block";
constexpr char kMutexName[] = "KorvelVirtualMidi.Lock";
constexpr char kRoomName[] = "KorvelVirtualMidi.Room";
constexpr char kReaderSignalName[] = "KorvelVirtualMidi.Reader.%d";
constexpr std::uint32_t kMagic = 0x4B564D32;  // "KVM2"
constexpr std::uint32_t kShortKind = 1;
constexpr std::uint32_t kLongKind = 2;
constexpr std::size_t kInputRecords = 32;
constexpr std::size_t kOutputRecords = 128;
// A waiting writer looks again this often (the room event wakes only one).
constexpr DWORD kRoomPollMs = 10;
// And asks this often whether the reader it waits for still runs.
constexpr DWORD kRunningCheckMs = 50;

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

// A reader's place; free while processId is 0.
struct ReaderSlot {
  std::uint32_t processId;
  std::uint32_t threadId;        // a writer on this thread cannot wait for it
  std::uint64_t processCreated;  // tells the process from a later one with its id
  std::uint32_t side;
  std::uint32_t following;       // a bit per port
  std::uint32_t stalled;         // a bit per port: writers there no longer wait for it
  std::uint32_t reserved;
  std::uint64_t cursors[kChannelPorts];
};
static_assert(sizeof(ReaderSlot) == 32 + 8 * kChannelPorts);

void WriteRecord(const WireMessage& message, Record* record) {
  if (message.isLong) {
    record->kind = kLongKind;
    record->length = static_cast<std::uint32_t>(std::min(message.bytes.size(), kChannelLongBytes));
    std::memcpy(record->bytes, message.bytes.data(), record->length);
  } else {
    record->kind = kShortKind;
    record->length = sizeof message.shortMessage;
    std::memcpy(record->bytes, &message.shortMessage, record->length);
  }
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

std::uint64_t Capacity(Side side) { return side == Side::kInput ? kInputRecords : kOutputRecords; }

std::uint64_t& WrittenOf(PortSlot& port, Side side) {
  return side == Side::kInput ? port.inputWritten : port.outputWritten;
}

Record& RecordAt(PortSlot& port, Side side, std::uint64_t n) {
  return side == Side::kInput ? port.input[n % kInputRecords] : port.output[n % kOutputRecords];
}

bool Follows(const ReaderSlot& reader, int port, Side side) {
  return reader.processId != 0 && reader.side == static_cast<std::uint32_t>(side) &&
         (reader.following & (1u << port)) != 0;
}

// Moves the reader's cursor on the port; true when the ring was full for it,
// so that a writer may be waiting.
bool MoveCursor(ReaderSlot& reader, int port, std::uint64_t written, std::uint64_t capacity,
                std::uint64_t cursor) {
  const std::uint32_t bit = 1u << port;
  const bool wasFull = (reader.following & bit) && written - reader.cursors[port] >= capacity;
  reader.following |= bit;
  reader.stalled &= ~bit;
  reader.cursors[port] = cursor;
  return wasFull;
}

std::uint64_t CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return std::uint64_t{created.dwHighDateTime} << 32 | created.dwLowDateTime;
}

bool StillRuns(const ReaderSlot& reader) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, reader.processId);
  if (!process) return false;
  const bool runs = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                    CreationTime(process) == reader.processCreated;
  ::CloseHandle(process);
  return runs;
}

}  // namespace

struct VirtualMidiChannel::Block {
  std::uint32_t magic;
  std::uint32_t portCount;
  PortSlot ports[kChannelPorts];
  ReaderSlot readers[kChannelReaders];
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

// One writer's wait for room: tells a reader that reads on from one that has
// gone (its process ended: its place is freed) or stopped reading (marked
// stalled on the port until it reads again).
class VirtualMidiChannel::RoomWait {
 public:
  bool WaitsFor(int index, ReaderSlot& reader, int port) {
    const std::uint32_t bit = 1u << port;
    if (reader.stalled & bit) return false;
    if (reader.processId == ::GetCurrentProcessId() && reader.threadId == ::GetCurrentThreadId()) return false;
    const DWORD now = ::GetTickCount();
    if (index != reader_ || reader.cursors[port] != cursor_) {
      reader_ = index;
      cursor_ = reader.cursors[port];
      since_ = checked_ = now;
      return true;
    }
    if (now - checked_ >= kRunningCheckMs) {
      checked_ = now;
      if (!StillRuns(reader)) {
        reader.processId = 0;
        return false;
      }
    }
    if (now - since_ < kStalledReaderMs) return true;
    reader.stalled |= bit;
    return false;
  }

 private:
  int reader_ = -1;  // the one waited for, and where its cursor was
  std::uint64_t cursor_ = 0;
  DWORD since_ = 0;
  DWORD checked_ = 0;
};

std::unique_ptr<VirtualMidiChannel> VirtualMidiChannel::Open() {
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
  HANDLE room = ::CreateEventA(nullptr, FALSE, FALSE, kRoomName);
  // Fresh pagefile-backed memory is zeroed: an empty block with no ports.
  HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(Block), kMappingName);
  void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)) : nullptr;
  if (!mutex || !room || !view) {
    if (view) ::UnmapViewOfFile(view);
    for (HANDLE handle : {mutex, room, mapping}) {
      if (handle) ::CloseHandle(handle);
    }
    return nullptr;
  }
  std::unique_ptr<VirtualMidiChannel> channel(
      new VirtualMidiChannel(mapping, static_cast<Block*>(view), mutex, room));
  for (int i = 0; i < kChannelReaders; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, kReaderSignalName, i);
    channel->readerSignals_[i] = ::CreateEventA(nullptr, FALSE, FALSE, name);
    if (!channel->readerSignals_[i]) return nullptr;
  }
  Lock lock(mutex);
  channel->block_->magic = kMagic;
  return channel;
}

VirtualMidiChannel::VirtualMidiChannel(HANDLE mapping, Block* block, HANDLE mutex, HANDLE room)
    : mapping_(mapping), block_(block), mutex_(mutex), room_(room) {}

VirtualMidiChannel::~VirtualMidiChannel() {
  ::UnmapViewOfFile(block_);
  for (HANDLE handle : {mapping_, mutex_, room_}) ::CloseHandle(handle);
  for (HANDLE signal : readerSignals_) {
    if (signal) ::CloseHandle(signal);
  }
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
  RoomWait wait;
  while (!TryAppend(port, side, message, &wait)) ::WaitForSingleObject(room_, kRoomPollMs);
}

bool VirtualMidiChannel::TryAppend(int port, Side side, const WireMessage& message, RoomWait* wait) {
  std::uint32_t caughtUp = 0;  // readers that may be waiting for this message
  {
    Lock lock(mutex_);
    PortSlot& slot = block_->ports[port];
    std::uint64_t& written = WrittenOf(slot, side);
    for (int i = 0; i < kChannelReaders; ++i) {
      ReaderSlot& reader = block_->readers[i];
      if (!Follows(reader, port, side)) continue;
      if (written - reader.cursors[port] >= Capacity(side) && wait->WaitsFor(i, reader, port)) return false;
      if (reader.processId != 0 && reader.cursors[port] == written) caughtUp |= 1u << i;
    }
    WriteRecord(message, &RecordAt(slot, side, written++));
  }
  for (int i = 0; i < kChannelReaders; ++i) {
    if (caughtUp & (1u << i)) ::SetEvent(readerSignals_[i]);
  }
  return true;
}

std::uint64_t VirtualMidiChannel::Written(int port, Side side) {
  if (port < 0 || port >= kChannelPorts) return 0;
  Lock lock(mutex_);
  return WrittenOf(block_->ports[port], side);
}

int VirtualMidiChannel::Readers(int port, Side side) {
  if (port < 0 || port >= kChannelPorts) return 0;
  Lock lock(mutex_);
  return static_cast<int>(std::count_if(std::begin(block_->readers), std::end(block_->readers),
                                        [&](const ReaderSlot& reader) { return Follows(reader, port, side); }));
}

VirtualMidiChannel::Reader::Reader(VirtualMidiChannel& channel, Side side, DWORD thread)
    : channel_(channel), side_(side) {
  {
    Lock lock(channel_.mutex_);
    ReaderSlot* readers = channel_.block_->readers;
    for (int i = 0; i < kChannelReaders && slot_ < 0; ++i) {
      if (readers[i].processId == 0) slot_ = i;
    }
    // All taken: the place of a reader whose process has ended.
    for (int i = 0; i < kChannelReaders && slot_ < 0; ++i) {
      if (!StillRuns(readers[i])) slot_ = i;
    }
    if (slot_ >= 0) {
      readers[slot_] = ReaderSlot{};
      readers[slot_].processId = ::GetCurrentProcessId();
      readers[slot_].threadId = thread;
      readers[slot_].processCreated = CreationTime(::GetCurrentProcess());
      readers[slot_].side = static_cast<std::uint32_t>(side);
    }
  }
  if (slot_ >= 0) {
    signal_ = channel_.readerSignals_[slot_];
    ::ResetEvent(signal_);
  } else {
    ownSignal_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    signal_ = ownSignal_;
  }
}

VirtualMidiChannel::Reader::~Reader() {
  if (ownSignal_) ::CloseHandle(ownSignal_);
  if (slot_ < 0) return;
  {
    Lock lock(channel_.mutex_);
    ReaderSlot& reader = channel_.block_->readers[slot_];
    if (reader.processId == ::GetCurrentProcessId()) reader.processId = 0;
  }
  ::SetEvent(channel_.room_);
}

std::uint64_t VirtualMidiChannel::Reader::Follow(int port) {
  if (port < 0 || port >= kChannelPorts) return 0;
  bool wasFull = false;
  std::uint64_t written = 0;
  {
    Lock lock(channel_.mutex_);
    written = WrittenOf(channel_.block_->ports[port], side_);
    if (slot_ >= 0) {
      wasFull = MoveCursor(channel_.block_->readers[slot_], port, written, Capacity(side_), written);
    }
  }
  if (wasFull) ::SetEvent(channel_.room_);
  return written;
}

std::uint64_t VirtualMidiChannel::Reader::ReadFrom(int port, std::uint64_t* cursor,
                                                   std::vector<WireMessage>* messages) {
  if (port < 0 || port >= kChannelPorts) return 0;
  bool wasFull = false;
  std::uint64_t skipped = 0;
  {
    Lock lock(channel_.mutex_);
    PortSlot& slot = channel_.block_->ports[port];
    const std::uint64_t written = WrittenOf(slot, side_);
    const std::uint64_t capacity = Capacity(side_);
    const std::uint64_t oldest = written > capacity ? written - capacity : 0;
    skipped = *cursor < oldest ? oldest - *cursor : 0;
    for (std::uint64_t n = std::max(*cursor, oldest); n < written; ++n) {
      messages->push_back(FromRecord(RecordAt(slot, side_, n)));
    }
    *cursor = std::max(*cursor, written);
    if (slot_ >= 0) {
      ReaderSlot& reader = channel_.block_->readers[slot_];
      reader.threadId = ::GetCurrentThreadId();
      wasFull = MoveCursor(reader, port, written, capacity, written);
    }
  }
  if (wasFull) ::SetEvent(channel_.room_);
  return skipped;
}

}  // namespace korvel::emu::vmidi
