// The connection map of Korvel.exe worked with real mouse input under Wine,
// with the virtual MIDI ports of korvelmidi.ini ("Keyboard" input, "Loop"
// both sides, "Synth" output): a Shift-drag connects and a note then
// arrives, the port menu connects and deletes (ending a note still held),
// tiles hide and come back, a moved tile keeps its place in the preset and
// after a restart, a transposing modification loaded in "Connection
// Details" acts once the dialog is closed, the dialog keeps every byte of
// the user's preset file, and the port chosen as the input
// for bank managing shows the MIDIIN picture and clears a bank of the
// emulated card.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
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

namespace {

namespace ctl = korvel::ctl;
using korvel::emu::vmidi::VirtualMidiClient;
using korvel::emu::vmidi::WireMessage;
using namespace testing_support;

constexpr int kTimeoutMs = 60000;
constexpr int kMidiDevicesTab = 2;
constexpr char kHome[] = "C:\\korvel-map";
constexpr char kPreset[] = "C:\\korvel-map\\map.pre";
constexpr char kBank[] = "C:\\korvel-map\\Piano.tts";
constexpr std::uint32_t kNoteOn = 0x403C90;
// The Keyboard's port menu: "&Input for Bank Managing", "&Hide", then
// "Connect to Loop" and "Connect to Synth" (or "DELETE connection to ...").
constexpr int kHideItem = 1, kLoopItem = 2;

// The tile's green activity mark beside "I" (or "O"), as the screen shows it.
bool MarkLit(HWND tile, bool output) {
  const RECT rect = WindowRectOf(tile);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, rect.left + (output ? 113 : 15), rect.top + 32);
  ReleaseDC(nullptr, screen);
  return (colour & 0xFFFFFF) == RGB(0, 192, 0);
}

class ConnectionMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(kHome, nullptr);
    // One emulated card, with "Piano" in slot 0 from the preset.
    const std::string emulators = WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators.empty());
    ASSERT_TRUE(CopyFileA((emulators + "\\EWSAUDIO.DRV").c_str(), (std::string(kHome) + "\\EWSAUDIO.DRV").c_str(),
                          FALSE));
    ASSERT_TRUE(WriteFileBytes(std::string(kHome) + "\\korvelemu.ini", Bytes("ews64.cards=1\nsoundfont.devices=0\n")));
    DeleteFileA((std::string(kHome) + "\\korvelemu.state").c_str());
    ASSERT_TRUE(korvel::bankgen::WriteBankFile(
        kBank, korvel::bankgen::SoundSetBytes(korvel::bankgen::SoundSetKind::Tts, "Piano", 4096, 0)));
    DeleteFileA((std::string(kHome) + "\\mods.txt").c_str());
    ASSERT_TRUE(WriteFileBytes(std::string(kHome) + "\\factmods.txt",
                               Bytes("\xA7Octave_up 90 90 0 12 0 15 115 0\n")));
    korvel::PresetImage image;
    image.saveFlags = korvel::SaveCons | korvel::SaveMinfo;
    korvel::PresetDevice card;
    card.device.slotCount = 128;
    std::strcpy(card.device.paths[0], kBank);
    card.device.slots[0].flags = korvel::Assigned;
    std::strcpy(card.device.slots[0].name, "Piano");
    image.devices.push_back(card);
    const auto preset = korvel::EncodePreset(image);
    ASSERT_TRUE(WriteFileBytes(kPreset, {preset.begin(), preset.end()}));
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = korvel::UseEWS64 | korvel::UseCons | korvel::SaveCons | korvel::SaveMinfo | korvel::LoadRecent | korvel::AutoSave;
    std::strcpy(config.curpreset, kPreset);
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
    ASSERT_TRUE(client_.Connected());
    StartKorvel();
  }
  void TearDown() override {
    if (main_) Close();
  }
  void StartKorvel() {
    ASSERT_TRUE(korvel_.Start(LocateKorvel(), kHome));
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs));
    main_ = korvel_.Main();
    if (startOnMap_) {
      ASSERT_TRUE(ShowPage(main_, kMidiDevicesTab, kTimeoutMs));
    }
  }
  void Close() {
    DWORD exitCode = 99;
    EXPECT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    for (const auto& box : korvel_.Boxes()) EXPECT_NE(box.caption, "MIDI Interface Error") << box.text;
    main_ = nullptr;
  }
  static std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

  HWND Tile(const char* name) const { return PortTileNamed(main_, name); }
  void ShiftDrag(const char* from, const char* to) { DragTile(Tile(from), CentreOf(Tile(to)), true); }
  bool ChooseOnKeyboard(int item) { return ChoosePortMenuItem(Tile("Keyboard"), item, korvel_.Pid(), kTimeoutMs); }
  // What `port`'s output receives after a note into the Keyboard.
  std::vector<WireMessage> NoteTo(const std::string& port, DWORD timeoutMs = 10000) {
    std::uint64_t cursor = client_.OutputMark(port);
    client_.SendShort("Keyboard", kNoteOn);
    return client_.ReadOutput(port, &cursor, 1, timeoutMs);
  }
  // The tile's place on its page.
  static POINT PlaceOf(HWND tile) {
    RECT rect = WindowRectOf(tile);
    MapWindowPoints(HWND_DESKTOP, GetParent(tile), reinterpret_cast<POINT*>(&rect), 2);
    return POINT{rect.left, rect.top};
  }

  VirtualMidiClient client_;
  KorvelSession korvel_;
  HWND main_ = nullptr;
  // Whether the test starts with a click on the "Midi Devices" tab.
  bool startOnMap_ = true;
};

