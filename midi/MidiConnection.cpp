#include "midi/MidiConnection.h"

#include <thread>

#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"

namespace korvel {

unsigned OpenConnection(MidiPortTable& table, MidiConnection& connection, int source,
                        int destination) {
  if (source == destination) return platform::kMmBadDeviceId;
  connection.inputDeviceId = table.ports[source]->inputDeviceId;
  connection.outputDeviceId = table.ports[destination]->outputDeviceId;
  const auto instance = reinterpret_cast<std::uintptr_t>(&connection);
  // A connection object may be reused: its activity counts start again, and
  // nothing it sent before sounds on through the new handles.
  connection.received.store(0, std::memory_order_relaxed);
  connection.sent.store(0, std::memory_order_relaxed);
  connection.sounding.Clear();

  table.currentPort = destination;
  const unsigned output = connection.OpenOutputDevice(RoutingCallback, instance);
  if (output != platform::kMmNoError) return output;

  // Before the input starts, so that its first message is routed.
  connection.routing.store(true);
  table.currentPort = source;
  const unsigned input = connection.OpenInputWithBuffers(
      table, RoutingCallback, instance, kConnectionBufferCount, kConnectionBufferSize);
  if (input != platform::kMmNoError) {
    connection.routing.store(false);
    connection.CloseOutputDevice();
    return input;
  }
  connection.secondIndex = static_cast<std::uint8_t>(destination);
  connection.firstIndex = static_cast<std::uint8_t>(source);
  return platform::kMmNoError;
}

unsigned CloseConnection(MidiPortTable& table, MidiConnection& connection) {
  // midiInStop does not wait for a callback already running, which may be
  // between sending a note and recording it: no note may start, or end a
  // second time, after the release below.
  connection.routing.store(false);
  if (const platform::MidiIn input = connection.inputHandle.load()) platform::midiInStop(input);
  WaitForCallbacksInFlight(connection);
  ReleaseSoundingNotes(connection);
  const unsigned output = connection.CloseOutputDevice();
  const unsigned input = connection.CloseInputDevice(table);
  connection.modifications.count.store(0, std::memory_order_release);
  connection.firstIndex = kNoPortIndex;
  connection.secondIndex = kNoPortIndex;
  return output != platform::kMmNoError ? output : input;
}

void WaitForCallbacksInFlight(const MidiConnection& connection) {
  while (connection.callbacksInFlight.load() != 0) std::this_thread::yield();
}

void ReleaseSoundingNotes(MidiConnection& connection) {
  const platform::MidiOut output = connection.outputHandle.load();
  if (output == 0) return;
  connection.sounding.Release([output](std::uint32_t message) { platform::midiOutShortMsg(output, message); });
}

void ReleaseNotesMovedByModifications(MidiPortTable& table) {
  for (int i = 0; i < table.connectionCount; ++i) {
    MidiConnection& connection = *table.connections[i];
    if (CanMoveNoteOffs(connection.modifications)) ReleaseSoundingNotes(connection);
  }
}

}  // namespace korvel
