// The "Bank Manager" page's actions against an emulated EWS64 card: loading
// chosen files into consecutive slots, unloading, clearing and reloading the
// selected slot, switching virtual bank mode with its questions, and the
// SoundFont device closed after an action that throws.
#include "app/models/BankPageActions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "banks/BankLoading.h"
#include "tests/unit/BankLayerTestSupport.h"
#include "tests/unit/PresetTestSupport.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

class FakeBankPage : public BankPageView {
 public:
  int SelectedLine() override { return selected; }
  void SelectLine(int line) override { selected = line; }
  void FocusBankList() override { ++focused; }
  std::vector<std::string> ChooseBankFiles(const BankFileDialog& shown) override {
    dialog = shown;
    ++dialogs;
    return chosen;
  }
  void DrawMemoryGraph() override {
    ++graphs;
    if (drawingFails) throw std::runtime_error("drawing failed");
  }

  int selected = -1;
  std::vector<std::string> chosen;
  BankFileDialog dialog;
  int dialogs = 0;
  int focused = 0;
  int graphs = 0;
  bool drawingFails = false;
};

class BankPageActionsTest : public testsupport::BankLayerTest {
 protected:
  void SetUp() override {
    BankLayerTest::SetUp();
    std::strcpy(config.homedir, "C:\\KORVEL");
  }

  testsupport::RecordingPresetView presetView;
  std::unique_ptr<MidiPortTable> ports;
  int updatingControls = 0;
  PresetManager presets{layer, ports, presetView, updatingControls};
  FakeBankPage page;
  BankPageActions actions{layer, presets, page, updatingControls};
};

TEST_F(BankPageActionsTest, ChosenFilesFillConsecutiveSlotsAndAFailureDoesNotAdvance) {
  StartCard();
  page.selected = 4;
  page.chosen = {SoundSet("C:\\Banks\\A.tts", "A"), "C:\\Banks\\B.wav", SoundSet("C:\\Banks\\C.tts", "C")};
  WriteHostFile("C:\\Banks\\B.wav", "RIFF");
  std::strcpy(layer.Device(0).lastFolder, "C:\\Banks;D:\\More");
  actions.BrowseBankButtonClick();

  EXPECT_EQ(page.dialog.title, "Load Instrument Bank");
  EXPECT_EQ(page.dialog.initialFolder, "C:\\Banks") << "the first of the bank folders";
  EXPECT_EQ(page.dialog.filterName, "Sound Sets (*.tts,*.94b)");
  EXPECT_EQ(page.dialog.filterPattern, "*.TTS;*.94B");
  EXPECT_EQ(page.dialog.defaultExtension, "tts");
  EXPECT_STREQ(Slot(0, 4).name, "A");
  EXPECT_STREQ(Slot(0, 5).name, "C");  // the failed file left the selection on slot 5
  EXPECT_EQ(page.selected, 6);
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_EQ(BoxTexts()[0], "'C:\\Banks\\B.wav' was in non-supported format.");
  // The files' folder became a bank folder and the dialog's next folder.
  EXPECT_STREQ(config.bankfolder, "C:\\Banks");
  EXPECT_EQ(PathOf(0, 4), "A.tts");
  EXPECT_STREQ(layer.Device(0).lastFolder, "C:\\Banks");
  EXPECT_TRUE(presets.PresetChanged());
  EXPECT_EQ(page.focused, 1);
  EXPECT_GE(shell.rebuilds, 1);
}

TEST_F(BankPageActionsTest, AMissingFileEndsTheLoadAndSlotsRunOutAtTheLast) {
  StartCard();
  std::strcpy(config.bankfolder, "C:\\Banks");
  page.selected = 0;
  page.chosen = {SoundSet("C:\\Banks\\A.tts", "A"), "C:\\Banks\\Gone.tts", SoundSet("C:\\Banks\\C.tts", "C")};
  actions.BrowseBankButtonClick();
  EXPECT_STREQ(Slot(0, 0).name, "A");
  EXPECT_STREQ(Slot(0, 1).name, "");  // the load stopped at the missing file
  // Named as the slot would store it: a bare name in a bank folder.
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"'Gone.tts' was not found."});

  // Virtual bank mode assigns; three files from line 126 leave one over.
  SetVirtualBankMode(true);
  sim::ClearShownMessageBoxes();
  page.selected = 126;
  page.chosen = {SoundSet("C:\\Banks\\X.tts", "X"), SoundSet("C:\\Banks\\Y.tts", "Y"),
                 SoundSet("C:\\Banks\\Z.tts", "Z")};
  actions.BrowseBankButtonClick();
  EXPECT_EQ(PathOf(0, 126), "X.tts");
  EXPECT_EQ(PathOf(0, 127), "Y.tts");
  EXPECT_TRUE(Slot(0, 126).Has(Assigned));
  EXPECT_FALSE(Slot(0, 126).Has(Loaded));  // assigned, not loaded
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"1 file was not loaded: there is no slot after slot 127."});
}

TEST_F(BankPageActionsTest, RefusalsBeforeAnythingIsLoaded) {
  actions.BrowseBankButtonClick();  // no device: nothing at all
  EXPECT_EQ(page.dialogs, 0);
  StartCard();
  actions.BrowseBankButtonClick();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Select an empty slot first."});
  page.selected = 2;
  page.chosen = {"C:\\" + std::string(130, 'L') + ".tts"};
  actions.BrowseBankButtonClick();
  ASSERT_EQ(BoxTexts().size(), 2u);
  EXPECT_NE(BoxTexts()[1].find("its name is longer than 127 characters"), std::string::npos);
  EXPECT_STREQ(Slot(0, 2).name, "");
  page.chosen.clear();  // cancelled
  actions.BrowseBankButtonClick();
  EXPECT_EQ(BoxTexts().size(), 2u);
}

