// Korvel.exe keeps what the user made, tried as a user would under Wine and
// read back from the preset file: a close whose save dialog is cancelled
// keeps Korvel running, a preset connection from the input for bank
// managing survives the automatic save, a chosen bank file is the one
// loaded and stored, the load dialog opens in a bank folder, the start-up
// preset's bank-list row comes back, a close whose automatic save fails
// keeps Korvel running, a preset switch by MIDI keeps the changes and
// reports in the status line, and a burst of preset switches ends on the
// last one while the window still answers the user.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "banks/presets/PresetImage.h"
#include "config/ConfigFile.h"
#include "emulators/bankgen/BankWriter.h"
#include "emulators/win32/VirtualMidiClient.h"
#include "resources/forms/ControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/MapDriver.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/RealInput.h"
#include "tests/support/WindowDriver.h"
#include "tests/e2e/BankWindowTest.h"

namespace {

namespace ctl = korvel::ctl;
using namespace testing_support;

constexpr int kBankManagerTab = 0;
constexpr int kPresetsTab = 1;
constexpr char kHome[] = "C:\\korvel-keep";
constexpr char kBanks[] = "C:\\korvel-keep\\Banks";
constexpr char kMore[] = "C:\\korvel-keep\\More";
constexpr char kPresets[] = "C:\\korvel-keep\\Presets";
constexpr char kPreset[] = "C:\\korvel-keep\\Presets\\1 Keep.pre";
const std::string kMark(1, '\xA4');

std::string In(const char* folder, const char* file) { return std::string(folder) + "\\" + file; }
std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void WriteSoundSet(const std::string& path, const char* name) {
  ASSERT_TRUE(korvel::bankgen::WriteBankFile(
      path, korvel::bankgen::SoundSetBytes(korvel::bankgen::SoundSetKind::Tts, name, 4096, 0)));
}

korvel::PresetImage ReadPreset(const std::string& path = kPreset) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  korvel::PresetImage image;
  EXPECT_EQ(korvel::DecodePreset(bytes.data(), bytes.size(), image), korvel::PresetDecodeResult::kOk);
  return image;
}

class KeptWorkTest : public BankWindowTest {
 protected:
  void SetUp() override {
    const std::string emulators = WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators.empty());
    for (const char* folder : {kHome, kBanks, kMore, kPresets}) CreateDirectoryA(folder, nullptr);
    ASSERT_TRUE(CopyFileA(In(emulators.c_str(), "EWSAUDIO.DRV").c_str(), In(kHome, "EWSAUDIO.DRV").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(In(kHome, "korvelemu.ini"), Bytes("ews64.cards=1\nsoundfont.devices=0\n")));
    DeleteFileA(In(kHome, "korvelemu.state").c_str());
    DeleteFileA(kPreset);
    WriteSoundSet(In(kBanks, "EPIANO.tts"), "EPIANO");
    // Two files of one name: the user chooses the second.
    WriteSoundSet(In(kBanks, "GRAND.tts"), "OLDGRAND");
    WriteSoundSet(In(kMore, "GRAND.tts"), "NEWGRAND");
  }

  // A preset of the one card, with `bank` assigned to slot 0.
  static void WritePreset(const std::string& path, const char* bank,
                          const std::vector<korvel::PresetConnection>& connections = {}) {
    korvel::PresetImage image;
    image.saveFlags = korvel::SaveCons;
    korvel::PresetDevice card;
    card.device.slotCount = 128;
    std::strcpy(card.device.paths[0], (std::string(bank) + ".tts").c_str());
    card.device.slots[0].flags = korvel::Assigned;
    std::strcpy(card.device.slots[0].name, bank);
    image.devices.push_back(card);
    image.connections = connections;
    const auto bytes = korvel::EncodePreset(image);
    ASSERT_TRUE(WriteFileBytes(path, {bytes.begin(), bytes.end()}));
  }
  static void WriteConfiguration(std::uint32_t cflags, const char* curpreset = "") {
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = cflags;
    std::strcpy(config.bankfolder, (std::string(kBanks) + ";" + kMore).c_str());
    std::strcpy(config.lastpath, kPresets);
    std::strcpy(config.curpreset, curpreset);
    std::strcpy(config.lastmididev, "Loop");
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
  }
  void StartKorvel() { BankWindowTest::StartKorvel(kHome); }
  // Waits for Korvel's message box and presses `answer` in it.
  MessageBoxSeen Answer(int answer) {
    MessageBoxSeen seen;
    EXPECT_TRUE(AnswerMessageBox(korvel_.Pid(), answer, &seen, kTimeoutMs));
    return seen;
  }
  // Waits until the status line holds `text`.
  bool StatusLineShows(const std::string& text) {
    return WaitFor([&]() -> HWND {
             return WindowText(Control(ctl::StatusLine)).find(text) != std::string::npos ? main_ : nullptr;
           }, kTimeoutMs) != nullptr;
  }
};

