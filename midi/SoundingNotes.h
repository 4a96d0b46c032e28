// The notes a connection has sent on to its output and not yet off, and the
// channels whose sustain pedal it holds down. The routing callback records
// what it sends without allocating or locking; when the connection goes
// away or its modifications change, the user-interface thread sends a
// Note Off for each sounding note (a transposed note's Note Off would
// otherwise go to another note) and lets each held pedal go.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace korvel {

class SoundingNotes {
 public:
  static constexpr int kChannels = 16;
  static constexpr int kNotes = 128;

  // A short message as it went out (MIDI thread).
  void Track(std::uint32_t sent);
  // Calls `send` with a Note Off for every sounding note, then with a
  // sustain release for every held pedal, and forgets them.
  template <typename Send>
  void Release(Send&& send);
  // Forgets every note and pedal without sending (nothing may route meanwhile).
  void Clear();

 private:
  static constexpr int kWords = kChannels * kNotes / 32;
  std::array<std::atomic<std::uint32_t>, kWords> notes_{};
  std::atomic<std::uint32_t> pedals_{0};
};

template <typename Send>
void SoundingNotes::Release(Send&& send) {
  for (int word = 0; word < kWords; ++word) {
    std::uint32_t bits = notes_[word].exchange(0, std::memory_order_acq_rel);
    for (int bit = 0; bits != 0; ++bit, bits >>= 1) {
      if ((bits & 1u) == 0) continue;
      const std::uint32_t channel = static_cast<std::uint32_t>(word / (kNotes / 32));
      const std::uint32_t note = static_cast<std::uint32_t>((word % (kNotes / 32)) * 32 + bit);
      send(0x80u | channel | note << 8);
    }
  }
  std::uint32_t pedals = pedals_.exchange(0, std::memory_order_acq_rel);
  for (std::uint32_t channel = 0; pedals != 0; ++channel, pedals >>= 1) {
    if (pedals & 1u) send(0xB0u | channel | 64u << 8);
  }
}

}  // namespace korvel
