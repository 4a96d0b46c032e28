// Loading banks into slots with replacement, unloading in the three modes,
// against an emulated EWS64 card (and a SoundFont device where the size of
// the new bank matters).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "banks/BankFolders.h"
#include "banks/BankLoading.h"
#include "tests/unit/BankLayerTestSupport.h"

namespace korvel {
namespace {

constexpr std::uint32_t KB = 1024;

bool HasAll(const BankSlot& slot, std::uint8_t flags) { return (slot.flags & flags) == flags; }

class BankLoadingTest : public testsupport::BankLayerTest {
 protected:
  // Loads `count` banks "Bank<i>" into slots 0..count-1, one each, checking success.
  void LoadBanks(int count, std::uint32_t bytes = 2048) {
    for (int i = 0; i < count; ++i) {
      const std::string name = "Bank" + std::to_string(i);
      const std::string path = SoundSet("C:\\Banks\\" + name + ".tts", name, bytes);
      ASSERT_EQ(LoadBank(layer, 0, i, path.c_str()), kErrOk) << i;
    }
  }
  int LoadsSent() { return static_cast<int>(Sent(ews64::kMsgLoadBank).size()); }
  int ClearsSent() { return static_cast<int>(Sent(ews64::kMsgClearBank).size()); }
};

TEST_F(BankLoadingTest, LoadFillsTheSlotAndStampsIt) {
  StartCard();
  const std::string path = SoundSet("C:\\Banks\\Piano.tts", "Piano", 3 * KB);
  const std::uint32_t before = layer.UseCounter();

  EXPECT_EQ(LoadBank(layer, 0, 2, path.c_str()), kErrOk);
  const BankSlot& slot = Slot(0, 2);
  EXPECT_TRUE(slot.Has(Loaded));
  EXPECT_TRUE(slot.Has(Assigned));
  EXPECT_STREQ(slot.name, "Piano");
  EXPECT_EQ(slot.sizeKB, 3);
  EXPECT_EQ(slot.useStamp, before + 1);
  EXPECT_EQ(PathOf(0, 2), path);
  EXPECT_EQ(LoadsSent(), 1);
  EXPECT_EQ(shell.steps, 2);
  EXPECT_EQ(shell.repaints, 1);
  EXPECT_EQ(shell.resets, 0);
}

// The window repaints in the middle of a load, and its paint reads the
// device inside a bracket of its own: the device stays open for the load,
// and the bank is in the device afterwards.
TEST_F(BankLoadingTest, ASoundFontLoadsThroughARepaintThatReadsTheDevice) {
  Start("ews64.cards=0\nsoundfont.devices=1\n", UseSFD);
  layer.CloseAllSoundFontDevices();
  ASSERT_EQ(layer.Device(0).handle, 0u);
  shell.whileRepainting = [this] {
    layer.OpenDeviceAccess(0);
    RefreshAllSlots(layer, false);
    layer.ReadAllMemInfo();
    layer.CloseDeviceAccess(0);
  };
  const std::string path = SoundFont("C:\\Banks\\Grand.sf2", "Grand", 8 * KB);

  layer.OpenDeviceAccess(0);
  EXPECT_EQ(LoadBank(layer, 0, 1, path.c_str()), kErrOk);
  EXPECT_EQ(shell.repaints, 1);
  EXPECT_EQ(layer.Device(0).handle, sfman::kOpenHandle) << "the paint closed the caller's device";
  BankSlot inDevice;
  layer.ReadSlotInfo(0, 1, inDevice);
  EXPECT_STREQ(inDevice.name, "Grand");
  layer.CloseDeviceAccess(0);
  EXPECT_EQ(layer.Device(0).handle, 0u);

  // Asked of the device once it is closed, a load fails with a message.
  shell.whileRepainting = nullptr;
  const std::string other = SoundFont("C:\\Banks\\Organ.sf2", "Organ");
  EXPECT_EQ(LoadBank(layer, 0, 2, other.c_str()), kErrInvalidHandle);
  ReportError(errors, "Form1::BrowseBankButtonClick");
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_EQ(BoxTexts()[0].rfind("Invalid handle to device function.", 0), 0u) << BoxTexts()[0];
}

TEST_F(BankLoadingTest, MinimizedWindowIsNotRepainted) {
  StartCard();
  shell.minimized = true;
  EXPECT_EQ(LoadBank(layer, 0, 0, SoundSet("C:\\Banks\\A.tts", "A").c_str()), kErrOk);
  EXPECT_EQ(shell.repaints, 0);
  EXPECT_EQ(shell.steps, 2);
}

TEST_F(BankLoadingTest, PathEntryHoldsThePathAsGivenThenItsShortForm) {
  StartCard();
  SetFolders("D:\\Other;C:\\Banks");
  SoundSet("C:\\Banks\\Piano.tts", "Piano");
  SoundSet("C:\\Banks\\Sub\\Organ.tts", "Organ");

  // A bare name is found in the folders and kept bare.
  EXPECT_EQ(LoadBank(layer, 0, 0, "Piano.tts"), kErrOk);
  EXPECT_EQ(PathOf(0, 0), "Piano.tts");
  // An absolute path into a folder of the list is shortened by the refresh.
  EXPECT_EQ(LoadBank(layer, 0, 1, "C:\\BANKS\\piano.TTS"), kErrOk);
  EXPECT_EQ(PathOf(0, 1), "piano.TTS");
  // One in a subfolder stays absolute.
  EXPECT_EQ(LoadBank(layer, 0, 2, "C:\\Banks\\Sub\\Organ.tts"), kErrOk);
  EXPECT_EQ(PathOf(0, 2), "C:\\Banks\\Sub\\Organ.tts");
}

TEST_F(BankLoadingTest, PlaceholderIsAcceptedAndIgnored) {
  StartCard();
  errors.ErrorCode = kErrBankLoadFailed;  // a new operation starts afresh
  std::strcpy(layer.Device(0).paths[3], "Keep.tts");
  EXPECT_EQ(LoadBank(layer, 0, 3, "<none>"), kErrOk);
  EXPECT_EQ(LoadBank(layer, 0, 3, "<"), kErrOk);
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_EQ(PathOf(0, 3), "Keep.tts");
  EXPECT_EQ(platform::sim::DriverMessages().size(), 0u);
  EXPECT_EQ(shell.steps, 0);
}

TEST_F(BankLoadingTest, UnknownFileIsNamedAsNotFound) {
  StartCard();
  SetFolders("C:\\Banks");
  std::strcpy(layer.Device(0).paths[1], "Old.tts");

  EXPECT_EQ(LoadBank(layer, 0, 1, "Missing.tts"), kErrFileNotFound);
  EXPECT_STREQ(errors.failingFile, "Missing.tts");
  EXPECT_EQ(LoadBank(layer, 0, 1, ""), kErrFileNotFound);
  SetFolders("");
  EXPECT_EQ(LoadBank(layer, 0, 1, "Missing.tts"), kErrFileNotFound);

  // A drive path is taken as it is; the file itself then cannot be read.
  const char* absent = "C:\\Banks\\Absent.tts";
  EXPECT_EQ(LoadBank(layer, 0, 1, absent), kErrFileNotFound);
  EXPECT_STREQ(errors.failingFile, absent);

  EXPECT_EQ(LoadsSent(), 0);
  EXPECT_EQ(PathOf(0, 1), "Old.tts");
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));
}

