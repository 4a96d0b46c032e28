// The simulated platform's MIDI calls behave like winmm with a real driver:
// callbacks on a thread of their own, header flags and result codes, buffers
// handed back by the resets before they return, and callbacks that call back
// into winmm.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"

#include "tests/unit/AllocationCounter.h"

namespace platform {
namespace {

enum : unsigned { kKeysIn, kPadsIn };     // Keys opens once, Pads any number of times
enum : unsigned { kSynthOut, kThruOut };  // likewise

struct Notice {
  std::uintptr_t handle;
  unsigned message;
  std::uintptr_t param1;
  std::uintptr_t param2;
  std::thread::id thread;
};

// Records every callback; `react` runs on the MIDI thread after recording.
class Recorder {
 public:
  std::function<void(const Notice&)> react;

  static void KORVEL_MIDI_CALLBACK Callback(std::uintptr_t handle, unsigned message,
                                            std::uintptr_t instance, std::uintptr_t param1,
                                            std::uintptr_t param2) {
    auto* self = reinterpret_cast<Recorder*>(instance);
    const Notice notice{handle, message, param1, param2, std::this_thread::get_id()};
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->notices_.push_back(notice);
    }
    if (self->react) self->react(notice);
  }
  std::uintptr_t Instance() { return reinterpret_cast<std::uintptr_t>(this); }

  std::vector<Notice> Notices() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notices_;
  }
  std::vector<unsigned> Messages() {
    std::vector<unsigned> messages;
    for (const Notice& notice : Notices()) messages.push_back(notice.message);
    return messages;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    notices_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<Notice> notices_;
};

struct Buffer {
  explicit Buffer(std::uint32_t size) : bytes(size) {
    header.data = bytes.data();
    header.bufferLength = size;
  }
  std::vector<char> bytes;
  MidiHeader header{};
  std::string Recorded() const { return std::string(bytes.data(), header.bytesRecorded); }
};

std::uintptr_t Address(const MidiHeader& header) {
  return reinterpret_cast<std::uintptr_t>(&header);
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

class SimMidiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SetMidiDevices({{"Keys", true}, {"Pads", false}}, {{"Synth", true}, {"Thru", false}});
  }
  // Stops the MIDI thread before the recorders go.
  void TearDown() override { sim::Reset(sandbox.Root()); }

  MidiIn OpenIn(unsigned id, Recorder& recorder) {
    MidiIn in = 0;
    EXPECT_EQ(midiInOpen(&in, id, Recorder::Callback, recorder.Instance()), kMmNoError);
    return in;
  }
  MidiOut OpenOut(unsigned id, Recorder& recorder) {
    MidiOut out = 0;
    EXPECT_EQ(midiOutOpen(&out, id, Recorder::Callback, recorder.Instance()), kMmNoError);
    return out;
  }
  // Prepares and queues each buffer on the input.
  static void Queue(MidiIn in, std::vector<Buffer*> buffers) {
    for (Buffer* buffer : buffers) {
      ASSERT_EQ(midiInPrepareHeader(in, &buffer->header, sizeof(MidiHeader)), kMmNoError);
      ASSERT_EQ(midiInAddBuffer(in, &buffer->header, sizeof(MidiHeader)), kMmNoError);
    }
  }

  sim::Sandbox sandbox;
  Recorder inputSide;
  Recorder outputSide;
};

