// The EWS64 backend against the emulated driver: the request blocks byte by
// byte, the result table, loads, clears, slot and memory reads in both bank
// modes, and the driver and card lifecycle.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "banks/BankLoading.h"
#include "tests/unit/DeviceTestSupport.h"

namespace korvel::devtest {
namespace {

namespace sim = platform::sim;
using namespace ews64;

// ---- Request blocks -----------------------------------------------------------------

TEST(Ews64BlockTest, InfoRequestAndAnswerSitAtTheirOffsets) {
  std::uint8_t block[kBlockSize];
  std::memset(block, 0xEE, sizeof block);
  EncodeBankInfoRequest(block, 5);
  const std::uint8_t request[6] = {0, 0, 12, 0, 5, 0};
  EXPECT_EQ(std::memcmp(block, request, 6), 0);
  EXPECT_EQ(block[6], 0xEE);  // nothing else is written

  // A bank of 0x0002 (high) and 0x8000 (low) bytes is 160 KB.
  block[14] = 0x00, block[15] = 0x80, block[16] = 0x02, block[17] = 0x00;
  std::memcpy(block + 18, "Strings", 8);
  char name[32];
  std::uint32_t bytes = 0;
  DecodeBankInfo(block, name, sizeof name, &bytes);
  EXPECT_EQ(bytes, 0x28000u);
  EXPECT_EQ(SizeKB(bytes), 160);
  EXPECT_STREQ(name, "Strings");

  // A name without a terminator is cut to the field, and never read past the block.
  std::memset(block + 18, 'N', kBlockSize - 18);
  DecodeBankInfo(block, name, sizeof name, &bytes);
  EXPECT_EQ(std::string(name), std::string(31, 'N'));
  char wide[600];
  DecodeBankInfo(block, wide, sizeof wide, &bytes);
  EXPECT_EQ(std::strlen(wide), kBlockSize - 18);
  EXPECT_EQ(SizeKB(0xFFFFFFFFu), 0xFFFF);  // held in 16 bits
}

TEST(Ews64BlockTest, LoadRequestCarriesBankTwelveSlotZeroAndPath) {
  std::uint8_t block[kBlockSize];
  std::memset(block, 0xEE, sizeof block);
  ASSERT_TRUE(EncodeLoadRequest(block, 3, 0, "C:\\BANKS\\STRINGS.TTS"));
  const std::uint8_t fields[16] = {3, 0, 0, 0, 12, 0, 0, 0, 126, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(block, fields, 16), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(block + 16), "C:\\BANKS\\STRINGS.TTS");
  EXPECT_EQ(block[16 + 127], 0);  // the rest of the path field is cleared
  EXPECT_EQ(block[16 + 128], 0xEE);

  ASSERT_TRUE(EncodeLoadRequest(block, 7, 119, "x"));
  EXPECT_EQ(Le32(block + 0), 7u);
  EXPECT_EQ(Le32(block + 8), 7u);  // 126 - 119

  const std::string fits(127, 'p');
  EXPECT_TRUE(EncodeLoadRequest(block, 0, 0, fits.c_str()));
  const std::string tooLong(128, 'p');
  block[0] = 0x55;
  EXPECT_FALSE(EncodeLoadRequest(block, 0, 0, tooLong.c_str()));
  EXPECT_EQ(block[0], 0x55);
}

TEST(Ews64BlockTest, MemoryAnswerIsTwoSignedCounts) {
  std::uint8_t block[kBlockSize] = {};
  block[12] = 0x00, block[13] = 0x00, block[14] = 0x40, block[15] = 0x00;  // 4 MB
  block[16] = 0xFF, block[17] = 0xFF, block[18] = 0xFF, block[19] = 0xFF;  // -1
  std::int32_t total = 0, free = 0;
  DecodeMemoryInfo(block, &total, &free);
  EXPECT_EQ(total, 4 * 1024 * 1024);
  EXPECT_EQ(free, -1);
}

TEST(Ews64BlockTest, DriverResultsMapToErrorCodes) {
  EXPECT_EQ(ResultToErrorCode(0), kErrOk);
  EXPECT_EQ(ResultToErrorCode(2), kErrFileNotFound);
  EXPECT_EQ(ResultToErrorCode(8), kErrNoSoundMemory);
  EXPECT_EQ(ResultToErrorCode(14), kErrNoSoundMemory);
  EXPECT_EQ(ResultToErrorCode(9), kErrUnsupportedFormat);
  EXPECT_EQ(ResultToErrorCode(11), kErrUnsupportedFormat);
  EXPECT_EQ(ResultToErrorCode(13), kErrUnsupportedFormat);
  EXPECT_EQ(ResultToErrorCode(38), kErrInvalidHandle);
  EXPECT_EQ(ResultToErrorCode(87), kErrInvalidArguments);
  for (int other : {1, 3, 7, 10, 12, 15, 37, 39, 86, 88, -1})
    EXPECT_EQ(ResultToErrorCode(other), kErrBankLoadFailed) << other;
}

// ---- Against the emulated driver ------------------------------------------------------

class Ews64Test : public DeviceLayerTest {
 protected:
  void SetUp() override {
    DeviceLayerTest::SetUp();
    Install("ews64.cards=1\nsoundfont.devices=0\news64.memory_kb=100\n");
    OpenAll();
    ASSERT_EQ(layer.Count(), 1);
    sim::ClearDriverMessages();
  }
  const BankSlot* Card() { return layer.Ews64().CardBanks(0); }
};

TEST_F(Ews64Test, OpeningTheDriverCountsCardsAndReadsTheirBanks) {
  EXPECT_TRUE(layer.Ews64().IsOpen());
  EXPECT_EQ(layer.Ews64().Ews64CardCount(), 1);
  EXPECT_EQ(sim::OpenDriverCount(), 1);
  EXPECT_EQ(errors.lastEws64Result, 0);

  // A driver that reports more cards than two is cut to two.
  CloseAll();
  EXPECT_EQ(Dev(0).handle, 0u);  // card handles go with the driver
  EXPECT_EQ(sim::OpenDriverCount(), 0);
  sim::SetDriverHook([](std::uint32_t message, std::intptr_t, std::intptr_t) {
    return message == kMsgCardCount ? std::optional<std::intptr_t>(5) : std::nullopt;
  });
  layer.Ews64().OpenEws64Driver();
  EXPECT_EQ(layer.Ews64().Ews64CardCount(), 2);
  sim::SetDriverHook(nullptr);
  layer.Ews64().CloseEws64Driver();

  // With the option off nothing is opened.
  config.Set(UseEWS64, false);
  EXPECT_EQ(layer.Ews64().OpenEws64Driver(), 0u);
  EXPECT_EQ(sim::OpenDriverCount(), 0);
}

TEST_F(Ews64Test, LoadReadAndClearOutsideVirtualBankMode) {
  SoundSet("C:\\Banks\\strings.tts", "Strings", 30720);
  layer.LoadBankFile(0, 3, "C:\\Banks\\strings.tts");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\strings.tts");
  const auto loads = Sent(kMsgLoadBank);
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].param1, static_cast<std::intptr_t>(Dev(0).handle));
  EXPECT_EQ(Le32(loads[0].block.data() + 0), 3u);
  EXPECT_EQ(Le32(loads[0].block.data() + 4), 12u);
  EXPECT_EQ(Le32(loads[0].block.data() + 8), 123u);
  EXPECT_EQ(Le32(loads[0].block.data() + 12), 0u);
  EXPECT_STREQ(reinterpret_cast<const char*>(loads[0].block.data() + 16), "C:\\Banks\\strings.tts");
  EXPECT_EQ(Slot(0, 3).flags & (Loaded | Mapped), Loaded | Mapped);
  EXPECT_EQ(Slot(0, 3).physBank, 3);
  EXPECT_STREQ(Card()[3].name, kPlaceholderName);  // occupied until read again

