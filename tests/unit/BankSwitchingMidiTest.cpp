// The bank-switching input end to end: a virtual MIDI input chosen as that
// input, messages arriving on the MIDI thread, banks loaded into the
// emulated cards only when the test, as the user-interface thread, runs
// the queued requests.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "midi/ConnectionList.h"
#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "tests/unit/AllocationCounter.h"
#include "tests/unit/BankSwitchingTestSupport.h"

namespace korvel {
namespace {

using platform::sim::MidiDevice;

class BankSwitchingMidiTest : public testsupport::BankSwitchingTest {
 protected:
  // Ports: 0 "Keyboard" (input), 1 "Loop" (both sides), 2 "Synth" (output).
  static constexpr int kKeyboard = 0, kLoop = 1, kSynth = 2;
  static constexpr unsigned kKeyboardIn = 0, kSynthOut = 0;

  void SetUp() override {
    BankSwitchingTest::SetUp();
    platform::sim::SetMidiDevices({MidiDevice{"Keyboard"}, MidiDevice{"Loop"}},
                                  {MidiDevice{"Synth"}, MidiDevice{"Loop"}});
    ports = BuildPortTable();
    SetBankSwitchingHook(&requests);
  }
  void TearDown() override {
    SetBankSwitchingHook(nullptr);
    DestroyPortTable(ports);
    EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
    BankSwitchingTest::TearDown();
  }
  void ChooseInput(int port) {
    config.Set(BankSwitchInput, true);
    switching.SetBankSwitchingInput(*ports, port, false);
  }
  // The MIDI thread has handed on everything and asked for a turn.
  void WaitForRequests() {
    ASSERT_TRUE(platform::sim::WaitForMidiIdle());
    ASSERT_TRUE(platform::sim::WaitForUserInterfaceWork(1));
  }
  // Records on which threads the cards are sent bank loads.
  void RecordLoadingThreads() {
    platform::sim::SetDriverHook([this](std::uint32_t message, std::intptr_t, std::intptr_t)
                                     -> std::optional<std::intptr_t> {
      std::lock_guard<std::mutex> lock(threadsMutex);
      if (message == ews64::kMsgLoadBank) loadingThreads.push_back(std::this_thread::get_id());
      return std::nullopt;
    });
  }

  std::unique_ptr<MidiPortTable> ports;
  std::mutex threadsMutex;
  std::vector<std::thread::id> loadingThreads;
};

TEST_F(BankSwitchingMidiTest, InputMessagesLoadBanksOnTheUserInterfaceThread) {
  StartDevices(2);
  Assign(1, 5);
  Assign(0, 7);
  Assign(0, 3);
  RecordLoadingThreads();
  ChooseInput(kKeyboard);
  ASSERT_EQ(ports->bankSwitchInput, kKeyboard);

  platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0, 0, 1));
  platform::sim::SendMidiShort(kKeyboardIn, Msg(0xC0, 5, 0));
  platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB0, 16, 7));
  platform::sim::SendMidiLong(kKeyboardIn, {0xF0, 0x00, 0x03, 0xF7});
  WaitForRequests();
  EXPECT_TRUE(platform::sim::DriverMessages().empty());
  EXPECT_FALSE(IsLoaded(1, 5));

  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(1, 5));
  EXPECT_TRUE(IsLoaded(0, 7));
  EXPECT_TRUE(IsLoaded(0, 3));
  std::lock_guard<std::mutex> lock(threadsMutex);
  EXPECT_EQ(loadingThreads, std::vector<std::thread::id>(3, std::this_thread::get_id()));
}

TEST_F(BankSwitchingMidiTest, LinkedConnectionQueuesItsBankSelectAndPassesItOn) {
  StartDevices(2);
  Assign(1, 9);
  ASSERT_EQ(Connect(*ports, kKeyboard, kSynth), 0u);
  ports->connections[0]->link = 2;
  platform::sim::SendMidiShort(kKeyboardIn, Msg(0xB2, 0, 9));
  ASSERT_TRUE(platform::sim::WaitForMidiOutput(kSynthOut, 1));
  WaitForRequests();
  EXPECT_EQ(platform::sim::MidiShortOutput(kSynthOut), std::vector<std::uint32_t>{Msg(0xB2, 0, 9)});
  EXPECT_FALSE(IsLoaded(1, 9));
  requests.RunPendingRequests();
  EXPECT_TRUE(IsLoaded(1, 9));
}