TEST_F(SimMidiTest, DevicesAreListedWithTheirCapabilities) {
  sim::SetMidiDevices({{"In", false}, {std::string(40, 'x'), false}}, {{"Out", false}});
  EXPECT_EQ(midiInGetNumDevs(), 2u);
  EXPECT_EQ(midiOutGetNumDevs(), 1u);

  MidiInCaps in{};
  ASSERT_EQ(midiInGetDevCapsA(1, &in, sizeof in), kMmNoError);
  EXPECT_EQ(std::string(in.name), std::string(31, 'x'));
  MidiOutCaps out{};
  ASSERT_EQ(midiOutGetDevCapsA(0, &out, sizeof out), kMmNoError);
  EXPECT_STREQ(out.name, "Out");
  EXPECT_EQ(midiInGetDevCapsA(2, &in, sizeof in), kMmBadDeviceId);
  EXPECT_EQ(midiOutGetDevCapsA(1, &out, sizeof out), kMmBadDeviceId);

  // A short record gets only what fits.
  MidiInCaps partial{};
  std::memset(&partial, 0x55, sizeof partial);
  ASSERT_EQ(midiInGetDevCapsA(0, &partial, 10), kMmNoError);
  EXPECT_EQ(std::string(partial.name, 2), "In");
  EXPECT_EQ(partial.name[2], 0x55);

  sim::Reset(sandbox.Root());
  EXPECT_EQ(midiInGetNumDevs(), 0u);
  EXPECT_EQ(midiOutGetNumDevs(), 0u);
}

