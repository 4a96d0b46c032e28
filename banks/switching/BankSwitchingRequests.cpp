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

void BankSwitchingRequests::TakeQueued() {
  BankSwitchingRequest request;
  while (queue_.Pop(request)) merged_ += waiting_.Add(request, switching_.SelectedDevice());
}

// The flag goes down only once nothing waits. A request queued after that
// asks for a turn of its own, which finds nothing if this run took it; one
// queued just before is taken here still.
bool BankSwitchingRequests::NextRequest(BankSwitchingRequest& request) {
  TakeQueued();
  if (waiting_.Take(request)) return true;
  turnAsked_.store(false);
  TakeQueued();
  if (!waiting_.Take(request)) return false;
  turnAsked_.store(true);
  return true;
}

// A run that stops for the user's input leaves the flag set: its turn after
// the input is the one coming. Requests that arrived during a run are
// merged with those waiting before the user is given the thread, so that a
// burst ends in one preset switch, not one per turn.
void BankSwitchingRequests::RunPendingRequests() {
  if (modality_.InOperation()) {
    modality_.TurnAfterOperations();
    return;
  }
  ModalService::Operation running(modality_);
  try {
    BankSwitchingRequest request;
    while (NextRequest(request)) {
      Run(request);
      TakeQueued();
      if (!waiting_.Empty() && platform::UserInputWaiting()) {
        platform::PostUserInterfaceWorkAfterInput();
        return;
      }
    }
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
    case BankSwitchingAction::LoadOnSelectedDevice:
      switching_.LoadVirtualBank(request.first, request.second);
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
