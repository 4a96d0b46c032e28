// The virtual MIDI ports of winekorvel.drv as a program meets them through
// Wine's real winmm, fed and read through the client library as another
// process would. Runs in a prefix with the driver installed and the ports of
// korvelmidi.ini beside this file (the korvel_wine_virtual_midi test).
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "emulators/win32/VirtualMidiClient.h"

namespace korvel::emu::vmidi {
namespace {

constexpr DWORD kTimeoutMs = 3000;
// Far more messages than the channel's rings hold.
constexpr std::uint32_t kBurst = 20000;

struct Notification {
  UINT message;
  DWORD_PTR param1;
  DWORD_PTR param2;
  DWORD thread;
};

// What winmm's callbacks brought, from whichever thread they came.
class Recorder {
 public:
  static void CALLBACK Callback(HANDLE, UINT message, DWORD_PTR instance, DWORD_PTR p1,
                                DWORD_PTR p2) {
    auto* recorder = reinterpret_cast<Recorder*>(instance);
    std::lock_guard<std::mutex> lock(recorder->mutex_);
    recorder->seen_.push_back(Notification{message, p1, p2, GetCurrentThreadId()});
    ++recorder->counts_[message];
  }
  DWORD_PTR Function() const { return reinterpret_cast<DWORD_PTR>(&Callback); }
  DWORD_PTR Instance() { return reinterpret_cast<DWORD_PTR>(this); }

  std::vector<Notification> Seen(UINT message) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Notification> found;
    for (const Notification& n : seen_) {
      if (n.message == message) found.push_back(n);
    }
    return found;
  }
  // The notifications of a kind once there are `count` of them, or those
  // there are after the timeout.
  std::vector<Notification> Await(UINT message, std::size_t count, DWORD timeoutMs = kTimeoutMs) {
    const DWORD start = GetTickCount();
    while (Count(message) < count && GetTickCount() - start < timeoutMs) Sleep(5);
    return Seen(message);
  }

 private:
  std::size_t Count(UINT message) {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_[message];
  }

  std::mutex mutex_;
  std::vector<Notification> seen_;
  std::map<UINT, std::size_t> counts_;
};

std::string InputName(UINT id) {
  MIDIINCAPSA caps{};
  return midiInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "?";
}

std::string OutputName(UINT id) {
  MIDIOUTCAPSA caps{};
  return midiOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "?";
}

struct Buffer {
  explicit Buffer(DWORD size) : bytes(size) {
    header.lpData = bytes.data();
    header.dwBufferLength = size;
  }
  std::vector<char> bytes;
  MIDIHDR header{};
};

// Control changes that carry their number n (18 bits: channel and both data
// bytes), so that a gap or a swap shows.
std::uint32_t Numbered(std::uint32_t n) {
  return 0xB0 | ((n >> 14) & 0x0F) | (n & 0x7F) << 8 | ((n >> 7) & 0x7F) << 16;
}

// How many of messages 0..count-1 are missing or out of place in `got`.
std::size_t Misplaced(const std::vector<std::uint32_t>& got, std::uint32_t count) {
  std::size_t wrong = count > got.size() ? count - got.size() : 0;
  for (std::size_t i = 0; i < got.size(); ++i) wrong += got[i] != Numbered(static_cast<std::uint32_t>(i));
  return wrong;
}

// Reads a port's output on a thread of its own, from before a burst until
// `count` messages came or none came for a while.
class OutputReader {
 public:
  // `pauseMs`: how long the reader pauses after each read.
  OutputReader(const std::string& port, std::uint32_t count, DWORD pauseMs = 0)
      : port_(port), count_(count), pauseMs_(pauseMs) {
    thread_ = CreateThread(nullptr, 0, &OutputReader::Main, this, 0, nullptr);
    while (thread_ && !marked_) Sleep(1);
  }
  ~OutputReader() { Finish(); }
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;

  std::uint64_t Missed() const { return missed_; }
  std::vector<std::uint32_t> Finish() {
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    return got_;
  }

 private:
  static DWORD WINAPI Main(LPVOID self) {
    static_cast<OutputReader*>(self)->Read();
    return 0;
  }
  void Read() {
    VirtualMidiClient client;
    std::uint64_t cursor = client.OutputMark(port_);
    marked_ = true;
    while (got_.size() < count_) {
      const auto messages = client.ReadOutput(port_, &cursor, 1, kTimeoutMs);
      if (messages.empty()) return;
      for (const WireMessage& message : messages) got_.push_back(message.shortMessage);
      Sleep(pauseMs_);
    }
    missed_ = client.Missed();
  }

