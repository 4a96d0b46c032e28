// Saving and loading presets against an emulated EWS64 card: what a save
// writes, how a load merges into the current state, and that a file which
// does not read whole changes nothing.
#include "banks/presets/PresetManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "banks/BankLoading.h"
#include "banks/switching/BankSwitching.h"
#include "banks/switching/BankSwitchingRequests.h"
#include "config/StatusLine.h"
#include "midi/ConnectionList.h"
#include "midi/Modification.h"
#include "tests/unit/BankLayerTestSupport.h"
#include "tests/unit/MidiTestSupport.h"
#include "tests/unit/PresetTestSupport.h"

namespace korvel {
namespace {

using testsupport::RecordingPresetView;

class PresetManagerTest : public testsupport::BankLayerTest {
 protected:
  void SetUp() override {
    BankLayerTest::SetUp();
    std::strcpy(config.homedir, "C:\\KORVEL");
    for (const char* folder : {"C:\\KORVEL\\Presets", "C:\\Presets"}) {
      std::filesystem::create_directories(Host(folder));
    }
    platform::sim::SetMidiDevices({testing::Device("Keyboard")},
                                  {testing::Device("Synth"), testing::Device("Expander")});
    ports = BuildPortTable();
    StartCard();
    config.cflags |= SaveCons | UseCons;
  }
  void TearDown() override {
    DestroyPortTable(ports);
    BankLayerTest::TearDown();
  }

  void Load(int slot, const std::string& name) {
    const std::string path = SoundSet("C:\\Banks\\" + name + ".tts", name);
    ASSERT_EQ(LoadBank(layer, 0, slot, path.c_str()), kErrOk);
  }
  std::vector<std::uint8_t> FileBytes(const std::string& windowsPath) {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void WriteFile(const std::string& windowsPath, const std::vector<std::uint8_t>& bytes) {
    WriteHostFile(windowsPath, std::string(bytes.begin(), bytes.end()));
  }
  PresetImage Saved(const std::string& windowsPath) {
    const auto bytes = FileBytes(windowsPath);
    PresetImage image;
    EXPECT_EQ(DecodePreset(bytes.data(), bytes.size(), image), PresetDecodeResult::kOk);
    return image;
  }
  void SaveAs(const char* name) {
    presets.SetPresetName(name);
    presets.SavePreset();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
  }
  // Everything a load may change, to compare before and after.
  std::string Snapshot() {
    std::string state(config.curpreset);
    state += std::to_string(config.cflags);
    const SoundDevice& device = layer.Device(0);
    state.append(reinterpret_cast<const char*>(device.paths), sizeof device.paths);
    for (const BankSlot& slot : device.slots) {
      state.append(reinterpret_cast<const char*>(&slot), sizeof slot);
    }
    for (int i = 0; i < ports->connectionCount; ++i) {
      state += std::to_string(ports->connections[i]->Source() * 16 + ports->connections[i]->Destination());
      state += std::to_string(ports->connections[i]->modifications.count.load());
    }
    return state;
  }

  std::unique_ptr<MidiPortTable> ports;
  RecordingPresetView view;
  int updatingControls = 0;
  PresetManager presets{layer, ports, view, updatingControls};
};

TEST_F(PresetManagerTest, SaveWritesAssignedSlotsAndConnections) {
  Load(0, "Piano");
  Load(3, "Organ");
  Slot(0, 5).flags &= ~Assigned;  // a bank the preset does not hold
  ASSERT_EQ(Connect(*ports, 0, 1), 0u);
  Modification octave;
  octave.sourceHigh = 127;
  octave.targetValue = 12;
  AddModificationCopy(ports->connections[0]->modifications, octave);
  ports->connections[0]->link = 1;
  view.row = 3;
  presets.MarkChanged();
  SaveAs("C:\\KORVEL\\Presets\\1 Demo.pre");

  const auto bytes = FileBytes("C:\\KORVEL\\Presets\\1 Demo.pre");
  const std::vector<std::uint8_t> header = {'S', 'T', 'P', 'F', 1, 0, 0, 0, 20, 0, 0, 0,
                                            0x00, 0x20, 0, 0, 1, 0, 0, 0};
  ASSERT_GE(bytes.size(), header.size());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 20), header);
  const PresetImage image = Saved("C:\\KORVEL\\Presets\\1 Demo.pre");
  ASSERT_EQ(image.devices.size(), 1u);
  const SoundDevice& block = image.devices[0].device;
  EXPECT_STREQ(block.paths[0], "C:\\Banks\\Piano.tts");
  EXPECT_STREQ(block.paths[3], "C:\\Banks\\Organ.tts");
  EXPECT_STREQ(block.slots[3].name, "Organ");
  EXPECT_STREQ(block.paths[5], "");
  EXPECT_EQ(image.bankListRow, 3);
  EXPECT_TRUE(image.tiles.empty());  // no map tiles yet
  ASSERT_EQ(image.connections.size(), 1u);
  EXPECT_STREQ(image.connections[0].sourceName, "Keyboard");
  EXPECT_STREQ(image.connections[0].destName, "Synth");
  EXPECT_EQ(image.connections[0].linkedDevice, 1);
  ASSERT_EQ(image.connections[0].modifications.size(), 1u);
  EXPECT_TRUE(SameModification(image.connections[0].modifications[0], octave));
  EXPECT_FALSE(presets.PresetChanged());
  EXPECT_EQ(view.title, "1 Demo - Korvel");
}

TEST_F(PresetManagerTest, AFailedSaveKeepsThePreviousFile) {
  Load(0, "Piano");
  SaveAs("C:\\KORVEL\\Live.pre");
  const auto before = FileBytes("C:\\KORVEL\\Live.pre");
  Load(1, "Strings");
  platform::sim::SetFileWriteLimit(100);
  presets.SavePreset();
  platform::sim::SetFileWriteLimit(-1);
  EXPECT_EQ(errors.ErrorCode, kErrBadFileName);
  EXPECT_EQ(FileBytes("C:\\KORVEL\\Live.pre"), before);
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\KORVEL\\Live.pre.new")));

  // The box names the file and the system's reason below the message; a
  // name that Windows refuses keeps the message alone.
  ReportError(errors, "Form1::PresetSaveButtonClick");
  platform::sim::SetFileWriteLimit(100);
  presets.SetPresetName("C:\\KORVEL\\Li?ve.pre");
  presets.SavePreset();
  platform::sim::SetFileWriteLimit(-1);
  ReportError(errors, "Form1::PresetSaveButtonClick");
  const auto& boxes = platform::sim::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "File name contained illegal characters.\n"
                           "C:\\KORVEL\\Live.pre: No space left on device");
  EXPECT_EQ(boxes[1].text, "File name contained illegal characters.");
  EXPECT_EQ(boxes[1].caption, "Invalid Filename");
}