// "&Close", "Yes" to saving, then "Cancel" in the save dialog: Korvel goes
// on; the second time the preset is saved under the name given, and the
// chosen bank file is the one the preset names.
TEST_F(KeptWorkTest, ACancelledSaveDialogCancelsTheCloseAndTheChosenFileIsStored) {
  korvel::PresetImage start;
  start.saveFlags = korvel::SaveCons;
  start.devices.emplace_back();
  start.devices[0].device.slotCount = 128;
  const auto bytes = korvel::EncodePreset(start);
  ASSERT_TRUE(WriteFileBytes(In(kPresets, "0 Start.pre"), {bytes.begin(), bytes.end()}));
  WriteConfiguration(korvel::UseEWS64 | korvel::SaveCons);
  StartKorvel();
  // A preset loaded from the Presets folder, then "New": the bank dialog
  // still opens in a bank folder, where a bare name is found.
  ASSERT_TRUE(ShowPage(main_, kPresetsTab, kTimeoutMs));
  ClickControl(Control(ctl::LoadPresetButton));
  ASSERT_TRUE(ChooseInFileDialog(korvel_.Pid(), "Load Preset", In(kPresets, "0 Start.pre"), kTimeoutMs));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return WindowText(Control(ctl::txtCurPreset)).empty() ? nullptr : main_; },
                      kTimeoutMs));
  ClickControl(Control(ctl::ClearPresetButton));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return WindowText(Control(ctl::txtCurPreset)).empty() ? main_ : nullptr; },
                      kTimeoutMs));
  ASSERT_TRUE(ShowPage(main_, kBankManagerTab, kTimeoutMs));
  LoadOnLine(1, "EPIANO.tts");
  ASSERT_TRUE(LineShows(1, "EPIANO")) << ListLineText(list_, 1);
  LoadOnLine(2, In(kMore, "GRAND.tts"));
  EXPECT_TRUE(LineShows(2, "NEWGRAND")) << ListLineText(list_, 2);
  ExpectNoMessageBox();

  Click(Control(ctl::Button1));
  EXPECT_EQ(Answer(IDYES).text, "'untitled.pre' has been changed. Do you want to save this preset?");
  HWND save = WaitForTopLevel("#32770", "Save Preset", korvel_.Pid(), kTimeoutMs);
  ASSERT_NE(save, nullptr);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindow(save) ? nullptr : main_; }, kTimeoutMs));
  ASSERT_TRUE(korvel_.WaitForIdle(kTimeoutMs) && korvel_.Running()) << "Korvel ended without saving";
  EXPECT_TRUE(IsWindowEnabled(main_));

  Click(Control(ctl::Button1));
  Answer(IDYES);
  ASSERT_TRUE(ChooseInFileDialog(korvel_.Pid(), "Save Preset", kPreset, kTimeoutMs));
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.WaitForEnd(kTimeoutMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  const korvel::PresetImage image = ReadPreset();
  ASSERT_FALSE(image.devices.empty());
  EXPECT_STREQ(image.devices[0].device.paths[1], "EPIANO.tts");
  EXPECT_STREQ(image.devices[0].device.paths[2], In(kMore, "GRAND.tts").c_str());
  EXPECT_STREQ(image.devices[0].device.slots[2].name, "NEWGRAND");
}

