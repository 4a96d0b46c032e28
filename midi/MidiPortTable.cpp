#include "midi/MidiPortTable.h"

#include <cstring>

#include "config/TextHelpers.h"
#include "midi/ConnectionList.h"
#include "midi/MidiCallbacks.h"

namespace korvel {

namespace {

MidiPort* NewPort(const char* name, std::int32_t side) {
  auto* port = new MidiPort;
  BoundedCopy(port->name, name, kPortNameSize);
  port->flags = side;
  return port;
}

void AddInputs(MidiPortTable& table, int inputs) {
  for (int i = 0; i < inputs && table.portCount < kMaxPorts; ++i) {
    platform::MidiInCaps caps{};
    platform::midiInGetDevCapsA(static_cast<unsigned>(i), &caps, sizeof caps);
    caps.name[sizeof caps.name - 1] = '\0';
    MidiPort* port = NewPort(caps.name, kPortHasInput);
    port->inputDeviceId = static_cast<std::uint8_t>(i);
    table.ports[table.portCount++] = port;
  }
}

// Only the ports made from input devices are candidates for pairing.
void AddOutputs(MidiPortTable& table, int outputs) {
  const int inputPorts = table.portCount;
  for (int j = 0; j < outputs; ++j) {
    platform::MidiOutCaps caps{};
    platform::midiOutGetDevCapsA(static_cast<unsigned>(j), &caps, sizeof caps);
    caps.name[sizeof caps.name - 1] = '\0';
    MidiPort* pair = nullptr;
    for (int i = 0; i < inputPorts && pair == nullptr; ++i) {
      if (std::strcmp(table.ports[i]->name, caps.name) == 0) pair = table.ports[i];
    }
    if (pair == nullptr) {
      if (table.portCount == kMaxPorts) continue;
      pair = NewPort(caps.name, 0);
      table.ports[table.portCount++] = pair;
    }
    pair->flags |= kPortHasOutput;
    pair->outputDeviceId = static_cast<std::uint8_t>(j);
  }
}

}  // namespace

// What still does not close is left to the driver rather than freed under it.
MidiPortTable::~MidiPortTable() {
  while (connectionCount > 0) Disconnect(*this, connectionCount - 1);
  for (MidiConnection* connection : closing) {
    if (CloseConnection(*this, *connection) == platform::kMmNoError) delete connection;
  }
  closing.clear();
  for (int i = 0; i < portCount; ++i) {
    DestroyPort(*this, ports[i]);
    ports[i] = nullptr;
  }
  portCount = 0;
}

std::unique_ptr<MidiPortTable> BuildPortTable() {
  auto table = std::make_unique<MidiPortTable>();
  // The system's counts are taken as signed bytes.
  AddInputs(*table, static_cast<std::int8_t>(platform::midiInGetNumDevs()));
  AddOutputs(*table, static_cast<std::int8_t>(platform::midiOutGetNumDevs()));
  return table;
}

void DestroyPortTable(std::unique_ptr<MidiPortTable>& table) { table.reset(); }

int FindPortByName(const MidiPortTable& table, const char* name) {
  for (int i = 0; i < table.portCount; ++i) {
    if (BoundedCompare(table.ports[i]->name, name, kPortNameMatch) == 0) return i;
  }
  return -1;
}

unsigned OpenBankSwitchInput(MidiPortTable& table, const char* name, int bufferCount,
                             int bufferSize) {
  // The previous input is forgotten once closed, so that a failed open
  // below never leaves a closed port recorded as the bank-switching input.
  if (table.IsPort(table.bankSwitchInput)) {
    ClosePortInput(table, *table.ports[table.bankSwitchInput]);
    table.bankSwitchInput = -1;
  }
  const int index = FindPortByName(table, name);
  table.currentPort = index;
  if (index < 0) return platform::kMmBadDeviceId;
  MidiPort& port = *table.ports[index];
  const unsigned result =
      OpenPortInputWithBuffers(table, port, BankSwitchingCallback,
                               reinterpret_cast<std::uintptr_t>(&port), bufferCount, bufferSize);
  if (result != platform::kMmNoError) return result;
  port.firstIndex = static_cast<std::uint8_t>(index);
  table.bankSwitchInput = index;
  return platform::kMmNoError;
}

void CloseBankSwitchInputByName(MidiPortTable& table, const char* name) {
  const int index = FindPortByName(table, name);
  if (index < 0 || index != table.bankSwitchInput) return;
  ClosePortInput(table, *table.ports[index]);
  table.bankSwitchInput = -1;
}

}  // namespace korvel
