#include "midi/ConnectionList.h"

#include <new>

#include "config/Configuration.h"
#include "midi/MidiError.h"
#include "midi/MidiPortTable.h"

namespace korvel {

namespace {

bool Matches(int wanted, int actual) { return wanted == -1 || wanted == actual; }

bool Touches(const MidiConnection& connection, int port) {
  return connection.Source() == port || connection.Destination() == port;
}

int ConnectionFrom(MidiPortTable& table, int start) {
  for (int i = start; i < table.connectionCount; ++i) {
    if (Touches(*table.connections[i], table.iterationKey)) {
      table.iterationCursor = i;
      return i;
    }
  }
  table.iterationCursor = -1;
  return -1;
}

}  // namespace

int FindConnection(const MidiPortTable& table, int source, int destination) {
  for (int i = 0; i < table.connectionCount; ++i) {
    const MidiConnection& connection = *table.connections[i];
    if (Matches(source, connection.Source()) && Matches(destination, connection.Destination())) {
      return i;
    }
  }
  return -1;
}

unsigned Connect(MidiPortTable& table, int source, int destination) {
  if (FindConnection(table, source, destination) >= 0 || source == table.bankSwitchInput ||
      !table.IsPort(source) || !table.IsPort(destination)) {
    return platform::kMmBadDeviceId;
  }
  if (table.connectionCount == kMaxConnections) {
    // Named after the port that asked for one connection too many.
    table.currentPort = source;
    return platform::kMmAllocated;
  }
  auto* connection = new (std::nothrow) MidiConnection;
  if (connection == nullptr) return platform::kMmNoMemory;
  const unsigned result = OpenConnection(table, *connection, source, destination);
  if (result != platform::kMmNoError) {
    delete connection;
    return result;
  }
  table.connections[table.connectionCount++] = connection;
  return platform::kMmNoError;
}

bool ConnectPorts(MidiPortTable& table, std::uint32_t cflags, int source, int destination) {
  if (!(cflags & UseCons)) return false;
  const unsigned result = Connect(table, source, destination);
  if (result != platform::kMmNoError) {
    ReportMidiError(table, -1, result);
    return false;
  }
  return true;
}

unsigned Disconnect(MidiPortTable& table, int index) {
  if (index < 0 || index >= table.connectionCount) return platform::kMmBadDeviceId;
  MidiConnection* connection = table.connections[index];
  CloseConnection(table, *connection);
  delete connection;
  for (int i = index; i + 1 < table.connectionCount; ++i) {
    table.connections[i] = table.connections[i + 1];
  }
  table.connections[--table.connectionCount] = nullptr;
  return platform::kMmNoError;
}

int FirstConnectionOf(MidiPortTable& table, int port) {
  table.iterationKey = port;
  return ConnectionFrom(table, 0);
}

int NextConnectionOf(MidiPortTable& table) {
  if (table.iterationCursor < 0) return -1;
  return ConnectionFrom(table, table.iterationCursor + 1);
}

int OtherEnd(const MidiPortTable& table, int connection, int port) {
  if (connection < 0 || connection >= table.connectionCount) return -1;
  const MidiConnection& c = *table.connections[connection];
  if (port == c.Source()) return c.Destination();
  if (port == c.Destination()) return c.Source();
  return -1;
}

}  // namespace korvel