// The start-up preset connects the input for bank managing: the connection
// cannot be made while the input manages banks, the user is told, and the
// automatic save at shut-down keeps it with its modification. The preset's
// bank-list row is selected.
TEST_F(KeptWorkTest, APresetConnectionFromTheInputForBankManagingSurvivesTheAutomaticSave) {
  korvel::PresetImage image;
  image.saveFlags = korvel::SaveCons | korvel::SaveMinfo;
  image.bankListRow = 5;
  korvel::PresetDevice card;
  card.device.slotCount = 128;
  std::strcpy(card.device.paths[0], "EPIANO.tts");
  card.device.slots[0].flags = korvel::Assigned;
  std::strcpy(card.device.slots[0].name, "EPIANO");
  image.devices.push_back(card);
  korvel::PresetConnection connection;
  std::strcpy(connection.sourceName, "Loop");
  std::strcpy(connection.destName, "Synth");
  korvel::Modification transpose{};
  transpose.sourceType = 0x90;
  transpose.targetType = 0x90;
  transpose.targetValue = 12;
  transpose.flags = 0;
  transpose.highChannel = 15;
  transpose.sourceHigh = 115;
  connection.modifications.push_back(transpose);
  connection.modCount = 1;
  image.connections.push_back(connection);
  const auto bytes = korvel::EncodePreset(image);
  ASSERT_TRUE(WriteFileBytes(kPreset, {bytes.begin(), bytes.end()}));
  WriteConfiguration(korvel::UseEWS64 | korvel::UseCons | korvel::SaveCons | korvel::SaveMinfo | korvel::LoadRecent |
                         korvel::AutoSave | korvel::BankSwitchInput,
                     kPreset);

  StartKorvel();
  bool told = false;
  for (const MessageBoxSeen& box : korvel_.Boxes()) {
    told = told || box.text == "The connection from 'Loop' to 'Synth' was not made: 'Loop' is the input for bank "
                               "managing. The preset keeps the connection.";
  }
  EXPECT_TRUE(told);
  EXPECT_TRUE(LineShows(0, "EPIANO"));
  EXPECT_EQ(ListSelection(list_), 5) << "the preset's bank-list row";

  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode));
  const korvel::PresetImage saved = ReadPreset();
  ASSERT_EQ(saved.connections.size(), 1u);
  EXPECT_STREQ(saved.connections[0].sourceName, "Loop");
  EXPECT_STREQ(saved.connections[0].destName, "Synth");
  ASSERT_EQ(saved.connections[0].modifications.size(), 1u);
  EXPECT_EQ(saved.connections[0].modifications[0].targetValue, 12);
  EXPECT_EQ(saved.bankListRow, 5);
}

// A start-up preset whose extension part is damaged: a bank loaded since
// makes the close ask (with automatic saving on) and say that the file is
// damaged; "No" leaves the file byte for byte as it was.
TEST_F(KeptWorkTest, ADamagedPresetIsLeftAloneByTheAutomaticSave) {
  korvel::PresetConnection connection;
  std::strcpy(connection.sourceName, "Loop");
  std::strcpy(connection.destName, "Synth");
  WritePreset(kPreset, "EPIANO", {connection});
  std::vector<std::uint8_t> bytes = ReadFileBytes(kPreset);
  // Four stray bytes where the connection's record starts.
  const std::size_t extensions = 20 + 124 + 128 * (64 + 40) + 4;
  bytes.insert(bytes.begin() + extensions, {0x13, 0x37, 0x00, 0x00});
  ASSERT_TRUE(WriteFileBytes(kPreset, bytes));
  WriteConfiguration(korvel::UseEWS64 | korvel::UseCons | korvel::SaveCons | korvel::LoadRecent | korvel::AutoSave,
                     kPreset);

  StartKorvel();
  bool told = false;
  for (const MessageBoxSeen& box : korvel_.Boxes()) told = told || box.text == "Corrupted Format: Preset extensions bad!";
  EXPECT_TRUE(told);
  ASSERT_TRUE(LineShows(0, "EPIANO"));
  LoadOnLine(1, "GRAND.tts");
  ASSERT_TRUE(LineShows(1, "OLDGRAND")) << ListLineText(list_, 1);

  Click(Control(ctl::Button1));
  EXPECT_EQ(Answer(IDNO).text,
            "'1 Keep.pre' has been changed. Do you want to save this preset?\n\n"
            "The file on disk is damaged: saving replaces it with what could be read from it.");
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.WaitForEnd(kTimeoutMs, &exitCode));
  EXPECT_EQ(ReadFileBytes(kPreset), bytes);
}

