// A MIDI port: the input and the output device of one name, shown once.
#pragma once

#include <cstdint>

#include "midi/MidiEndpoints.h"

namespace korvel {

constexpr std::int32_t kPortHasOutput = 0x1;
constexpr std::int32_t kPortHasInput = 0x2;
constexpr std::int32_t kPortOpen = 0x8;
constexpr int kPortNameSize = 32;

struct MidiPort : MidiEndpoints {
  char name[kPortNameSize] = {};
  std::int32_t flags = 0;

  MidiPort() {
    firstIndex = kNoPortIndex;
    secondIndex = kNoPortIndex;
  }
  bool HasInput() const { return (flags & kPortHasInput) != 0; }
  bool HasOutput() const { return (flags & kPortHasOutput) != 0; }
};

// Opens the port's own input with buffers; 2 when it has no input side.
unsigned OpenPortInputWithBuffers(MidiPortTable& table, MidiPort& port,
                                  platform::MidiCallback callback, std::uintptr_t instance,
                                  int count, int size);
void ClosePortInput(MidiPortTable& table, MidiPort& port);
void ClosePortOutput(MidiPort& port);
// Closes both sides and frees the port.
void DestroyPort(MidiPortTable& table, MidiPort* port);

}  // namespace korvel
