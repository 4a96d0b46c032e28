// The one table of the system's MIDI ports and of the connections between
// them. Ports are named everywhere by their index in it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "midi/MidiConnection.h"
#include "midi/MidiPort.h"

namespace korvel {

constexpr int kMaxPorts = 16;
constexpr int kMaxConnections = 32;
// Names that agree in this many characters are the same port to a search.
constexpr int kPortNameMatch = 14;

class MidiPortTable {
 public:
  MidiPortTable() = default;
  MidiPortTable(const MidiPortTable&) = delete;
  MidiPortTable& operator=(const MidiPortTable&) = delete;
  // Destroys every connection, then every port.
  ~MidiPortTable();

  std::int32_t iterationCursor = -1;
  std::int32_t iterationKey = -1;
  std::int32_t currentPort = -1;  // the port of the last open operation
  std::int32_t bankSwitchInput = -1;
  std::int32_t portCount = 0;
  std::int32_t connectionCount = 0;
  MidiPort* ports[kMaxPorts] = {};
  MidiConnection* connections[kMaxConnections] = {};
  // Connections out of the list whose handles would not close: the driver
  // may still call back with them, so they are kept, and closed once more
  // when the table goes.
  std::vector<MidiConnection*> closing;

  bool IsPort(int index) const { return index >= 0 && index < portCount; }
};

// Lists the system's input devices, then the output devices whose name no
// input has. Devices beyond the table's 16 ports are left out.
std::unique_ptr<MidiPortTable> BuildPortTable();
// Connections first, then ports; every handle is closed.
void DestroyPortTable(std::unique_ptr<MidiPortTable>& table);

// The lowest-indexed port whose name agrees in its first 14 characters; -1.
int FindPortByName(const MidiPortTable& table, const char* name);

// Closes the present bank-switching input and opens the named port's input
// with the bank-switching callback and its own buffers.
unsigned OpenBankSwitchInput(MidiPortTable& table, const char* name, int bufferCount,
                             int bufferSize);
// Closes the bank-switching input if it is the named port.
void CloseBankSwitchInputByName(MidiPortTable& table, const char* name);

}  // namespace korvel