  BankSlot& rec = Slot(0, 3);
  layer.ReadSlotInfo(0, 3, rec);
  EXPECT_STREQ(rec.name, "Strings");
  EXPECT_EQ(rec.sizeKB, 30);
  EXPECT_TRUE(rec.Has(Loaded));
  EXPECT_STREQ(Card()[3].name, "Strings");

  EXPECT_TRUE(layer.IsBankLoaded(0, 3, "STRINGS"));
  EXPECT_FALSE(layer.IsBankLoaded(0, 4, "Strings"));  // bank 4 holds nothing

  layer.ReadMemInfo(0);
  EXPECT_EQ(Dev(0).totalKB, 100);
  EXPECT_EQ(Dev(0).freeKB, 70);

  EXPECT_EQ(layer.ClearSlotInDevice(0, 3), kErrOk);
  EXPECT_EQ(Sent(kMsgClearBank).back().param2, 3);
  EXPECT_EQ(Card()[3].name[0], '\0');
  layer.ReadSlotInfo(0, 3, rec);
  EXPECT_FALSE(rec.Has(Loaded));
  layer.ReadMemInfo(0);
  EXPECT_EQ(Dev(0).freeKB, 100);
}

TEST_F(Ews64Test, SlotsBeyondThePhysicalBanksAreRefusedWithoutADriverCall) {
  SoundSet("C:\\Banks\\strings.tts", "Strings");
  layer.LoadBankFile(0, 8, "C:\\Banks\\strings.tts");
  EXPECT_EQ(errors.ErrorCode, kErrSlotLocked);
  errors.ErrorCode = kErrOk;
  EXPECT_EQ(layer.ClearSlotInDevice(0, 8), kErrSlotLocked);
  EXPECT_TRUE(sim::DriverMessages().empty());

  BankSlot rec;
  rec.flags = Loaded;
  std::strcpy(rec.name, "old");
  layer.ReadSlotInfo(0, 8, rec);  // no physical bank: an empty record
  EXPECT_EQ(rec.name[0], '\0');
  EXPECT_EQ(rec.flags, 0);
  EXPECT_EQ(rec.physBank, kNoPhysBank);
  EXPECT_TRUE(sim::DriverMessages().empty());
}

