// A sandbox with virtual MIDI devices and a recording bank-switching hook,
// shared by the tests of ports, connections and routing.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"

namespace korvel::testing {

// What the callbacks handed to the automated bank switching, from the MIDI thread.
class RecordingBankSwitchingHook : public BankSwitchingHook {
 public:
  void DispatchShortMessage(std::uint32_t message) override {
    std::lock_guard<std::mutex> lock(mutex_);
    shortMessages_.push_back(message);
  }
  void DispatchSystemExclusive(const std::uint8_t* bytes, std::size_t count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    systemExclusive_.emplace_back(bytes, bytes + count);
  }
  void LoadVirtualBank(int device, int slot) override {
    std::lock_guard<std::mutex> lock(mutex_);
    banks_.emplace_back(device, slot);
  }
  std::vector<std::uint32_t> ShortMessages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shortMessages_;
  }
  std::vector<std::vector<std::uint8_t>> SystemExclusive() {
    std::lock_guard<std::mutex> lock(mutex_);
    return systemExclusive_;
  }
  std::vector<std::pair<int, int>> Banks() {
    std::lock_guard<std::mutex> lock(mutex_);
    return banks_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::uint32_t> shortMessages_;
  std::vector<std::vector<std::uint8_t>> systemExclusive_;
  std::vector<std::pair<int, int>> banks_;
};

inline platform::sim::MidiDevice Device(const std::string& name, bool opensOnce = false) {
  return platform::sim::MidiDevice{name, opensOnce};
}

inline std::uint32_t Msg(std::uint32_t status, std::uint32_t first, std::uint32_t second) {
  return status | (first << 8) | (second << 16);
}

// Ports after pairing: 0 "Keyboard" (input), 1 "Loop" (both sides),
// 2 "Synth" (output), 3 "Expander" (output).
class MidiRoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::SetMidiDevices({Device("Keyboard"), Device("Loop")},
                                  {Device("Synth"), Device("Loop"), Device("Expander")});
    table = BuildPortTable();
    SetBankSwitchingHook(&hook);
  }
  void TearDown() override {
    if (table) SetModificationBypass(*table, false);
    DestroyPortTable(table);
    SetBankSwitchingHook(nullptr);
    EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
  }
  // Input ids and output ids of the devices above.
  static constexpr unsigned kKeyboardIn = 0, kLoopIn = 1;
  static constexpr unsigned kSynthOut = 0, kLoopOut = 1, kExpanderOut = 2;
  static constexpr int kKeyboard = 0, kLoop = 1, kSynth = 2, kExpander = 3;

  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : platform::sim::ShownMessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  platform::sim::Sandbox sandbox;
  RecordingBankSwitchingHook hook;
  std::unique_ptr<MidiPortTable> table;
};

}  // namespace korvel::testing
