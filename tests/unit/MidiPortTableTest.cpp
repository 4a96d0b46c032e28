#include "midi/MidiPortTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/ConnectionList.h"
#include "midi/MidiError.h"
#include "tests/unit/MidiTestSupport.h"

namespace korvel {
namespace {

using platform::sim::MidiDevice;
using testing::Device;
using testing::Msg;

class PortTableTest : public ::testing::Test {
 protected:
  std::unique_ptr<MidiPortTable> Build(const std::vector<MidiDevice>& inputs,
                                       const std::vector<MidiDevice>& outputs) {
    platform::sim::SetMidiDevices(inputs, outputs);
    return BuildPortTable();
  }
  platform::sim::Sandbox sandbox;
};

TEST_F(PortTableTest, NoDevicesGiveAnEmptyTable) {
  auto table = Build({}, {});
  EXPECT_EQ(table->portCount, 0);
  EXPECT_EQ(table->currentPort, -1);
  EXPECT_EQ(table->bankSwitchInput, -1);
  EXPECT_EQ(FindPortByName(*table, ""), -1);
  EXPECT_EQ(FindPortByName(*table, "Keyboard"), -1);
}

TEST_F(PortTableTest, OutputsPairWithInputsOfTheSameNameAndTheRestFollowTheInputs) {
  auto table = Build({Device("In A"), Device("Both"), Device("in b")},
                     {Device("Both"), Device("Out"), Device("In B"), Device("Out")});
  ASSERT_EQ(table->portCount, 6);
  const char* names[] = {"In A", "Both", "in b", "Out", "In B", "Out"};
  const int flags[] = {kPortHasInput, kPortHasInput | kPortHasOutput, kPortHasInput,
                       kPortHasOutput, kPortHasOutput, kPortHasOutput};
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(table->ports[i]->name, names[i]) << i;
    EXPECT_EQ(table->ports[i]->flags, flags[i]) << i;
  }
  EXPECT_EQ(table->ports[1]->inputDeviceId, 1);
  EXPECT_EQ(table->ports[1]->outputDeviceId, 0);
  // Two outputs of one name without an input stay two ports, in output order.
  EXPECT_EQ(table->ports[3]->outputDeviceId, 1);
  EXPECT_EQ(table->ports[5]->outputDeviceId, 3);
  EXPECT_EQ(table->ports[4]->outputDeviceId, 2);
  // Nothing is opened for being listed.
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
}

TEST_F(PortTableTest, LongNamesAreCutAndTheSearchComparesFourteenCharacters) {
  const std::string longName(40, 'x');
  auto table = Build({Device("Virtual Port 1A"), Device("Virtual Port 1B"), Device(longName),
                      Device("Virtual Port 2")},
                     {});
  EXPECT_EQ(std::string(table->ports[2]->name), std::string(31, 'x'));
  EXPECT_EQ(FindPortByName(*table, "Virtual Port 1B"), 0);
  EXPECT_EQ(FindPortByName(*table, "Virtual Port 1Z and more"), 0);
  EXPECT_EQ(FindPortByName(*table, "Virtual Port 2"), 3);
  EXPECT_EQ(FindPortByName(*table, "Virtual Port"), -1);
  EXPECT_EQ(FindPortByName(*table, longName.c_str()), 2);
}

TEST_F(PortTableTest, DevicesBeyondSixteenPortsAreLeftOutWithoutOverrun) {
  std::vector<MidiDevice> inputs, outputs;
  for (int i = 0; i < 20; ++i) inputs.push_back(Device("In " + std::to_string(i)));
  for (int i = 0; i < 5; ++i) outputs.push_back(Device("Out " + std::to_string(i)));
  outputs.push_back(Device("In 3"));
  auto table = Build(inputs, outputs);
  EXPECT_EQ(table->portCount, kMaxPorts);
  EXPECT_STREQ(table->ports[15]->name, "In 15");
  // An output still pairs with a listed input when the table is full.
  EXPECT_EQ(table->ports[3]->flags, kPortHasInput | kPortHasOutput);
  EXPECT_EQ(table->ports[3]->outputDeviceId, 5);

  auto mixed = Build({Device("A"), Device("B")}, std::vector<MidiDevice>(18, Device("Out")));
  EXPECT_EQ(mixed->portCount, kMaxPorts);
  EXPECT_EQ(mixed->ports[15]->outputDeviceId, 13);
}

class BankSwitchInputTest : public testing::MidiRoutingTest {};

TEST_F(BankSwitchInputTest, OpensTheNamedInputWithItsOwnBuffers) {
  platform::sim::ClearMidiCallLog();
  ASSERT_EQ(OpenBankSwitchInput(*table, "Loop", 3, 256), 0u);
  EXPECT_EQ(table->bankSwitchInput, kLoop);
  EXPECT_EQ(table->currentPort, kLoop);
  const MidiPort& port = *table->ports[kLoop];
  EXPECT_EQ(port.firstIndex, kLoop);
  EXPECT_EQ(port.flags & kPortOpen, kPortOpen);
  EXPECT_EQ(port.bufferCount, 3);
  EXPECT_EQ(port.bufferSize, 256);
  // Recording starts before the first buffer is queued.
  const std::vector<std::string> expected = {
      "midiInOpen",          "midiInStart",     "midiInPrepareHeader", "midiInAddBuffer",
      "midiInPrepareHeader", "midiInAddBuffer", "midiInPrepareHeader", "midiInAddBuffer"};
  EXPECT_EQ(platform::sim::MidiCallLog(), expected);
  for (int i = 0; i < 3; ++i) {
    const platform::MidiHeader* header = port.Header(i);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(header),
              port.bufferBlock + i * (256 + kMidiHeaderSize));
    EXPECT_EQ(header->data, reinterpret_cast<const char*>(header) + kMidiHeaderSize);
    EXPECT_EQ(header->bufferLength, 256u);
  }
}

