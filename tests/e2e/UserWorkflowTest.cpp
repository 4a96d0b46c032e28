// Korvel.exe used as a musician uses it, with real clicks and keys in the
// virtual display and the real common dialogs: banks loaded from the open
// dialog into consecutive slots, unloaded, cleared and reloaded; the device
// switched from the tray menu; the program minimized into the tray and
// brought back; a preset saved, not overwritten, loaded and started anew.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "config/ConfigFile.h"
#include "emulators/bankgen/BankWriter.h"
#include "resources/forms/ControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/RealInput.h"
#include "tests/support/WindowDriver.h"

namespace {

namespace ctl = korvel::ctl;
using namespace testing_support;

constexpr int kTimeoutMs = 60000;
constexpr char kHome[] = "C:\\korvel-ui";
constexpr char kBanks[] = "C:\\korvel-ui\\Banks";
constexpr char kPresets[] = "C:\\korvel-ui\\Presets";
const std::string kMark(1, '\xA4');
const std::string kBold(1, '\xA7');

std::string Bank(const char* file) { return std::string(kBanks) + "\\" + file; }

class UserWorkflowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string emulators = WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators.empty());
    for (const char* folder : {kHome, kBanks, kPresets}) CreateDirectoryA(folder, nullptr);
    for (const char* dll : {"EWSAUDIO.DRV", "SFMAN32.DLL"}) {
      ASSERT_TRUE(CopyFileA((emulators + "\\" + dll).c_str(), (std::string(kHome) + "\\" + dll).c_str(), FALSE));
    }
    std::ofstream(std::string(kHome) + "\\korvelemu.ini")
        << "ews64.cards=1\nsoundfont.devices=1\nsoundfont.device0.name=Second Synth\n";
    for (const char* name : {"Alpha", "Beta", "Gamma"}) {
      ASSERT_TRUE(korvel::bankgen::WriteBankFile(
          Bank((std::string(name) + ".tts").c_str()),
          korvel::bankgen::SoundSetBytes(korvel::bankgen::SoundSetKind::Tts, name, 4096, 0)));
    }
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = korvel::UseEWS64 | korvel::UseSFD | korvel::SaveCons | korvel::UseCons;
    std::strcpy(config.bankfolder, kBanks);
    std::strcpy(config.lastpath, kPresets);
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
    ASSERT_TRUE(korvel_.Start(LocateKorvel(), kHome));
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs));
    main_ = korvel_.Main();
    list_ = FindControl(main_, ctl::BankList);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override {
    DWORD exitCode = 99;
    if (korvel_.Main()) korvel_.CloseWithButton(kTimeoutMs, &exitCode, KorvelSession::DeclineSaving);
  }

  HWND Control(int id) const { return FindControl(main_, id); }
  void ClickLine(int line) { ClickAt(Middle(ListLineRect(list_, line))); }
  static POINT Middle(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  std::string Line(int line) const { return ListLineText(list_, line); }

  // The common dialog `title` of Korvel: its file name typed in, then "OK".
  void ChooseInDialog(const char* title, const std::string& fileName) {
    ASSERT_TRUE(ChooseInFileDialog(korvel_.Pid(), title, fileName, kTimeoutMs)) << title;
  }
  // Waits for Korvel's message box, reads it and answers it with a click.
  MessageBoxSeen AnswerBox(int answer) {
    HWND box = WaitFor([&] { return FindMessageBox(korvel_.Pid()); }, kTimeoutMs);
    EXPECT_NE(box, nullptr);
    if (!box) return {};
    MessageBoxSeen seen = ReadMessageBox(box);
    ClickControl(FindControl(box, answer));
    WaitFor([&]() -> HWND { return IsWindow(box) ? nullptr : HWND(1); }, kTimeoutMs);
    return seen;
  }
  // Waits until the line reads `text`.
  bool LineBecomes(int line, const std::string& text) {
    return WaitFor([&]() -> HWND { return Line(line) == text ? HWND(1) : nullptr; }, kTimeoutMs) != nullptr;
  }

  KorvelSession korvel_;
  HWND main_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(UserWorkflowTest, BanksLoadIntoConsecutiveSlotsAndUnloadClearAndRefresh) {
  // The first paint of the window reads the card and fills the list.
  ASSERT_TRUE(WaitFor([&]() -> HWND { return ListCount(list_) == 128 ? HWND(1) : nullptr; }, kTimeoutMs));
  ClickLine(2);
  ASSERT_EQ(ListSelection(list_), 2);
  ClickControl(Control(ctl::BrowseBankButton));
  ChooseInDialog("Load Instrument Bank", "\"Alpha.tts\" \"Beta.tts\" \"Gamma.tts\"");

  const std::string alpha = "2" + kMark + kBold + "Alpha" + kMark + "4 kb" + kMark;
  ASSERT_TRUE(LineBecomes(2, alpha)) << Line(2);
  EXPECT_EQ(Line(3), "3" + kMark + kBold + "Beta" + kMark + "4 kb" + kMark);
  EXPECT_EQ(Line(4), "4" + kMark + kBold + "Gamma" + kMark + "4 kb" + kMark);
  EXPECT_EQ(ListSelection(list_), 5);
  // The emulated card holds them, as its memory (the state file) says.
  const auto state = ReadFileBytes(std::string(kHome) + "\\korvelemu.state");
  const std::string held(state.begin(), state.end());
  for (const char* name : {"\tAlpha\t", "\tBeta\t", "\tGamma\t"}) EXPECT_NE(held.find(name), std::string::npos) << name;

  // Delete clears the selected slot; a double click reloads one.
  ClickLine(3);
  PressKey(VK_DELETE);
  ASSERT_TRUE(LineBecomes(3, "3" + kMark)) << Line(3);
  DoubleClickAt(Middle(ListLineRect(list_, 2)));
  EXPECT_TRUE(LineBecomes(2, alpha)) << Line(2);

  // The keyboard alone: Enter on the selected line opens the open dialog for
  // it, Alt+A ("Cle&ar") clears the next, "&Refresh" reads the card again and
  // Tab leaves the list for the buttons.
  ClickLine(3);
  PressKey(VK_RETURN);
  ChooseInDialog("Load Instrument Bank", "Beta.tts");
  ASSERT_TRUE(LineBecomes(3, "3" + kMark + kBold + "Beta" + kMark + "4 kb" + kMark)) << Line(3);
  ASSERT_EQ(ListSelection(list_), 4);
  PressKey('A', true);
  EXPECT_TRUE(LineBecomes(4, "4" + kMark)) << Line(4);
  PressKey('R', true);
  EXPECT_TRUE(LineBecomes(2, alpha)) << Line(2);
  ClickLine(2);
  PressKey(VK_TAB);
  EXPECT_EQ(FocusOf(main_), Control(ctl::BrowseBankButton));

  // In virtual bank mode the card's physical banks show in slots 120-127,
  // where "&Unload" takes a bank out of the card.
  ClickControl(Control(ctl::cbVBMode));
  const MessageBoxSeen changed = AnswerBox(IDNO);
  EXPECT_EQ(changed.text, "'untitled.pre' has been changed. Do you want to save this preset?");
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowEnabled(Control(ctl::UnloadBankButton)) ? HWND(1) : nullptr; },
                      kTimeoutMs));
  ASSERT_TRUE(LineBecomes(123, "123" + kMark + kBold + "Beta" + kMark + "4 kb" + kMark)) << Line(123);
  SendMessageA(list_, LB_SETTOPINDEX, 110, 0);
  ClickLine(123);
  ClickControl(Control(ctl::UnloadBankButton));
  EXPECT_TRUE(LineBecomes(123, "123" + kMark)) << Line(123);
}

