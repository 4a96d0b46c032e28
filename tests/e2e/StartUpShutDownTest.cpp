// Korvel.exe started and closed under Wine: what start-up reads from
// "Korvel.cfg" and shows, and what shut-down writes back, byte for byte.
// The configuration files here are built by hand from the file's record
// table, independently of the program's own reader and writer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/forms/ControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/WindowDriver.h"

namespace {

using testing_support::KorvelSession;
using testing_support::MessageBoxSeen;
namespace ctl = korvel::ctl;

constexpr int kTimeoutMs = 60000;

// ---- "Korvel.cfg" as 13 length-prefixed records at fixed offsets ------------------

constexpr std::size_t kFileSize = 1012;
// Data offsets; each record's length word stands 4 bytes before its data.
constexpr std::size_t kMagic = 4, kHomedrive = 12, kHomedir = 20, kCflags = 152, kCurdev = 160,
                      kEngine = 168, kCursheet = 176, kWinx = 184, kWiny = 192, kCurpreset = 200,
                      kLastpath = 332, kBankfolder = 464, kLastmididev = 980;
struct Record {
  std::size_t data;
  std::uint32_t length;
};
constexpr Record kRecords[] = {{kMagic, 4},      {kHomedrive, 4}, {kHomedir, 128},   {kCflags, 4},
                               {kCurdev, 4},     {kEngine, 4},    {kCursheet, 4},    {kWinx, 4},
                               {kWiny, 4},       {kCurpreset, 128}, {kLastpath, 128}, {kBankfolder, 512},
                               {kLastmididev, 32}};

class ConfigBytes {
 public:
  ConfigBytes() : bytes_(kFileSize, 0) {
    for (const Record& record : kRecords) Word(record.data - 4, record.length);
    Word(kMagic, 0x14F56728u);
  }
  explicit ConfigBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  void Word(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  std::uint32_t Word(std::size_t offset) const {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t(bytes_[offset + i]) << (8 * i);
    return value;
  }
  std::int32_t Signed(std::size_t offset) const { return static_cast<std::int32_t>(Word(offset)); }
  // Writes the text and its terminator; the bytes after them stay as they are.
  void Text(std::size_t offset, const char* text) {
    std::memcpy(&bytes_[offset], text, std::strlen(text) + 1);
  }
  void Raw(std::size_t offset, const void* data, std::size_t size) {
    std::memcpy(&bytes_[offset], data, size);
  }
  std::string TextAt(std::size_t offset) const { return reinterpret_cast<const char*>(&bytes_[offset]); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The first offset where two files differ, for readable failures.
std::string FirstDifference(const std::vector<std::uint8_t>& expected, const std::vector<std::uint8_t>& actual) {
  if (expected.size() != actual.size())
    return "size " + std::to_string(actual.size()) + ", expected " + std::to_string(expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] != actual[i])
      return "offset " + std::to_string(i) + ": " + std::to_string(actual[i]) + ", expected " +
             std::to_string(expected[i]);
  }
  return "";
}

// Under Wine in a virtual display there is no window manager, and Wine then
// waits up to two seconds for one whenever a managed window is hidden. The
// programs started from here get unmanaged windows instead, which Wine
// draws itself. On Windows the key means nothing.
class UnmanagedWineWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
};
const auto* const kUnmanagedWineWindows = ::testing::AddGlobalTestEnvironment(new UnmanagedWineWindows);

const char kNoBankFolders[] =
    "You have not set bank folders for Korvel\n\nAfter you press OK all your loade bank files will "
    "show greyedbecause Korvel was unable to detect their location. You canset the bank folder(s) "
    "manually in the Configuration page,or let Korvel detect them while you load new banks.";

constexpr char kHome[] = "c:\\korvel";

// A valid file as Setup would leave it, with a few fields made distinct.
ConfigBytes TypicalConfig() {
  ConfigBytes config;
  config.Word(kHomedrive, 2);
  config.Text(kHomedir, kHome);
  config.Word(kCflags, 0x4 | 0x2000 | 0x4000);
  config.Word(kEngine, 0xA5C3E1F7u);
  config.Word(kWinx, 0xFFFFFFFFu);
  config.Word(kWiny, 0xFFFFFFFFu);
  config.Text(kBankfolder, "c:\\banks;d:\\soundfonts");
  config.Text(kLastmididev, "MIDI In 1");
  return config;
}

class KorvelStartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    configPath_ = std::string(windows) + "\\Korvel.cfg";
    TearDown();
    CreateDirectoryA(kHome, nullptr);
  }
  void TearDown() override {
    DeleteFileA(configPath_.c_str());
    DeleteFileA((configPath_ + ".damaged").c_str());
  }

  void WriteConfig(const ConfigBytes& config) { WriteFile(configPath_, config.Bytes()); }
  static void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::uint8_t> ReadConfig() const {
    std::ifstream in(configPath_, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Starts Korvel and waits until its start-up is over.
  void Start(const KorvelSession::BoxHandler& handler = KorvelSession::DefaultAnswer) {
    ASSERT_TRUE(korvel_.Start(testing_support::LocateKorvel())) << testing_support::LocateKorvel();
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs, handler));
    ASSERT_NE(korvel_.Main(), nullptr);
  }
  void CloseWithButtonAndExpectExitCode0() {
    DWORD exitCode = 99;
    ASSERT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  HWND Control(int id) const { return testing_support::FindControl(korvel_.Main(), id); }
  int SelectedPage() const { return testing_support::SelectedTab(Control(ctl::BankPage)); }

  std::string configPath_;
  KorvelSession korvel_;
};

