// Korvel.exe managing the banks of a real FluidSynth through the bridge's
// SFMAN32.DLL, under Wine: FluidSynth (Debian's) runs on the host, started
// by the test through Wine (which starts host programs too) on a free port
// and rendering to a raw file; the test reads what it holds through its
// command shell. Skipped where FluidSynth is not installed.
#include <windows.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "banks/presets/PresetImage.h"
#include "config/ConfigFile.h"
#include "emulators/win32/VirtualMidiClient.h"
#include "fluidsynth/FluidShell.h"
#include "resources/forms/ControlIds.h"
#include "tests/e2e/BankWindowTest.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/RealInput.h"
#include "tests/support/RenderedNote.h"
#include "tests/support/WindowDriver.h"

namespace {

namespace ctl = korvel::ctl;
namespace fluid = korvel::fluid;
using namespace testing_support;

constexpr char kHome[] = "C:\\korvel-fluid";
constexpr char kBanks[] = "C:\\korvel-fluid\\Banks";
constexpr char kFluidSynth[] = "Z:\\usr\\bin\\fluidsynth";
constexpr char kRealSoundFont[] = "Z:\\usr\\share\\sounds\\sf2\\TimGM6mb.sf2";
constexpr char kRealSoundFontName[] = "TimGM6mb1.sf2";  // its INAM
constexpr char kPreset[] = "C:\\korvel-fluid\\Live.pre";
constexpr char kMemoryMessage[] = "Device does not have enough sound memory for loading the instrument bank.";
constexpr char kUnreachableMessage[] = "AWE32/SoundFont Device Error: 130";

std::string InHome(const char* file) { return std::string(kHome) + "\\" + file; }

// A localhost port nobody listens on now.
std::uint16_t FreePort() {
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(s);
  return ntohs(address.sin_port);
}

// Starts a host program; Wine gives no handle for one, so it is stopped by
// the process ID it writes.
bool StartHostProgram(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process) != 0;
}

