// The device table: the bank layer's buffers, which devices a refresh finds
// and in which order, device access, the dispatch by kind, use stamps and
// the exchange of slot views for virtual bank mode.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "banks/DeviceSelector.h"
#include "tests/unit/DeviceTestSupport.h"

namespace korvel::devtest {
namespace {

namespace sim = platform::sim;

using BankLayerTest = DeviceLayerTest;

TEST_F(BankLayerTest, InitAllocatesTheBuffersAndFailsWithCodeTwoWithoutTheDriverBlock) {
  EXPECT_NE(layer.HeaderBuffer(), nullptr);
  EXPECT_NE(layer.Ews64().Block(), nullptr);
  EXPECT_EQ(sim::OpenDriverBlocks(), 1);
  layer.ShutdownBankLayer();
  EXPECT_EQ(layer.HeaderBuffer(), nullptr);
  EXPECT_EQ(layer.Ews64().Block(), nullptr);
  EXPECT_EQ(sim::OpenDriverBlocks(), 0);

  sim::SetDriverBlockFails(true);
  layer.InitBankLayer();
  EXPECT_EQ(errors.ErrorCode, kErrOutOfMemory);
  EXPECT_EQ(layer.HeaderBuffer(), nullptr);  // given back again
  sim::SetDriverBlockFails(false);
  layer.InitBankLayer();
  EXPECT_EQ(errors.ErrorCode, kErrOk);
}

TEST_F(BankLayerTest, WithoutDriverOrManagerThereAreNoDevicesAndTheSelectorSaysNone) {
  OpenAll();
  EXPECT_EQ(layer.Count(), 0);
  EXPECT_EQ(shell.fills, 1);
  EXPECT_TRUE(Boxes().empty());
  config.curdev = 2;
  const DeviceSelectorContent content = DeviceSelectorLines(layer, config);
  EXPECT_EQ(content.entries, std::vector<std::string>{"<none>"});
  EXPECT_EQ(content.selected, 0);
  EXPECT_EQ(config.curdev, 0);
  // Device access on the empty table touches nothing.
  layer.OpenDeviceAccess(0);
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_FALSE(layer.IsBankLoaded(0, 1, "x"));
  layer.LoadBankFile(0, 1, "C:\\x.sf2");
  EXPECT_EQ(errors.ErrorCode, kErrOk);
}

TEST_F(BankLayerTest, RefreshPutsTheCardsFirstThenTheSoundFontDevices) {
  Install("ews64.cards=2\nsoundfont.devices=2\nsoundfont.device1.name=Second Synth\n");
  std::strcpy(config.bankfolder, "C:\\Banks;D:\\A very long folder name\\that goes on\\and on\\and on\\and further");
  OpenAll();
  ASSERT_EQ(layer.Count(), 4);
  EXPECT_TRUE(Boxes().empty());

  EXPECT_EQ(Dev(0).kind, kKindEws64);
  EXPECT_EQ(Dev(0).backendIndex, 0);
  EXPECT_STREQ(Dev(0).name, "0 - Terratec EWS64 [64a0]");
  EXPECT_EQ(Dev(1).kind, kKindEws64);
  EXPECT_EQ(Dev(1).backendIndex, 1);
  EXPECT_STREQ(Dev(1).name, "1 - Terratec EWS64 [64a1]");
  EXPECT_EQ(Dev(2).kind, kKindSoundFont);
  EXPECT_EQ(Dev(2).backendIndex, 0);
  EXPECT_STREQ(Dev(2).name, "2 - Korvel SoundFont Synth");
  EXPECT_EQ(Dev(3).kind, kKindSoundFont);
  EXPECT_EQ(Dev(3).backendIndex, 1);
  EXPECT_STREQ(Dev(3).name, "3 - Second Synth");

  EXPECT_EQ(Dev(0).flags, 0x3F | SaveInPreset);  // cards: InfoRead ... EightBanks
  EXPECT_EQ(Dev(2).flags, InfoRead | SaveInPreset);
  EXPECT_NE(Dev(0).handle, 0u);                  // cards stay open
  EXPECT_EQ(Dev(2).handle, 0u);                  // SoundFont devices are closed again
  for (int dev = 0; dev < 4; ++dev) {
    EXPECT_EQ(Dev(dev).slotCount, 128);
    EXPECT_EQ(std::strlen(Dev(dev).lastFolder), 63u);  // cut to the field
    EXPECT_EQ(std::string(Dev(dev).lastFolder), std::string(config.bankfolder, 63));
  }
  EXPECT_EQ(shell.fills, 1);

  config.curdev = 3;
  const DeviceSelectorContent content = DeviceSelectorLines(layer, config);
  EXPECT_EQ(content.entries, (std::vector<std::string>{"0 - Terratec EWS64 [64a0]",
                                                       "1 - Terratec EWS64 [64a1]",
                                                       "2 - Korvel SoundFont Synth",
                                                       "3 - Second Synth"}));
  EXPECT_EQ(content.selected, 3);
  config.curdev = 4;
  EXPECT_EQ(DeviceSelectorLines(layer, config).selected, 0);
  config.curdev = -1;
  EXPECT_EQ(DeviceSelectorLines(layer, config).selected, 0);
}

TEST_F(BankLayerTest, AFifthDeviceIsLeftOut) {
  Install("ews64.cards=2\nsoundfont.devices=3\n");
  OpenAll();
  ASSERT_EQ(layer.Count(), 4);
  EXPECT_EQ(Dev(3).kind, kKindSoundFont);
  EXPECT_EQ(Dev(3).backendIndex, 1);

  CloseAll();
  Install("ews64.cards=0\nsoundfont.devices=6\n");
  OpenAll();
  ASSERT_EQ(layer.Count(), 4);
  for (int dev = 0; dev < 4; ++dev) {
    EXPECT_EQ(Dev(dev).kind, kKindSoundFont);
    EXPECT_EQ(Dev(dev).backendIndex, dev);
    EXPECT_EQ(Dev(dev).name[0], static_cast<char>('0' + dev));  // rebuilt, not the cards' names
  }
}

TEST_F(BankLayerTest, RefreshEmptiesEverySlotAndPathAndReleaseEmptiesTheTable) {
  Install("ews64.cards=1\nsoundfont.devices=1\n");
  OpenAll();
  std::strcpy(Dev(0).paths[5], "C:\\Banks\\x.tts");
  Slot(1, 9).useStamp = 4;
  layer.RefreshDevices();
  EXPECT_EQ(Dev(0).paths[5][0], '\0');
  EXPECT_EQ(Slot(1, 9).useStamp, 0u);
  EXPECT_EQ(shell.fills, 2);

  std::strcpy(Dev(0).paths[5], "x.tts");
  layer.ReleaseDevices();
  EXPECT_EQ(layer.Count(), 0);
  EXPECT_EQ(Dev(0).paths[5][0], '\0');
}

TEST_F(BankLayerTest, DeviceAccessRefusesNumbersOutsideTheTableAndUnknownKinds) {
  layer.OpenDeviceAccess(4);
  EXPECT_EQ(errors.ErrorCode, kErrWrongDeviceKind);
  errors.ErrorCode = kErrOk;
  layer.OpenDeviceAccess(-1);
  EXPECT_EQ(errors.ErrorCode, kErrWrongDeviceKind);
  errors.ErrorCode = kErrOk;
  Dev(1).kind = 7;
  layer.OpenDeviceAccess(1);
  EXPECT_EQ(errors.ErrorCode, kErrWrongDeviceKind);
  errors.ErrorCode = kErrOk;
  layer.CloseDeviceAccess(9);  // nothing to close, nothing reported
  EXPECT_EQ(errors.ErrorCode, kErrOk);
}

TEST_F(BankLayerTest, SoundFontDevicesAreOpenOnlyInsideTheirBracket) {
  Install("ews64.cards=1\nsoundfont.devices=2\n");
  OpenAll();
  layer.OpenDeviceAccess(1);
  EXPECT_EQ(Dev(1).handle, sfman::kOpenHandle);
  EXPECT_EQ(Dev(2).handle, 0u);
  layer.OpenDeviceAccess(0);  // the card: nothing to do
  layer.CloseDeviceAccess(1);
  EXPECT_EQ(Dev(1).handle, 0u);
  layer.OpenAllSoundFontDevices();
  EXPECT_EQ(Dev(1).handle, sfman::kOpenHandle);
  EXPECT_EQ(Dev(2).handle, sfman::kOpenHandle);
  layer.CloseAllSoundFontDevices();
  EXPECT_EQ(Dev(1).handle, 0u);
  EXPECT_EQ(Dev(2).handle, 0u);
  EXPECT_NE(Dev(0).handle, 0u);

  // Brackets nest: only the outermost close closes.
  layer.OpenDeviceAccess(1);
  layer.OpenAllSoundFontDevices();
  layer.CloseAllSoundFontDevices();
  EXPECT_EQ(Dev(1).handle, sfman::kOpenHandle);
  EXPECT_EQ(Dev(2).handle, 0u);
  layer.CloseDeviceAccess(1);
  EXPECT_EQ(Dev(1).handle, 0u);
  layer.CloseDeviceAccess(1);  // one close too many closes nothing more
  layer.OpenDeviceAccess(1);
  EXPECT_EQ(Dev(1).handle, sfman::kOpenHandle);
  layer.CloseDeviceAccess(1);
  EXPECT_EQ(Dev(1).handle, 0u);
}

TEST_F(BankLayerTest, DispatchHandsEachKindToItsBackendAndSkipsOthers) {
  Install("ews64.cards=1\nsoundfont.devices=1\n");
  OpenAll();
  SoundSet("C:\\Banks\\strings.tts", "Strings", 30000, 41);
  SoundFont("C:\\Banks\\piano.sf2", "Grand Piano");

  // Bank names come from the files: sound set chunk, SoundFont INAM.
  BankSlot rec;
  layer.ReadBankName(0, "C:\\Banks\\strings.tts", rec);
  EXPECT_STREQ(rec.name, "Strings");
  EXPECT_EQ(rec.sizeKB, 29);
  layer.ReadBankName(1, "C:\\Banks\\piano.sf2", rec);
  EXPECT_STREQ(rec.name, "Grand Piano");
  EXPECT_EQ(layer.SmartSlot(0, 3, "C:\\Banks\\strings.tts"), 41);
  EXPECT_EQ(layer.SmartSlot(1, 3, "C:\\Banks\\strings.tts"), 3);  // not for SoundFont devices

  // An empty name becomes the file's title.
  SoundFont("C:\\Banks\\nameless.sf2", "");
  layer.ReadBankName(1, "C:\\Banks\\nameless.sf2", rec);
  EXPECT_STREQ(rec.name, "Nameless");

  // Unknown kinds and numbers beyond the count reach no backend.
  sim::ClearDriverMessages();
  Dev(0).kind = 5;
  EXPECT_FALSE(layer.IsBankLoaded(0, 1, "Strings"));
  layer.LoadBankFile(0, 1, "C:\\Banks\\strings.tts");
  EXPECT_EQ(layer.ClearSlotInDevice(0, 1), kErrOk);
  layer.ReadMemInfo(0);
  layer.LoadBankFile(3, 1, "C:\\Banks\\strings.tts");
  EXPECT_TRUE(sim::DriverMessages().empty());
  EXPECT_EQ(errors.ErrorCode, kErrOk);

  // A slot outside 0-127 is refused before any backend sees it.
  Dev(0).kind = kKindEws64;
  layer.LoadBankFile(0, 128, "C:\\Banks\\strings.tts");
  EXPECT_EQ(errors.ErrorCode, kErrSlotLocked);
  errors.ErrorCode = kErrOk;
  layer.ReadSlotInfo(1, -1, rec);
  EXPECT_EQ(errors.ErrorCode, kErrSlotLocked);
  EXPECT_TRUE(sim::DriverMessages().empty());
}

TEST_F(BankLayerTest, NormaliseUseStampsMakesTheOldestStampOne) {
  Install("ews64.cards=1\nsoundfont.devices=1\n");
  OpenAll();
  Slot(0, 0).useStamp = 5;
  Slot(0, 1).useStamp = 9;
  Slot(1, 2).useStamp = 0;
  layer.NormaliseUseStamps();
  EXPECT_EQ(Slot(0, 0).useStamp, 1u);
  EXPECT_EQ(Slot(0, 1).useStamp, 5u);
  EXPECT_EQ(Slot(1, 2).useStamp, 0u);

  Slot(0, 0).useStamp = 1;
  Slot(0, 1).useStamp = 3;
  layer.NormaliseUseStamps();
  EXPECT_EQ(Slot(0, 0).useStamp, 1u);
  EXPECT_EQ(Slot(0, 1).useStamp, 3u);

  // View slots do not count for the minimum but shift with the others; one
  // older than every bank stays at 1 instead of wrapping round.
  Slot(0, 0).useStamp = 20;
  Slot(0, 1).useStamp = 30;
  Slot(0, 120).flags = Fixed;
  Slot(0, 120).useStamp = 25;
  Slot(0, 121).flags = Fixed;
  Slot(0, 121).useStamp = 4;
  layer.NormaliseUseStamps();
  EXPECT_EQ(Slot(0, 0).useStamp, 1u);
  EXPECT_EQ(Slot(0, 1).useStamp, 11u);
  EXPECT_EQ(Slot(0, 120).useStamp, 6u);
  EXPECT_EQ(Slot(0, 121).useStamp, 1u);
  EXPECT_EQ(layer.UseCounter(), 0u);  // the counter itself is not changed
  EXPECT_EQ(layer.NextUseStamp(), 1u);
}

TEST_F(BankLayerTest, VirtualBankModeExchangesTheViewsOfEveryCard) {
  Install("ews64.cards=2\nsoundfont.devices=1\n");
  OpenAll();
  for (int dev = 0; dev < 3; ++dev) {
    for (int slot : {0, 7, 8, 119, 120, 127}) {
      Slot(dev, slot).useStamp = static_cast<std::uint32_t>(dev * 1000 + slot);
    }
  }
  config.Set(VBMode, true);
  layer.ApplyVirtualBankMode(true, false);
  for (int dev = 0; dev < 2; ++dev) {
    EXPECT_EQ(Slot(dev, 0).useStamp, dev * 1000u + 120);
    EXPECT_EQ(Slot(dev, 7).useStamp, dev * 1000u + 127);
    EXPECT_EQ(Slot(dev, 120).useStamp, dev * 1000u + 0);
    EXPECT_EQ(Slot(dev, 127).useStamp, dev * 1000u + 7);
    EXPECT_EQ(Slot(dev, 8).useStamp, dev * 1000u + 8);  // the rest stay
    EXPECT_EQ(Slot(dev, 119).useStamp, dev * 1000u + 119);
  }
  EXPECT_EQ(Slot(2, 0).useStamp, 2000u);  // SoundFont devices keep theirs
  EXPECT_EQ(Slot(2, 120).useStamp, 2120u);
  EXPECT_EQ(shell.virtualBankModeShown, 1);
  EXPECT_EQ(shell.rebuilds, 1);
  EXPECT_EQ(shell.trayMenus, 1);

  // Back again: the same exchange.
  config.Set(VBMode, false);
  layer.ApplyVirtualBankMode(false, true);
  EXPECT_EQ(Slot(1, 0).useStamp, 1000u);
  EXPECT_EQ(Slot(1, 127).useStamp, 1127u);
  EXPECT_EQ(shell.virtualBankModeShown, 0);
  EXPECT_EQ(Dev(2).handle, 0u);  // opened for the refresh, closed again
}

TEST_F(BankLayerTest, KeepFailingFileOutlivesTheCallersBuffer) {
  {
    std::string path = "C:\\Banks\\gone.sf2";
    layer.KeepFailingFile(path.c_str());
  }
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\gone.sf2");
  const std::string longPath(400, 'x');
  layer.KeepFailingFile(longPath.c_str());
  EXPECT_EQ(std::strlen(errors.failingFile), 259u);
}

}  // namespace
}  // namespace korvel::devtest
