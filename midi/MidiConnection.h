// A connection routes what arrives at one port's input to another port's
// output, through its modifications, on handles of its own.
#pragma once

#include <atomic>
#include <cstdint>

#include "midi/MidiEndpoints.h"
#include "midi/Modification.h"
#include "midi/SoundingNotes.h"

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
  // What the callback has sent on and not yet off.
  SoundingNotes sounding;

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
// The input stops and the notes it left sounding are let go first. Then the
// output, so that a buffer still being sent comes back to the input before
// the input is reset and its buffers released. The first failure, 0 when
// both closed; a handle that did not close stays with its buffers.
unsigned CloseConnection(MidiPortTable& table, MidiConnection& connection);

// Sends the connection's output a Note Off for each note it left sounding
// and a release of each sustain pedal it holds down.
void ReleaseSoundingNotes(MidiConnection& connection);
// The same for every connection with modifications, before and after they
// change: notes sent through the old ones would not be ended by the new.
void ReleaseNotesOfModifiedConnections(MidiPortTable& table);

}  // namespace korvel
