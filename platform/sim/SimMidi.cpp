// winmm's MIDI calls in the simulated platform: the virtual MIDI core plays
// the driver; this file adds what winmm itself does (handles, header
// preparation, error texts) and the MIDI thread that calls the callbacks.
//
// One mutex guards everything. Callbacks run on the MIDI thread without it,
// so that they can call back into winmm; a call whose notifications must
// arrive before it returns waits for the MIDI thread to deliver them.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "emulators/midi/VirtualMidiCore.h"
#include "platform/Platform.h"
#include "platform/sim/Sim.h"
#include "platform/sim/SimInternal.h"

namespace platform {
namespace {

namespace vm = korvel::emu::vmidi;

// The core sees the program's headers as its own: the fields it uses line up.
static_assert(offsetof(MidiHeader, data) == offsetof(vm::Header, data));
static_assert(offsetof(MidiHeader, bufferLength) == offsetof(vm::Header, bufferLength));
static_assert(offsetof(MidiHeader, bytesRecorded) == offsetof(vm::Header, bytesRecorded));
static_assert(offsetof(MidiHeader, flags) == offsetof(vm::Header, flags));
static_assert(kMhdrInQueue == vm::kHeaderInQueue && kMhdrPrepared == vm::kHeaderPrepared &&
              kMhdrDone == vm::kHeaderDone);

constexpr std::uintptr_t kHandleBase = 0x3D0000;  // + the core's instance id
// The smallest header size winmm accepts: the fields up to `offset`.
constexpr unsigned kMinHeaderSize = offsetof(MidiHeader, offset);

struct Client {
  MidiCallback callback = nullptr;
  std::uintptr_t instance = 0;
};

// Input on its way to the MIDI thread.
struct Arrival {
  unsigned input = 0;
  bool isLong = false;
  std::uint32_t message = 0;
  std::vector<std::uint8_t> bytes;
};

// Read before the mutex is taken: discarding sends costs them nothing.
std::atomic<bool> shortOutputDiscarded{false};

struct MidiState {
  std::mutex mutex;
  std::condition_variable changed;
  vm::VirtualMidiCore core;
  // Kept until the close notification is delivered.
  std::map<vm::InstanceId, Client> clients;
  std::deque<Arrival> arrivals;
  std::uint64_t delivered = 0;  // events whose callback has returned
  std::uint64_t generation = 0;  // counts resets, which end every wait
  std::chrono::nanoseconds waited{0};  // in Settle, for the MIDI thread
  std::thread thread;
  std::thread::id threadId;
  bool stopping = false;
  std::map<std::string, unsigned, std::less<>> failures;
  std::vector<std::string> log;
  const std::chrono::steady_clock::time_point epoch = std::chrono::steady_clock::now();

