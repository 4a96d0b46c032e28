// What the user saved in a preset survives: restarts with the banks still in
// the devices, runs without a device the preset names, damaged files, and
// SoundFont devices in and out of virtual bank mode. Device 0 is an EWS64
// card, device 1 a SoundFont device, unless a test says otherwise.
#include "banks/presets/PresetManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "banks/BankLoading.h"
#include "config/TextHelpers.h"
#include "tests/unit/BankLayerTestSupport.h"
#include "tests/unit/PresetTestSupport.h"

namespace korvel {
namespace {

constexpr const char* kPreset = "C:\\KORVEL\\Presets\\1 Live.pre";
constexpr const char* kBothDevices = "ews64.cards=1\nsoundfont.devices=1\news64.memory_kb=4096\n";
constexpr const char* kCardOnly = "ews64.cards=1\nsoundfont.devices=0\news64.memory_kb=4096\n";
constexpr const char* kNoDevice = "ews64.cards=0\nsoundfont.devices=0\n";
constexpr int kCard = 0, kSoundFont = 1;
// A device block: the 124-byte record, 128 paths of 64 and 128 slots of 40 bytes.
constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kBlockSize = 124 + 128 * 64 + 128 * 40;

class PresetSafetyTest : public testsupport::BankLayerTest {
 protected:
  void SetUp() override {
    BankLayerTest::SetUp();
    std::strcpy(config.homedir, "C:\\KORVEL");
    std::filesystem::create_directories(Host("C:\\KORVEL\\Presets"));
  }

  // Korvel's start-up with the devices `emulatorConfig` describes: the
  // device table afresh (the emulated devices keep what they hold), then
  // the most recent preset, with the options of the default configuration.
  void StartUp(const char* emulatorConfig) {
    layer.ReleaseDevices();
    layer.SoundFont().ShutdownSoundFontBackend();
    layer.Ews64().CloseEws64Driver();
    const std::uint32_t flags = config.cflags;
    Start(emulatorConfig, UseEWS64 | UseSFD);
    config.cflags = flags | UseEWS64 | UseSFD | AutoSave | LoadRecent;
    presets.ClearPreset(false);
    BoundedCopy(config.curpreset, kPreset, sizeof config.curpreset);
    updatingControls = 1;
    presets.LoadPreset(config.curpreset);
    updatingControls = 0;
    loadResult = errors.ErrorCode;
    ReportError(errors, "Form1::FormCreate");
  }
  // Shut-down's save, as Korvel makes it.
  void ShutDown() { presets.SaveAtShutDown(); }

