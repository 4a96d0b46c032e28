#include "setup/ProgramGroup.h"
#include "config/Shortcut.h"

#include <gtest/gtest.h>

#include <string>

#include "SetupTestSupport.h"

namespace korvel {
namespace {

using namespace setup_test;

class ProgramGroupTest : public ::testing::Test {
 protected:
  void SetUp() override { registry.InitRegistry("Quennet", "Korvel"); }
  void TearDown() override {
    // The shell-folders key is never left open, and nothing is ever reported.
    EXPECT_FALSE(registry.HasOpenKey());
    EXPECT_TRUE(sim::ShownMessageBoxes().empty());
  }

  sim::Sandbox sandbox;
  RegistryModule registry;
  ProgramGroup group{registry};
};

TEST_F(ProgramGroupTest, NewGroupIsAFolderInPrograms) {
  GiveStartMenu();
  EXPECT_EQ(group.CreateProgramGroup("Korvel"), ProgramGroup::kCreated);
  EXPECT_STREQ(group.Path(), "C:\\WINDOWS\\Start Menu\\Programs\\Korvel\\");
  EXPECT_TRUE(std::filesystem::is_directory(sim::HostPath(kGroup)));
}

TEST_F(ProgramGroupTest, ExistingGroupIsReportedButStillUsed) {
  GiveStartMenu();
  MakeFolder(kGroup);
  EXPECT_EQ(group.CreateProgramGroup("Korvel"), ProgramGroup::kNotCreated);
  EXPECT_STREQ(group.Path(), "C:\\WINDOWS\\Start Menu\\Programs\\Korvel\\");
  EXPECT_EQ(group.CreateGroupShortcut("Korvel Help", "c:\\korvel\\Korvel.htm"), 0);
  EXPECT_TRUE(HostExists(std::string(kGroup) + "\\Korvel Help.lnk"));
}

TEST_F(ProgramGroupTest, MissingProgramsFolderMakesNoGroupAndNoLinks) {
  EXPECT_EQ(group.CreateProgramGroup("Korvel"), ProgramGroup::kNoProgramsFolder);
  EXPECT_STREQ(group.Path(), "");
  EXPECT_EQ(group.CreateGroupShortcut("Korvel Help", "c:\\korvel\\Korvel.htm"), 1);

  // The key exists but names no "Programs".
  sim::SetRegistryString(platform::kHkeyCurrentUser, kShellFoldersKey, "Startup", "C:\\S");
  EXPECT_EQ(group.CreateProgramGroup("Korvel"), ProgramGroup::kNoProgramsFolder);
  EXPECT_STREQ(group.Path(), "");
}

TEST_F(ProgramGroupTest, NothingHappensBeforeTheRegistryIsStarted) {
  GiveStartMenu();
  RegistryModule idle;
  ProgramGroup early(idle);
  EXPECT_EQ(early.CreateProgramGroup("Korvel"), ProgramGroup::kCreated);
  EXPECT_STREQ(early.Path(), "");
  EXPECT_FALSE(HostExists(kGroup));
}

TEST_F(ProgramGroupTest, LinkNamesTheEntryAndPointsAtItsTarget) {
  GiveStartMenu();
  group.CreateProgramGroup("Korvel");
  ASSERT_EQ(group.CreateGroupShortcut("Korvel v1.2", "c:\\korvel\\Korvel.exe"), 0);
  sim::ShellLink link;
  ASSERT_TRUE(sim::ReadShellLink("C:\\WINDOWS\\Start Menu\\Programs\\Korvel\\Korvel v1.2.lnk", &link));
  EXPECT_EQ(link.target, "c:\\korvel\\Korvel.exe");
  EXPECT_EQ(link.description, "Korvel v1.2");
}

TEST_F(ProgramGroupTest, FailedLinkGivesItsComResult) {
  GiveStartMenu();
  group.CreateProgramGroup("Korvel");
  sim::FailShellLinks(static_cast<std::int32_t>(0x80070005u));
  EXPECT_EQ(group.CreateGroupShortcut("Korvel Help", "c:\\korvel\\Korvel.htm"),
            static_cast<std::int32_t>(0x80070005u));
  sim::FailShellLinks(0);
}

// Paths are never cut: a start menu too long for the group path makes no
// group, and a link whose path would not fit is not made.
TEST_F(ProgramGroupTest, TooLongPathsMakeNothingRatherThanACutPath) {
  // "C:\" + folder + "\Korvel\" is 255 characters: the longest group path.
  const std::string longest = "C:\\" + std::string(244, 'p');
  GiveStartMenu(longest);
  EXPECT_EQ(group.CreateProgramGroup("Korvel"), ProgramGroup::kCreated);
  EXPECT_EQ(std::string(group.Path()).size(), 255u);
  // No room for even a one-letter link name and ".lnk".
  EXPECT_EQ(group.CreateGroupShortcut("K", "c:\\korvel\\Korvel.exe"), 1);
  EXPECT_TRUE(FilesIn(longest + "\\Korvel").empty());

  ProgramGroup other(registry);
  const std::string tooLong = "C:\\" + std::string(245, 'q');
  GiveStartMenu(tooLong);
  EXPECT_EQ(other.CreateProgramGroup("Korvel"), ProgramGroup::kNoProgramsFolder);
  EXPECT_STREQ(other.Path(), "");
  EXPECT_TRUE(FilesIn(tooLong).empty());
}

TEST_F(ProgramGroupTest, LinkThatJustFitsIsMade) {
  // A group path of 240 characters leaves 16 bytes for "name.lnk" and the terminator.
  const std::string programs = "C:\\" + std::string(229, 'p');
  GiveStartMenu(programs);
  group.CreateProgramGroup("Korvel");
  ASSERT_EQ(std::string(group.Path()).size(), 240u);
  EXPECT_EQ(group.CreateGroupShortcut("01234567890", "t"), 0);
  EXPECT_EQ(group.CreateGroupShortcut("012345678901", "t"), 1);
  EXPECT_EQ(FilesIn(programs + "\\Korvel"), std::vector<std::string>{"01234567890.lnk"});
}

}  // namespace
}  // namespace korvel
