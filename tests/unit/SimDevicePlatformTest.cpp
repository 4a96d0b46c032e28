// The simulated platform's folder search, current drive and folder, short
// paths, run-time libraries and installable drivers behave like the Win32
// calls they stand for.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

void Touch(const std::string& windowsPath) {
  const std::string host = sim::HostPath(windowsPath.c_str());
  fs::create_directories(fs::path(host).parent_path());
  std::ofstream(host) << "x";
}

std::vector<std::string> FindAll(const char* pattern) {
  std::vector<std::string> names;
  char name[260];
  FindHandle find = FindFirstFileA(pattern, name, sizeof name);
  if (find == 0) return names;
  do names.emplace_back(name);
  while (FindNextFileA(find, name, sizeof name));
  FindClose(find);
  return names;
}

class SimFolderTest : public ::testing::Test {
 protected:
  sim::Sandbox sandbox;
};

TEST_F(SimFolderTest, FindFirstFileMatchesWildcardsIgnoringCaseAndSkipsFolders) {
  Touch("D:\\Banks\\Piano.SF2");
  Touch("D:\\Banks\\drums.sf2");
  Touch("D:\\Banks\\strings.tts");
  Touch("D:\\Banks\\a.sf2x");
  fs::create_directories(sim::HostPath("D:\\Banks\\folder.sf2"));

  EXPECT_EQ(FindAll("D:\\BANKS\\*.sf2"), (std::vector<std::string>{"drums.sf2", "Piano.SF2"}));
  EXPECT_EQ(FindAll("d:\\banks\\s??????.t?s"), (std::vector<std::string>{"strings.tts"}));
  EXPECT_TRUE(FindAll("D:\\Banks\\*.94b").empty());
  EXPECT_TRUE(FindAll("D:\\Nowhere\\*.sf2").empty());

  // Without a folder the current one is searched.
  ASSERT_TRUE(SetCurrentDirectoryA("D:\\Banks"));
  EXPECT_EQ(FindAll("*.TTS"), (std::vector<std::string>{"strings.tts"}));

  // A name longer than the buffer is cut and terminated.
  char small[4];
  FindHandle find = FindFirstFileA("*.tts", small, sizeof small);
  ASSERT_NE(find, 0u);
  EXPECT_STREQ(small, "str");
  EXPECT_FALSE(FindNextFileA(find, small, sizeof small));
  FindClose(find);
  EXPECT_FALSE(FindNextFileA(find, small, sizeof small));  // closed
}

// The simulated disk keeps what it read from a folder; every change made
// since must show at once, with no wait for the clock to move on.
TEST_F(SimFolderTest, ListingsAndNameLookupsSeeEveryChangeAtOnce) {
  Touch("D:\\Banks\\a.sf2");
  Touch("D:\\Banks\\b.sf2");
  EXPECT_EQ(FindAll("D:\\Banks\\*.sf2"), (std::vector<std::string>{"a.sf2", "b.sf2"}));

  std::ofstream(sim::HostPath("D:\\Banks\\a.sf2")) << "longer";  // written in place
  char name[260];
  FileStamp stamp;
  FindHandle find = FindFirstFileA("D:\\Banks\\a.*", name, sizeof name, &stamp);
  ASSERT_NE(find, 0u);
  FindClose(find);
  EXPECT_EQ(stamp.size, 6u);

  Touch("D:\\Banks\\c.sf2");
  fs::remove(sim::HostPath("D:\\Banks\\b.sf2"));
  fs::rename(sim::HostPath("D:\\Banks\\a.sf2"), sim::HostPath("D:\\Banks\\Z.sf2"));
  EXPECT_EQ(FindAll("D:\\Banks\\*.sf2"), (std::vector<std::string>{"c.sf2", "Z.sf2"}));
  EXPECT_EQ(fs::path(sim::HostPath("D:\\Banks\\z.SF2")).filename(), "Z.sf2");

  fs::remove_all(sim::HostPath("D:\\Banks"));
  Touch("D:\\Banks\\d.sf2");
  EXPECT_EQ(FindAll("D:\\Banks\\*.sf2"), (std::vector<std::string>{"d.sf2"}));
}

TEST_F(SimFolderTest, CurrentDriveAndFolderGuideRelativePaths) {
  Touch("D:\\Music\\Banks\\a.sf2");
  Touch("C:\\Korvel\\b.sf2");
  EXPECT_FALSE(SetCurrentDirectoryA("C:\\Missing"));
  EXPECT_FALSE(SetCurrentDirectoryA(""));
  EXPECT_FALSE(SetCurrentDrive(5));  // E: has nothing on it: no such drive
  EXPECT_FALSE(SetCurrentDrive(0));

  ASSERT_TRUE(SetCurrentDirectoryA("C:\\Korvel"));
  ASSERT_TRUE(SetCurrentDrive(4));  // D: starts at its root
  EXPECT_EQ(GetCurrentDrive(), 4);
  EXPECT_EQ(sim::HostPath("Music\\Banks\\a.sf2"), sim::HostPath("D:\\Music\\Banks\\a.sf2"));
  ASSERT_TRUE(SetCurrentDirectoryA("Music\\Banks"));
  char buffer[64];
  GetCurrentDirectoryA(sizeof buffer, buffer);
  EXPECT_STREQ(buffer, "D:\\Music\\Banks");

  // Each drive remembers its own folder.
  ASSERT_TRUE(SetCurrentDrive(3));
  GetCurrentDirectoryA(sizeof buffer, buffer);
  EXPECT_STREQ(buffer, "C:\\Korvel");
  std::FILE* file = OpenFile("b.sf2", "rb");
  EXPECT_NE(file, nullptr);
  if (file) std::fclose(file);
  ASSERT_TRUE(SetCurrentDrive(4));
  GetCurrentDirectoryA(sizeof buffer, buffer);
  EXPECT_STREQ(buffer, "D:\\Music\\Banks");
}