TEST_F(BankSwitchInputTest, HandsShortMessagesAndSystemExclusiveToTheBankSwitching) {
  ASSERT_EQ(OpenBankSwitchInput(*table, "Keyboard", 3, 256), 0u);
  platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB3, 0, 7));
  platform::sim::SendMidiShort(kKeyboardIn, Msg(0xC0, 12, 0));
  // More messages than buffers: each buffer goes back to the input after use.
  for (std::uint8_t i = 0; i < 5; ++i) {
    platform::sim::SendMidiLong(kKeyboardIn, {0xF0, 0x7D, i, 0xF7});
  }
  ASSERT_TRUE(platform::sim::WaitForMidiIdle());
  EXPECT_EQ(hook.ShortMessages(), (std::vector<std::uint32_t>{Msg(0xB3, 0, 7), Msg(0xC0, 12, 0)}));
  const auto sysex = hook.SystemExclusive();
  ASSERT_EQ(sysex.size(), 5u);
  EXPECT_EQ(sysex[4], (std::vector<std::uint8_t>{0xF0, 0x7D, 4, 0xF7}));
  EXPECT_EQ(platform::sim::DroppedMidiInput(kKeyboardIn), 0u);
}

TEST_F(BankSwitchInputTest, ReopeningClosesThePreviousInputAndUnknownNamesGiveTwo) {
  ASSERT_EQ(OpenBankSwitchInput(*table, "Keyboard", 3, 256), 0u);
  ASSERT_EQ(OpenBankSwitchInput(*table, "Loop", 3, 256), 0u);
  EXPECT_EQ(table->ports[kKeyboard]->inputHandle.load(), 0u);
  EXPECT_EQ(table->ports[kKeyboard]->flags & kPortOpen, 0);
  EXPECT_EQ(table->ports[kKeyboard]->bufferBlock, nullptr);

  EXPECT_EQ(OpenBankSwitchInput(*table, "Nowhere", 3, 256), 2u);
  EXPECT_EQ(table->currentPort, -1);
  EXPECT_EQ(table->bankSwitchInput, -1);
  EXPECT_EQ(table->ports[kLoop]->inputHandle.load(), 0u);
  char message[kMidiErrorMessageSize];
  ComposeMidiErrorMessage(*table, -1, 2, message, sizeof message);
  EXPECT_STREQ(message, "Cannot open any more instances of <unknown device>.");
}

TEST_F(BankSwitchInputTest, APortWithoutInputOrAnInputOpenAlreadyIsRefused) {
  EXPECT_EQ(OpenBankSwitchInput(*table, "Synth", 3, 256), 2u);
  EXPECT_EQ(table->ports[kSynth]->flags, kPortHasOutput);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
  // The bank-switching input cannot be the source of a connection either.
  ASSERT_EQ(OpenBankSwitchInput(*table, "Keyboard", 3, 256), 0u);
  EXPECT_EQ(Connect(*table, kKeyboard, kSynth), 2u);
}

