// Choosing the MIDI input port that bank switching listens to. Its name is
// kept in the configuration, so that start-up opens it again.
#include "banks/switching/BankSwitching.h"

#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "midi/MidiError.h"
#include "midi/MidiPortTable.h"

namespace korvel {

namespace {

// A port whose input feeds a connection linked to a device would switch
// banks twice for one Bank Select.
bool FeedsLinkedConnection(const MidiPortTable& ports, int port) {
  for (int i = 0; i < ports.connectionCount; ++i) {
    const MidiConnection& connection = *ports.connections[i];
    if (connection.Source() == port && connection.link.load() != 0) return true;
  }
  return false;
}

}  // namespace

void BankSwitching::SetBankSwitchingInput(MidiPortTable& ports, int port, bool updatingControls) {
  Configuration& config = devices_.Config();
  char* name = config.lastmididev;
  if (!updatingControls && name[0] != '\0') CloseBankSwitchInputByName(ports, name);
  if (!config.Has(BankSwitchInput)) {
    name[0] = '\0';
    return;
  }
  if (port != -1) BoundedCopy(name, ports.IsPort(port) ? ports.ports[port]->name : "", sizeof config.lastmididev);
  if (name[0] == '\0') {
    config.Set(BankSwitchInput, false);
    return;
  }
  if (FeedsLinkedConnection(ports, FindPortByName(ports, name))) {
    ErrorBox("Device was already linked with Automated Bank Switching.");
    name[0] = '\0';
    return;
  }
  const unsigned result = OpenBankSwitchInput(ports, name, kBankSwitchBufferCount,
                                              kBankSwitchBufferSize);
  if (result == 0) return;
  ReportMidiError(ports, -1, result);
  name[0] = '\0';
}

}  // namespace korvel