TEST_F(PresetManagerTest, LoadingRestoresSlotsConnectionsAndTheName) {
  Load(0, "Piano");
  Load(3, "Organ");
  ASSERT_EQ(Connect(*ports, 0, 2), 0u);
  ports->connections[0]->link = 2;
  SaveAs("Live.pre");  // relative to the home folder
  config.cflags |= ClearCons;
  presets.ClearPreset(false);
  EXPECT_EQ(ports->connectionCount, 0);
  EXPECT_EQ(PathOf(0, 0), "");
  EXPECT_TRUE(Slot(0, 0).flags == 0);

  presets.LoadPreset("Live.pre");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_EQ(PathOf(0, 0), "C:\\Banks\\Piano.tts");
  EXPECT_TRUE(Slot(0, 3).Has(Assigned));
  EXPECT_TRUE(Slot(0, 3).Has(Loaded));
  ASSERT_EQ(ports->connectionCount, 1);
  EXPECT_EQ(ports->connections[0]->Destination(), 2);
  EXPECT_EQ(ports->connections[0]->link.load(), 2);
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Live.pre");
  EXPECT_EQ(view.label, "C:\\KORVEL\\Live.pre");
  EXPECT_TRUE(view.boxes.saveDevice[0]);
  EXPECT_TRUE(view.boxes.saveConnections);
  EXPECT_FALSE(presets.LoadingPreset());
}

TEST_F(PresetManagerTest, SlotsWithPathsKeepThemAndExistingConnectionsAreKept) {
  Load(0, "Piano");
  ASSERT_EQ(Connect(*ports, 0, 1), 0u);
  Modification m;
  AddModificationCopy(ports->connections[0]->modifications, m);
  SaveAs("C:\\KORVEL\\A.pre");
  AddModificationCopy(ports->connections[0]->modifications, m);  // now two
  Load(0, "Choir");  // the slot's path differs from the file's now

  presets.LoadPreset("C:\\KORVEL\\A.pre");
  EXPECT_EQ(PathOf(0, 0), "C:\\Banks\\Choir.tts");
  EXPECT_EQ(ports->connectionCount, 1);
  EXPECT_EQ(ports->connections[0]->modifications.count.load(), 2);
}

