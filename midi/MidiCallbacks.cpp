#include "midi/MidiCallbacks.h"

#include <atomic>

#include "midi/MidiConnection.h"
#include "midi/MidiPort.h"
#include "midi/MidiPortTable.h"

namespace korvel {

namespace {

using namespace platform;

std::atomic<BankSwitchingHook*> bankSwitchingHook{nullptr};

// The bypass is the stage a short message goes through: one indirect call
// per message, switched by the user-interface thread with one store.
using ShortMessageStage = std::uint32_t (*)(const ModificationList&, std::uint32_t);
std::uint32_t PassUnchanged(const ModificationList&, std::uint32_t message) { return message; }
// Loaded after the callback is counted in flight, so that whoever switches
// it and then waits for the count waits for every message of the old stage.
std::atomic<ShortMessageStage> modificationStage{ApplyModifications};

// Counts a routing callback from entry to return: atomics only.
class CallbackInFlight {
 public:
  explicit CallbackInFlight(MidiConnection& connection) : count_(connection.callbacksInFlight) {
    count_.fetch_add(1);
  }
  ~CallbackInFlight() { count_.fetch_sub(1); }
  CallbackInFlight(const CallbackInFlight&) = delete;
  CallbackInFlight& operator=(const CallbackInFlight&) = delete;

 private:
  std::atomic<int>& count_;
};

constexpr std::uint32_t kControllerStatus = 0xB0;

bool IsBankSelect(std::uint32_t message) {
  return (message & 0xF0) == kControllerStatus && ((message >> 8) & 0xFF) == 0;
}

void RouteShortMessage(MidiConnection& connection, std::uint32_t message) {
  const std::uint8_t link = connection.link.load(std::memory_order_relaxed);
  if (link != 0 && IsBankSelect(message)) {
    if (BankSwitchingHook* hook = bankSwitchingHook.load(std::memory_order_acquire)) {
      hook->LoadVirtualBank((link & 0x0F) - 1, static_cast<int>((message >> 16) & 0xFF));
    }
    midiOutShortMsg(connection.outputHandle.load(std::memory_order_relaxed), message);
    connection.sent.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  const ShortMessageStage stage = modificationStage.load();
  const std::uint32_t result = stage(connection.modifications, message);
  if (IsDroppedMessage(result)) return;
  midiOutShortMsg(connection.outputHandle.load(std::memory_order_relaxed), result);
  connection.sent.fetch_add(1, std::memory_order_relaxed);
  connection.sounding.Track(result);
}

// The header that received the data is itself sent on; it returns to the
// input when the output is done with it.
void RouteLongData(MidiConnection& connection, MidiHeader* header) {
  if (header->bytesRecorded == 0) {
    midiInUnprepareHeader(connection.inputHandle.load(), header, kMidiHeaderSize);
    return;
  }
  header->bufferLength = header->bytesRecorded;
  const unsigned sent = midiOutLongMsg(connection.outputHandle.load(), header, kMidiHeaderSize);
  if (sent == kMmNoError) connection.sent.fetch_add(1, std::memory_order_relaxed);
  if (sent != kMmNoError || (header->flags & kMhdrDone)) {
    header->bufferLength = static_cast<std::uint32_t>(connection.bufferSize);
    connection.RequeueBuffer(header);
  }
}

// Back to the input at full size, so the buffer is not limited to the
// length of the message it carried last.
void ReturnToInput(MidiEndpoints& endpoints, MidiHeader* header) {
  header->bufferLength = static_cast<std::uint32_t>(endpoints.bufferSize);
  endpoints.RequeueBuffer(header);
}

}  // namespace

void SetBankSwitchingHook(BankSwitchingHook* hook) {
  bankSwitchingHook.store(hook, std::memory_order_release);
}

void SetModificationBypass(MidiPortTable& ports, bool on) {
  modificationStage.store(on ? PassUnchanged : ApplyModifications);
  for (int i = 0; i < ports.connectionCount; ++i) WaitForCallbacksInFlight(*ports.connections[i]);
}

bool ModificationBypass() { return modificationStage.load() == PassUnchanged; }

void KORVEL_MIDI_CALLBACK RoutingCallback(std::uintptr_t, unsigned message,
                                          std::uintptr_t instance, std::uintptr_t param1,
                                          std::uintptr_t) {
  auto& connection = *reinterpret_cast<MidiConnection*>(instance);
  auto* header = reinterpret_cast<MidiHeader*>(param1);
  const CallbackInFlight inFlight(connection);
  // A closing connection passes nothing on: its notes are being released.
  const bool routing = connection.routing.load();
  switch (message) {
    case kMimData:
      connection.received.fetch_add(1, std::memory_order_relaxed);
      if (routing) RouteShortMessage(connection, static_cast<std::uint32_t>(param1));
      break;
    case kMimLongData:
      if (header->bytesRecorded != 0) connection.received.fetch_add(1, std::memory_order_relaxed);
      // An empty buffer (the input is being reset) still leaves circulation.
      if (routing || header->bytesRecorded == 0) {
        RouteLongData(connection, header);
      } else {
        ReturnToInput(connection, header);
      }
      break;
    case kMimLongError:
      connection.RequeueBuffer(header);
      break;
    case kMomDone:
      if (connection.outputHandle.load() != 0) ReturnToInput(connection, header);
      break;
    default:
      break;
  }
}

void KORVEL_MIDI_CALLBACK BankSwitchingCallback(std::uintptr_t, unsigned message,
                                                std::uintptr_t instance, std::uintptr_t param1,
                                                std::uintptr_t) {
  auto& port = *reinterpret_cast<MidiPort*>(instance);
  auto* header = reinterpret_cast<MidiHeader*>(param1);
  BankSwitchingHook* hook = bankSwitchingHook.load(std::memory_order_acquire);
  switch (message) {
    case kMimData:
      port.received.fetch_add(1, std::memory_order_relaxed);
      if (hook) hook->DispatchShortMessage(static_cast<std::uint32_t>(param1));
      break;
    case kMimLongData:
      if (header->bytesRecorded == 0) {
        midiInUnprepareHeader(port.inputHandle.load(), header, kMidiHeaderSize);
        break;
      }
      port.received.fetch_add(1, std::memory_order_relaxed);
      if (hook) {
        hook->DispatchSystemExclusive(reinterpret_cast<const std::uint8_t*>(header->data),
                                      header->bytesRecorded);
      }
      ReturnToInput(port, header);
      break;
    case kMimLongError:
      port.RequeueBuffer(header);
      break;
    default:
      break;
  }
}

}  // namespace korvel
