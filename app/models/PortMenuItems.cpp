#include "app/models/PortMenuItems.h"

#include "app/models/TileLayout.h"
#include "config/Configuration.h"
#include "midi/ConnectionList.h"

namespace korvel {

namespace {

void AddConnectItems(const MidiPortTable& table, int port, const std::uint32_t* tileFlags,
                     std::vector<PortMenuItem>& items) {
  const MidiPort& self = *table.ports[port];
  for (int other = 0; other < table.portCount; ++other) {
    if (other == port || (tileFlags[other] & kTileHidden)) continue;
    const MidiPort& them = *table.ports[other];
    if (self.HasInput() && them.HasOutput()) {
      const bool connected = FindConnection(table, port, other) != -1;
      items.push_back({PortMenuItem::kConnectTo,
                       std::string(connected ? "DELETE connection to " : "Connect to ") + them.name, true, other});
    }
    if (self.HasOutput() && them.HasInput()) {
      const bool connected = FindConnection(table, other, port) != -1;
      items.push_back({PortMenuItem::kConnectFrom,
                       std::string(connected ? "DELETE connection from " : "Connect from ") + them.name, true,
                       other});
    }
  }
}

}  // namespace

std::vector<PortMenuItem> PortMenuItems(MidiPortTable& table, int port, const std::uint32_t* tileFlags,
                                        std::uint32_t cflags) {
  std::vector<PortMenuItem> items;
  if (!table.IsPort(port)) return items;
  const MidiPort& self = *table.ports[port];
  items.push_back({PortMenuItem::kSetInput,
                   port == table.bankSwitchInput ? "D&isable Input" : "&Input for Bank Managing", self.HasInput()});
  items.push_back({PortMenuItem::kHide, (tileFlags[port] & kTileHidden) ? "&Reveal" : "&Hide",
                   FirstConnectionOf(table, port) == -1});
  if (cflags & UseCons) {
    items.push_back({PortMenuItem::kSeparator, "-", true});
    AddConnectItems(table, port, tileFlags, items);
  }
  return items;
}

}  // namespace korvel