TEST_F(BankLoadingTest, PathsLongerThanTheBuffers) {
  StartCard();
  // 250 characters do not fit the 200-byte work buffer: cut, the path would
  // name another file, so it is refused and named in full.
  const std::string tooLong = "C:\\" + std::string(240, 'x') + "\\a.tts";
  EXPECT_EQ(LoadBank(layer, 0, 0, tooLong.c_str()), kErrFileNotFound);
  EXPECT_EQ(std::string(errors.failingFile), tooLong);
  EXPECT_EQ(LoadsSent(), 0);

  // 110 characters fit the work buffer and the driver's 128-byte field, not
  // the 64-byte path entry: the bank loads and the entry stays empty rather
  // than naming a cut path.
  const std::string deep = SoundSet("C:\\" + std::string(100, 'd') + "\\Deep.tts", "Deep");
  ASSERT_GT(deep.size(), 63u);
  EXPECT_EQ(LoadBank(layer, 0, 1, deep.c_str()), kErrOk);
  EXPECT_TRUE(Slot(0, 1).Has(Loaded));
  EXPECT_EQ(PathOf(0, 1), "");

  // With its folder in the list it is kept as its bare name.
  SetFolders("C:\\" + std::string(100, 'd'));
  EXPECT_EQ(LoadBank(layer, 0, 2, deep.c_str()), kErrOk);
  EXPECT_EQ(PathOf(0, 2), "Deep.tts");

  // 63 characters fit exactly.
  const std::string exact = SoundSet("C:\\" + std::string(54, 'e') + "\\E.tts", "E");
  ASSERT_EQ(exact.size(), 63u);
  EXPECT_EQ(LoadBank(layer, 0, 3, exact.c_str()), kErrOk);
  EXPECT_EQ(PathOf(0, 3), exact);
}

