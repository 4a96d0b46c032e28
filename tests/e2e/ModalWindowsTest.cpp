// Korvel.exe with a dialog open, tried under Wine as a user and the system
// would: a close request from outside (a task manager's End Task) waits for
// the dialog instead of asking over it, and the tray menu opens again once
// the dialog and its box have gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/ConfigFile.h"
#include "emulators/bankgen/BankWriter.h"
#include "resources/forms/ControlIds.h"
#include "tests/e2e/BankWindowTest.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/RealInput.h"
#include "tests/support/WindowDriver.h"

namespace {

namespace ctl = korvel::ctl;
using namespace testing_support;

constexpr char kHome[] = "C:\\korvel-modal";
constexpr char kBanks[] = "C:\\korvel-modal\\Banks";
constexpr char kQuestion[] = "'untitled.pre' has been changed. Do you want to save this preset?";

std::string In(const char* folder, const char* file) { return std::string(folder) + "\\" + file; }

class ModalWindowsTest : public BankWindowTest {
 protected:
  void SetUp() override {
    const std::string emulators = WinePathFromEnvironment("KORVEL_EMULATORS");
    ASSERT_FALSE(emulators.empty());
    for (const char* folder : {kHome, kBanks}) CreateDirectoryA(folder, nullptr);
    ASSERT_TRUE(CopyFileA(In(emulators.c_str(), "EWSAUDIO.DRV").c_str(), In(kHome, "EWSAUDIO.DRV").c_str(), FALSE));
    const std::string ini = "ews64.cards=1\nsoundfont.devices=0\n";
    ASSERT_TRUE(WriteFileBytes(In(kHome, "korvelemu.ini"), {ini.begin(), ini.end()}));
    DeleteFileA(In(kHome, "korvelemu.state").c_str());
    ASSERT_TRUE(korvel::bankgen::WriteBankFile(
        In(kBanks, "EPIANO.tts"),
        korvel::bankgen::SoundSetBytes(korvel::bankgen::SoundSetKind::Tts, "EPIANO", 4096, 0)));
    korvel::Configuration config;
    config.homedrive = 2;
    std::strcpy(config.homedir, kHome);
    config.cflags = korvel::UseEWS64 | korvel::SaveCons;
    std::strcpy(config.bankfolder, kBanks);
    const auto bytes = korvel::EncodeConfigFile(config, korvel::WindowEdges{});
    ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), {bytes.begin(), bytes.end()}));
  }

  MessageBoxSeen Answer(int answer) {
    MessageBoxSeen seen;
    EXPECT_TRUE(AnswerMessageBox(korvel_.Pid(), answer, &seen, kTimeoutMs));
    return seen;
  }
  void OpenAndCloseTrayMenu() {
    ASSERT_TRUE(ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kTimeoutMs));
    HWND menu = WaitForTopLevel("#32768", nullptr, korvel_.Pid(), kTimeoutMs);
    ASSERT_NE(menu, nullptr) << "the tray menu did not open";
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&]() -> HWND { return IsWindowVisible(menu) ? nullptr : main_; }, kTimeoutMs));
  }
};

TEST_F(ModalWindowsTest, ACloseRequestWaitsForOptionsAndTheTrayMenuOpensAfterwards) {
  StartKorvel(kHome);
  LoadOnLine(1, "EPIANO.tts");
  ASSERT_TRUE(LineShows(1, "EPIANO")) << ListLineText(list_, 1);

  ClickControl(Control(ctl::ShowOptsButton));
  HWND options = WaitForTopLevel("TODialog", "Options", korvel_.Pid(), kTimeoutMs);
  ASSERT_NE(options, nullptr);
  // Sent, not posted: a close that asks holds the sender until answered.
  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutA(main_, WM_CLOSE, 0, 0, SMTO_NORMAL, kTimeoutMs, &result), 0)
      << "the close request did not return: " << ReadMessageBox(FindMessageBox(korvel_.Pid())).text;
  ExpectNoMessageBox();
  ASSERT_TRUE(korvel_.Running());
  EXPECT_TRUE(IsWindowVisible(options));
  EXPECT_EQ(GetForegroundWindow(), options) << "Options was not brought forward";

  // With Options done, the close asks; Cancel keeps Korvel and the change.
  ClickControl(FindControl(options, ctl::CancelButton));
  EXPECT_EQ(Answer(IDCANCEL).text, kQuestion);
  ASSERT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
  ASSERT_TRUE(korvel_.Running());
  OpenAndCloseTrayMenu();

  Click(Control(ctl::Button1));
  EXPECT_EQ(Answer(IDCANCEL).text, kQuestion) << "the preset's change was forgotten";
  ASSERT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
  ASSERT_TRUE(korvel_.Running());
  OpenAndCloseTrayMenu();
}

}  // namespace
