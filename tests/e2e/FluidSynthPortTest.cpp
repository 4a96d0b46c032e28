// The "FluidSynth" port of winekorvel.drv, opened through Wine's winmm as
// Korvel opens it: a real FluidSynth (started by with-fluidsynth, rendering
// to a raw file) plays a bank-selected note once the bank's font is loaded
// and is silent before; a stand-in shell receives each message as its line
// at once, and a connection it drops costs the sender nothing; a FluidSynth
// that is not running fails the open at once.
#include <windows.h>
#include <winsock.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fluidsynth/FluidShell.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/RenderedNote.h"

namespace {

using namespace testing_support;

constexpr char kFont[] = "/usr/share/sounds/sf2/TimGM6mb.sf2";

UINT OutputId(const std::string& name) {
  for (UINT id = 0; id < midiOutGetNumDevs(); ++id) {
    MIDIOUTCAPSA caps{};
    if (midiOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && name == caps.szPname) return id;
  }
  return UINT(-1);
}

std::uint16_t PortFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return static_cast<std::uint16_t>(value ? std::atoi(value) : 0);
}


// An output opened as Korvel's connections open theirs, closed on destruction.
class Output {
 public:
  explicit Output(const std::string& name) {
    const UINT id = OutputId(name);
    result_ = id == UINT(-1) ? MMSYSERR_BADDEVICEID : midiOutOpen(&handle_, id, 0, 0, CALLBACK_NULL);
  }
  ~Output() {
    if (result_ == MMSYSERR_NOERROR) {
      midiOutReset(handle_);
      midiOutClose(handle_);
    }
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  MMRESULT OpenResult() const { return result_; }
  MMRESULT Send(std::uint32_t message) { return midiOutShortMsg(handle_, message); }

 private:
  HMIDIOUT handle_ = nullptr;
  MMRESULT result_;
};


TEST(FluidSynthPortTest, ABankSelectedNoteSoundsOnceItsFontIsLoadedAtThatBank) {
  if (const char* missing = std::getenv("KORVEL_FLUIDSYNTH_MISSING")) GTEST_SKIP() << missing;
  if (WinePathFromEnvironment("KORVEL_FLUIDSYNTH_RAW").empty()) GTEST_SKIP() << "not run by with-fluidsynth";
  const std::string font = std::string("Z:") + kFont;
  if (GetFileAttributesA(font.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << kFont << " is not installed";
  const RawFile raw(WinePathFromEnvironment("KORVEL_FLUIDSYNTH_RAW"));
  Output out("FluidSynth");
  ASSERT_EQ(out.OpenResult(), MMSYSERR_NOERROR);

  const double before = PlayBankOneNote([&](std::uint32_t m) { return out.Send(m) == MMSYSERR_NOERROR; }, raw);
  std::printf("RMS of the note before the font is loaded: %.1f\n", before);
  EXPECT_GE(before, 0) << "FluidSynth renders to its file";
  EXPECT_LT(before, kSilenceRms) << "no font loaded yet";

  korvel::fluid::FluidShell shell("127.0.0.1", PortFromEnvironment("KORVEL_FLUIDSYNTH_PORT"));
  std::vector<std::string> reply;
  ASSERT_EQ(shell.Command(korvel::fluid::LoadCommand(kFont, 1), &reply, 10000), korvel::fluid::ShellStatus::kOk);
  ASSERT_TRUE(korvel::fluid::ParseLoadedId(reply).has_value()) << (reply.empty() ? "" : reply[0]);

  const double after = PlayBankOneNote([&](std::uint32_t m) { return out.Send(m) == MMSYSERR_NOERROR; }, raw);
  std::printf("RMS of the note once it is loaded: %.1f\n", after);
  EXPECT_GT(after, kSoundRms) << "the piano of the font at bank offset 1";
}

// The shell as a test can be it: a listening socket on KORVEL_STANDIN_PORT.
class StandInShell {
 public:
  StandInShell() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(PortFromEnvironment("KORVEL_STANDIN_PORT"));
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    listening_ = bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 listen(listener_, 1) == 0;
  }
  ~StandInShell() {
    Drop();
    closesocket(listener_);
    WSACleanup();
  }
  StandInShell(const StandInShell&) = delete;
  StandInShell& operator=(const StandInShell&) = delete;
  bool Listening() const { return listening_; }
  bool Accept() {
    client_ = accept(listener_, nullptr, nullptr);
    return client_ != INVALID_SOCKET;
  }
  // The next line the port sent, with its line feed; empty when the connection ended.
  std::string Line() {
    std::size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
      char buffer[256];
      const int got = recv(client_, buffer, sizeof buffer, 0);
      if (got <= 0) return std::string();
      pending_.append(buffer, got);
    }
    const std::string line = pending_.substr(0, end + 1);
    pending_.erase(0, end + 1);
    return line;
  }
  void Drop() {
    if (client_ != INVALID_SOCKET) closesocket(client_);
    client_ = INVALID_SOCKET;
  }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET client_ = INVALID_SOCKET;
  bool listening_ = false;
  std::string pending_;  // received, not yet a whole line
};

double Microseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return ticks * 1e6 / frequency.QuadPart;
}