// "&Close" with automatic saving while the preset file is read-only: the
// failure is shown and Korvel goes on, its window working. Once the file
// can be written, the next close asks as without automatic saving, and Yes
// saves the change.
TEST_F(KeptWorkTest, AFailedAutomaticSaveAtCloseKeepsKorvelRunning) {
  WritePreset(kPreset, "EPIANO");
  WriteConfiguration(korvel::UseEWS64 | korvel::SaveCons | korvel::LoadRecent | korvel::AutoSave, kPreset);
  StartKorvel();
  ASSERT_TRUE(LineShows(0, "EPIANO"));
  LoadOnLine(1, In(kMore, "GRAND.tts"));
  ASSERT_TRUE(LineShows(1, "NEWGRAND")) << ListLineText(list_, 1);
  ASSERT_TRUE(SetFileAttributesA(kPreset, FILE_ATTRIBUTE_READONLY));

  Click(Control(ctl::Button1));
  const MessageBoxSeen failure = Answer(IDOK);
  EXPECT_EQ(failure.text.rfind("File name contained illegal characters.\n", 0), 0u) << failure.text;
  EXPECT_NE(failure.text.find(kPreset), std::string::npos) << failure.text;
  ASSERT_TRUE(korvel_.WaitForIdle(kTimeoutMs) && korvel_.Running())
      << "Korvel ended although the preset could not be saved";
  EXPECT_TRUE(IsWindowEnabled(main_));
  ASSERT_TRUE(ShowPage(main_, kPresetsTab, kTimeoutMs)) << "the window does not work";
  ASSERT_TRUE(ShowPage(main_, kBankManagerTab, kTimeoutMs));

  ASSERT_TRUE(SetFileAttributesA(kPreset, FILE_ATTRIBUTE_NORMAL));
  Click(Control(ctl::Button1));
  EXPECT_EQ(Answer(IDYES).text, "'1 Keep.pre' has been changed. Do you want to save this preset?");
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.WaitForEnd(kTimeoutMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  const korvel::PresetImage image = ReadPreset();
  ASSERT_FALSE(image.devices.empty());
  EXPECT_STREQ(image.devices[0].device.paths[0], "EPIANO.tts");
  EXPECT_STREQ(image.devices[0].device.paths[1], In(kMore, "GRAND.tts").c_str());
}

// Control Change 15 on the input for bank managing switches presets with
// no box, although the preset switched to has a connection that cannot be
// made: a named preset's change is saved first (automatic saving), an
// untitled one's is kept in a recovery preset beside an earlier one, and
// the status line says so.
TEST_F(KeptWorkTest, APresetSwitchByMidiKeepsTheChangesAndAsksNothing) {
  const std::string encore = In(kPresets, "5 Encore.pre");
  const std::string ballad = In(kPresets, "4 Ballad.pre");
  const std::string earlier = In(kPresets, "Recovered untitled.pre");
  const std::string recovery = In(kPresets, "Recovered untitled (2).pre");
  korvel::PresetConnection fromTheInput;
  std::strcpy(fromTheInput.sourceName, "Loop");
  std::strcpy(fromTheInput.destName, "Synth");
  WritePreset(encore, "EPIANO");
  WritePreset(ballad, "EPIANO", {fromTheInput});
  ASSERT_TRUE(WriteFileBytes(earlier, Bytes("an earlier recovery")));
  DeleteFileA(recovery.c_str());
  WriteConfiguration(korvel::UseEWS64 | korvel::UseCons | korvel::SaveCons | korvel::LoadRecent | korvel::AutoSave |
                         korvel::BankSwitchInput,
                     encore.c_str());
  StartKorvel();
  LoadOnLine(1, In(kMore, "GRAND.tts"));
  ASSERT_TRUE(LineShows(1, "NEWGRAND")) << ListLineText(list_, 1);
  korvel::emu::vmidi::VirtualMidiClient midi;

  midi.SendShort("Loop", 0x040FB0);  // Control Change 15, value 4
  EXPECT_TRUE(StatusLineShows("'4 Ballad.pre' was loaded.")) << WindowText(Control(ctl::StatusLine));
  ExpectNoMessageBox();
  const std::string switched = WindowText(Control(ctl::StatusLine));
  EXPECT_NE(switched.find("'5 Encore.pre' was saved."), std::string::npos) << switched;
  EXPECT_NE(switched.find("The connection from 'Loop' to 'Synth' was not made"), std::string::npos) << switched;
  EXPECT_EQ(WindowText(Control(ctl::txtCurPreset)), ballad);
  const korvel::PresetImage saved = ReadPreset(encore);
  ASSERT_FALSE(saved.devices.empty());
  EXPECT_STREQ(saved.devices[0].device.paths[1], In(kMore, "GRAND.tts").c_str());

  ASSERT_TRUE(ShowPage(main_, kPresetsTab, kTimeoutMs));
  ClickControl(Control(ctl::ClearPresetButton));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return WindowText(Control(ctl::txtCurPreset)).empty() ? main_ : nullptr; },
                      kTimeoutMs));
  ASSERT_TRUE(ShowPage(main_, kBankManagerTab, kTimeoutMs));
  LoadOnLine(2, "EPIANO.tts");
  ASSERT_TRUE(LineShows(2, "EPIANO")) << ListLineText(list_, 2);
  midi.SendShort("Loop", 0x040FB0);
  EXPECT_TRUE(StatusLineShows("The changes to 'untitled.pre' were kept in '" + recovery + "'."))
      << WindowText(Control(ctl::StatusLine));
  ExpectNoMessageBox();
  EXPECT_EQ(WindowText(Control(ctl::txtCurPreset)), ballad);
  const korvel::PresetImage kept = ReadPreset(recovery);
  ASSERT_FALSE(kept.devices.empty());
  EXPECT_STREQ(kept.devices[0].device.paths[2], "EPIANO.tts");
  EXPECT_EQ(ReadFileBytes(earlier), Bytes("an earlier recovery"));
}