  ~MidiState();
};

MidiState& State() {
  static MidiState state;
  return state;
}

bool OnMidiThread(const MidiState& state) {
  return std::this_thread::get_id() == state.threadId;
}

std::uint32_t NowMs(const MidiState& state) {
  const auto elapsed = std::chrono::steady_clock::now() - state.epoch;
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

vm::InstanceId InstanceOf(std::uintptr_t handle) {
  const std::uintptr_t id = handle - kHandleBase;
  return handle > kHandleBase && id <= UINT32_MAX ? static_cast<vm::InstanceId>(id) : 0;
}

vm::Header* CoreHeader(MidiHeader* header) { return reinterpret_cast<vm::Header*>(header); }

void DeliverEvent(MidiState& state, std::unique_lock<std::mutex>& lock, const vm::Event& event) {
  auto it = state.clients.find(event.instance);
  const Client client = it != state.clients.end() ? it->second : Client{};
  if (it != state.clients.end() && (event.message == kMimClose || event.message == kMomClose)) {
    state.clients.erase(it);
  }
  if (client.callback != nullptr) {
    lock.unlock();
    client.callback(kHandleBase + event.instance, event.message, client.instance, event.param1,
                    event.param2);
    lock.lock();
  }
  ++state.delivered;
  state.changed.notify_all();
}

void Receive(MidiState& state) {
  const Arrival arrival = std::move(state.arrivals.front());
  state.arrivals.pop_front();
  if (arrival.isLong) {
    state.core.ReceiveLong(arrival.input, arrival.bytes.data(), arrival.bytes.size(),
                           NowMs(state));
  } else {
    state.core.ReceiveShort(arrival.input, arrival.message, NowMs(state));
  }
}

// The MIDI thread: delivers every queued event, then takes the next
// arrival, until stopped.
void RunMidiThread(MidiState& state) {
  std::unique_lock<std::mutex> lock(state.mutex);
  while (!state.stopping) {
    vm::Event event;
    if (state.core.TakeEvent(&event)) {
      DeliverEvent(state, lock, event);
    } else if (!state.arrivals.empty()) {
      Receive(state);
      state.changed.notify_all();
    } else {
      state.changed.wait(lock);
    }
  }
}

// Starts the MIDI thread if needed and wakes it.
void Kick(MidiState& state) {
  if (!state.thread.joinable()) {
    state.thread = std::thread(RunMidiThread, std::ref(state));
    state.threadId = state.thread.get_id();
  }
  state.changed.notify_all();
}

// Waits until every event queued so far is delivered; on the MIDI thread
// they follow when the current callback returns.
void Settle(MidiState& state, std::unique_lock<std::mutex>& lock) {
  if (!state.core.HasEvents() && state.delivered >= state.core.EventsQueued()) return;
  Kick(state);
  if (OnMidiThread(state)) return;
  const std::uint64_t target = state.core.EventsQueued();
  const std::uint64_t generation = state.generation;
  const auto start = std::chrono::steady_clock::now();
  state.changed.wait(lock, [&] {
    return state.delivered >= target || state.generation != generation;
  });
  state.waited += std::chrono::steady_clock::now() - start;
}

// Stops the MIDI thread without delivering what is left. Not from a callback.
void StopThread(MidiState& state) {
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.stopping = true;
    ++state.generation;
    state.changed.notify_all();
    thread = std::move(state.thread);
  }
  if (thread.joinable()) thread.join();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.stopping = false;
  state.threadId = std::thread::id();
}

MidiState::~MidiState() { StopThread(*this); }

// Forgets devices, handles and queued input and events; the thread must be
// stopped and the lock held.
void ClearDevices(MidiState& state, const std::vector<vm::DeviceEntry>& inputs,
                  const std::vector<vm::DeviceEntry>& outputs) {
  state.core.SetDevices(inputs, outputs);
  state.clients.clear();
  state.arrivals.clear();
  state.delivered = 0;
}

// One MIDI call: holds the lock, logs the call and knows whether a failure
// is injected for it.
class Call {
 public:
  explicit Call(const char* name, bool logged = true)
      : state(State()), lock(state.mutex) {
    if (logged && !OnMidiThread(state)) state.log.emplace_back(name);
    auto failure = state.failures.find(name);
    failure_ = failure != state.failures.end() ? failure->second : kMmNoError;
  }
  unsigned Failure() const { return failure_; }

  MidiState& state;
  std::unique_lock<std::mutex> lock;

