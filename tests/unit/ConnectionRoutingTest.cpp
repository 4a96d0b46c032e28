#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "config/Configuration.h"
#include "midi/ConnectionList.h"
#include "midi/MidiError.h"
#include "midi/ModificationBypassGuard.h"
#include "tests/unit/MidiTestSupport.h"

namespace korvel {
namespace {

using platform::sim::MidiLongOutput;
using platform::sim::MidiShortOutput;
using platform::sim::SendMidiLong;
using platform::sim::SendMidiShort;
using platform::sim::WaitForMidiIdle;
using testing::Msg;

using Bytes = std::vector<std::uint8_t>;

Modification Rule(std::uint8_t source, std::uint8_t target, std::uint8_t low, std::uint8_t high,
                  std::int8_t value) {
  Modification m;
  m.sourceType = source;
  m.targetType = target;
  m.sourceLow = low;
  m.sourceHigh = high;
  m.targetValue = value;
  return m;
}

class ConnectionListTest : public testing::MidiRoutingTest {
 protected:
  std::vector<std::pair<int, int>> Pairs() {
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < table->connectionCount; ++i) {
      pairs.emplace_back(table->connections[i]->Source(), table->connections[i]->Destination());
    }
    return pairs;
  }
};

TEST_F(ConnectionListTest, RefusalsComeBeforeAnyOpen) {
  EXPECT_EQ(Connect(*table, kLoop, kLoop), 2u);
  ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  EXPECT_EQ(Connect(*table, kKeyboard, kSynth), 2u);
  EXPECT_EQ(Connect(*table, kKeyboard, 9), 2u);
  EXPECT_EQ(Connect(*table, -1, kSynth), 2u);
  EXPECT_EQ(table->connectionCount, 1);
  const MidiConnection& connection = *table->connections[0];
  EXPECT_EQ(connection.Source(), kKeyboard);
  EXPECT_EQ(connection.Destination(), kSynth);
  EXPECT_EQ(connection.bufferCount, 3);
  EXPECT_EQ(connection.bufferSize, 1024);
  // The connection's handles are its own, not the ports'.
  EXPECT_EQ(table->ports[kKeyboard]->flags & kPortOpen, 0);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 2u);
}

TEST_F(ConnectionListTest, DisconnectKeepsTheOrderOfTheOthers) {
  ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  ASSERT_EQ(Connect(*table, kLoop, kExpander), 0u);
  ASSERT_EQ(Connect(*table, kKeyboard, kLoop), 0u);
  EXPECT_EQ(Disconnect(*table, 5), 2u);
  EXPECT_EQ(Disconnect(*table, 3), 2u);
  EXPECT_EQ(Disconnect(*table, 0), 0u);
  EXPECT_EQ(Pairs(), (std::vector<std::pair<int, int>>{{kLoop, kExpander}, {kKeyboard, kLoop}}));
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 4u);
}

TEST_F(ConnectionListTest, SearchesByEitherEnd) {
  ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  ASSERT_EQ(Connect(*table, kLoop, kExpander), 0u);
  ASSERT_EQ(Connect(*table, kKeyboard, kLoop), 0u);
  EXPECT_EQ(FindConnection(*table, kKeyboard, kLoop), 2);
  EXPECT_EQ(FindConnection(*table, -1, kExpander), 1);
  EXPECT_EQ(FindConnection(*table, kKeyboard, -1), 0);
  EXPECT_EQ(FindConnection(*table, kSynth, -1), -1);

  std::vector<int> ofLoop;
  for (int i = FirstConnectionOf(*table, kLoop); i >= 0; i = NextConnectionOf(*table)) {
    ofLoop.push_back(i);
  }
  EXPECT_EQ(ofLoop, (std::vector<int>{1, 2}));
  EXPECT_EQ(table->iterationCursor, -1);
  EXPECT_EQ(NextConnectionOf(*table), -1);
  EXPECT_EQ(FirstConnectionOf(*table, kExpander), 1);
  EXPECT_EQ(OtherEnd(*table, 2, kLoop), kKeyboard);
  EXPECT_EQ(OtherEnd(*table, 2, kKeyboard), kLoop);
  EXPECT_EQ(OtherEnd(*table, 2, kSynth), -1);
  EXPECT_EQ(OtherEnd(*table, 7, kSynth), -1);
}

