#include "midi/ModificationFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

constexpr const char* kHome = "C:\\KORVEL";
const std::string kMark = "\xA7";

ModificationPreset Preset(const char* name, const Modification& m) {
  ModificationPreset preset;
  std::strncpy(preset.name, name, kPresetNameSize - 1);
  preset.modification = m;
  return preset;
}

Modification Bytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4,
                   std::uint8_t b5, std::uint8_t b6, std::uint8_t b7) {
  const std::uint8_t bytes[kModificationSize] = {b0, b1, b2, b3, b4, b5, b6, b7};
  return DecodeModification(bytes);
}

class ModificationFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::CreateDirectoryA(kHome));
    platform::sim::ClearShownMessageBoxes();
  }

  static std::string HostOf(const char* file) { return platform::sim::HostPath((std::string(kHome) + file).c_str()); }

  static void WriteHost(const char* file, const std::string& contents) {
    std::ofstream out(HostOf(file), std::ios::binary);
    out << contents;
  }

  static std::string ReadHost(const char* file) {
    std::ifstream in(HostOf(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static bool Exists(const char* file) { return std::ifstream(HostOf(file), std::ios::binary).good(); }

  // Reads the presets; what they were read from stays in read_.
  ModificationPresetList Load() {
    ModificationPresetList presets;
    LoadModificationPresets(kHome, presets, read_);
    return presets;
  }
  // Writes a list that was not read from a file.
  static PresetSaveResult SaveNew(const char* home, ModificationPresetList& presets) {
    return SaveModificationPresets(home, presets, PresetFileText());
  }

  PresetFileText read_;

  platform::sim::Sandbox sandbox_;
};

TEST_F(ModificationFileTest, ReadsHandWrittenUserFile) {
  WriteHost(kUserPresetFile,
            kMark + "Octave_up 90 90 0 12 0 15 115 0\n" +
            kMark + "Wheel_to_CC_1 e0 B0 0 1 128 9 127 -128\n" +
            kMark + "Prefixed 0x90 0X80 0x10 -1 010 0xf 255 127\n");
  WriteHost(kFactoryPresetFile, kMark + "Factory 90 90 0 0 0 15 0 0\n");
  const ModificationPresetList presets = Load();
  ASSERT_EQ(presets.size(), 3u);
  EXPECT_STREQ(presets[0].name, "Octave up");
  EXPECT_TRUE(SameModification(presets[0].modification, Bytes(0x90, 0x90, 0, 12, 0, 15, 115, 0)));
  EXPECT_STREQ(presets[1].name, "Wheel to CC 1");
  EXPECT_TRUE(SameModification(presets[1].modification, Bytes(0xE0, 0xB0, 0, 1, 0x80, 9, 127, 0x80)));
  EXPECT_EQ(presets[1].modification.targetHigh, -128);
  // Integer prefixes: 0x hexadecimal, leading 0 octal; -1 is stored as 0xFF.
  EXPECT_STREQ(presets[2].name, "Prefixed");
  EXPECT_TRUE(SameModification(presets[2].modification, Bytes(0x90, 0x80, 0x10, 0xFF, 8, 15, 255, 127)));
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
}

TEST_F(ModificationFileTest, FactoryFileOnlyWithoutUserFile) {
  WriteHost(kFactoryPresetFile, kMark + "Factory_one 90 90 0 0 0 15 0 0\n");
  ModificationPresetList presets = Load();
  ASSERT_EQ(presets.size(), 1u);
  EXPECT_STREQ(presets[0].name, "Factory one");

  // An empty user file wins over the factory file.
  WriteHost(kUserPresetFile, "");
  EXPECT_TRUE(Load().empty());
}

TEST_F(ModificationFileTest, NeitherFileGivesEmptyListSilently) {
  ModificationPresetList presets;
  presets.push_back(Preset("stale", DefaultModification()));
  LoadModificationPresets(kHome, presets, read_);
  EXPECT_TRUE(presets.empty());
  EXPECT_EQ(read_.found, FileFound::kMissing);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
}

TEST_F(ModificationFileTest, ValuesTakeTheirLowEightBits) {
  WriteHost(kUserPresetFile, kMark + "Big 190 1ff 256 -129 300 -1 511 128\n");
  const ModificationPresetList presets = Load();
  ASSERT_EQ(presets.size(), 1u);
  EXPECT_TRUE(SameModification(presets[0].modification, Bytes(0x90, 0xFF, 0, 0x7F, 44, 0xFF, 0xFF, 0x80)));
}

// Lines that are no presets are kept where they stand and written back as
// they were, as are the presets the user left alone; a preset the user
// changed or added is written in the file's own form.
TEST_F(ModificationFileTest, BadLinesAreSkippedAndKeptAndSoundOnesRead) {
  const std::string longName(64, 'n');
  const std::string maxName(63, 'm');
  const std::string longLine = kMark + "Long " + std::string(260, ' ') + "90 90 0 0 0 15 0 0\n";
  const std::string head = kMark + "Good1 90 90 0 0 0 15 0 0\n" +
                           "# no marker 90 90 0 0 0 15 0 0\n" +
                           kMark + "Short 90 90 0 0 0 15\n" +
                           kMark + "Letters 90 zz 0 0 0 15 0 0\n" +
                           kMark + "\n" +
                           "\r\n" +
                           kMark + longName + " 90 90 0 0 0 15 0 0\n";
  const std::string max = kMark + maxName + " 90 90 1 0 0 15 0 0\n";
  const std::string odd = longLine + std::string("\xA7Nul\0 90 90 0 0 0 15 0 0\n", 25) + "\x01\xFF\x80\xA7\xA7\n";
  const std::string good2 = kMark + "Good2 0x80 80 2 0 0 15 0 0 trailing words\n";
  const std::string last = kMark + "Last_no_feed b0 b0 1 7 0 15 1 0";
  const std::string file = head + max + odd + good2 + last;
  WriteHost(kUserPresetFile, file);
  ModificationPresetList presets = Load();
  EXPECT_EQ(read_.found, FileFound::kWhole);
  ASSERT_EQ(presets.size(), 4u);
  EXPECT_STREQ(presets[0].name, "Good1");
  EXPECT_STREQ(presets[1].name, maxName.c_str());
  EXPECT_EQ(presets[1].modification.sourceLow, 1);
  EXPECT_STREQ(presets[2].name, "Good2");
  EXPECT_STREQ(presets[3].name, "Last no feed");
  EXPECT_TRUE(SameModification(presets[3].modification, Bytes(0xB0, 0xB0, 1, 7, 0, 15, 1, 0)));

  ModificationPresetList same = presets;
  ASSERT_EQ(SaveModificationPresets(kHome, same, read_), PresetSaveResult::Written);
  EXPECT_EQ(ReadHost(kUserPresetFile), file);

  // Good1 deleted, Good2 changed, one added at the end.
  presets.erase(presets.begin());
  presets[1].modification.sourceLow = 3;
  presets.push_back(Preset("New one", DefaultModification()));
  ASSERT_EQ(SaveModificationPresets(kHome, presets, read_), PresetSaveResult::Written);
  EXPECT_EQ(ReadHost(kUserPresetFile), head.substr((kMark + "Good1 90 90 0 0 0 15 0 0\n").size()) + max + odd +
                                           kMark + "Good2 80 80 3 0 0 15 0 0\n" + last + "\n" +
                                           kMark + "New_one 90 90 0 0 0 15 0 0\n");
}

TEST_F(ModificationFileTest, TruncatedFilesNeverReadPastTheEnd) {
  const std::string whole = kMark + "Cut 90 90 0 0 0 15 0 0\n";
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    const std::string part = whole.substr(0, length);
    // Exactly-sized heap copy, so the sanitizer sees any read past it.
    std::unique_ptr<char[]> data(new char[length == 0 ? 1 : length]);
    std::memcpy(data.get(), part.data(), length);
    ModificationPresetList presets;
    DecodeModificationPresets(data.get(), length, presets);
    // Only a line that reaches its last number is read.
    EXPECT_EQ(presets.size(), length >= whole.size() - 1 ? 1u : 0u) << length;
  }
  // A lone marker as the last byte counts for nothing.
  ModificationPresetList presets;
  DecodeModificationPresets("\xA7", 1, presets);
  EXPECT_TRUE(presets.empty());
}

TEST_F(ModificationFileTest, WritesExactBytesAndRemovesFactoryFile) {
  WriteHost(kFactoryPresetFile, kMark + "Factory 90 90 0 0 0 15 0 0\n");
  ModificationPresetList presets;
  presets.push_back(Preset("Octave up", Bytes(0x90, 0x90, 0, 12, 0, 15, 115, 0)));
  presets.push_back(Preset("Wheel", Bytes(0xE0, 0xB0, 255, 0x80, 0x83, 9, 127, 0xFF)));
  presets.push_back(Preset("Drop all", Bytes(0x00, 0x00, 0, 0, 1, 15, 127, 127)));
  EXPECT_EQ(SaveNew(kHome, presets), PresetSaveResult::Written);
  EXPECT_TRUE(presets.empty());
  const std::string expected =
      "\xA7Octave_up 90 90 0 12 0 15 115 0\n"
      "\xA7Wheel e0 b0 255 -128 131 9 127 -1\n"
      "\xA7" "Drop_all 0 0 0 0 1 15 127 127\n";
  EXPECT_EQ(ReadHost(kUserPresetFile), expected);
  EXPECT_FALSE(Exists(kFactoryPresetFile));
  EXPECT_FALSE(Exists("\\mods.txt.new"));

  // And it reads back with blanks in the names.
  const ModificationPresetList back = Load();
  ASSERT_EQ(back.size(), 3u);
  EXPECT_STREQ(back[2].name, "Drop all");
  EXPECT_TRUE(SameModification(back[1].modification, Bytes(0xE0, 0xB0, 255, 0x80, 0x83, 9, 127, 0xFF)));
}

// A user's file that is there but cannot be read is not passed over for
// the factory file, and nothing is written over it.
TEST_F(ModificationFileTest, AUserFileThatCannotBeReadIsNeverWrittenOver) {
  WriteHost(kFactoryPresetFile, kMark + "Factory 90 90 0 0 0 15 0 0\n");
  ASSERT_TRUE(platform::CreateDirectoryA((std::string(kHome) + kUserPresetFile).c_str()));
  ModificationPresetList presets = Load();
  EXPECT_TRUE(presets.empty());
  EXPECT_EQ(read_.found, FileFound::kDamaged);
  presets.push_back(Preset("Added", DefaultModification()));
  WriteFailure failure;
  EXPECT_EQ(SaveModificationPresets(kHome, presets, read_, &failure), PresetSaveResult::Failed);
  EXPECT_EQ(failure.path, std::string(kHome) + kUserPresetFile);
  EXPECT_FALSE(failure.reason.empty());
  EXPECT_EQ(presets.size(), 1u);
  EXPECT_TRUE(Exists(kFactoryPresetFile));
  EXPECT_FALSE(Exists("\\mods.txt.new"));
}

TEST_F(ModificationFileTest, BlanksBecomeUnderscoresInTheList) {
  ModificationPresetList presets;
  presets.push_back(Preset("a b  c", DefaultModification()));
  // The file never holds a blank inside a name, which would end it.
  EXPECT_EQ(EncodeModificationPresets(presets), "\xA7" "a_b__c 90 90 0 0 0 15 0 0\n");
  // A write that fails keeps the list, with its names already converted.
  platform::sim::SetFileCreationFails(true);
  EXPECT_EQ(SaveNew(kHome, presets), PresetSaveResult::Failed);
  platform::sim::SetFileCreationFails(false);
  ASSERT_EQ(presets.size(), 1u);
  EXPECT_STREQ(presets[0].name, "a_b__c");
}

TEST_F(ModificationFileTest, FailedWritesKeepOldFilesAndPresets) {
  const std::string oldUser = kMark + "Old 90 90 0 0 0 15 0 0\n";
  const std::string factory = kMark + "Factory 90 90 0 0 0 15 0 0\n";
  WriteHost(kUserPresetFile, oldUser);
  WriteHost(kFactoryPresetFile, factory);
  ModificationPresetList presets;
  for (int i = 0; i < 20; ++i) presets.push_back(Preset(("New" + std::to_string(i)).c_str(), DefaultModification()));

  struct Fault {
    const char* what;
    void (*set)();
  } faults[] = {
      {"disk full", [] { platform::sim::SetFileWriteLimit(40); }},
      {"no file", [] { platform::sim::SetFileCreationFails(true); }},
      {"replace fails", [] { platform::sim::SetReplaceFails(true); }},
  };
  for (const Fault& fault : faults) {
    fault.set();
    EXPECT_EQ(SaveNew(kHome, presets), PresetSaveResult::Failed) << fault.what;
    platform::sim::SetFileWriteLimit(-1);
    platform::sim::SetFileCreationFails(false);
    platform::sim::SetReplaceFails(false);
    EXPECT_EQ(presets.size(), 20u) << fault.what;
    EXPECT_EQ(ReadHost(kUserPresetFile), oldUser) << fault.what;
    EXPECT_EQ(ReadHost(kFactoryPresetFile), factory) << fault.what;
    EXPECT_FALSE(Exists("\\mods.txt.new")) << fault.what;
    EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  }
  // Without the fault the same list is written in full.
  EXPECT_EQ(SaveNew(kHome, presets), PresetSaveResult::Written);
  EXPECT_EQ(Load().size(), 20u);
  EXPECT_FALSE(Exists(kFactoryPresetFile));
}

TEST_F(ModificationFileTest, HomeFolderWithTrailingSeparator) {
  ModificationPresetList presets;
  presets.push_back(Preset("Root", DefaultModification()));
  ASSERT_EQ(SaveNew("C:\\", presets), PresetSaveResult::Written);
  ModificationPresetList back;
  LoadModificationPresets("C:", back, read_);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_STREQ(back[0].name, "Root");
}

TEST_F(ModificationFileTest, PresetNamesForModifications) {
  ModificationPresetList presets;
  presets.push_back(Preset("First", Bytes(0x90, 0x90, 0, 12, 0, 15, 115, 0)));
  presets.push_back(Preset("Second", Bytes(0x90, 0x90, 0, 12, 0, 15, 115, 0)));
  presets.push_back(Preset("Other", Bytes(0x90, 0x90, 0, 12, 0, 15, 115, 1)));
  const Modification m = Bytes(0x90, 0x90, 0, 12, 0, 15, 115, 0);
  EXPECT_EQ(FindPresetForModification(presets, m), &presets[0]);
  EXPECT_EQ(ModificationDisplayName(presets, m, 3), "First");
  EXPECT_EQ(FindPresetForModification(presets, DefaultModification()), nullptr);
  EXPECT_EQ(ModificationDisplayName(presets, DefaultModification(), 3), "Mod 3");
}

TEST_F(ModificationFileTest, ShippedFactoryFileLoads) {
  std::ifstream in(KORVEL_RESOURCES_DIR "/factmods.txt", std::ios::binary);
  ASSERT_TRUE(in.good());
  const std::string shipped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  WriteHost(kFactoryPresetFile, shipped);
  const ModificationPresetList presets = Load();
  // Every line of the shipped file is a sound preset.
  std::size_t lines = 0;
  for (char c : shipped) lines += c == '\n';
  ASSERT_GE(presets.size(), 5u);
  EXPECT_EQ(presets.size(), lines);
  EXPECT_EQ(shipped.back(), '\n');

  const ModificationPreset* up = nullptr;
  const ModificationPreset* channelOne = nullptr;
  for (const ModificationPreset& preset : presets) {
    if (std::strcmp(preset.name, "Octave up") == 0) up = &preset;
    if (std::strcmp(preset.name, "Channel 1 only") == 0) channelOne = &preset;
  }
  ASSERT_NE(up, nullptr);
  ASSERT_NE(channelOne, nullptr);
  ModificationList list;
  ASSERT_EQ(AddModificationCopy(list, up->modification), 0);
  EXPECT_EQ(ApplyModifications(list, 0x643C93u), 0x644893u);  // note 60 -> 72 on channel 4
  ModificationList filter;
  ASSERT_EQ(AddModificationCopy(filter, channelOne->modification), 0);
  EXPECT_EQ(ApplyModifications(filter, 0x643C90u), 0x643C90u);
  EXPECT_TRUE(IsDroppedMessage(ApplyModifications(filter, 0x643C91u)));
  // Writing the list again gives the shipped bytes back.
  EXPECT_EQ(SaveModificationPresets(kHome, const_cast<ModificationPresetList&>(presets), read_), PresetSaveResult::Written);
  EXPECT_EQ(ReadHost(kUserPresetFile), shipped);
}

// Every name a preset can have reads back: a tab or line end would end it,
// an empty one would make the line unreadable.
TEST_F(ModificationFileTest, EveryStoredNameReadsBack) {
  ModificationPresetList presets;
  presets.push_back(Preset("Tab\there", DefaultModification()));
  presets.push_back(Preset("", Bytes(0xB0, 0xB0, 1, 7, 0, 15, 1, 0)));
  presets.push_back(Preset("Line\rend", DefaultModification()));
  ASSERT_EQ(SaveNew(kHome, presets), PresetSaveResult::Written);
  const ModificationPresetList back = Load();
  ASSERT_EQ(back.size(), 3u);
  EXPECT_STREQ(back[0].name, "Tab here");
  EXPECT_STREQ(back[1].name, " ");
  EXPECT_TRUE(SameModification(back[1].modification, Bytes(0xB0, 0xB0, 1, 7, 0, 15, 1, 0)));
  EXPECT_STREQ(back[2].name, "Line end");
}

// A file of many megabytes is read whole, however many presets and other
// lines it holds, and written back whole.
TEST_F(ModificationFileTest, AHugeFileIsReadAndWrittenWhole) {
  const std::string line = kMark + "Fill 90 90 0 12 0 15 127 0\n";
  std::string huge;
  std::size_t fills = 0;
  for (; huge.size() < 3 * 1024 * 1024; ++fills) {
    huge += line;
    if (fills % 1000 == 0) huge += "# note " + std::to_string(fills) + "\n";
  }
  huge += kMark + "Last 90 90 0 7 0 15 127 0\n";
  WriteHost(kUserPresetFile, huge);

  ModificationPresetList presets = Load();
  ASSERT_EQ(presets.size(), fills + 1);
  EXPECT_STREQ(presets.back().name, "Last");
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  presets.push_back(Preset("Added", DefaultModification()));
  ASSERT_EQ(SaveModificationPresets(kHome, presets, read_), PresetSaveResult::Written);
  EXPECT_EQ(ReadHost(kUserPresetFile), huge + kMark + "Added 90 90 0 0 0 15 0 0\n");
}

}  // namespace
}  // namespace korvel
