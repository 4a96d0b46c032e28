// Keys played on the MIDI thread while the user-interface side closes and
// reopens the connection, or opens and closes Connection Details on a
// transposing one: what reached the synthesizer must leave no note hanging
// and, at a close, end no note twice. Run under ThreadSanitizer by the tsan
// preset.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "midi/ConnectionList.h"
#include "midi/ModificationBypassGuard.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"
#include "tests/concurrency/SpinUntil.h"

namespace korvel {
namespace {

using platform::sim::MidiDevice;
using namespace std::chrono_literals;

constexpr int kKeyboard = 0, kSynth = 1;
constexpr unsigned kKeyboardIn = 0, kSynthOut = 0;
constexpr int kPairs = 6000;

// Reads what reached the synthesizer, key by key and pedal by pedal.
class KeyLedger {
 public:
  // Takes in the messages of `output` not read before.
  void Read(const std::vector<std::uint32_t>& output) {
    for (; read_ < output.size(); ++read_) Take(output[read_]);
  }
  // Notes and pedals on now.
  int Sounding() const {
    int on = 0;
    for (bool note : notes_) on += note;
    for (bool pedal : pedals_) on += pedal;
    return on;
  }
  int lost = 0;       // a Note On or pedal press over one still on: its end never came
  int extraEnds = 0;  // a Note Off or pedal release of what was not on

 private:
  void Take(std::uint32_t message) {
    const std::uint32_t status = message & 0xF0, channel = message & 0x0F;
    const std::uint32_t first = (message >> 8) & 0x7F, second = (message >> 16) & 0x7F;
    if (status == 0xB0 && first == 64) {
      Turn(pedals_[channel], second >= 64);
    } else if (status == 0x90 || status == 0x80) {
      Turn(notes_[channel * 128 + first], status == 0x90 && second != 0);
    }
  }
  void Turn(bool& key, bool on) {
    if (on == key) (on ? lost : extraEnds) += 1;
    key = on;
  }

  std::size_t read_ = 0;
  std::array<bool, 16 * 128> notes_{};
  std::array<bool, 16> pedals_{};
};

// Plays pairs of Note On and Note Off, every third inside a sustain pedal
// pressed at 64 and let go at 63, on all channels, each pair routed before
// the next. It stops between two pairs whenever asked.
class Player {
 public:
  void Run() {
    for (int i = 0; i < kPairs && !quit_; ++i) {
      if (pauseWanted_) Pause();
      const std::uint32_t channel = static_cast<std::uint32_t>(i % 16);
      const std::uint32_t key = channel | (30 + static_cast<std::uint32_t>(i / 16 % 64)) << 8;
      const bool sustained = i % 3 == 0;
      if (sustained) Send(0xB0 | channel | 64u << 8 | 64u << 16);
      Send(0x90 | key | 100u << 16);
      // Half the Note Offs are Note Ons with velocity 0.
      Send(i % 2 == 0 ? 0x80 | key | 64u << 16 : 0x90 | key);
      if (sustained) Send(0xB0 | channel | 64u << 8 | 63u << 16);
      // At a player's pace: the pair is routed before the next begins.
      platform::sim::WaitForMidiIdle(20000);
    }
    done_ = true;
  }
  // Returns once the player stands still (or has finished).
  bool StopAndWait() {
    pauseWanted_ = true;
    return SpinUntil([&] { return paused_.load() || done_.load(); }, 20000ms);
  }
  void GoOn() {
    pauseWanted_ = false;
    SpinUntil([&] { return !paused_.load() || done_.load(); }, 20000ms);
  }
  // Ends the playing early (a failed test).
  void Quit() {
    quit_ = true;
    pauseWanted_ = false;
  }
  bool Done() const { return done_; }

 private:
  static void Send(std::uint32_t message) { platform::sim::SendMidiShort(kKeyboardIn, message); }
  void Pause() {
    paused_ = true;
    SpinUntil([&] { return !pauseWanted_.load(); }, 20000ms);
    paused_ = false;
  }

