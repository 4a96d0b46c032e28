// Korvel.exe with "Load most recent preset on startup" and "Automatically
// save presets": the preset's bank reaches the emulated card at start-up,
// its connection routes the virtual ports through its modification, and
// shut-down saves the preset again with what the card reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "banks/presets/PresetImage.h"
#include "config/ConfigFile.h"
#include "emulators/bankgen/BankWriter.h"
#include "emulators/win32/VirtualMidiClient.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"

namespace {

using korvel::emu::vmidi::VirtualMidiClient;
using testing_support::KorvelSession;

constexpr int kTimeoutMs = 60000;
constexpr char kHome[] = "C:\\korvel-presets";
constexpr char kBank[] = "C:\\korvel-presets\\Banks\\Piano.tts";
constexpr char kPreset[] = "C:\\korvel-presets\\Presets\\1 Demo.pre";

// One card with Piano in slot 0; Keyboard to Synth an octave up.
korvel::PresetImage DemoPreset() {
  korvel::PresetImage image;
  image.saveFlags = korvel::SaveCons;
  korvel::PresetDevice card;
  card.device.slotCount = 128;
  std::strcpy(card.device.paths[0], kBank);
  card.device.slots[0].flags = korvel::Assigned;
  std::strcpy(card.device.slots[0].name, "Piano");
  image.devices.push_back(card);
  korvel::PresetConnection connection;
  std::strcpy(connection.sourceName, "Keyboard");
  std::strcpy(connection.destName, "Synth");
  korvel::Modification octave;
  octave.sourceHigh = 127;
  octave.targetValue = 12;
  connection.modifications.push_back(octave);
  image.connections.push_back(connection);
  return image;
}

void WriteConfiguration() {
  korvel::Configuration config;
  config.homedrive = 2;
  std::strcpy(config.homedir, kHome);
  config.cflags = korvel::UseEWS64 | korvel::LoadRecent | korvel::AutoSave | korvel::SaveCons |
                  korvel::UseCons;
  std::strcpy(config.curpreset, kPreset);
  std::strcpy(config.bankfolder, "C:\\korvel-presets\\Banks");
  const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
  testing_support::WriteFileBytes(testing_support::InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()});
}

class PresetStartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string emulators = testing_support::WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators.empty());
    for (const char* folder : {kHome, "C:\\korvel-presets\\Banks", "C:\\korvel-presets\\Presets"}) {
      CreateDirectoryA(folder, nullptr);
    }
    ASSERT_TRUE(CopyFileA((emulators + "\\EWSAUDIO.DRV").c_str(),
                          (std::string(kHome) + "\\EWSAUDIO.DRV").c_str(), FALSE));
    std::ofstream(std::string(kHome) + "\\korvelemu.ini") << "ews64.cards=1\nsoundfont.devices=0\n";
    ASSERT_TRUE(korvel::bankgen::WriteBankFile(
        kBank, korvel::bankgen::SoundSetBytes(korvel::bankgen::SoundSetKind::Tts, "Piano", 8192, 0)));
    testing_support::WriteFileBytes(kPreset, korvel::EncodePreset(DemoPreset()));
    WriteConfiguration();
    ASSERT_TRUE(client_.Connected());
    ASSERT_TRUE(korvel_.Start(testing_support::LocateKorvel(), kHome));
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs));
  }

  VirtualMidiClient client_;
  KorvelSession korvel_;
};

TEST_F(PresetStartUpTest, TheRecentPresetIsLoadedAndSavedAgainAtShutDown) {
  // The connection came from the preset, with its modification.
  std::uint64_t cursor = client_.OutputMark("Synth");
  client_.SendShort("Keyboard", 0x403C90);
  const auto out = client_.ReadOutput("Synth", &cursor, 1, 10000);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].shortMessage, 0x404890u);

  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(korvel_.Boxes().empty()) << korvel_.Boxes().front().text;

  // Saved again: the slot now carries what the card reported for the bank.
  const auto bytes = testing_support::ReadFileBytes(kPreset);
  korvel::PresetImage saved;
  ASSERT_EQ(korvel::DecodePreset(bytes.data(), bytes.size(), saved), korvel::PresetDecodeResult::kOk);
  ASSERT_EQ(saved.devices.size(), 1u);
  const korvel::BankSlot& slot = saved.devices[0].device.slots[0];
  // A bank inside a bank folder is kept by its file name.
  EXPECT_STREQ(saved.devices[0].device.paths[0], "Piano.tts");
  EXPECT_EQ(slot.flags & (korvel::Loaded | korvel::Assigned), korvel::Loaded | korvel::Assigned);
  EXPECT_EQ(slot.sizeKB, 8);
  ASSERT_EQ(saved.connections.size(), 1u);
  EXPECT_EQ(saved.connections[0].modifications.size(), 1u);
}

}  // namespace