 private:
  unsigned failure_ = kMmNoError;
};

// Winmm's texts for its codes.
struct ErrorText {
  unsigned code;
  const char* text;
};
constexpr ErrorText kErrorTexts[] = {
    {0, "The specified command was carried out."},
    {1, "Undefined external error."},
    {2, "A device ID has been used that is out of range for your system."},
    {3, "The driver was not enabled."},
    {4, "The specified device is already in use. Wait until it is free, and then try again."},
    {5, "The specified device handle is invalid."},
    {6, "There is no driver installed on your system."},
    {7, "There is not enough memory available for this task. Quit one or more applications to "
        "increase available memory, and then try again."},
    {8, "This function is not supported. Use the Capabilities function to determine which "
        "functions and messages the driver supports."},
    {10, "An invalid flag was passed to a system function."},
    {11, "An invalid parameter was passed to a system function."},
    {64, "The MIDI header was not prepared. Use the Prepare function to prepare the header, and "
         "then try again."},
    {65, "Cannot perform this operation while media data is still playing. Reset the device, or "
         "wait until the data is finished playing."},
    {66, "A MIDI map was not found. There may be a problem with the driver, or the MIDIMAP.CFG "
         "file may be corrupt or missing."},
    {67, "The port is transmitting data to the device. Wait until the data has been "
         "transmitted, and then try again."},
    {68, "The current MIDI Mapper setup refers to a MIDI device that is not installed on the "
         "system. Use MIDI Mapper to edit the setup."},
};
constexpr unsigned kMmBadErrorNumber = 9;
constexpr const char* kUnknownCodeText =
    "An error number was specified that is not defined in the system.";

const char* TextOf(unsigned code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

template <typename Caps>
void CopyCaps(const Caps& full, Caps* caps, unsigned size) {
  std::memcpy(caps, &full, std::min<std::size_t>(size, sizeof full));
}

void CopyName(const std::string& name, char (&field)[32]) {
  std::memset(field, 0, sizeof field);
  name.copy(field, sizeof field - 1);
}

unsigned Open(bool input, std::uintptr_t* handle, unsigned id, MidiCallback callback,
              std::uintptr_t instance) {
  Call call(input ? "midiInOpen" : "midiOutOpen");
  if (handle != nullptr) *handle = 0;
  if (call.Failure() != kMmNoError) return call.Failure();
  if (handle == nullptr) return kMmInvalidParam;
  vm::InstanceId opened = 0;
  const unsigned result =
      input ? call.state.core.OpenInput(id, &opened) : call.state.core.OpenOutput(id, &opened);
  if (result != kMmNoError) return result;
  call.state.clients[opened] = Client{callback, instance};
  *handle = kHandleBase + opened;
  Settle(call.state, call.lock);
  return kMmNoError;
}

// Close and reset: the core's work, then its notifications are delivered.
unsigned Settled(Call& call, unsigned result) {
  Settle(call.state, call.lock);
  return result;
}

unsigned Prepare(Call& call, bool input, std::uintptr_t handle, MidiHeader* header, unsigned size,
                 unsigned (*work)(vm::Header*)) {
  if (call.Failure() != kMmNoError) return call.Failure();
  if (!call.state.core.IsOpen(InstanceOf(handle), input)) return kMmInvalidHandle;
  if (header == nullptr || size < kMinHeaderSize) return kMmInvalidParam;
  return work(CoreHeader(header));
}

}  // namespace

namespace sim {
namespace detail {

void ResetMidi() {
  MidiState& state = State();
  StopThread(state);
  std::lock_guard<std::mutex> lock(state.mutex);
  ClearDevices(state, {}, {});
  state.failures.clear();
  state.log.clear();
  shortOutputDiscarded.store(false);
}

}  // namespace detail

void SetMidiDevices(const std::vector<MidiDevice>& inputs, const std::vector<MidiDevice>& outputs) {
  auto entries = [](const std::vector<MidiDevice>& devices) {
    std::vector<vm::DeviceEntry> result;
    for (const MidiDevice& device : devices) result.push_back({device.name, device.opensOnce});
    return result;
  };
  MidiState& state = State();
  StopThread(state);
  std::lock_guard<std::mutex> lock(state.mutex);
  ClearDevices(state, entries(inputs), entries(outputs));
}

void SendMidiShort(unsigned inputId, std::uint32_t message) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.arrivals.push_back(Arrival{inputId, false, message, {}});
  Kick(state);
}

void SendMidiLong(unsigned inputId, const std::vector<std::uint8_t>& bytes) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.arrivals.push_back(Arrival{inputId, true, 0, bytes});
  Kick(state);
}

bool WaitForMidiIdle(int timeoutMs) {
  MidiState& state = State();
  std::unique_lock<std::mutex> lock(state.mutex);
  if (OnMidiThread(state)) return true;
  return state.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return state.arrivals.empty() && !state.core.HasEvents() &&
           state.delivered >= state.core.EventsQueued();
  });
}

