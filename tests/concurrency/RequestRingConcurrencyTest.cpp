// The queue that carries bank-switching requests from the MIDI callbacks to
// the user-interface thread, flooded from the MIDI thread and from a second
// producer (winmm may call back on more than one thread) while this thread
// empties it. Run under ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "banks/switching/RequestRing.h"
#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

struct Tagged {
  std::uint32_t producer = 0;
  std::uint32_t number = 0;
};
using Ring = RequestRing<Tagged, 64>;

constexpr std::uint32_t kFromMidi = 0, kFromOther = 1;

// Queues the two data bytes of each short message as a number.
class QueueingHook : public BankSwitchingHook {
 public:
  explicit QueueingHook(Ring& ring) : ring_(ring) {}
  void DispatchShortMessage(std::uint32_t message) override { Offer(ring_, kFromMidi, message >> 8); }
  void DispatchSystemExclusive(const std::uint8_t*, std::size_t) override {}
  void LoadVirtualBank(int, int) override {}

  static void Offer(Ring& ring, std::uint32_t producer, std::uint32_t number) {
    sent[producer].fetch_add(1);
    if (!ring.Push({producer, number})) dropped[producer].fetch_add(1);
  }
  static inline std::atomic<std::uint32_t> sent[2];
  static inline std::atomic<std::uint32_t> dropped[2];

 private:
  Ring& ring_;
};

TEST(RequestRingConcurrencyTest, EveryRequestArrivesOnceInTheOrderEachProducerSentIt) {
  platform::sim::Sandbox sandbox;
  platform::sim::SetMidiDevices({platform::sim::MidiDevice{"Keyboard", false}}, {});
  auto table = BuildPortTable();
  Ring ring;
  QueueingHook hook(ring);
  SetBankSwitchingHook(&hook);
  ASSERT_EQ(OpenBankSwitchInput(*table, "Keyboard", 3, 256), 0u);

  constexpr std::uint32_t kMessages = 20000;
  std::atomic<int> producing{2};
  std::thread midi([&] {
    for (std::uint32_t i = 1; i <= kMessages; ++i) {
      platform::sim::SendMidiShort(0, 0xB0 | ((i & 0xFFFF) << 8));
    }
    EXPECT_TRUE(platform::sim::WaitForMidiIdle(30000));
    --producing;
  });
  std::thread other([&] {
    // Yielding between requests keeps this producer from holding the ring
    // full for the whole run, so both producers get requests through.
    for (std::uint32_t i = 1; i <= kMessages; ++i) {
      QueueingHook::Offer(ring, kFromOther, i & 0xFFFF);
      std::this_thread::yield();
    }
    --producing;
  });

  std::uint32_t received[2] = {0, 0};
  std::uint32_t last[2] = {0, 0};
  auto drain = [&] {
    Tagged request;
    while (ring.Pop(request)) {
      ++received[request.producer];
      // Later than the last one, allowing for drops and wrapping at 16 bits.
      const std::uint32_t step = (request.number - last[request.producer]) & 0xFFFF;
      EXPECT_TRUE(step >= 1 && step <= 0x8000) << request.producer << ": " << request.number;
      last[request.producer] = request.number;
    }
  };
  while (producing.load() != 0) drain();
  midi.join();
  other.join();
  drain();

  for (std::uint32_t producer : {kFromMidi, kFromOther}) {
    EXPECT_EQ(QueueingHook::sent[producer].load(), kMessages);
    EXPECT_EQ(received[producer] + QueueingHook::dropped[producer].load(), kMessages);
    EXPECT_GT(received[producer], 0u);
  }
  SetBankSwitchingHook(nullptr);
  DestroyPortTable(table);
}

}  // namespace
}  // namespace korvel
