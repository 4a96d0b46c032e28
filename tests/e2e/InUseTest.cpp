// Korvel.exe in use with its window shown: SoundFont banks (a real General
// MIDI SoundFont among them) loaded through the open dialog, refreshed (also
// once the bank's file has gone), and loaded in virtual bank mode from the
// tray menu and by a Program Change, each read back from the emulated
// device; and two windows at once: the tray and the taskbar while a dialog
// or a box is open.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

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

constexpr int kMidiDevicesTab = 2;
constexpr char kHome[] = "C:\\korvel-use";
constexpr char kBanks[] = "C:\\korvel-use\\Banks";
constexpr char kState[] = "C:\\korvel-use\\korvelemu.state";
// Debian's General MIDI SoundFont, as Wine reaches it.
constexpr char kRealSoundFont[] = "Z:\\usr\\share\\sounds\\sf2\\TimGM6mb.sf2";
constexpr char kRealSoundFontName[] = "TimGM6mb1.sf2";  // its INAM
constexpr char kOpenDialog[] = "Load Instrument Bank";
constexpr char kNoBankFolders[] = "You have not set bank folders for Korvel";

std::string InHome(const char* file) { return std::string(kHome) + "\\" + file; }
std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The name of the bank the emulated SoundFont device holds in `bank`, as its
// state file (a line "soundfont, device, bank, bytes, name, path" per loaded
// bank) says; empty for none.
std::string DeviceHolds(int bank) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(kState);
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  const std::string prefix = "soundfont\t0\t" + std::to_string(bank) + "\t";
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    const std::size_t name = line.find('\t', prefix.size()) + 1;
    return line.substr(name, line.find('\t', name) - name);
  }
  return {};
}