TEST_F(BankSwitchingMidiTest, ChoosingAnotherInputOrNoneClosesTheOldOne) {
  ChooseInput(kKeyboard);
  EXPECT_STREQ(config.lastmididev, "Keyboard");
  ChooseInput(kLoop);
  EXPECT_EQ(ports->bankSwitchInput, kLoop);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 1u);
  EXPECT_STREQ(config.lastmididev, "Loop");

  config.Set(BankSwitchInput, false);
  switching.SetBankSwitchingInput(*ports, -1, false);
  EXPECT_EQ(ports->bankSwitchInput, -1);
  EXPECT_EQ(platform::sim::OpenMidiHandles(), 0u);
  EXPECT_STREQ(config.lastmididev, "");
}

TEST_F(BankSwitchingMidiTest, StartUpReopensTheConfiguredInputByName) {
  std::strcpy(config.lastmididev, "Loop");
  config.Set(BankSwitchInput, true);
  switching.SetBankSwitchingInput(*ports, -1, true);
  EXPECT_EQ(ports->bankSwitchInput, kLoop);
  EXPECT_STREQ(config.lastmididev, "Loop");
}

TEST_F(BankSwitchingMidiTest, RefusalsForgetTheName) {
  // A port feeding a linked connection.
  ASSERT_EQ(Connect(*ports, kLoop, kSynth), 0u);
  ports->connections[0]->link = 1;
  ChooseInput(kLoop);
  EXPECT_EQ(ports->bankSwitchInput, -1);
  EXPECT_STREQ(config.lastmididev, "");
  EXPECT_TRUE(config.Has(BankSwitchInput));

  // A configured port that is gone.
  std::strcpy(config.lastmididev, "Gone");
  switching.SetBankSwitchingInput(*ports, -1, true);
  EXPECT_STREQ(config.lastmididev, "");

  // No port at all: the option is cleared.
  ChooseInput(-1);
  EXPECT_FALSE(config.Has(BankSwitchInput));
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                            "Device was already linked with Automated Bank Switching.",
                            "Cannot open any more instances of <unknown device>."}));
}

#ifdef KORVEL_COUNTS_ALLOCATIONS
// Counts, on the MIDI thread, what handing messages on to the queue allocates.
class CountingHook : public BankSwitchingHook {
 public:
  explicit CountingHook(BankSwitchingHook& inner) : inner_(inner) {}
  void DispatchShortMessage(std::uint32_t message) override {
    testing::AllocationCounter counter;
    inner_.DispatchShortMessage(message);
    Add(counter);
  }
  void DispatchSystemExclusive(const std::uint8_t* bytes, std::size_t count) override {
    testing::AllocationCounter counter;
    inner_.DispatchSystemExclusive(bytes, count);
    Add(counter);
  }
  void LoadVirtualBank(int device, int slot) override {
    testing::AllocationCounter counter;
    inner_.LoadVirtualBank(device, slot);
    Add(counter);
  }
  std::atomic<int> allocations{0};
  std::atomic<int> calls{0};
  std::atomic<bool> installed{true};

 private:
  void Add(const testing::AllocationCounter& counter) {
    allocations += counter.Allocations();
    installed = installed && counter.Installed();
    ++calls;
  }
  BankSwitchingHook& inner_;
};

TEST_F(BankSwitchingMidiTest, QueueingOnTheMidiThreadAllocatesNothing) {
  CountingHook counting(requests);
  SetBankSwitchingHook(&counting);
  ChooseInput(kKeyboard);
  ASSERT_EQ(Connect(*ports, kLoop, kSynth), 0u);
  ports->connections[0]->link = 1;
  for (std::uint32_t i = 0; i < 100; ++i) {
    platform::sim::SendMidiShort(kKeyboardIn, Msg(0xC0, i, 0));
    platform::sim::SendMidiShort(1, Msg(0xB0, 0, i));
  }
  platform::sim::SendMidiLong(kKeyboardIn, {0xF0, 0x00, 1, 2, 3, 4, 0xF7});
  WaitForRequests();
  EXPECT_EQ(counting.calls.load(), 201);
  EXPECT_TRUE(counting.installed.load());
  EXPECT_EQ(counting.allocations.load(), 0);
  SetBankSwitchingHook(&requests);
}
#endif

}  // namespace
}  // namespace korvel
