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

namespace {

// 0 when a connection from `source` to `destination` may be added now.
unsigned RoomFor(MidiPortTable& table, int source, int destination) {
  if (FindConnection(table, source, destination) >= 0 || source == table.bankSwitchInput ||
      !table.IsPort(source) || !table.IsPort(destination)) {
    return platform::kMmBadDeviceId;
  }
  if (table.connectionCount == kMaxConnections) {
    // Named after the port that asked for one connection too many.
    table.currentPort = source;
    return platform::kMmAllocated;
  }
  return platform::kMmNoError;
}

// Frees a connection that is out of the list, unless one of its handles
// would not close: then the driver may still call back with it, and it is
// kept until the table goes.
void Retire(MidiPortTable& table, MidiConnection* connection) {
  if (connection->IsClosed()) {
    delete connection;
  } else {
    table.closing.push_back(connection);
  }
}

}  // namespace

unsigned Connect(MidiPortTable& table, int source, int destination) {
  const unsigned room = RoomFor(table, source, destination);
  if (room != platform::kMmNoError) return room;
  auto* connection = new (std::nothrow) MidiConnection;
  if (connection == nullptr) return platform::kMmNoMemory;
  unsigned result = OpenConnection(table, *connection, source, destination);
  // Opening may have shown a message box, and the user may have changed the
  // connections meanwhile: the table is asked again.
  if (result == platform::kMmNoError) {
    result = RoomFor(table, source, destination);
    if (result != platform::kMmNoError) CloseConnection(table, *connection);
  }
  if (result != platform::kMmNoError) {
    Retire(table, connection);
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

// The connection leaves the list before it is closed: a message box that
// closing shows lets the user (or a preset) change the list meanwhile, and
// must not find the connection there half-closed.
unsigned Disconnect(MidiPortTable& table, int index) {
  if (index < 0 || index >= table.connectionCount) return platform::kMmBadDeviceId;
  MidiConnection* connection = table.connections[index];
  for (int i = index; i + 1 < table.connectionCount; ++i) {
    table.connections[i] = table.connections[i + 1];
  }
  table.connections[--table.connectionCount] = nullptr;
  CloseConnection(table, *connection);
  Retire(table, connection);
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