  const std::string port_;
  const std::uint32_t count_;
  const DWORD pauseMs_;
  HANDLE thread_ = nullptr;
  std::uint64_t missed_ = 0;
  std::atomic<bool> marked_{false};
  std::vector<std::uint32_t> got_;
};

// korvel_midi_port reading a port's output in a process of its own, until
// it is ended.
class ToolReader {
 public:
  explicit ToolReader(const std::string& port) {
    const char* tool = std::getenv("KORVEL_MIDI_PORT_TOOL");
    if (!tool) return;
    std::string command = std::string("\"Z:") + tool + "\" read \"" + port + "\" --wait 1000000 --timeout 600000";
    for (char& c : command) c = c == '/' ? '\\' : c;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  ~ToolReader() { End(); }
  ToolReader(const ToolReader&) = delete;
  ToolReader& operator=(const ToolReader&) = delete;

  bool Started() const { return process_ != nullptr; }
  void End() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kTimeoutMs);
    CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  HANDLE process_ = nullptr;
};

std::vector<std::uint8_t> Recorded(const MIDIHDR& header) {
  return std::vector<std::uint8_t>(header.lpData, header.lpData + header.dwBytesRecorded);
}

class VirtualMidiTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (input) {
      midiInReset(input);
      midiInClose(input);
    }
    if (output) {
      midiOutReset(output);
      midiOutClose(output);
    }
  }
  void OpenInput(UINT id) {
    ASSERT_EQ(midiInOpen(&input, id, recorder.Function(), recorder.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    ASSERT_EQ(midiInStart(input), MMSYSERR_NOERROR);
  }
  void AddBuffer(Buffer& buffer) {
    ASSERT_EQ(midiInPrepareHeader(input, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(midiInAddBuffer(input, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  }
  void OpenOutput(UINT id) {
    ASSERT_EQ(midiOutOpen(&output, id, recorder.Function(), recorder.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
  }

  VirtualMidiClient client;
  Recorder recorder;
  HMIDIIN input = nullptr;
  HMIDIOUT output = nullptr;
};

TEST_F(VirtualMidiTest, WinmmListsTheConfiguredPortsByName) {
  ASSERT_EQ(midiInGetNumDevs(), 2u);
  EXPECT_EQ(InputName(0), "Test Keyboard");
  EXPECT_EQ(InputName(1), "Test Loopback");
  ASSERT_EQ(midiOutGetNumDevs(), 3u);
  EXPECT_EQ(OutputName(0), "Test Synth");
  EXPECT_EQ(OutputName(1), "Test Loopback");
  EXPECT_EQ(OutputName(2), "Test Exclusive");
  MIDIINCAPSA caps{};
  EXPECT_EQ(midiInGetDevCapsA(2, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

TEST_F(VirtualMidiTest, FedShortMessagesArriveOnTheDriverThread) {
  OpenInput(0);
  EXPECT_EQ(recorder.Await(MIM_OPEN, 1).size(), 1u);
  ASSERT_TRUE(client.Connected());
  ASSERT_TRUE(client.SendShort("Test Keyboard", 0x403C90));
  ASSERT_TRUE(client.SendShort("Test Keyboard", 0x003C80));
  const auto data = recorder.Await(MIM_DATA, 2);
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0].param1, 0x403C90u);
  EXPECT_EQ(data[1].param1, 0x003C80u);
  EXPECT_NE(data[0].thread, GetCurrentThreadId());
  // A stopped input hears nothing.
  ASSERT_EQ(midiInStop(input), MMSYSERR_NOERROR);
  ASSERT_TRUE(client.SendShort("Test Keyboard", 0x7F4090));
  Sleep(100);
  EXPECT_EQ(recorder.Seen(MIM_DATA).size(), 2u);
}

TEST_F(VirtualMidiTest, FedLongMessagesFillQueuedBuffersInOrder) {
  OpenInput(0);
  Buffer first(4), second(16);
  AddBuffer(first);
  AddBuffer(second);
  ASSERT_TRUE(client.SendLong("Test Keyboard", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
  const auto done = recorder.Await(MIM_LONGDATA, 2);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&first.header));
  EXPECT_EQ(done[1].param1, reinterpret_cast<DWORD_PTR>(&second.header));
  EXPECT_EQ(Recorded(first.header), (std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09}));
  EXPECT_EQ(Recorded(second.header), (std::vector<std::uint8_t>{0x01, 0xF7}));
  EXPECT_EQ(second.header.dwFlags & (MHDR_DONE | MHDR_INQUEUE), DWORD{MHDR_DONE});
  // With no buffer queued the bytes are dropped, not kept for the next one.
  ASSERT_TRUE(client.SendLong("Test Keyboard", {0xF0, 0x01, 0xF7}));
  Sleep(100);
  Buffer third(16);
  AddBuffer(third);
  ASSERT_TRUE(client.SendLong("Test Keyboard", {0xF0, 0x02, 0xF7}));
  ASSERT_EQ(recorder.Await(MIM_LONGDATA, 3).size(), 3u);
  EXPECT_EQ(Recorded(third.header), (std::vector<std::uint8_t>{0xF0, 0x02, 0xF7}));
}

TEST_F(VirtualMidiTest, ResetReturnsQueuedBuffersEmptyBeforeItReturns) {
  OpenInput(0);
  Buffer buffer(16);
  AddBuffer(buffer);
  EXPECT_EQ(midiInUnprepareHeader(input, &buffer.header, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);
  ASSERT_EQ(midiInReset(input), MMSYSERR_NOERROR);
  const auto returned = recorder.Seen(MIM_LONGDATA);
  ASSERT_EQ(returned.size(), 1u);
  EXPECT_EQ(returned[0].param1, reinterpret_cast<DWORD_PTR>(&buffer.header));
  EXPECT_EQ(buffer.header.dwBytesRecorded, 0u);
  EXPECT_EQ(buffer.header.dwFlags & (MHDR_DONE | MHDR_INQUEUE), DWORD{MHDR_DONE});
  EXPECT_EQ(midiInUnprepareHeader(input, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(midiInClose(input), MMSYSERR_NOERROR);
  input = nullptr;
  EXPECT_EQ(recorder.Seen(MIM_CLOSE).size(), 1u);
}

TEST_F(VirtualMidiTest, OutputMessagesReachTheClient) {
  std::uint64_t cursor = client.OutputMark("Test Synth");
  OpenOutput(0);
  ASSERT_EQ(midiOutShortMsg(output, 0x7F3C90), MMSYSERR_NOERROR);
  char sysex[] = {'\xF0', '\x41', '\x10', '\x42', '\xF7'};
  MIDIHDR header{};
  header.lpData = sysex;
  header.dwBufferLength = sizeof sysex;
  ASSERT_EQ(midiOutPrepareHeader(output, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutLongMsg(output, &header, sizeof header), MMSYSERR_NOERROR);
  const auto done = recorder.Await(MOM_DONE, 1);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&header));
  EXPECT_NE(done[0].thread, GetCurrentThreadId());
  EXPECT_EQ(header.dwFlags & (MHDR_DONE | MHDR_INQUEUE), DWORD{MHDR_DONE});
  EXPECT_EQ(midiOutUnprepareHeader(output, &header, sizeof header), MMSYSERR_NOERROR);

  const auto received = client.ReadOutput("Test Synth", &cursor, 2, kTimeoutMs);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_FALSE(received[0].isLong);
  EXPECT_EQ(received[0].shortMessage, 0x7F3C90u);
  EXPECT_TRUE(received[1].isLong);
  EXPECT_EQ(received[1].bytes, (std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x42, 0xF7}));
  EXPECT_TRUE(client.ReadOutput("Test Synth", &cursor).empty());
}

TEST_F(VirtualMidiTest, APortMarkedOnceOpensOnceAtATime) {
  OpenOutput(2);
  HMIDIOUT second = nullptr;
  EXPECT_EQ(midiOutOpen(&second, 2, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  ASSERT_EQ(midiOutClose(output), MMSYSERR_NOERROR);
  output = nullptr;
  ASSERT_EQ(midiOutOpen(&second, 2, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  midiOutClose(second);
  // Other ports open as often as asked.
  HMIDIOUT a = nullptr, b = nullptr;
  ASSERT_EQ(midiOutOpen(&a, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutOpen(&b, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  midiOutClose(a);
  if (b) midiOutClose(b);
}

TEST_F(VirtualMidiTest, ALoopPortFeedsItsOutputBackIntoItsInput) {
  OpenInput(1);
  OpenOutput(1);
  ASSERT_EQ(midiOutShortMsg(output, 0x00B0), MMSYSERR_NOERROR);
  const auto data = recorder.Await(MIM_DATA, 1);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].param1, 0x00B0u);
}

std::uint32_t BurstSize() {
  const char* asked = std::getenv("KORVEL_MIDI_BURST");
  return asked ? static_cast<std::uint32_t>(std::atoi(asked)) : kBurst;
}

void PrintLoss(const char* where, std::uint32_t count, std::size_t got, DWORD sentMs) {
  std::printf("burst of %u sent in %lu ms: %zu at %s, %.1f %% lost\n", count,
              static_cast<unsigned long>(sentMs), got, where, 100.0 * (count - got) / count);
}

std::vector<std::uint32_t> Messages(const std::vector<Notification>& data) {
  std::vector<std::uint32_t> messages;
  for (const Notification& n : data) messages.push_back(static_cast<std::uint32_t>(n.param1));
  return messages;
}

// Like a cable: a burst far larger than the rings arrives whole and in order,
// however fast it is sent: fed into an input, and sent to a loop port's output,
// where both the output's reader and the looped input get it.
TEST_F(VirtualMidiTest, AnUnpacedBurstArrivesWholeAndInOrder) {
  const std::uint32_t count = BurstSize();
  OpenInput(0);
  DWORD start = GetTickCount();
  for (std::uint32_t n = 0; n < count; ++n) ASSERT_TRUE(client.SendShort("Test Keyboard", Numbered(n)));
  const std::vector<std::uint32_t> fed = Messages(recorder.Await(MIM_DATA, count, 1000));
  PrintLoss("the fed input", count, fed.size(), GetTickCount() - start);
  EXPECT_EQ(Misplaced(fed, count), 0u);
  midiInReset(input);
  midiInClose(input);
  input = nullptr;

  Recorder looped;
  ASSERT_EQ(midiInOpen(&input, 1, looped.Function(), looped.Instance(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
  ASSERT_EQ(midiInStart(input), MMSYSERR_NOERROR);
  OpenOutput(1);
  OutputReader reader("Test Loopback", count);
  start = GetTickCount();
  for (std::uint32_t n = 0; n < count; ++n) ASSERT_EQ(midiOutShortMsg(output, Numbered(n)), MMSYSERR_NOERROR);
  const DWORD sent = GetTickCount() - start;
  const std::vector<std::uint32_t> atOutput = reader.Finish();
  const std::vector<std::uint32_t> atInput = Messages(looped.Await(MIM_DATA, count, 1000));
  PrintLoss("the loop's output", count, atOutput.size(), sent);
  PrintLoss("the loop's input", count, atInput.size(), sent);
  EXPECT_EQ(Misplaced(atOutput, count), 0u);
  EXPECT_EQ(Misplaced(atInput, count), 0u);
  midiInReset(input);
  midiInClose(input);
  input = nullptr;
}

// A sender waits for a reader that reads on, however slowly, and not for
// one that has gone: one that left and one whose process was ended.
TEST_F(VirtualMidiTest, ASenderWaitsForSlowReadersButNotForGoneOnes) {
  auto channel = VirtualMidiChannel::Open();
  ASSERT_TRUE(channel);
  const int port = channel->Port("Test Synth");
  {
    VirtualMidiClient left;
    left.OutputMark("Test Synth");
    EXPECT_EQ(channel->Readers(port, Side::kOutput), 1);
  }
  ToolReader ended("Test Synth");
  ASSERT_TRUE(ended.Started());
  const DWORD launched = GetTickCount();
  while (channel->Readers(port, Side::kOutput) < 1 && GetTickCount() - launched < 10 * kTimeoutMs) Sleep(10);
  ASSERT_EQ(channel->Readers(port, Side::kOutput), 1);
  ended.End();

  constexpr std::uint32_t kCount = 2000;
  OpenOutput(0);
  OutputReader slow("Test Synth", kCount, 20);
  for (std::uint32_t n = 0; n < kCount; ++n) ASSERT_EQ(midiOutShortMsg(output, Numbered(n)), MMSYSERR_NOERROR);
  EXPECT_EQ(Misplaced(slow.Finish(), kCount), 0u);
  EXPECT_EQ(slow.Missed(), 0u);
  // The ended reader's place was given back when a sender found its process
  // gone (one taken for stalled would keep it).
  EXPECT_EQ(channel->Readers(port, Side::kOutput), 0);
}

}  // namespace
}  // namespace korvel::emu::vmidi