TEST_F(Ews64Test, AnotherBankInTheSlotsPhysicalBankIsClearedWhenAskedForADifferentOne) {
  SoundSet("C:\\Banks\\strings.tts", "Strings");
  layer.LoadBankFile(0, 2, "C:\\Banks\\strings.tts");
  layer.ReadSlotInfo(0, 2, Slot(0, 2));
  ASSERT_TRUE(Slot(0, 2).Has(Loaded));
  sim::ClearDriverMessages();
  EXPECT_FALSE(layer.IsBankLoaded(0, 2, "Brass"));
  ASSERT_EQ(Sent(kMsgClearBank).size(), 1u);
  EXPECT_EQ(Sent(kMsgClearBank)[0].param2, 2);
  EXPECT_FALSE(Slot(0, 2).Has(Loaded));
}

TEST_F(Ews64Test, VirtualBankModeTakesTheFirstFreePhysicalBank) {
  config.Set(VBMode, true);
  SoundSet("C:\\Banks\\a.tts", "Alpha", 2048);
  SoundSet("C:\\Banks\\b.tts", "Beta", 2048);
  layer.LoadBankFile(0, 0, "C:\\Banks\\a.tts");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  layer.LoadBankFile(0, 119, "C:\\Banks\\b.tts");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  const auto loads = Sent(kMsgLoadBank);
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_EQ(Le32(loads[0].block.data() + 0), 0u);
  EXPECT_EQ(Le32(loads[0].block.data() + 8), 126u);  // virtual slot 0
  EXPECT_EQ(Le32(loads[1].block.data() + 0), 1u);
  EXPECT_EQ(Le32(loads[1].block.data() + 8), 7u);  // virtual slot 119
  EXPECT_EQ(Slot(0, 119).physBank, 1);

  layer.LoadBankFile(0, 120, "C:\\Banks\\b.tts");  // a view slot
  EXPECT_EQ(errors.ErrorCode, kErrSlotLocked);

  // The bank is found in whichever physical bank holds it.
  layer.Ews64().RefreshEws64Banks(0);
  Slot(0, 50) = BankSlot{};
  EXPECT_TRUE(layer.IsBankLoaded(0, 50, "beta"));
  EXPECT_EQ(Slot(0, 50).physBank, 1);
  EXPECT_EQ(Slot(0, 50).sizeKB, 2);
  EXPECT_EQ(Slot(0, 50).flags & (Loaded | Mapped), Loaded | Mapped);
  sim::ClearDriverMessages();
  EXPECT_FALSE(layer.IsBankLoaded(0, 51, "Gamma"));  // not loaded: nothing is cleared
  EXPECT_TRUE(Sent(kMsgClearBank).empty());

  // The views show the physical banks directly.
  BankSlot& view = Slot(0, 121);
  layer.ReadSlotInfo(0, 121, view);
  EXPECT_STREQ(view.name, "Beta");
  EXPECT_EQ(view.physBank, 1);
  EXPECT_EQ(view.flags & (Loaded | Mapped | Fixed), Loaded | Mapped | Fixed);
  // An unmapped virtual slot is not read.
  BankSlot untouched;
  std::strcpy(untouched.name, "keep");
  sim::ClearDriverMessages();
  layer.ReadSlotInfo(0, 60, untouched);
  EXPECT_STREQ(untouched.name, "keep");
  EXPECT_TRUE(sim::DriverMessages().empty());
}

