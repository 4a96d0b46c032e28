// What one MIDI message on the bank-switching input asks for, decoded on the
// MIDI thread and carried out later on the user-interface thread.
#pragma once

#include <cstdint>

namespace korvel {

enum class BankSwitchingAction : std::uint8_t {
  SelectDevice,               // first: the device for Program Changes
  LoadPresetByNumber,         // first: preset number
  LoadVirtualBank,            // first: device, second: slot
  LoadOnSelectedDevice,       // second: slot (a Program Change); first: the
                              // device selected before it, once it waits
  ClearBankByMidi,            // first: device, second: slot
  LoadVirtualBankBySelector,  // first: selector byte, second: slot
};

struct BankSwitchingRequest {
  BankSwitchingAction action = BankSwitchingAction::SelectDevice;
  std::uint8_t first = 0;
  std::uint8_t second = 0;
};

// Decodes a packed short message (status, first and second data byte from
// the lowest byte up), any channel. False for messages that ask for nothing.
bool DispatchBankSwitchingMessage(std::uint32_t message, BankSwitchingRequest& request);

}  // namespace korvel
