// The "Connection Details" dialog's model against live connections of
// virtual MIDI ports and two emulated EWS64 cards: what its lists show, the
// edits stored into the modifications, the modification and preset buttons,
// the bank-switching link, and the bypass and preset file around its life.
#include "app/models/ConnectionDetails.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/models/RangeText.h"
#include "midi/ConnectionList.h"
#include "midi/MidiCallbacks.h"
#include "tests/unit/BankLayerTestSupport.h"
#include "tests/unit/PresetTestSupport.h"

namespace korvel {
namespace {

namespace sim = platform::sim;
using Ctl = DetailsControl;
using Entries = std::vector<std::string>;

constexpr const char* kHome = "C:\\KORVEL";
const std::string kMark = "\xA7";

// Records what the dialog is told, as its controls would hold it. A list
// that is filled loses its selection; a selection made by the user is set
// directly, as the window would read it.
class FakeDetailsView : public ConnectionDetailsView {
 public:
  void FillList(Ctl list, const Entries& entries) override {
    lists[list] = entries;
    selected[list] = -1;
  }
  void SelectEntry(Ctl list, int entry) override { selected[list] = entry; }
  void SetText(Ctl control, const std::string& text) override {
    texts[control] = text;
    if (onSetText) onSetText(control, text);
  }
  void SetSwapChecked(bool checked) override { swapChecked = checked; }
  void EnableEditor(bool on) override { editorEnabled = on; }
  void EnableAdding(bool on) override { addingEnabled = on; }
  std::string CustomName() override { return texts[Ctl::edPresetName]; }
  int SelectedPreset() override { return Selected(Ctl::tlist); }

  int Selected(Ctl list) { return selected.count(list) ? selected[list] : -1; }

  std::map<Ctl, Entries> lists;
  std::map<Ctl, int> selected;
  std::map<Ctl, std::string> texts;
  bool swapChecked = false;
  bool editorEnabled = true;
  bool addingEnabled = true;
  std::function<void(Ctl, const std::string&)> onSetText;
};

// Ports: 0 "Keyboard" (input), 1 "Loop" (both sides), 2 "Synth" and
// 3 "Expander" (outputs). Devices: "0 - Terratec EWS64 [64a0]" and
// "1 - Terratec EWS64 [64a1]".
class ConnectionDetailsTest : public testsupport::BankLayerTest {
 protected:
  static constexpr int kKeyboard = 0, kLoop = 1, kSynth = 2, kExpander = 3;

  void SetUp() override {
    BankLayerTest::SetUp();
    std::strcpy(config.homedir, kHome);
    Start("ews64.cards=2\nsoundfont.devices=0\n", UseEWS64);
    ASSERT_EQ(layer.Count(), 2);
    sim::SetMidiDevices({{"Keyboard"}, {"Loop"}}, {{"Synth"}, {"Loop"}, {"Expander"}});
    ports = BuildPortTable();
  }
  void TearDown() override {
    dialog.reset();  // a model left open ends its bypass on the connections
    if (ports) SetModificationBypass(*ports, false);
    DestroyPortTable(ports);
    BankLayerTest::TearDown();
  }

  MidiConnection& Con(int c) { return *ports->connections[c]; }
  void Connected(int source, int destination) { ASSERT_EQ(Connect(*ports, source, destination), 0u); }
  void AddMods(int c, int n) {
    for (int i = 0; i < n; ++i) ASSERT_GE(AddModification(Con(c).modifications), 0);
  }
  Modification& Mod(int c, int m) { return Con(c).modifications.records[m]; }
  int ModCount(int c) { return Con(c).modifications.count.load(); }