TEST_F(KorvelStartUpTest, MainWindowHasItsFrameAndControls) {
  WriteConfig(TypicalConfig());
  Start();
  EXPECT_TRUE(korvel_.Boxes().empty());
  HWND main = korvel_.Main();
  EXPECT_EQ(testing_support::ClassOf(main), "TForm1");
  EXPECT_EQ(testing_support::WindowText(main), "Korvel");
  const RECT client = testing_support::ClientRectOf(main);
  EXPECT_EQ(client.right - client.left, 482);
  EXPECT_EQ(client.bottom - client.top, 590);
  const LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  // winx and winy of -1 leave the window where its layout puts it.
  const RECT frame = testing_support::WindowRectOf(main);
  EXPECT_EQ(frame.left, 241);
  EXPECT_EQ(frame.top, 140);

  struct Expected {
    int id;
    const char* className;
    const char* text;
    int left, top, width, height;
  };
  const Expected frameControls[] = {
      {ctl::DeviceSelect, "ComboBox", nullptr, 70, 12, 379, 21},
      {ctl::BankPage, "SysTabControl32", nullptr, 9, 48, 466, 441},
      {ctl::Button1, "Button", "&Close", 15, 496, 113, 25},
      {ctl::ShowOptsButton, "Button", "Options...", 176, 496, 113, 25},
      {ctl::MinButton, "Button", "&Minimize", 352, 496, 113, 25},
      {ctl::ProgressBar, "msctls_progress32", nullptr, 16, 528, 457, 25},
  };
  for (const Expected& expected : frameControls) {
    SCOPED_TRACE(expected.id);
    HWND control = Control(expected.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), main);
    EXPECT_STRCASEEQ(testing_support::ClassOf(control).c_str(), expected.className);
    if (expected.text) {
      EXPECT_EQ(testing_support::WindowText(control), expected.text);
    }
    const RECT rect = testing_support::RectIn(main, control);
    EXPECT_EQ(rect.left, expected.left);
    EXPECT_EQ(rect.top, expected.top);
    EXPECT_EQ(rect.right - rect.left, expected.width);
    EXPECT_EQ(rect.bottom - rect.top, expected.height);
  }
  HWND label = Control(ctl::Label3);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(testing_support::WindowText(label), "Device:");
  EXPECT_EQ(testing_support::RectIn(main, label).left, 24);
  EXPECT_EQ(testing_support::RectIn(main, label).top, 16);
  // The font carriers are never seen.
  EXPECT_FALSE(IsWindowVisible(Control(ctl::txtFN)));
  EXPECT_FALSE(IsWindowVisible(Control(ctl::txtFB)));
  // The About page holds the logo at its place on the page.
  HWND logo = Control(ctl::LogoImage);
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(GetParent(logo), Control(ctl::AboutSheet));
  const RECT logoRect = testing_support::RectIn(Control(ctl::AboutSheet), logo);
  EXPECT_EQ(logoRect.left, 24);
  EXPECT_EQ(logoRect.top, 32);
  EXPECT_EQ(logoRect.right - logoRect.left, 414);
  EXPECT_EQ(logoRect.bottom - logoRect.top, 153);
  CloseWithButtonAndExpectExitCode0();
}