TEST_F(Ews64Test, VirtualBankModeRefusesLoadsWhenAllEightBanksAreTaken) {
  config.Set(VBMode, true);
  SoundSet("C:\\Banks\\s.tts", "Small", 1024);
  for (int slot = 0; slot < 8; ++slot) {
    layer.LoadBankFile(0, slot * 10, "C:\\Banks\\s.tts");
    ASSERT_EQ(errors.ErrorCode, kErrOk) << slot;
  }
  sim::ClearDriverMessages();
  layer.LoadBankFile(0, 90, "C:\\Banks\\s.tts");
  EXPECT_EQ(errors.ErrorCode, kErrNoSoundMemory);
  EXPECT_TRUE(sim::DriverMessages().empty());
}

TEST_F(Ews64Test, ClearingInVirtualBankModeUpdatesTheOtherViewOfTheBank) {
  config.Set(VBMode, true);
  SoundSet("C:\\Banks\\a.tts", "Alpha", 2048);
  layer.LoadBankFile(0, 10, "C:\\Banks\\a.tts");
  layer.LoadBankFile(0, 11, "C:\\Banks\\a.tts");  // a second copy in bank 1
  ASSERT_EQ(Slot(0, 11).physBank, 1);
  layer.ReadSlotInfo(0, 120, Slot(0, 120));
  layer.ReadSlotInfo(0, 121, Slot(0, 121));
  ASSERT_TRUE(Slot(0, 121).Has(Loaded));

  // A virtual slot: its physical bank's view loses the bank too.
  EXPECT_EQ(layer.ClearSlotInDevice(0, 11), kErrOk);
  EXPECT_FALSE(Slot(0, 121).Has(Loaded));
  EXPECT_FALSE(Slot(0, 121).Has(Mapped));
  EXPECT_EQ(Slot(0, 121).name[0], '\0');

  // A view: every virtual slot held in that bank loses it.
  Slot(0, 30) = Slot(0, 10);
  EXPECT_EQ(layer.ClearSlotInDevice(0, 120), kErrOk);
  EXPECT_FALSE(Slot(0, 10).Has(Loaded));
  EXPECT_FALSE(Slot(0, 30).Has(Loaded));

  // An unmapped virtual slot cannot be cleared.
  EXPECT_EQ(layer.ClearSlotInDevice(0, 70), kErrSlotLocked);
}