std::uint64_t DroppedMidiInput(unsigned inputId) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.core.DroppedInput(inputId);
}

std::vector<std::uint32_t> MidiShortOutput(unsigned outputId) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.core.ShortOutput(outputId);
}

std::vector<std::vector<std::uint8_t>> MidiLongOutput(unsigned outputId) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.core.LongOutput(outputId);
}

bool WaitForMidiOutput(unsigned outputId, std::size_t count, int timeoutMs) {
  MidiState& state = State();
  std::unique_lock<std::mutex> lock(state.mutex);
  return state.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return state.core.ShortOutputTotal(outputId) + state.core.LongOutputTotal(outputId) >= count;
  });
}

void HoldMidiOutput(unsigned outputId, bool held) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.core.HoldOutput(outputId, held);
  if (state.core.HasEvents()) Kick(state);
}

void SetMidiShortOutputDiscarded(bool on) { shortOutputDiscarded.store(on); }

void SetMidiFailure(const std::string& callName, unsigned code) {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (code == kMmNoError) {
    state.failures.erase(callName);
  } else {
    state.failures[callName] = code;
  }
}

std::vector<std::string> MidiCallLog() {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.log;
}

void ClearMidiCallLog() {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.log.clear();
}

std::size_t OpenMidiHandles() {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.core.OpenInstances();
}

}  // namespace sim

unsigned midiInGetNumDevs() {
  Call call("midiInGetNumDevs");
  return call.state.core.InputCount();
}

unsigned midiOutGetNumDevs() {
  Call call("midiOutGetNumDevs");
  return call.state.core.OutputCount();
}

unsigned midiInGetDevCapsA(unsigned id, MidiInCaps* caps, unsigned size) {
  Call call("midiInGetDevCapsA");
  if (call.Failure() != kMmNoError) return call.Failure();
  if (id >= call.state.core.InputCount()) return kMmBadDeviceId;
  if (caps == nullptr) return kMmInvalidParam;
  MidiInCaps full{};
  full.manufacturer = 0xFFFF;  // MM_UNMAPPED: no registered maker
  full.product = 0xFFFF;
  full.driverVersion = 0x0100;
  CopyName(call.state.core.InputName(id), full.name);
  CopyCaps(full, caps, size);
  return kMmNoError;
}

unsigned midiOutGetDevCapsA(unsigned id, MidiOutCaps* caps, unsigned size) {
  Call call("midiOutGetDevCapsA");
  if (call.Failure() != kMmNoError) return call.Failure();
  if (id >= call.state.core.OutputCount()) return kMmBadDeviceId;
  if (caps == nullptr) return kMmInvalidParam;
  MidiOutCaps full{};
  full.manufacturer = 0xFFFF;
  full.product = 0xFFFF;
  full.driverVersion = 0x0100;
  CopyName(call.state.core.OutputName(id), full.name);
  full.technology = 1;  // MOD_MIDIPORT: a hardware port
  full.channelMask = 0xFFFF;
  CopyCaps(full, caps, size);
  return kMmNoError;
}

// An unknown code gets the text for unknown codes too, with its result 9.
unsigned midiInGetErrorTextA(unsigned code, char* text, unsigned size) {
  Call call("midiInGetErrorTextA");
  if (call.Failure() != kMmNoError) return call.Failure();
  if (text == nullptr || size == 0) return kMmInvalidParam;
  const char* known = TextOf(code);
  const std::string message = known != nullptr ? known : kUnknownCodeText;
  text[message.copy(text, size - 1)] = '\0';
  return known != nullptr ? kMmNoError : kMmBadErrorNumber;
}

namespace sim {

std::chrono::nanoseconds MidiDeliveryWaitTime() {
  MidiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.waited;
}

}  // namespace sim

unsigned midiInOpen(MidiIn* handle, unsigned id, MidiCallback callback, std::uintptr_t instance) {
  return Open(true, handle, id, callback, instance);
}