FILETIME StateWritten() {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(kState, GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

bool MenuOpen(DWORD pid) { return FindTopLevel("#32768", nullptr, pid) != nullptr; }

// Whether the screen shows the control drawn: more than one colour in it.
bool DrawnOnScreen(HWND control) {
  const RECT rect = WindowRectOf(control);
  HDC screen = GetDC(nullptr);
  const COLORREF first = GetPixel(screen, rect.left + 1, rect.top + 1);
  bool drawn = false;
  for (int y = rect.top + 1; y < rect.bottom - 1 && !drawn; ++y)
    for (int x = rect.left + 1; x < rect.right - 1 && !drawn; ++x) drawn = GetPixel(screen, x, y) != first;
  ReleaseDC(nullptr, screen);
  return drawn;
}

// Drops files (Unix paths) on a screen point by XDND, as a Linux file
// manager does, through the xdnd-drop tool. Wine starts a Unix program but
// cannot wait for it, so the tool's shell leaves its result in a file.
bool DropByXdnd(POINT at, const std::vector<std::string>& files) {
  const char* tool = std::getenv("KORVEL_XDND_DROP");
  if (tool == nullptr) return false;
  const std::string result = "/tmp/korvel-drop-" + std::to_string(GetCurrentProcessId()) + ".txt";
  const std::string resultHere = "Z:" + result;
  DeleteFileA(resultHere.c_str());
  std::string drop = std::string(tool) + " " + std::to_string(at.x) + " " + std::to_string(at.y);
  for (const std::string& file : files) drop += " '" + file + "'";
  std::string command = "Z:\\bin\\sh -c \"{ " + drop + "; echo rc=$?; } >" + result + ".tmp 2>&1; mv " +
                        result + ".tmp " + result + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  for (int waited = 0; waited < 20000; waited += 20) {
    if (GetFileAttributesA(resultHere.c_str()) != INVALID_FILE_ATTRIBUTES) {
      const std::vector<std::uint8_t> bytes = ReadFileBytes(resultHere);
      const std::string text(bytes.begin(), bytes.end());
      DeleteFileA(resultHere.c_str());
      if (text.find("rc=0") == std::string::npos) ADD_FAILURE() << text;
      return text.find("rc=0") != std::string::npos;
    }
    Sleep(20);
  }
  ADD_FAILURE() << "xdnd-drop gave no result within 20 s";
  return false;
}

class InUseTest : public BankWindowTest {
 protected:
  void SetUp() override {
    const std::string emulators = WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators.empty());
    for (const char* folder : {kHome, kBanks}) CreateDirectoryA(folder, nullptr);
    ASSERT_TRUE(CopyFileA((emulators + "\\SFMAN32.DLL").c_str(), InHome("SFMAN32.DLL").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(InHome("korvelemu.ini"),
                               Bytes("ews64.cards=0\nsoundfont.devices=1\nsoundfont.memory_kb=32768\n")));
    DeleteFileA(kState);
    ASSERT_TRUE(CopyFileA(kRealSoundFont, (std::string(kBanks) + "\\TimGM6mb.sf2").c_str(), FALSE));
    for (const char* name : {"Organ", "Strings"}) {
      ASSERT_TRUE(korvel::bankgen::WriteBankFile(std::string(kBanks) + "\\" + name + ".sf2",
                                                 korvel::bankgen::SoundFontBytes(name, 65536)));
    }
    ASSERT_TRUE(WriteFileBytes(InHome("factmods.txt"),
                               Bytes("\xA7" "Octave_up 90 90 0 12 0 15 115 0\n\xA7" "Fifth_up 90 90 0 7 0 15 115 0\n")));
    DeleteFileA(InHome("mods.txt").c_str());
    WriteConfiguration(kBanks);
  }

  // The bank-switching input is the port "Loop" of korvelmidi.ini.
  static void WriteConfiguration(const char* bankFolders) {
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = korvel::UseSFD | korvel::UseCons | korvel::SaveCons | korvel::BankSwitchInput;
    std::strcpy(config.bankfolder, bankFolders);
    std::strcpy(config.lastpath, kHome);
    std::strcpy(config.lastmididev, "Loop");
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
  }
  void StartKorvel(const KorvelSession::BoxHandler& answer = KorvelSession::DefaultAnswer) {
    BankWindowTest::StartKorvel(kHome, answer);
  }
  // Closes Korvel from its tray menu ("&Close" is its last item), declining
  // to save; the configuration must then read back whole.
  void CloseFromTheTray() {
    ASSERT_TRUE(ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kTimeoutMs));
    ASSERT_NE(WaitForTopLevel("#32768", nullptr, korvel_.Pid(), kTimeoutMs), nullptr);
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    DWORD exitCode = 99;
    ASSERT_TRUE(korvel_.WaitForEnd(kTimeoutMs, &exitCode, KorvelSession::DeclineSaving));
    EXPECT_EQ(exitCode, 0u);
    const auto bytes = ReadFileBytes(InWindowsFolder("Korvel.cfg"));
    korvel::Configuration config;
    korvel::WindowEdges edges;
    EXPECT_EQ(korvel::DecodeConfigFile(bytes.data(), bytes.size(), config, edges),
              korvel::ConfigDecodeStatus::Complete);
  }

  bool DeviceComesToHold(int bank, const std::string& name) {
    return WaitFor([&]() -> HWND { return DeviceHolds(bank) == name ? main_ : nullptr; }, kTimeoutMs) != nullptr;
  }
  korvel::emu::vmidi::VirtualMidiClient client_;
};

TEST_F(InUseTest, SoundFontBanksLoadedThroughTheWindowAreInTheDevice) {
  StartKorvel();
  LoadOnLine(1, "TimGM6mb.sf2");
  EXPECT_TRUE(DeviceComesToHold(1, kRealSoundFontName)) << "the device holds no bank 1";
  EXPECT_TRUE(LineShows(1, kRealSoundFontName)) << ListLineText(list_, 1);
  EXPECT_EQ(ListSelection(list_), 2);
  ExpectNoMessageBox();
  // Once the dialog has gone, the page shows every control again.
  for (int id : {ctl::BankGroup, ctl::BrowseBankButton, ctl::RefreshButton, ctl::cbVBMode, ctl::Label9})
    EXPECT_TRUE(WaitFor([&]() -> HWND { return DrawnOnScreen(Control(id)) ? main_ : nullptr; }, 5000))
        << "control " << id << " is not drawn";

  LoadOnLine(2, "\"Organ.sf2\" \"Strings.sf2\" \"TimGM6mb.sf2\"");
  EXPECT_TRUE(DeviceComesToHold(4, kRealSoundFontName));
  EXPECT_EQ(DeviceHolds(2), "Organ");
  EXPECT_EQ(DeviceHolds(3), "Strings");
  EXPECT_TRUE(LineShows(4, kRealSoundFontName)) << ListLineText(list_, 4);
  EXPECT_EQ(ListSelection(list_), 5);

  // "&Refresh" unloads the bank and loads it again from its file: once the
  // device has been written since, it holds the bank.
  const FILETIME before = StateWritten();
  ClickLine(1);
  ClickControl(Control(ctl::RefreshButton));
  EXPECT_TRUE(WaitFor([&]() -> HWND {
                const FILETIME now = StateWritten();
                const bool written = CompareFileTime(&now, &before) != 0;
                return written && DeviceHolds(1) == kRealSoundFontName ? main_ : nullptr;
              },
              kTimeoutMs))
      << "the device holds \"" << DeviceHolds(1) << "\" in bank 1";
  ExpectNoMessageBox();
}

// "&Refresh" on a slot whose bank file has gone from the bank folder names
// the file and leaves the bank in the device: it could not be loaded again.
TEST_F(InUseTest, RefreshingABankWhoseFileHasGoneKeepsItInTheDevice) {
  StartKorvel();
  LoadOnLine(3, "Organ.sf2");
  ASSERT_TRUE(DeviceComesToHold(3, "Organ")) << "the device holds no bank 3";
  ASSERT_TRUE(DeleteFileA((std::string(kBanks) + "\\Organ.sf2").c_str()));

  ClickLine(3);
  ClickControl(Control(ctl::RefreshButton));
  HWND box = WaitFor([&] { return FindMessageBox(korvel_.Pid()); }, kTimeoutMs);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadMessageBox(box).text, "'Organ.sf2' was not found.");
  ASSERT_TRUE(PressMessageBoxButton(box, IDOK));
  EXPECT_EQ(DeviceHolds(3), "Organ");
  EXPECT_TRUE(LineShows(3, "Organ")) << ListLineText(list_, 3);
  ExpectNoMessageBox();
}

