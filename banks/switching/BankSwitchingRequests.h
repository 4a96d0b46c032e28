// The bridge from the MIDI callbacks to the automated bank switching. On the
// MIDI thread it only decodes messages into requests, queues them and asks
// the user-interface thread for a turn; that thread then runs them in order
// with RunPendingRequests, from its top-level message loop only, merging
// those that wait (WaitingRequests). Nothing on the MIDI side allocates,
// blocks or touches a device table.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "banks/switching/BankSwitching.h"
#include "banks/switching/BankSwitchingRequest.h"
#include "banks/switching/RequestRing.h"
#include "banks/switching/WaitingRequests.h"
#include "config/ModalService.h"
#include "midi/MidiCallbacks.h"

namespace korvel {

// Room for the slots of several full system-exclusive buffers.
constexpr std::size_t kBankSwitchingQueueSize = 1024;

class BankSwitchingRequests final : public BankSwitchingHook {
 public:
  BankSwitchingRequests(BankSwitching& switching, ModalService& modality)
      : switching_(switching), modality_(modality) {}
  BankSwitchingRequests(const BankSwitchingRequests&) = delete;
  BankSwitchingRequests& operator=(const BankSwitchingRequests&) = delete;

  // MIDI thread (any thread).
  void DispatchShortMessage(std::uint32_t message) override;
  void DispatchSystemExclusive(const std::uint8_t* bytes, std::size_t count) override;
  void LoadVirtualBank(int device, int slot) override;

  // User-interface thread, on its turn: runs the queued requests, oldest
  // first, taking in those that arrive meanwhile. Once a click or a key
  // waits, it leaves the rest for a turn after them, so that the window
  // answers during a burst. Inside an operation of that thread (a request's
  // own message box included) it runs nothing and asks for a turn after the
  // operation. A request that throws leaves the rest queued, with a turn
  // asked for them.
  void RunPendingRequests();
  // Requests lost because the queue was full.
  std::uint64_t DroppedRequests() const { return dropped_.load(); }
  // Requests that a later one of their kind replaced while they waited.
  std::uint64_t MergedRequests() const { return merged_; }

 private:
  void Queue(const BankSwitchingRequest& request);
  // User-interface thread: moves what the MIDI side queued into waiting_.
  void TakeQueued();
  bool NextRequest(BankSwitchingRequest& request);
  void Run(const BankSwitchingRequest& request);

  BankSwitching& switching_;
  ModalService& modality_;
  RequestRing<BankSwitchingRequest, kBankSwitchingQueueSize> queue_;
  WaitingRequests waiting_;
  std::uint64_t merged_ = 0;
  std::atomic<std::uint64_t> dropped_{0};
  // Set by the request that finds it clear, which then posts the one
  // message that will run it and any that follow. It stays set while the
  // user-interface thread runs requests or has a turn coming, so the MIDI
  // side posts nothing meanwhile.
  std::atomic<bool> turnAsked_{false};
};

}  // namespace korvel
