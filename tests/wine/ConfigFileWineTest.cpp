// "Korvel.cfg" in the real Windows directory of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "config/ConfigurationStore.h"
#include "config/ErrorBox.h"
#include "config/RegistryModule.h"

namespace {

std::string WindowsFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, sizeof folder);
  return std::string(folder) + "\\" + name;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Word(const std::string& bytes, size_t offset) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

class ConfigFileWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(WindowsFile("Korvel.cfg").c_str());
    ASSERT_EQ(registry.InitRegistry("Quennet", "Korvel"), 0);
  }
  void TearDown() override {
    registry.DoneRegistry();
    DeleteFileA(WindowsFile("Korvel.cfg").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Quennet\\Korvel\\");
  }
  korvel::RegistryModule registry;
};

TEST_F(ConfigFileWineTest, ForcedFileWriteLandsInTheWindowsDirectory) {
  korvel::Configuration config;
  config.homedrive = 2;
  std::strcpy(config.homedir, "c:\\korvel");
  config.cursheet = 3;
  korvel::WriteConfiguration(config, korvel::WindowEdges{-1, -1}, registry, 2);

  const std::string bytes = ReadAll(WindowsFile("Korvel.cfg"));
  ASSERT_EQ(bytes.size(), 1012u);
  EXPECT_EQ(Word(bytes, 0), 4u);
  EXPECT_EQ(Word(bytes, 4), 0x14F56728u);
  EXPECT_EQ(Word(bytes, 12), 2u);
  EXPECT_STREQ(bytes.c_str() + 20, "c:\\korvel");
  EXPECT_EQ(Word(bytes, 152), 0xE058u);
  EXPECT_EQ(Word(bytes, 176), 3u);
  EXPECT_EQ(Word(bytes, 184), 0xFFFFFFFFu);
  EXPECT_EQ(Word(bytes, 976), 32u);
  // The file is written beside and then put in place: nothing else is left.
  EXPECT_EQ(GetFileAttributesA(WindowsFile("Korvel.cfg.new").c_str()), INVALID_FILE_ATTRIBUTES);
  // Nothing went to the registry.
  HKEY key;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quennet\\Korvel\\", 0, KEY_READ, &key),
            ERROR_SUCCESS);
}

TEST_F(ConfigFileWineTest, AnExistingFileIsRewrittenAndReadBack) {
  korvel::Configuration first;
  korvel::WriteConfiguration(first, korvel::WindowEdges{-1, -1}, registry, 2);

  korvel::Configuration second;
  second.cflags = 0x1FFFF;
  second.korvelengine = 77;
  std::strcpy(second.bankfolder, "c:\\banks");
  korvel::WriteConfiguration(second, korvel::WindowEdges{300, 200}, registry, 0);

  korvel::Configuration read;
  korvel::WindowEdges edges{241, 140};
  korvel::ReadConfiguration(read, edges, registry);
  EXPECT_EQ(read.cflags, 0x1FFFFu);
  EXPECT_EQ(read.korvelengine, 77u);
  EXPECT_STREQ(read.bankfolder, "c:\\banks");
  EXPECT_EQ(edges.left, 300);
  EXPECT_EQ(edges.top, 200);
  EXPECT_EQ(ReadAll(WindowsFile("Korvel.cfg")).size(), 1012u);
}

TEST_F(ConfigFileWineTest, FileIsPresentSeesOnlyReadableFiles) {
  const std::string path = WindowsFile("Korvel.cfg");
  EXPECT_FALSE(korvel::FileIsPresent(path.c_str()));
  korvel::Configuration config;
  korvel::WriteConfiguration(config, korvel::WindowEdges{}, registry, 2);
  EXPECT_TRUE(korvel::FileIsPresent(path.c_str()));
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, sizeof folder);
  EXPECT_FALSE(korvel::FileIsPresent((std::string(folder) + "\\no such file.cfg").c_str()));
}

}  // namespace