  std::atomic<bool> pauseWanted_{false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> done_{false};
  std::atomic<bool> quit_{false};
};

class NoteReleaseConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::SetMidiDevices({MidiDevice{"Keyboard", false}}, {MidiDevice{"Synth", false}});
    table = BuildPortTable();
    ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  }
  void TearDown() override {
    player.Quit();
    if (playing.joinable()) playing.join();
    DestroyPortTable(table);
    EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
  }
  void StartPlaying() {
    playing = std::thread([&] { player.Run(); });
  }
  // Lets the player get some way into its keys, so that what follows meets them.
  static void LetPlay(int round) {
    const std::size_t total = platform::sim::MidiShortOutput(kSynthOut).size();
    platform::sim::WaitForMidiOutput(kSynthOut, total + 1 + static_cast<std::size_t>(round % 7), 200);
  }
  // Everything routed so far, read into the ledger.
  void ReadOutput() {
    EXPECT_TRUE(platform::sim::WaitForMidiIdle(20000));
    const std::vector<std::uint32_t> output = platform::sim::MidiShortOutput(kSynthOut);
    ASSERT_LT(output.size(), 65536u) << "the output no longer keeps every message";
    ledger.Read(output);
  }

  platform::sim::Sandbox sandbox;
  std::unique_ptr<MidiPortTable> table;
  Player player;
  std::thread playing;
  KeyLedger ledger;
};

// The connection closes while keys are being played, and reopens between
// two pairs (a Note Off that arrives at a new connection would be the key's
// second end, rightly sent): every key and pedal that went on goes off once.
TEST_F(NoteReleaseConcurrencyTest, ClosingWhileKeysArePlayedEndsEachNoteOnce) {
  StartPlaying();
  int rounds = 0;
  for (; !player.Done(); ++rounds) {
    LetPlay(rounds);
    ASSERT_EQ(Disconnect(*table, 0), 0u);
    ASSERT_TRUE(player.StopAndWait());
    ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
    player.GoOn();
  }
  playing.join();
  ASSERT_EQ(Disconnect(*table, 0), 0u);

  ReadOutput();
  EXPECT_EQ(ledger.Sounding(), 0);
  EXPECT_EQ(ledger.lost, 0);
  EXPECT_EQ(ledger.extraEnds, 0);
  EXPECT_GT(rounds, 10);
}

// Connection Details opens and closes while keys are played through an
// octave transposition: each time the player stands still afterwards, no
// note or pedal is left on. (A key whose Note On went out transposed and
// whose Note Off passes unmodified ends twice; that is no hanging note.)
TEST_F(NoteReleaseConcurrencyTest, TheDialogsBypassLeavesNoNoteSounding) {
  for (std::uint8_t type : {kTypeNoteOn, kTypeNoteOff}) {
    Modification octave;
    octave.sourceType = octave.targetType = type;
    octave.sourceHigh = 127;
    octave.targetValue = 12;
    ASSERT_GE(AddModificationCopy(table->connections[0]->modifications, octave), 0);
  }
  StartPlaying();
  const auto leftOn = [&] {
    if (!player.StopAndWait()) return -1;
    ReadOutput();
    player.GoOn();
    return ledger.Sounding() + ledger.lost;
  };
  int rounds = 0;
  for (; !player.Done(); ++rounds) {
    std::optional<ModificationBypassGuard> dialog;
    LetPlay(rounds);
    dialog.emplace(*table);
    ASSERT_EQ(leftOn(), 0) << "with the dialog open, round " << rounds;
    LetPlay(rounds);
    dialog.reset();
    ASSERT_EQ(leftOn(), 0) << "after the dialog, round " << rounds;
  }
  EXPECT_GT(rounds, 10);
}

}  // namespace
}  // namespace korvel