TEST_F(BankLoadingTest, BadDeviceOrSlotSendsNothing) {
  StartCard();
  const std::string path = SoundSet("C:\\Banks\\A.tts", "A");
  EXPECT_EQ(LoadBank(layer, 1, 0, path.c_str()), kErrInvalidArguments);
  EXPECT_EQ(LoadBank(layer, -1, 0, path.c_str()), kErrInvalidArguments);
  EXPECT_EQ(LoadBank(layer, 0, 128, path.c_str()), kErrInvalidArguments);
  EXPECT_EQ(LoadBank(layer, 0, -1, path.c_str()), kErrInvalidArguments);
  EXPECT_EQ(platform::sim::DriverMessages().size(), 0u);
}

TEST_F(BankLoadingTest, LoadingTheBankTheSlotHoldsOnlyRestamps) {
  StartCard();
  const std::string path = SoundSet("C:\\Banks\\Piano.tts", "Piano");
  ASSERT_EQ(LoadBank(layer, 0, 1, path.c_str()), kErrOk);
  const std::uint32_t first = Slot(0, 1).useStamp;
  platform::sim::ClearDriverMessages();
  shell = testsupport::RecordingShell{};

  // The same file, and another file whose bank has the same name in other case.
  EXPECT_EQ(LoadBank(layer, 0, 1, "c:\\banks\\PIANO.tts"), kErrOk);
  const std::uint32_t second = Slot(0, 1).useStamp;
  EXPECT_GT(second, first);
  const std::string other = SoundSet("C:\\Banks\\Other.tts", "PIANO");
  EXPECT_EQ(LoadBank(layer, 0, 1, other.c_str()), kErrOk);
  EXPECT_GT(Slot(0, 1).useStamp, second);

  EXPECT_EQ(LoadsSent(), 0);
  EXPECT_EQ(ClearsSent(), 0);
  EXPECT_EQ(shell.steps, 0);
  EXPECT_EQ(shell.repaints, 0);
  EXPECT_EQ(PathOf(0, 1), path);  // still the path of the first load
}

// ---- Replacement outside virtual bank mode ---------------------------------

TEST_F(BankLoadingTest, FullMemoryWithEveryBankAssignedFailsWith20) {
  StartCard(256);
  ASSERT_EQ(layer.Device(0).totalKB, 256);
  ASSERT_EQ(LoadBank(layer, 0, 0, SoundSet("C:\\Banks\\A.tts", "A", 150 * KB).c_str()), kErrOk);
  ASSERT_EQ(LoadBank(layer, 0, 1, SoundSet("C:\\Banks\\B.tts", "B", 90 * KB).c_str()), kErrOk);
  std::strcpy(layer.Device(0).paths[2], "Old.tts");
  // A name left in a slot that holds nothing is taken for a victim once: the
  // unload does nothing and the name goes. Slots beyond the eight physical
  // banks are not looked at.
  std::strcpy(Slot(0, 4).name, "Stale");
  std::strcpy(Slot(0, 9).name, "Ghost");
  shell = testsupport::RecordingShell{};

  const std::string c = SoundSet("C:\\Banks\\C.tts", "C", 100 * KB);
  EXPECT_EQ(LoadBank(layer, 0, 2, c.c_str()), kErrBankLoadFailed);
  EXPECT_STREQ(Slot(0, 4).name, "");
  EXPECT_STREQ(Slot(0, 9).name, "Ghost");
  EXPECT_EQ(shell.steps, 3);
  EXPECT_EQ(PathOf(0, 2), "Old.tts");
  EXPECT_FALSE(Slot(0, 2).Has(Loaded));
  EXPECT_TRUE(Slot(0, 0).Has(Loaded));
  EXPECT_TRUE(Slot(0, 1).Has(Loaded));
  EXPECT_EQ(ClearsSent(), 0);
  EXPECT_EQ(shell.resets, 1);
  EXPECT_EQ(shell.progress, 0);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
}