TEST_F(Ews64Test, LoadAndClearFailuresFollowTheResultTable) {
  SoundSet("C:\\Banks\\big.tts", "Big", 200 * 1024);
  layer.LoadBankFile(0, 1, "C:\\Banks\\big.tts");
  EXPECT_EQ(errors.ErrorCode, kErrNoSoundMemory);  // 100 KB card
  EXPECT_EQ(errors.lastEws64Result, 8);
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));

  layer.LoadBankFile(0, 1, "C:\\Banks\\missing.tts");
  EXPECT_EQ(errors.ErrorCode, kErrFileNotFound);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\missing.tts");

  WriteHostFile("C:\\Banks\\junk.tts", "not a sound set");
  layer.LoadBankFile(0, 1, "C:\\Banks\\junk.tts");
  EXPECT_EQ(errors.ErrorCode, kErrUnsupportedFormat);

  SoundSet("C:\\Banks\\ok.tts", "Ok");
  for (auto [result, code] : {std::pair<int, int>{14, kErrNoSoundMemory}, {9, kErrUnsupportedFormat},
                              {13, kErrUnsupportedFormat}, {38, kErrInvalidHandle},
                              {87, kErrInvalidArguments}, {5, kErrBankLoadFailed}}) {
    sim::SetDriverHook([result = result](std::uint32_t message, std::intptr_t, std::intptr_t) {
      return message == kMsgLoadBank || message == kMsgClearBank
                 ? std::optional<std::intptr_t>(result)
                 : std::nullopt;
    });
    layer.LoadBankFile(0, 1, "C:\\Banks\\ok.tts");
    EXPECT_EQ(errors.ErrorCode, code) << result;
    EXPECT_EQ(layer.ClearSlotInDevice(0, 1), code) << result;
    EXPECT_EQ(errors.lastEws64Result, result);
  }
}

TEST_F(Ews64Test, ReadFailuresKeepTheDriverResultForTheReport) {
  sim::SetDriverHook([](std::uint32_t message, std::intptr_t, std::intptr_t) {
    return message == kMsgMemoryInfo || message == kMsgBankInfo ? std::optional<std::intptr_t>(38)
                                                                : std::nullopt;
  });
  Dev(0).totalKB = 55;
  layer.ReadMemInfo(0);
  EXPECT_EQ(Dev(0).totalKB, 55);
  BankSlot rec;
  std::strcpy(rec.name, "kept");
  layer.ReadSlotInfo(0, 2, rec);
  EXPECT_STREQ(rec.name, "kept");
  EXPECT_EQ(errors.ErrorCode, kErrOk);
  ReportError(errors, "RefreshButtonClick");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find("Error number is 38"), std::string::npos);

  // Refreshing the banks shows one message per failed bank and goes on.
  platform::sim::ClearShownMessageBoxes();
  layer.Ews64().RefreshEws64Banks(0);
  ASSERT_EQ(Boxes().size(), 8u);
  EXPECT_EQ(Boxes()[0].text, "Error in RefreshEws64Banks.");
}

TEST_F(Ews64Test, ABankSizeFromTheDriverIsHighTimes65536PlusLow) {
  sim::SetDriverHook([](std::uint32_t message, std::intptr_t, std::intptr_t block) {
    if (message != kMsgBankInfo) return std::optional<std::intptr_t>();
    auto* bytes = reinterpret_cast<std::uint8_t*>(block);
    bytes[14] = 0x00, bytes[15] = 0x80, bytes[16] = 0x02, bytes[17] = 0x00;
    std::memset(bytes + 18, 0, kBlockSize - 18);
    std::memcpy(bytes + 18, "A name that is far longer than a slot can hold", 47);
    return std::optional<std::intptr_t>(0);
  });
  layer.Ews64().RefreshEws64Banks(0);
  EXPECT_EQ(Card()[4].sizeKB, 160);
  EXPECT_EQ(std::strlen(Card()[4].name), 31u);
  EXPECT_EQ(Card()[4].physBank, 4);
  BankSlot rec;
  layer.ReadSlotInfo(0, 6, rec);
  EXPECT_EQ(rec.sizeKB, 160);
  EXPECT_EQ(std::string(rec.name), "A name that is far longer than ");
}