unsigned midiInStart(MidiIn handle) {
  Call call("midiInStart");
  if (call.Failure() != kMmNoError) return call.Failure();
  return call.state.core.StartInput(InstanceOf(handle), NowMs(call.state));
}

unsigned midiInStop(MidiIn handle) {
  Call call("midiInStop");
  if (call.Failure() != kMmNoError) return call.Failure();
  return call.state.core.StopInput(InstanceOf(handle));
}

unsigned midiInReset(MidiIn handle) {
  Call call("midiInReset");
  if (call.Failure() != kMmNoError) return call.Failure();
  return Settled(call, call.state.core.ResetInput(InstanceOf(handle)));
}

unsigned midiInClose(MidiIn handle) {
  Call call("midiInClose");
  if (call.Failure() != kMmNoError) return call.Failure();
  return Settled(call, call.state.core.CloseInput(InstanceOf(handle)));
}

unsigned midiInPrepareHeader(MidiIn handle, MidiHeader* header, unsigned size) {
  Call call("midiInPrepareHeader");
  return Prepare(call, true, handle, header, size, vm::PrepareHeader);
}

unsigned midiInUnprepareHeader(MidiIn handle, MidiHeader* header, unsigned size) {
  Call call("midiInUnprepareHeader");
  return Prepare(call, true, handle, header, size, vm::UnprepareHeader);
}

unsigned midiInAddBuffer(MidiIn handle, MidiHeader* header, unsigned size) {
  Call call("midiInAddBuffer");
  if (call.Failure() != kMmNoError) return call.Failure();
  if (header != nullptr && size < kMinHeaderSize) return kMmInvalidParam;
  return call.state.core.AddBuffer(InstanceOf(handle), CoreHeader(header));
}

unsigned midiOutOpen(MidiOut* handle, unsigned id, MidiCallback callback,
                     std::uintptr_t instance) {
  return Open(false, handle, id, callback, instance);
}

// Not logged, and allocates nothing: the routing callback's path.
unsigned midiOutShortMsg(MidiOut handle, std::uint32_t message) {
  if (shortOutputDiscarded.load(std::memory_order_relaxed)) return kMmNoError;
  Call call("midiOutShortMsg", false);
  if (call.Failure() != kMmNoError) return call.Failure();
  const unsigned result = call.state.core.SendShort(InstanceOf(handle), message);
  call.state.changed.notify_all();
  return result;
}

unsigned midiOutLongMsg(MidiOut handle, MidiHeader* header, unsigned size) {
  Call call("midiOutLongMsg");
  if (call.Failure() != kMmNoError) return call.Failure();
  if (header != nullptr && size < kMinHeaderSize) return kMmInvalidParam;
  const unsigned result = call.state.core.SendLong(InstanceOf(handle), CoreHeader(header));
  if (call.state.core.HasEvents()) Kick(call.state);
  return result;
}

unsigned midiOutUnprepareHeader(MidiOut handle, MidiHeader* header, unsigned size) {
  Call call("midiOutUnprepareHeader");
  return Prepare(call, false, handle, header, size, vm::UnprepareHeader);
}

// As Wine's drivers do, a reset ends every note of the device, whoever
// started it: All Sound Off and a sustain release on each channel.
unsigned midiOutReset(MidiOut handle) {
  Call call("midiOutReset");
  if (call.Failure() != kMmNoError) return call.Failure();
  for (std::uint32_t channel = 0; channel < 16; ++channel) {
    call.state.core.SendShort(InstanceOf(handle), 0x78B0 | channel);
    call.state.core.SendShort(InstanceOf(handle), 0x40B0 | channel);
  }
  call.state.changed.notify_all();
  return Settled(call, call.state.core.ResetOutput(InstanceOf(handle)));
}

unsigned midiOutClose(MidiOut handle) {
  Call call("midiOutClose");
  if (call.Failure() != kMmNoError) return call.Failure();
  return Settled(call, call.state.core.CloseOutput(InstanceOf(handle)));
}

}  // namespace platform