TEST_F(BankSwitchInputTest, ClosingByNameOnlyClosesTheRecordedInput) {
  ASSERT_EQ(OpenBankSwitchInput(*table, "Keyboard", 3, 256), 0u);
  CloseBankSwitchInputByName(*table, "Loop");
  EXPECT_EQ(table->bankSwitchInput, kKeyboard);
  platform::sim::ClearMidiCallLog();
  CloseBankSwitchInputByName(*table, "Keyboard");
  EXPECT_EQ(table->bankSwitchInput, -1);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
  // Stopped and reset before the buffers are released and the input closed.
  const auto log = platform::sim::MidiCallLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "midiInStop");
  EXPECT_EQ(log[1], "midiInReset");
  EXPECT_EQ(log.back(), "midiInClose");
}

TEST_F(BankSwitchInputTest, ADeviceThatOpensOnceFeedsOnlyOneUser) {
  platform::sim::SetMidiDevices({Device("Single", true)}, {Device("Synth")});
  auto single = BuildPortTable();
  ASSERT_EQ(Connect(*single, 0, 1), 0u);
  EXPECT_EQ(OpenBankSwitchInput(*single, "Single", 3, 256), 4u);
  char message[kMidiErrorMessageSize];
  ComposeMidiErrorMessage(*single, -1, 4, message, sizeof message);
  EXPECT_STREQ(message, "Cannot open any more instances of Single.");
  DestroyPortTable(single);
}

TEST_F(BankSwitchInputTest, BufferFailuresAreReportedAndTheOpenGoesOn) {
  platform::sim::SetMidiFailure("midiInAddBuffer", 11);
  EXPECT_EQ(OpenBankSwitchInput(*table, "Loop", 3, 256), 0u);
  platform::sim::SetMidiFailure("midiInAddBuffer", 0);
  const auto texts = BoxTexts();
  ASSERT_EQ(texts.size(), 3u);
  char expected[kMidiErrorMessageSize];
  ComposeMidiErrorMessage(*table, kLoop, 11, expected, sizeof expected);
  EXPECT_EQ(texts[0], expected);
  EXPECT_NE(texts[0].find("\n\n Occurred for Loop."), std::string::npos);
  // A header that could not be queued is unprepared again.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(table->ports[kLoop]->Header(i)->flags & platform::kMhdrPrepared, 0u);
  }
}

TEST_F(BankSwitchInputTest, BuffersThatCannotBeHadCloseTheInputAgain) {
  MidiPort& port = *table->ports[kLoop];
  EXPECT_EQ(OpenPortInputWithBuffers(*table, port, BankSwitchingCallback,
                                     reinterpret_cast<std::uintptr_t>(&port), 1000000, 1024),
            7u);
  EXPECT_EQ(port.inputHandle.load(), 0u);
  EXPECT_EQ(port.flags & kPortOpen, 0);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
}

TEST(MidiErrorMessageTest, EveryFormNamesThePort) {
  platform::sim::Sandbox sandbox;
  platform::sim::SetMidiDevices({testing::Device("Port A")}, {});
  auto table = BuildPortTable();
  char message[kMidiErrorMessageSize];
  const auto compose = [&](int port, unsigned code) {
    ComposeMidiErrorMessage(*table, port, code, message, sizeof message);
    return std::string(message);
  };
  EXPECT_EQ(compose(0, 2), "Cannot open any more instances of Port A.");
  EXPECT_EQ(compose(0, 4), "Cannot open any more instances of Port A.");
  EXPECT_EQ(compose(0, 5), "Invalid handle for Port A.");
  EXPECT_EQ(compose(0, 68), "Cannot find Port A.");
  char text[201] = {};
  platform::midiInGetErrorTextA(1, text, 200);
  ASSERT_STRNE(text, "");
  EXPECT_EQ(compose(0, 1), std::string(text) + "\n\n Occurred for Port A.");
  EXPECT_EQ(compose(-1, 68), "Cannot find <unknown device>.");
  table->currentPort = 0;
  EXPECT_EQ(compose(-1, 5), "Invalid handle for Port A.");
  EXPECT_EQ(compose(7, 5), "Invalid handle for <unknown device>.");

  ReportMidiError(*table, 0, 68);
  const auto& boxes = platform::sim::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "MIDI Interface Error");
  EXPECT_EQ(boxes[0].owner, 0u);
  EXPECT_EQ(boxes[0].type, platform::kMbOk);
}

}  // namespace
}  // namespace korvel
