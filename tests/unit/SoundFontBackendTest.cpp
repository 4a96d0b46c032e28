// The SoundFont backend against the emulated SoundFont and AWE managers:
// which library is used, the messages when one cannot be used, device names,
// loads, clears, slot and memory reads, and the result table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "banks/BankLoading.h"
#include "tests/unit/DeviceTestSupport.h"

namespace korvel::devtest {
namespace {

namespace sim = platform::sim;
using namespace sfman;

TEST(SoundFontResultTest, ManagerResultsMapToErrorCodes) {
  EXPECT_EQ(ResultToErrorCode(0), kErrOk);
  EXPECT_EQ(ResultToErrorCode(107), kErrFileNotFound);
  EXPECT_EQ(ResultToErrorCode(205), kErrNoSoundMemory);
  for (std::uint32_t other : {1u, 2u, 8u, 106u, 108u, 120u, 122u, 204u, 206u, 0xFFFFFFFFu})
    EXPECT_EQ(ResultToErrorCode(other), kErrBankLoadFailed) << other;
}

class SoundFontTest : public DeviceLayerTest {
 protected:
  // The SoundFont manager alone, or the AWE manager alone.
  void Open(unsigned flags, const std::string& emulatorConfig = "ews64.cards=0\n") {
    config.cflags = flags;
    Install(emulatorConfig);
    OpenAll();
  }
  void LoadInto(int dev, int slot, const std::string& path) {
    layer.OpenDeviceAccess(dev);
    layer.LoadBankFile(dev, slot, path.c_str());
  }
};

TEST_F(SoundFontTest, TheSoundFontManagerIsPreferredAndTheAweManagerNeverLoaded) {
  Open(UseSFD | UseAWE32);
  EXPECT_TRUE(layer.SoundFont().UsesSoundFontManager());
  EXPECT_EQ(sim::LoadedLibraries(), std::vector<std::string>{"SFMAN32.DLL"});
  EXPECT_EQ(layer.Count(), 1);
  EXPECT_TRUE(Boxes().empty());

  layer.SoundFont().ShutdownSoundFontBackend();
  EXPECT_EQ(sim::OpenLibraryCount(), 0);
  EXPECT_EQ(layer.SoundFont().SoundFontDeviceCount(), 0);
}

TEST_F(SoundFontTest, WithoutEitherLibraryThereAreNoDevicesAndNoMessage) {
  config.cflags = UseSFD | UseAWE32;
  EXPECT_EQ(layer.SoundFont().OpenSoundFontBackend(), kErrOk);
  EXPECT_EQ(layer.SoundFont().SoundFontDeviceCount(), 0);
  EXPECT_TRUE(Boxes().empty());
  // Options off: nothing is even tried.
  Install("");
  config.cflags = UseEWS64;
  layer.SoundFont().OpenSoundFontBackend();
  EXPECT_TRUE(sim::LoadedLibraries().empty());
}

TEST_F(SoundFontTest, MissingExportsAreReportedAndTheirLibrariesUnloaded) {
  sim::OverrideExport("SFManager", nullptr);
  Open(UseSFD | UseAWE32);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Could not gain SFMAN procaddress.");
  EXPECT_EQ(Boxes()[0].caption, "Korvel");
  // The AWE manager steps in.
  EXPECT_TRUE(layer.SoundFont().UsesAweManager());
  EXPECT_EQ(sim::OpenLibraryCount(), 1);
  EXPECT_EQ(layer.Count(), 1);

  CloseAll();
  sim::ClearShownMessageBoxes();
  sim::OverrideExport("AWEManager", nullptr);
  layer.SoundFont().OpenSoundFontBackend();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].text, "Could not gain AWEMAN procaddress.");
  EXPECT_EQ(sim::OpenLibraryCount(), 0);
  EXPECT_EQ(layer.SoundFont().SoundFontDeviceCount(), 0);
}

std::uint32_t KORVEL_WINAPI RefusingManager(std::uint32_t, const EntryTable**) { return 77; }
ManagerEntryFn gRefusingExport = RefusingManager;

TEST_F(SoundFontTest, AManagerThatRefusesToOpenIsReportedAsSfdOpenDriver) {
  sim::OverrideExport("SFManager", &gRefusingExport);
  Open(UseSFD);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            "AWE32/SoundFont Device Error: 77.\n\n(occurred in 'SFD_OpenDriver()' )");
  EXPECT_EQ(sim::OpenLibraryCount(), 0);
  EXPECT_EQ(layer.Count(), 0);
  EXPECT_EQ(errors.ErrorCode, kErrOk);
}