TEST_F(KorvelStartUpTest, CloseWritesTheConfigurationBack) {
  ConfigBytes config;
  config.Word(kHomedrive, 2);
  config.Text(kHomedir, kHome);
  // The AWE manager alone: start-up asks for the EWS64 driver and the
  // SoundFont manager as well, and the added bits are written back.
  config.Word(kCflags, 0x2 | 0x1000 | 0x80 | 0x40000);
  config.Word(kCurdev, 1);
  config.Word(kEngine, 0xA5C3E1F7u);
  config.Word(kCursheet, 3);
  config.Word(kWinx, 100);
  config.Word(kWiny, 60);
  // Text records carry their whole buffer, bytes after the terminator too.
  config.Raw(kCurpreset, "c:\\korvel\\Presets\\live.pre\0left over", 37);
  config.Text(kBankfolder, "c:\\banks;d:\\soundfonts");
  config.Raw(kLastmididev, "MIDI In 1\0\x7f\x01", 12);
  WriteConfig(config);

  Start();
  EXPECT_TRUE(korvel_.Boxes().empty());
  const RECT frame = testing_support::WindowRectOf(korvel_.Main());
  EXPECT_EQ(frame.left, 100);
  EXPECT_EQ(frame.top, 60);
  EXPECT_EQ(SelectedPage(), 3);  // "About"
  CloseWithButtonAndExpectExitCode0();

  ConfigBytes expected = config;
  expected.Word(kCflags, 0x2 | 0x1000 | 0x80 | 0x40000 | 0x1 | 0x4);
  expected.Text(kLastpath, kHome);  // an empty lastpath starts as the home folder
  expected.Word(kCurdev, 0);  // no devices here: the device selector makes curdev 0
  // Without "Load most recent preset on startup" a new, unnamed preset
  // begins; without a bank-switching input the remembered port is forgotten.
  // Only the terminator is written: the bytes after it stay.
  expected.Raw(kCurpreset, "", 1);
  expected.Raw(kLastmididev, "", 1);
  const std::vector<std::uint8_t> written = ReadConfig();
  EXPECT_EQ(written.size(), kFileSize);
  EXPECT_TRUE(written == expected.Bytes()) << FirstDifference(expected.Bytes(), written);
}