TEST_F(ConnectionMapTest, AShiftDragFromAnInputToAnOutputConnectsThem) {
  std::vector<std::string> names;
  for (HWND tile : PortTiles(main_)) names.push_back(WindowText(tile));
  ASSERT_EQ(names, (std::vector<std::string>{"Keyboard", "Loop", "Synth"}));
  EXPECT_TRUE(NoteTo("Synth", 500).empty());

  ShiftDrag("Keyboard", "Synth");
  const auto notes = NoteTo("Synth");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].shortMessage, kNoteOn);
  // While notes pass, the Keyboard's input and the Synth's output show it;
  // the marks go once they stop.
  auto bothLit = [&] { return MarkLit(Tile("Keyboard"), false) && MarkLit(Tile("Synth"), true); };
  bool lit = false;
  for (int note = 0; note < 50 && !lit; ++note) {
    client_.SendShort("Keyboard", kNoteOn);
    lit = WaitFor([&]() -> HWND { return bothLit() ? main_ : nullptr; }, 200) != nullptr;
  }
  EXPECT_TRUE(lit);
  EXPECT_FALSE(MarkLit(Tile("Keyboard"), true));
  EXPECT_TRUE(WaitFor([&]() -> HWND { return !MarkLit(Tile("Keyboard"), false) ? main_ : nullptr; }, kTimeoutMs));

  // Onto a port without an output side.
  ShiftDrag("Loop", "Keyboard");
  MessageBoxSeen box;
  ASSERT_TRUE(AnswerMessageBox(korvel_.Pid(), IDOK, &box, kTimeoutMs));
  EXPECT_EQ(box.text, "Cannot connect these devices!");
}

// The marks are looked at only while the map can be seen: with another page
// shown, or Korvel in the tray, its timer is off and nothing ticks. A note
// that passed meanwhile lights the Keyboard's mark once the map is back,
// which a timer that went on ticking would have put out unseen.
TEST_F(ConnectionMapTest, TheMarksRestWhileTheMapIsNotSeen) {
  ShiftDrag("Keyboard", "Synth");
  HWND keyboard = Tile("Keyboard");
  auto litAgain = [&] { return WaitFor([&]() -> HWND { return MarkLit(keyboard, false) ? main_ : nullptr; }, 3000); };
  auto goneOut = [&] { return WaitFor([&]() -> HWND { return MarkLit(keyboard, false) ? nullptr : main_; }, kTimeoutMs); };
  ASSERT_EQ(NoteTo("Synth").size(), 1u);
  ASSERT_NE(goneOut(), nullptr);

  ASSERT_TRUE(ShowPage(main_, 0, kTimeoutMs));
  ASSERT_EQ(NoteTo("Synth").size(), 1u);
  Sleep(1000);
  ASSERT_TRUE(ShowPage(main_, kMidiDevicesTab, kTimeoutMs));
  EXPECT_NE(litAgain(), nullptr) << "the marks went on while another page was shown";
  ASSERT_NE(goneOut(), nullptr);

  ClickControl(FindControl(main_, ctl::MinButton));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(main_) ? nullptr : main_; }, kTimeoutMs));
  ASSERT_EQ(NoteTo("Synth").size(), 1u);
  Sleep(1000);
  ASSERT_TRUE(ClickTrayIcon(WM_LBUTTONDBLCLK, WM_LBUTTONUP, kTimeoutMs));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(main_) ? main_ : nullptr; }, kTimeoutMs));
  EXPECT_NE(litAgain(), nullptr) << "the marks went on in the tray";
  EXPECT_NE(goneOut(), nullptr);
}

