#include "app/models/MidiActivity.h"

#include "midi/MidiConnection.h"
#include "midi/MidiPort.h"

namespace korvel {

// True when the mark came on or went off.
bool MidiActivity::Mark::Update(std::uint32_t count) {
  const bool wasLit = ticksLeft > 0;
  const bool grew = static_cast<std::int32_t>(count - lastCount) > 0;
  lastCount = count;
  if (grew) ticksLeft = kTicksLit;
  else if (ticksLeft > 0) --ticksLeft;
  return wasLit != (ticksLeft > 0);
}

bool MidiActivity::Tick(const MidiPortTable& table, std::array<bool, kMaxPorts>& changed) {
  std::array<std::uint32_t, kMaxPorts> received{};
  std::array<std::uint32_t, kMaxPorts> sent{};
  for (int port = 0; port < table.portCount; ++port) {
    if (table.ports[port]) received[port] = table.ports[port]->received.load(std::memory_order_relaxed);
  }
  for (int i = 0; i < table.connectionCount; ++i) {
    const MidiConnection& connection = *table.connections[i];
    const int source = connection.Source(), destination = connection.Destination();
    if (Valid(source)) received[source] += connection.received.load(std::memory_order_relaxed);
    if (Valid(destination)) sent[destination] += connection.sent.load(std::memory_order_relaxed);
  }
  bool any = false;
  for (int port = 0; port < kMaxPorts; ++port) {
    const bool inputChanged = input_[port].Update(received[port]);
    const bool outputChanged = output_[port].Update(sent[port]);
    changed[port] = inputChanged || outputChanged;
    any = any || changed[port];
  }
  return any;
}

}  // namespace korvel