TEST_F(SoundFontTest, DeviceNamesAreNumberedAndCut) {
  Open(UseSFD, "ews64.cards=0\nsoundfont.devices=2\nsoundfont.device1.name=" +
                   std::string(60, 'W') + "\n");
  EXPECT_STREQ(Dev(0).name, "0 - Korvel SoundFont Synth");
  EXPECT_EQ(std::string(Dev(1).name), "1 - " + std::string(43, 'W'));  // 47 characters
  EXPECT_TRUE(Dev(1).Has(InfoRead));

  // The AWE manager's description record puts the name elsewhere.
  CloseAll();
  for (int dev = 0; dev < 2; ++dev) Dev(dev).flags = 0;
  config.cflags = UseAWE32;
  layer.SoundFont().OpenSoundFontBackend();
  layer.RefreshDevices();
  EXPECT_STREQ(Dev(0).name, "0 - Korvel SoundFont Synth");
}

TEST_F(SoundFontTest, LoadReadAndClearThroughTheSoundFontManager) {
  Open(UseSFD, "ews64.cards=0\nsoundfont.memory_kb=64\n");
  SoundFont("C:\\Banks\\piano.sf2", "Grand Piano", 16 * 1024);
  LoadInto(0, 1, "C:\\Banks\\piano.sf2");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_EQ(Dev(0).handle, kOpenHandle);
  EXPECT_GE(Slot(0, 1).sizeKB, 16);  // the file's length, for bank replacement

  BankSlot& rec = Slot(0, 1);
  layer.ReadSlotInfo(0, 1, rec);
  EXPECT_STREQ(rec.name, "Grand Piano");
  EXPECT_TRUE(rec.Has(Loaded));
  EXPECT_STREQ(Dev(0).paths[1], "C:\\Banks\\piano.sf2");  // from the manager

  EXPECT_TRUE(layer.IsBankLoaded(0, 1, "GRAND PIANO"));
  EXPECT_EQ(rec.flags, Loaded);
  // Whether the slot belongs to the preset stays as it was.
  rec.flags = Assigned | Mapped;
  EXPECT_TRUE(layer.IsBankLoaded(0, 1, "Grand Piano"));
  EXPECT_EQ(rec.flags, Loaded | Assigned);

  layer.ReadMemInfo(0);
  EXPECT_EQ(Dev(0).totalKB, 64);
  EXPECT_EQ(Dev(0).freeKB, 48);
  EXPECT_TRUE(Boxes().empty());

  EXPECT_EQ(layer.ClearSlotInDevice(0, 1), kErrOk);
  layer.ReadSlotInfo(0, 1, rec);
  EXPECT_FALSE(rec.Has(Loaded));
  EXPECT_EQ(rec.name[0], '\0');
  layer.ReadMemInfo(0);
  EXPECT_EQ(Dev(0).freeKB, 64);
  layer.CloseDeviceAccess(0);
  EXPECT_EQ(Dev(0).handle, 0u);
}

TEST_F(SoundFontTest, TheBuiltInBankIsReadButNeverLoadedClearedOrCompared) {
  Open(UseSFD, "ews64.cards=0\nsoundfont.device0.rom_name=" + std::string(40, 'R') + "\n");
  layer.OpenDeviceAccess(0);
  layer.ReadSlotInfo(0, 0, Slot(0, 0));
  EXPECT_EQ(std::string(Slot(0, 0).name), std::string(31, 'R'));  // cut to 31
  EXPECT_STREQ(Dev(0).paths[0], "<none>");

  SoundFont("C:\\Banks\\piano.sf2", "Piano");
  layer.LoadBankFile(0, 0, "C:\\Banks\\piano.sf2");
  EXPECT_EQ(errors.ErrorCode, kErrSlotLocked);
  errors.ErrorCode = kErrOk;
  EXPECT_EQ(layer.ClearSlotInDevice(0, 0), kErrSlotLocked);
  errors.ErrorCode = kErrOk;
  EXPECT_FALSE(layer.IsBankLoaded(0, 0, "Piano"));
  EXPECT_EQ(errors.ErrorCode, kErrSlotLocked);
  errors.ErrorCode = kErrOk;

  // Reading a bank file's name leaves the built-in bank's record alone.
  layer.ReadBankName(0, "C:\\Banks\\piano.sf2", Slot(0, 0));
  EXPECT_EQ(std::string(Slot(0, 0).name), std::string(31, 'R'));
}

