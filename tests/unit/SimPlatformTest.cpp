// The simulated platform behaves like the Win32 calls it stands in for;
// every other native test relies on that.
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

class SimFilesTest : public ::testing::Test {
 protected:
  sim::Sandbox sandbox;
};

void WriteText(const char* path, const char* text) {
  std::FILE* file = OpenFile(path, "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fputs(text, file);
  ASSERT_EQ(std::fclose(file), 0);
}

std::string ReadText(const char* path) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return "<missing>";
  char buffer[256] = {};
  std::size_t count = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  return std::string(buffer, count);
}

TEST_F(SimFilesTest, WindowsPathsMapIntoTheSandboxIgnoringCase) {
  EXPECT_EQ(sim::HostPath("C:\\WINDOWS\\Korvel.cfg"), sandbox.Root() + "/C/WINDOWS/Korvel.cfg");
  EXPECT_EQ(sim::HostPath("c:/windows/korvel.cfg"), sandbox.Root() + "/C/WINDOWS/korvel.cfg");
  EXPECT_EQ(sim::HostPath("d:\\Banks\\..\\Music\\.\\a.sf2"), sandbox.Root() + "/D/Music/a.sf2");
  EXPECT_EQ(sim::HostPath("\\\\server\\share\\x"), "");

  WriteText("C:\\WINDOWS\\Korvel.cfg", "one");
  EXPECT_EQ(ReadText("c:\\windows\\KORVEL.CFG"), "one");
  WriteText("c:\\Windows\\korvel.CFG", "two");  // same file, not a second one
  EXPECT_EQ(ReadText("C:\\WINDOWS\\Korvel.cfg"), "two");
  EXPECT_EQ(std::distance(fs::directory_iterator(sandbox.Root() + "/C/WINDOWS"), fs::directory_iterator()), 1);
}

TEST_F(SimFilesTest, RelativePathsFollowTheCurrentFolder) {
  EXPECT_EQ(GetCurrentDrive(), 3);
  sim::SetCurrentDirectory("d:\\Music\\Banks");
  EXPECT_EQ(GetCurrentDrive(), 4);
  char buffer[64];
  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 14u);
  EXPECT_STREQ(buffer, "D:\\Music\\Banks");
  EXPECT_EQ(GetCurrentDirectoryA(14, buffer), 15u);  // no room for the terminator: size needed

  WriteText("piano.sf2", "p");
  EXPECT_EQ(ReadText("D:\\MUSIC\\BANKS\\PIANO.SF2"), "p");
  EXPECT_EQ(sim::HostPath("..\\x"), sandbox.Root() + "/D/Music/x");
  EXPECT_EQ(sim::HostPath("\\x"), sandbox.Root() + "/D/x");
}

TEST_F(SimFilesTest, WindowsDirectoryReportsLikeTheSystemCall) {
  char buffer[128];
  EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");
  EXPECT_EQ(GetWindowsDirectoryA(buffer, 10), 11u);
  EXPECT_EQ(GetWindowsDirectoryA(nullptr, 0), 11u);
  sim::SetWindowsDirectory(nullptr);
  EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
  sim::Reset(sandbox.Root());
  EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
}

TEST_F(SimFilesTest, FolderOperationsFailWhereWindowsWould) {
  EXPECT_EQ(OpenFile("C:\\WINDOWS", "rb"), nullptr);  // a folder is not a file
  EXPECT_FALSE(CreateDirectoryA("C:\\A\\B"));        // parent missing
  EXPECT_TRUE(CreateDirectoryA("C:\\A"));
  EXPECT_FALSE(CreateDirectoryA("c:\\a"));  // exists already
  EXPECT_FALSE(DeleteFileA("C:\\A"));       // folders are not deleted as files
}

