// The start-up shortcut over the simulated shell: found through the "Shell
// Folders" key, added, overwritten, found and removed, and refused with its
// message where the folder is missing or too long.
#include "config/Shortcut.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/Sim.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

constexpr const char* kStartup = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp";

class StartupShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry.InitRegistry("Quennet", "Korvel");
    std::strcpy(config.homedir, "c:\\Korvel");
  }
  void TearDown() override {
    EXPECT_FALSE(registry.HasOpenKey());
    registry.DoneRegistry();
  }
  // A value of the shell's folders key, and the folder it names.
  static void SetShellFolder(const char* name, const std::string& folder) {
    std::filesystem::create_directories(sim::HostPath(folder.c_str()));
    platform::RegKey key = 0;
    ASSERT_EQ(platform::RegCreateKeyExA(platform::kHkeyCurrentUser, kShellFoldersKey, "", &key), 0);
    platform::RegSetValueExA(key, name, platform::kRegSz, folder.c_str(),
                             static_cast<std::uint32_t>(folder.size() + 1));
    platform::RegCloseKey(key);
  }
  static std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const sim::ShownBox& box : sim::ShownMessageBoxes()) texts.push_back(box.text);
    return texts;
  }
  static std::string Link() { return std::string(kStartup) + "\\Korvel.lnk"; }

  sim::Sandbox sandbox;
  RegistryModule registry;
  Configuration config;
};

TEST_F(StartupShortcutTest, AddedOnceOverwrittenFoundAndRemoved) {
  SetShellFolder("Startup", kStartup);
  EXPECT_FALSE(StartupShortcutPresent(registry));
  AddStartupShortcut(registry, config);
  AddStartupShortcut(registry, config);
  EXPECT_TRUE(StartupShortcutPresent(registry));
  sim::ShellLink link;
  ASSERT_TRUE(sim::ReadShellLink(Link().c_str(), &link));
  EXPECT_EQ(link.target, "c:\\Korvel\\Korvel.exe");
  EXPECT_EQ(link.description, "Korvel");
  const auto files = std::distance(std::filesystem::directory_iterator(sim::HostPath(kStartup)),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, 1);

  EXPECT_TRUE(RemoveStartupShortcut(registry));
  EXPECT_FALSE(StartupShortcutPresent(registry));
  EXPECT_TRUE(RemoveStartupShortcut(registry)) << "removing what is not there still answers true";
  EXPECT_TRUE(Messages().empty());
}

TEST_F(StartupShortcutTest, AnEmptyHomeFolderStillMakesTheShortcut) {
  SetShellFolder("Startup", kStartup);
  config.homedir[0] = '\0';
  AddStartupShortcut(registry, config);
  sim::ShellLink link;
  ASSERT_TRUE(sim::ReadShellLink(Link().c_str(), &link));
  EXPECT_EQ(link.target, "\\Korvel.exe");
}

TEST_F(StartupShortcutTest, AFailedCreationShowsItsResultInHexadecimal) {
  SetShellFolder("Startup", kStartup);
  sim::FailShellLinks(static_cast<std::int32_t>(0x80070005u));
  AddStartupShortcut(registry, config);
  EXPECT_EQ(Messages(), std::vector<std::string>{"80070005"});
  EXPECT_FALSE(StartupShortcutPresent(registry));
}

TEST_F(StartupShortcutTest, AMissingOrOverlongFolderIsReportedOncePerOperation) {
  AddStartupShortcut(registry, config);  // no folders key at all
  EXPECT_EQ(Messages(), std::vector<std::string>{kCannotFindStartUpFolder});
  sim::ClearShownMessageBoxes();
  SetShellFolder("Programs", "C:\\WINDOWS\\Start Menu\\Programs");  // the key, but no "Startup"
  AddStartupShortcut(registry, config);
  EXPECT_FALSE(StartupShortcutPresent(registry));
  EXPECT_FALSE(RemoveStartupShortcut(registry));
  EXPECT_EQ(Messages(), std::vector<std::string>(3, kCannotFindStartUpFolder));
  // The registry module is free for the next operation.
  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  registry.CloseKey();

  // 189 characters and "\Korvel.lnk" do not fit the 200-byte path: refused
  // with the same message, nothing written anywhere.
  sim::ClearShownMessageBoxes();
  SetShellFolder("Startup", "C:\\" + std::string(186, 'x'));
  AddStartupShortcut(registry, config);
  EXPECT_EQ(Messages(), std::vector<std::string>{kCannotFindStartUpFolder});
}

}  // namespace
}  // namespace korvel