TEST_F(Ews64Test, WrongKindAndClosedDriverAreReported) {
  Dev(0).kind = kKindSoundFont;
  BankSlot rec;
  layer.Ews64().ReadSlotInfo(0, 1, rec);
  EXPECT_EQ(errors.ErrorCode, kErrWrongDeviceKind);
  errors.ErrorCode = kErrOk;
  EXPECT_EQ(layer.Ews64().ClearSlotInDevice(0, 1), kErrWrongDeviceKind);
  errors.ErrorCode = kErrOk;
  layer.Ews64().ReadMemInfo(0);
  EXPECT_EQ(errors.ErrorCode, kErrWrongDeviceKind);
  errors.ErrorCode = kErrOk;
  Dev(0).kind = kKindEws64;

  layer.Ews64().CloseEws64Driver();
  SoundSet("C:\\Banks\\ok.tts", "Ok");
  layer.Ews64().LoadBankFile(0, 1, "C:\\Banks\\ok.tts");
  EXPECT_EQ(errors.ErrorCode, kErrInvalidHandle);
  EXPECT_EQ(layer.Ews64().DriverCall(kMsgCardCount, 0, 0), 38);
}

TEST_F(Ews64Test, BankNamesAndSlotNumbersComeFromTheSoundSetFiles) {
  SoundSet("C:\\Banks\\long.tts", "Orchestral", 5000, 17);
  SoundSet("C:\\Banks\\other.94b", "Pianos", 3000, 23);
  BankSlot rec;
  layer.Ews64().ReadBankName(0, "C:\\Banks\\long.tts", rec);
  EXPECT_STREQ(rec.name, "Orchestr");  // cut to 8
  EXPECT_EQ(rec.sizeKB, 4);
  layer.Ews64().ReadBankName(0, "C:\\Banks\\OTHER.94B", rec);
  EXPECT_STREQ(rec.name, "Pianos");
  EXPECT_EQ(layer.Ews64().SmartSlot(0, 5, "C:\\Banks\\long.tts"), 17);
  EXPECT_EQ(layer.Ews64().SmartSlot(0, 5, "C:\\Banks\\other.94b"), 23);
  EXPECT_EQ(layer.Ews64().SmartSlot(0, 5, "C:\\Banks\\piano.sf2"), 5);

  layer.Ews64().ReadBankName(0, "C:\\Banks\\piano.sf2", rec);
  EXPECT_EQ(errors.ErrorCode, kErrUnsupportedFormat);
  EXPECT_STREQ(errors.failingFile, "C:\\Banks\\piano.sf2");

  // A stored slot number that names no slot leaves the chosen one.
  SoundSet("C:\\Banks\\odd.tts", "Odd", 3000, 500);
  EXPECT_EQ(layer.Ews64().SmartSlot(0, 9, "C:\\Banks\\odd.tts"), 9);
}

TEST_F(Ews64Test, BanksSurviveClosingAndReopeningTheDriver) {
  SoundSet("C:\\Banks\\strings.tts", "Strings", 4096);
  layer.LoadBankFile(0, 5, "C:\\Banks\\strings.tts");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  CloseAll();
  // As after a restart of the program and the driver.
  Install("ews64.cards=1\nsoundfont.devices=0\news64.memory_kb=100\n");
  OpenAll();
  ASSERT_EQ(layer.Count(), 1);
  EXPECT_STREQ(Card()[5].name, "Strings");
  BankSlot rec;
  layer.ReadSlotInfo(0, 5, rec);
  EXPECT_STREQ(rec.name, "Strings");
  EXPECT_TRUE(rec.Has(Loaded));
}

}  // namespace
}  // namespace korvel::devtest
