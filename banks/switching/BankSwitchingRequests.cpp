#include "banks/switching/BankSwitchingRequests.h"

#include "config/StatusLine.h"
#include "platform/Platform.h"

namespace korvel {

namespace {
constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;
}  // namespace

// One posted message per run, however many requests a buffer brings.
void BankSwitchingRequests::Queue(const BankSwitchingRequest& request) {
  if (!queue_.Push(request)) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  if (!turnAsked_.exchange(true)) platform::PostUserInterfaceWork();
}

void BankSwitchingRequests::DispatchShortMessage(std::uint32_t message) {
  BankSwitchingRequest request;
  if (DispatchBankSwitchingMessage(message, request)) Queue(request);
}

// From each F0: the selector, then one slot per byte up to the F7.
void BankSwitchingRequests::DispatchSystemExclusive(const std::uint8_t* bytes, std::size_t count) {
  std::size_t i = 0;
  while (i < count) {
    if (bytes[i++] != kSysExStart || i == count || bytes[i] == kSysExEnd) continue;
    const std::uint8_t selector = bytes[i++];
    for (; i < count && bytes[i] != kSysExEnd; ++i) {
      Queue({BankSwitchingAction::LoadVirtualBankBySelector, selector, bytes[i]});
    }
  }
}

void BankSwitchingRequests::LoadVirtualBank(int device, int slot) {
  Queue({BankSwitchingAction::LoadVirtualBank, static_cast<std::uint8_t>(device),
         static_cast<std::uint8_t>(slot)});
}

// A request queued after the flag is cleared asks for a turn of its own,
// which finds the queue empty if this run took it; a request queued while
// the flag is still set is taken by the check at the end. While requests
// wait for the top-level loop the flag stays set, so the MIDI thread posts
// nothing more meanwhile.
void BankSwitchingRequests::RunPendingRequests() {
  if (modality_.InOperation()) {
    modality_.TurnAfterOperations();
    return;
  }
  ModalService::Operation running(modality_);
  try {
    BankSwitchingRequest request;
    do {
      turnAsked_.store(false);
      while (queue_.Pop(request)) Run(request);
    } while (turnAsked_.load());
  } catch (...) {
    turnAsked_.store(true);
    modality_.TurnAfterOperations();
    throw;
  }
}

// What MIDI started reports in the status line: a box would stop the
// switch until someone pressed OK.
void BankSwitchingRequests::Run(const BankSwitchingRequest& request) {
  StatusLineReports reports;
  switch (request.action) {
    case BankSwitchingAction::SelectDevice:
      switching_.SelectDevice(request.first);
      break;
    case BankSwitchingAction::LoadPresetByNumber:
      switching_.LoadPresetByNumber(request.first);
      break;
    case BankSwitchingAction::LoadVirtualBank:
      switching_.LoadVirtualBank(request.first, request.second);
      break;
    case BankSwitchingAction::LoadOnSelectedDevice:
      switching_.LoadVirtualBank(switching_.SelectedDevice(), request.second);
      break;
    case BankSwitchingAction::ClearBankByMidi:
      switching_.ClearBankByMidi(request.first, request.second);
      break;
    case BankSwitchingAction::LoadVirtualBankBySelector:
      switching_.LoadVirtualBankBySelector(request.first, request.second);
      break;
  }
}

}  // namespace korvel
