// The bank-switching requests that the user-interface thread has taken from
// the MIDI side and not yet run, oldest first. A request that makes an
// earlier waiting one pointless takes its place at the end: of a burst, only
// the last preset switch, the last device selection and the last load of
// each slot run. Unloads all run, in their order among the loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "banks/switching/BankSwitchingRequest.h"

namespace korvel {

class WaitingRequests {
 public:
  // `selected` is the device selected now. A Program Change is bound here to
  // the device selected before it, so that a selection merged away still
  // counts for the Program Changes that followed it. Returns how many
  // waiting requests the new one replaced.
  std::size_t Add(BankSwitchingRequest request, std::uint8_t selected);
  // The oldest request; false when none waits.
  bool Take(BankSwitchingRequest& request);
  bool Empty() const { return requests_.empty(); }

 private:
  std::uint8_t SelectedAfterWaiting(std::uint8_t selected) const;

  std::deque<BankSwitchingRequest> requests_;
};

}  // namespace korvel
