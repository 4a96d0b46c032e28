// The "Presets" page's flows with the user's answers: save, save as (and
// not overwriting), load, new, and the check boxes' "&Defaults".
#include "app/models/PresetPageActions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "banks/BankLoading.h"
#include "tests/unit/BankLayerTestSupport.h"
#include "tests/unit/PresetTestSupport.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

class FakePresetPage : public PresetPageView {
 public:
  std::string ChoosePresetToSave(const std::string& initialFolder) override {
    saveFolder = initialFolder;
    ++saveDialogs;
    return toSave;
  }
  std::string ChoosePresetToLoad(const std::string& initialFolder) override {
    loadFolder = initialFolder;
    return toLoad;
  }
  std::string toSave, toLoad, saveFolder, loadFolder;
  int saveDialogs = 0;
};

class PresetPageActionsTest : public testsupport::BankLayerTest {
 protected:
  void SetUp() override {
    BankLayerTest::SetUp();
    std::strcpy(config.homedir, "C:\\KORVEL");
    std::filesystem::create_directories(Host("C:\\KORVEL\\Presets"));
    StartCard();
  }
  std::string Bytes(const char* windowsPath) {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  testsupport::RecordingPresetView view;
  std::unique_ptr<MidiPortTable> ports;
  int updatingControls = 0;
  PresetManager presets{layer, ports, view, updatingControls};
  FakePresetPage page;
  PresetPageActions actions{layer, presets, page, updatingControls};
};

TEST_F(PresetPageActionsTest, SaveAsAsksBeforeOverwritingAndSaveThenUsesTheName) {
  // "&Save" of an untitled preset is "Sa&ve as...": cancelled, nothing happens.
  actions.SavePresetButtonClick();
  EXPECT_EQ(page.saveDialogs, 1);
  EXPECT_TRUE(BoxTexts().empty());

  ASSERT_EQ(LoadBank(layer, 0, 1, SoundSet("C:\\Banks\\Piano.tts", "Piano").c_str()), kErrOk);
  std::strcpy(config.lastpath, "C:\\KORVEL\\Presets");
  page.toSave = "C:\\KORVEL\\Presets\\1 Live.pre";
  actions.SaveAsPresetButtonClick();
  EXPECT_EQ(page.saveFolder, "C:\\KORVEL\\Presets");
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\1 Live.pre");
  const std::string first = Bytes("C:\\KORVEL\\Presets\\1 Live.pre");
  EXPECT_FALSE(first.empty());

  // Onto an existing file, answered No: nothing is written, the name stays.
  page.toSave = "C:\\KORVEL\\Presets\\1 Live.pre";
  std::strcpy(config.curpreset, "C:\\KORVEL\\Presets\\2 Other.pre");
  ASSERT_EQ(LoadBank(layer, 0, 2, SoundSet("C:\\Banks\\Organ.tts", "Organ").c_str()), kErrOk);
  sim::QueueMessageBoxAnswer(platform::kIdNo);
  actions.SaveAsPresetButtonClick();
  EXPECT_EQ(BoxTexts().back(), "Do you want to overwrite 'C:\\KORVEL\\Presets\\1 Live.pre'?");
  EXPECT_EQ(Bytes("C:\\KORVEL\\Presets\\1 Live.pre"), first);
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\2 Other.pre");
  actions.SavePresetButtonClick();  // saves under the name it had
  EXPECT_FALSE(Bytes("C:\\KORVEL\\Presets\\2 Other.pre").empty());

  sim::QueueMessageBoxAnswer(platform::kIdYes);
  actions.SaveAsPresetButtonClick();
  EXPECT_NE(Bytes("C:\\KORVEL\\Presets\\1 Live.pre"), first);
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\1 Live.pre");
}

// A name the fields would cut could name another file: it is refused.
TEST_F(PresetPageActionsTest, NamesLongerThanTheFieldsAreRefusedNotCut) {
  const std::string longName = "C:\\KORVEL\\Presets\\" + std::string(120, 'p') + ".pre";
  page.toSave = longName;
  actions.SaveAsPresetButtonClick();
  page.toLoad = longName;
  actions.LoadPresetButtonClick();
  ASSERT_EQ(BoxTexts().size(), 2u);
  EXPECT_NE(BoxTexts()[0].find("at most 127 characters"), std::string::npos);
  EXPECT_STREQ(config.curpreset, "");
  EXPECT_FALSE(std::filesystem::exists(Host(longName.substr(0, 127))));
}

TEST_F(PresetPageActionsTest, LoadAsksAboutChangesFirstAndNewStartsAfresh) {
  ASSERT_EQ(LoadBank(layer, 0, 1, SoundSet("C:\\Banks\\Piano.tts", "Piano").c_str()), kErrOk);
  page.toSave = "C:\\KORVEL\\Presets\\1 Live.pre";
  actions.SaveAsPresetButtonClick();
  presets.ClearPreset(false);
  presets.SetPresetName("C:\\KORVEL\\Presets\\Changed.pre");
  presets.MarkChanged();

  page.toLoad = "C:\\KORVEL\\Presets\\1 Live.pre";
  sim::QueueMessageBoxAnswer(platform::kIdCancel);
  actions.LoadPresetButtonClick();
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\Changed.pre");
  sim::QueueMessageBoxAnswer(platform::kIdNo);
  actions.LoadPresetButtonClick();
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\1 Live.pre");
  EXPECT_EQ(PathOf(0, 1), "C:\\Banks\\Piano.tts");
  EXPECT_STREQ(config.lastpath, "C:\\KORVEL\\Presets");
  EXPECT_GE(shell.trayMenus, 1);

  presets.MarkChanged();
  sim::QueueMessageBoxAnswer(platform::kIdCancel);
  actions.ClearPresetButtonClick();
  EXPECT_STREQ(config.curpreset, "C:\\KORVEL\\Presets\\1 Live.pre");
  sim::QueueMessageBoxAnswer(platform::kIdNo);
  const int rebuilds = shell.rebuilds;
  actions.ClearPresetButtonClick();
  EXPECT_STREQ(config.curpreset, "");
  EXPECT_EQ(view.title, "untitled - Korvel");
  EXPECT_TRUE(Slot(0, 1).Has(Assigned));  // the bank in the card is read again
  EXPECT_GT(shell.rebuilds, rebuilds);
  EXPECT_EQ(updatingControls, 0);
}

TEST_F(PresetPageActionsTest, DefaultsTickEveryBoxAndTheChangedOnesSetTheirFlags) {
  config.cflags &= ~(SaveCons | SaveMinfo);
  presets.CheckSaveDevice(0, false);
  presets.CheckSaveDevice(2, false);  // no such device: the box only
  presets.CheckSaveConnections(false);
  ASSERT_FALSE(layer.Device(0).Has(SaveInPreset));
  actions.ResetSavesClick();
  for (bool ticked : view.boxes.saveDevice) EXPECT_TRUE(ticked);
  EXPECT_TRUE(view.boxes.saveConnections && view.boxes.saveDeviceInfo);
  EXPECT_TRUE(layer.Device(0).Has(SaveInPreset));
  EXPECT_TRUE(config.Has(SaveCons));
  // "Additional Midi Device Information" was ticked already: its handler did not run.
  EXPECT_FALSE(config.Has(SaveMinfo));
}

}  // namespace
}  // namespace korvel
