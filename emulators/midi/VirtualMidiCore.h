// Virtual MIDI devices, seen from the driver's side: inputs that something
// outside the program feeds, outputs that record what they are sent.
//
// The core answers the calls winmm passes to a MIDI driver (open, start, add
// buffer, short and long messages, reset, close) and queues the notifications
// a driver would send back (MIM_DATA, MIM_LONGDATA, MOM_DONE, ...). It has no
// threads and no locks: its wrapper (the simulated platform natively, a driver
// DLL on Windows) serialises every call and delivers the queued events in
// order, on a thread of its own, with TakeEvent.
//
// Header preparation: PrepareHeader and UnprepareHeader serve both wrappers,
// the simulation standing in for winmm and the Wine driver, to which Wine's
// winmm passes the preparation on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace korvel::emu::vmidi {

// MIDIHDR, field for field and byte-packed like winmm's records. The core
// reads data and bufferLength and writes bytesRecorded and flags; it never
// touches the other fields.
#pragma pack(push, 1)
struct Header {
  char* data;
  std::uint32_t bufferLength;
  std::uint32_t bytesRecorded;
  std::uintptr_t user;
  std::uint32_t flags;
  Header* next;
  std::uintptr_t reserved;
  std::uint32_t offset;
  std::uintptr_t reservedWords[8];
};
#pragma pack(pop)
static_assert(sizeof(Header) == 12 * sizeof(void*) + 16, "64 bytes on 32-bit Windows");

constexpr std::uint32_t kHeaderDone = 0x1;
constexpr std::uint32_t kHeaderPrepared = 0x2;
constexpr std::uint32_t kHeaderInQueue = 0x4;

// Notifications, with winmm's numbers.
constexpr std::uint32_t kMimOpen = 0x3C1;
constexpr std::uint32_t kMimClose = 0x3C2;
constexpr std::uint32_t kMimData = 0x3C3;       // param1 message, param2 ms since start
constexpr std::uint32_t kMimLongData = 0x3C4;   // param1 header, param2 ms since start
constexpr std::uint32_t kMomOpen = 0x3C7;
constexpr std::uint32_t kMomClose = 0x3C8;
constexpr std::uint32_t kMomDone = 0x3C9;       // param1 header

// Results, with winmm's numbers.
constexpr unsigned kOk = 0;
constexpr unsigned kBadDeviceId = 2;
constexpr unsigned kAllocated = 4;
constexpr unsigned kInvalidHandle = 5;
constexpr unsigned kInvalidParam = 11;
constexpr unsigned kUnprepared = 64;
constexpr unsigned kStillPlaying = 65;

constexpr std::size_t kMaxNameLength = 31;
// Short messages each output remembers; older ones are overwritten.
constexpr std::size_t kShortRecordSize = 65536;
// Long messages each output remembers: the latest kLongRecordCount, fewer
// when they hold more than kLongRecordBytes together (the latest one is kept
// whatever its size). Older ones are forgotten.
constexpr std::size_t kLongRecordCount = 256;
constexpr std::size_t kLongRecordBytes = 1024 * 1024;

struct DeviceEntry {
  std::string name;        // cut to kMaxNameLength characters
  bool opensOnce = false;  // a second open while open gives kAllocated
};

// An open input or output; nonzero and never reused by one core.
using InstanceId = std::uint32_t;

struct Event {
  InstanceId instance = 0;
  std::uint32_t message = 0;
  std::uintptr_t param1 = 0;
  std::uintptr_t param2 = 0;
};

// Sets kHeaderPrepared; kInvalidParam without a header or data.
unsigned PrepareHeader(Header* header);
// Clears kHeaderPrepared; kStillPlaying while the header is queued.
unsigned UnprepareHeader(Header* header);

class VirtualMidiCore {
 public:
  // Replaces the devices; every instance and queued event is forgotten.
  void SetDevices(const std::vector<DeviceEntry>& inputs, const std::vector<DeviceEntry>& outputs);
  unsigned InputCount() const { return static_cast<unsigned>(inputs_.size()); }
  unsigned OutputCount() const { return static_cast<unsigned>(outputs_.size()); }
  // Empty for a device that does not exist.
  std::string InputName(unsigned device) const;
  std::string OutputName(unsigned device) const;

  // -- The program's side: calls on an instance give kInvalidHandle for an
  // id that is not an open instance of that direction.