TEST_F(BankLoadingTest, NonVirtualModeEvictsTheFirstNamedSlotNotAssigned) {
  StartCard(256);
  ASSERT_EQ(LoadBank(layer, 0, 0, SoundSet("C:\\Banks\\A.tts", "A", 60 * KB).c_str()), kErrOk);
  ASSERT_EQ(LoadBank(layer, 0, 1, SoundSet("C:\\Banks\\B.tts", "B", 90 * KB).c_str()), kErrOk);
  ASSERT_EQ(LoadBank(layer, 0, 3, SoundSet("C:\\Banks\\D.tts", "D", 90 * KB).c_str()), kErrOk);
  Slot(0, 1).flags &= static_cast<std::uint8_t>(~Assigned);
  Slot(0, 3).flags &= static_cast<std::uint8_t>(~Assigned);
  platform::sim::ClearDriverMessages();
  shell = testsupport::RecordingShell{};

  const std::string c = SoundSet("C:\\Banks\\C.tts", "C", 100 * KB);
  EXPECT_EQ(LoadBank(layer, 0, 2, c.c_str()), kErrOk);
  // Slot 1 was enough: it is forgotten, slot 3 (also not assigned) stays.
  const auto clears = Sent(ews64::kMsgClearBank);
  ASSERT_EQ(clears.size(), 1u);
  EXPECT_EQ(clears[0].param2, 1);
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));
  EXPECT_STREQ(Slot(0, 1).name, "");
  EXPECT_EQ(PathOf(0, 1), "");
  EXPECT_TRUE(Slot(0, 3).Has(Loaded));
  EXPECT_TRUE(HasAll(Slot(0, 2), Loaded | Assigned));
  EXPECT_EQ(shell.steps, 3);  // before and after the first try, after the second
  EXPECT_EQ(shell.resets, 0);
}

// ---- Replacement in virtual bank mode ---------------------------------------

class VirtualReplacementTest : public BankLoadingTest {
 protected:
  // Eight banks fill the card's eight physical banks from virtual slots 0-7.
  void SetUp() override {
    BankLoadingTest::SetUp();
    StartCard();
    SetVirtualBankMode(true);
    LoadBanks(8);
    for (int i = 0; i < 8; ++i) Slot(0, i).useStamp = 100 + i;
    platform::sim::ClearDriverMessages();
    shell = testsupport::RecordingShell{};
  }
  // Loads one more bank into `target` and gives the one slot of 0-7 that it evicted.
  int LoadOneMore(const char* name = "Extra", int target = 20) {
    bool wasLoaded[8];
    for (int i = 0; i < 8; ++i) wasLoaded[i] = Slot(0, i).Has(Loaded);
    const std::string path = SoundSet(std::string("C:\\Banks\\") + name + ".tts", name);
    EXPECT_EQ(LoadBank(layer, 0, target, path.c_str()), kErrOk);
    int evicted = -1;
    for (int i = 0; i < 8; ++i) {
      if (wasLoaded[i] && !Slot(0, i).Has(Loaded)) {
        EXPECT_EQ(evicted, -1) << "more than one slot evicted";
        evicted = i;
      }
    }
    EXPECT_TRUE(HasAll(Slot(0, target), Loaded | Mapped | Assigned));
    return evicted;
  }
};

TEST_F(VirtualReplacementTest, LeastRecentlyStampedGoesFirst) {
  Slot(0, 5).useStamp = 7;
  Slot(0, 2).useStamp = 3;
  EXPECT_EQ(LoadOneMore(), 2);
  // The default unload keeps path and name in virtual bank mode.
  EXPECT_STREQ(Slot(0, 2).name, "Bank2");
  EXPECT_EQ(PathOf(0, 2), "C:\\Banks\\Bank2.tts");
  EXPECT_TRUE(Slot(0, 2).Has(Assigned));
  EXPECT_FALSE(Slot(0, 2).Has(Mapped));
  EXPECT_EQ(Slot(0, 20).useStamp, layer.UseCounter());
  EXPECT_EQ(Slot(0, 20).physBank, Slot(0, 2).physBank);
  EXPECT_EQ(ClearsSent(), 1);

  // Next time the one stamped 7 goes, before the new bank stamped last.
  EXPECT_EQ(LoadOneMore("Extra2", 21), 5);
  EXPECT_TRUE(Slot(0, 20).Has(Loaded));
}