TEST_F(SimFilesTest, ReplaceFileWithPutsTheNewFileInPlace) {
  WriteText("C:\\WINDOWS\\Korvel.cfg", "old");
  WriteText("C:\\WINDOWS\\Korvel.cfg.new", "new");
  sim::SetReplaceFails(true);
  EXPECT_FALSE(ReplaceFileWith("C:\\WINDOWS\\Korvel.cfg.new", "C:\\WINDOWS\\Korvel.cfg"));
  EXPECT_EQ(ReadText("C:\\WINDOWS\\Korvel.cfg"), "old");
  sim::SetReplaceFails(false);
  EXPECT_TRUE(ReplaceFileWith("C:\\WINDOWS\\Korvel.cfg.new", "c:\\windows\\KORVEL.CFG"));
  EXPECT_EQ(ReadText("C:\\WINDOWS\\Korvel.cfg"), "new");
  EXPECT_EQ(ReadText("C:\\WINDOWS\\Korvel.cfg.new"), "<missing>");
}

TEST_F(SimFilesTest, WriteLimitMakesWritesFailLikeAFullDisk) {
  sim::SetFileWriteLimit(5);
  std::FILE* file = OpenFile("C:\\full.txt", "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("0123456789", file);  // buffered: the failure shows at the flush
  EXPECT_NE(std::fclose(file), 0);
  EXPECT_EQ(fs::file_size(sandbox.Root() + "/C/full.txt"), 5u);

  file = OpenFile("C:\\more.txt", "wb");  // the budget is spent for every file
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::fputc('x', file), 'x');
  EXPECT_NE(std::fflush(file), 0);
  std::fclose(file);

  sim::SetFileWriteLimit(-1);
  WriteText("C:\\fine.txt", "0123456789");
  EXPECT_EQ(ReadText("C:\\fine.txt"), "0123456789");
  sim::SetFileCreationFails(true);
  EXPECT_EQ(OpenFile("C:\\fine.txt", "ab"), nullptr);
  EXPECT_EQ(ReadText("C:\\fine.txt"), "0123456789");  // reading still works
}

class SimRegistryTest : public ::testing::Test {
 protected:
  sim::Sandbox sandbox;
};

TEST_F(SimRegistryTest, CreateMakesIntermediateKeysWithTheClassAndOpenFindsThemIgnoringCase) {
  RegKey key = 0;
  EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "SOFTWARE\\Quennet", &key), kErrorFileNotFound);
  ASSERT_EQ(RegCreateKeyExA(kHkeyCurrentUser, "SOFTWARE\\Quennet\\Korvel\\", "ProgramConfig", &key), 0);
  EXPECT_NE(key, 0u);
  EXPECT_EQ(sim::KeyClass(kHkeyCurrentUser, "SOFTWARE\\Quennet\\Korvel"), "ProgramConfig");
  EXPECT_EQ(sim::KeyClass(kHkeyCurrentUser, "SOFTWARE\\Quennet"), "ProgramConfig");
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyLocalMachine, "SOFTWARE\\Quennet"));
  RegKey again = 0;
  ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "software\\QUENNET\\korvel", &again), 0);
  EXPECT_NE(again, key);  // every open gives a handle of its own
  EXPECT_EQ(sim::OpenRegistryHandles(), 2u);
  // Creating an existing key opens it and keeps its class.
  RegKey third = 0;
  ASSERT_EQ(RegCreateKeyExA(kHkeyCurrentUser, "SOFTWARE\\Quennet\\Korvel", "Other", &third), 0);
  EXPECT_EQ(sim::KeyClass(kHkeyCurrentUser, "SOFTWARE\\Quennet\\Korvel"), "ProgramConfig");
  // A key below an open key.
  RegKey child = 0;
  ASSERT_EQ(RegCreateKeyExA(third, "Sub", "", &child), 0);
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyCurrentUser, "SOFTWARE\\Quennet\\Korvel\\Sub"));
  for (RegKey k : {key, again, third, child}) EXPECT_EQ(RegCloseKey(k), 0);
  EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
}

