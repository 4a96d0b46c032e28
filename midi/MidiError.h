// The "MIDI Interface Error" message box of every MIDI operation.
#pragma once

#include <cstddef>

namespace korvel {

class MidiPortTable;

constexpr std::size_t kMidiErrorMessageSize = 320;

// The message for a multimedia result code, naming the port `portIndex`,
// or the table's current port when it is -1.
void ComposeMidiErrorMessage(const MidiPortTable& table, int portIndex, unsigned code,
                             char* out, std::size_t size);
// Shows the message without owner window and returns when it is closed.
void ReportMidiError(const MidiPortTable& table, int portIndex, unsigned code);

}  // namespace korvel