TEST_F(ConnectionMapTest, ThePortMenuConnectsAndDeletesAConnection) {
  ASSERT_TRUE(ChooseOnKeyboard(kLoopItem));  // "Connect to Loop"
  ASSERT_EQ(NoteTo("Loop").size(), 1u);
  // System exclusive goes the same way, whole.
  const std::vector<std::uint8_t> sysex = {0xF0, 0x7D, 0x10, 0x20, 0xF7};
  std::uint64_t cursor = client_.OutputMark("Loop");
  client_.SendLong("Keyboard", sysex);
  const auto longs = client_.ReadOutput("Loop", &cursor, 1, 10000);
  ASSERT_EQ(longs.size(), 1u);
  EXPECT_TRUE(longs[0].isLong);
  EXPECT_EQ(longs[0].bytes, sysex);
  // The note sent first is still held: deleting the connection ends it.
  cursor = client_.OutputMark("Loop");
  ASSERT_TRUE(ChooseOnKeyboard(kLoopItem));  // "DELETE connection to Loop"
  const auto ended = client_.ReadOutput("Loop", &cursor, 1, 10000);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].shortMessage, 0x3C80u);
  EXPECT_TRUE(NoteTo("Loop", 1000).empty());
}

TEST_F(ConnectionMapTest, AHiddenTileComesBackWithRevealHidden) {
  HWND keyboard = Tile("Keyboard");
  ASSERT_TRUE(ChooseOnKeyboard(kHideItem));
  EXPECT_FALSE(IsWindowVisible(keyboard));
  ClickControl(FindControl(main_, ctl::ShowHidButton));
  EXPECT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(keyboard) ? keyboard : nullptr; }, kTimeoutMs));
}

TEST_F(ConnectionMapTest, AMovedTileKeepsItsPlaceInThePresetAndAfterARestart) {
  HWND synth = Tile("Synth");
  const POINT before = PlaceOf(synth);
  const POINT centre = CentreOf(synth);
  DragTile(synth, POINT{centre.x - 200, centre.y + 150}, false);
  const POINT moved = PlaceOf(synth);
  ASSERT_EQ(moved.x, before.x - 200);
  ASSERT_EQ(moved.y, before.y + 150);
  Close();  // the moved tile changed the preset, which is saved automatically

  const auto bytes = ReadFileBytes(kPreset);
  korvel::PresetImage saved;
  ASSERT_EQ(korvel::DecodePreset(bytes.data(), bytes.size(), saved), korvel::PresetDecodeResult::kOk);
  ASSERT_EQ(saved.tiles.size(), 3u);
  EXPECT_STREQ(saved.tiles[2].portName, "Synth");
  EXPECT_EQ(saved.tiles[2].left, moved.x);
  EXPECT_EQ(saved.tiles[2].top, moved.y);

  StartKorvel();
  const POINT again = PlaceOf(Tile("Synth"));
  EXPECT_EQ(again.x, moved.x);
  EXPECT_EQ(again.y, moved.y);
}

