#include "midi/MidiPort.h"

namespace korvel {

unsigned OpenPortInputWithBuffers(MidiPortTable& table, MidiPort& port,
                                  platform::MidiCallback callback, std::uintptr_t instance,
                                  int count, int size) {
  if (!port.HasInput()) return platform::kMmBadDeviceId;
  const unsigned result = port.OpenInputWithBuffers(table, callback, instance, count, size);
  if (result == platform::kMmNoError) port.flags |= kPortOpen;
  return result;
}

void ClosePortInput(MidiPortTable& table, MidiPort& port) {
  if (!port.HasInput()) return;
  port.CloseInputDevice(table);
  if (port.IsClosed()) port.flags &= ~kPortOpen;
}

void ClosePortOutput(MidiPort& port) {
  if (!port.HasOutput()) return;
  port.CloseOutputDevice();
  if (port.IsClosed()) port.flags &= ~kPortOpen;
}

void DestroyPort(MidiPortTable& table, MidiPort* port) {
  if (port == nullptr) return;
  ClosePortOutput(*port);
  ClosePortInput(table, *port);
  port->CloseOutputDevice();
  port->CloseInputDevice(table);
  // A port whose handle would not close is left to the driver, which may
  // still call back with it and its buffers.
  if (port->IsClosed()) delete port;
}

}  // namespace korvel