TEST_F(VirtualReplacementTest, ALoadedSlotNotAssignedGoesFirstWhateverItsStamp) {
  Slot(0, 1).useStamp = 3;
  Slot(0, 6).useStamp = 0xFFFFFFF0u;
  Slot(0, 6).flags &= static_cast<std::uint8_t>(~Assigned);
  Slot(0, 7).flags &= static_cast<std::uint8_t>(~Assigned);
  EXPECT_EQ(LoadOneMore(), 6);
}

TEST_F(VirtualReplacementTest, StampsCompareUnsignedAndTheFirstOfEqualStampsGoes) {
  Slot(0, 0).useStamp = 0x80000001u;  // negative if compared signed
  Slot(0, 3).useStamp = 5;
  Slot(0, 6).useStamp = 5;
  EXPECT_EQ(LoadOneMore(), 3);
}

TEST_F(VirtualReplacementTest, StampsAtTheTopOfTheRangeStillYieldAVictim) {
  for (int i = 0; i < 8; ++i) Slot(0, i).useStamp = 0xFFFFFFFFu;
  EXPECT_EQ(LoadOneMore(), 0);
}

// A victim the card will not give up is tried once: the load ends when no
// other is left, without going round 129 times.
TEST_F(VirtualReplacementTest, AVictimThatCannotBeUnloadedIsNotChosenAgain) {
  RefuseClears();
  const std::string path = SoundSet("C:\\Banks\\Extra.tts", "Extra");
  std::strcpy(layer.Device(0).paths[20], "Old.tts");

  EXPECT_EQ(LoadBank(layer, 0, 20, path.c_str()), kErrBankLoadFailed);
  const auto clears = Sent(ews64::kMsgClearBank);
  ASSERT_EQ(clears.size(), 8u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(clears[i].param2, Slot(0, i).physBank) << i;
  EXPECT_EQ(shell.steps, 2);
  EXPECT_EQ(shell.resets, 1);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
  EXPECT_EQ(PathOf(0, 20), "Old.tts");
  EXPECT_FALSE(Slot(0, 20).Has(Loaded));
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(Slot(0, i).Has(Loaded)) << i;
    EXPECT_EQ(std::string(Slot(0, i).name), "Bank" + std::to_string(i));
  }
}

// The card's banks that no virtual slot is held in (left there by an
// earlier preset) go before the current preset's; the views of the
// preset's banks do not stand in for them.
TEST_F(VirtualReplacementTest, BanksNoPresetUsesGoBeforeThePresets) {
  for (int i = 4; i < 8; ++i) {
    Slot(0, i) = BankSlot{};
    layer.Device(0).paths[i][0] = '\0';
  }
  RefreshAllSlots(layer, false);
  ASSERT_TRUE(HasAll(Slot(0, 120), Loaded | Fixed | Assigned));

  for (int round = 0; round < 4; ++round) {
    const std::string name = "New" + std::to_string(round);
    const std::string path = SoundSet("C:\\Banks\\" + name + ".tts", name);
    EXPECT_EQ(LoadBank(layer, 0, 20 + round, path.c_str()), kErrOk) << name;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Slot(0, i).Has(Loaded)) << name << " evicted slot " << i;
    EXPECT_EQ(Slot(0, 20 + round).physBank, 4 + round) << name;
  }
  // Then the preset's own banks, least recently stamped first.
  ASSERT_LT(Slot(0, 20).useStamp, Slot(0, 0).useStamp);
  EXPECT_EQ(LoadBank(layer, 0, 30, SoundSet("C:\\Banks\\New4.tts", "New4").c_str()), kErrOk);
  EXPECT_FALSE(Slot(0, 20).Has(Loaded));
  EXPECT_TRUE(HasAll(Slot(0, 30), Loaded | Mapped | Assigned));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Slot(0, i).Has(Loaded)) << i;
}