  // kBadDeviceId, kAllocated or kOk; queues MIM_OPEN.
  unsigned OpenInput(unsigned device, InstanceId* instance);
  // Records short messages from now on; `nowMs` is the clock that
  // timestamps count from.
  unsigned StartInput(InstanceId instance, std::uint32_t nowMs);
  unsigned StopInput(InstanceId instance);
  // Stops and returns every queued buffer with 0 bytes (MIM_LONGDATA), in
  // queue order.
  unsigned ResetInput(InstanceId instance);
  // The header must be prepared and not queued; it is queued, not done,
  // with 0 bytes recorded.
  unsigned AddBuffer(InstanceId instance, Header* header);
  // kStillPlaying while buffers are queued; queues MIM_CLOSE.
  unsigned CloseInput(InstanceId instance);

  unsigned OpenOutput(unsigned device, InstanceId* instance);  // queues MOM_OPEN
  // Records the message; allocates nothing.
  unsigned SendShort(InstanceId instance, std::uint32_t message);
  // Records bufferLength bytes (among the latest kLongRecordCount) and queues
  // the header; it is done (MOM_DONE) at once, or when the output is released
  // while it is held.
  unsigned SendLong(InstanceId instance, Header* header);
  // Completes every held header (MOM_DONE).
  unsigned ResetOutput(InstanceId instance);
  // kStillPlaying while headers are queued; queues MOM_CLOSE.
  unsigned CloseOutput(InstanceId instance);

  // -- The wire side.

  // To every started instance of the input.
  void ReceiveShort(unsigned device, std::uint32_t message, std::uint32_t nowMs);
  // One system-exclusive message: into each started instance's queued
  // buffers, oldest first, each filled up to its length and returned
  // (MIM_LONGDATA); bytes that find no buffer are dropped and counted.
  void ReceiveLong(unsigned device, const std::uint8_t* bytes, std::size_t count,
                   std::uint32_t nowMs);
  // While held, long messages to the output stay queued; releasing
  // completes them.
  void HoldOutput(unsigned device, bool held);

  // -- Events, oldest first. Taking an event with a header marks the header
  // done and no longer queued, so the program sees that only once it is
  // called back.
  bool TakeEvent(Event* event);
  bool HasEvents() const { return !events_.empty(); }
  // Events queued since the devices were set: a wrapper that counts the
  // events it delivered can wait for a given one.
  std::uint64_t EventsQueued() const { return eventsQueued_; }

  // -- What happened on the devices.

  // The short messages an output received, oldest first (at most
  // kShortRecordSize), and how many in all.
  std::vector<std::uint32_t> ShortOutput(unsigned device) const;
  std::uint64_t ShortOutputTotal(unsigned device) const;
  // Likewise the long messages (within kLongRecordCount and kLongRecordBytes).
  std::vector<std::vector<std::uint8_t>> LongOutput(unsigned device) const;
  std::uint64_t LongOutputTotal(unsigned device) const;
  // System-exclusive bytes that a started instance of the input had no
  // buffer for.
  std::uint64_t DroppedInput(unsigned device) const;
  // Instances open (their close not yet called); whether one is an open
  // input (or output).
  std::size_t OpenInstances() const { return instances_.size(); }
  bool IsOpen(InstanceId instance, bool input) const;

 private:
  struct Input {
    DeviceEntry info;
    unsigned openCount = 0;
    std::uint64_t dropped = 0;
  };
  struct Output {
    DeviceEntry info;
    unsigned openCount = 0;
    bool held = false;
    std::vector<std::uint32_t> shorts;
    std::uint64_t shortTotal = 0;
    std::deque<std::vector<std::uint8_t>> longs;
    std::size_t longBytes = 0;  // in `longs`
    std::uint64_t longTotal = 0;
  };
  struct Instance {
    bool input = false;
    unsigned device = 0;
    bool started = false;
    std::uint32_t startMs = 0;
    // Queued headers: an input's empty buffers, an output's long messages.
    std::deque<Header*> queue;
    // Output: how many headers at the front of the queue have their
    // MOM_DONE queued.
    std::size_t completing = 0;
  };

  Instance* Find(InstanceId id, bool input);
  const Instance* Find(InstanceId id, bool input) const;
  unsigned Open(bool input, unsigned device, InstanceId* id);
  unsigned Close(bool input, InstanceId id);
  static void RecordLong(Output& output, const std::uint8_t* bytes, std::size_t count);
  void CompleteQueued(InstanceId id, Instance& instance);
  void FillBuffers(InstanceId id, Instance& instance, const std::uint8_t* bytes,
                   std::size_t count, std::uint32_t nowMs);
  void FinishHeader(const Event& event);
  void Queue(InstanceId id, std::uint32_t message, std::uintptr_t param1 = 0,
             std::uintptr_t param2 = 0);

  std::vector<Input> inputs_;
  std::vector<Output> outputs_;
  std::map<InstanceId, Instance> instances_;
  InstanceId nextId_ = 1;
  std::deque<Event> events_;
  std::uint64_t eventsQueued_ = 0;
};

}  // namespace korvel::emu::vmidi
