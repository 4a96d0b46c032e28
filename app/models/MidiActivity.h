// Which tiles show that their port's input received or its output sent a
// message lately. The MIDI callbacks only add to counters of each handle;
// a timer of the user-interface thread sums them per port and compares, so
// nothing on the MIDI path waits for the window.
#pragma once

#include <array>
#include <cstdint>

#include "midi/MidiPortTable.h"

namespace korvel {

class MidiActivity {
 public:
  // A mark stays this many ticks after the last message (the page ticks
  // every 100 ms).
  static constexpr int kTicksLit = 3;

  // Reads the counters; `changed[port]` is set for each port whose marks
  // came on or went off. False when none did.
  bool Tick(const MidiPortTable& table, std::array<bool, kMaxPorts>& changed);
  bool InputLit(int port) const { return Valid(port) && input_[port].ticksLeft > 0; }
  bool OutputLit(int port) const { return Valid(port) && output_[port].ticksLeft > 0; }

 private:
  struct Mark {
    std::uint32_t lastCount = 0;
    int ticksLeft = 0;
    // Lit again when the count grew; a count that fell (a connection went)
    // is only taken in.
    bool Update(std::uint32_t count);
  };
  static bool Valid(int port) { return port >= 0 && port < kMaxPorts; }

  std::array<Mark, kMaxPorts> input_{};
  std::array<Mark, kMaxPorts> output_{};
};

}  // namespace korvel