TEST(FluidSynthPortTest, EachMessageReachesTheShellAsItsLineAtOnce) {
  StandInShell shell;
  ASSERT_TRUE(shell.Listening());
  Output out("Stand-in FluidSynth");
  ASSERT_EQ(out.OpenResult(), MMSYSERR_NOERROR);
  ASSERT_TRUE(shell.Accept()) << "the port connects when it opens";

  const struct {
    std::uint32_t message;
    const char* line;
  } kMessages[] = {{Pack(0xB0, 0, 1), "cc 0 0 1\n"},        {Pack(0xCF, 5), "prog 15 5\n"},
                   {Pack(0xEA, 0x7F, 0x7F), "pitch_bend 10 16383\n"}, {Pack(0x95, 64, 0), "noteoff 5 64\n"}};
  for (const auto& sent : kMessages) {
    ASSERT_EQ(out.Send(sent.message), MMSYSERR_NOERROR);
    EXPECT_EQ(shell.Line(), sent.line);
  }
  EXPECT_EQ(out.Send(Pack(0xD0, 30)), MMSYSERR_NOERROR) << "channel pressure: the shell has no command";

  // From midiOutShortMsg to the line's arrival, note on and off in turn.
  std::vector<double> latencies;
  for (int i = 0; i < 400; ++i) {
    const bool on = i % 2 == 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    out.Send(on ? Pack(0x90, 60, 100) : Pack(0x80, 60, 0));
    const std::string line = shell.Line();
    QueryPerformanceCounter(&end);
    ASSERT_EQ(line, on ? "noteon 0 60 100\n" : "noteoff 0 60\n");
    latencies.push_back(Microseconds(end.QuadPart - start.QuadPart));
  }
  std::sort(latencies.begin(), latencies.end());
  std::printf("midiOutShortMsg to the shell, %zu notes: median %.0f us, 99%% %.0f us, max %.0f us\n",
              latencies.size(), latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100],
              latencies.back());

  // FluidSynth gone while the port is open: sending goes on at once, unheard.
  shell.Drop();
  const DWORD start = GetTickCount();
  for (int i = 0; i < 200; ++i) EXPECT_EQ(out.Send(Pack(0x90, 60, 100)), MMSYSERR_NOERROR);
  EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST(FluidSynthPortTest, AFluidSynthThatIsNotRunningFailsTheOpenAtOnce) {
  const DWORD start = GetTickCount();
  Output out("Stopped FluidSynth");
  EXPECT_EQ(out.OpenResult(), MMRESULT(MIDIERR_NODEVICE)) << "Korvel says \"Cannot find Stopped FluidSynth.\"";
  EXPECT_LT(GetTickCount() - start, 1500u);
}

}  // namespace