TEST_F(ConnectionMapTest, ATransposingModificationActsOnceTheDetailsDialogIsClosed) {
  ShiftDrag("Keyboard", "Synth");
  DoubleClickAt(CentreOf(Tile("Keyboard")));
  HWND dialog = WaitForTopLevel("TconDialog", "Connection Details", korvel_.Pid(), kTimeoutMs);
  ASSERT_NE(dialog, nullptr);
  ClickControl(FindControl(dialog, ctl::LoadModPresetButton));  // "Octave_up", the only preset
  // The reader shows the name's '_' as blanks.
  HWND modifications = FindControl(dialog, ctl::ptlist);
  ASSERT_TRUE(WaitFor([&]() -> HWND { return ListLineText(modifications, 0) == "Octave up" ? dialog : nullptr; },
                      kTimeoutMs))
      << ListLineText(modifications, 0);
  auto notes = NoteTo("Synth");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].shortMessage, kNoteOn) << "unchanged while the dialog is open";

  ClickControl(FindControl(dialog, ctl::CloseButton));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(dialog) ? nullptr : main_; }, kTimeoutMs));
  notes = NoteTo("Synth");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].shortMessage, kNoteOn + (12 << 8)) << "an octave up";
  // Using a preset changes no preset: the factory file stays the one read.
  EXPECT_TRUE(ReadFileBytes(std::string(kHome) + "\\mods.txt").empty());
  EXPECT_FALSE(ReadFileBytes(std::string(kHome) + "\\factmods.txt").empty());
}

// A mods.txt as a user keeps it, over a megabyte: a note on top, 40,000
// presets, an over-long line and odd bytes among them, a last line without
// a line feed. Closing Connection Details with "&Close" or Escape leaves
// every byte; a preset saved there is added behind them.
TEST_F(ConnectionMapTest, ConnectionDetailsKeepsEveryByteOfTheUsersPresetFile) {
  const std::string mods = std::string(kHome) + "\\mods.txt";
  constexpr int kPresets = 40000;
  std::string text = "# presets, by hand\r\n";
  for (int i = 0; i < kPresets; ++i) {
    const std::string name = "Preset_" + std::to_string(i) + "_";
    text += "\xA7" + name + std::string(60 - name.size(), 'x') + " 90 90 0 " + std::to_string(i % 25 - 12) +
            " 0 15 127 0\n";
    if (i == kPresets / 2) text += std::string(400, '=') + "\n" + std::string("\x01\xFF\xFE odd \0 bytes\xA7\n", 17);
  }
  text += "; last words";
  ASSERT_GT(text.size(), 1024u * 1024u);
  const std::vector<std::uint8_t> bytes = Bytes(text);
  ASSERT_TRUE(WriteFileBytes(mods, bytes));
  ShiftDrag("Keyboard", "Synth");

  // Whether the dialog's preset list holds `count` presets, in time.
  auto listsPresets = [&](HWND dialog, int count) {
    HWND presets = FindControl(dialog, ctl::tlist);
    auto full = [&]() -> HWND { return SendMessageA(presets, CB_GETCOUNT, 0, 0) == count ? dialog : nullptr; };
    if (WaitFor(full, kTimeoutMs)) return true;
    ADD_FAILURE() << "presets listed: " << SendMessageA(presets, CB_GETCOUNT, 0, 0);
    return false;
  };
  auto openDetails = [&]() -> HWND {
    DoubleClickAt(CentreOf(Tile("Keyboard")));
    HWND dialog = WaitForTopLevel("TconDialog", "Connection Details", korvel_.Pid(), kTimeoutMs);
    return dialog != nullptr && listsPresets(dialog, kPresets) ? dialog : nullptr;
  };
  auto waitClosed = [&](HWND dialog) {
    return WaitFor([&]() -> HWND { return IsWindow(dialog) && IsWindowVisible(dialog) ? nullptr : main_; }, kTimeoutMs);
  };

  HWND dialog = openDetails();
  ASSERT_NE(dialog, nullptr);
  ClickControl(FindControl(dialog, ctl::CloseButton));
  ASSERT_TRUE(waitClosed(dialog));
  EXPECT_TRUE(ReadFileBytes(mods) == bytes) << "\"&Close\" rewrote mods.txt";

  dialog = openDetails();
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(GetForegroundWindow(), dialog);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(waitClosed(dialog));
  EXPECT_TRUE(ReadFileBytes(mods) == bytes) << "Escape rewrote mods.txt";

  // "&Load" takes the first preset, a transposition down; saved as "Mine".
  dialog = openDetails();
  ASSERT_NE(dialog, nullptr);
  ClickControl(FindControl(dialog, ctl::LoadModPresetButton));
  HWND name = FindControl(dialog, ctl::edPresetName);
  auto showsFirst = [&]() -> HWND { return WindowText(name).rfind("Preset 0 ", 0) == 0 ? name : nullptr; };
  ASSERT_TRUE(WaitFor(showsFirst, kTimeoutMs)) << WindowText(name);
  ClickControl(name);
  SendMessageA(name, EM_SETSEL, 0, -1);
  TypeText("Mine");
  ASSERT_TRUE(WaitFor([&]() -> HWND { return WindowText(name) == "Mine" ? name : nullptr; }, kTimeoutMs));
  ClickControl(FindControl(dialog, ctl::SaveAsModPresetButton));
  ASSERT_TRUE(listsPresets(dialog, kPresets + 1));
  ClickControl(FindControl(dialog, ctl::CloseButton));
  ASSERT_TRUE(waitClosed(dialog));
  EXPECT_TRUE(ReadFileBytes(mods) == Bytes(text + "\n\xA7Mine 90 90 0 -12 0 15 127 0\n"))
      << "what the user had, then the saved preset";
  EXPECT_EQ(FindMessageBox(korvel_.Pid()), nullptr);
}

