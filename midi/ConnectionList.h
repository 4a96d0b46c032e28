// The connections of the port table: at most one per ordered pair of ports,
// kept in creation order without gaps.
#pragma once

#include <cstdint>

namespace korvel {

class MidiPortTable;

// The first connection from `source` to `destination`; -1 in either matches
// any port. -1 when there is none.
int FindConnection(const MidiPortTable& table, int source, int destination);
// Opens a new connection behind the others: 2 for an existing pair, a port
// connected to itself, the bank-switching input as source or a port that is
// not in the table; 4 when all 32 connections are in use; otherwise the
// result of opening its devices.
unsigned Connect(MidiPortTable& table, int source, int destination);
// Connect, as the connection map asks for it: nothing while connections are
// switched off in `cflags`; a refusal is shown. True when a connection was
// made, so that the caller redraws the map.
bool ConnectPorts(MidiPortTable& table, std::uint32_t cflags, int source, int destination);
// Closes and removes a connection; the later ones move down in order.
// 2 when there is no such connection.
unsigned Disconnect(MidiPortTable& table, int index);

// The connections that start or end at `port`, in index order: the first,
// then each next one; -1 at the end.
int FirstConnectionOf(MidiPortTable& table, int port);
int NextConnectionOf(MidiPortTable& table);
// The connection's other port seen from `port`; -1 when `port` is neither end.
int OtherEnd(const MidiPortTable& table, int connection, int port);

}  // namespace korvel
