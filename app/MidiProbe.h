// A registered window message through which a test reads Korvel's MIDI port
// table and makes connections, until the connection map shows the ports and
// draws the connections.
#pragma once

#include <windows.h>

namespace korvel {

// Requests, as the message's wParam; lParam is the argument.
enum MidiProbeRequest : WPARAM {
  kProbePortCount = 0,        // -> number of ports
  kProbePortName = 1,         // port index -> a global atom of its name (the
                              //   caller deletes it); 0 for no such port
  kProbePortFlags = 2,        // port index -> its flags; -1 for no such port
  kProbeConnectionCount = 3,  // -> number of connections
  kProbeConnect = 4,          // source | destination << 8 -> Connect's result
  kProbeDisconnect = 5,       // connection index -> Disconnect's result
};

inline UINT MidiProbeMessage() { return RegisterWindowMessageA("Korvel.MidiProbe"); }

}  // namespace korvel
