// A connection routes what arrives at one port's input to another port's
// output, through its modifications, on handles of its own.
#pragma once

#include <atomic>
#include <cstdint>

#include "midi/MidiEndpoints.h"
#include "midi/Modification.h"

namespace korvel {

constexpr int kConnectionBufferCount = 3;
constexpr int kConnectionBufferSize = 1024;

struct MidiConnection : MidiEndpoints {
  // Room for all eight records inside the connection: adding one never
  // allocates and the callback never meets a freed array.
  ModificationList modifications;
  // 0: not linked; 1..15: linked to the sound device link - 1 for
  // automated bank switching. Read by the callback, set by the dialog.
  std::atomic<std::uint8_t> link{0};

  MidiConnection() {
    firstIndex = 0;
    secondIndex = 0;
  }
  int Source() const { return firstIndex; }
  int Destination() const { return secondIndex; }
};

// Opens the destination's output, then the source's input with three
// buffers of 1024 bytes, both with the routing callback. 2 for a port
// connected to itself; a failed input open closes the output again.
unsigned OpenConnection(MidiPortTable& table, MidiConnection& connection, int source,
                        int destination);
// Output first, so that a buffer still being sent comes back to the input
// before the input is reset and its buffers released. The first failure, 0
// when both closed; a handle that did not close stays with its buffers.
unsigned CloseConnection(MidiPortTable& table, MidiConnection& connection);

}  // namespace korvel
