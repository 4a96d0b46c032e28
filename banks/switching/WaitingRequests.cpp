#include "banks/switching/WaitingRequests.h"

#include <algorithm>

namespace korvel {

namespace {

bool LoadsASlot(BankSwitchingAction action) {
  return action == BankSwitchingAction::LoadVirtualBank || action == BankSwitchingAction::LoadOnSelectedDevice;
}

bool SameSlot(const BankSwitchingRequest& a, const BankSwitchingRequest& b) {
  return a.first == b.first && a.second == b.second;
}

// A later preset switch or selection undoes an earlier one; a later load of
// the same slot finds it loaded, or loads it after the unloads between them.
bool Supersedes(const BankSwitchingRequest& later, const BankSwitchingRequest& earlier) {
  if (LoadsASlot(later.action) && LoadsASlot(earlier.action)) return SameSlot(later, earlier);
  if (later.action != earlier.action) return false;
  if (later.action == BankSwitchingAction::SelectDevice || later.action == BankSwitchingAction::LoadPresetByNumber)
    return true;
  return later.action == BankSwitchingAction::LoadVirtualBankBySelector && SameSlot(later, earlier);
}

}  // namespace

std::uint8_t WaitingRequests::SelectedAfterWaiting(std::uint8_t selected) const {
  for (const BankSwitchingRequest& waiting : requests_) {
    if (waiting.action == BankSwitchingAction::SelectDevice) selected = waiting.first;
  }
  return selected;
}

std::size_t WaitingRequests::Add(BankSwitchingRequest request, std::uint8_t selected) {
  if (request.action == BankSwitchingAction::LoadOnSelectedDevice) request.first = SelectedAfterWaiting(selected);
  const auto replaced = std::remove_if(requests_.begin(), requests_.end(), [&](const BankSwitchingRequest& waiting) {
    return Supersedes(request, waiting);
  });
  const auto count = static_cast<std::size_t>(requests_.end() - replaced);
  requests_.erase(replaced, requests_.end());
  requests_.push_back(request);
  return count;
}

bool WaitingRequests::Take(BankSwitchingRequest& request) {
  if (requests_.empty()) return false;
  request = requests_.front();
  requests_.pop_front();
  return true;
}

}  // namespace korvel