// A foot controller's switch that chatters: 300 preset switches within a
// tenth of a second. A click on a tab is answered meanwhile, and the preset
// in effect afterwards is the one the last switch asked for.
TEST_F(KeptWorkTest, ABurstOfPresetSwitchesByMidiLeavesTheWindowAnswering) {
  const std::string ballad = In(kPresets, "4 Ballad.pre");
  const std::string encore = In(kPresets, "5 Encore.pre");
  WritePreset(ballad, "EPIANO");
  WritePreset(encore, "EPIANO");
  WriteConfiguration(korvel::UseEWS64 | korvel::LoadRecent | korvel::AutoSave | korvel::BankSwitchInput,
                     ballad.c_str());
  StartKorvel();
  HWND tabs = Control(ctl::BankPage);
  const RECT presetsTab = TabRect(tabs, kPresetsTab);
  const POINT onTheTab{(presetsTab.left + presetsTab.right) / 2, (presetsTab.top + presetsTab.bottom) / 2};
  MoveMouse(onTheTab);
  korvel::emu::vmidi::VirtualMidiClient midi;
  ASSERT_TRUE(midi.Connected());

  const DWORD burstStart = GetTickCount();
  for (int i = 0; i < 300; ++i) midi.SendShort("Loop", i % 2 == 0 ? 0x040FB0 : 0x050FB0);  // 4, 5, ..., 5
  const DWORD burstMs = GetTickCount() - burstStart;
  // A tab is chosen as its button goes down.
  const DWORD clickStart = GetTickCount();
  PressLeftButtonNow(onTheTab);
  while (SelectedTab(tabs) != kPresetsTab && GetTickCount() - clickStart < static_cast<DWORD>(kTimeoutMs)) Sleep(1);
  const DWORD answerMs = GetTickCount() - clickStart;
  LeftButton(onTheTab, false);
  std::printf("300 preset switches sent in %lu ms; a click on a tab was answered in %lu ms\n",
              static_cast<unsigned long>(burstMs), static_cast<unsigned long>(answerMs));
  EXPECT_EQ(SelectedTab(tabs), kPresetsTab);
  EXPECT_LT(answerMs, 1000u) << "the window did not answer during the burst";

  EXPECT_TRUE(StatusLineShows("'5 Encore.pre' was loaded.")) << WindowText(Control(ctl::StatusLine));
  ASSERT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
  EXPECT_EQ(WindowText(Control(ctl::txtCurPreset)), encore);
  ExpectNoMessageBox();
}

}  // namespace