TEST_F(BankPageActionsTest, UnloadClearAndRefreshTheSelectedSlot) {
  StartCard();
  ASSERT_EQ(LoadBank(layer, 0, 3, SoundSet("C:\\Banks\\Piano.tts", "Piano").c_str()), kErrOk);
  page.selected = 3;
  actions.RefreshButtonClick();  // reloads from the slot's path
  EXPECT_TRUE(Slot(0, 3).Has(Loaded));
  EXPECT_EQ(PathOf(0, 3), "C:\\Banks\\Piano.tts");

  page.selected = 200;
  actions.UnloadBankButtonClick();
  page.selected = 4;
  actions.UnloadBankButtonClick();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Cannot unload: Select a valid bank slot first.",
                                                  "Cannot unload: Bank not loaded."}));

  page.selected = 3;
  actions.UnloadBankButtonClick();  // outside virtual bank mode the path goes too
  EXPECT_FALSE(Slot(0, 3).Has(Loaded));
  EXPECT_EQ(PathOf(0, 3), "");
  EXPECT_TRUE(presets.PresetChanged());

  ASSERT_EQ(LoadBank(layer, 0, 3, "C:\\Banks\\Piano.tts"), kErrOk);
  presets.ClearPreset(false);
  ASSERT_EQ(LoadBank(layer, 0, 3, "C:\\Banks\\Piano.tts"), kErrOk);
  actions.ClearBankSlotButtonClick();
  EXPECT_STREQ(Slot(0, 3).name, "");
  EXPECT_EQ(PathOf(0, 3), "");
  EXPECT_GE(page.graphs, 2);
}

TEST_F(BankPageActionsTest, TurningVirtualBankModeOffAsksWithAutomaticSaving) {
  StartCard();
  config.cflags |= AutoSave;
  SetVirtualBankMode(true);
  shell.virtualBankModeShown = -1;

  sim::QueueMessageBoxAnswer(platform::kIdNo);
  actions.cbVBModeClick(false);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"This will create a new preset. Are you sure?"});
  EXPECT_TRUE(config.Has(VBMode));
  EXPECT_EQ(shell.virtualBankModeShown, 1);  // the box is ticked again

  sim::QueueMessageBoxAnswer(platform::kIdYes);
  actions.cbVBModeClick(false);
  EXPECT_FALSE(config.Has(VBMode));
  EXPECT_EQ(shell.virtualBankModeShown, 0);

  // Turning it on asks nothing; unsaved changes are offered first, and
  // cancelling that leaves the mode and the box alone.
  presets.SetPresetName("C:\\KORVEL\\Live.pre");
  presets.MarkChanged();
  sim::QueueMessageBoxAnswer(platform::kIdCancel);
  actions.cbVBModeClick(true);
  EXPECT_FALSE(config.Has(VBMode));
  EXPECT_EQ(shell.virtualBankModeShown, 0);
  sim::QueueMessageBoxAnswer(platform::kIdNo);
  actions.cbVBModeClick(true);
  EXPECT_TRUE(config.Has(VBMode));
  EXPECT_EQ(BoxTexts().size(), 4u);

  updatingControls = 1;  // while the program sets the box itself
  actions.cbVBModeClick(false);
  EXPECT_TRUE(config.Has(VBMode));
}

// An action that throws half-way through its work on a SoundFont device
// still closes the device, and leaves no count behind: the next bracket
// opens and closes it as before.
TEST_F(BankPageActionsTest, AnActionThatThrowsLeavesTheSoundFontDeviceClosed) {
  Start("ews64.cards=0\nsoundfont.devices=1\n", UseSFD);
  layer.CloseAllSoundFontDevices();  // Start leaves the devices open
  ASSERT_EQ(layer.Device(0).handle, 0u);
  const std::string piano = SoundFont("C:\\Banks\\Piano.sf2", "Piano");
  layer.OpenDeviceAccess(0);
  ASSERT_EQ(LoadBank(layer, 0, 3, piano.c_str()), kErrOk);
  layer.CloseDeviceAccess(0);
  page.drawingFails = true;  // the memory graph is drawn inside each bracket

  page.selected = 3;
  EXPECT_THROW(actions.RefreshButtonClick(), std::runtime_error);
  EXPECT_EQ(layer.Device(0).handle, 0u) << "Refresh";
  EXPECT_THROW(actions.UnloadBankButtonClick(), std::runtime_error);
  EXPECT_EQ(layer.Device(0).handle, 0u) << "Unload";
  page.selected = 5;
  page.chosen = {SoundFont("C:\\Banks\\Organ.sf2", "Organ")};
  EXPECT_THROW(actions.BrowseBankButtonClick(), std::runtime_error);
  EXPECT_EQ(layer.Device(0).handle, 0u) << "Load";
  EXPECT_STREQ(Slot(0, 5).name, "Organ");

  layer.OpenDeviceAccess(0);
  EXPECT_NE(layer.Device(0).handle, 0u);
  layer.CloseDeviceAccess(0);
  EXPECT_EQ(layer.Device(0).handle, 0u);
}

}  // namespace
}  // namespace korvel