TEST_F(SimMidiTest, OpenAndCloseNotifyOnTheMidiThreadBeforeReturning) {
  const MidiIn in = OpenIn(kKeysIn, inputSide);
  const MidiOut out = OpenOut(kSynthOut, outputSide);
  EXPECT_NE(in, 0u);
  EXPECT_NE(out, 0u);
  EXPECT_NE(in, out);
  EXPECT_EQ(inputSide.Messages(), std::vector<unsigned>{kMimOpen});
  EXPECT_EQ(outputSide.Messages(), std::vector<unsigned>{kMomOpen});
  EXPECT_EQ(sim::OpenMidiHandles(), 2u);

  ASSERT_EQ(midiInClose(in), kMmNoError);
  ASSERT_EQ(midiOutClose(out), kMmNoError);
  EXPECT_EQ(inputSide.Messages(), (std::vector<unsigned>{kMimOpen, kMimClose}));
  EXPECT_EQ(outputSide.Messages(), (std::vector<unsigned>{kMomOpen, kMomClose}));
  for (const Notice& notice : inputSide.Notices()) {
    EXPECT_EQ(notice.handle, in);
    EXPECT_NE(notice.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(sim::OpenMidiHandles(), 0u);

  // Closed handles, and handles of the other direction, are invalid.
  EXPECT_EQ(midiInClose(in), kMmInvalidHandle);
  EXPECT_EQ(midiInStart(in), kMmInvalidHandle);
  EXPECT_EQ(midiOutShortMsg(out, 0x90), kMmInvalidHandle);
  const MidiOut thru = OpenOut(kThruOut, outputSide);
  EXPECT_EQ(midiInClose(thru), kMmInvalidHandle);
  EXPECT_EQ(midiOutClose(thru), kMmNoError);
}

TEST_F(SimMidiTest, DevicesThatOpenOnceRefuseASecondOpenUntilClosed) {
  const MidiIn keys = OpenIn(kKeysIn, inputSide);
  MidiIn second = 123;
  EXPECT_EQ(midiInOpen(&second, kKeysIn, Recorder::Callback, inputSide.Instance()), kMmAllocated);
  EXPECT_EQ(second, 0u);
  const MidiOut synth = OpenOut(kSynthOut, outputSide);
  MidiOut secondOut = 0;
  EXPECT_EQ(midiOutOpen(&secondOut, kSynthOut, nullptr, 0), kMmAllocated);

  // Other devices open any number of times.
  const MidiIn pads1 = OpenIn(kPadsIn, inputSide);
  const MidiIn pads2 = OpenIn(kPadsIn, inputSide);
  EXPECT_NE(pads1, pads2);
  EXPECT_EQ(midiInOpen(&second, 7, nullptr, 0), kMmBadDeviceId);

  ASSERT_EQ(midiInClose(keys), kMmNoError);
  ASSERT_EQ(midiOutClose(synth), kMmNoError);
  EXPECT_EQ(midiInOpen(&second, kKeysIn, nullptr, 0), kMmNoError);
  EXPECT_EQ(midiOutOpen(&secondOut, kSynthOut, nullptr, 0), kMmNoError);
}

TEST_F(SimMidiTest, ShortInputReachesEveryStartedHandleInOrder) {
  const MidiIn started1 = OpenIn(kPadsIn, inputSide);
  Recorder other;
  const MidiIn started2 = OpenIn(kPadsIn, other);
  Recorder idle;
  OpenIn(kPadsIn, idle);
  ASSERT_EQ(midiInStart(started1), kMmNoError);
  ASSERT_EQ(midiInStart(started2), kMmNoError);

  sim::SendMidiShort(kPadsIn, 0x403C90);
  sim::SendMidiShort(kPadsIn, 0x003C80);
  sim::SendMidiShort(kKeysIn, 0x7FB0);
  ASSERT_TRUE(sim::WaitForMidiIdle());

  for (Recorder* recorder : {&inputSide, &other}) {
    const std::vector<Notice> notices = recorder->Notices();
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[1].message, kMimData);
    EXPECT_EQ(notices[1].param1, 0x403C90u);
    EXPECT_EQ(notices[2].param1, 0x003C80u);
    EXPECT_NE(notices[1].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(idle.Messages(), std::vector<unsigned>{kMimOpen});

  // A stopped input records nothing more.
  ASSERT_EQ(midiInStop(started1), kMmNoError);
  sim::SendMidiShort(kPadsIn, 0x90);
  ASSERT_TRUE(sim::WaitForMidiIdle());
  EXPECT_EQ(inputSide.Notices().size(), 3u);
  EXPECT_EQ(other.Notices().size(), 4u);
}

TEST_F(SimMidiTest, HeadersArePreparedQueuedAndHandedBackByReset) {
  const MidiIn in = OpenIn(kKeysIn, inputSide);
  Buffer first(16), second(16);

  EXPECT_EQ(midiInAddBuffer(in, &first.header, sizeof(MidiHeader)), kMidiUnprepared);
  ASSERT_EQ(midiInPrepareHeader(in, &first.header, sizeof(MidiHeader)), kMmNoError);
  EXPECT_EQ(first.header.flags, kMhdrPrepared);
  first.header.flags |= kMhdrDone;
  ASSERT_EQ(midiInAddBuffer(in, &first.header, sizeof(MidiHeader)), kMmNoError);
  EXPECT_EQ(first.header.flags, kMhdrPrepared | kMhdrInQueue);
  EXPECT_EQ(midiInAddBuffer(in, &first.header, sizeof(MidiHeader)), kMidiStillPlaying);
  EXPECT_EQ(midiInUnprepareHeader(in, &first.header, sizeof(MidiHeader)), kMidiStillPlaying);
  Queue(in, {&second});
  EXPECT_EQ(midiInClose(in), kMidiStillPlaying);

  // Reset hands both back, empty, in queue order, before it returns.
  first.header.bytesRecorded = 99;
  ASSERT_EQ(midiInReset(in), kMmNoError);
  const std::vector<Notice> notices = inputSide.Notices();
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices[1].message, kMimLongData);
  EXPECT_EQ(notices[1].param1, Address(first.header));
  EXPECT_EQ(notices[2].param1, Address(second.header));
  EXPECT_EQ(first.header.bytesRecorded, 0u);
  EXPECT_EQ(first.header.flags, kMhdrPrepared | kMhdrDone);

  ASSERT_EQ(midiInUnprepareHeader(in, &first.header, sizeof(MidiHeader)), kMmNoError);
  EXPECT_EQ(first.header.flags, kMhdrDone);
  EXPECT_EQ(midiInUnprepareHeader(in, &first.header, sizeof(MidiHeader)), kMmNoError);
  EXPECT_EQ(midiInClose(in), kMmNoError);
}

TEST_F(SimMidiTest, SystemExclusiveInputFillsTheBuffersOldestFirst) {
  const MidiIn in = OpenIn(kKeysIn, inputSide);
  Buffer first(4), second(4), third(8);
  Queue(in, {&first, &second, &third});

  // Not started: nothing is recorded and nothing counts as dropped.
  sim::SendMidiLong(kKeysIn, Bytes("\xF0..\xF7"));
  ASSERT_TRUE(sim::WaitForMidiIdle());
  EXPECT_EQ(inputSide.Notices().size(), 1u);
  EXPECT_EQ(sim::DroppedMidiInput(kKeysIn), 0u);

  ASSERT_EQ(midiInStart(in), kMmNoError);
  sim::SendMidiLong(kKeysIn, Bytes("\xF0" "abcde\xF7"));
  sim::SendMidiLong(kKeysIn, Bytes("\xF0" "0123456789\xF7"));
  ASSERT_TRUE(sim::WaitForMidiIdle());

  EXPECT_EQ(first.Recorded(), "\xF0" "abc");
  EXPECT_EQ(second.Recorded(), "de\xF7");
  EXPECT_EQ(third.Recorded(), "\xF0" "0123456");
  EXPECT_EQ(third.header.flags, kMhdrPrepared | kMhdrDone);
  // "789\xF7" found no buffer.
  EXPECT_EQ(sim::DroppedMidiInput(kKeysIn), 4u);
  const std::vector<Notice> notices = inputSide.Notices();
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_EQ(notices[1].param1, Address(first.header));
  EXPECT_EQ(notices[2].param1, Address(second.header));
  EXPECT_EQ(notices[3].param1, Address(third.header));
}

TEST_F(SimMidiTest, OutputsRecordShortMessagesKeepingTheLatest) {
  const MidiOut out = OpenOut(kThruOut, outputSide);
  const std::uint32_t total = 65536 + 3;
  for (std::uint32_t n = 0; n < total; ++n) ASSERT_EQ(midiOutShortMsg(out, n), kMmNoError);

  const std::vector<std::uint32_t> kept = sim::MidiShortOutput(kThruOut);
  ASSERT_EQ(kept.size(), 65536u);
  EXPECT_EQ(kept.front(), 3u);
  EXPECT_EQ(kept.back(), total - 1);
  EXPECT_TRUE(sim::WaitForMidiOutput(kThruOut, total, 0));
  EXPECT_FALSE(sim::WaitForMidiOutput(kThruOut, total + 1, 10));
  EXPECT_TRUE(sim::MidiShortOutput(kSynthOut).empty());
}

// Sends each buffer as a long message (marked prepared, as winmm would) and
// waits until every one is done.
void SendLongs(MidiOut out, std::vector<std::unique_ptr<Buffer>>& buffers) {
  for (auto& buffer : buffers) {
    buffer->header.flags = kMhdrPrepared;
    ASSERT_EQ(midiOutLongMsg(out, &buffer->header, sizeof(MidiHeader)), kMmNoError);
  }
  ASSERT_TRUE(sim::WaitForMidiIdle());
}

TEST_F(SimMidiTest, OutputsRecordLongMessagesKeepingTheLatest) {
  const MidiOut out = OpenOut(kThruOut, outputSide);
  ASSERT_EQ(midiOutShortMsg(out, 0x403C90), kMmNoError);
  const std::uint32_t total = 256 + 5;
  std::vector<std::unique_ptr<Buffer>> buffers;
  std::vector<std::vector<std::uint8_t>> sent;
  for (std::uint32_t n = 0; n < total; ++n) {
    sent.push_back({0xF0, static_cast<std::uint8_t>(n & 0x7F), static_cast<std::uint8_t>(n >> 7),
                    0xF7});
    buffers.push_back(std::make_unique<Buffer>(4));
    std::memcpy(buffers.back()->bytes.data(), sent.back().data(), 4);
  }
  SendLongs(out, buffers);

  const auto kept = sim::MidiLongOutput(kThruOut);
  EXPECT_EQ(kept, std::vector<std::vector<std::uint8_t>>(sent.begin() + 5, sent.end()));
  // Every message counts, the forgotten ones and the short one too.
  EXPECT_TRUE(sim::WaitForMidiOutput(kThruOut, total + 1, 0));
  EXPECT_FALSE(sim::WaitForMidiOutput(kThruOut, total + 2, 10));
  EXPECT_TRUE(sim::MidiLongOutput(kSynthOut).empty());
}

TEST_F(SimMidiTest, LongOutputKeepsAMegabyteButAlwaysTheLatestMessage) {
  const MidiOut out = OpenOut(kThruOut, outputSide);
  std::vector<std::unique_ptr<Buffer>> buffers;
  for (char n = 0; n < 5; ++n) {
    buffers.push_back(std::make_unique<Buffer>(300000));
    buffers.back()->bytes.front() = n;
  }
  SendLongs(out, buffers);
  // Three of 300000 bytes fit in 1048576, four would not.
  auto kept = sim::MidiLongOutput(kThruOut);
  ASSERT_EQ(kept.size(), 3u);
  for (std::uint8_t n = 0; n < 3; ++n) {
    EXPECT_EQ(kept[n].size(), 300000u);
    EXPECT_EQ(kept[n].front(), n + 2);
  }

  std::vector<std::unique_ptr<Buffer>> large;
  large.push_back(std::make_unique<Buffer>(2 * 1048576));
  large.back()->bytes.front() = 9;
  SendLongs(out, large);
  kept = sim::MidiLongOutput(kThruOut);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].size(), 2u * 1048576);
  EXPECT_EQ(kept[0].front(), 9);
  EXPECT_TRUE(sim::WaitForMidiOutput(kThruOut, 6, 0));
}

