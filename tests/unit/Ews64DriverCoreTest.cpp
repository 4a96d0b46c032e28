// The emulated EWS64 driver: its eight messages, the driver block's byte
// layouts, its error numbers, its sound memory and the state it keeps across
// a restart.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "emulators/bankgen/BankWriter.h"
#include "emulators/core/Abi.h"
#include "emulators/core/Emulator.h"
#include "emulators/core/EmulatorState.h"
#include "emulators/core/Ews64DriverCore.h"
#include "tests/unit/EmulatorTestSupport.h"

namespace korvel::emu {
namespace {

using testing::Host;
using testing::U16;
using testing::U32;

using Block = std::array<std::uint8_t, kDriverBlockSize>;

void Set16(Block& block, std::size_t at, unsigned value) {
  block[at] = static_cast<std::uint8_t>(value);
  block[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Set32(Block& block, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) block[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

class Ews64DriverTest : public testing::EmulatorFixture {
 protected:
  void Start() { emulator = std::make_unique<Emulator>(Setup()); }
  std::intptr_t Send(std::uint32_t msg, std::intptr_t p1 = 0, std::intptr_t p2 = 0) {
    return emulator->Ews64Driver().Message(msg, p1, p2);
  }
  std::intptr_t Card(unsigned number = 0) { return Send(kMsgOpenCard, number + 1); }
  std::intptr_t WithBlock(std::uint32_t msg, std::intptr_t card) {
    return Send(msg, card, reinterpret_cast<std::intptr_t>(block.data()));
  }
  // The load block as the program fills it.
  void FillLoad(unsigned bank, const std::string& path, unsigned slot = 0) {
    block.fill(0xEE);
    Set32(block, 0, bank);
    Set32(block, 4, 12);
    Set32(block, 8, 126 - slot);
    Set32(block, 12, 0);
    std::memset(block.data() + 16, 0, 128);
    std::memcpy(block.data() + 16, path.c_str(), std::min<std::size_t>(path.size(), 128));
  }
  std::intptr_t Load(unsigned bank, const std::string& path, unsigned slot = 0,
                     std::intptr_t card = 0) {
    FillLoad(bank, path, slot);
    return WithBlock(kMsgLoadBank, card ? card : Card());
  }
  void FillInfo(unsigned bank) {
    block.fill(0xEE);
    Set16(block, 0, 0);
    Set16(block, 2, 12);
    Set16(block, 4, bank);
  }
  std::intptr_t Info(unsigned bank, std::intptr_t card = 0) {
    FillInfo(bank);
    return WithBlock(kMsgBankInfo, card ? card : Card());
  }
  std::string InfoName() const { return reinterpret_cast<const char*>(block.data() + 18); }
  std::uint32_t InfoBytes() const { return U16(block.data() + 16) * 65536u + U16(block.data() + 14); }
  std::int32_t FreeBytes(std::intptr_t card = 0) {
    block.fill(0);
    EXPECT_EQ(WithBlock(kMsgMemoryInfo, card ? card : Card()), 0);
    return static_cast<std::int32_t>(U32(block.data() + 16));
  }
  std::string SoundSet(const std::string& file, const std::string& name, std::uint32_t bytes) {
    const std::string path = "C:\\BANKS\\" + file;
    EXPECT_TRUE(bankgen::WriteBankFile(
        Host(path), bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, name, bytes, 0)));
    return path;
  }

  std::unique_ptr<Emulator> emulator;
  Block block{};
};

TEST_F(Ews64DriverTest, CardsAreCountedOpenedAndIdentified) {
  WriteConfig("ews64.cards=2\news64.card1.id=0xE6401\n");
  Start();
  EXPECT_EQ(Send(kMsgCardCount), 2);
  const std::intptr_t first = Card(0), second = Card(1);
  EXPECT_NE(first, 0);
  EXPECT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(Send(kMsgOpenCard, 0), 0);
  EXPECT_EQ(Send(kMsgOpenCard, 3), 0);
  EXPECT_EQ(Send(kMsgCardId, Send(kMsgCardCookie, first)), 0x64A0);
  EXPECT_EQ(Send(kMsgCardId, Send(kMsgCardCookie, second)), 0xE6401);
  EXPECT_EQ(Send(kMsgCardCookie, 12345), 0);
  EXPECT_EQ(Send(kMsgCardId, 0), 0);
}

TEST_F(Ews64DriverTest, MemoryInfoFillsTheBlockInBytes) {
  WriteConfig("ews64.memory_kb=2048\n");
  Start();
  block.fill(0xEE);
  ASSERT_EQ(WithBlock(kMsgMemoryInfo, Card()), 0);
  const std::uint8_t expected[8] = {0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x00};
  EXPECT_EQ(std::memcmp(block.data() + 12, expected, 8), 0);
  EXPECT_EQ(block[11], 0xEE);  // nothing else is touched
  EXPECT_EQ(block[20], 0xEE);
}

TEST_F(Ews64DriverTest, LoadedBankReportsNameAndSizeHalves) {
  Start();
  const std::string path = SoundSet("PIANO1.TTS", "PIANO1", 0x28000);
  ASSERT_EQ(Load(3, path, 3), 0);
  ASSERT_EQ(Info(3), 0);
  // 0x2_8000 bytes: low half 0x8000 at 14, high half 0x0002 at 16, name from 18.
  const std::uint8_t expected[] = {0x00, 0x80, 0x02, 0x00, 'P', 'I', 'A', 'N', 'O', '1', 0};
  EXPECT_EQ(std::memcmp(block.data() + 14, expected, sizeof expected), 0);
  EXPECT_EQ(InfoBytes() / 1024, 160u);
  EXPECT_EQ(FreeBytes(), 4096 * 1024 - 0x28000);

  // An empty bank: size 0 and an empty name, whatever the block held before.
  ASSERT_EQ(Info(2), 0);
  EXPECT_EQ(InfoBytes(), 0u);
  EXPECT_EQ(InfoName(), "");
  EXPECT_EQ(block[19], 0);
}

TEST_F(Ews64DriverTest, FullMemoryRefusesUntilABankIsCleared) {
  WriteConfig("ews64.memory_kb=256\n");
  Start();
  const std::string big = SoundSet("BIG.TTS", "BIG", 200 * 1024);
  const std::string other = SoundSet("OTHER.TTS", "OTHER", 100 * 1024);
  ASSERT_EQ(Load(0, big), 0);
  EXPECT_EQ(FreeBytes(), 56 * 1024);
  EXPECT_EQ(Load(1, other), 8);
  EXPECT_EQ(FreeBytes(), 56 * 1024);
  ASSERT_EQ(Info(1), 0);
  EXPECT_EQ(InfoName(), "");

  // Clearing gives the memory back, and the load then fits.
  EXPECT_EQ(Send(kMsgClearBank, Card(), 0), 0);
  EXPECT_EQ(FreeBytes(), 256 * 1024);
  EXPECT_EQ(Load(1, other), 0);
  EXPECT_EQ(FreeBytes(), 156 * 1024);

  // A bank exactly as large as the free memory fits.
  EXPECT_EQ(Load(2, SoundSet("EXACT.TTS", "EXACT", 156 * 1024)), 0);
  EXPECT_EQ(FreeBytes(), 0);
}

TEST_F(Ews64DriverTest, ReplacingABankFreesItsMemoryFirst) {
  WriteConfig("ews64.memory_kb=256\n");
  Start();
  ASSERT_EQ(Load(5, SoundSet("A.TTS", "AAA", 200 * 1024)), 0);
  ASSERT_EQ(Load(5, SoundSet("B.94B", "BBB", 220 * 1024)), 11);  // 94b files need the PRIO tag
  ASSERT_TRUE(bankgen::WriteBankFile(
      Host("C:\\BANKS\\B.94B"), bankgen::SoundSetBytes(bankgen::SoundSetKind::Ews94, "BBB", 220 * 1024, 0)));
  ASSERT_EQ(Load(5, "C:\\BANKS\\B.94B"), 0);
  ASSERT_EQ(Info(5), 0);
  EXPECT_EQ(InfoName(), "BBB");
  EXPECT_EQ(FreeBytes(), 36 * 1024);
  // A refused replacement keeps the old bank.
  ASSERT_EQ(Load(5, SoundSet("C.TTS", "CCC", 300 * 1024)), 8);
  ASSERT_EQ(Info(5), 0);
  EXPECT_EQ(InfoName(), "BBB");
}

TEST_F(Ews64DriverTest, RefusalsCarryTheDriverErrorNumbers) {
  WriteConfig("ews64.memory_kb=64\n");
  Start();
  const std::string set = SoundSet("SET.TTS", "SET", 1000);
  EXPECT_EQ(Load(0, "C:\\BANKS\\MISSING.TTS"), 2);
  EXPECT_EQ(Load(0, "C:\\NOFOLDER\\SET.TTS"), 2);
  ASSERT_TRUE(bankgen::WriteBankFile(Host("C:\\BANKS\\FONT.SF2"), bankgen::SoundFontBytes("F", 100)));
  EXPECT_EQ(Load(0, "C:\\BANKS\\FONT.SF2"), 11);
  testing::WriteFile(Host("C:\\BANKS\\NOTAG.TTS"), std::string(600, 'x'));
  EXPECT_EQ(Load(0, "C:\\BANKS\\NOTAG.TTS"), 11);
  EXPECT_EQ(Load(0, SoundSet("HUGE.TTS", "HUGE", 65 * 1024)), 8);

  // Bad card handles.
  const std::intptr_t stale = Card() + 7;
  EXPECT_EQ(Load(0, set, 0, stale), 38);
  EXPECT_EQ(Info(0, stale), 38);
  EXPECT_EQ(WithBlock(kMsgMemoryInfo, stale), 38);
  EXPECT_EQ(Send(kMsgClearBank, 0, 0), 38);

  // Bad arguments.
  EXPECT_EQ(Load(8, set), 87);
  EXPECT_EQ(Info(8), 87);
  EXPECT_EQ(Send(kMsgClearBank, Card(), 8), 87);
  EXPECT_EQ(Send(kMsgClearBank, Card(), -1), 87);
  EXPECT_EQ(Send(kMsgLoadBank, Card(), 0), 87);
  EXPECT_EQ(Send(kMsgBankInfo, Card(), 0), 87);
  EXPECT_EQ(Load(0, ""), 87);
  EXPECT_EQ(Load(0, set, 127), 87);  // 126 - slot below zero
  FillLoad(0, set);
  Set32(block, 4, 11);
  EXPECT_EQ(WithBlock(kMsgLoadBank, Card()), 87);
  FillLoad(0, set);
  Set32(block, 12, 1);
  EXPECT_EQ(WithBlock(kMsgLoadBank, Card()), 87);
  FillLoad(0, set);
  std::memset(block.data() + 16, 'A', 128);  // no terminator within 128 bytes
  EXPECT_EQ(WithBlock(kMsgLoadBank, Card()), 87);
  FillInfo(0);
  Set16(block, 2, 13);
  EXPECT_EQ(WithBlock(kMsgBankInfo, Card()), 87);

  EXPECT_EQ(Send(0x4300, Card(), 0), 1);  // not a message of this driver

  // None of these changed the card.
  EXPECT_EQ(FreeBytes(), 64 * 1024);
  EXPECT_EQ(Load(0, set, 119), 0);  // virtual slot 119 sends 7
  EXPECT_EQ(Load(1, set, 0), 0);    // virtual slot 0 sends 126
}

TEST_F(Ews64DriverTest, BanksSurviveARestartOfTheHost) {
  WriteConfig("ews64.cards=2\n");
  Start();
  const std::string path = SoundSet("ORGAN.TTS", "ORGAN", 5000);
  ASSERT_EQ(Load(6, path, 0, Card(1)), 0);
  EXPECT_FALSE(std::filesystem::exists(Setup().statePath + ".new"));
  emulator.reset();

  Start();
  ASSERT_EQ(Info(6, Card(1)), 0);
  EXPECT_EQ(InfoName(), "ORGAN");
  EXPECT_EQ(InfoBytes(), 5000u);
  EXPECT_EQ(FreeBytes(Card(1)), 4096 * 1024 - 5000);
  ASSERT_EQ(Info(6, Card(0)), 0);
  EXPECT_EQ(InfoName(), "");
  // The card keeps the bank even when the file goes away.
  std::filesystem::remove(Host(path));
  emulator.reset();
  Start();
  ASSERT_EQ(Info(6, Card(1)), 0);
  EXPECT_EQ(InfoName(), "ORGAN");

  ASSERT_EQ(Send(kMsgClearBank, Card(1), 6), 0);
  emulator.reset();
  Start();
  ASSERT_EQ(Info(6, Card(1)), 0);
  EXPECT_EQ(InfoName(), "");
}

TEST_F(Ews64DriverTest, StateFileHoldsTheBanksAsWritten) {
  Start();
  ASSERT_EQ(Load(3, SoundSet("PIANO1.TTS", "PIANO1", 0x28000)), 0);
  const std::string body =
      "KORVELEMU STATE 1\n"
      "ews64\t0\t3\t163840\tPIANO1\tC:\\BANKS\\PIANO1.TTS\n";
  const std::string text = StateText();
  ASSERT_EQ(text.substr(0, body.size()), body);
  char crc[16];
  std::snprintf(crc, sizeof crc, "crc\t%08x\n", static_cast<unsigned>(Crc32(body)));
  EXPECT_EQ(text.substr(body.size()), crc);
}

TEST_F(Ews64DriverTest, DamagedStateFileStartsEmpty) {
  Start();
  ASSERT_EQ(Load(1, SoundSet("KEEP.TTS", "KEEP", 3000)), 0);
  const std::string good = StateText();
  emulator.reset();

  // Torn at every length, or one byte changed: all or nothing.
  for (std::size_t n = 0; n <= good.size(); ++n) {
    testing::WriteFile(Setup().statePath, good.substr(0, n));
    Start();
    ASSERT_EQ(Info(1), 0);
    EXPECT_EQ(InfoName(), n == good.size() ? "KEEP" : "") << n;
  }
  std::string altered = good;
  altered[good.find("KEEP")] = 'X';
  testing::WriteFile(Setup().statePath, altered);
  Start();
  ASSERT_EQ(Info(1), 0);
  EXPECT_EQ(InfoName(), "");
  EXPECT_EQ(FreeBytes(), 4096 * 1024);

  // Garbage.
  testing::WriteFile(Setup().statePath, std::string("\xFF\x00garbage\n", 10));
  Start();
  EXPECT_EQ(FreeBytes(), 4096 * 1024);
  // The next change writes a good file again.
  ASSERT_EQ(Load(2, SoundSet("NEW.TTS", "NEW", 100)), 0);
  emulator.reset();
  Start();
  ASSERT_EQ(Info(2), 0);
  EXPECT_EQ(InfoName(), "NEW");
}

TEST_F(Ews64DriverTest, UnwritableStateKeepsTheBanksForThisRun) {
  std::filesystem::create_directories(Setup().statePath);  // a folder where the file belongs
  Start();
  ASSERT_EQ(Load(0, SoundSet("STAY.TTS", "STAY", 100)), 0);
  ASSERT_EQ(Info(0), 0);
  EXPECT_EQ(InfoName(), "STAY");
  EXPECT_FALSE(std::filesystem::exists(Setup().statePath + ".new"));
  EXPECT_TRUE(std::filesystem::is_directory(Setup().statePath));
}

TEST_F(Ews64DriverTest, AnotherModuleSeesTheChange) {
  Start();
  Emulator other(Setup());
  ASSERT_EQ(Load(4, SoundSet("SHARED.TTS", "SHARED", 2048)), 0);
  std::uint8_t info[kDriverBlockSize] = {0, 0, 12, 0, 4, 0};
  const std::intptr_t card = other.Ews64Driver().Message(kMsgOpenCard, 1, 0);
  ASSERT_EQ(other.Ews64Driver().Message(kMsgBankInfo, card, reinterpret_cast<std::intptr_t>(info)), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(info + 18), "SHARED");
  // And back the other way.
  ASSERT_EQ(other.Ews64Driver().Message(kMsgClearBank, card, 4), 0);
  ASSERT_EQ(Info(4), 0);
  EXPECT_EQ(InfoName(), "");
}

TEST_F(Ews64DriverTest, StoredBanksThatNoLongerFitAreDropped) {
  WriteConfig("ews64.cards=2\n");
  Start();
  ASSERT_EQ(Load(0, SoundSet("ONE.TTS", "ONE", 100 * 1024)), 0);
  ASSERT_EQ(Load(1, SoundSet("TWO.TTS", "TWO", 100 * 1024)), 0);
  ASSERT_EQ(Load(0, "C:\\BANKS\\ONE.TTS", 0, Card(1)), 0);
  emulator.reset();

  // One card of 150 KB now: the first bank fits, the second does not, and
  // the second card is gone.
  WriteConfig("ews64.cards=1\news64.memory_kb=150\n");
  Start();
  EXPECT_EQ(Send(kMsgCardCount), 1);
  ASSERT_EQ(Info(0), 0);
  EXPECT_EQ(InfoName(), "ONE");
  ASSERT_EQ(Info(1), 0);
  EXPECT_EQ(InfoName(), "");
  EXPECT_EQ(FreeBytes(), 50 * 1024);
}

}  // namespace
}  // namespace korvel::emu
