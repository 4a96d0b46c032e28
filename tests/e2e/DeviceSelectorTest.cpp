// Korvel.exe finds the sound devices at start-up: none on a machine without
// the cards, and the emulated EWS64 card and SoundFont devices when their
// driver and manager lie in Korvel's working folder, where Windows looks for
// them by their bare names.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "resources/forms/ControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/WindowDriver.h"

namespace {

using korvel::ctl::DeviceSelect;
using testing_support::KorvelSession;
using testing_support::WinePathFromEnvironment;

constexpr int kTimeoutMs = 60000;
constexpr char kCards[] = "C:\\korvel-cards";

struct Selector {
  std::vector<std::string> entries;
  int selected = -1;
};

// The entries are read as wide text: Wine hands list texts across processes in Unicode.
Selector ReadSelector(HWND combo) {
  Selector selector;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t wide[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    char text[256] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    selector.entries.emplace_back(text);
  }
  selector.selected = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
  return selector;
}

class DeviceSelectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    DeleteFileA((std::string(windows) + "\\Korvel.cfg").c_str());
  }
  void Start(const char* directory) {
    ASSERT_TRUE(korvel_.Start(testing_support::LocateKorvel(), directory));
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs));
    ASSERT_NE(korvel_.Main(), nullptr);
  }
  void CloseAndExpectExitCode0() {
    DWORD exitCode = 99;
    ASSERT_TRUE(korvel_.CloseWithButton(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  // No box about a device or backend failure was shown.
  void ExpectNoDeviceErrors() const {
    for (const auto& box : korvel_.Boxes()) {
      EXPECT_EQ(box.text.find("EWS64"), std::string::npos) << box.text;
      EXPECT_EQ(box.text.find("SoundFont"), std::string::npos) << box.text;
      EXPECT_EQ(box.text.find("procaddress"), std::string::npos) << box.text;
    }
  }
  Selector Devices() const {
    return ReadSelector(testing_support::FindControl(korvel_.Main(), DeviceSelect));
  }

  KorvelSession korvel_;
};

TEST_F(DeviceSelectorTest, WithoutTheCardsTheSelectorSaysNone) {
  Start(nullptr);
  ExpectNoDeviceErrors();
  const Selector selector = Devices();
  EXPECT_EQ(selector.entries, std::vector<std::string>{"<none>"});
  EXPECT_EQ(selector.selected, 0);
  CloseAndExpectExitCode0();
}

TEST_F(DeviceSelectorTest, TheEmulatedCardsAreListedCardsFirst) {
  ASSERT_FALSE(WinePathFromEnvironment("KORVEL_EMULATORS").empty());
  CreateDirectoryA(kCards, nullptr);
  for (const char* dll : {"EWSAUDIO.DRV", "SFMAN32.DLL", "AWEMAN32.DLL"}) {
    ASSERT_TRUE(CopyFileA((WinePathFromEnvironment("KORVEL_EMULATORS") + "\\" + dll).c_str(),
                          (std::string(kCards) + "\\" + dll).c_str(), FALSE))
        << dll;
  }
  std::ofstream(std::string(kCards) + "\\korvelemu.ini")
      << "ews64.cards=1\nsoundfont.devices=2\nsoundfont.device1.name=Second Synth\n";

  Start(kCards);
  ExpectNoDeviceErrors();
  const Selector selector = Devices();
  EXPECT_EQ(selector.entries,
            (std::vector<std::string>{"0 - Terratec EWS64 [64a0]", "1 - Korvel SoundFont Synth",
                                      "2 - Second Synth"}));
  EXPECT_EQ(selector.selected, 0);
  CloseAndExpectExitCode0();
}

}  // namespace