TEST_F(KorvelStartUpTest, EitherBackendChoiceIsKept) {
  struct Case {
    std::uint32_t stored, written;
  };
  const Case cases[] = {{0x1, 0x1}, {0x4, 0x4}, {0x0, 0x5}, {0x8 | 0x10 | 0x200000, 0x8 | 0x10 | 0x200000 | 0x5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ConfigBytes config = TypicalConfig();
    config.Word(kCflags, c.stored);
    WriteConfig(config);
    KorvelSession korvel;
    ASSERT_TRUE(korvel.Start(testing_support::LocateKorvel()));
    ASSERT_TRUE(korvel.WaitForStartUp(kTimeoutMs));
    DWORD exitCode = 99;
    ASSERT_TRUE(korvel.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(ConfigBytes(ReadConfig()).Word(kCflags), c.written);
  }
}

TEST_F(KorvelStartUpTest, StoredPageIsShownAndWrittenBack) {
  struct Case {
    std::int32_t stored;
    int tab;  // Bank Manager, Presets, Midi Devices, About
    int page;
    std::int32_t written;
  };
  const Case cases[] = {
      {0, 0, ctl::BankSheet, 0},   {2, 1, ctl::PresetSheet, 2}, {4, 2, ctl::hwmcsheet, 4},
      {3, 3, ctl::AboutSheet, 3},  {1, 0, ctl::BankSheet, 0},   {7, 0, ctl::BankSheet, 0},
      {-1, 0, ctl::BankSheet, 0},
  };
  const int pages[] = {ctl::BankSheet, ctl::PresetSheet, ctl::hwmcsheet, ctl::AboutSheet};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ConfigBytes config = TypicalConfig();
    config.Word(kCursheet, static_cast<std::uint32_t>(c.stored));
    WriteConfig(config);
    KorvelSession korvel;
    ASSERT_TRUE(korvel.Start(testing_support::LocateKorvel()));
    ASSERT_TRUE(korvel.WaitForStartUp(kTimeoutMs));
    HWND main = korvel.Main();
    EXPECT_EQ(testing_support::SelectedTab(testing_support::FindControl(main, ctl::BankPage)), c.tab);
    for (int page : pages)
      EXPECT_EQ(IsWindowVisible(testing_support::FindControl(main, page)) != FALSE, page == c.page) << page;
    DWORD exitCode = 99;
    ASSERT_TRUE(korvel.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(ConfigBytes(ReadConfig()).Signed(kCursheet), c.written);
  }
}

TEST_F(KorvelStartUpTest, LeftoverInstallerIsDeleted) {
  const std::string installer = std::string(kHome) + "\\Setup.exe";
  const std::string other = std::string(kHome) + "\\Setup.txt";
  WriteFile(installer, {'M', 'Z', 0, 0});
  WriteFile(other, {'k', 'e', 'e', 'p'});
  WriteConfig(TypicalConfig());
  Start();
  EXPECT_EQ(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(other.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(korvel_.Boxes().empty());
  CloseWithButtonAndExpectExitCode0();
  DeleteFileA(other.c_str());
}

// Without a recorded installation folder the name would be "\Setup.exe" at
// the root of the current drive, which is not Korvel's to delete.
TEST_F(KorvelStartUpTest, NoInstallerIsDeletedOutsideTheInstallationFolder) {
  const std::string atRoot = "C:\\Setup.exe";
  WriteFile(atRoot, {'M', 'Z', 0, 0});
  ConfigBytes config = TypicalConfig();
  config.Text(kHomedir, "");
  WriteConfig(config);
  Start();
  EXPECT_NE(GetFileAttributesA(atRoot.c_str()), INVALID_FILE_ATTRIBUTES);
  CloseWithButtonAndExpectExitCode0();
  DeleteFileA(atRoot.c_str());
}

TEST_F(KorvelStartUpTest, EmptyBankFolderIsReportedWhileTheWaitDialogShows) {
  ConfigBytes config = TypicalConfig();
  config.Text(kBankfolder, "");
  WriteConfig(config);

  // Looked at while the message box is up, during start-up.
  bool waitDialogFound = false;
  RECT waitClient{}, waitFrame{}, logoRect{};
  std::string waitCaption;
  HWND waitOwner = nullptr, mainWindow = nullptr;
  bool mainVisible = true;
  Start([&](const MessageBoxSeen& box) {
    DWORD pid = korvel_.Pid();
    HWND wait = testing_support::FindAnyTopLevel("TWaitDialog", nullptr, pid);
    mainWindow = testing_support::FindAnyTopLevel("TForm1", nullptr, pid);
    if (wait && mainWindow) {
      waitDialogFound = true;
      waitClient = testing_support::ClientRectOf(wait);
      waitFrame = testing_support::WindowRectOf(wait);
      waitCaption = testing_support::WindowText(wait);
      waitOwner = GetWindow(wait, GW_OWNER);
      mainVisible = IsWindowVisible(mainWindow) != FALSE;
      if (HWND logo = testing_support::FindControl(wait, ctl::Logo)) logoRect = testing_support::RectIn(wait, logo);
    }
    return KorvelSession::DefaultAnswer(box);
  });

  ASSERT_EQ(korvel_.Boxes().size(), 1u);
  const MessageBoxSeen& box = korvel_.Boxes()[0];
  EXPECT_EQ(box.caption, "Korvel");
  EXPECT_EQ(box.text, kNoBankFolders);
  ASSERT_EQ(box.buttons.size(), 1u);
  EXPECT_EQ(box.buttons[0], "OK");

  ASSERT_TRUE(waitDialogFound);
  EXPECT_EQ(waitCaption, "Korvel");
  EXPECT_EQ(waitOwner, mainWindow);
  EXPECT_FALSE(mainVisible);  // the main window is still hidden during start-up
  EXPECT_EQ(waitClient.right, 414);
  EXPECT_EQ(waitClient.bottom, 146);
  EXPECT_EQ(waitFrame.right - waitFrame.left, 414);  // no border
  EXPECT_EQ(waitFrame.left, (GetSystemMetrics(SM_CXSCREEN) - 414) / 2);
  EXPECT_EQ(waitFrame.top, (GetSystemMetrics(SM_CYSCREEN) - 146) / 2);
  EXPECT_EQ(logoRect.left, 0);
  EXPECT_EQ(logoRect.top, 0);
  EXPECT_EQ(logoRect.right, 414);
  EXPECT_EQ(logoRect.bottom, 146);

  // Start-up ends by destroying the wait dialog.
  EXPECT_EQ(testing_support::FindAnyTopLevel("TWaitDialog", nullptr, korvel_.Pid()), nullptr);
  CloseWithButtonAndExpectExitCode0();
}

TEST_F(KorvelStartUpTest, CorruptedFileIsReportedAndRewrittenWhole) {
  ConfigBytes corrupted = TypicalConfig();
  corrupted.Word(kMagic, 0x14F56729u);
  corrupted.Word(kCursheet, 3);
  corrupted.Word(kWinx, 10);
  corrupted.Word(kWiny, 10);
  WriteConfig(corrupted);

  Start();
  ASSERT_EQ(korvel_.Boxes().size(), 2u);
  EXPECT_EQ(korvel_.Boxes()[0].caption, "Korvel");
  EXPECT_EQ(korvel_.Boxes()[0].text, "Corrupted configuration file.\n" + configPath_ +
                                          ": unreadable, the defaults are used. A copy is kept as " + configPath_ +
                                          ".damaged.");
  // Nothing else was read, so the bank folders are empty as well.
  EXPECT_EQ(korvel_.Boxes()[1].text, kNoBankFolders);
  EXPECT_EQ(SelectedPage(), 0);
  const RECT frame = testing_support::WindowRectOf(korvel_.Main());
  EXPECT_EQ(frame.left, 241);
  EXPECT_EQ(frame.top, 140);
  CloseWithButtonAndExpectExitCode0();

  // All defaults: cflags 0xE058 with the EWS64 and SoundFont bits added.
  ConfigBytes expected;
  expected.Word(kCflags, 0xE058 | 0x1 | 0x4);
  expected.Word(kWinx, 241);
  expected.Word(kWiny, 140);
  const std::vector<std::uint8_t> written = ReadConfig();
  EXPECT_TRUE(written == expected.Bytes()) << FirstDifference(expected.Bytes(), written);
  std::ifstream kept(configPath_ + ".damaged", std::ios::binary);
  EXPECT_TRUE(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()) ==
              corrupted.Bytes());
}

TEST_F(KorvelStartUpTest, SystemMenuCloseSavesTheWindowsCurrentPlace) {
  ConfigBytes config = TypicalConfig();
  config.Word(kWinx, 50);
  config.Word(kWiny, 40);
  config.Word(kCursheet, 2);
  WriteConfig(config);
  Start();
  HWND main = korvel_.Main();
  ASSERT_TRUE(SetWindowPos(main, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  testing_support::RequestClose(main);
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel_.WaitForEnd(kTimeoutMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);

  ConfigBytes expected = config;
  expected.Word(kWinx, 300);
  expected.Word(kWiny, 200);
  expected.Text(kLastpath, kHome);
  expected.Raw(kLastmididev, "", 1);  // no bank-switching input is set
  const std::vector<std::uint8_t> written = ReadConfig();
  EXPECT_TRUE(written == expected.Bytes()) << FirstDifference(expected.Bytes(), written);
}

TEST_F(KorvelStartUpTest, StartMinimizedKeepsTheNormalPlace) {
  ConfigBytes config = TypicalConfig();
  config.Word(kCflags, 0x4 | 0x200);  // StartMin
  config.Word(kWinx, 120);
  config.Word(kWiny, 80);
  WriteConfig(config);
  Start();
  HWND main = korvel_.Main();
  // Minimized, never shown as a normal window.
  EXPECT_TRUE(IsIconic(main) || !IsWindowVisible(main));
  CloseWithButtonAndExpectExitCode0();
  const ConfigBytes written(ReadConfig());
  EXPECT_EQ(written.Signed(kWinx), 120);
  EXPECT_EQ(written.Signed(kWiny), 80);
  EXPECT_EQ(written.Word(kCflags), 0x4u | 0x200u);
}

}  // namespace
