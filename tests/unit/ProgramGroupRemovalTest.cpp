// The removal form of CreateProgramGroup: the product's group folder loses
// its links and then itself.
#include "setup/ProgramGroup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "SetupTestSupport.h"

namespace korvel {
namespace {

using namespace setup_test;

class ProgramGroupRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override { registry.InitRegistry("Quennet", "Korvel"); }
  void TearDown() override {
    EXPECT_FALSE(registry.HasOpenKey());
    EXPECT_TRUE(sim::ShownMessageBoxes().empty());
  }
  // The group as Setup makes it, with two of its links.
  void MakeGroup() {
    GiveStartMenu();
    ProgramGroup maker(registry);
    ASSERT_EQ(maker.CreateProgramGroup("Korvel"), ProgramGroup::kCreated);
    ASSERT_EQ(maker.CreateGroupShortcut("Korvel Help", "c:\\korvel\\Korvel.htm"), 0);
    ASSERT_EQ(maker.CreateGroupShortcut("Uninstall Korvel", "c:\\korvel\\Uninst.exe"), 0);
  }
  int Remove() { return group.CreateProgramGroup(ProgramGroup::kRemovalName); }

  sim::Sandbox sandbox;
  RegistryModule registry;
  ProgramGroup group{registry};
};

TEST_F(ProgramGroupRemovalTest, LinksAndFolderGoAndOnlyThoseOfTheGroup) {
  MakeGroup();
  std::ofstream(sim::HostPath((std::string(kPrograms) + "\\Other.lnk").c_str())) << "x";
  EXPECT_EQ(Remove(), ProgramGroup::kCreated);
  EXPECT_FALSE(HostExists(kGroup));
  EXPECT_EQ(FilesIn(kPrograms), std::vector<std::string>{"Other.lnk"});
  EXPECT_STREQ(group.Path(), "");
}

TEST_F(ProgramGroupRemovalTest, OtherFilesKeepTheFolder) {
  MakeGroup();
  std::ofstream(sim::HostPath((std::string(kGroup) + "\\notes.txt").c_str())) << "mine";
  EXPECT_EQ(Remove(), ProgramGroup::kNotCreated);
  EXPECT_EQ(FilesIn(kGroup), std::vector<std::string>{"notes.txt"});
}

TEST_F(ProgramGroupRemovalTest, SecondRemovalOrNoGroupChangesNothing) {
  MakeGroup();
  EXPECT_EQ(Remove(), ProgramGroup::kCreated);
  EXPECT_EQ(Remove(), ProgramGroup::kNotCreated);
  EXPECT_TRUE(HostExists(kPrograms));
}

TEST_F(ProgramGroupRemovalTest, MissingOrTooLongProgramsFolderRemovesNothing) {
  EXPECT_EQ(Remove(), ProgramGroup::kNoProgramsFolder);
  // Fits "\Korvel" but not the names of the entries in it: the group is left.
  const std::string programs = "C:\\" + std::string(ProgramGroup::kPathSize - 3 - 7 - 6, 'p');
  GiveStartMenu(programs);
  const std::string folder = programs + "\\Korvel";
  MakeFolder(folder);
  std::ofstream(sim::HostPath((folder + "\\a.lnk").c_str())) << "x";
  EXPECT_EQ(Remove(), ProgramGroup::kNoProgramsFolder);
  EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"a.lnk"});
}

}  // namespace
}  // namespace korvel