struct ShownQuery {
  DWORD pid;
  bool shown;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<ShownQuery*>(param);
  if (ProcessOf(window) == query->pid && IsWindowVisible(window)) query->shown = true;
  return !query->shown;
}

bool AnyWindowShown(DWORD pid) {
  ShownQuery query{pid, false};
  EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&query));
  return query.shown;
}

TEST_F(UserWorkflowTest, TheTrayMenuSwitchesTheDeviceAndTheTrayBringsTheWindowBack) {
  ASSERT_TRUE(WaitFor([&]() -> HWND { return ListCount(list_) == 128 ? HWND(1) : nullptr; }, kTimeoutMs));
  HWND selector = Control(ctl::DeviceSelect);
  ASSERT_EQ(SendMessageA(selector, CB_GETCURSEL, 0, 0), 0);
  ASSERT_TRUE(ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kTimeoutMs));
  ASSERT_NE(WaitForTopLevel("#32768", nullptr, korvel_.Pid(), kTimeoutMs), nullptr);
  PressKey('D');  // "&Device..." opens on its first device
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitFor([&]() -> HWND { return SendMessageA(selector, CB_GETCURSEL, 0, 0) == 1 ? HWND(1) : nullptr; },
                      kTimeoutMs));

  ClickControl(Control(ctl::MinButton));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return AnyWindowShown(korvel_.Pid()) ? nullptr : HWND(1); }, kTimeoutMs))
      << "a window of Korvel is still shown";
  EXPECT_TRUE(korvel_.Running());
  ASSERT_TRUE(ClickTrayIcon(WM_LBUTTONDBLCLK, WM_LBUTTONUP, kTimeoutMs));
  EXPECT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(main_) ? HWND(1) : nullptr; }, kTimeoutMs));
}