// Korvel without a mouse: Korvel's window as start-up left it, then keys only.
class KeyboardOnlyTest : public ConnectionMapTest {
 protected:
  void SetUp() override {
    startOnMap_ = false;
    ConnectionMapTest::SetUp();
  }
  // `key` pressed while `held` are down.
  static void PressWith(std::initializer_list<WORD> held, WORD key) {
    for (WORD modifier : held) HoldKey(modifier, true);
    PressKey(key);
    for (WORD modifier : held) HoldKey(modifier, false);
  }
  HWND Focus() {
    EXPECT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
    return FocusOf(main_);
  }
  bool PageBecomes(int tab) {
    HWND tabs = FindControl(main_, ctl::BankPage);
    return WaitFor([&]() -> HWND { return SelectedTab(tabs) == tab ? tabs : nullptr; }, 5000) != nullptr;
  }
  HWND MenuOpens() { return WaitForTopLevel("#32768", nullptr, korvel_.Pid(), kTimeoutMs); }
  bool MenuCloses() {
    return WaitFor([&]() -> HWND { return FindTopLevel("#32768", nullptr, korvel_.Pid()) ? nullptr : main_; },
                   kTimeoutMs) != nullptr;
  }
};

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages, round; Tab goes down the
// window through the page tabs into the page; Enter presses "Sa&ve as..."
// and the save dialog takes the name; on the map Tab reaches a tile, the
// arrows move between tiles, Shift+F10 and the Menu key open the port menu
// at the tile, and its "Connect to Synth" connects.
TEST_F(KeyboardOnlyTest, PagesAPresetAndAConnectionByKeysAlone) {
  HWND tabs = FindControl(main_, ctl::BankPage);
  ASSERT_EQ(SelectedTab(tabs), 0);
  PressWith({VK_CONTROL, VK_SHIFT}, VK_TAB);
  ASSERT_TRUE(PageBecomes(3)) << "Ctrl+Shift+Tab from the first page goes round to \"About\"";
  PressWith({VK_CONTROL}, VK_TAB);
  ASSERT_TRUE(PageBecomes(0));
  PressWith({VK_CONTROL}, VK_TAB);
  ASSERT_TRUE(PageBecomes(1));

  HWND saveAs = FindControl(main_, ctl::SaveAsPresetButton);
  std::vector<HWND> visited;
  for (int press = 0; press < 8 && (visited.empty() || visited.back() != saveAs); ++press) {
    PressKey(VK_TAB);
    visited.push_back(Focus());
  }
  ASSERT_GE(visited.size(), 4u);
  const std::vector<HWND> lastFour(visited.end() - 4, visited.end());
  EXPECT_EQ(lastFour, (std::vector<HWND>{FindControl(main_, ctl::DeviceSelect), tabs,
                                         FindControl(main_, ctl::SavePresetButton), saveAs}));
  PressKey(VK_RETURN);
  HWND dialog = WaitForTopLevel("#32770", "Save Preset", korvel_.Pid(), kTimeoutMs);
  ASSERT_NE(dialog, nullptr);
  const std::string preset = std::string(kHome) + "\\keys.pre";
  TypeText(preset);
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitFor([&]() -> HWND { return ReadFileBytes(preset).empty() ? nullptr : main_; }, kTimeoutMs));
  EXPECT_EQ(WindowText(FindControl(main_, ctl::txtCurPreset)), preset);
  EXPECT_EQ(Focus(), saveAs) << "the focus is back where it was before the dialog";

  PressWith({VK_CONTROL}, VK_TAB);
  ASSERT_TRUE(PageBecomes(kMidiDevicesTab));
  EXPECT_EQ(Focus(), tabs) << "the hidden button gave the focus to the page tabs";
  PressKey(VK_TAB);
  EXPECT_EQ(Focus(), Tile("Keyboard"));
  PressKey(VK_RIGHT);
  EXPECT_EQ(Focus(), Tile("Loop"));
  PressKey(VK_LEFT);
  EXPECT_EQ(Focus(), Tile("Keyboard"));

  PressWith({VK_SHIFT}, VK_F10);
  HWND menu = MenuOpens();
  ASSERT_NE(menu, nullptr) << "Shift+F10 opened no menu";
  const RECT menuRect = WindowRectOf(menu);
  const RECT tileRect = WindowRectOf(Tile("Keyboard"));
  EXPECT_TRUE(PtInRect(&tileRect, POINT{menuRect.left, menuRect.top})) << "the menu opens at the tile";
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(MenuCloses());
  EXPECT_TRUE(NoteTo("Synth", 500).empty());

  PressKey(VK_APPS);
  ASSERT_NE(MenuOpens(), nullptr) << "the Menu key opened no menu";
  // "&Input for Bank Managing", "&Hide", "Connect to Loop", "Connect to Synth"
  for (int item = 0; item < 4; ++item) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_TRUE(MenuCloses());
  const auto notes = NoteTo("Synth");
  ASSERT_EQ(notes.size(), 1u) << "no connection from Keyboard to Synth";
  EXPECT_EQ(notes[0].shortMessage, kNoteOn);
}