TEST_F(SimFolderTest, ShortPathOfAnExistingFileIsTheFileItself) {
  Touch("C:\\Banks\\Long Name Bank.sf2");
  char buffer[64];
  const char* path = "C:\\Banks\\Long Name Bank.sf2";
  EXPECT_EQ(GetShortPathNameA(path, buffer, sizeof buffer), std::strlen(path));
  EXPECT_STREQ(buffer, path);
  EXPECT_EQ(GetShortPathNameA(path, buffer, 5), std::strlen(path) + 1);  // size needed
  EXPECT_EQ(GetShortPathNameA("C:\\Banks\\missing.sf2", buffer, sizeof buffer), 0u);
}

class SimComponentTest : public ::testing::Test {
 protected:
  sim::Sandbox sandbox;
};

TEST_F(SimComponentTest, NothingLoadsOnAMachineWithoutTheCards) {
  EXPECT_EQ(LoadLibraryA("SFMAN32.DLL"), 0u);
  EXPECT_EQ(LoadLibraryA("AWEMAN32.DLL"), 0u);
  EXPECT_EQ(OpenDriver("EWSAUDIO.DRV"), 0u);
  EXPECT_TRUE(sim::LoadedLibraries().empty());
}

TEST_F(SimComponentTest, InstalledComponentsLoadByNameAndOfferTheirExports) {
  sim::InstallEmulators("C:\\EMU\\korvelemu.ini", "C:\\EMU\\korvelemu.state",
                        sim::kSoundFontManager | sim::kEwsAudioDriver);
  EXPECT_EQ(LoadLibraryA("AWEMAN32.DLL"), 0u);  // not installed
  Module sf = LoadLibraryA("sfman32.dll");
  ASSERT_NE(sf, 0u);
  EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\SYSTEM\\SFMAN32"), sf);  // same module, counted twice
  EXPECT_EQ(sim::OpenLibraryCount(), 2);
  EXPECT_NE(GetProcAddress(sf, "SFManager"), nullptr);
  EXPECT_EQ(GetProcAddress(sf, "AWEManager"), nullptr);
  EXPECT_EQ(GetProcAddress(sf, "sfmanager"), nullptr);  // export names are exact

  int stand_in = 0;
  sim::OverrideExport("SFManager", &stand_in);
  EXPECT_EQ(GetProcAddress(sf, "SFManager"), &stand_in);
  sim::OverrideExport("SFManager", nullptr);
  EXPECT_EQ(GetProcAddress(sf, "SFManager"), nullptr);

  FreeLibrary(sf);
  FreeLibrary(sf);
  EXPECT_EQ(sim::OpenLibraryCount(), 0);
  EXPECT_EQ(GetProcAddress(sf, "SFManager"), nullptr);  // freed
  EXPECT_EQ(sim::LoadedLibraries(),
            (std::vector<std::string>{"sfman32.dll", "C:\\WINDOWS\\SYSTEM\\SFMAN32"}));

  sim::UninstallEmulators();
  EXPECT_EQ(LoadLibraryA("SFMAN32.DLL"), 0u);
}

TEST_F(SimComponentTest, DriverMessagesReachTheEmulatorAndAreLoggedWithTheBlock) {
  sim::InstallEmulators("C:\\EMU\\korvelemu.ini", "C:\\EMU\\korvelemu.state");
  Driver driver = OpenDriver("EWSAUDIO.DRV");
  ASSERT_NE(driver, 0u);
  EXPECT_EQ(sim::OpenDriverCount(), 1);
  EXPECT_EQ(SendDriverMessage(driver, 17086, 0, 0), 1);  // the emulator's default: one card

  DriverBlock block;
  ASSERT_TRUE(AllocDriverBlock(512, &block));
  EXPECT_EQ(sim::OpenDriverBlocks(), 1);
  auto* bytes = static_cast<std::uint8_t*>(block.flat);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[511], 0);
  bytes[2] = 12;
  const std::intptr_t card = SendDriverMessage(driver, 17087, 1, 0);
  EXPECT_EQ(SendDriverMessage(driver, 17117, card, block.address), 0);

  const auto& log = sim::DriverMessages();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].message, 17087u);
  EXPECT_TRUE(log[1].block.empty());
  ASSERT_EQ(log[2].block.size(), 512u);
  EXPECT_EQ(log[2].block[2], 12);  // as it was when sent

  sim::SetDriverHook([](std::uint32_t message, std::intptr_t, std::intptr_t) {
    return message == 17086 ? std::optional<std::intptr_t>(7) : std::nullopt;
  });
  EXPECT_EQ(SendDriverMessage(driver, 17086, 0, 0), 7);
  EXPECT_EQ(SendDriverMessage(driver, 17087, 1, 0), card);

  EXPECT_EQ(CloseDriver(driver), 1);
  EXPECT_EQ(CloseDriver(driver), 0);
  EXPECT_EQ(SendDriverMessage(driver, 17086, 0, 0), 0);  // closed handle
  FreeDriverBlock(&block);
  EXPECT_EQ(block.flat, nullptr);
  EXPECT_EQ(sim::OpenDriverBlocks(), 0);

  sim::SetDriverBlockFails(true);
  EXPECT_FALSE(AllocDriverBlock(512, &block));
  EXPECT_EQ(block.flat, nullptr);
}

}  // namespace
}  // namespace platform