class FluidSynthBridgeTest : public BankWindowTest {
 protected:
  void SetUp() override {
    if (GetFileAttributesA(kFluidSynth) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << "FluidSynth is not installed (Debian's fluidsynth)";
    const std::string bridge = WinePathFromEnvironment("KORVEL_FLUIDSYNTH_BRIDGE");
    ASSERT_FALSE(bridge.empty());
    for (const char* folder : {kHome, kBanks}) CreateDirectoryA(folder, nullptr);
    ASSERT_TRUE(CopyFileA((bridge + "\\SFMAN32.DLL").c_str(), InHome("SFMAN32.DLL").c_str(), FALSE));
    DeleteFileA(InHome("korvelfs.state").c_str());
    ASSERT_TRUE(CopyFileA(kRealSoundFont, (std::string(kBanks) + "\\TimGM6mb.sf2").c_str(), FALSE));
    port_ = FreePort();
    WriteConfiguration(korvel::UseSFD);
  }
  void WriteConfiguration(std::uint32_t cflags) {
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = cflags;
    std::strcpy(config.bankfolder, kBanks);
    std::strcpy(config.lastpath, kHome);
    std::strcpy(config.curpreset, kPreset);
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
  }
  void TearDown() override {
    BankWindowTest::TearDown();
    StopFluidSynth();
  }

  void WriteSettings(unsigned memoryKb) {
    std::ofstream(InHome("korvelfs.ini")) << "host=127.0.0.1\nport=" << port_ << "\nmemory_kb=" << memoryKb << "\n";
  }
  std::string PidFile() const { return "/tmp/korvel-fluidsynth-" + std::to_string(port_) + ".pid"; }

  // FluidSynth, its shell on our port; it ends by itself after ten minutes
  // should the test not get to stop it.
  void StartFluidSynth() {
    const std::string port = std::to_string(port_);
    ASSERT_TRUE(StartHostProgram("Z:\\bin\\sh -c \"echo $$ > " + PidFile() +
                                 "; exec /usr/bin/timeout 600 /usr/bin/fluidsynth -a file -o audio.file.name=/tmp/korvel-fluidsynth-" +
                                 port + ".raw -o audio.file.type=raw -o synth.sample-rate=44100 -o synth.default-soundfont= -s -i -o shell.port=" + port + "\""));
    std::vector<std::string> reply;
    ASSERT_TRUE(WaitFor([&]() -> HWND { return shell_.Command("fonts", &reply) == fluid::ShellStatus::kOk ? HWND(1) : nullptr; }, 20000))
        << "FluidSynth does not answer on port " << port_;
    running_ = true;
  }
  void StopFluidSynth() {
    if (!running_) return;
    running_ = false;
    std::ifstream in("Z:" + PidFile());
    std::string pid;
    in >> pid;
    ASSERT_FALSE(pid.empty());
    ASSERT_TRUE(StartHostProgram("Z:\\bin\\kill " + pid));
    std::vector<std::string> reply;
    shell_.Disconnect();
    ASSERT_TRUE(WaitFor([&]() -> HWND { return shell_.Command("fonts", &reply) == fluid::ShellStatus::kUnreachable ? HWND(1) : nullptr; }, 10000));
  }

  // FluidSynth's bank offset of the font it loaded from `file` in the
  // prefix's bank folder (the first bank `inst` lists); -1 when it holds none.
  int OffsetOfOurFont(const std::string& file = "TimGM6mb.sf2") {
    std::vector<std::string> reply;
    if (shell_.Command("fonts", &reply) != fluid::ShellStatus::kOk) return -2;
    for (const fluid::LoadedFont& font : fluid::ParseFonts(reply)) {
      if (font.path.find("korvel-fluid/Banks/" + file) == std::string::npos) continue;
      if (shell_.Command("inst " + std::to_string(font.id), &reply) != fluid::ShellStatus::kOk || reply.empty()) return -3;
      return std::atoi(reply[0].substr(0, 3).c_str());
    }
    return -1;
  }
  bool OffsetBecomes(int offset, const std::string& file = "TimGM6mb.sf2") {
    return WaitFor([&]() -> HWND { return OffsetOfOurFont(file) == offset ? HWND(1) : nullptr; }, kTimeoutMs) !=
           nullptr;
  }
  bool LineBecomes(int line, const std::string& text) {
    return WaitFor([&]() -> HWND { return ListLineText(list_, line) == text ? list_ : nullptr; }, kTimeoutMs) !=
           nullptr;
  }
  MessageBoxSeen WaitForBox() {
    HWND box = WaitFor([&] { return FindMessageBox(korvel_.Pid()); }, kTimeoutMs);
    if (!box) return {};
    MessageBoxSeen seen = ReadMessageBox(box);
    PressMessageBoxButton(box, IDOK);
    return seen;
  }

  std::uint16_t port_ = 0;
  bool running_ = false;
  fluid::FluidShell shell_{"127.0.0.1", 0};
};

TEST_F(FluidSynthBridgeTest, ABankLoadedIntoSlotOneIsFluidSynthsBankOffsetOneUntilCleared) {
  shell_ = fluid::FluidShell("127.0.0.1", port_);
  WriteSettings(65536);
  StartFluidSynth();
  StartKorvel(kHome);

  LoadOnLine(1, "TimGM6mb.sf2");
  EXPECT_TRUE(OffsetBecomes(1)) << OffsetOfOurFont();
  EXPECT_TRUE(LineShows(1, kRealSoundFontName)) << ListLineText(list_, 1);
  ExpectNoMessageBox();

  ClickLine(1);
  ClickControl(Control(ctl::ClearBankSlotButton));  // "&Unload" is for virtual bank mode
  EXPECT_TRUE(OffsetBecomes(-1)) << "the font is still loaded";
  EXPECT_TRUE(LineShows(1, "1" + std::string(1, '\xA4'))) << ListLineText(list_, 1);
  ExpectNoMessageBox();
}

TEST_F(FluidSynthBridgeTest, AMemorySmallerThanTheFileGivesKorvelsMemoryMessage) {
  shell_ = fluid::FluidShell("127.0.0.1", port_);
  WriteSettings(4096);  // TimGM6mb.sf2 is near 6 MB
  StartFluidSynth();
  StartKorvel(kHome);

  LoadOnLine(1, "TimGM6mb.sf2");
  const MessageBoxSeen box = WaitForBox();
  EXPECT_EQ(box.text.rfind(kMemoryMessage, 0), 0u) << box.text;
  EXPECT_EQ(OffsetOfOurFont(), -1);  // nothing was sent to load
}

// A full memory makes room by unloading a bank the device holds that the
// preset does not: one loaded in an earlier session, which Korvel finds in
// the device at start-up and shows grey.
TEST_F(FluidSynthBridgeTest, AFullMemoryReplacesABankThePresetDoesNotAssign) {
  shell_ = fluid::FluidShell("127.0.0.1", port_);
  WriteSettings(9000);  // one copy of TimGM6mb.sf2 fits, two do not
  ASSERT_TRUE(CopyFileA(kRealSoundFont, (std::string(kBanks) + "\\TimCopy.sf2").c_str(), FALSE));
  StartFluidSynth();
  StartKorvel(kHome);
  LoadOnLine(2, "TimGM6mb.sf2");
  ASSERT_TRUE(OffsetBecomes(2)) << OffsetOfOurFont();
  ASSERT_TRUE(LineShows(2, kRealSoundFontName)) << ListLineText(list_, 2);
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode, KorvelSession::DeclineSaving));
  const std::size_t boxesBefore = korvel_.Boxes().size();  // the question whether to save

  // The next start loads a preset that assigns no bank of the device.
  korvel::PresetImage image;
  korvel::PresetDevice block;
  block.device.kind = korvel::kKindSoundFont;
  block.device.backendIndex = 0;
  block.device.slotCount = korvel::kSlotsPerDevice;
  block.device.flags = korvel::SaveInPreset;
  image.devices.push_back(block);
  ASSERT_TRUE(WriteFileBytes(kPreset, korvel::EncodePreset(image)));
  WriteConfiguration(korvel::UseSFD | korvel::LoadRecent);
  StartKorvel(kHome);
  for (std::size_t n = boxesBefore; n < korvel_.Boxes().size(); ++n) ADD_FAILURE() << korvel_.Boxes()[n].text;
  const std::string mark(1, '\xA4');
  ASSERT_TRUE(LineShows(2, "2" + mark + "?" + kRealSoundFontName)) << ListLineText(list_, 2);

  LoadOnLine(1, "TimCopy.sf2");
  ExpectNoMessageBox();
  EXPECT_TRUE(OffsetBecomes(1, "TimCopy.sf2")) << OffsetOfOurFont("TimCopy.sf2");
  EXPECT_EQ(OffsetOfOurFont(), -1) << "the grey bank is still loaded";
  EXPECT_TRUE(LineShows(1, kRealSoundFontName)) << ListLineText(list_, 1);
  EXPECT_TRUE(LineBecomes(2, "2" + mark)) << ListLineText(list_, 2);
}

