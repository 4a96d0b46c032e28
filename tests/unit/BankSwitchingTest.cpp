// What the messages of the bank-switching input and of linked connections
// do to the emulated cards once the user-interface thread runs them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "banks/BankLoading.h"
#include "config/StatusLine.h"
#include "tests/unit/BankSwitchingTestSupport.h"

namespace korvel {
namespace {

using platform::sim::PostedUserInterfaceWork;
using platform::sim::PostedUserInterfaceWorkAfterInput;

class BankSwitchingTest : public testsupport::BankSwitchingTest {};

TEST_F(BankSwitchingTest, ProgramChangeLoadsOnTheDeviceTheLastSelectChose) {
  StartDevices(2);
  Assign(0, 5);
  Assign(1, 5);
  Assign(1, 6);
  Send(0xB3, 0, 1);  // any channel
  Send(0xC3, 5, 0);
  EXPECT_FALSE(IsLoaded(1, 5)) << "nothing runs before the user-interface thread does";
  EXPECT_EQ(PostedUserInterfaceWork(), 1u);

  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(1, 5));
  EXPECT_FALSE(IsLoaded(0, 5));
  EXPECT_EQ(switching.SelectedDevice(), 1);
  EXPECT_EQ(shell.trayMenus, 1);

  // Controllers 2 and 32 select too; the selection holds until changed.
  Send(0xB0, 32, 0);
  Send(0xC0, 5, 0);
  Send(0xB0, 2, 1);
  Send(0xC0, 6, 0);
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 5));
  EXPECT_TRUE(IsLoaded(1, 6));
  EXPECT_EQ(LoadsSent(), 3);
}

TEST_F(BankSwitchingTest, ControllersLoadAndUnloadSlotsByDeviceNumber) {
  StartDevices(2);
  Assign(1, 7);
  Send(0xB0, 17, 7);
  requests.RunPendingRequests();
  ASSERT_TRUE(IsLoaded(1, 7));
  // Each request shows what it changed: the list, the memory graph, and a
  // progress bar back at 0.
  EXPECT_EQ(shell.rebuilds, 1);
  EXPECT_EQ(shell.memoryGraphs, 1);
  EXPECT_EQ(shell.progress, 0);

  Send(0xB0, 27, 7);
  requests.RunPendingRequests();
  EXPECT_FALSE(IsLoaded(1, 7));
  EXPECT_STRNE(PathOf(1, 7).c_str(), "") << "the assignment stays for the next load";
  EXPECT_EQ(shell.rebuilds, 2);
  EXPECT_EQ(shell.memoryGraphs, 2);

  // Loaded again; a second request for a loaded slot sends nothing.
  shell.minimized = true;
  Send(0xB0, 17, 7);
  requests.RunPendingRequests();
  Send(0xB0, 17, 7);
  requests.RunPendingRequests();
  Send(0xB0, 26 + 1, 7);
  Send(0xB0, 17, 7);
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(1, 7));
  EXPECT_EQ(LoadsSent(), 3);
  EXPECT_EQ(shell.rebuilds, 2) << "a minimized window's bank list is left alone";
}

TEST_F(BankSwitchingTest, SystemExclusiveLoadsSlotsOnTheSelectedDevice) {
  StartDevices(1);
  for (int slot : {3, 4, 9, 10}) Assign(0, slot);
  SendSysEx({0xF0, 0x00, 0x03, 0x04, 0xF7});
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 3));
  EXPECT_TRUE(IsLoaded(0, 4));
  EXPECT_EQ(LoadsSent(), 2) << "the single device is also found by its selector";

  // The only device takes every selector; a message stops at the recorded end.
  const std::vector<std::uint8_t> bytes = {0x05, 0xF0, 0x21, 0xF7, 0xF0, 0x10, 0x09, 0x0A, 0xF7};
  requests.DispatchSystemExclusive(bytes.data(), 7);
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 9));
  EXPECT_FALSE(IsLoaded(0, 10));
}

TEST_F(BankSwitchingTest, SelectorNamesKindAndNumberWithinItsBackend) {
  StartDevices(2, 1);
  ASSERT_EQ(layer.Count(), 3);
  Assign(0, 2);
  Assign(1, 2);
  Assign(1, 3);
  SendSysEx({0xF0, 0x10, 0x02, 0xF7, 0x7F, 0xF0, 0x10, 0x03});
  SendSysEx({0xF0, 0x20, 0x02, 0xF7});  // no third card
  requests.RunPendingRequests();
  EXPECT_FALSE(IsLoaded(0, 2));
  EXPECT_TRUE(IsLoaded(1, 2));
  EXPECT_TRUE(IsLoaded(1, 3));
}

