// The platform's folder search, current drive and folder, short paths,
// libraries, drivers and driver block over the real Windows calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {
namespace {

constexpr char kFolder[] = "C:\\korvel-platform";

std::vector<std::string> FindAll(const char* pattern) {
  std::vector<std::string> names;
  char name[MAX_PATH];
  FindHandle find = FindFirstFileA(pattern, name, sizeof name);
  if (find == 0) return names;
  do names.emplace_back(name);
  while (FindNextFileA(find, name, sizeof name));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class PlatformDeviceCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CreateDirectoryA(kFolder, nullptr);
    ::CreateDirectoryA((std::string(kFolder) + "\\folder.sf2").c_str(), nullptr);
    for (const char* file : {"Piano.sf2", "drums.SF2", "strings.tts"})
      std::ofstream(std::string(kFolder) + "\\" + file) << "x";
  }
};

TEST_F(PlatformDeviceCallsTest, FindFirstFileListsFilesButNotFolders) {
  EXPECT_EQ(FindAll("C:\\korvel-platform\\*.sf2"),
            (std::vector<std::string>{"Piano.sf2", "drums.SF2"}));
  EXPECT_TRUE(FindAll("C:\\korvel-platform\\*.94b").empty());
  EXPECT_TRUE(FindAll("C:\\korvel-platform\\folder.*").empty());
}

TEST_F(PlatformDeviceCallsTest, CurrentDriveAndFolderGuideTheSearch) {
  ASSERT_TRUE(SetCurrentDrive(3));
  EXPECT_EQ(GetCurrentDrive(), 3);
  ASSERT_TRUE(SetCurrentDirectoryA(kFolder));
  EXPECT_EQ(FindAll("*.tts"), std::vector<std::string>{"strings.tts"});
  EXPECT_FALSE(SetCurrentDirectoryA("C:\\korvel-platform\\missing"));
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
}

TEST_F(PlatformDeviceCallsTest, ShortPathsExistOnlyForFilesThatExist) {
  char shortPath[MAX_PATH];
  const unsigned length = GetShortPathNameA("C:\\korvel-platform\\strings.tts", shortPath, sizeof shortPath);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(shortPath), length);
  std::ifstream opened(shortPath);
  EXPECT_TRUE(opened.good()) << shortPath;
  EXPECT_EQ(GetShortPathNameA("C:\\korvel-platform\\missing.tts", shortPath, sizeof shortPath), 0u);
}

TEST_F(PlatformDeviceCallsTest, MissingLibrariesAndDriversGiveZero) {
  EXPECT_EQ(LoadLibraryA("KORVELNOSUCH.DLL"), 0u);
  EXPECT_EQ(OpenDriver("KORVELNOSUCH.DRV"), 0u);
  Module kernel = LoadLibraryA("kernel32.dll");
  ASSERT_NE(kernel, 0u);
  EXPECT_NE(GetProcAddress(kernel, "GetTickCount"), nullptr);
  EXPECT_EQ(GetProcAddress(kernel, "KorvelNoSuchExport"), nullptr);
  FreeLibrary(kernel);
}

TEST_F(PlatformDeviceCallsTest, DriverBlockIsZeroedWritableAndFreed) {
  DriverBlock block;
  ASSERT_TRUE(AllocDriverBlock(512, &block));
  ASSERT_NE(block.flat, nullptr);
  EXPECT_NE(block.address, 0);
  auto* bytes = static_cast<unsigned char*>(block.flat);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(bytes[i], 0) << i;
  bytes[511] = 0x5A;
#if defined(_WIN64)
  EXPECT_EQ(block.address, reinterpret_cast<std::intptr_t>(block.flat));  // no 16-bit heap here
#endif
  FreeDriverBlock(&block);
  EXPECT_EQ(block.flat, nullptr);
  EXPECT_EQ(block.address, 0);
}

}  // namespace
}  // namespace platform