// The whole way a player uses it: a key on the Virtual Keyboard, routed by
// Korvel's connection to the "FluidSynth" port, plays the bank Korvel loaded
// into slot 1 with Bank Select 1, and is silent before that load.
TEST_F(FluidSynthBridgeTest, AKeyThroughKorvelPlaysTheBankLoadedIntoItsSlot) {
  shell_ = fluid::FluidShell("127.0.0.1", port_);
  WriteSettings(65536);
  std::ofstream(InWindowsFolder("korvelmidi.ini")) << "input=Virtual Keyboard\nfluidsynth=FluidSynth, 127.0.0.1:"
                                                   << port_ << "\n";
  korvel::PresetImage image;
  korvel::PresetConnection connection;
  std::strcpy(connection.sourceName, "Virtual Keyboard");
  std::strcpy(connection.destName, "FluidSynth");
  image.saveFlags = korvel::SaveCons;
  image.connections.push_back(connection);
  ASSERT_TRUE(WriteFileBytes(kPreset, korvel::EncodePreset(image)));
  WriteConfiguration(korvel::UseSFD | korvel::UseCons | korvel::LoadRecent);
  StartFluidSynth();
  StartKorvel(kHome);
  ExpectNoMessageBox();
  korvel::emu::vmidi::VirtualMidiClient keyboard;
  ASSERT_TRUE(keyboard.Connected());
  const RawFile raw("Z:/tmp/korvel-fluidsynth-" + std::to_string(port_) + ".raw");
  const auto play = [&](std::uint32_t message) { return keyboard.SendShort("Virtual Keyboard", message); };

  const double before = PlayBankOneNote(play, raw);
  EXPECT_GE(before, 0) << "FluidSynth renders to its file";
  EXPECT_LT(before, kSilenceRms) << "slot 1 holds no bank yet";

  LoadOnLine(1, "TimGM6mb.sf2");
  ASSERT_TRUE(OffsetBecomes(1)) << OffsetOfOurFont();
  const double after = PlayBankOneNote(play, raw);
  std::printf("RMS of a key through Korvel: %.1f before the load, %.1f after\n", before, after);
  EXPECT_GT(after, kSoundRms) << "TimGM6mb's piano at bank 1";
  ExpectNoMessageBox();
}

// Korvel reports what the manager answers when the device does not open, for
// a clear and a load alike ("AWE32/SoundFont Device Error: 130"), and neither
// waits for the FluidSynth that is gone.
TEST_F(FluidSynthBridgeTest, FluidSynthStoppedGivesTheDeviceErrorAtOnce) {
  shell_ = fluid::FluidShell("127.0.0.1", port_);
  WriteSettings(65536);
  StartFluidSynth();
  StartKorvel(kHome);
  LoadOnLine(1, "TimGM6mb.sf2");
  ASSERT_TRUE(LineShows(1, kRealSoundFontName)) << ListLineText(list_, 1);
  StopFluidSynth();

  ClickLine(1);
  auto start = std::chrono::steady_clock::now();
  ClickControl(Control(ctl::ClearBankSlotButton));
  MessageBoxSeen box = WaitForBox();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(box.text.rfind(kUnreachableMessage, 0), 0u) << box.text;
  EXPECT_NE(box.text.find("(occurred in 'Form1::UnloadBankButtonClick()' )"), std::string::npos) << box.text;
  EXPECT_LT(took.count(), 1500) << "the clear waited for FluidSynth";

  ClickLine(2);
  ClickControl(Control(ctl::BrowseBankButton));
  ASSERT_TRUE(ChooseInFileDialog(korvel_.Pid(), "Load Instrument Bank", "TimGM6mb.sf2", kTimeoutMs));
  start = std::chrono::steady_clock::now();
  box = WaitForBox();
  took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(box.text.rfind(kUnreachableMessage, 0), 0u) << box.text;
  EXPECT_NE(box.text.find("(occurred in 'Form1::BrowseBankButtonClick()' )"), std::string::npos) << box.text;
  EXPECT_LT(took.count(), 1500) << "the load waited for FluidSynth";
}

}  // namespace
