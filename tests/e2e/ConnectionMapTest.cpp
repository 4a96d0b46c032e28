// The unchanged Korvel.exe finds the virtual MIDI ports through winmm at
// start-up and routes messages between them through its connections. The
// ports are those of korvelmidi.ini; connections are made through Korvel's
// probe message until the connection map can draw them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/MidiProbe.h"
#include "emulators/win32/VirtualMidiClient.h"
#include "tests/support/KorvelSession.h"

namespace {

using korvel::emu::vmidi::VirtualMidiClient;
using korvel::emu::vmidi::WireMessage;
using testing_support::KorvelSession;

constexpr int kTimeoutMs = 60000;
constexpr int kKeyboard = 0, kLoop = 1, kSynth = 2;

class KorvelMidiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    DeleteFileA((std::string(windows) + "\\Korvel.cfg").c_str());
    ASSERT_TRUE(client_.Connected());
    ASSERT_TRUE(korvel_.Start(testing_support::LocateKorvel()));
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs));
    ASSERT_NE(korvel_.Main(), nullptr);
  }
  void TearDown() override {
    DWORD exitCode = 99;
    EXPECT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    for (const auto& box : korvel_.Boxes()) {
      EXPECT_NE(box.caption, "MIDI Interface Error") << box.text;
    }
  }

  LRESULT Probe(korvel::MidiProbeRequest request, LPARAM argument = 0) {
    return SendMessageA(korvel_.Main(), korvel::MidiProbeMessage(), request, argument);
  }
  std::string PortName(int index) {
    const auto atom = static_cast<ATOM>(Probe(korvel::kProbePortName, index));
    char name[64] = {};
    GlobalGetAtomNameA(atom, name, sizeof name);
    GlobalDeleteAtom(atom);
    return name;
  }
  LRESULT Connect(int source, int destination) {
    return Probe(korvel::kProbeConnect, source | (destination << 8));
  }
  // What `port`'s output receives after `send` runs.
  std::vector<WireMessage> Receive(const std::string& port, std::size_t count,
                                   void (*send)(VirtualMidiClient&), DWORD timeoutMs = 10000) {
    std::uint64_t cursor = client_.OutputMark(port);
    send(client_);
    return client_.ReadOutput(port, &cursor, count, timeoutMs);
  }

  VirtualMidiClient client_;
  KorvelSession korvel_;
};

TEST_F(KorvelMidiTest, ThePortTablePairsTheVirtualPortsByName) {
  ASSERT_EQ(Probe(korvel::kProbePortCount), 3);
  EXPECT_EQ(PortName(kKeyboard), "Keyboard");
  EXPECT_EQ(PortName(kLoop), "Loop");
  EXPECT_EQ(PortName(kSynth), "Synth");
  EXPECT_EQ(Probe(korvel::kProbePortFlags, kKeyboard), 2);
  EXPECT_EQ(Probe(korvel::kProbePortFlags, kLoop), 3);
  EXPECT_EQ(Probe(korvel::kProbePortFlags, kSynth), 1);
  EXPECT_EQ(Probe(korvel::kProbeConnectionCount), 0);
}

TEST_F(KorvelMidiTest, MessagesFlowFromAVirtualInputToAVirtualOutput) {
  ASSERT_EQ(Connect(kKeyboard, kSynth), 0);
  ASSERT_EQ(Connect(kKeyboard, kLoop), 0);
  EXPECT_EQ(Connect(kKeyboard, kSynth), 2);
  EXPECT_EQ(Probe(korvel::kProbeConnectionCount), 2);

  const auto notes = Receive("Synth", 2, [](VirtualMidiClient& c) {
    c.SendShort("Keyboard", 0x403C90);
    c.SendShort("Keyboard", 0x003C80);
  });
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].shortMessage, 0x403C90u);
  EXPECT_EQ(notes[1].shortMessage, 0x003C80u);

  const std::vector<std::uint8_t> sysex = {0xF0, 0x7D, 0x10, 0x20, 0xF7};
  const auto longs = Receive("Loop", 1, [](VirtualMidiClient& c) {
    c.SendLong("Keyboard", {0xF0, 0x7D, 0x10, 0x20, 0xF7});
  });
  ASSERT_EQ(longs.size(), 1u);
  EXPECT_TRUE(longs[0].isLong);
  EXPECT_EQ(longs[0].bytes, sysex);

  // After the first connection is removed, the Synth hears nothing more.
  ASSERT_EQ(Probe(korvel::kProbeDisconnect, 0), 0);
  const auto after = Receive(
      "Synth", 1, [](VirtualMidiClient& c) { c.SendShort("Keyboard", 0x403C90); }, 1000);
  EXPECT_TRUE(after.empty());
}

}  // namespace