// Bank files dragged from a file manager: the SoundFonts load from the line
// under the drop point on, in the order dropped; another kind of file is
// refused with a message.
TEST_F(InUseTest, BankFilesDroppedOnTheListLoadFromTheLineUnderTheDrop) {
  const std::string folder = "/tmp/korvel-dropped-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(("Z:" + folder).c_str(), nullptr);
  for (const char* name : {"Piano", "Choir"}) {
    ASSERT_TRUE(korvel::bankgen::WriteBankFile("Z:" + folder + "/" + name + ".sf2",
                                               korvel::bankgen::SoundFontBytes(name, 65536)));
  }
  ASSERT_TRUE(WriteFileBytes("Z:" + folder + "/notes.txt", Bytes("not a bank")));
  StartKorvel();

  const RECT line = ListLineRect(list_, 5);
  ASSERT_TRUE(DropByXdnd(POINT{(line.left + line.right) / 2, (line.top + line.bottom) / 2},
                         {folder + "/Piano.sf2", folder + "/notes.txt", folder + "/Choir.sf2"}));
  HWND box = WaitFor([&] { return FindMessageBox(korvel_.Pid()); }, kTimeoutMs);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadMessageBox(box).text, "'notes.txt' was not loaded: this device takes Sound Fonts (*.sf2).");
  ASSERT_TRUE(PressMessageBoxButton(box, IDOK));
  EXPECT_TRUE(DeviceComesToHold(5, "Piano")) << "the device holds no bank 5";
  EXPECT_TRUE(DeviceComesToHold(6, "Choir")) << "the device holds no bank 6";
  EXPECT_TRUE(LineShows(6, "Choir")) << ListLineText(list_, 6);
  EXPECT_EQ(ListSelection(list_), 7);
  ExpectNoMessageBox();
  for (const char* name : {"Piano.sf2", "Choir.sf2", "notes.txt"}) DeleteFileA(("Z:" + folder + "/" + name).c_str());
  RemoveDirectoryA(("Z:" + folder).c_str());
}

TEST_F(InUseTest, InVirtualBankModeTheTrayMenuAndAProgramChangeLoadAssignedBanks) {
  ASSERT_TRUE(client_.Connected());
  StartKorvel();
  ClickControl(Control(ctl::cbVBMode));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowEnabled(Control(ctl::UnloadBankButton)) ? main_ : nullptr; },
                      kTimeoutMs));
  // Assigned, not loaded.
  LoadOnLine(5, "Strings.sf2");
  ASSERT_TRUE(LineShows(5, "Strings")) << ListLineText(list_, 5);
  EXPECT_EQ(DeviceHolds(5), "");

  // The tray menu lists the device's built-in bank, then "Strings".
  ASSERT_TRUE(ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kTimeoutMs));
  ASSERT_NE(WaitForTopLevel("#32768", nullptr, korvel_.Pid(), kTimeoutMs), nullptr);
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(DeviceComesToHold(5, "Strings")) << "the tray menu's bank did not load";

  // A Program Change on the bank-switching input loads slot 6 of the
  // selected device (device 0).
  LoadOnLine(6, "Organ.sf2");
  ASSERT_TRUE(LineShows(6, "Organ")) << ListLineText(list_, 6);
  EXPECT_EQ(DeviceHolds(6), "");
  client_.SendShort("Loop", 0x0006C0);
  EXPECT_TRUE(DeviceComesToHold(6, "Organ")) << "the Program Change did not load slot 6";
  // The window shows it at once: the line bold, the progress bar empty.
  EXPECT_TRUE(LineShows(6, "\xA7Organ")) << ListLineText(list_, 6);
  EXPECT_EQ(SendMessageA(Control(ctl::ProgressBar), PBM_GETPOS, 0, 0), 0);
  ExpectNoMessageBox();
}