TEST_F(PresetManagerTest, BlocksOfMissingDevicesAreSkippedWhole) {
  PresetImage image;
  PresetDevice soundFont;
  soundFont.device.kind = kKindSoundFont;
  soundFont.device.slotCount = 2;
  std::strcpy(soundFont.device.paths[0], "C:\\Banks\\Gm.sf2");
  PresetDevice card;
  card.device.slotCount = 128;
  SoundSet("C:\\Banks\\Bass.tts", "Bass");
  std::strcpy(card.device.paths[7], "C:\\Banks\\Bass.tts");
  card.device.slots[7].flags = Assigned;
  std::strcpy(card.device.slots[7].name, "Bass");
  std::strcpy(card.device.lastFolder, "C:\\Banks");
  image.devices = {soundFont, card};
  WriteFile("C:\\KORVEL\\Two.pre", EncodePreset(image));

  presets.LoadPreset("C:\\KORVEL\\Two.pre");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_EQ(PathOf(0, 7), "C:\\Banks\\Bass.tts");
  EXPECT_TRUE(Slot(0, 7).Has(Loaded));  // outside virtual bank mode it is loaded now
  EXPECT_STREQ(layer.Device(0).lastFolder, "C:\\Banks");
}

TEST_F(PresetManagerTest, OldFilesAndSaveFlagsZero) {
  PresetImage image;
  image.revision = 14;  // before extensions
  config.cflags &= ~(SaveCons | SaveMinfo);
  WriteFile("C:\\KORVEL\\Old.pre", EncodePreset(image));
  presets.LoadPreset("C:\\KORVEL\\Old.pre");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  // Without extensions both MIDI boxes are checked, and so their options.
  EXPECT_TRUE(view.boxes.saveConnections);
  EXPECT_TRUE(view.boxes.saveDeviceInfo);
  EXPECT_TRUE(config.Has(SaveCons) && config.Has(SaveMinfo));

  config.cflags &= ~kPresetSaveFlagsMask;
  SaveAs("C:\\KORVEL\\Zero.pre");
  const auto bytes = FileBytes("C:\\KORVEL\\Zero.pre");
  const std::vector<std::uint8_t> tail = {0xFF, 0xFF, 0xFF, 0xFF, 0xF5, 0x42, 0, 0};
  ASSERT_GE(bytes.size(), tail.size());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 8, bytes.end()), tail);
}

