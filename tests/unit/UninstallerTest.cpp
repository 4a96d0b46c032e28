// The uninstaller after a Setup install and a start-up shortcut: all Korvel
// added goes, the user's files and other products stay, a second run is
// harmless, and the last message says which was which.
#include "setup/Uninstaller.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
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
  std::string Uninstall() { return UninstallMessage(Uninstaller(registry).Run(), kHome); }

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

// The last message says what went, what stayed and why, and what was not
// there: a start-up shortcut never made is not "removed".
TEST_F(UninstallerTest, TheMessageListsWhatWentWhatStayedAndWhatWasNotThere) {
  std::filesystem::remove(sim::HostPath((std::string(kStartup) + "\\Korvel.lnk").c_str()));
  PutFile(std::string(kGroup) + "\\My notes.txt");
  EXPECT_EQ(Uninstall(),
            "Removed: the start menu entries, the settings and the uninstall entry.\n"
            "Not found, so not removed: a start-up shortcut.\n"
            "The start menu folder C:\\WINDOWS\\Start Menu\\Programs\\Korvel was kept: it holds files that "
            "are not Korvel's.\n"
            "The program files were kept in C:\\Apps\\Korvel; delete that folder to remove them too.\n"
            "Your presets and banks were kept.");
  EXPECT_EQ(FilesIn(kGroup), std::vector<std::string>{"My notes.txt"});

  // Run again: nothing left to remove, and it says so.
  EXPECT_EQ(Uninstall(),
            "Nothing of Korvel's was left to remove.\n"
            "The start menu folder C:\\WINDOWS\\Start Menu\\Programs\\Korvel was kept: it holds files that "
            "are not Korvel's.\n"
            "The program files were kept in C:\\Apps\\Korvel; delete that folder to remove them too.\n"
            "Your presets and banks were kept.");
}

// An older Setup made the homepage entry as a shell link; it goes with the
// rest, and so does the group. A kept damaged configuration stays, named.
TEST_F(UninstallerTest, AnOlderInstallationsHomepageLinkGoesAndTheGroupWithIt) {
  std::filesystem::remove(sim::HostPath((std::string(kGroup) + "\\Korvel Homepage.url").c_str()));
  PutFile(std::string(kGroup) + "\\Korvel Homepage.lnk");
  PutFile(std::string(kConfigPath) + ".damaged");
  EXPECT_EQ(Uninstall(),
            "Removed: the start menu group, the start-up shortcut, the settings and the uninstall entry.\n"
            "C:\\WINDOWS\\Korvel.cfg.damaged was kept: it is the copy of a damaged configuration file.\n"
            "The program files were kept in C:\\Apps\\Korvel; delete that folder to remove them too.\n"
            "Your presets and banks were kept.");
  EXPECT_FALSE(HostExists(kGroup));
  EXPECT_TRUE(HostExists(std::string(kConfigPath) + ".damaged"));
}

}  // namespace
}  // namespace korvel
