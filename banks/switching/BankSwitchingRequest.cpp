#include "banks/switching/BankSwitchingRequest.h"

namespace korvel {

namespace {

constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kProgramChange = 0xC0;

// Controllers 16-25 load a slot on device (controller - 16); 26-31 and
// 33-39 unload one on device (controller - 26); 32 selects, like 0 and 2.
bool DecodeController(std::uint8_t controller, std::uint8_t value, BankSwitchingRequest& request) {
  request.second = value;
  if (controller == 0 || controller == 2 || controller == 32) {
    request.action = BankSwitchingAction::SelectDevice;
    request.first = value;
  } else if (controller == 15) {
    request.action = BankSwitchingAction::LoadPresetByNumber;
    request.first = value;
  } else if (controller >= 16 && controller <= 25) {
    request.action = BankSwitchingAction::LoadVirtualBank;
    request.first = static_cast<std::uint8_t>(controller - 16);
  } else if (controller >= 26 && controller <= 39) {
    request.action = BankSwitchingAction::ClearBankByMidi;
    request.first = static_cast<std::uint8_t>(controller - 26);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool DispatchBankSwitchingMessage(std::uint32_t message, BankSwitchingRequest& request) {
  const auto status = static_cast<std::uint8_t>(message & 0xF0);
  const auto first = static_cast<std::uint8_t>((message >> 8) & 0xFF);
  const auto second = static_cast<std::uint8_t>((message >> 16) & 0xFF);
  if (status == kControlChange) return DecodeController(first, second, request);
  if (status != kProgramChange) return false;
  request.action = BankSwitchingAction::LoadOnSelectedDevice;
  request.second = first;
  return true;
}

}  // namespace korvel
