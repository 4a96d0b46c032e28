// Answers the MIDI probe message on the user-interface thread, where the
// port table is changed.
#include "app/MidiProbe.h"

#include "app/KorvelMain.h"
#include "midi/ConnectionList.h"

namespace korvel {

LRESULT TForm1::AnswerMidiProbe(WPARAM request, LPARAM argument) {
  if (!state_ || !state_->ports) return -1;
  MidiPortTable& table = *state_->ports;
  const int index = static_cast<int>(argument);
  switch (request) {
    case kProbePortCount:
      return table.portCount;
    case kProbePortName:
      return table.IsPort(index) ? GlobalAddAtomA(table.ports[index]->name) : 0;
    case kProbePortFlags:
      return table.IsPort(index) ? table.ports[index]->flags : -1;
    case kProbeConnectionCount:
      return table.connectionCount;
    case kProbeConnect:
      return Connect(table, index & 0xFF, (index >> 8) & 0xFF);
    case kProbeDisconnect:
      return Disconnect(table, index);
    default:
      return -1;
  }
}

}  // namespace korvel