TEST_F(SimRegistryTest, QueryReportsSizesAndRefusesSmallBuffers) {
  RegKey key = 0;
  ASSERT_EQ(RegCreateKeyExA(kHkeyLocalMachine, "SOFTWARE\\Q", "", &key), 0);
  ASSERT_EQ(RegSetValueExA(key, "homedir", kRegSz, "c:\\korvel", 10), 0);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "HomeDir", &type, nullptr, &size), 0);  // size only
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 10u);

  char small[4] = {'?', '?', '?', '?'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "homedir", &type, small, &size), kErrorMoreData);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(small[0], '?');

  char buffer[32];
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "homedir", nullptr, buffer, &size), 0);
  EXPECT_EQ(size, 10u);
  EXPECT_STREQ(buffer, "c:\\korvel");

  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "missing", &type, buffer, &size), kErrorFileNotFound);
  // Setting a value again replaces its type and bytes.
  const std::uint8_t dword[] = {1, 0, 0, 0};
  ASSERT_EQ(RegSetValueExA(key, "HOMEDIR", kRegDword, dword, 4), 0);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(sim::GetRegistryValue(kHkeyLocalMachine, "software\\q", "homedir", &type, &bytes));
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(sim::RegistryValueNames(kHkeyLocalMachine, "SOFTWARE\\Q"), std::vector<std::string>{"homedir"});
  RegCloseKey(key);
}

TEST_F(SimRegistryTest, ClosedAndStaleHandlesAreRefused) {
  RegKey key = 0;
  ASSERT_EQ(RegCreateKeyExA(kHkeyCurrentUser, "K", "", &key), 0);
  ASSERT_EQ(RegCloseKey(key), 0);
  std::uint32_t size = 4;
  std::uint8_t data[4] = {};
  EXPECT_NE(RegQueryValueExA(key, "v", nullptr, data, &size), 0);
  EXPECT_NE(RegSetValueExA(key, "v", kRegDword, data, 4), 0);
  EXPECT_NE(RegCloseKey(key), 0);
  EXPECT_TRUE(sim::RegistryValueNames(kHkeyCurrentUser, "K").empty());

  RegKey open = 0;
  ASSERT_EQ(RegCreateKeyExA(kHkeyCurrentUser, "K", "", &open), 0);
  sim::Reset(sandbox.Root());
  EXPECT_NE(RegSetValueExA(open, "v", kRegDword, data, 4), 0);
  RegKey fresh = 0;
  ASSERT_EQ(RegCreateKeyExA(kHkeyCurrentUser, "K", "", &fresh), 0);
  EXPECT_NE(fresh, open);  // handles are never handed out twice
  EXPECT_EQ(RegCloseKey(fresh), 0);
}

TEST(SimShellTest, MessageBoxesAreLoggedAndAnswered) {
  sim::Sandbox sandbox;
  sim::QueueMessageBoxAnswer(kIdYes);
  EXPECT_EQ(MessageBoxA(0x10, "Save?", "Korvel", kMbYesNoCancel | kMbIconQuestion), kIdYes);
  EXPECT_EQ(MessageBoxA(0x10, "Save?", "Korvel", kMbYesNoCancel), kIdCancel);
  EXPECT_EQ(MessageBoxA(0, "Sure?", "Korvel", kMbYesNo), kIdNo);
  EXPECT_EQ(MessageBoxA(0, "Failed.", "Korvel", kMbOk | kMbIconError), kIdOk);
  const std::vector<sim::ShownBox>& shown = sim::ShownMessageBoxes();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].owner, 0x10u);
  EXPECT_EQ(shown[0].text, "Save?");
  EXPECT_EQ(shown[0].type, kMbYesNoCancel | kMbIconQuestion);
  EXPECT_EQ(shown[0].answer, kIdYes);
  EXPECT_EQ(shown[3].caption, "Korvel");
  sim::ClearShownMessageBoxes();
  EXPECT_TRUE(sim::ShownMessageBoxes().empty());

  sim::QueueMessageBoxAnswer(kIdYes);
  sim::Reset(sandbox.Root());  // a reset forgets queued answers
  EXPECT_EQ(MessageBoxA(0, "x", "y", kMbYesNo), kIdNo);
  EXPECT_EQ(MessageBoxA(0, "x", "y", kMbOk), kIdOk);
}

}  // namespace
}  // namespace platform