TEST_F(SoundFontTest, LoadFailuresFollowTheResultTable) {
  Open(UseSFD, "ews64.cards=0\nsoundfont.memory_kb=8\n");
  SoundFont("C:\\Banks\\big.sf2", "Big", 32 * 1024);
  LoadInto(0, 2, "C:\\Banks\\big.sf2");
  EXPECT_EQ(errors.ErrorCode, kErrNoSoundMemory);
  EXPECT_EQ(errors.lastSoundFontResult, 205);
  EXPECT_GE(Slot(0, 2).sizeKB, 32);

  layer.LoadBankFile(0, 2, "C:\\Banks\\missing.sf2");
  EXPECT_EQ(errors.ErrorCode, kErrFileNotFound);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\missing.sf2");

  WriteHostFile("C:\\Banks\\junk.sf2", "RIFF junk");
  layer.LoadBankFile(0, 2, "C:\\Banks\\junk.sf2");
  EXPECT_EQ(errors.ErrorCode, kErrBankLoadFailed);

  // A path the manager's buffer cannot hold is not sent.
  const std::string longPath = "C:\\" + std::string(300, 'x') + ".sf2";
  layer.LoadBankFile(0, 2, longPath.c_str());
  EXPECT_EQ(errors.ErrorCode, kErrInvalidArguments);

  // Without device access nothing reaches the manager, and both say why.
  layer.CloseDeviceAccess(0);
  errors.ErrorCode = kErrOk;
  layer.LoadBankFile(0, 2, "C:\\Banks\\big.sf2");
  EXPECT_EQ(errors.ErrorCode, kErrInvalidHandle);
  EXPECT_EQ(layer.ClearSlotInDevice(0, 2), kErrInvalidHandle);
}

TEST_F(SoundFontTest, AUserBankComparesAsItsFileTitle) {
  Open(UseSFD);
  SoundFont("C:\\Banks\\piano.sf2", "User Bank");
  LoadInto(0, 4, "C:\\Banks\\piano.sf2");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  std::strcpy(Dev(0).paths[4], "C:\\Banks\\piano.sf2");
  EXPECT_TRUE(layer.IsBankLoaded(0, 4, "Piano"));
  EXPECT_FALSE(layer.IsBankLoaded(0, 4, "User Bank"));
}

TEST_F(SoundFontTest, NamesAreComparedOnTheirFirstTwentyCharacters) {
  Open(UseSFD);
  SoundFont("C:\\Banks\\long.sf2", "Twenty characters ok and then some more text");
  LoadInto(0, 3, "C:\\Banks\\long.sf2");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_TRUE(layer.IsBankLoaded(0, 3, "twenty characters okAND SOMETHING ELSE"));
  layer.ReadSlotInfo(0, 3, Slot(0, 3));
  EXPECT_EQ(std::string(Slot(0, 3).name), "Twenty characters ok and then s");  // 31

  BankSlot rec;
  layer.ReadBankName(0, "C:\\Banks\\long.sf2", rec);
  EXPECT_STREQ(rec.name, "Twenty characters ok");  // 20 from the file
}

TEST_F(SoundFontTest, ADifferentBankInTheSlotIsClearedFromTheDevice) {
  Open(UseSFD);
  SoundFont("C:\\Banks\\piano.sf2", "Piano");
  LoadInto(0, 5, "C:\\Banks\\piano.sf2");
  layer.ReadSlotInfo(0, 5, Slot(0, 5));
  ASSERT_STREQ(Slot(0, 5).name, "Piano");
  EXPECT_FALSE(layer.IsBankLoaded(0, 5, "Organ"));
  EXPECT_FALSE(Slot(0, 5).Has(Loaded));
  BankSlot rec;
  layer.ReadSlotInfo(0, 5, rec);
  EXPECT_EQ(rec.name[0], '\0');  // gone from the device
}

TEST_F(SoundFontTest, TheAweManagerCountsMemoryInWords) {
  Open(UseAWE32, "ews64.cards=0\nsoundfont.memory_kb=512\n");
  ASSERT_TRUE(layer.SoundFont().UsesAweManager());
  EXPECT_EQ(sim::LoadedLibraries(), std::vector<std::string>{"AWEMAN32.DLL"});
  layer.OpenDeviceAccess(0);
  EXPECT_NE(Dev(0).handle, 0u);
  EXPECT_NE(Dev(0).handle, kOpenHandle);  // the manager's own handle
  layer.ReadMemInfo(0);  // 262144 words
  EXPECT_EQ(Dev(0).totalKB, 512);
  EXPECT_EQ(Dev(0).freeKB, 512);

  SoundFont("C:\\Banks\\piano.sf2", "Piano", 64 * 1024);
  layer.LoadBankFile(0, 7, "C:\\Banks\\piano.sf2");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  layer.ReadSlotInfo(0, 7, Slot(0, 7));
  EXPECT_STREQ(Slot(0, 7).name, "Piano");
  EXPECT_EQ(Dev(0).paths[7][0], '\0');  // the AWE manager is not asked for paths
  layer.ReadSlotInfo(0, 0, Slot(0, 0));
  EXPECT_STREQ(Slot(0, 0).name, "Synth GM Bank");
  EXPECT_EQ(Dev(0).paths[0][0], '\0');
  EXPECT_TRUE(layer.IsBankLoaded(0, 7, "piano"));
  layer.ReadMemInfo(0);
  EXPECT_EQ(Dev(0).freeKB, 448);
  EXPECT_EQ(layer.ClearSlotInDevice(0, 7), kErrOk);
  layer.CloseDeviceAccess(0);
  EXPECT_EQ(Dev(0).handle, 0u);
  // A stale handle is refused by the manager and reported.
  Dev(0).handle = 1234;
  layer.ReadMemInfo(0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find("SFD_GetMemInfo"), std::string::npos);
}