// A connection that cannot be made in this run stays in the file, with its
// modifications, however often the preset is saved.
TEST_F(PresetManagerTest, ConnectionsThatCannotBeMadeStayInThePreset) {
  ASSERT_EQ(Connect(*ports, 0, 1), 0u);
  ASSERT_EQ(AddModification(ports->connections[0]->modifications), 0);
  ports->connections[0]->modifications.records[0].sourceLow = 36;
  SaveAs("C:\\KORVEL\\C.pre");
  ASSERT_EQ(Disconnect(*ports, 0), 0u);
  auto keepsTheConnection = [this] {
    const PresetImage image = Saved("C:\\KORVEL\\C.pre");
    return image.connections.size() == 1 && std::string(image.connections[0].sourceName) == "Keyboard" &&
           std::string(image.connections[0].destName) == "Synth" && image.connections[0].modifications.size() == 1 &&
           image.connections[0].modifications[0].sourceLow == 36;
  };

  // Connections off: not made, nothing said.
  config.cflags &= ~UseCons;
  presets.LoadPreset("C:\\KORVEL\\C.pre");
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_EQ(ports->connectionCount, 0);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  presets.SavePreset();
  EXPECT_TRUE(keepsTheConnection());

  // Its input chosen for bank managing: not made, and the user is told.
  config.cflags |= UseCons;
  ASSERT_EQ(OpenBankSwitchInput(*ports, "Keyboard", 3, 256), 0u);
  presets.LoadPreset("C:\\KORVEL\\C.pre");
  EXPECT_EQ(ports->connectionCount, 0);
  ASSERT_EQ(platform::sim::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(platform::sim::ShownMessageBoxes()[0].text,
            "The connection from 'Keyboard' to 'Synth' was not made: 'Keyboard' is the input for bank managing. "
            "The preset keeps the connection.");
  presets.SavePreset();
  EXPECT_TRUE(keepsTheConnection());

  // Made again by the user, it is saved once.
  CloseBankSwitchInputByName(*ports, "Keyboard");
  ASSERT_EQ(Connect(*ports, 0, 1), 0u);
  presets.SavePreset();
  EXPECT_EQ(Saved("C:\\KORVEL\\C.pre").connections.size(), 1u);
}

TEST_F(PresetManagerTest, ADamagedFileChangesNothing) {
  Load(0, "Piano");
  ASSERT_EQ(Connect(*ports, 0, 1), 0u);
  SaveAs("C:\\KORVEL\\Good.pre");
  Load(2, "Drums");
  const auto good = FileBytes("C:\\KORVEL\\Good.pre");
  config.cflags |= ClearOnLoad | ClearCons;
  const std::string before = Snapshot();

  std::vector<std::vector<std::uint8_t>> damaged;
  damaged.push_back(std::vector<std::uint8_t>(good.begin(), good.end() - 3));  // ends early
  auto badMagic = good;
  badMagic[3] = 'X';
  damaged.push_back(badMagic);
  auto fiveDevices = good;
  fiveDevices[16] = 5;
  damaged.push_back(fiveDevices);
  auto version0 = good;
  version0[4] = 0;
  damaged.push_back(version0);
  for (const auto& bytes : damaged) {
    WriteFile("C:\\KORVEL\\Bad.pre", bytes);
    errors.ErrorCode = kErrOk;
    presets.LoadPreset("C:\\KORVEL\\Bad.pre");
    EXPECT_EQ(errors.ErrorCode, kErrFileCorrupted);
    EXPECT_EQ(Snapshot(), before);
  }
  errors.ErrorCode = kErrOk;
  presets.LoadPreset("C:\\KORVEL\\Missing.pre");
  EXPECT_EQ(errors.ErrorCode, kErrFileNotFound);
  EXPECT_EQ(Snapshot(), before);
}

// A file read only in part (bytes after an old file's bank-list row) is
// loaded but never saved unasked; a ".new" left without its file is taken
// only when it reads whole.
TEST_F(PresetManagerTest, AFileReadOnlyInPartIsNotSavedUnasked) {
  config.cflags |= AutoSave;
  Load(0, "Piano");
  PresetImage old;
  old.version = 1;
  old.revision = 10;
  auto bytes = EncodePreset(old);
  bytes.insert(bytes.end(), {'x', 'y'});
  WriteFile("C:\\KORVEL\\Old.pre", bytes);
  presets.LoadPreset("C:\\KORVEL\\Old.pre");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_FALSE(presets.SavesAutomatically());
  WriteFile("C:\\KORVEL\\Old.pre", EncodePreset(old));
  presets.LoadPreset("C:\\KORVEL\\Old.pre");
  EXPECT_TRUE(presets.SavesAutomatically());

  SaveAs("C:\\KORVEL\\Whole.pre");
  const auto whole = FileBytes("C:\\KORVEL\\Whole.pre");
  std::filesystem::remove(Host("C:\\KORVEL\\Whole.pre"));
  WriteFile("C:\\KORVEL\\Cut.pre.new", std::vector<std::uint8_t>(whole.begin(), whole.end() - 2));
  presets.LoadPreset("C:\\KORVEL\\Cut.pre");
  EXPECT_EQ(errors.ErrorCode, kErrFileNotFound);
  errors.ErrorCode = kErrOk;
  WriteFile("C:\\KORVEL\\Whole.pre.new", whole);
  presets.LoadPreset("C:\\KORVEL\\Whole.pre");
  EXPECT_EQ(errors.ErrorCode, kErrOk);
}

TEST_F(PresetManagerTest, ThePromptNamesThePresetAndFollowsTheAnswer) {
  EXPECT_EQ(presets.CheckPresetSave(), 1);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());

  presets.SetPresetName("C:\\Presets\\12 Live.pre");
  EXPECT_EQ(view.title, "12 Live - Korvel");
  presets.MarkChanged();
  platform::sim::QueueMessageBoxAnswer(platform::kIdCancel);
  EXPECT_EQ(presets.CheckPresetSave(), 0);
  const auto& box = platform::sim::ShownMessageBoxes().back();
  EXPECT_EQ(box.text, "'12 Live.pre' has been changed. Do you want to save this preset?");
  EXPECT_EQ(box.caption, "Korvel");
  EXPECT_EQ(box.type & 0xF, platform::kMbYesNoCancel);
  EXPECT_TRUE(presets.PresetChanged());

  platform::sim::QueueMessageBoxAnswer(platform::kIdYes);
  EXPECT_EQ(presets.CheckPresetSave(), 1);
  EXPECT_FALSE(FileBytes("C:\\Presets\\12 Live.pre").empty());

  presets.SetPresetName("");
  EXPECT_EQ(view.title, "untitled - Korvel");
  presets.MarkChanged();
  platform::sim::QueueMessageBoxAnswer(platform::kIdYes);
  EXPECT_EQ(presets.CheckPresetSave(), 1);
  EXPECT_EQ(view.saveAsDialogs, 1);
  // Yes, then Cancel in the save dialog: what asked is cancelled too.
  view.saveAsSaves = false;
  platform::sim::QueueMessageBoxAnswer(platform::kIdYes);
  EXPECT_EQ(presets.CheckPresetSave(), 0);
  EXPECT_TRUE(presets.PresetChanged());
  presets.MarkChanged();
  platform::sim::QueueMessageBoxAnswer(platform::kIdNo);
  EXPECT_EQ(presets.CheckPresetSave(), 2);
  EXPECT_FALSE(presets.PresetChanged());
}

