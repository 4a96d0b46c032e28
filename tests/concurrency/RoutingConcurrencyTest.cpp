// A steady stream of MIDI input routed on the MIDI thread while the
// user-interface side connects, disconnects, links and edits modifications
// with the bypass on, and adds them to a new connection as a preset does.
// Run under ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "midi/ConnectionList.h"
#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

using platform::sim::MidiDevice;

constexpr int kKeyboard = 0, kSynth = 1, kExpander = 2;
constexpr unsigned kKeyboardIn = 0, kSynthOut = 0, kExpanderOut = 1;

class CountingHook : public BankSwitchingHook {
 public:
  void DispatchShortMessage(std::uint32_t) override {}
  void DispatchSystemExclusive(const std::uint8_t*, std::size_t) override {}
  void LoadVirtualBank(int, int) override { banks.fetch_add(1); }
  std::atomic<int> banks{0};
};

// A transposition that the stream's notes stay inside of.
Modification Transpose(std::int8_t by) {
  Modification m;
  m.sourceHigh = 127;
  m.targetValue = by;
  return m;
}

void EditUnderBypass(MidiPortTable& table, MidiConnection& connection, int round) {
  SetModificationBypass(table, true);
  AddModificationCopy(connection.modifications, Transpose(static_cast<std::int8_t>(round % 5)));
  if (connection.modifications.count.load() > 3) DeleteModification(connection.modifications, 0);
  SetModificationBypass(table, false);
}

TEST(RoutingConcurrencyTest, RoutesAStreamWhileTheUserInterfaceChangesConnections) {
  platform::sim::Sandbox sandbox;
  platform::sim::SetMidiDevices({MidiDevice{"Keyboard", false}},
                                {MidiDevice{"Synth", false}, MidiDevice{"Expander", false}});
  auto table = BuildPortTable();
  CountingHook hook;
  SetBankSwitchingHook(&hook);
  ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  MidiConnection& steady = *table->connections[0];

  constexpr int kMessages = 20000;
  std::atomic<bool> feeding{true};
  std::thread feeder([&] {
    for (int i = 0; i < kMessages; ++i) {
      const std::uint32_t note = 0x90 | (static_cast<std::uint32_t>(40 + i % 40) << 8) | (100u << 16);
      platform::sim::SendMidiShort(kKeyboardIn, i % 50 == 0 ? 0x0500B0u : note);
      if (i % 500 == 0) platform::sim::SendMidiLong(kKeyboardIn, {0xF0, 0x7D, 0x01, 0xF7});
    }
    feeding = false;
  });

  for (int round = 0; feeding; ++round) {
    EditUnderBypass(*table, steady, round);
    steady.link = static_cast<std::uint8_t>(round % 2);
    ASSERT_EQ(Connect(*table, kKeyboard, kExpander), 0u);
    // As a preset restores a connection: records added while it routes.
    AddModificationCopy(table->connections[1]->modifications, Transpose(1));
    AddModificationCopy(table->connections[1]->modifications, Transpose(2));
    // Let it route a message through them before it goes.
    const std::size_t routed = platform::sim::MidiShortOutput(kExpanderOut).size();
    platform::sim::WaitForMidiOutput(kExpanderOut, routed + 1, 200);
    ASSERT_EQ(Disconnect(*table, 1), 0u);
  }
  feeder.join();
  ASSERT_TRUE(platform::sim::WaitForMidiIdle(30000));

  // Nothing the steady connection routed was lost or dropped.
  std::size_t shorts = platform::sim::MidiShortOutput(kSynthOut).size();
  EXPECT_EQ(shorts, static_cast<std::size_t>(kMessages));
  EXPECT_EQ(table->connectionCount, 1);
  SetBankSwitchingHook(nullptr);
  DestroyPortTable(table);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
}

}  // namespace
}  // namespace korvel