#ifdef KORVEL_COUNTS_ALLOCATIONS
TEST_F(SimMidiTest, ShortMessagesAllocateNothing) {
  const MidiOut out = OpenOut(kThruOut, outputSide);
  ASSERT_EQ(midiOutShortMsg(out, 0x90), kMmNoError);  // first use of the call

  korvel::testing::AllocationCounter counter;
  ASSERT_TRUE(counter.Installed());
  for (std::uint32_t n = 0; n < 100; ++n) midiOutShortMsg(out, 0x403C90);
  EXPECT_EQ(counter.Allocations(), 0);
}
#endif

TEST_F(SimMidiTest, LongOutputIsCopiedAndDoneOnlyAfterTheCall) {
  const MidiOut out = OpenOut(kSynthOut, outputSide);
  Buffer message(5);
  std::memcpy(message.bytes.data(), "\xF0\x7E\x7F\x09\xF7", 5);
  EXPECT_EQ(midiOutLongMsg(out, &message.header, sizeof(MidiHeader)), kMidiUnprepared);
  EXPECT_TRUE(sim::MidiLongOutput(kSynthOut).empty());

  // Sent from a callback, the header is still queued when the call returns:
  // its MOM_DONE can only come after the callback.
  std::uint32_t flagsOnReturn = 0;
  const MidiIn in = OpenIn(kPadsIn, inputSide);
  ASSERT_EQ(midiInPrepareHeader(in, &message.header, sizeof(MidiHeader)), kMmNoError);
  inputSide.react = [&](const Notice& notice) {
    if (notice.message != kMimData) return;
    EXPECT_EQ(midiOutLongMsg(out, &message.header, sizeof(MidiHeader)), kMmNoError);
    flagsOnReturn = message.header.flags;
  };
  ASSERT_EQ(midiInStart(in), kMmNoError);
  sim::SendMidiShort(kPadsIn, 0xF8);
  ASSERT_TRUE(sim::WaitForMidiIdle());

  EXPECT_EQ(flagsOnReturn, kMhdrPrepared | kMhdrInQueue);
  EXPECT_EQ(message.header.flags, kMhdrPrepared | kMhdrDone);
  EXPECT_EQ(outputSide.Messages(), (std::vector<unsigned>{kMomOpen, kMomDone}));
  EXPECT_EQ(outputSide.Notices()[1].param1, Address(message.header));
  EXPECT_EQ(sim::MidiLongOutput(kSynthOut),
            (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x7E, 0x7F, 0x09, 0xF7}}));
}