TEST_F(SoundFontTest, BanksSurviveShuttingTheBackendDownAndOpeningItAgain) {
  Open(UseSFD);
  SoundFont("C:\\Banks\\piano.sf2", "Piano");
  LoadInto(0, 9, "C:\\Banks\\piano.sf2");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  CloseAll();
  EXPECT_EQ(Dev(0).handle, 0u);
  Install("ews64.cards=0\n");  // a new emulator on the same state, as after a restart
  OpenAll();
  layer.OpenDeviceAccess(0);
  layer.ReadSlotInfo(0, 9, Slot(0, 9));
  EXPECT_STREQ(Slot(0, 9).name, "Piano");
  EXPECT_TRUE(Slot(0, 9).Has(Loaded));
}

TEST_F(SoundFontTest, ADescriptionThatCannotBeReadIsReportedAsSfdOpenHandle) {
  Open(UseSFD);
  for (int dev = 0; dev < 4; ++dev) Dev(dev).flags = 0;
  Dev(0).backendIndex = 9;  // no such device in the manager
  layer.OpenDeviceAccess(0);
  ASSERT_GE(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find("SFD_OpenHandle"), std::string::npos);
  EXPECT_EQ(Dev(0).handle, 0u);
  EXPECT_EQ(errors.ErrorCode, kErrSoundFontManager);
}


// A load that cannot read its file must not touch the bank the slot holds:
// comparing the unread name with it would clear it from the device.
TEST_F(SoundFontTest, AMissingBankFileLeavesTheSlotsBankInTheDevice) {
  Open(UseSFD);
  SoundFont("C:\\Banks\\piano.sf2", "Piano");
  layer.OpenDeviceAccess(0);
  ASSERT_EQ(LoadBank(layer, 0, 5, "C:\\Banks\\piano.sf2"), kErrOk);
  const BankSlot before = Slot(0, 5);

  EXPECT_EQ(LoadBank(layer, 0, 5, "C:\\Banks\\gone.sf2"), kErrFileNotFound);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\gone.sf2");
  EXPECT_STREQ(Dev(0).paths[5], "C:\\Banks\\piano.sf2");
  EXPECT_EQ(Slot(0, 5).flags, before.flags);
  BankSlot inDevice;
  layer.ReadSlotInfo(0, 5, inDevice);
  EXPECT_STREQ(inDevice.name, "Piano");
  EXPECT_TRUE(inDevice.Has(Loaded));
}

// The manager reports paths of up to 127 characters; a slot's entry holds
// 63. A cut path names another file, which a later load reports missing.
TEST_F(SoundFontTest, APathTooLongForTheSlotIsKeptAsItsBareNameOrNotAtAll) {
  Open(UseSFD);
  const std::string folder = "C:\\Sound Libraries\\Orchestral Collection 2024\\Strings";
  const std::string listed = folder + "\\Violin Ensemble.sf2";
  const std::string unlisted = "C:\\Other Sound Libraries\\Not In Any Bank Folder\\Cello Ensemble.sf2";
  ASSERT_GT(listed.size(), 63u);
  ASSERT_GT(unlisted.size(), 63u);
  SoundFont(listed, "Violins");
  SoundFont(unlisted, "Cellos");
  std::strcpy(config.bankfolder, folder.c_str());
  LoadInto(0, 2, listed);
  LoadInto(0, 3, unlisted);
  ASSERT_EQ(errors.ErrorCode, kErrOk);

  layer.ReadSlotInfo(0, 2, Slot(0, 2));
  layer.ReadSlotInfo(0, 3, Slot(0, 3));
  EXPECT_STREQ(Dev(0).paths[2], "Violin Ensemble.sf2");
  EXPECT_STREQ(Dev(0).paths[3], "");
  EXPECT_STREQ(Slot(0, 3).name, "Cellos");
}

}  // namespace
}  // namespace korvel::devtest
