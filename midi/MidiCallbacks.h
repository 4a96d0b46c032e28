// The two functions the MIDI layer calls on its own thread: the routing
// callback of every connection and the callback of the bank-switching input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

namespace korvel {

// Where MIDI input meets the automated bank switching. Called on the MIDI
// thread: an implementation must not block, and must hand work on device
// tables, presets and windows to the user-interface thread.
class BankSwitchingHook {
 public:
  // A short message of the bank-switching input, unchanged.
  virtual void DispatchShortMessage(std::uint32_t message) = 0;
  // The recorded bytes of one system-exclusive buffer of that input.
  virtual void DispatchSystemExclusive(const std::uint8_t* bytes, std::size_t count) = 0;
  // A Bank Select on a linked connection: load `slot` on device `device`.
  virtual void LoadVirtualBank(int device, int slot) = 0;

 protected:
  ~BankSwitchingHook() = default;
};

// The hook the callbacks use; nullptr (the start) drops what they would hand on.
void SetBankSwitchingHook(BankSwitchingHook* hook);

class MidiPortTable;

// While on, every connection passes short messages on without applying its
// modifications (the Connection Details dialog edits them meanwhile).
// Switching either way returns once no callback of the table's connections
// that chose the stage before is still running: its message has been
// modified (or not), sent and recorded.
void SetModificationBypass(MidiPortTable& ports, bool on);
bool ModificationBypass();

// Instance value: the connection. Serves its input and its output handle.
void KORVEL_MIDI_CALLBACK RoutingCallback(std::uintptr_t handle, unsigned message,
                                          std::uintptr_t instance, std::uintptr_t param1,
                                          std::uintptr_t param2);
// Instance value: the bank-switching input port.
void KORVEL_MIDI_CALLBACK BankSwitchingCallback(std::uintptr_t handle, unsigned message,
                                                std::uintptr_t instance, std::uintptr_t param1,
                                                std::uintptr_t param2);

}  // namespace korvel