// Whatever replacement and unloading did to the card, a slot's path names
// the file of the bank the card holds for it, so that a preset saved now
// loads those banks again.
TEST_F(VirtualReplacementTest, EveryPathNamesTheBankTheCardHolds) {
  SetFolders("C:\\Banks");
  RefreshAllSlots(layer, false);
  ASSERT_EQ(PathOf(0, 120), "Bank0.tts");
  EXPECT_EQ(LoadOneMore("Grand", 20), 0);  // into physical bank 0, shown by slot 120
  // The user clears the view of physical bank 1, then a bank goes there.
  UnloadSlot(layer, 0, 121, kUnloadForget);
  const std::string organ = SoundSet("C:\\Banks\\Organ.tts", "Organ");
  ASSERT_EQ(LoadBank(layer, 0, 21, organ.c_str()), kErrOk);
  ASSERT_EQ(Slot(0, 21).physBank, 1);
  RefreshAllSlots(layer, false);

  EXPECT_STREQ(Slot(0, 120).name, "Grand");
  EXPECT_STREQ(Slot(0, 121).name, "Organ");
  for (int slot = 0; slot < kSlotsPerDevice; ++slot) {
    if (PathOf(0, slot).empty()) continue;
    char file[kResolvedPathSize];
    std::strcpy(file, PathOf(0, slot).c_str());
    ASSERT_TRUE(ResolveBankPath(config, file)) << file;
    BankSlot inFile;
    layer.ReadBankName(0, file, inFile);
    if (Slot(0, slot).Has(Loaded))
      EXPECT_STREQ(inFile.name, Slot(0, slot).name) << "slot " << slot << " names " << PathOf(0, slot);
    else
      EXPECT_FALSE(Slot(0, slot).Has(Fixed)) << "empty view " << slot << " names " << PathOf(0, slot);
  }
  EXPECT_FALSE(Slot(0, 0).Has(Loaded));
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));
  EXPECT_STREQ(Slot(0, 1).name, "Bank1");
}

TEST_F(VirtualReplacementTest, NothingToEvictFailsWith20) {
  for (int i = 0; i < 8; ++i) Slot(0, i).flags &= static_cast<std::uint8_t>(~Loaded);
  const std::string path = SoundSet("C:\\Banks\\Extra.tts", "Extra");
  EXPECT_EQ(LoadBank(layer, 0, 20, path.c_str()), kErrBankLoadFailed);
  EXPECT_EQ(ClearsSent(), 0);
  EXPECT_EQ(shell.resets, 1);
  EXPECT_TRUE(platform::sim::ShownMessageBoxes().empty());
}

TEST_F(BankLoadingTest, ABankLargerThanTheWholeMemoryIsNotMadeRoomFor) {
  // The SoundFont backend knows the new bank's size before it loads: one
  // larger than the device's memory leaves the other banks alone.
  Start("ews64.cards=0\nsoundfont.devices=1\nsoundfont.memory_kb=64\n", UseAWE32);
  ASSERT_EQ(layer.Count(), 1);
  ASSERT_EQ(layer.Device(0).totalKB, 64);
  const std::string small = SoundFont("C:\\Banks\\Small.sf2", "Small", 40 * KB);
  ASSERT_EQ(LoadBank(layer, 0, 1, small.c_str()), kErrOk);
  Slot(0, 1).flags &= static_cast<std::uint8_t>(~Assigned);

  const std::string big = SoundFont("C:\\Banks\\Big.sf2", "Big", 80 * KB);
  EXPECT_EQ(LoadBank(layer, 0, 2, big.c_str()), kErrNoSoundMemory);
  EXPECT_TRUE(Slot(0, 1).Has(Loaded));
  EXPECT_EQ(shell.resets, 1);

  // One that fits once the other is gone does evict it.
  const std::string medium = SoundFont("C:\\Banks\\Medium.sf2", "Medium", 40 * KB);
  EXPECT_EQ(LoadBank(layer, 0, 2, medium.c_str()), kErrOk);
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));
  EXPECT_TRUE(Slot(0, 2).Has(Loaded));
}