TEST_F(ConnectionListTest, FailedOpensLeaveNothingOpen) {
  platform::sim::SetMidiFailure("midiOutOpen", 4);
  EXPECT_EQ(Connect(*table, kKeyboard, kSynth), 4u);
  EXPECT_EQ(table->currentPort, kSynth);
  platform::sim::SetMidiFailure("midiOutOpen", 0);
  platform::sim::SetMidiFailure("midiInOpen", 68);
  EXPECT_EQ(Connect(*table, kKeyboard, kSynth), 68u);
  EXPECT_EQ(table->currentPort, kKeyboard);
  platform::sim::SetMidiFailure("midiInOpen", 0);
  EXPECT_EQ(table->connectionCount, 0);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
}

TEST_F(ConnectionListTest, ConnectPortsShowsRefusalsAndHonoursUseCons) {
  EXPECT_FALSE(ConnectPorts(*table, 0, kKeyboard, kSynth));
  EXPECT_EQ(table->connectionCount, 0);
  EXPECT_TRUE(BoxTexts().empty());

  EXPECT_TRUE(ConnectPorts(*table, UseCons, kKeyboard, kSynth));
  EXPECT_FALSE(ConnectPorts(*table, UseCons, kKeyboard, kSynth));
  // The refusal names the port of the last open operation.
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Cannot open any more instances of Keyboard."}));
}

TEST_F(ConnectionListTest, AThirtyThirdConnectionIsRefusedWithoutOverrun) {
  std::vector<platform::sim::MidiDevice> inputs, outputs;
  for (int i = 0; i < 8; ++i) inputs.push_back(testing::Device("P" + std::to_string(i)));
  outputs = inputs;
  platform::sim::SetMidiDevices(inputs, outputs);
  auto wide = BuildPortTable();
  int made = 0;
  for (int s = 0; s < 8; ++s) {
    for (int d = 0; d < 8; ++d) {
      if (s == d || made == kMaxConnections) continue;
      ASSERT_EQ(Connect(*wide, s, d), 0u);
      ++made;
    }
  }
  EXPECT_EQ(Connect(*wide, 7, 6), 4u);
  EXPECT_EQ(wide->connectionCount, kMaxConnections);
  EXPECT_FALSE(ConnectPorts(*wide, UseCons, 7, 5));
  EXPECT_EQ(BoxTexts().back(), "Cannot open any more instances of P7.");
  DestroyPortTable(wide);
}

class RoutingTest : public testing::MidiRoutingTest {
 protected:
  void SetUp() override {
    MidiRoutingTest::SetUp();
    ASSERT_EQ(Connect(*table, kKeyboard, kSynth), 0u);
  }
  MidiConnection& Connection() { return *table->connections[0]; }
  void Add(const Modification& m) { ASSERT_GE(AddModificationCopy(Connection().modifications, m), 0); }
  std::vector<std::uint32_t> Route(const std::vector<std::uint32_t>& messages) {
    for (std::uint32_t m : messages) SendMidiShort(kKeyboardIn, m);
    EXPECT_TRUE(WaitForMidiIdle());
    return MidiShortOutput(kSynthOut);
  }
};

TEST_F(RoutingTest, ShortMessagesPassThroughTheModificationsInOrder) {
  Add(Rule(kTypeNoteOn, kTypeNoteOn, 0, 127, 12));  // an octave up
  Add(Rule(kTypeNoteOn, kTypeNoteOn, 72, 72, 0));   // the C above: to 0
  Add(Rule(kTypePitchWheel, kTypeNone, 0, 127, 0));
  const auto out = Route({Msg(0x91, 60, 100), Msg(0x92, 61, 90), Msg(0xE0, 0, 64),
                          Msg(0xF8, 0, 0), Msg(0xA0, 60, 10), Msg(0x80, 60, 0)});
  EXPECT_EQ(out, (std::vector<std::uint32_t>{Msg(0x91, 0, 100), Msg(0x92, 73, 90), Msg(0xF8, 0, 0),
                                             Msg(0xA0, 60, 10), Msg(0x80, 60, 0)}));
}

TEST_F(RoutingTest, TheBypassSendsEverythingUnchanged) {
  Add(Rule(kTypeNoteOn, kTypeNone, 0, 127, 0));
  SetModificationBypass(*table, true);
  EXPECT_TRUE(ModificationBypass());
  EXPECT_EQ(Route({Msg(0x90, 60, 100)}), (std::vector<std::uint32_t>{Msg(0x90, 60, 100)}));
  SetModificationBypass(*table, false);
  EXPECT_EQ(Route({Msg(0x90, 60, 100)}).size(), 1u);  // now dropped
}