TEST_F(BankSwitchingTest, OutsideVirtualBankModeOnlyUnloadingWorks) {
  StartDevices(1, 0, false);
  ASSERT_EQ(LoadBank(layer, 0, 3, SoundSet("C:\\Banks\\Piano.tts", "Piano").c_str()), kErrOk);
  platform::sim::ClearDriverMessages();
  Assign(0, 4);
  Assign(0, 5);
  Send(0xC0, 4, 0);
  Send(0xB0, 16, 5);
  SendSysEx({0xF0, 0x00, 0x04, 0x05, 0xF7});
  Send(0xB0, 26, 3);
  requests.RunPendingRequests();
  EXPECT_FALSE(IsLoaded(0, 4));
  EXPECT_FALSE(IsLoaded(0, 5));
  EXPECT_FALSE(IsLoaded(0, 3));
  EXPECT_EQ(PathOf(0, 3), "") << "outside virtual bank mode an unload forgets the bank";
  EXPECT_EQ(LoadsSent(), 0);
}

TEST_F(BankSwitchingTest, DevicesAndSlotsOutsideTheTablesAreIgnored) {
  StartDevices(1);
  Assign(0, 0);
  Send(0xB0, 0, 9);
  Send(0xC0, 0, 0);       // selected device 9
  Send(0xB0, 25, 0);      // device 9
  Send(0xB0, 39, 0);      // device 13
  Send(0xB0, 16 + 1, 0);  // device 1 of 1
  SendSysEx({0xF0, 0x00, 0x80, 0xF6, 0xF0, 0x7F, 0xF7});
  requests.LoadVirtualBank(-1, 0);  // from linked connections
  requests.LoadVirtualBank(0, 200);
  requests.RunPendingRequests();
  EXPECT_FALSE(IsLoaded(0, 0));
  EXPECT_TRUE(platform::sim::DriverMessages().empty());
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(shell.trayMenus + shell.rebuilds + shell.resets, 0);
}

TEST_F(BankSwitchingTest, Controller15LoadsANumberedPresetAndOtherMessagesAskNothing) {
  StartDevices(1);
  for (std::uint32_t status : {0x80u, 0x90u, 0xA0u, 0xD0u, 0xE0u, 0xF8u}) Send(status, 0, 1);
  for (std::uint32_t controller : {1u, 14u, 40u, 64u, 127u}) Send(0xB0, controller, 1);
  SendSysEx({0xF0, 0xF7, 0x00, 0x01, 0xF7, 0xF0});
  EXPECT_EQ(PostedUserInterfaceWork(), 0u);

  Send(0xBF, 15, 12);
  requests.RunPendingRequests();
  EXPECT_EQ(presetsLoaded, std::vector<int>{12});
}

// In the status line: a box would hold up the MIDI that follows.
TEST_F(BankSwitchingTest, FailuresAreReportedNamingTheOperation) {
  std::vector<std::string> texts;
  SetStatusLine([&texts](const std::string& text) { texts.push_back(text); });
  StartDevices(1);
  Assign(0, 1);
  Assign(0, 2);
  ASSERT_EQ(LoadBank(layer, 0, 2, PathOf(0, 2).c_str()), kErrOk);
  platform::sim::SetDriverHook(
      [](std::uint32_t message, std::intptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
        if (message == ews64::kMsgLoadBank) return 87;
        return std::nullopt;
      });
  Send(0xB0, 16, 1);
  requests.RunPendingRequests();
  EXPECT_FALSE(IsLoaded(0, 1));
  EXPECT_STRNE(PathOf(0, 1).c_str(), "");
  EXPECT_EQ(shell.trayMenus, 1);

  layer.Device(0).kind = 7;  // a device that cannot be opened
  Send(0xB0, 26, 2);
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 2));
  layer.Device(0).kind = kKindEws64;
  SetStatusLine(nullptr);
  EXPECT_TRUE(BoxTexts().empty());
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[0].find("'LoadVirtualBank()'"), std::string::npos) << texts[0];
  EXPECT_NE(texts[1].find("'ClearBankByMidi()'"), std::string::npos) << texts[1];
  EXPECT_EQ(errors.ErrorCode, kErrOk);
}

// A request's message box runs the window's message loop, which asks for
// the queue again: the requests behind it still wait for their turn.
TEST_F(BankSwitchingTest, RequestsBehindARunningOneWaitForIt) {
  StartDevices(2);
  Assign(1, 5);
  int selectedMeanwhile = -1;
  whilePresetLoads = [&] {
    requests.RunPendingRequests();
    selectedMeanwhile = switching.SelectedDevice();
  };
  Send(0xB0, 15, 3);
  Send(0xB0, 0, 1);
  Send(0xC0, 5, 0);
  requests.RunPendingRequests();
  EXPECT_EQ(selectedMeanwhile, 0);
  EXPECT_TRUE(IsLoaded(1, 5));
}

