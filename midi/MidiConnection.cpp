#include "midi/MidiConnection.h"

#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"

namespace korvel {

unsigned OpenConnection(MidiPortTable& table, MidiConnection& connection, int source,
                        int destination) {
  if (source == destination) return platform::kMmBadDeviceId;
  connection.inputDeviceId = table.ports[source]->inputDeviceId;
  connection.outputDeviceId = table.ports[destination]->outputDeviceId;
  const auto instance = reinterpret_cast<std::uintptr_t>(&connection);
  // A connection object may be reused: its activity counts start again.
  connection.received.store(0, std::memory_order_relaxed);
  connection.sent.store(0, std::memory_order_relaxed);

  table.currentPort = destination;
  const unsigned output = connection.OpenOutputDevice(RoutingCallback, instance);
  if (output != platform::kMmNoError) return output;

  table.currentPort = source;
  const unsigned input = connection.OpenInputWithBuffers(
      table, RoutingCallback, instance, kConnectionBufferCount, kConnectionBufferSize);
  if (input != platform::kMmNoError) {
    connection.CloseOutputDevice();
    return input;
  }
  connection.secondIndex = static_cast<std::uint8_t>(destination);
  connection.firstIndex = static_cast<std::uint8_t>(source);
  return platform::kMmNoError;
}

unsigned CloseConnection(MidiPortTable& table, MidiConnection& connection) {
  // No note may start after its Note Off went out.
  if (const platform::MidiIn input = connection.inputHandle.load()) platform::midiInStop(input);
  ReleaseSoundingNotes(connection);
  const unsigned output = connection.CloseOutputDevice();
  const unsigned input = connection.CloseInputDevice(table);
  connection.modifications.count.store(0, std::memory_order_release);
  connection.firstIndex = kNoPortIndex;
  connection.secondIndex = kNoPortIndex;
  return output != platform::kMmNoError ? output : input;
}

void ReleaseSoundingNotes(MidiConnection& connection) {
  const platform::MidiOut output = connection.outputHandle.load();
  if (output == 0) return;
  connection.sounding.Release([output](std::uint32_t message) { platform::midiOutShortMsg(output, message); });
}

void ReleaseNotesOfModifiedConnections(MidiPortTable& table) {
  for (int i = 0; i < table.connectionCount; ++i) {
    MidiConnection& connection = *table.connections[i];
    if (connection.modifications.count.load(std::memory_order_acquire) > 0) ReleaseSoundingNotes(connection);
  }
}

}  // namespace korvel