// Whether the screen shows anything but white in the tile's top-left corner,
// where the bank-switching input's picture stands.
bool CornerPictured(HWND tile) {
  RECT rect = WindowRectOf(tile);
  HDC screen = GetDC(nullptr);
  bool pictured = false;
  for (int y = rect.top + 3; y < rect.top + 12; ++y)
    for (int x = rect.left + 3; x < rect.left + 13; ++x)
      if ((GetPixel(screen, x, y) & 0xFFFFFF) != RGB(255, 255, 255)) pictured = true;
  ReleaseDC(nullptr, screen);
  return pictured;
}

TEST_F(ConnectionMapTest, TheInputForBankManagingClearsABankOfTheCard) {
  HWND list = FindControl(main_, ctl::BankList);
  ASSERT_TRUE(WaitFor([&]() -> HWND { return ListLineText(list, 0).find("Piano") != std::string::npos ? list : nullptr; },
                      kTimeoutMs));
  EXPECT_FALSE(CornerPictured(Tile("Loop")));
  ASSERT_TRUE(ChoosePortMenuItem(Tile("Loop"), 0, korvel_.Pid(), kTimeoutMs));  // "&Input for Bank Managing"
  // Shown on the tile, also once another port is selected.
  ClickControl(Tile("Keyboard"));
  EXPECT_TRUE(WaitFor([&]() -> HWND { return CornerPictured(Tile("Loop")) ? main_ : nullptr; }, kTimeoutMs));
  EXPECT_FALSE(CornerPictured(Tile("Synth")));
  // Controller 26 clears a slot of device 0: slot 0.
  client_.SendShort("Loop", 0x001AB0);
  EXPECT_TRUE(WaitFor([&]() -> HWND { return ListLineText(list, 0) == "0\xA4" ? list : nullptr; }, kTimeoutMs))
      << ListLineText(list, 0);
  Close();
  // The choice is kept for the next start.
  const auto bytes = ReadFileBytes(InWindowsFolder("Korvel.cfg"));
  korvel::Configuration config;
  korvel::WindowEdges edges;
  ASSERT_EQ(korvel::DecodeConfigFile(bytes.data(), bytes.size(), config, edges), korvel::ConfigDecodeStatus::Complete);
  EXPECT_TRUE(config.cflags & korvel::BankSwitchInput);
  EXPECT_STREQ(config.lastmididev, "Loop");
}

}  // namespace