// A burst that waits for the window: only the last preset switch and the
// last load of each slot run, each where it came; Program Changes load on
// the device selected before them, also when that selection is merged away.
TEST_F(BankSwitchingTest, OfABurstOnlyTheLastPresetSwitchAndTheLastLoadOfEachSlotRun) {
  StartDevices(2);
  Assign(0, 5);
  Assign(1, 5);
  Assign(0, 7);
  std::vector<bool> slot7LoadedAtSwitch;
  whilePresetLoads = [&] { slot7LoadedAtSwitch.push_back(IsLoaded(0, 7)); };
  Send(0xB0, 16, 5);
  Send(0xB0, 26, 5);
  for (int i = 0; i < 300; ++i) Send(0xB0, 15, 4 + i % 2);
  Send(0xB0, 0, 1);
  Send(0xC0, 5, 0);   // device 1
  Send(0xB0, 16, 5);  // device 0, after its unload
  Send(0xB0, 16, 7);
  Send(0xB0, 0, 0);
  Send(0xC0, 7, 0);   // device 0 again
  requests.RunPendingRequests();
  EXPECT_EQ(presetsLoaded, std::vector<int>{5});
  EXPECT_EQ(slot7LoadedAtSwitch, std::vector<bool>{false}) << "a load that came after the switch ran before it";
  EXPECT_TRUE(IsLoaded(0, 5));
  EXPECT_TRUE(IsLoaded(1, 5));
  EXPECT_TRUE(IsLoaded(0, 7));
  EXPECT_EQ(LoadsSent(), 3) << "device 0's slot 5 is loaded once, after its unload";
  EXPECT_EQ(switching.SelectedDevice(), 0);
}

// With a click waiting, a turn runs one request and leaves the others for a
// turn after the click; the MIDI side asks for no other turn meanwhile.
TEST_F(BankSwitchingTest, AClickWaitingIsAnsweredBetweenTwoRequests) {
  StartDevices(1);
  Assign(0, 1);
  Assign(0, 2);
  Send(0xB0, 15, 3);
  Send(0xB0, 16, 1);
  platform::sim::SetUserInputWaiting(true);
  requests.RunPendingRequests();
  EXPECT_EQ(presetsLoaded, std::vector<int>{3});
  EXPECT_FALSE(IsLoaded(0, 1));
  EXPECT_EQ(PostedUserInterfaceWorkAfterInput(), 1u);
  Send(0xB0, 15, 4);
  Send(0xC0, 2, 0);
  EXPECT_EQ(PostedUserInterfaceWork(), 1u);

  // The turn after the click runs at least one request, even if the user
  // goes on clicking.
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 1));
  EXPECT_EQ(presetsLoaded, std::vector<int>{3});
  EXPECT_EQ(PostedUserInterfaceWorkAfterInput(), 2u);
  platform::sim::SetUserInputWaiting(false);
  requests.RunPendingRequests();
  EXPECT_EQ(presetsLoaded, (std::vector<int>{3, 4}));
  EXPECT_TRUE(IsLoaded(0, 2));
  EXPECT_EQ(PostedUserInterfaceWorkAfterInput(), 2u);
  Send(0xC0, 1, 0);
  EXPECT_EQ(PostedUserInterfaceWork(), 2u) << "once nothing waits, a request asks for a turn again";
}

TEST_F(BankSwitchingTest, FullQueueDropsAndCountsWhatDoesNotFit) {
  StartDevices(1);
  for (std::size_t i = 0; i < kBankSwitchingQueueSize + 6; ++i) Send(0xB0, 0, 0);
  EXPECT_EQ(requests.DroppedRequests(), 6u);
  EXPECT_EQ(PostedUserInterfaceWork(), 1u) << "one turn is asked for until it runs";
  requests.RunPendingRequests();
  Assign(0, 1);
  Send(0xC0, 1, 0);
  EXPECT_EQ(PostedUserInterfaceWork(), 2u);
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 1));
}

// A request that throws ends its run with the exception, which the window
// shows; the requests behind it are not lost and get a turn of their own.
TEST_F(BankSwitchingTest, ARequestThatThrowsLeavesTheOthersForTheNextTurn) {
  StartDevices(1);
  Assign(0, 7);
  whilePresetLoads = [] { throw std::runtime_error("preset folder gone"); };
  Send(0xB0, 15, 3);
  Send(0xC0, 7, 0);
  const std::size_t posted = PostedUserInterfaceWork();
  EXPECT_THROW(requests.RunPendingRequests(), std::runtime_error);
  EXPECT_FALSE(IsLoaded(0, 7));
  EXPECT_EQ(PostedUserInterfaceWork(), posted + 1);

  whilePresetLoads = nullptr;
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(0, 7));
  EXPECT_FALSE(turn.InOperation());
  // And the queue asks for turns as before.
  Send(0xB0, 15, 4);
  EXPECT_EQ(PostedUserInterfaceWork(), posted + 2);
  requests.RunPendingRequests();
  EXPECT_EQ(presetsLoaded, (std::vector<int>{3, 4}));
}

}  // namespace
}  // namespace korvel
