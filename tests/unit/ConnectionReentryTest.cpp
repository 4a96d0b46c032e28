// Connections stay sound when the table changes while an error box is open
// (the box's own message loop lets the user, or a preset, connect and
// disconnect meanwhile), and handles that the driver will not close are
// kept with their buffers rather than freed under it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "midi/ConnectionList.h"
#include "tests/unit/MidiTestSupport.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

// Eight ports, each with both sides: 56 pairs to connect.
class ConnectionReentryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<sim::MidiDevice> devices;
    for (int i = 0; i < kPorts; ++i) devices.push_back(testing::Device("P" + std::to_string(i)));
    sim::SetMidiDevices(devices, devices);
    table = BuildPortTable();
  }
  void TearDown() override {
    sim::SetMessageBoxHook(nullptr);
    DestroyPortTable(table);
    EXPECT_EQ(sim::OpenMidiHandles(), 0u);
  }

  // Runs `action` inside the first message box only, as the box's loop
  // would run what the user does meanwhile.
  void WhileTheFirstBoxIsOpen(std::function<void()> action) {
    sim::SetMessageBoxHook([this, action](const sim::ShownBox&) {
      if (acted) return;
      acted = true;
      action();
    });
  }
  // Connects `count` pairs that do not involve port 7.
  void ConnectMany(int count) {
    for (int s = 0; s < kPorts - 1 && table->connectionCount < count; ++s) {
      for (int d = 0; d < kPorts - 1 && table->connectionCount < count; ++d) {
        if (s != d) {
          ASSERT_EQ(Connect(*table, s, d), 0u);
        }
      }
    }
  }
  int CountOf(int source, int destination) {
    int found = 0;
    for (int i = 0; i < table->connectionCount; ++i) {
      const MidiConnection& c = *table->connections[i];
      found += c.Source() == source && c.Destination() == destination;
    }
    return found;
  }

  static constexpr int kPorts = 8;
  sim::Sandbox sandbox;
  std::unique_ptr<MidiPortTable> table;
  bool acted = false;
};

TEST_F(ConnectionReentryTest, AConnectionMadeWhileConnectReportsIsNotMadeTwice) {
  sim::SetMidiFailure("midiInPrepareHeader", 11);
  WhileTheFirstBoxIsOpen([this] {
    sim::SetMidiFailure("midiInPrepareHeader", 0);
    EXPECT_EQ(Connect(*table, 7, 6), 0u);
  });
  EXPECT_EQ(Connect(*table, 7, 6), 2u);
  EXPECT_EQ(CountOf(7, 6), 1);
  EXPECT_EQ(table->connectionCount, 1);
  EXPECT_EQ(sim::OpenMidiHandles(), 2u);
}

TEST_F(ConnectionReentryTest, ATableFilledWhileConnectReportsIsNotOverrun) {
  ConnectMany(kMaxConnections - 1);
  sim::SetMidiFailure("midiInPrepareHeader", 11);
  WhileTheFirstBoxIsOpen([this] {
    sim::SetMidiFailure("midiInPrepareHeader", 0);
    EXPECT_EQ(Connect(*table, 7, 5), 0u);
  });
  EXPECT_EQ(Connect(*table, 7, 6), 4u);
  EXPECT_EQ(table->connectionCount, kMaxConnections);
  EXPECT_EQ(CountOf(7, 6), 0);
  EXPECT_EQ(sim::OpenMidiHandles(), 2u * kMaxConnections);
}

TEST_F(ConnectionReentryTest, AConnectionRemovedWhileDisconnectReportsIsFreedOnce) {
  ConnectMany(3);
  sim::SetMidiFailure("midiInStop", 11);
  // Clearing a preset disconnects everything, last first, meanwhile.
  WhileTheFirstBoxIsOpen([this] {
    while (table->connectionCount > 0) Disconnect(*table, table->connectionCount - 1);
  });
  EXPECT_EQ(Disconnect(*table, 0), 0u);
  EXPECT_EQ(table->connectionCount, 0);
  EXPECT_TRUE(table->closing.empty());
  EXPECT_EQ(sim::OpenMidiHandles(), 0u);
  sim::SetMidiFailure("midiInStop", 0);
}

// The driver may still call back with an input that did not close and with
// its buffers: both stay until a close succeeds, at the latest when the
// table goes.
TEST_F(ConnectionReentryTest, AnInputThatWillNotCloseKeepsItsHandleAndBuffers) {
  ASSERT_EQ(Connect(*table, 0, 1), 0u);
  MidiConnection* connection = table->connections[0];
  sim::SetMidiFailure("midiInClose", 5);
  EXPECT_EQ(Disconnect(*table, 0), 0u);
  EXPECT_EQ(table->connectionCount, 0);
  ASSERT_EQ(table->closing.size(), 1u);
  EXPECT_EQ(table->closing[0], connection);
  EXPECT_NE(connection->inputHandle.load(), 0u);
  EXPECT_NE(connection->bufferBlock, nullptr);
  EXPECT_EQ(sim::OpenMidiHandles(), 1u);
  ASSERT_FALSE(sim::ShownMessageBoxes().empty());
  EXPECT_EQ(sim::ShownMessageBoxes().back().text, "Invalid handle for P0.");

  // The port can be connected again meanwhile, on handles of its own.
  sim::SetMidiFailure("midiInClose", 0);
  ASSERT_EQ(Connect(*table, 0, 1), 0u);
  EXPECT_EQ(sim::OpenMidiHandles(), 3u);
}

TEST_F(ConnectionReentryTest, ABankSwitchingInputThatWillNotCloseStaysOpen) {
  ASSERT_EQ(OpenBankSwitchInput(*table, "P3", 3, 256), 0u);
  MidiPort& port = *table->ports[3];
  sim::SetMidiFailure("midiInClose", 5);
  CloseBankSwitchInputByName(*table, "P3");
  EXPECT_EQ(table->bankSwitchInput, -1);
  EXPECT_NE(port.inputHandle.load(), 0u);
  EXPECT_NE(port.bufferBlock, nullptr);
  EXPECT_NE(port.flags & kPortOpen, 0);
  sim::SetMidiFailure("midiInClose", 0);
}

}  // namespace
}  // namespace korvel