// A SoundFont device's own bank (slot 0) cannot be unloaded. Not assigned
// after a preset load, it is the first victim: tried once, it is passed
// over, and a bank that can go makes room.
TEST_F(BankLoadingTest, ASoundFontDevicesOwnBankIsPassedOverForOneThatCanGo) {
  Start("ews64.cards=0\nsoundfont.devices=1\nsoundfont.memory_kb=64\n", UseSFD);
  SetVirtualBankMode(true);
  ASSERT_EQ(LoadBank(layer, 0, 1, SoundFont("C:\\Banks\\A.sf2", "A", 20 * KB).c_str()), kErrOk);
  ASSERT_EQ(LoadBank(layer, 0, 2, SoundFont("C:\\Banks\\B.sf2", "B", 20 * KB).c_str()), kErrOk);
  RefreshAllSlots(layer, false);
  ASSERT_TRUE(Slot(0, 0).Has(Loaded));
  Slot(0, 0).flags &= static_cast<std::uint8_t>(~Assigned);
  const std::string gm = Slot(0, 0).name;

  const std::string c = SoundFont("C:\\Banks\\C.sf2", "C", 30 * KB);
  EXPECT_EQ(LoadBank(layer, 0, 3, c.c_str()), kErrOk);
  EXPECT_TRUE(BoxTexts().empty()) << BoxTexts()[0];
  EXPECT_TRUE(HasAll(Slot(0, 3), Loaded | Assigned));
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));
  EXPECT_TRUE(Slot(0, 2).Has(Loaded));
  EXPECT_TRUE(Slot(0, 0).Has(Loaded));
  EXPECT_EQ(Slot(0, 0).name, gm);
  for (int slot : {0, 2, 3}) {
    BankSlot inDevice;
    layer.ReadSlotInfo(0, slot, inDevice);
    EXPECT_TRUE(inDevice.Has(Loaded)) << slot;
  }
}

// ---- Unloading -----------------------------------------------------------------

class UnloadSlotTest : public BankLoadingTest {
 protected:
  void Prepare(bool virtualMode) {
    StartCard();
    if (virtualMode) SetVirtualBankMode(true);
    LoadBanks(2);
    platform::sim::ClearDriverMessages();
    shell = testsupport::RecordingShell{};
  }
  void ExpectKept(int slot) {
    EXPECT_FALSE(Slot(0, slot).Has(Loaded));
    EXPECT_FALSE(Slot(0, slot).Has(Mapped));
    EXPECT_TRUE(Slot(0, slot).Has(Assigned));
    EXPECT_EQ(std::string(Slot(0, slot).name), "Bank" + std::to_string(slot));
    EXPECT_EQ(PathOf(0, slot), "C:\\Banks\\Bank" + std::to_string(slot) + ".tts");
  }
  void ExpectForgotten(int slot) {
    EXPECT_EQ(Slot(0, slot).flags, 0);
    EXPECT_STREQ(Slot(0, slot).name, "");
    EXPECT_EQ(PathOf(0, slot), "");
  }
};

TEST_F(UnloadSlotTest, ModesOutsideVirtualBankMode) {
  Prepare(false);
  UnloadSlot(layer, 0, 0, kUnloadKeepPath);
  ExpectKept(0);
  UnloadSlot(layer, 0, 1, kUnloadDefault);  // forgets outside virtual bank mode
  ExpectForgotten(1);
  EXPECT_EQ(ClearsSent(), 2);
  EXPECT_EQ(shell.rebuilds, 0);

  // A slot that is not loaded is left alone.
  UnloadSlot(layer, 0, 0, kUnloadForget);
  ExpectKept(0);
  EXPECT_EQ(ClearsSent(), 2);
}

TEST_F(UnloadSlotTest, ModesInVirtualBankMode) {
  Prepare(true);
  UnloadSlot(layer, 0, 0, kUnloadDefault);  // keeps in virtual bank mode
  ExpectKept(0);
  UnloadSlot(layer, 0, 1, kUnloadForget);
  ExpectForgotten(1);
  EXPECT_EQ(ClearsSent(), 2);
}

