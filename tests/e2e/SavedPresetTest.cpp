// Korvel.exe with "Load most recent preset on startup" and "Automatically
// save presets" keeps what the user saved in the preset: its banks over two
// starts in a row, the file as it was when no device can take it or when it
// is damaged, and the bank the card holds when the preset names a file that
// is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "banks/presets/PresetImage.h"
#include "config/ConfigFile.h"
#include "emulators/bankgen/BankWriter.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"

namespace {

using testing_support::KorvelSession;
using testing_support::MessageBoxSeen;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

constexpr int kTimeoutMs = 60000;
constexpr char kHome[] = "C:\\korvel-saved";
constexpr char kBanks[] = "C:\\korvel-saved\\Banks";
constexpr char kPreset[] = "C:\\korvel-saved\\Presets\\1 Live.pre";
constexpr char kSoundFontOnly[] = "ews64.cards=0\nsoundfont.devices=1\n";
constexpr char kNoDevice[] = "ews64.cards=0\nsoundfont.devices=0\n";
constexpr char kCardOnly[] = "ews64.cards=1\nsoundfont.devices=0\n";

std::string Bank(const char* file) { return std::string(kBanks) + "\\" + file; }

// One device's block with `path` assigned to `slot`.
korvel::PresetImage OneBankPreset(korvel::DeviceKind kind, int slot, const std::string& path,
                                  const char* name) {
  korvel::PresetImage image;
  korvel::PresetDevice block;
  block.device.kind = kind;
  block.device.slotCount = korvel::kSlotsPerDevice;
  block.device.flags = korvel::SaveInPreset;
  std::strcpy(block.device.paths[slot], path.c_str());
  block.device.slots[slot].flags = korvel::Assigned;
  std::strcpy(block.device.slots[slot].name, name);
  image.devices.push_back(block);
  return image;
}

class SavedPresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emulators_ = testing_support::WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators_.empty());
    for (const char* folder : {kHome, kBanks, "C:\\korvel-saved\\Presets"}) CreateDirectoryA(folder, nullptr);
    ASSERT_TRUE(korvel::bankgen::WriteBankFile(Bank("Piano.sf2"), korvel::bankgen::SoundFontBytes("Piano", 4096)));
    ASSERT_TRUE(korvel::bankgen::WriteBankFile(
        Bank("Organ.tts"), korvel::bankgen::SoundSetBytes(korvel::bankgen::SoundSetKind::Tts, "Organ", 8192, 0)));
  }

  // The emulated hardware in Korvel's working folder, and the configuration.
  void Install(const char* dll, const char* emulatorConfig, std::uint32_t deviceFlag) {
    ASSERT_TRUE(CopyFileA((emulators_ + "\\" + dll).c_str(), (std::string(kHome) + "\\" + dll).c_str(), FALSE));
    std::ofstream(std::string(kHome) + "\\korvelemu.ini") << emulatorConfig;
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = deviceFlag | korvel::LoadRecent | korvel::AutoSave;
    std::strcpy(config.curpreset, kPreset);
    std::strcpy(config.bankfolder, kBanks);
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(testing_support::InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
  }
  void WritePreset(const korvel::PresetImage& image) {
    ASSERT_TRUE(WriteFileBytes(kPreset, korvel::EncodePreset(image)));
  }
  korvel::PresetImage SavedPreset() {
    const auto bytes = ReadFileBytes(kPreset);
    korvel::PresetImage image;
    EXPECT_EQ(korvel::DecodePreset(bytes.data(), bytes.size(), image), korvel::PresetDecodeResult::kOk);
    return image;
  }

  // Starts Korvel, lets start-up end and closes it with "&Close"; the
  // message boxes it showed, each answered with OK.
  std::vector<MessageBoxSeen> Run() {
    KorvelSession korvel;
    EXPECT_TRUE(korvel.Start(testing_support::LocateKorvel(), kHome));
    EXPECT_TRUE(korvel.WaitForStartUp(kTimeoutMs));
    DWORD exitCode = 99;
    EXPECT_TRUE(korvel.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    return korvel.Boxes();
  }

  std::string emulators_;
};

std::string Texts(const std::vector<MessageBoxSeen>& boxes) {
  std::string texts;
  for (const MessageBoxSeen& box : boxes) texts += "[" + box.text + "]";
  return texts;
}

TEST_F(SavedPresetTest, TwoStartsInARowKeepTheBanksAssignedWithTheirPaths) {
  Install("SFMAN32.DLL", kSoundFontOnly, korvel::UseSFD);
  WritePreset(OneBankPreset(korvel::kKindSoundFont, 1, Bank("Piano.sf2"), "Piano"));
  for (int start = 1; start <= 2; ++start) {
    const auto boxes = Run();
    EXPECT_TRUE(boxes.empty()) << "start " << start << ": " << Texts(boxes);
    const korvel::PresetImage saved = SavedPreset();
    ASSERT_EQ(saved.devices.size(), 1u);
    const korvel::SoundDevice& device = saved.devices[0].device;
    // A bank in a bank folder is kept by its file name.
    EXPECT_STREQ(device.paths[1], "Piano.sf2") << "start " << start;
    EXPECT_TRUE(device.slots[1].Has(korvel::Assigned)) << "start " << start;
    EXPECT_STREQ(device.slots[1].name, "Piano") << "start " << start;
  }
}

TEST_F(SavedPresetTest, AStartWithoutTheSoundFontDeviceLeavesThePresetAsItWas) {
  Install("SFMAN32.DLL", kNoDevice, korvel::UseSFD);
  WritePreset(OneBankPreset(korvel::kKindSoundFont, 1, Bank("Piano.sf2"), "Piano"));
  const auto before = ReadFileBytes(kPreset);
  const auto boxes = Run();
  EXPECT_TRUE(boxes.empty()) << Texts(boxes);
  EXPECT_EQ(ReadFileBytes(kPreset), before);
}

TEST_F(SavedPresetTest, ADamagedPresetIsReportedAndLeftAsItWas) {
  Install("EWSAUDIO.DRV", kCardOnly, korvel::UseEWS64);
  auto damaged = korvel::EncodePreset(OneBankPreset(korvel::kKindEws64, 0, Bank("Organ.tts"), "Organ"));
  damaged.resize(damaged.size() - 7000);
  ASSERT_TRUE(WriteFileBytes(kPreset, damaged));
  const auto boxes = Run();
  ASSERT_EQ(boxes.size(), 1u) << Texts(boxes);
  EXPECT_EQ(boxes[0].text.find(std::string("'") + kPreset + "' was corrupted"), 0u) << boxes[0].text;
  EXPECT_EQ(ReadFileBytes(kPreset), damaged);
}

TEST_F(SavedPresetTest, APresetNamingAMissingBankFileReportsItAndTheCardKeepsItsBank) {
  Install("EWSAUDIO.DRV", kCardOnly, korvel::UseEWS64);
  WritePreset(OneBankPreset(korvel::kKindEws64, 0, Bank("Organ.tts"), "Organ"));
  ASSERT_TRUE(Run().empty());  // the card now holds Organ in bank 0

  // The preset as Korvel saved it, with the slot's file renamed.
  korvel::PresetImage image = SavedPreset();
  ASSERT_EQ(image.devices.size(), 1u);
  korvel::SoundDevice& card = image.devices[0].device;
  ASSERT_TRUE(card.slots[0].Has(korvel::Loaded));
  std::strcpy(card.paths[0], Bank("Gone.tts").c_str());
  std::strcpy(card.slots[0].name, "Gone");
  WritePreset(image);
  const auto boxes = Run();
  ASSERT_EQ(boxes.size(), 1u) << Texts(boxes);
  EXPECT_EQ(boxes[0].text, "'" + Bank("Gone.tts") + "' was not found.");
  // The card's memory, as the emulated driver keeps it, still has the bank.
  const auto state = ReadFileBytes(std::string(kHome) + "\\korvelemu.state");
  EXPECT_NE(std::string(state.begin(), state.end()).find("\tOrgan\t"), std::string::npos);
  // And the preset still names the file, for when it is back: by its bare
  // name, since it lies in a bank folder.
  EXPECT_STREQ(SavedPreset().devices[0].device.paths[0], "Gone.tts");
}

}  // namespace
