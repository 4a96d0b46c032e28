// The short-message path of a connection allocates nothing: it runs in the
// MIDI callback, where the heap may not be touched.
#include <gtest/gtest.h>

#include "midi/ConnectionList.h"
#include "tests/unit/AllocationCounter.h"
#include "tests/unit/MidiTestSupport.h"

namespace korvel {
namespace {

#ifdef KORVEL_COUNTS_ALLOCATIONS
class RoutingAllocationTest : public testing::MidiRoutingTest {};

TEST_F(RoutingAllocationTest, ShortMessagesThroughEightModificationsAllocateNothing) {
  ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  MidiConnection& connection = *table->connections[0];
  for (int i = 0; i < kMaxModifications; ++i) {
    Modification m;
    m.sourceHigh = 127;
    m.targetValue = 1;
    AddModificationCopy(connection.modifications, m);
  }
  const auto instance = reinterpret_cast<std::uintptr_t>(&connection);
  const platform::MidiIn input = connection.inputHandle.load();
  RoutingCallback(input, platform::kMimData, instance, testing::Msg(0x90, 1, 1), 0);
  connection.link = 1;
  // The recording hook keeps what it gets in a vector; the path itself is measured.
  SetBankSwitchingHook(nullptr);

  testing::AllocationCounter counter;
  ASSERT_TRUE(counter.Installed());
  for (std::uint32_t note = 0; note < 100; ++note) {
    RoutingCallback(input, platform::kMimData, instance, testing::Msg(0x90, note, 64), 0);
    RoutingCallback(input, platform::kMimData, instance, testing::Msg(0xB0, 0, note), 0);
  }
  EXPECT_EQ(counter.Allocations(), 0);
  EXPECT_EQ(platform::sim::MidiShortOutput(kSynthOut).back(), testing::Msg(0xB0, 0, 99));
}
#endif

}  // namespace
}  // namespace korvel
