// The menu a right click on a port's tile opens, built anew each time:
// the bank-switching input choice, hiding, and (with connections in use)
// connecting to or from, or deleting the connection to or from, every other
// shown port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/MidiPortTable.h"

namespace korvel {

struct PortMenuItem {
  enum Action { kSetInput, kHide, kSeparator, kConnectTo, kConnectFrom };
  Action action = kSeparator;
  std::string caption;
  bool enabled = true;
  // The other port of kConnectTo and kConnectFrom.
  int port = -1;
};

// The items for port `port`; `tileFlags` holds each port's tile flags (bit 0:
// hidden), `cflags` the option flags ("Use Midi Connections").
std::vector<PortMenuItem> PortMenuItems(MidiPortTable& table, int port, const std::uint32_t* tileFlags,
                                        std::uint32_t cflags);

}  // namespace korvel