TEST_F(SimMidiTest, HeldOutputKeepsLongMessagesUntilReleasedOrReset) {
  const MidiOut out = OpenOut(kThruOut, outputSide);
  Buffer first(3), second(3);
  for (Buffer* buffer : {&first, &second}) buffer->header.flags = kMhdrPrepared;
  sim::HoldMidiOutput(kThruOut, true);

  ASSERT_EQ(midiOutLongMsg(out, &first.header, sizeof(MidiHeader)), kMmNoError);
  ASSERT_TRUE(sim::WaitForMidiIdle());
  EXPECT_EQ(first.header.flags, kMhdrPrepared | kMhdrInQueue);
  EXPECT_EQ(outputSide.Messages(), std::vector<unsigned>{kMomOpen});
  EXPECT_EQ(midiOutLongMsg(out, &first.header, sizeof(MidiHeader)), kMidiStillPlaying);
  EXPECT_EQ(midiOutUnprepareHeader(out, &first.header, sizeof(MidiHeader)), kMidiStillPlaying);
  EXPECT_EQ(midiOutClose(out), kMidiStillPlaying);

  // Reset completes it before it returns, although the output is still held.
  ASSERT_EQ(midiOutReset(out), kMmNoError);
  EXPECT_EQ(outputSide.Messages(), (std::vector<unsigned>{kMomOpen, kMomDone}));
  EXPECT_EQ(first.header.flags, kMhdrPrepared | kMhdrDone);

  // Releasing completes what was held since.
  ASSERT_EQ(midiOutLongMsg(out, &second.header, sizeof(MidiHeader)), kMmNoError);
  sim::HoldMidiOutput(kThruOut, false);
  ASSERT_TRUE(sim::WaitForMidiIdle());
  EXPECT_EQ(outputSide.Notices().back().param1, Address(second.header));
  EXPECT_EQ(second.header.flags, kMhdrPrepared | kMhdrDone);
  ASSERT_EQ(midiOutUnprepareHeader(out, &second.header, sizeof(MidiHeader)), kMmNoError);
  EXPECT_EQ(midiOutClose(out), kMmNoError);
}

