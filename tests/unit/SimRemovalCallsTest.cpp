// The simulated folder and registry-key removal behaves as Windows NT does:
// only empty folders and keys without subkeys go.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"

namespace {

namespace sim = platform::sim;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

class SimRemovalCallsTest : public ::testing::Test {
 protected:
  sim::Sandbox sandbox;
};

TEST_F(SimRemovalCallsTest, OnlyAnEmptyExistingFolderIsRemoved) {
  ASSERT_TRUE(platform::CreateDirectoryA("C:\\Group"));
  std::ofstream(sim::HostPath("C:\\Group\\a.lnk")) << "x";
  EXPECT_FALSE(platform::RemoveDirectoryA("C:\\Group"));
  EXPECT_FALSE(platform::RemoveDirectoryA("C:\\Group\\a.lnk"));
  ASSERT_TRUE(platform::DeleteFileA("C:\\Group\\a.lnk"));
  EXPECT_TRUE(platform::RemoveDirectoryA("C:\\Group"));
  EXPECT_FALSE(std::filesystem::exists(sim::HostPath("C:\\Group")));
  EXPECT_FALSE(platform::RemoveDirectoryA("C:\\Group"));
}

TEST_F(SimRemovalCallsTest, LeafKeyGoesWithItsValuesInOneHiveOnly) {
  sim::SetRegistryString(kHkeyCurrentUser, "SOFTWARE\\Maker\\Product", "name", "text");
  sim::SetRegistryString(kHkeyLocalMachine, "SOFTWARE\\Maker\\Product", "name", "text");
  EXPECT_EQ(platform::RegDeleteKeyA(kHkeyCurrentUser, "software\\maker\\PRODUCT"), 0);
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, "SOFTWARE\\Maker\\Product"));
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyCurrentUser, "SOFTWARE\\Maker"));
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyLocalMachine, "SOFTWARE\\Maker\\Product"));
  // Made again, it holds nothing of before.
  platform::RegKey key = 0;
  ASSERT_EQ(platform::RegCreateKeyExA(kHkeyCurrentUser, "SOFTWARE\\Maker\\Product", "", &key), 0);
  platform::RegCloseKey(key);
  EXPECT_TRUE(sim::RegistryValueNames(kHkeyCurrentUser, "SOFTWARE\\Maker\\Product").empty());
}

TEST_F(SimRemovalCallsTest, KeyWithSubkeysOrAbsentIsRefused) {
  sim::SetRegistryString(kHkeyCurrentUser, "SOFTWARE\\Maker\\Product", "name", "text");
  EXPECT_NE(platform::RegDeleteKeyA(kHkeyCurrentUser, "SOFTWARE\\Maker"), 0);
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyCurrentUser, "SOFTWARE\\Maker\\Product"));
  EXPECT_EQ(platform::RegDeleteKeyA(kHkeyCurrentUser, "SOFTWARE\\Other"), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::RegDeleteKeyA(kHkeyCurrentUser, "SOFTWARE\\Other\\Product"),
            platform::kErrorFileNotFound);
  EXPECT_NE(platform::RegDeleteKeyA(kHkeyCurrentUser, ""), 0);
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyCurrentUser, "SOFTWARE"));
}

TEST_F(SimRemovalCallsTest, HandleToADeletedKeyIsNoLongerValid) {
  platform::RegKey key = 0;
  ASSERT_EQ(platform::RegCreateKeyExA(kHkeyCurrentUser, "SOFTWARE\\Maker", "", &key), 0);
  EXPECT_EQ(platform::RegDeleteKeyA(kHkeyCurrentUser, "SOFTWARE\\Maker"), 0);
  EXPECT_NE(platform::RegSetValueExA(key, "name", platform::kRegSz, "x", 2), 0);
  EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
}

}  // namespace
