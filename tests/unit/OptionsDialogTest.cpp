// The Options dialog's flows over a fake window: which boxes open ticked,
// what "&Ok" and "&Cancel" write, the folder text's limit, and the start-up
// button adding and then removing the shortcut.
#include "app/models/OptionsDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "platform/sim/Sim.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

class FakeOptionsWindow : public OptionsView {
 public:
  FakeOptionsWindow() {
    for (ConfigFlag flag : kOptionBoxFlags) checked[flag] = true;  // as the form starts
  }
  void SetChecked(ConfigFlag flag, bool on) override { checked[flag] = on; }
  bool Checked(ConfigFlag flag) override { return checked[flag]; }
  void SetBankFolderText(const std::string& text) override { folders = text; }
  std::string BankFolderText() override { return folders; }
  void SetStartupCaption(const char* text) override { caption = text; }
  std::string StartupCaption() override { return caption; }
  void CloseDialog() override { ++closes; }

  std::map<ConfigFlag, bool> checked;
  std::string folders;
  std::string caption = kAddToStartup;
  int closes = 0;
};

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry.InitRegistry("Quennet", "Korvel");
    std::strcpy(config.homedir, "c:\\Korvel");
    std::strcpy(config.bankfolder, "c:\\Banks");
    const std::string startup = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp";
    std::filesystem::create_directories(sim::HostPath(startup.c_str()));
    platform::RegKey key = 0;
    platform::RegCreateKeyExA(platform::kHkeyCurrentUser,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "", &key);
    platform::RegSetValueExA(key, "Startup", platform::kRegSz, startup.c_str(),
                             static_cast<std::uint32_t>(startup.size() + 1));
    platform::RegCloseKey(key);
  }
  void TearDown() override { registry.DoneRegistry(); }

  sim::Sandbox sandbox;
  RegistryModule registry;
  Configuration config;
  FakeOptionsWindow window;
  OptionsDialog dialog{config, registry, window};
};

TEST_F(OptionsDialogTest, TheBoxesShowTheFlagsAndOkKeepsEveryOtherBit) {
  config.cflags = 0x4D;
  dialog.FormCreate();
  std::map<ConfigFlag, bool> expected;
  for (ConfigFlag flag : kOptionBoxFlags) expected[flag] = false;
  expected[UseEWS64] = expected[UseSFD] = expected[AutoSave] = expected[ClearOnLoad] = true;
  EXPECT_EQ(window.checked, expected);
  EXPECT_EQ(window.folders, "c:\\Banks");
  EXPECT_EQ(window.caption, kAddToStartup);
  dialog.CloseButtonClick();
  EXPECT_EQ(config.cflags, 0x4Du);
  EXPECT_EQ(window.closes, 1);

  // Bits without a box (bank-switching input, virtual bank mode, what a
  // preset saves, unused ones) survive "&Ok" with every box changed.
  const std::uint32_t others = BankSwitchInput | VBMode | SaveCons | SaveMinfo | 0x80000000u;
  config.cflags = others;
  dialog.FormCreate();
  for (ConfigFlag flag : kOptionBoxFlags) window.checked[flag] = true;
  dialog.CloseButtonClick();
  std::uint32_t all = others;
  for (ConfigFlag flag : kOptionBoxFlags) all |= flag;
  EXPECT_EQ(config.cflags, all);
}

TEST_F(OptionsDialogTest, CancelChangesNothingAndOkCutsTheFoldersAt511) {
  config.cflags = 0xE058;
  dialog.FormCreate();
  window.checked[UseEWS64] = true;
  window.folders = "c:\\Other";
  dialog.CancelButtonClick();
  EXPECT_EQ(config.cflags, 0xE058u);
  EXPECT_STREQ(config.bankfolder, "c:\\Banks");

  window.folders = std::string(600, 'f');
  dialog.CloseButtonClick();
  EXPECT_EQ(std::string(config.bankfolder), std::string(511, 'f'));
  window.folders.clear();
  dialog.CloseButtonClick();
  EXPECT_STREQ(config.bankfolder, "");
}

TEST_F(OptionsDialogTest, TheStartupButtonAddsThenRemovesTheShortcut) {
  const std::string link = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Korvel.lnk";
  dialog.FormCreate();
  dialog.AddToStartupButtonClick();
  EXPECT_EQ(window.caption, kRemoveFromStartup);
  sim::ShellLink made;
  ASSERT_TRUE(sim::ReadShellLink(link.c_str(), &made));
  EXPECT_EQ(made.target, "c:\\Korvel\\Korvel.exe");

  // A new opening finds it there.
  FakeOptionsWindow again;
  OptionsDialog reopened(config, registry, again);
  reopened.FormCreate();
  EXPECT_EQ(again.caption, kRemoveFromStartup);

  dialog.AddToStartupButtonClick();
  EXPECT_EQ(window.caption, kAddToStartup);
  EXPECT_FALSE(std::filesystem::exists(sim::HostPath(link.c_str())));
  EXPECT_TRUE(sim::ShownMessageBoxes().empty());
}

}  // namespace
}  // namespace korvel