TEST_F(UserWorkflowTest, APresetIsSavedNotOverwrittenLoadedAndStartedAnew) {
  ASSERT_TRUE(WaitFor([&]() -> HWND { return ListCount(list_) == 128 ? HWND(1) : nullptr; }, kTimeoutMs));
  ClickAt(Middle(TabRect(Control(ctl::BankPage), 1)));  // "Presets"
  HWND saveAs = Control(ctl::SaveAsPresetButton);
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(saveAs) ? HWND(1) : nullptr; }, kTimeoutMs));
  const std::string preset = std::string(kPresets) + "\\1 Live.pre";

  ClickControl(saveAs);
  ChooseInDialog("Save Preset", preset);
  ASSERT_TRUE(WaitFor([&]() -> HWND { return ReadFileBytes(preset).empty() ? nullptr : HWND(1); }, kTimeoutMs));
  const auto saved = ReadFileBytes(preset);
  EXPECT_EQ(WindowText(Control(ctl::txtCurPreset)), preset);
  EXPECT_EQ(WindowText(FindTopLevel("TApplication", nullptr, korvel_.Pid())), "1 Live - Korvel");

  // Once more onto the same file, answered No: nothing is written.
  ClickControl(saveAs);
  ChooseInDialog("Save Preset", preset);
  const MessageBoxSeen question = AnswerBox(IDNO);
  EXPECT_EQ(question.text, "Do you want to overwrite '" + preset + "'?");
  EXPECT_EQ(ReadFileBytes(preset), saved);

  ClickControl(Control(ctl::ClearPresetButton));  // "New"
  EXPECT_TRUE(WaitFor([&]() -> HWND { return WindowText(Control(ctl::txtCurPreset)).empty() ? HWND(1) : nullptr; },
                      kTimeoutMs));
  EXPECT_EQ(WindowText(FindTopLevel("TApplication", nullptr, korvel_.Pid())), "untitled - Korvel");

  ClickControl(Control(ctl::LoadPresetButton));
  ChooseInDialog("Load Preset", preset);
  EXPECT_TRUE(WaitFor([&]() -> HWND { return WindowText(Control(ctl::txtCurPreset)) == preset ? HWND(1) : nullptr; },
                      kTimeoutMs));
  EXPECT_EQ(WindowText(FindTopLevel("TApplication", nullptr, korvel_.Pid())), "1 Live - Korvel");
}

// "Options..." from the main window: "&Cancel" keeps what was, the start-up
// button adds and then removes the shortcut, and "&Ok" takes effect at the
// next start ("Extended bank list information": the wide bank list).
TEST_F(UserWorkflowTest, TheOptionsDialogChangesOptionsAndTheStartupShortcut) {
  const std::string startup = std::string(kHome) + "\\StartUp";
  CreateDirectoryA(startup.c_str(), nullptr);
  HKEY folders = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &folders, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(folders, "Startup", 0, REG_SZ, reinterpret_cast<const BYTE*>(startup.c_str()),
                 static_cast<DWORD>(startup.size() + 1));
  RegCloseKey(folders);
  const std::string link = startup + "\\Korvel.lnk";
  auto open = [&]() {
    ClickControl(Control(ctl::ShowOptsButton));
    return WaitForTopLevel("TODialog", "Options", korvel_.Pid(), kTimeoutMs);
  };
  auto ticked = [](HWND dialog, int id) {
    return SendMessageA(FindControl(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  };
  auto gone = [&](HWND dialog) {
    return WaitFor([&]() -> HWND { return IsWindowVisible(dialog) ? nullptr : main_; }, kTimeoutMs) != nullptr;
  };

  HWND dialog = open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(ticked(dialog, ctl::cbUseEWS64));
  EXPECT_FALSE(ticked(dialog, ctl::cbUseAWE32));
  EXPECT_TRUE(ticked(dialog, ctl::cbUseCons));
  EXPECT_FALSE(ticked(dialog, ctl::cbMoreInfo));
  HWND startupButton = FindControl(dialog, ctl::AddToStartupButton);
  EXPECT_EQ(WindowText(startupButton), "Add Icon to Startup Group");
  ClickControl(FindControl(dialog, ctl::cbMoreInfo));
  ClickControl(FindControl(dialog, ctl::CancelButton));
  ASSERT_TRUE(gone(dialog));

  dialog = open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(ticked(dialog, ctl::cbMoreInfo)) << "\"&Cancel\" changed nothing";
  startupButton = FindControl(dialog, ctl::AddToStartupButton);
  ClickControl(startupButton);
  EXPECT_TRUE(WaitFor([&]() -> HWND { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES ? main_ : nullptr; },
                      kTimeoutMs));
  EXPECT_EQ(WindowText(startupButton), "Remove Icon from Startup Group");
  ClickControl(startupButton);
  EXPECT_TRUE(WaitFor([&]() -> HWND { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES ? main_ : nullptr; },
                      kTimeoutMs));
  EXPECT_EQ(WindowText(startupButton), "Add Icon to Startup Group");
  ClickControl(FindControl(dialog, ctl::cbMoreInfo));
  ClickControl(FindControl(dialog, ctl::optCloseButton));  // "&Ok"
  ASSERT_TRUE(gone(dialog));
  EXPECT_EQ(WindowRectOf(list_).right - WindowRectOf(list_).left, 250) << "the layout follows at the next start";

  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode, KorvelSession::DeclineSaving));
  ASSERT_TRUE(korvel_.Start(LocateKorvel(), kHome));
  ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs));
  main_ = korvel_.Main();
  list_ = FindControl(main_, ctl::BankList);
  EXPECT_EQ(WindowRectOf(list_).right - WindowRectOf(list_).left, 400);
}

}  // namespace