  std::string LoadInto(int dev, int slot, const std::string& path, const std::string& name) {
    if (dev == kCard) SoundSet(path, name);
    else SoundFont(path, name);
    layer.OpenDeviceAccess(dev);
    EXPECT_EQ(LoadBank(layer, dev, slot, path.c_str()), kErrOk) << path;
    layer.CloseDeviceAccess(dev);
    return path;
  }
  void SaveAs(const char* name) {
    presets.SetPresetName(name);
    layer.OpenAllSoundFontDevices();
    presets.SavePreset();
    layer.CloseAllSoundFontDevices();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
  }
  std::string FileBytes(const char* windowsPath) {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  PresetImage Saved() {
    const std::string bytes = FileBytes(kPreset);
    PresetImage image;
    EXPECT_EQ(DecodePreset(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image),
              PresetDecodeResult::kOk);
    return image;
  }
  const SoundDevice* SavedBlock(const PresetImage& image, int kind) {
    for (const PresetDevice& block : image.devices)
      if (block.device.kind == kind) return &block.device;
    return nullptr;
  }

  testsupport::RecordingPresetView view;
  int updatingControls = 0;
  std::int32_t loadResult = kErrOk;
  std::unique_ptr<MidiPortTable> ports;
  PresetManager presets{layer, ports, view, updatingControls};
};

TEST_F(PresetSafetyTest, TwoStartsInARowKeepThePresetsBanks) {
  Start(kBothDevices, UseEWS64 | UseSFD);
  LoadInto(kCard, 0, "C:\\Banks\\Organ.tts", "Organ");
  LoadInto(kSoundFont, 1, "C:\\Banks\\Piano.sf2", "Piano");
  SaveAs(kPreset);

  for (int start = 1; start <= 2; ++start) {
    StartUp(kBothDevices);
    ASSERT_EQ(loadResult, kErrOk) << start;
    EXPECT_TRUE(Slot(kSoundFont, 1).Has(Assigned)) << start;
    ShutDown();
    const PresetImage image = Saved();
    ASSERT_EQ(image.devices.size(), 2u);
    EXPECT_STREQ(SavedBlock(image, kKindEws64)->paths[0], "C:\\Banks\\Organ.tts") << start;
    const SoundDevice& soundFont = *SavedBlock(image, kKindSoundFont);
    EXPECT_STREQ(soundFont.paths[1], "C:\\Banks\\Piano.sf2") << start;
    EXPECT_STREQ(soundFont.slots[1].name, "Piano") << start;
    EXPECT_TRUE(soundFont.slots[1].Has(Assigned)) << start;
  }
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
}

TEST_F(PresetSafetyTest, ADeviceMissingThisRunKeepsItsBlockInTheFile) {
  Start(kBothDevices, UseEWS64 | UseSFD);
  LoadInto(kCard, 0, "C:\\Banks\\Organ.tts", "Organ");
  LoadInto(kSoundFont, 1, "C:\\Banks\\Piano.sf2", "Piano");
  LoadInto(kSoundFont, 2, "C:\\Banks\\Choir.sf2", "Choir");
  SaveAs(kPreset);
  const std::string before = FileBytes(kPreset);

  StartUp(kCardOnly);
  ASSERT_EQ(layer.Count(), 1);
  ASSERT_EQ(loadResult, kErrOk);
  LoadInto(kCard, 3, "C:\\Banks\\Bass.tts", "Bass");  // the run's own change
  ShutDown();
  const std::string after = FileBytes(kPreset);
  ASSERT_EQ(after.size(), before.size());
  // The SoundFont device's block is written back byte for byte.
  const std::size_t second = kHeaderSize + kBlockSize;
  EXPECT_EQ(after.substr(second, kBlockSize), before.substr(second, kBlockSize));
  EXPECT_STREQ(SavedBlock(Saved(), kKindEws64)->paths[3], "C:\\Banks\\Bass.tts");

  // With the device back, its banks come back too.
  StartUp(kBothDevices);
  EXPECT_STREQ(layer.Device(kSoundFont).paths[2], "C:\\Banks\\Choir.sf2");
  EXPECT_TRUE(Slot(kSoundFont, 2).Has(Assigned));
}

TEST_F(PresetSafetyTest, ARunWithoutAnyDeviceLeavesThePresetAlone) {
  Start(kBothDevices, UseEWS64 | UseSFD);
  LoadInto(kSoundFont, 1, "C:\\Banks\\Piano.sf2", "Piano");
  SaveAs(kPreset);
  const std::string before = FileBytes(kPreset);

  StartUp(kNoDevice);
  ASSERT_EQ(layer.Count(), 0);
  EXPECT_FALSE(presets.SavesAutomatically());
  ShutDown();
  EXPECT_EQ(FileBytes(kPreset), before);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
}

TEST_F(PresetSafetyTest, ADamagedPresetIsReportedAndNeverOverwrittenUnasked) {
  Start(kCardOnly, UseEWS64);
  LoadInto(kCard, 0, "C:\\Banks\\Organ.tts", "Organ");
  SaveAs(kPreset);
  std::string damaged = FileBytes(kPreset);
  damaged.resize(damaged.size() / 2);
  WriteHostFile(kPreset, damaged);

  StartUp(kCardOnly);
  EXPECT_EQ(loadResult, kErrFileCorrupted);
  ASSERT_EQ(platform::sim::ShownMessageBoxes().size(), 1u);
  EXPECT_NE(platform::sim::ShownMessageBoxes()[0].text.find("' was corrupted"), std::string::npos);
  EXPECT_FALSE(presets.SavesAutomatically());
  ShutDown();
  EXPECT_EQ(FileBytes(kPreset), damaged);

  // A change of this run is offered, not saved silently; "No" keeps the file.
  LoadInto(kCard, 1, "C:\\Banks\\Bass.tts", "Bass");
  presets.MarkChanged();
  platform::sim::QueueMessageBoxAnswer(platform::kIdNo);
  ShutDown();
  EXPECT_EQ(platform::sim::ShownMessageBoxes().back().text,
            "'1 Live.pre' has been changed. Do you want to save this preset?");
  EXPECT_EQ(FileBytes(kPreset), damaged);

  // The user's own save still replaces it.
  presets.SavePreset();
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_STREQ(SavedBlock(Saved(), kKindEws64)->paths[1], "C:\\Banks\\Bass.tts");
}

TEST_F(PresetSafetyTest, SoundFontPresetsRoundTripOutsideAndInVirtualBankMode) {
  Start(kBothDevices, UseEWS64 | UseSFD);
  LoadInto(kSoundFont, 4, "C:\\Banks\\Piano.sf2", "Piano");
  SaveAs(kPreset);
  presets.ClearPreset(false);
  layer.OpenAllSoundFontDevices();
  presets.LoadPreset(kPreset);
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_STREQ(layer.Device(kSoundFont).paths[4], "C:\\Banks\\Piano.sf2");
  EXPECT_TRUE(Slot(kSoundFont, 4).Has(Loaded));
  EXPECT_TRUE(Slot(kSoundFont, 4).Has(Assigned));

  // In virtual bank mode every loaded slot is assigned, the SoundFont
  // device's own bank in slot 0 as "<none>"; loading that preset must not
  // ask the device about the placeholder ("You cannot manipulate this bank").
  SetVirtualBankMode(true);
  std::strcpy(layer.Device(kSoundFont).paths[9], "C:\\Banks\\Strings.sf2");
  Slot(kSoundFont, 9).flags = Assigned;
  SaveAs(kPreset);
  const PresetImage image = Saved();
  const SoundDevice& saved = *SavedBlock(image, kKindSoundFont);
  EXPECT_STREQ(saved.paths[0], "<none>");
  EXPECT_STREQ(saved.paths[9], "C:\\Banks\\Strings.sf2");

  presets.ClearPreset(false);
  layer.OpenAllSoundFontDevices();
  presets.LoadPreset(kPreset);
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  ReportError(errors, "LoadPreset");
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  EXPECT_STREQ(layer.Device(kSoundFont).paths[9], "C:\\Banks\\Strings.sf2");
  EXPECT_FALSE(Slot(kSoundFont, 9).Has(Loaded));  // loaded when MIDI asks for it
  EXPECT_TRUE(Slot(kSoundFont, 9).Has(Assigned));
  EXPECT_STREQ(layer.Device(kSoundFont).paths[4], "C:\\Banks\\Piano.sf2");
}

// On Windows 95 and 98 a save deletes the old file before it moves the new
// one in; when the move fails, the new file is what the next load reads.
TEST_F(PresetSafetyTest, APresetWhoseReplacementStoppedHalfWayIsReadFromItsNewFile) {
  Start(kCardOnly, UseEWS64);
  LoadInto(kCard, 0, "C:\\Banks\\Organ.tts", "Organ");
  SaveAs(kPreset);
  LoadInto(kCard, 1, "C:\\Banks\\Bass.tts", "Bass");
  platform::sim::SetReplaceDeletesThenFails(true);
  presets.SavePreset();
  platform::sim::SetReplaceDeletesThenFails(false);
  EXPECT_EQ(errors.ErrorCode, kErrBadFileName);
  errors.ErrorCode = kErrOk;

  StartUp(kCardOnly);
  ASSERT_EQ(loadResult, kErrOk);
  EXPECT_STREQ(layer.Device(kCard).paths[1], "C:\\Banks\\Bass.tts");
  ShutDown();
  EXPECT_STREQ(SavedBlock(Saved(), kKindEws64)->paths[1], "C:\\Banks\\Bass.tts");
}

// A preset that names a bank file which is gone reports the file; the bank
// the device holds in that slot stays, and so does the preset's entry.
TEST_F(PresetSafetyTest, AMissingBankFileIsReportedAndTheDeviceKeepsItsBank) {
  Start(kCardOnly, UseEWS64);
  LoadInto(kCard, 0, "C:\\Banks\\Organ.tts", "Organ");
  SaveAs(kPreset);
  PresetImage image = Saved();
  SoundDevice& card = image.devices[0].device;
  std::strcpy(card.paths[0], "C:\\Banks\\Gone.tts");
  std::strcpy(card.slots[0].name, "Gone");
  const std::vector<std::uint8_t> bytes = EncodePreset(image);
  WriteHostFile(kPreset, std::string(bytes.begin(), bytes.end()));
  platform::sim::ClearDriverMessages();

  StartUp(kCardOnly);
  ASSERT_EQ(platform::sim::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(platform::sim::ShownMessageBoxes()[0].text, "'C:\\Banks\\Gone.tts' was not found.");
  EXPECT_TRUE(Sent(ews64::kMsgClearBank).empty());
  layer.Ews64().RefreshEws64Banks(kCard);
  BankSlot inCard;
  layer.ReadSlotInfo(kCard, 0, inCard);
  EXPECT_STREQ(inCard.name, "Organ");
  ShutDown();
  EXPECT_STREQ(SavedBlock(Saved(), kKindEws64)->paths[0], "C:\\Banks\\Gone.tts");
}

}  // namespace
}  // namespace korvel