// A connection as the program makes one: short messages go straight out,
// a received buffer goes to the output as it is and back to the input when
// done, and buffers returned empty by a reset are unprepared.
TEST_F(SimMidiTest, CallbacksForwardThroughWinmmFromTheMidiThread) {
  Recorder connection;
  MidiIn in = 0;
  MidiOut out = 0;
  connection.react = [&](const Notice& notice) {
    auto* header = reinterpret_cast<MidiHeader*>(notice.param1);
    if (notice.message == kMimData) {
      midiOutShortMsg(out, static_cast<std::uint32_t>(notice.param1));
    } else if (notice.message == kMimLongData && header->bytesRecorded == 0) {
      EXPECT_EQ(midiInUnprepareHeader(in, header, sizeof(MidiHeader)), kMmNoError);
    } else if (notice.message == kMimLongData) {
      header->bufferLength = header->bytesRecorded;
      EXPECT_EQ(midiOutLongMsg(out, header, sizeof(MidiHeader)), kMmNoError);
    } else if (notice.message == kMomDone) {
      EXPECT_EQ(midiInAddBuffer(in, header, sizeof(MidiHeader)), kMmNoError);
    }
  };
  out = OpenOut(kSynthOut, connection);
  in = OpenIn(kKeysIn, connection);
  ASSERT_EQ(midiInStart(in), kMmNoError);
  Buffer first(4), second(4);
  Queue(in, {&first, &second});

  sim::SendMidiShort(kKeysIn, 0x403C90);
  sim::SendMidiLong(kKeysIn, Bytes("\xF0" "abcdef\xF7"));
  sim::SendMidiLong(kKeysIn, Bytes("\xF0\xF7"));
  ASSERT_TRUE(sim::WaitForMidiOutput(kSynthOut, 4));
  ASSERT_TRUE(sim::WaitForMidiIdle());

  EXPECT_EQ(sim::MidiShortOutput(kSynthOut), std::vector<std::uint32_t>{0x403C90});
  EXPECT_EQ(sim::MidiLongOutput(kSynthOut),
            (std::vector<std::vector<std::uint8_t>>{
                Bytes("\xF0" "abc"), Bytes("def\xF7"), Bytes("\xF0\xF7")}));
  EXPECT_EQ(sim::DroppedMidiInput(kKeysIn), 0u);
  EXPECT_EQ(first.header.flags & kMhdrInQueue, kMhdrInQueue);

  // Closing as the program does: both buffers come back empty and are unprepared.
  ASSERT_EQ(midiOutReset(out), kMmNoError);
  ASSERT_EQ(midiOutClose(out), kMmNoError);
  ASSERT_EQ(midiInStop(in), kMmNoError);
  ASSERT_EQ(midiInReset(in), kMmNoError);
  EXPECT_EQ(first.header.flags, kMhdrDone);
  EXPECT_EQ(second.header.flags, kMhdrDone);
  EXPECT_EQ(midiInClose(in), kMmNoError);
}