TEST_F(UnloadSlotTest, FixedViewLosesItsPathAndTheListIsRebuilt) {
  Prepare(true);
  RefreshAllSlots(layer, true);  // the views 120-127 now show the two banks
  ASSERT_TRUE(HasAll(Slot(0, 120), Loaded | Fixed));
  std::strcpy(layer.Device(0).paths[120], "View.tts");
  std::strcpy(layer.Device(0).paths[121], "View.tts");

  UnloadSlot(layer, 0, 120, kUnloadKeepPath);
  EXPECT_EQ(PathOf(0, 120), "");
  EXPECT_FALSE(Slot(0, 120).Has(Fixed));
  EXPECT_FALSE(Slot(0, 120).Has(Loaded));
  EXPECT_STRNE(Slot(0, 120).name, "");
  EXPECT_EQ(shell.rebuilds, 1);

  shell.minimized = true;
  UnloadSlot(layer, 0, 121, kUnloadKeepPath);
  EXPECT_EQ(PathOf(0, 121), "");
  EXPECT_EQ(shell.rebuilds, 1);
}

TEST_F(UnloadSlotTest, BackendFailureChangesNothing) {
  Prepare(false);
  RefuseClears();
  const BankSlot before = Slot(0, 0);
  UnloadSlot(layer, 0, 0, kUnloadForget);
  EXPECT_EQ(ClearsSent(), 1);
  EXPECT_EQ(Slot(0, 0).flags, before.flags);
  EXPECT_STREQ(Slot(0, 0).name, before.name);
  EXPECT_EQ(PathOf(0, 0), "C:\\Banks\\Bank0.tts");
}

TEST_F(UnloadSlotTest, DevicesAndSlotsOutsideTheTableAreIgnored) {
  Prepare(false);
  UnloadSlot(layer, 1, 0, kUnloadForget);
  UnloadSlot(layer, -1, 0, kUnloadForget);
  UnloadSlot(layer, 0, 128, kUnloadForget);
  UnloadSlot(layer, 0, -1, kUnloadForget);
  EXPECT_EQ(platform::sim::DriverMessages().size(), 0u);
  EXPECT_TRUE(Slot(0, 0).Has(Loaded));
}


// Outside virtual bank mode a slot is a physical bank: comparing an unread
// name with the bank there would clear it from the card.
TEST_F(BankLoadingTest, AMissingOrUnreadableFileLeavesTheSlotAsItWas) {
  StartCard();
  ASSERT_EQ(LoadBank(layer, 0, 1, SoundSet("C:\\Banks\\Piano.tts", "Piano").c_str()), kErrOk);
  const BankSlot before = Slot(0, 1);
  platform::sim::ClearDriverMessages();

  EXPECT_EQ(LoadBank(layer, 0, 1, "C:\\Banks\\Gone.tts"), kErrFileNotFound);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\Gone.tts");
  WriteHostFile("C:\\Banks\\Piano.wav", "RIFF");
  EXPECT_EQ(LoadBank(layer, 0, 1, "C:\\Banks\\Piano.wav"), kErrUnsupportedFormat);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\Piano.wav");

  EXPECT_EQ(ClearsSent(), 0);
  EXPECT_EQ(LoadsSent(), 0);
  EXPECT_EQ(PathOf(0, 1), "C:\\Banks\\Piano.tts");
  EXPECT_EQ(Slot(0, 1).flags, before.flags);
  layer.Ews64().RefreshEws64Banks(0);
  BankSlot inCard;
  layer.ReadSlotInfo(0, 1, inCard);
  EXPECT_STREQ(inCard.name, "Piano");
}

// Loading the bank a slot already holds makes the slot the preset's, as a
// load does: a preset loaded at the next start must keep its banks.
TEST_F(BankLoadingTest, TheBankAlreadyInTheSlotBecomesAssigned) {
  StartCard();
  const std::string path = SoundSet("C:\\Banks\\Piano.tts", "Piano");
  ASSERT_EQ(LoadBank(layer, 0, 2, path.c_str()), kErrOk);
  Slot(0, 2).flags &= static_cast<std::uint8_t>(~Assigned);
  platform::sim::ClearDriverMessages();
  EXPECT_EQ(LoadBank(layer, 0, 2, path.c_str()), kErrOk);
  EXPECT_EQ(LoadsSent(), 0);
  EXPECT_TRUE(HasAll(Slot(0, 2), Loaded | Assigned));
}

}  // namespace
}  // namespace korvel
