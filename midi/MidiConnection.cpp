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
  const unsigned output = connection.CloseOutputDevice();
  const unsigned input = connection.CloseInputDevice(table);
  connection.modifications.count.store(0, std::memory_order_release);
  connection.firstIndex = kNoPortIndex;
  connection.secondIndex = kNoPortIndex;
  return output != platform::kMmNoError ? output : input;
}

}  // namespace korvel
