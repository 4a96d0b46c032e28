#include "setup/InstallationFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/Sim.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

class InstallationFolderTest : public ::testing::Test {
 protected:
  Configuration Taken() {
    Configuration config;
    std::strcpy(config.homedir, "z:\\earlier");
    TakeInstallationFolder(config);
    return config;
  }
  sim::Sandbox sandbox;
};

TEST_F(InstallationFolderTest, DriveLetterIsLowerCaseAndTheFolderKeepsItsCase) {
  sim::SetCurrentDirectory("D:\\Music\\Korvel");
  const Configuration config = Taken();
  EXPECT_EQ(config.homedrive, 3);
  EXPECT_STREQ(config.homedir, "d:\\Music\\Korvel");
}

TEST_F(InstallationFolderTest, AtTheRootOfADriveOnlyTheRootIsKept) {
  sim::SetCurrentDirectory("E:\\");
  const Configuration config = Taken();
  EXPECT_EQ(config.homedrive, 4);
  EXPECT_STREQ(config.homedir, "e:\\");
}

TEST_F(InstallationFolderTest, LongestFolderThatFitsIsTakenWhole) {
  const std::string folder = "C:\\" + std::string(124, 'k');  // 127 characters with "c:\"
  sim::SetCurrentDirectory(folder.c_str());
  EXPECT_EQ(std::string(Taken().homedir), "c:\\" + std::string(124, 'k'));
}

// The simulated disk has no short names, so a folder too long for `homedir`
// stays too long in its short form as well.
TEST_F(InstallationFolderTest, FolderTooLongForTheFieldLeavesItEmptyRatherThanCut) {
  const std::string folder = "C:\\" + std::string(125, 'k');
  sim::SetCurrentDirectory(folder.c_str());
  const Configuration config = Taken();
  EXPECT_EQ(config.homedrive, 2);
  EXPECT_STREQ(config.homedir, "");
}

}  // namespace
}  // namespace korvel
