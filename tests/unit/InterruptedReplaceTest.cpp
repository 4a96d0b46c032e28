// Windows 95 and 98 replace a file in two steps: delete the old one, then
// move the new one in its place. When the move fails, the ".new" file is the
// only copy of what was saved: it stays, and the readers of the
// configuration and of the modification presets take it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/ConfigurationStore.h"
#include "config/ErrorBox.h"
#include "config/RegistryModule.h"
#include "config/WholeFile.h"
#include "midi/ModificationFile.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

namespace sim = platform::sim;

std::string ReadHost(const std::string& windowsPath) {
  std::ifstream in(sim::HostPath(windowsPath.c_str()), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHost(const std::string& windowsPath, const std::string& bytes) {
  std::ofstream(sim::HostPath(windowsPath.c_str()), std::ios::binary) << bytes;
}

bool HostExists(const std::string& windowsPath) {
  return std::filesystem::exists(sim::HostPath(windowsPath.c_str()));
}

std::string ReadStored(const char* path) {
  std::FILE* file = OpenStoredFile(path);
  if (file == nullptr) return "<none>";
  std::vector<char> bytes;
  ReadWholeFile(file, bytes, 1024);
  std::fclose(file);
  return std::string(bytes.begin(), bytes.end());
}

class InterruptedReplaceTest : public ::testing::Test {
 protected:
  void TearDown() override { sim::SetReplaceDeletesThenFails(false); }
  sim::Sandbox sandbox;
};

TEST_F(InterruptedReplaceTest, TheNewFileStaysWhenTheOldOneIsAlreadyGone) {
  const char* path = "C:\\data.bin";
  WriteHost(path, "old");
  sim::SetReplaceDeletesThenFails(true);
  EXPECT_FALSE(WriteFileReplacing(path, "new", 3));
  EXPECT_FALSE(HostExists(path));
  EXPECT_EQ(ReadHost("C:\\data.bin.new"), "new");
  EXPECT_EQ(ReadStored(path), "new");
  EXPECT_TRUE(StoredFileIsPresent(path));

  // The next save that works puts things right.
  sim::SetReplaceDeletesThenFails(false);
  EXPECT_TRUE(WriteFileReplacing(path, "newer", 5));
  EXPECT_EQ(ReadHost(path), "newer");
  EXPECT_FALSE(HostExists("C:\\data.bin.new"));

  // A file of its own name is always preferred to a ".new" beside it.
  WriteHost("C:\\data.bin.new", "stale");
  EXPECT_EQ(ReadStored(path), "newer");
  EXPECT_EQ(ReadStored("C:\\missing.bin"), "<none>");
  EXPECT_FALSE(StoredFileIsPresent("C:\\missing.bin"));
}

TEST_F(InterruptedReplaceTest, AFailedWriteKeepsTheNewFileThatIsTheOnlyCopy) {
  const char* path = "C:\\data.bin";
  WriteHost("C:\\data.bin.new", "only copy");
  ASSERT_EQ(ReadStored(path), "only copy");
  for (const bool diskFull : {true, false}) {
    sim::SetFileWriteLimit(diskFull ? 2 : -1);
    sim::SetReplaceFails(!diskFull);
    WriteFailure failure;
    EXPECT_FALSE(WriteFileReplacing(path, "changed", 7, &failure));
    EXPECT_EQ(failure.path, path);
    EXPECT_EQ(failure.reason, diskFull ? "No space left on device" : "Permission denied");
    EXPECT_EQ(ReadStored(path), "only copy");
  }
  sim::SetFileWriteLimit(-1);
  sim::SetReplaceFails(false);
}

TEST_F(InterruptedReplaceTest, TheConfigurationIsReadFromItsNewFileAndStaysAFile) {
  RegistryModule registry;
  registry.InitRegistry("Quennet", "Korvel");
  Configuration saved;
  saved.cflags = 0x1234;
  std::strcpy(saved.curpreset, "C:\\KORVEL\\Presets\\1 Live.pre");
  WriteConfiguration(Configuration{}, WindowEdges{}, registry, 2);

  sim::SetReplaceDeletesThenFails(true);
  WriteConfiguration(saved, WindowEdges{5, 6}, registry, 0);
  sim::SetReplaceDeletesThenFails(false);
  ASSERT_FALSE(HostExists("C:\\WINDOWS\\Korvel.cfg"));
  ASSERT_EQ(sim::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(sim::ShownMessageBoxes()[0].text, "Could not write configuration file.");

  Configuration read;
  WindowEdges edges;
  ReadConfiguration(read, edges, registry);
  EXPECT_EQ(read.cflags, 0x1234u);
  EXPECT_STREQ(read.curpreset, saved.curpreset);
  EXPECT_EQ(edges.left, 5);

  // The next shut-down writes the file again, not the registry.
  WriteConfiguration(read, edges, registry, 0);
  EXPECT_EQ(ReadHost("C:\\WINDOWS\\Korvel.cfg").size(), 1012u);
  EXPECT_FALSE(sim::RegistryKeyExists(platform::kHkeyCurrentUser, "SOFTWARE\\Quennet\\Korvel\\"));
  registry.DoneRegistry();
}

TEST_F(InterruptedReplaceTest, ModificationPresetsAreReadFromTheirNewFileBeforeTheFactoryFile) {
  ASSERT_TRUE(platform::CreateDirectoryA("C:\\KORVEL"));
  WriteHost("C:\\KORVEL\\mods.txt", "\xA7Old 90 90 0 0 0 15 0 0\n");
  WriteHost("C:\\KORVEL\\factmods.txt", "\xA7" "Factory 90 90 0 0 0 15 0 0\n");
  ModificationPresetList presets(1);
  std::strcpy(presets[0].name, "Octave Up");
  presets[0].modification.targetValue = 12;

  sim::SetReplaceDeletesThenFails(true);
  EXPECT_EQ(SaveModificationPresets("C:\\KORVEL", presets, PresetFileText()), PresetSaveResult::Failed);
  sim::SetReplaceDeletesThenFails(false);

  ModificationPresetList read;
  PresetFileText file;
  LoadModificationPresets("C:\\KORVEL", read, file);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_STREQ(read[0].name, "Octave Up");
  EXPECT_EQ(read[0].modification.targetValue, 12);
}

}  // namespace
}  // namespace korvel
