// Refreshing slots from the devices: assignment marking, display names,
// sizes from the files, and the search of the bank folders for a loaded bank
// whose file is unknown (folder and file order, drives, what is skipped, and
// that a shared search finds what separate searches find).
#include <gtest/gtest.h>

#include <cstring>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "banks/BankFolders.h"
#include "banks/BankLoading.h"
#include "tests/unit/BankLayerTestSupport.h"

namespace korvel {
namespace {

constexpr int kCard = 0;
constexpr int kFont = 1;

std::string CurrentDirectory() {
  char buffer[260] = {};
  platform::GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

class BankRefreshTest : public testsupport::BankLayerTest {
 protected:
  // Device 0 an EWS64 card, device 1 a SoundFont device of the AWE manager
  // (which reports no bank paths, so its banks are looked up too).
  void StartBoth() {
    Start("ews64.cards=1\nsoundfont.devices=1\n", UseEWS64 | UseAWE32);
    ASSERT_EQ(layer.Count(), 2);
    ASSERT_EQ(layer.Device(kFont).kind, kKindSoundFont);
  }
  // Loads the file into the slot, then forgets its path as if another
  // program had loaded it.
  void LoadUnnamed(int dev, int slot, const std::string& path) {
    ASSERT_EQ(LoadBank(layer, dev, slot, path.c_str()), kErrOk) << path;
    layer.Device(dev).paths[slot][0] = '\0';
  }
  std::string Refresh(int dev, int slot, int keepAssigned = 0) {
    RefreshSlot(layer, dev, slot, Slot(dev, slot), keepAssigned);
    return PathOf(dev, slot);
  }
};

TEST_F(BankRefreshTest, SearchTakesTheFirstMatchInFolderThenFileOrder) {
  StartBoth();
  SoundSet("C:\\Banks\\a.tts", "Alpha");
  SoundSet("D:\\More\\b.tts", "Beta");
  SoundSet("D:\\More\\c.tts", "ALPHA");
  SoundSet("D:\\More\\a2.tts", "alpha");
  SoundSet("E:\\Src\\alpha.tts", "Alpha");
  LoadUnnamed(kCard, 0, "E:\\Src\\alpha.tts");

  SetFolders("C:\\Banks;D:\\More\\");
  EXPECT_EQ(Refresh(kCard, 0), "a.tts");
  EXPECT_EQ(CurrentDirectory(), "C:\\Banks");

  layer.Device(kCard).paths[0][0] = '\0';
  SetFolders("D:\\More;C:\\Banks");
  EXPECT_EQ(Refresh(kCard, 0), "a2.tts");  // listed first; names compared ignoring case
  EXPECT_EQ(CurrentDirectory(), "D:\\More");

  layer.Device(kCard).paths[0][0] = '\0';
  SetFolders("C:\\Nothing;D:\\More");
  std::filesystem::create_directories(Host("C:\\Nothing"));
  Slot(kCard, 0).sizeKB = 0;
  EXPECT_EQ(Refresh(kCard, 0), "a2.tts");
  EXPECT_EQ(Slot(kCard, 0).sizeKB, 2);  // as the card reports it
}

// Bank names are kept between searches; a file written since is read again.
TEST_F(BankRefreshTest, ABankFileWrittenSinceTheLastSearchIsReadAgain) {
  StartBoth();
  SoundSet("C:\\Banks\\a.tts", "Alpha");
  SoundSet("E:\\Src\\beta.tts", "Beta");
  LoadUnnamed(kCard, 0, "E:\\Src\\beta.tts");
  SetFolders("C:\\Banks");
  EXPECT_EQ(Refresh(kCard, 0), "");

  const std::filesystem::path host = Host("C:\\Banks\\a.tts");
  const auto written = std::filesystem::last_write_time(host);
  SoundSet("C:\\Banks\\a.tts", "Beta");
  // File times are coarse: make sure the new one differs, as it would later.
  std::filesystem::last_write_time(host, written + std::chrono::seconds(2));
  EXPECT_EQ(Refresh(kCard, 0), "a.tts");
}

// What a search listed is kept for the next one; files added, removed,
// renamed or rewritten since are found as a first search would find them.
TEST_F(BankRefreshTest, LaterSearchesFollowTheFolderAsItChanges) {
  StartBoth();
  SoundSet("C:\\Banks\\a.tts", "Alpha");
  SoundSet("C:\\Banks\\b.tts", "Beta");
  SoundSet("C:\\Banks\\c.tts", "Gamma");
  LoadUnnamed(kCard, 0, SoundSet("E:\\Src\\beta.tts", "Beta"));
  LoadUnnamed(kCard, 1, SoundSet("E:\\Src\\zeta.tts", "Zeta"));
  SetFolders("C:\\Banks");
  RefreshAllSlots(layer, true);
  EXPECT_EQ(PathOf(kCard, 0), "b.tts");
  EXPECT_EQ(PathOf(kCard, 1), "");  // every file passed: the next search may look names up

  const auto again = [&] {
    layer.Device(kCard).paths[0][0] = '\0';
    RefreshAllSlots(layer, true);
    return PathOf(kCard, 0);
  };
  SoundSet("C:\\Banks\\0.tts", "Beta");
  EXPECT_EQ(again(), "0.tts");
  std::filesystem::remove(Host("C:\\Banks\\0.tts"));
  std::filesystem::rename(Host("C:\\Banks\\b.tts"), Host("C:\\Banks\\d.tts"));
  EXPECT_EQ(again(), "d.tts");

  const std::filesystem::path host = Host("C:\\Banks\\c.tts");
  const auto written = std::filesystem::last_write_time(host);
  SoundSet("C:\\Banks\\c.tts", "Beta");
  std::filesystem::last_write_time(host, written + std::chrono::seconds(2));
  EXPECT_EQ(again(), "c.tts");
  EXPECT_EQ(PathOf(kCard, 1), "");
}

TEST_F(BankRefreshTest, FoldersThatCannotBeEnteredArePassedOver) {
  StartBoth();
  SoundSet("E:\\Src\\alpha.tts", "Alpha");
  SoundSet("E:\\Elsewhere\\x.tts", "Alpha");
  SoundSet("C:\\Banks\\y.tts", "Alpha");
  LoadUnnamed(kCard, 0, "E:\\Src\\alpha.tts");
  platform::sim::SetCurrentDirectory("E:\\Elsewhere");

  // Neither a missing folder nor a drive that does not exist lists the
  // folder that happens to be current.
  SetFolders("\\Missing;C:\\Missing;Q:\\Banks;7:\\x");
  EXPECT_EQ(Refresh(kCard, 0), "");

  SetFolders("C:\\Missing;C:\\Banks");
  EXPECT_EQ(Refresh(kCard, 0), "y.tts");
}

TEST_F(BankRefreshTest, FolderWithoutDriveIsOnTheDriveLastEntered) {
  StartBoth();
  SoundSet("E:\\Src\\alpha.tts", "Alpha");
  SoundSet("C:\\Banks\\onc.tts", "Alpha");
  SoundSet("D:\\Banks\\ond.tts", "Alpha");
  std::filesystem::create_directories(Host("D:\\Other"));
  LoadUnnamed(kCard, 0, "E:\\Src\\alpha.tts");

  platform::sim::SetCurrentDirectory("C:\\");
  SetFolders("\\Banks");
  EXPECT_EQ(Refresh(kCard, 0), "onc.tts");

  // Entering D:\Other first puts "\Banks" on D:.
  layer.Device(kCard).paths[0][0] = '\0';
  platform::sim::SetCurrentDirectory("C:\\");
  SetFolders("D:\\Other;\\Banks");
  EXPECT_EQ(Refresh(kCard, 0), "ond.tts");
  EXPECT_EQ(CurrentDirectory(), "D:\\Banks");
}

TEST_F(BankRefreshTest, EachKindSearchesItsOwnFiles) {
  StartBoth();
  SetFolders("C:\\Banks");
  SoundSet("E:\\Src\\tone.tts", "Tone");
  SoundFont("E:\\Src\\tone.sf2", "Tone");
  SoundFont("C:\\Banks\\a-font.sf2", "Tone");
  SoundSet("C:\\Banks\\b-set.tts", "Tone");
  LoadUnnamed(kCard, 1, "E:\\Src\\tone.tts");
  LoadUnnamed(kFont, 1, "E:\\Src\\tone.sf2");

  EXPECT_EQ(Refresh(kCard, 1), "b-set.tts");
  EXPECT_EQ(Refresh(kFont, 1), "a-font.sf2");
}

TEST_F(BankRefreshTest, WhenThereIsNoSearch) {
  StartBoth();
  SoundSet("C:\\Banks\\a.tts", "Alpha");
  SoundSet("E:\\Src\\alpha.tts", "Alpha");
  SoundFont("C:\\Banks\\rom.sf2", "Synth GM Bank");  // the built-in bank's name

  // An empty folder list.
  LoadUnnamed(kCard, 0, "E:\\Src\\alpha.tts");
  EXPECT_EQ(Refresh(kCard, 0), "");

  SetFolders("C:\\Banks");
  // A slot with a path has it shortened instead.
  std::strcpy(layer.Device(kCard).paths[0], "c:\\banks\\Other.tts");
  EXPECT_EQ(Refresh(kCard, 0), "Other.tts");
  // The built-in bank of a SoundFont device.
  EXPECT_EQ(Refresh(kFont, 0), "");
  EXPECT_TRUE(Slot(kFont, 0).Has(Loaded));
  // A slot that holds nothing.
  EXPECT_EQ(Refresh(kCard, 5), "");
  EXPECT_FALSE(Slot(kCard, 5).Has(Loaded));
  // A bank without a name would match any file whose name could not be read.
  BankFolderSearch search(layer);
  char found[kPathEntrySize] = "";
  EXPECT_FALSE(search.Find(kCard, "", found, sizeof found));
  EXPECT_EQ(search.FilesRead(), 0u);
}

TEST_F(BankRefreshTest, FileNamesTooLongForAPathEntryAreNotStored) {
  StartBoth();
  SetFolders("C:\\Banks");
  SoundSet("E:\\Src\\alpha.tts", "Alpha");
  const std::string longName = std::string(60, 'a') + ".tts";  // 64 characters
  SoundSet("C:\\Banks\\" + longName, "Alpha");
  SoundSet("C:\\Banks\\b.tts", "Alpha");
  LoadUnnamed(kCard, 0, "E:\\Src\\alpha.tts");
  EXPECT_EQ(Refresh(kCard, 0), "b.tts");

  const std::string fits = std::string(59, 'a') + ".tts";  // 63
  SoundSet("C:\\Banks\\" + fits, "Alpha");
  layer.Device(kCard).paths[0][0] = '\0';
  EXPECT_EQ(Refresh(kCard, 0), fits);
}

TEST_F(BankRefreshTest, AssignedMarkingAndFixedViews) {
  StartBoth();
  ASSERT_EQ(LoadBank(layer, kCard, 0, SoundSet("C:\\Banks\\a.tts", "Alpha").c_str()), kErrOk);
  Slot(kCard, 0).flags &= static_cast<std::uint8_t>(~Assigned);
  Refresh(kCard, 0, 1);
  EXPECT_FALSE(Slot(kCard, 0).Has(Assigned));
  Refresh(kCard, 0, 3);
  EXPECT_FALSE(Slot(kCard, 0).Has(Assigned));
  Refresh(kCard, 0, 2);  // only bit 0 counts
  EXPECT_TRUE(Slot(kCard, 0).Has(Assigned));

  // An empty slot is not marked.
  Refresh(kCard, 4, 0);
  EXPECT_FALSE(Slot(kCard, 4).Has(Assigned));

  // In virtual bank mode the views of the physical banks are always
  // assigned, empty or not.
  SetVirtualBankMode(true);
  Slot(kCard, 121).flags &= static_cast<std::uint8_t>(~Assigned);
  Refresh(kCard, 121, 1);
  EXPECT_TRUE(Slot(kCard, 121).Has(Fixed));
  EXPECT_FALSE(Slot(kCard, 121).Has(Loaded));
  EXPECT_TRUE(Slot(kCard, 121).Has(Assigned));
}

TEST_F(BankRefreshTest, ShortNamesShowTheFileTitle) {
  StartBoth();
  ASSERT_EQ(LoadBank(layer, kCard, 0, SoundSet("C:\\Banks\\strings.tts", "X").c_str()), kErrOk);
  EXPECT_STREQ(Slot(kCard, 0).name, "Strings");
  ASSERT_EQ(LoadBank(layer, kFont, 3, SoundFont("C:\\Banks\\pad.sf2", "User Bank").c_str()), kErrOk);
  EXPECT_STREQ(Slot(kFont, 3).name, "Pad");
}

TEST_F(BankRefreshTest, SizeComesFromTheFileWhenTheDeviceGivesNone) {
  StartBoth();
  SetVirtualBankMode(true);
  SetFolders("C:\\Banks");
  SoundSet("C:\\Banks\\Piano.tts", "Piano", 5000);
  // A virtual slot without a physical bank: the device has nothing to say.
  std::strcpy(layer.Device(kCard).paths[30], "Piano.tts");
  Refresh(kCard, 30);
  EXPECT_EQ(Slot(kCard, 30).sizeKB, 4);
  EXPECT_FALSE(Slot(kCard, 30).Has(Loaded));

  // A file beyond 64 MB shows the largest size a slot can hold.
  SoundSet("C:\\Banks\\Huge.tts", "Huge");
  std::filesystem::resize_file(Host("C:\\Banks\\Huge.tts"), 200ull << 20);
  std::strcpy(layer.Device(kCard).paths[31], "Huge.tts");
  Refresh(kCard, 31);
  EXPECT_EQ(Slot(kCard, 31).sizeKB, 0xFFFF);

  // A path that cannot be found leaves the size at 0.
  std::strcpy(layer.Device(kCard).paths[32], "Gone.tts");
  Refresh(kCard, 32);
  EXPECT_EQ(Slot(kCard, 32).sizeKB, 0);
}

TEST_F(BankRefreshTest, RefreshAllGoesInDeviceOrderUpToTheFirstClosedDevice) {
  StartBoth();
  SetFolders("C:\\Banks");
  SoundSet("C:\\Banks\\a.tts", "Alpha");
  SoundFont("C:\\Banks\\f.sf2", "Font");
  LoadUnnamed(kCard, 2, "C:\\Banks\\a.tts");
  LoadUnnamed(kFont, 2, "C:\\Banks\\f.sf2");
  Slot(kCard, 2).flags &= static_cast<std::uint8_t>(~Assigned);
  Slot(kFont, 2).flags &= static_cast<std::uint8_t>(~Assigned);

  layer.CloseAllSoundFontDevices();
  RefreshAllSlots(layer, true);
  EXPECT_EQ(PathOf(kCard, 2), "a.tts");
  EXPECT_TRUE(Slot(kCard, 2).Has(Assigned));
  EXPECT_EQ(PathOf(kFont, 2), "");
  EXPECT_FALSE(Slot(kFont, 2).Has(Assigned));

  layer.OpenAllSoundFontDevices();
  RefreshAllSlots(layer, false);
  EXPECT_EQ(PathOf(kFont, 2), "f.sf2");
  EXPECT_FALSE(Slot(kFont, 2).Has(Assigned));
  RefreshAllSlots(layer, true);
  EXPECT_TRUE(Slot(kFont, 2).Has(Assigned));
}

TEST_F(BankRefreshTest, RefreshAllStopsAtAClosedDeviceBeforeAnOpenOne) {
  Start("ews64.cards=0\nsoundfont.devices=2\n", UseAWE32);
  ASSERT_EQ(layer.Count(), 2);
  SetFolders("C:\\Banks");
  SoundFont("C:\\Banks\\f.sf2", "Font");
  LoadUnnamed(0, 1, "C:\\Banks\\f.sf2");
  LoadUnnamed(1, 1, "C:\\Banks\\f.sf2");
  layer.CloseDeviceAccess(0);
  RefreshAllSlots(layer, true);
  EXPECT_EQ(PathOf(0, 1), "");
  EXPECT_EQ(PathOf(1, 1), "");
}

TEST_F(BankRefreshTest, SearchReadsEachFileOnceAndKeepsTheErrorState) {
  StartBoth();
  SetFolders("C:\\Banks");
  for (int i = 0; i < 5; ++i)
    SoundSet("C:\\Banks\\n" + std::to_string(i) + ".tts", "Name" + std::to_string(i));
  SoundSet("C:\\Banks\\" + std::string(70, 'z') + ".tts", "Name9");

  BankFolderSearch search(layer);
  char found[kPathEntrySize] = "";
  EXPECT_TRUE(search.Find(kCard, "name3", found, sizeof found));
  EXPECT_STREQ(found, "n3.tts");
  EXPECT_EQ(search.FilesRead(), 4u);
  EXPECT_TRUE(search.Find(kCard, "Name1", found, sizeof found));
  EXPECT_STREQ(found, "n1.tts");
  EXPECT_EQ(search.FilesRead(), 4u);

  // A file gone since the folder was listed cannot be read: it is no match,
  // and neither the error code nor the failing file changes.
  std::filesystem::remove(Host("C:\\Banks\\n4.tts"));
  layer.KeepFailingFile("Earlier.tts");
  errors.ErrorCode = kErrOk;
  EXPECT_FALSE(search.Find(kCard, "Name4", found, sizeof found));
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_STREQ(errors.failingFile, "Earlier.tts");
  EXPECT_EQ(search.FilesRead(), 5u);  // the overlong name is never read
  EXPECT_FALSE(search.Find(kCard, "Name9", found, sizeof found));
  EXPECT_EQ(search.FilesRead(), 5u);
}

// One search shared by every slot finds what a separate search per slot
// finds, with the same current folder at the end, on random layouts.
TEST_F(BankRefreshTest, SharedSearchAgreesWithSeparateSearches) {
  StartBoth();
  const std::vector<std::string> folders = {"C:\\F0", "D:\\F1", "\\F2", "C:\\F3"};
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    std::mt19937 random(seed);
    const std::string root = "R" + std::to_string(seed);
    std::string list;
    for (const std::string& folder : folders) {
      list += (list.empty() ? "" : ";") + folder + root;
      for (const char* drive : {"C:", "D:"}) {
        const std::string where = folder[0] == '\\' ? drive + folder + root : folder + root;
        std::filesystem::create_directories(Host(where));
        for (int i = 0; i < 6; ++i) {
          const std::string name = "N" + std::to_string(random() % 12);
          const std::string file = where + "\\f" + std::to_string(random() % 40);
          SoundSet(file + ".tts", name);
          SoundFont(file + ".sf2", name);
        }
      }
    }
    SetFolders(list);
    for (int slot = 0; slot < 8; ++slot) {
      const std::string name = "N" + std::to_string(random() % 14);
      LoadUnnamed(kCard, slot, SoundSet("E:\\Src\\" + name + ".tts", name));
      LoadUnnamed(kFont, slot + 1, SoundFont("E:\\Src\\" + name + ".sf2", name));
    }

    platform::sim::SetCurrentDirectory("C:\\");
    RefreshAllSlots(layer, true);
    std::vector<std::string> shared;
    for (int slot = 0; slot < 9; ++slot) shared.push_back(PathOf(kCard, slot) + "|" + PathOf(kFont, slot));
    const std::string sharedFolder = CurrentDirectory();

    for (int slot = 0; slot < 9; ++slot) {
      layer.Device(kCard).paths[slot][0] = '\0';
      if (slot > 0) layer.Device(kFont).paths[slot][0] = '\0';
    }
    platform::sim::SetCurrentDirectory("C:\\");
    for (int dev : {kCard, kFont}) {
      for (int slot = 0; slot < kSlotsPerDevice; ++slot) Refresh(dev, slot, 0);
    }
    std::vector<std::string> separate;
    for (int slot = 0; slot < 9; ++slot) separate.push_back(PathOf(kCard, slot) + "|" + PathOf(kFont, slot));
    EXPECT_EQ(shared, separate) << "seed " << seed;
    EXPECT_EQ(sharedFolder, CurrentDirectory()) << "seed " << seed;

    int found = 0;
    for (const std::string& paths : shared) found += paths != "|" ? 1 : 0;
    EXPECT_GT(found, 0) << "seed " << seed;
    for (int slot = 0; slot < 9; ++slot) {
      UnloadSlot(layer, kCard, slot, kUnloadForget);
      UnloadSlot(layer, kFont, slot, kUnloadForget);
    }
  }
}

}  // namespace
}  // namespace korvel