// While a dialog or its box is open, the tray and the taskbar bring it
// forward and do nothing else; the dialog takes no input under its own box.
TEST_F(InUseTest, OpenDialogsAndBoxesHoldTheRestOfTheProgram) {
  StartKorvel();
  ClickControl(Control(ctl::ShowOptsButton));
  HWND options = WaitForTopLevel("TODialog", "Options", korvel_.Pid(), kTimeoutMs);
  ASSERT_NE(options, nullptr);
  EXPECT_FALSE(IsWindowEnabled(main_));
  PressKey(VK_F4, true);
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(options) ? nullptr : main_; }, kTimeoutMs));
  EXPECT_TRUE(IsWindowEnabled(main_)) << "Alt+F4 on Options left the main window disabled";

  ASSERT_TRUE(ShowPage(main_, kMidiDevicesTab, kTimeoutMs));
  ClickControl(Control(ctl::ConOptsButton));
  HWND details = WaitForTopLevel("TconDialog", nullptr, korvel_.Pid(), kTimeoutMs);
  ASSERT_NE(details, nullptr);
  ASSERT_TRUE(ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kTimeoutMs));
  RequestClose(FindAnyTopLevel("TApplication", nullptr, korvel_.Pid()));
  ASSERT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
  EXPECT_FALSE(MenuOpen(korvel_.Pid())) << "the tray menu opened under Connection Details";
  ASSERT_TRUE(korvel_.Running());
  EXPECT_TRUE(IsWindowVisible(details));
  EXPECT_EQ(GetForegroundWindow(), details);

  HWND presets = FindControl(details, ctl::tlist);
  ASSERT_EQ(SendMessageA(presets, CB_GETCOUNT, 0, 0), 2);
  SendMessageA(presets, CB_SETCURSEL, 0, 0);
  HWND deletePreset = FindControl(details, ctl::DelPresetButton);
  ClickControl(deletePreset);
  HWND box = WaitFor([&] { return FindMessageBox(korvel_.Pid()); }, kTimeoutMs);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadMessageBox(box).text, "Really delete a modification preset?");
  EXPECT_EQ(GetWindow(box, GW_OWNER), details);
  EXPECT_FALSE(IsWindowEnabled(details));
  ClickAt(CentreOf(deletePreset));
  ASSERT_TRUE(PressMessageBoxButton(box, IDYES));
  ExpectNoMessageBox();
  EXPECT_EQ(SendMessageA(presets, CB_GETCOUNT, 0, 0), 1) << "one answer deleted one preset";
  ClickControl(FindControl(details, ctl::CloseButton));
  ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(details) ? nullptr : main_; }, kTimeoutMs));
  EXPECT_EQ(ReadFileBytes(InHome("mods.txt")), Bytes("\xA7" "Fifth_up 90 90 0 7 0 15 115 0\n"));

  CloseFromTheTray();
}

// The box about missing bank folders comes while start-up is not over; the
// tray and the taskbar's Close wait for it.
TEST_F(InUseTest, TheTrayDoesNotPullStartUpFromUnderItsBox) {
  WriteConfiguration("");
  bool boxSeen = false;
  StartKorvel([&](const MessageBoxSeen& box) {
    if (box.text.rfind(kNoBankFolders, 0) == 0) {
      boxSeen = true;
      EXPECT_TRUE(ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kTimeoutMs));
      RequestClose(FindAnyTopLevel("TApplication", nullptr, korvel_.Pid()));
      EXPECT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
      EXPECT_FALSE(MenuOpen(korvel_.Pid())) << "the tray menu opened under the start-up box";
      EXPECT_TRUE(korvel_.Running());
    }
    return KorvelSession::DefaultAnswer(box);
  });
  EXPECT_TRUE(boxSeen);
  ASSERT_TRUE(korvel_.Running());
  CloseFromTheTray();
}

}  // namespace
