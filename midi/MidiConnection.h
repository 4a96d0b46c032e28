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
  // Set while the connection passes messages on; cleared first thing when
  // it closes, so that a callback the driver has already started passes
  // nothing more to the output.
  std::atomic<bool> routing{false};
  // Routing callbacks running for this connection, counted from entry to
  // return, so over a message's whole path: modify, send, record. Whoever
  // changes what a callback reads waits for it to be zero.
  std::atomic<int> callbacksInFlight{0};

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
// Routing stops, the input stops, and once no callback is left in flight
// the notes it left sounding are let go. Then the output, so that a buffer
// still being sent comes back to the input before the input is reset and
// its buffers released. The first failure, 0 when both closed; a handle
// that did not close stays with its buffers.
unsigned CloseConnection(MidiPortTable& table, MidiConnection& connection);

// Returns once no routing callback of the connection is running (UI thread).
void WaitForCallbacksInFlight(const MidiConnection& connection);

// Sends the connection's output a Note Off for each note it left sounding
// and a release of each sustain pedal it holds down.
void ReleaseSoundingNotes(MidiConnection& connection);
// The same for every connection whose modifications can change where a
// note's Note Off goes, when they start or stop applying: a note sent
// through them would otherwise not be ended by its own Note Off. Notes of
// the other connections sound on.
void ReleaseNotesMovedByModifications(MidiPortTable& table);

}  // namespace korvel
