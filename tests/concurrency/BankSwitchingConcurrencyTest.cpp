// The whole bank-switching path under load: a feeder plays program changes,
// controllers and system-exclusive messages into the bank-switching input
// without pause while this thread, as the user-interface thread, waits for
// each posted turn and runs the queued requests, loading banks into emulated
// cards and SoundFont devices in virtual bank mode. Run under
// ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "tests/concurrency/SpinUntil.h"
#include "tests/unit/BankSwitchingTestSupport.h"

namespace korvel {
namespace {

// Devices 0 and 1 are EWS64 cards, 2 and 3 SoundFont devices. Slot 0 of a
// SoundFont device is the device's own, so the slots used start at 1.
constexpr int kDevices = 4;
constexpr std::uint32_t kFirstSlot = 1, kLastSlot = 16;
constexpr unsigned kKeyboardIn = 0;
// System-exclusive selectors: the kind in the low four bits, the number
// within its backend in the high four.
constexpr std::uint8_t kSecondCard = 0x10, kSecondSoundFont = 0x11;

class BankSwitchingConcurrencyTest : public testsupport::BankSwitchingTest {
 protected:
  void SetUp() override {
    BankSwitchingTest::SetUp();
    StartDevices(2, 2);
    ASSERT_EQ(layer.Count(), kDevices);
    // Every slot gets a bank of its own name, so that no load finds its
    // bank in the device already.
    for (int dev = 0; dev < kDevices; ++dev) {
      for (std::uint32_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::string name = "D" + std::to_string(dev) + "S" + std::to_string(slot);
        const std::string path = dev < 2 ? SoundSet("C:\\Banks\\" + name + ".tts", name)
                                         : SoundFont("C:\\Banks\\" + name + ".sf2", name);
        std::strcpy(layer.Device(dev).paths[slot], path.c_str());
      }
    }
    platform::sim::SetMidiDevices({platform::sim::MidiDevice{"Keyboard"}}, {});
    ports = BuildPortTable();
    SetBankSwitchingHook(&requests);
    config.Set(BankSwitchInput, true);
    switching.SetBankSwitchingInput(*ports, 0, false);
    ASSERT_EQ(ports->bankSwitchInput, 0);
    const std::thread::id uiThread = std::this_thread::get_id();
    platform::sim::SetDriverHook([this, uiThread](std::uint32_t message, std::intptr_t,
                                                  std::intptr_t) -> std::optional<std::intptr_t> {
      if (message == ews64::kMsgLoadBank && std::this_thread::get_id() != uiThread) ++foreignLoads;
      return std::nullopt;
    });
  }
  void TearDown() override {
    SetBankSwitchingHook(nullptr);
    DestroyPortTable(ports);
    BankSwitchingTest::TearDown();
  }

  // Every request that ran left a trace: a preset number, or a tray menu
  // built by each load and each clear.
  std::size_t Handled() const { return presetsLoaded.size() + static_cast<std::size_t>(shell.trayMenus); }

  std::unique_ptr<MidiPortTable> ports;
  std::atomic<int> foreignLoads{0};
};

TEST_F(BankSwitchingConcurrencyTest, EveryRequestIsHandledMergedOrCountedAsDropped) {
  // Each slot is asked for once, so every load that runs has a bank to
  // load; clears and preset numbers may repeat. Every few slots a flood of
  // preset numbers arrives while the banks load, which may overrun the
  // queue, and then the feeder waits until every turn it asked for has
  // run, so that the next request must ask for a new one. A request
  // that a later one of its kind replaced while it waited counts as merged.
  constexpr std::uint32_t kSegments = 4, kSlotsPerSegment = 4;
  constexpr std::size_t kRequestsPerSlot = 6, kFlood = 1200;
  std::atomic<std::size_t> answered{0};  // posts whose run has ended
  std::atomic<bool> fed{false};
  std::thread feeder([&] {
    std::uint32_t slot = kFirstSlot;
    for (std::uint32_t segment = 0; segment < kSegments; ++segment) {
      for (std::uint32_t i = 0; i < kSlotsPerSegment; ++i, ++slot) {
        const std::uint32_t channel = slot % 16;
        const auto byte = static_cast<std::uint8_t>(slot);
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0xC0 | channel, slot, 0));      // device 0
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0x90 | channel, 60, 100));      // no request
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0 | channel, 16 + 2, slot));  // device 2
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0 | channel, 7, 90));        // no request
        platform::sim::SendMidiLong(kKeyboardIn, {0xF0, kSecondCard, byte, 0xF7,
                                                  0xF0, kSecondSoundFont, byte, 0xF7});
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0 | channel, 26 + slot % kDevices, slot / 2));
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0 | channel, 15, slot));
      }
      for (std::size_t i = 0; i < kFlood; ++i) {
        platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0, 15, static_cast<std::uint32_t>(i % 128)));
      }
      EXPECT_TRUE(platform::sim::WaitForMidiIdle(60000));
      const std::size_t posted = platform::sim::PostedUserInterfaceWork();
      EXPECT_TRUE(SpinUntil([&] { return answered.load() >= posted; }, std::chrono::seconds(20)))
          << "queued requests were never given a turn";
    }
    fed = true;
  });

  std::size_t turns = 0;
  std::uint32_t runs = 0;
  while (!fed.load()) {
    if (!platform::sim::WaitForUserInterfaceWork(turns + 1, 20)) continue;
    turns = platform::sim::PostedUserInterfaceWork();
    requests.RunPendingRequests();
    answered = turns;
    ++runs;
  }
  feeder.join();

  const std::size_t sent = kSegments * (kSlotsPerSegment * kRequestsPerSlot + kFlood);
  EXPECT_EQ(Handled() + requests.MergedRequests() + requests.DroppedRequests(), sent);
  EXPECT_GT(requests.MergedRequests(), 0u) << "the floods of preset numbers wait and merge";
  EXPECT_EQ(platform::sim::DroppedMidiInput(kKeyboardIn), 0u);
  EXPECT_GE(runs, kSegments);
  EXPECT_GT(LoadsSent(), 0);
  EXPECT_EQ(foreignLoads.load(), 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{});
}

}  // namespace
}  // namespace korvel