TEST_F(PresetManagerTest, ClearingKeepsTheBanksInTheDevice) {
  Load(0, "Piano");
  presets.ClearPreset(false);
  EXPECT_EQ(PathOf(0, 0), "");
  layer.IsBankLoaded(0, 0, "Piano");
  EXPECT_TRUE(Slot(0, 0).Has(Loaded));
  SaveAs("C:\\KORVEL\\Empty.pre");
  EXPECT_STREQ(Saved("C:\\KORVEL\\Empty.pre").devices[0].device.paths[0], "");
  // With a refresh every bank in the device is assigned again.
  presets.ClearPreset(true);
  EXPECT_TRUE(Slot(0, 0).Has(Assigned));
}

TEST_F(PresetManagerTest, NumberedPresetsComeFromThePresetsFolder) {
  Load(4, "Piano");
  SaveAs("C:\\KORVEL\\Presets\\3 Strings.pre");
  presets.ClearPreset(false);
  presets.LoadPresetByNumber(7);  // no such file: nothing happens
  EXPECT_STREQ(config.curpreset, "");
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  presets.LoadPresetByNumber(3);
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\3 Strings.pre");
  EXPECT_EQ(PathOf(0, 4), "C:\\Banks\\Piano.tts");
}

// The foot switch's 5 is the song numbered 5, never "50 Finale", whatever
// order the directory lists the files in; of two songs with one number the
// first by name is always taken, and the status line names the other.
TEST_F(PresetManagerTest, ANumberedPresetIsTheFileWithExactlyThatNumber) {
  std::vector<std::string> texts;
  SetStatusLine([&texts](const std::string& text) { texts.push_back(text); });
  const auto loadFive = [&] {
    presets.ClearPreset(false);
    presets.LoadPresetByNumber(5);
    return std::string(config.curpreset);
  };
  SaveAs("C:\\KORVEL\\Presets\\50 Finale.pre");
  SaveAs("C:\\KORVEL\\Presets\\5_Encore.pre");
  EXPECT_EQ(loadFive(), "C:\\KORVEL\\Presets\\5_Encore.pre");
  SaveAs("C:\\KORVEL\\Presets\\5_acoustic.pre");  // before "5_Encore" without regard to case
  EXPECT_EQ(loadFive(), "C:\\KORVEL\\Presets\\5_acoustic.pre");
  SaveAs("C:\\KORVEL\\Presets\\5.pre");
  EXPECT_EQ(loadFive(), "C:\\KORVEL\\Presets\\5.pre");
  SaveAs("C:\\KORVEL\\Presets\\05 Intro.pre");  // leading zeros: still preset 5
  EXPECT_EQ(loadFive(), "C:\\KORVEL\\Presets\\05 Intro.pre");
  presets.LoadPresetByNumber(50);
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\50 Finale.pre");
  SetStatusLine(nullptr);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "'5_Encore.pre' was loaded.",
                       "'5_acoustic.pre' was loaded; '5_Encore.pre' has number 5 too.",
                       "'5.pre' was loaded; '5_acoustic.pre' and 1 more have number 5 too.",
                       "'05 Intro.pre' was loaded; '5.pre' and 2 more have number 5 too.",
                       "'50 Finale.pre' was loaded.",
                   }));
}