// A connection that goes while keys are held, or whose modifications start
// or stop applying, would leave the synthesizer sounding: on any of the 16
// channels, and with the sustain pedal down (from 64; 63 is up). Only the
// connections whose modifications move notes are released for the dialog:
// a controller rule moves no Note Off, so the keys held there sound on.
TEST_F(RoutingTest, NotesLeftSoundingAreEndedWhenTheConnectionGoesOrItsModificationsChange) {
  Add(Rule(kTypeNoteOn, kTypeNoteOn, 0, 127, 12));  // an octave up
  ASSERT_EQ(Connect(*table, kKeyboard, kExpander), 0u);
  ASSERT_GE(AddModificationCopy(table->connections[1]->modifications,
                                Rule(kTypeController, kTypeController, 1, 1, 7)),
            0);
  std::vector<std::uint32_t> played;
  for (std::uint32_t channel = 0; channel < 16; ++channel) {
    played.push_back(Msg(0x90 | channel, 40 + channel, 100));
    played.push_back(Msg(0xB0 | channel, 64, 64));
    if (channel % 2 == 0) played.push_back(Msg(0xB0 | channel, 64, 63));
  }
  // Ended notes are not ended again; 41's Note Off is not transposed, so 53 sounds on.
  for (std::uint32_t m : {Msg(0x93, 41, 90), Msg(0x83, 41, 0), Msg(0x93, 42, 90), Msg(0x93, 42, 0)}) {
    played.push_back(m);
  }
  Route(played);
  const auto since = [](unsigned output, std::size_t start) {
    const std::vector<std::uint32_t> out = MidiShortOutput(output);
    return std::vector<std::uint32_t>(out.begin() + static_cast<long>(start), out.end());
  };
  const auto ends = [](std::uint32_t transpose, std::vector<std::uint32_t> notesOfChannel0) {
    std::vector<std::uint32_t> expected;
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
      if (channel == 3 && transpose != 0) expected.push_back(Msg(0x83, 53, 0));
      expected.push_back(Msg(0x80 | channel, 40 + channel + transpose, 0));
      if (channel == 0) {
        for (std::uint32_t note : notesOfChannel0) expected.push_back(Msg(0x80, note, 0));
      }
    }
    for (std::uint32_t channel = 1; channel < 16; channel += 2) expected.push_back(Msg(0xB0 | channel, 64, 0));
    return expected;
  };

  std::size_t synth = MidiShortOutput(kSynthOut).size();
  const std::size_t expander = MidiShortOutput(kExpanderOut).size();
  {
    ModificationBypassGuard dialog(*table);
    EXPECT_EQ(since(kSynthOut, synth), ends(12, {}));
    synth = MidiShortOutput(kSynthOut).size();
    Route({Msg(0x90, 50, 100)});  // passes unmodified
  }
  // The transposition applies again: the note sent unmodified ends now.
  EXPECT_EQ(since(kSynthOut, synth), (std::vector<std::uint32_t>{Msg(0x90, 50, 100), Msg(0x80, 50, 0)}));
  EXPECT_EQ(since(kExpanderOut, expander), std::vector<std::uint32_t>{Msg(0x90, 50, 100)});

  // The connection goes: everything it holds ends, once, and nothing else.
  synth = MidiShortOutput(kSynthOut).size();
  ASSERT_EQ(Disconnect(*table, 1), 0u);
  EXPECT_EQ(since(kExpanderOut, expander + 1), ends(0, {50}));
  ASSERT_EQ(Disconnect(*table, 0), 0u);
  EXPECT_EQ(since(kSynthOut, synth), std::vector<std::uint32_t>{});
}

TEST_F(RoutingTest, BankSelectOnALinkedConnectionLoadsAVirtualBankAndPassesUnchanged) {
  Connection().link = 3;
  Add(Rule(kTypeController, kTypeController, 0, 127, 7));  // every controller to volume
  const auto out = Route({Msg(0xB4, 0, 5), Msg(0xB0, 32, 1), Msg(0x90, 0, 100)});
  EXPECT_EQ(hook.Banks(), (std::vector<std::pair<int, int>>{{2, 5}}));
  // A Note On with note 0 is no controller: it goes through the modifications.
  EXPECT_EQ(out, (std::vector<std::uint32_t>{Msg(0xB4, 0, 5), Msg(0xB0, 7, 1), Msg(0x90, 0, 100)}));

  // Unlinked, a Bank Select is an ordinary controller.
  Connection().link = 0;
  Route({Msg(0xB0, 0, 9)});
  EXPECT_EQ(hook.Banks().size(), 1u);
  EXPECT_EQ(MidiShortOutput(kSynthOut).back(), Msg(0xB0, 7, 9));
}