TEST_F(SimMidiTest, InjectedFailuresAndTheCallLog) {
  sim::ClearMidiCallLog();
  sim::SetMidiFailure("midiInOpen", kMmAllocated);
  MidiIn in = 77;
  EXPECT_EQ(midiInOpen(&in, kPadsIn, nullptr, 0), kMmAllocated);
  EXPECT_EQ(in, 0u);
  EXPECT_EQ(sim::OpenMidiHandles(), 0u);
  sim::SetMidiFailure("midiInOpen", 0);

  in = OpenIn(kPadsIn, inputSide);
  Buffer buffer(8);
  sim::SetMidiFailure("midiInAddBuffer", kMmNoMemory);
  ASSERT_EQ(midiInPrepareHeader(in, &buffer.header, sizeof(MidiHeader)), kMmNoError);
  EXPECT_EQ(midiInAddBuffer(in, &buffer.header, sizeof(MidiHeader)), kMmNoMemory);
  EXPECT_EQ(buffer.header.flags, kMhdrPrepared);
  sim::SetMidiFailure("midiInClose", kMmError);
  EXPECT_EQ(midiInClose(in), kMmError);
  EXPECT_EQ(sim::OpenMidiHandles(), 1u);
  sim::SetMidiFailure("midiInClose", 0);
  EXPECT_EQ(midiInClose(in), kMmNoError);

  EXPECT_EQ(sim::MidiCallLog(),
            (std::vector<std::string>{"midiInOpen", "midiInOpen", "midiInPrepareHeader",
                                      "midiInAddBuffer", "midiInClose", "midiInClose"}));
  sim::Reset(sandbox.Root());
  EXPECT_TRUE(sim::MidiCallLog().empty());
}

TEST_F(SimMidiTest, ErrorTextsAreBoundedAndTerminated) {
  char text[200];
  ASSERT_EQ(midiInGetErrorTextA(kMmAllocated, text, sizeof text), kMmNoError);
  EXPECT_STREQ(text, "The specified device is already in use. Wait until it is free, and then try again.");
  ASSERT_EQ(midiInGetErrorTextA(kMidiStillPlaying, text, sizeof text), kMmNoError);
  EXPECT_EQ(std::string(text).rfind("Cannot perform this operation", 0), 0u);

  // An unknown code still gets a text.
  EXPECT_EQ(midiInGetErrorTextA(1234, text, sizeof text), 9u);
  EXPECT_STREQ(text, "An error number was specified that is not defined in the system.");

  char small[8];
  std::memset(small, 'x', sizeof small);
  ASSERT_EQ(midiInGetErrorTextA(kMmInvalidHandle, small, 6), kMmNoError);
  EXPECT_STREQ(small, "The s");
  EXPECT_EQ(small[6], 'x');
  EXPECT_EQ(midiInGetErrorTextA(kMmError, small, 0), kMmInvalidParam);
}

TEST_F(SimMidiTest, ResetStopsTheMidiThreadWithInputStillQueued) {
  const MidiIn in = OpenIn(kPadsIn, inputSide);
  ASSERT_EQ(midiInStart(in), kMmNoError);
  inputSide.react = [](const Notice&) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); };
  for (int n = 0; n < 200; ++n) sim::SendMidiShort(kPadsIn, 0x90);

  sim::Reset(sandbox.Root());
  const std::size_t delivered = inputSide.Notices().size();
  EXPECT_EQ(sim::OpenMidiHandles(), 0u);
  EXPECT_EQ(midiInClose(in), kMmInvalidHandle);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(inputSide.Notices().size(), delivered);
}

}  // namespace
}  // namespace platform