TEST_F(PresetManagerTest, ControlChangeFifteenLoadsANumberedPresetOnTheUserInterfaceThread) {
  Load(4, "Piano");
  SaveAs("C:\\KORVEL\\Presets\\5 Strings.pre");
  presets.ClearPreset(false);
  BankSwitching switching(layer, [this](int n) { presets.LoadPresetByNumber(n); });
  ModalService turn;
  BankSwitchingRequests requests(switching, turn);
  SetBankSwitchingHook(&requests);
  config.cflags |= BankSwitchInput;
  switching.SetBankSwitchingInput(*ports, 0, false);
  ASSERT_EQ(ports->bankSwitchInput, 0);

  platform::sim::SendMidiShort(0, testing::Msg(0xB0, 15, 5));
  ASSERT_TRUE(platform::sim::WaitForMidiIdle());
  ASSERT_TRUE(platform::sim::WaitForUserInterfaceWork(1));
  EXPECT_STREQ(config.curpreset, "");  // nothing happens on the MIDI thread
  requests.RunPendingRequests();
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\5 Strings.pre");
  EXPECT_EQ(PathOf(0, 4), "C:\\Banks\\Piano.tts");
  DestroyPortTable(ports);
  SetBankSwitchingHook(nullptr);
}

TEST_F(PresetManagerTest, ShutDownSavesANamedPresetWithAutoSave) {
  config.cflags |= AutoSave;
  presets.MarkChanged();
  presets.SaveAtShutDown();  // untitled: neither saved nor asked about
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  SaveAs("C:\\KORVEL\\Auto.pre");
  Load(1, "Piano");
  EXPECT_TRUE(presets.SavesAutomatically());
  presets.SaveAtShutDown();
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  EXPECT_STREQ(Saved("C:\\KORVEL\\Auto.pre").devices[0].device.paths[1], "C:\\Banks\\Piano.tts");
}

// A Control Change 15 that arrives while the user is asked whether to save
// would load another preset in the middle of the first operation; it waits
// until that operation is over and runs from the top-level message loop.
TEST_F(PresetManagerTest, ARequestArrivingWhileABoxIsOpenRunsAfterTheOperation) {
  Load(4, "Piano");
  SaveAs("C:\\KORVEL\\Presets\\5 Strings.pre");
  presets.SetPresetName("C:\\KORVEL\\Live.pre");
  presets.MarkChanged();
  ModalService turn;
  BankSwitching switching(layer, [this](int n) { presets.LoadPresetByNumber(n); });
  BankSwitchingRequests requests(switching, turn);
  SetBankSwitchingHook(&requests);
  config.cflags |= BankSwitchInput;
  switching.SetBankSwitchingInput(*ports, 0, false);

  platform::sim::SetMessageBoxHook([&](const platform::sim::ShownBox&) {
    platform::sim::SendMidiShort(0, testing::Msg(0xB0, 15, 5));
    ASSERT_TRUE(platform::sim::WaitForMidiIdle());
    ASSERT_TRUE(platform::sim::WaitForUserInterfaceWork(1));
    requests.RunPendingRequests();  // the box's loop dispatches the posted turn
    EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Live.pre");
  });
  {
    ModalService::Operation closing(turn);  // "&Close" asks first
    platform::sim::QueueMessageBoxAnswer(platform::kIdNo);
    EXPECT_EQ(presets.CheckPresetSave(), 2);
    EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Live.pre");
  }
  platform::sim::SetMessageBoxHook(nullptr);
  // The operation's end asks for a turn of its own.
  ASSERT_EQ(platform::sim::PostedUserInterfaceWork(), 2u);
  requests.RunPendingRequests();
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\5 Strings.pre");
  EXPECT_EQ(requests.DroppedRequests(), 0u);
  DestroyPortTable(ports);
  SetBankSwitchingHook(nullptr);
}

TEST_F(PresetManagerTest, APresetPathLongerThanTheNameFieldIsNotLoaded) {
  Load(0, "Piano");
  const std::string longPath = "C:\\KORVEL\\Presets\\" + std::string(110, 'n') + ".pre";
  SaveAs("C:\\KORVEL\\Short.pre");
  std::filesystem::copy_file(Host("C:\\KORVEL\\Short.pre"), Host(longPath));
  presets.LoadPreset(longPath.c_str());
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Short.pre");
  ASSERT_EQ(platform::sim::ShownMessageBoxes().size(), 1u);
  EXPECT_NE(platform::sim::ShownMessageBoxes()[0].text.find("at most 127 characters"), std::string::npos);
}

}  // namespace
}  // namespace korvel