TEST_F(RoutingTest, SystemExclusiveIsForwardedInBufferSizedPiecesAndBuffersReturn) {
  Bytes big(2500, 0x11);
  big.front() = 0xF0;
  big.back() = 0xF7;
  SendMidiLong(kKeyboardIn, big);
  for (std::uint8_t i = 0; i < 6; ++i) SendMidiLong(kKeyboardIn, {0xF0, 0x43, i, 0xF7});
  ASSERT_TRUE(WaitForMidiIdle());
  const auto out = MidiLongOutput(kSynthOut);
  ASSERT_EQ(out.size(), 9u);
  EXPECT_EQ(out[0], Bytes(big.begin(), big.begin() + 1024));
  EXPECT_EQ(out[2], Bytes(big.begin() + 2048, big.end()));
  EXPECT_EQ(out[8], (Bytes{0xF0, 0x43, 5, 0xF7}));
  EXPECT_EQ(platform::sim::DroppedMidiInput(kKeyboardIn), 0u);
  // Every buffer is back in the input at its full size.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Connection().Header(i)->flags & platform::kMhdrInQueue, platform::kMhdrInQueue);
    EXPECT_EQ(Connection().Header(i)->bufferLength, 1024u);
  }
}

TEST_F(RoutingTest, TheReceivingBufferItselfIsSentAndReturnsWhenTheOutputIsDone) {
  platform::sim::HoldMidiOutput(kSynthOut, true);
  for (std::uint8_t i = 0; i < 4; ++i) SendMidiLong(kKeyboardIn, {0xF0, i, 0xF7});
  ASSERT_TRUE(WaitForMidiIdle());
  // All three buffers are out at the output, so the fourth message found none.
  EXPECT_EQ(platform::sim::DroppedMidiInput(kKeyboardIn), 3u);
  EXPECT_EQ(MidiLongOutput(kSynthOut).size(), 3u);
  platform::sim::HoldMidiOutput(kSynthOut, false);
  ASSERT_TRUE(WaitForMidiIdle());
  SendMidiLong(kKeyboardIn, {0xF0, 9, 0xF7});
  ASSERT_TRUE(platform::sim::WaitForMidiOutput(kSynthOut, 4));
  EXPECT_EQ(MidiLongOutput(kSynthOut).back(), (Bytes{0xF0, 9, 0xF7}));
}

// Closing one of two connections to an output ends its own notes only: a
// reset would end the other's too, on drivers that turn notes off at a
// reset. Only a buffer still being sent makes the close reset the output,
// which gets the buffer back before the input's buffers are released.
TEST_F(RoutingTest, ClosingEndsItsOwnNotesAndResetsOnlyForABufferStillBeingSent) {
  ASSERT_EQ(Connect(*table, kLoop, kSynth), 0u);
  SendMidiShort(kLoopIn, Msg(0x91, 70, 100));
  Route({Msg(0x90, 60, 100)});
  std::size_t before = MidiShortOutput(kSynthOut).size();
  ASSERT_EQ(Disconnect(*table, 1), 0u);
  std::vector<std::uint32_t> out = MidiShortOutput(kSynthOut);
  EXPECT_EQ(std::vector<std::uint32_t>(out.begin() + static_cast<long>(before), out.end()),
            std::vector<std::uint32_t>{Msg(0x81, 70, 0)});

  platform::sim::HoldMidiOutput(kSynthOut, true);
  SendMidiLong(kKeyboardIn, {0xF0, 1, 0xF7});
  ASSERT_TRUE(WaitForMidiIdle());
  before = MidiShortOutput(kSynthOut).size();
  EXPECT_EQ(Disconnect(*table, 0), 0u);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
  // The note's own end, then the reset's All Sound Off and pedal release on
  // each channel.
  out = MidiShortOutput(kSynthOut);
  ASSERT_EQ(out.size(), before + 1 + 2 * 16);
  EXPECT_EQ(out[before], Msg(0x80, 60, 0));
  EXPECT_EQ(out[before + 1], Msg(0xB0, 120, 0));
}

TEST_F(RoutingTest, ResetReturnsQueuedBuffersWithNoBytesAndTheyAreNotRequeued) {
  MidiConnection& connection = Connection();
  platform::midiInReset(connection.inputHandle.load());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(connection.Header(i)->bytesRecorded, 0u);
    EXPECT_EQ(connection.Header(i)->flags & (platform::kMhdrPrepared | platform::kMhdrInQueue), 0u);
  }
  platform::midiInStart(connection.inputHandle.load());
  SendMidiLong(kKeyboardIn, {0xF0, 1, 0xF7});
  ASSERT_TRUE(WaitForMidiIdle());
  EXPECT_TRUE(MidiLongOutput(kSynthOut).empty());
  EXPECT_EQ(platform::sim::DroppedMidiInput(kKeyboardIn), 3u);
}

}  // namespace
}  // namespace korvel
