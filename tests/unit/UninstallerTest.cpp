// The uninstaller after a Setup install and a start-up shortcut: all Korvel
// added goes, the user's files and other products stay, and a second run is
// harmless.
#include "setup/Uninstaller.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "SetupTestSupport.h"
#include "config/Shortcut.h"
#include "setup/SetupModel.h"

namespace korvel {
namespace {

using namespace setup_test;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

const char kHome[] = "C:\\Apps\\Korvel";
const char kStartup[] = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp";
const char kConfigPath[] = "C:\\WINDOWS\\Korvel.cfg";
const char kPreset[] = "C:\\Apps\\Korvel\\Presets\\1.pre";
const char kBank[] = "C:\\Banks\\piano.sf2";
const char kOtherProduct[] = "SOFTWARE\\Quennet\\Other";

void PutFile(const std::string& windowsPath) {
  MakeFolder(windowsPath.substr(0, windowsPath.find_last_of('\\')));
  std::ofstream(sim::HostPath(windowsPath.c_str())) << "user data";
}

class UninstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SetCurrentDirectory(kHome);
    GiveStartMenu();
    MakeFolder(kStartup);
    sim::SetRegistryString(kHkeyCurrentUser, kShellFoldersKey, "Startup", kStartup);
    InstallAndUse();
    registry.InitRegistry("Quennet", "Korvel");
  }
  void TearDown() override {
    registry.DoneRegistry();
    EXPECT_TRUE(sim::ShownMessageBoxes().empty());
    EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
  }
  // Setup's installation, then what Korvel and the user add while using it.
  void InstallAndUse() {
    SetupModel setup;
    setup.FormCreate();
    setup.Button1Click(SetupChoices());
    RegistryModule korvel;
    korvel.InitRegistry("Quennet", "Korvel");
    Configuration config;
    std::strcpy(config.homedir, kHome);
    AddStartupShortcut(korvel, config);
    korvel.DoneRegistry();
    sim::SetRegistryDword(kHkeyCurrentUser, product::kProductKey, "cflags", 0xE05F);
    sim::SetRegistryDword(kHkeyLocalMachine, product::kProductKey, "cflags", 0xE05F);
    sim::SetRegistryDword(kHkeyCurrentUser, kOtherProduct, "flags", 1);
    PutFile(kPreset);
    PutFile(kBank);
    PutFile(std::string(kHome) + "\\Korvel.exe");
  }
  void Uninstall() { Uninstaller(registry).Run(); }

  sim::Sandbox sandbox;
  RegistryModule registry;
};

TEST_F(UninstallerTest, InstallationIsThereBeforehand) {
  EXPECT_TRUE(HostExists(kGroup));
  EXPECT_TRUE(HostExists(kConfigPath));
  EXPECT_TRUE(HostExists(std::string(kStartup) + "\\Korvel.lnk"));
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyLocalMachine, product::kUninstallKey));
}

TEST_F(UninstallerTest, EverythingKorvelAddedIsRemoved) {
  Uninstall();
  EXPECT_FALSE(HostExists(kGroup));
  EXPECT_FALSE(HostExists(kConfigPath));
  EXPECT_TRUE(FilesIn(kStartup).empty());
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyLocalMachine, product::kUninstallKey));
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, product::kProductKey));
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyLocalMachine, product::kProductKey));
}

TEST_F(UninstallerTest, UserFilesAndOtherProductsStay) {
  Uninstall();
  EXPECT_TRUE(HostExists(kPreset));
  EXPECT_TRUE(HostExists(kBank));
  EXPECT_TRUE(HostExists(std::string(kHome) + "\\Korvel.exe"));
  EXPECT_TRUE(HostExists(kPrograms));
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyCurrentUser, kOtherProduct));
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyCurrentUser, kShellFoldersKey));
}

TEST_F(UninstallerTest, SecondRunIsHarmless) {
  Uninstall();
  Uninstall();
  EXPECT_FALSE(HostExists(kGroup));
  EXPECT_TRUE(HostExists(kPreset));
  EXPECT_TRUE(HostExists(kPrograms));
}

// A search for "*.lnk" would also take "notes.lnkx" by its short name.
TEST_F(UninstallerTest, OnlySetupsEntriesAndTheUnfinishedWriteGo) {
  for (const char* file : {"notes.lnkx", "Other.lnk"}) PutFile(std::string(kGroup) + "\\" + file);
  PutFile(std::string(kConfigPath) + ".new");
  Uninstall();
  EXPECT_EQ(FilesIn(kGroup), (std::vector<std::string>{"Other.lnk", "notes.lnkx"}));
  EXPECT_FALSE(HostExists(std::string(kConfigPath) + ".new"));
}

// No shortcut can have been made in a folder too long for its path.
TEST_F(UninstallerTest, AStartUpFolderTooLongForTheShortcutIsSkippedWithoutAMessage) {
  const std::string longFolder = "C:\\" + std::string(186, 's');
  MakeFolder(longFolder);
  sim::SetRegistryString(kHkeyCurrentUser, kShellFoldersKey, "Startup", longFolder);
  Uninstall();
  EXPECT_FALSE(HostExists(kGroup));
}

TEST_F(UninstallerTest, UnknownShellFoldersAreSkippedWithoutAMessage) {
  ASSERT_EQ(platform::RegDeleteKeyA(kHkeyCurrentUser, kShellFoldersKey), 0);
  Uninstall();
  EXPECT_TRUE(HostExists(kGroup));
  EXPECT_TRUE(HostExists(std::string(kStartup) + "\\Korvel.lnk"));
  EXPECT_FALSE(HostExists(kConfigPath));
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, product::kProductKey));
}

}  // namespace
}  // namespace korvel