  void WritePresetFile(const std::string& text) { WriteHostFile(std::string(kHome) + "\\mods.txt", text); }
  std::string ReadPresetFile() {
    std::ifstream in(Host(std::string(kHome) + "\\mods.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  ConnectionDetails& Dialog() {
    if (!dialog) dialog = std::make_unique<ConnectionDetails>(*ports, layer, presets, view);
    return *dialog;
  }
  // The user types `text` into a range edit.
  void Type(Ctl edit, const std::string& text) {
    view.texts[edit] = text;
    if (edit == Ctl::edcr) Dialog().edcrChange(text);
    else Dialog().edsctypeChange(edit, text);
  }
  void Open(int preselected = 0) {
    Dialog().FormCreate(preselected);
    sim::ClearShownMessageBoxes();
  }

  std::unique_ptr<MidiPortTable> ports;
  testsupport::RecordingPresetView presetView;
  int updatingControls = 0;
  PresetManager presets{layer, ports, presetView, updatingControls};
  FakeDetailsView view;
  std::unique_ptr<ConnectionDetails> dialog;
};

TEST_F(ConnectionDetailsTest, WithoutConnectionsOnlyNoneIsOfferedAndNothingCanBeAdded) {
  WritePresetFile(kMark + "Strings 90 90 0 0 0 15 127 0\n");
  Open(-1);
  EXPECT_EQ(view.lists[Ctl::ConList], Entries{"<none>"});
  EXPECT_EQ(view.Selected(Ctl::ConList), 0);
  EXPECT_FALSE(view.editorEnabled);
  EXPECT_FALSE(view.addingEnabled);
  EXPECT_TRUE(view.lists[Ctl::ptlist].empty());
  EXPECT_EQ(view.lists[Ctl::llist], Entries{"<none>"});
  EXPECT_EQ(view.lists[Ctl::srclist],
            (Entries{"Note On", "Note Off", "Controller", "Program Change", "Pitch Wheel", "All"}));
  EXPECT_EQ(view.lists[Ctl::dstlist],
            (Entries{"Note On", "Note Off", "Controller", "Program Change", "Pitch Wheel", "None"}));
  EXPECT_EQ(view.lists[Ctl::tlist], Entries{"Strings"});

  Dialog().NewModButtonClick();
  Dialog().LoadModPresetButtonClick();
  Dialog().llistChange(0);
  EXPECT_TRUE(sim::ShownMessageBoxes().empty());
  EXPECT_FALSE(presets.PresetChanged());
}

TEST_F(ConnectionDetailsTest, ListsNameConnectionsModificationsAndLinks) {
  Connected(kKeyboard, kSynth);
  Connected(kLoop, kExpander);
  AddMods(0, 2);
  Mod(0, 1).sourceLow = 36;
  Con(0).link = 2;  // device 1
  WritePresetFile(kMark + "Low_C 90 90 36 0 0 15 0 0\n");
  Open(1);

  EXPECT_EQ(view.lists[Ctl::ConList],
            (Entries{"Keyboard to Synth (2 Mods) linked to Terratec EWS64 [64a1]", "Loop to Expander"}));
  EXPECT_EQ(view.Selected(Ctl::ConList), 1);
  EXPECT_TRUE(view.addingEnabled);
  EXPECT_FALSE(view.editorEnabled);  // the chosen connection has no modifications
  EXPECT_TRUE(view.lists[Ctl::ptlist].empty());

  Dialog().ConListChange(0);
  EXPECT_TRUE(view.editorEnabled);
  // The second one is listed under the name of the preset with its bytes.
  EXPECT_EQ(view.lists[Ctl::ptlist], (Entries{"Mod 0", "Low C"}));
  EXPECT_EQ(view.Selected(Ctl::ptlist), 0);
  EXPECT_EQ(view.texts[Ctl::edPresetName], "Mod 0");
  EXPECT_EQ(view.texts[Ctl::Label5], "Note Range:");
  Dialog().ptlistChange(1);
  EXPECT_EQ(view.texts[Ctl::edsctype], "36-0");
  EXPECT_EQ(view.texts[Ctl::edcr], "1-16");
  EXPECT_EQ(view.texts[Ctl::edPresetName], "Low C");
  EXPECT_FALSE(presets.PresetChanged());  // choosing changes nothing stored
}

TEST_F(ConnectionDetailsTest, TypedRangesAreStoredAndNumbersThatDoNotFitAreRefused) {
  Connected(kKeyboard, kSynth);
  AddMods(0, 1);
  Open();
  Type(Ctl::edsctype, "36-47");
  Type(Ctl::eddctype, "60");
  Type(Ctl::edcr, "10-10");
  const Modification& m = Mod(0, 0);
  EXPECT_EQ(m.sourceLow, 36);
  EXPECT_EQ(m.sourceHigh, 47);
  EXPECT_EQ(m.targetValue, 60);
  EXPECT_EQ(m.targetHigh, 60);
  EXPECT_EQ(m.flags & kLowChannelMask, 9);
  EXPECT_EQ(m.highChannel, 9);
  EXPECT_TRUE(presets.PresetChanged());
  EXPECT_EQ(view.texts[Ctl::eddctype], "60");  // shown again by the channel edit's refresh

  // Refused while typing, the text stays until the edit is left; then it
  // shows the stored range again.
  const Modification before = m;
  Type(Ctl::edsctype, "");
  Type(Ctl::edsctype, "36-300");
  EXPECT_EQ(view.texts[Ctl::edsctype], "36-300");
  Dialog().RangeEditExit(Ctl::edsctype, "36-300");
  EXPECT_EQ(view.texts[Ctl::edsctype], "36-47");
  Type(Ctl::edcr, "17");
  Type(Ctl::edcr, "10-");
  EXPECT_EQ(view.texts[Ctl::edcr], "10-");
  Dialog().RangeEditExit(Ctl::edcr, "10-");
  EXPECT_EQ(view.texts[Ctl::edcr], "10");
  EXPECT_TRUE(SameModification(m, before));
}

// A transposition down is shown signed ("-12-0"); what the target edit
// shows, and a typed "-5", read back as the same values, for every pair.
TEST_F(ConnectionDetailsTest, EveryTargetTextTheDialogShowsReadsBackAsItsPair) {
  Connected(kKeyboard, kSynth);
  AddMods(0, 1);
  Open();
  Type(Ctl::eddctype, "-5");
  EXPECT_EQ(Mod(0, 0).targetValue, -5);
  EXPECT_EQ(Mod(0, 0).targetHigh, -5);
  Mod(0, 0).targetValue = -12;
  Mod(0, 0).targetHigh = 0;
  Dialog().ConListChange(0);
  EXPECT_EQ(view.texts[Ctl::eddctype], "-12-0");

  int misread = 0;
  for (int low = -128; low <= 127; ++low) {
    for (int high = -128; high <= 127; ++high) {
      Modification shown = Mod(0, 0);
      shown.targetValue = static_cast<std::int8_t>(low);
      shown.targetHigh = static_cast<std::int8_t>(high);
      const std::string text = RangeTextOf(shown, RangeKind::Target);
      Mod(0, 0).targetValue = static_cast<std::int8_t>(~low);
      Mod(0, 0).targetHigh = static_cast<std::int8_t>(~high);
      Type(Ctl::eddctype, text);
      if (Mod(0, 0).targetValue != low || Mod(0, 0).targetHigh != high) ++misread;
      Dialog().RangeEditExit(Ctl::eddctype, text);
      if (view.texts[Ctl::eddctype] != text) ++misread;
    }
  }
  EXPECT_EQ(misread, 0);
  // Source and channel texts read as before: a leading '-' is no sign there.
  Type(Ctl::edsctype, "-16");
  EXPECT_EQ(Mod(0, 0).sourceLow, 0);
  EXPECT_EQ(Mod(0, 0).sourceHigh, 16);
}

TEST_F(ConnectionDetailsTest, TypesSwapAndCaptionsFollowTheModification) {
  Connected(kKeyboard, kSynth);
  AddMods(0, 1);
  Open();
  Dialog().srclistChange(Ctl::srclist, 2);
  Dialog().srclistChange(Ctl::dstlist, 2);
  EXPECT_EQ(Mod(0, 0).sourceType, kTypeController);
  EXPECT_EQ(Mod(0, 0).targetType, kTypeController);
  EXPECT_EQ(view.texts[Ctl::Label5], "Ctrl. Range:");
  EXPECT_EQ(view.texts[Ctl::Label6], "Ctrl. Type:");
  Dialog().srclistChange(Ctl::dstlist, 5);
  EXPECT_EQ(Mod(0, 0).targetType, kTypeNone);
  EXPECT_EQ(view.texts[Ctl::Label6], "Val. Range:");

  Dialog().cbRevClick(true);
  EXPECT_EQ(Mod(0, 0).flags, kSwapFlag);
  Type(Ctl::edcr, "3");
  EXPECT_EQ(Mod(0, 0).flags, kSwapFlag | 2);
  Dialog().cbRevClick(false);
  EXPECT_EQ(Mod(0, 0).flags, 2);

  // Another modification shows its own types.
  Dialog().NewModButtonClick();
  EXPECT_EQ(view.Selected(Ctl::srclist), 0);
  EXPECT_EQ(view.Selected(Ctl::dstlist), 0);
  EXPECT_EQ(view.texts[Ctl::Label5], "Note Range:");
  EXPECT_FALSE(view.swapChecked);
}

// An edit that reports text set by the program as a change (as Win32 edits
// do) must not store it back or mark the preset changed.
TEST_F(ConnectionDetailsTest, TextsTheDialogShowsAreNotTakenForTyping) {
  Connected(kKeyboard, kSynth);
  AddMods(0, 2);
  Mod(0, 1).sourceHigh = 200;
  view.onSetText = [this](Ctl control, const std::string& text) {
    if (control == Ctl::edsctype || control == Ctl::eddctype) Dialog().edsctypeChange(control, text);
    if (control == Ctl::edcr) Dialog().edcrChange(text);
  };
  Open();
  Dialog().ptlistChange(1);
  EXPECT_EQ(view.texts[Ctl::edsctype], "0-200");
  EXPECT_FALSE(presets.PresetChanged());
}

TEST_F(ConnectionDetailsTest, NewStopsAtEightAndLoadOnEightChangesNothing) {
  Connected(kKeyboard, kSynth);
  WritePresetFile(kMark + "Drums 90 90 35 0 9 9 81 0\n");
  Open();
  EXPECT_FALSE(view.editorEnabled);
  Dialog().NewModButtonClick();
  EXPECT_TRUE(view.editorEnabled);
  EXPECT_TRUE(presets.PresetChanged());
  for (int i = 1; i < 8; ++i) Dialog().NewModButtonClick();
  EXPECT_EQ(view.lists[Ctl::ConList], Entries{"Keyboard to Synth (8 Mods)"});
  EXPECT_EQ(view.Selected(Ctl::ptlist), 7);
  EXPECT_TRUE(sim::ShownMessageBoxes().empty());

  Dialog().NewModButtonClick();
  ASSERT_EQ(sim::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(sim::ShownMessageBoxes()[0].text, "Could not create any more modifications!");
  EXPECT_EQ(sim::ShownMessageBoxes()[0].caption, "Korvel");
  EXPECT_EQ(sim::ShownMessageBoxes()[0].type, platform::kMbOk);
  EXPECT_EQ(ModCount(0), 8);
  EXPECT_EQ(view.lists[Ctl::ptlist].size(), 8u);

  Dialog().LoadModPresetButtonClick();
  EXPECT_EQ(sim::ShownMessageBoxes().size(), 2u);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(SameModification(Mod(0, i), DefaultModification())) << i;
  EXPECT_EQ(view.lists[Ctl::ptlist][7], "Mod 7");
}

TEST_F(ConnectionDetailsTest, LoadAddsTheSelectedPresetAndDeleteRebuildsTheList) {
  Connected(kKeyboard, kSynth);
  WritePresetFile(kMark + "Strings 90 90 0 0 0 15 127 0\n" + kMark + "Drums 90 80 35 -5 9 9 81 0\n");
  Open();
  view.selected[Ctl::tlist] = 1;
  Dialog().LoadModPresetButtonClick();
  Dialog().NewModButtonClick();
  Type(Ctl::edsctype, "5");
  Dialog().NewModButtonClick();
  EXPECT_EQ(Mod(0, 0).targetType, kTypeNoteOff);
  EXPECT_EQ(Mod(0, 0).targetValue, -5);
  EXPECT_EQ(Mod(0, 0).flags, 9);
  EXPECT_EQ(view.lists[Ctl::ptlist], (Entries{"Drums", "Mod 1", "Mod 2"}));

  Dialog().ptlistChange(1);
  Dialog().DelModButtonClick();
  // The later entry is numbered anew; the one before is selected.
  EXPECT_EQ(view.lists[Ctl::ptlist], (Entries{"Drums", "Mod 1"}));
  EXPECT_EQ(view.Selected(Ctl::ptlist), 0);
  EXPECT_EQ(view.texts[Ctl::edPresetName], "Drums");
  EXPECT_EQ(view.texts[Ctl::eddctype], "-5-0");
  EXPECT_EQ(view.lists[Ctl::ConList], Entries{"Keyboard to Synth (2 Mods)"});

  Dialog().DelModButtonClick();
  Dialog().DelModButtonClick();
  EXPECT_EQ(ModCount(0), 0);
  EXPECT_TRUE(view.lists[Ctl::ptlist].empty());
  EXPECT_FALSE(view.editorEnabled);
  EXPECT_EQ(view.lists[Ctl::ConList], Entries{"Keyboard to Synth"});
  Dialog().DelModButtonClick();  // nothing selected: nothing happens
  EXPECT_EQ(view.lists[Ctl::ConList], Entries{"Keyboard to Synth"});
}

TEST_F(ConnectionDetailsTest, SaveOverwritesByNameAndSaveAsAppends) {
  Connected(kKeyboard, kSynth);
  AddMods(0, 3);
  WritePresetFile(kMark + "Strings 90 90 0 0 0 15 127 0\n");
  Open();
  Type(Ctl::edsctype, "36-47");
  view.texts[Ctl::edPresetName] = "Strings";
  Dialog().SaveAsModPresetButtonClick(true);
  EXPECT_EQ(view.lists[Ctl::tlist], Entries{"Strings"});
  EXPECT_EQ(view.lists[Ctl::ptlist][0], "Strings");
  Dialog().SaveAsModPresetButtonClick(false);
  EXPECT_EQ(view.lists[Ctl::tlist], (Entries{"Strings", "Strings"}));
  EXPECT_EQ(view.Selected(Ctl::tlist), 0);

  // An empty Custom Name saves under the modification's entry, "Mod 2",
  // which then names it wherever it stands.
  Dialog().ptlistChange(2);
  Type(Ctl::edcr, "2");
  view.texts[Ctl::edPresetName] = "";
  Dialog().SaveAsModPresetButtonClick(true);
  EXPECT_EQ(view.lists[Ctl::tlist], (Entries{"Strings", "Strings", "Mod 2"}));
  Dialog().ptlistChange(0);
  Dialog().DelModButtonClick();
  EXPECT_EQ(view.lists[Ctl::ptlist], (Entries{"Mod 0", "Mod 2"}));

  Dialog().FormDestroy();
  EXPECT_EQ(ReadPresetFile(), kMark + "Strings 90 90 36 0 0 15 47 0\n" +  //
                                  kMark + "Strings 90 90 36 0 0 15 47 0\n" +  //
                                  kMark + "Mod_2 90 90 0 0 1 1 0 0\n");
}

TEST_F(ConnectionDetailsTest, DeletingAPresetAsksFirst) {
  WritePresetFile(kMark + "A 90 90 0 0 0 15 0 0\n" + kMark + "B 90 90 1 0 0 15 1 0\n" + kMark +
                  "C 90 90 2 0 0 15 2 0\n");
  Open();
  view.selected[Ctl::tlist] = 2;
  Dialog().DelPresetButtonClick();
  ASSERT_EQ(sim::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(sim::ShownMessageBoxes()[0].text, "Really delete a modification preset?");
  EXPECT_EQ(sim::ShownMessageBoxes()[0].caption, "Korvel");
  EXPECT_EQ(sim::ShownMessageBoxes()[0].type, platform::kMbYesNo);
  EXPECT_EQ(view.lists[Ctl::tlist], (Entries{"A", "B", "C"}));

  sim::QueueMessageBoxAnswer(platform::kIdYes);
  Dialog().DelPresetButtonClick();
  EXPECT_EQ(view.lists[Ctl::tlist], (Entries{"A", "B"}));
  EXPECT_EQ(view.Selected(Ctl::tlist), 1);  // pulled back to the last entry
}

TEST_F(ConnectionDetailsTest, DeletingEveryPresetIsKeptWhenTheDialogCloses) {
  WritePresetFile(kMark + "A 90 90 0 0 0 15 0 0\n");
  Open();
  view.selected[Ctl::tlist] = 0;
  sim::QueueMessageBoxAnswer(platform::kIdYes);
  Dialog().DelPresetButtonClick();
  Dialog().FormDestroy();
  EXPECT_EQ(ReadPresetFile(), "");
  Open();
  EXPECT_TRUE(view.lists[Ctl::tlist].empty());
}

TEST_F(ConnectionDetailsTest, LinksOfferOnlyFreeDevicesAndNoneFromTheBankSwitchingInput) {
  Connected(kKeyboard, kSynth);
  Connected(kKeyboard, kExpander);
  Connected(kLoop, kSynth);
  Con(0).link = 1;
  ASSERT_EQ(OpenBankSwitchInput(*ports, "Loop", 3, 256), 0u);
  Open(1);
  EXPECT_EQ(view.lists[Ctl::llist], Entries({"<none>", "1 - Terratec EWS64 [64a1]"}));
  EXPECT_EQ(view.Selected(Ctl::llist), 0);
  Dialog().llistChange(1);
  EXPECT_EQ(Con(1).link.load(), 2);
  EXPECT_EQ(view.lists[Ctl::ConList][1], "Keyboard to Expander linked to Terratec EWS64 [64a1]");
  EXPECT_TRUE(presets.PresetChanged());

  Dialog().ConListChange(0);
  EXPECT_EQ(view.lists[Ctl::llist], Entries({"<none>", "0 - Terratec EWS64 [64a0]"}));
  EXPECT_EQ(view.Selected(Ctl::llist), 1);
  Dialog().ConListChange(2);
  EXPECT_EQ(view.lists[Ctl::llist], Entries{"<none>"});
}

TEST_F(ConnectionDetailsTest, BypassLastsFromCreateToDestroyWhichWritesChangedPresets) {
  const std::string factory = kMark + "Factory 90 90 0 0 0 15 0 0\n";
  WriteHostFile(std::string(kHome) + "\\factmods.txt", factory);
  Connected(kKeyboard, kSynth);
  AddMods(0, 1);
  EXPECT_FALSE(ModificationBypass());
  Open();
  EXPECT_TRUE(ModificationBypass());
  EXPECT_EQ(view.lists[Ctl::tlist], Entries{"Factory"});
  EXPECT_EQ(view.Selected(Ctl::tlist), 0);
  Dialog().FormDestroy();
  EXPECT_FALSE(ModificationBypass());
  // Nothing changed in the presets: nothing written.
  EXPECT_FALSE(std::filesystem::exists(Host(std::string(kHome) + "\\mods.txt")));
  EXPECT_TRUE(std::filesystem::exists(Host(std::string(kHome) + "\\factmods.txt")));

  Open();
  view.texts[Ctl::edPresetName] = "Mine";
  Dialog().SaveAsModPresetButtonClick(false);
  Dialog().FormDestroy();
  EXPECT_EQ(ReadPresetFile(), factory + kMark + "Mine 90 90 0 0 0 15 0 0\n");
  EXPECT_FALSE(std::filesystem::exists(Host(std::string(kHome) + "\\factmods.txt")));
}

// What the user wrote into the file beside the presets stays; closing with
// nothing changed writes nothing; a write that fails leaves the file as it
// was and says which file and why.
TEST_F(ConnectionDetailsTest, ClosingKeepsTheUsersFileAndSaysWhenItCannotBeWritten) {
  const std::string file = "# my presets\n" + kMark + "Up 90 90 0 12 0 15 127 0\n" + std::string(300, 'x') +
                           "\n\x01\xFF\r\n" + kMark + "Down 90 90 0 -12 0 15 127 0";
  WritePresetFile(file);
  Connected(kKeyboard, kSynth);
  AddMods(0, 1);
  Open();
  sim::SetFileCreationFails(true);
  Dialog().FormDestroy();
  EXPECT_TRUE(sim::ShownMessageBoxes().empty()) << "an unchanged list was written";
  sim::SetFileCreationFails(false);
  EXPECT_EQ(ReadPresetFile(), file);

  Open();
  EXPECT_EQ(view.lists[Ctl::tlist], (Entries{"Up", "Down"}));
  view.texts[Ctl::edPresetName] = "Mine";
  Dialog().SaveAsModPresetButtonClick(false);
  sim::SetFileCreationFails(true);
  Dialog().FormDestroy();
  sim::SetFileCreationFails(false);
  ASSERT_EQ(sim::ShownMessageBoxes().size(), 1u);
  const std::string text = sim::ShownMessageBoxes()[0].text;
  EXPECT_EQ(text.substr(0, text.find('\n')), "The modification presets could not be saved.");
  EXPECT_NE(text.find(std::string(kHome) + "\\mods.txt: "), std::string::npos) << text;
  EXPECT_EQ(ReadPresetFile(), file);
  EXPECT_FALSE(ModificationBypass());

  Open();
  view.texts[Ctl::edPresetName] = "Mine";
  Dialog().SaveAsModPresetButtonClick(false);
  Dialog().FormDestroy();
  EXPECT_EQ(ReadPresetFile(), file + "\n" + kMark + "Mine 90 90 0 0 0 15 0 0\n");
}

// A dialog that goes without being closed, or whose filling throws, does
// not leave the modifications bypassed.
TEST_F(ConnectionDetailsTest, TheBypassEndsWithTheModelAndWithACreateThatThrows) {
  Connected(kKeyboard, kSynth);
  AddMods(0, 1);
  Open();
  ASSERT_TRUE(ModificationBypass());
  dialog.reset();
  EXPECT_FALSE(ModificationBypass());

  view.onSetText = [](Ctl, const std::string&) { throw std::runtime_error("the edit is gone"); };
  EXPECT_THROW(Dialog().FormCreate(0), std::runtime_error);
  EXPECT_FALSE(ModificationBypass());
}

}  // namespace
}  // namespace korvel
