// The queue that carries bank-switching requests from the MIDI callbacks to
// the user-interface thread, flooded from the MIDI thread and from a second
// producer (winmm may call back on more than one thread) while this thread
// empties it. Run under ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "banks/switching/RequestRing.h"
#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"
#include "tests/concurrency/SpinUntil.h"

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
  constexpr std::uint32_t kBurst = 16;
  std::atomic<std::uint32_t> popped{0};
  // After each burst a producer waits until everything offered so far is
  // taken or dropped: on a loaded machine one producer could otherwise keep
  // the ring full for the whole run and the other get nothing through.
  // False when the consumer stopped taking: the producer then gives up.
  auto waitForTheConsumer = [&] {
    auto offered = [] { return QueueingHook::sent[0].load() + QueueingHook::sent[1].load(); };
    auto done = [&] { return popped.load() + QueueingHook::dropped[0].load() + QueueingHook::dropped[1].load(); };
    const bool taken = SpinUntil([&] { return done() >= offered(); }, std::chrono::seconds(30));
    EXPECT_TRUE(taken) << done() << " of " << offered() << " requests taken or dropped";
    return taken;
  };
  std::atomic<int> producing{2};
  std::thread midi([&] {
    for (std::uint32_t i = 1; i <= kMessages; ++i) {
      platform::sim::SendMidiShort(0, 0xB0 | ((i & 0xFFFF) << 8));
      if (i % kBurst != 0) continue;
      EXPECT_TRUE(platform::sim::WaitForMidiIdle(30000));
      if (!waitForTheConsumer()) break;
    }
    EXPECT_TRUE(platform::sim::WaitForMidiIdle(30000));
    --producing;
  });
  std::thread other([&] {
    for (std::uint32_t i = 1; i <= kMessages; ++i) {
      QueueingHook::Offer(ring, kFromOther, i & 0xFFFF);
      if (i % kBurst == 0 && !waitForTheConsumer()) break;
    }
    --producing;
  });

  std::uint32_t received[2] = {0, 0};
  std::uint32_t last[2] = {0, 0};
  auto drain = [&] {
    Tagged request;
    while (ring.Pop(request)) {
      ++received[request.producer];
      popped.fetch_add(1);
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
