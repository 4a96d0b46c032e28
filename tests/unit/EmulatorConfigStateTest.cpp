// The emulator's configuration file and the codec of its state file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "emulators/core/EmulatorConfig.h"
#include "emulators/core/EmulatorState.h"
#include "emulators/core/Ews64Card.h"
#include "emulators/core/SoundFontDevice.h"
#include "tests/unit/EmulatorTestSupport.h"

namespace korvel::emu {
namespace {

TEST(EmulatorConfigTest, DefaultsWhenTheFileIsMissing) {
  const EmulatorConfig config = ReadConfigFile("/nonexistent/korvelemu.ini");
  ASSERT_EQ(config.cards.size(), 1u);
  EXPECT_EQ(config.cards[0].memoryBytes, 4096u * 1024);
  EXPECT_EQ(config.cards[0].id, 0x64A0u);
  ASSERT_EQ(config.devices.size(), 1u);
  EXPECT_EQ(config.devices[0].memoryBytes, 8192u * 1024);
  EXPECT_EQ(config.devices[0].name, "Korvel SoundFont Synth");
  EXPECT_EQ(config.devices[0].romName, "Synth GM Bank");
  EXPECT_EQ(config.statePath, "");
}

TEST(EmulatorConfigTest, KeysSetTheUnits) {
  const EmulatorConfig config = ParseConfig(
      "# emulated hardware\r\n"
      "; another comment\n"
      "  EWS64.Cards = 2\r\n"
      "ews64.memory_kb=1024\n"
      "ews64.card1.memory_kb=2048\n"
      "ews64.card0.id=0xe6401\n"
      "soundfont.devices=3\n"
      "soundfont.memory_kb=512\n"
      "soundfont.device2.memory_kb=32768\n"
      "soundfont.device0.name=  Wave Blaster  \n"
      "soundfont.device1.rom_name=GS Bank\n"
      "state=C:\\EMU\\cards.state\n"
      "no equals sign here\n"
      "unknown.key=1\n");
  ASSERT_EQ(config.cards.size(), 2u);
  EXPECT_EQ(config.cards[0].memoryBytes, 1024u * 1024);
  EXPECT_EQ(config.cards[1].memoryBytes, 2048u * 1024);
  EXPECT_EQ(config.cards[0].id, 0xE6401u);
  EXPECT_EQ(config.cards[1].id, 0x64A1u);
  ASSERT_EQ(config.devices.size(), 3u);
  EXPECT_EQ(config.devices[0].name, "Wave Blaster");
  EXPECT_EQ(config.devices[1].name, "Korvel SoundFont Synth 2");
  EXPECT_EQ(config.devices[1].romName, "GS Bank");
  EXPECT_EQ(config.devices[0].memoryBytes, 512u * 1024);
  EXPECT_EQ(config.devices[2].memoryBytes, 32768u * 1024);
  EXPECT_EQ(config.statePath, "C:\\EMU\\cards.state");
}

TEST(EmulatorConfigTest, ValuesThatDoNotParseKeepTheDefault) {
  const EmulatorConfig config = ParseConfig(
      "ews64.cards=3\n"
      "soundfont.devices=-1\n"
      "ews64.memory_kb=lots\n"
      "soundfont.memory_kb=99999999999\n"
      "ews64.card0.id=xyz\n"
      "soundfont.device0.name=\n");
  EXPECT_EQ(config.cards.size(), 1u);
  EXPECT_EQ(config.devices.size(), 1u);
  EXPECT_EQ(config.cards[0].memoryBytes, 4096u * 1024);
  EXPECT_EQ(config.devices[0].memoryBytes, 8192u * 1024);
  EXPECT_EQ(config.cards[0].id, 0x64A0u);
  EXPECT_EQ(config.devices[0].name, "Korvel SoundFont Synth");

  // Zero units is allowed; the largest memory stays a signed 32-bit byte count.
  const EmulatorConfig none = ParseConfig("ews64.cards=0\nsoundfont.devices=0\n");
  EXPECT_TRUE(none.cards.empty());
  EXPECT_TRUE(none.devices.empty());
  EXPECT_EQ(ParseConfig("ews64.memory_kb=2097151").cards[0].memoryBytes, 2097151u * 1024);
  EXPECT_EQ(ParseConfig("ews64.memory_kb=2097152").cards[0].memoryBytes, 4096u * 1024);
  // Names are cut to what the description record holds.
  EXPECT_EQ(ParseConfig("soundfont.device0.name=" + std::string(200, 'n')).devices[0].name.size(),
            79u);
}

class ConfigFileTest : public testing::EmulatorFixture {};

TEST_F(ConfigFileTest, OnlyTheFirst64KilobytesAreRead) {
  std::string text(kConfigFileMax - 20, '#');
  text += "\nsoundfont.devices=2\n";  // ends exactly at the limit
  text += std::string(100000, 'x') + "\news64.cards=2\n";
  testing::WriteFile(Setup().configPath, text);
  const EmulatorConfig config = ReadConfigFile(Setup().configPath);
  EXPECT_EQ(config.devices.size(), 2u);
  EXPECT_EQ(config.cards.size(), 1u);
}

TEST_F(ConfigFileTest, StatePathIsResolvedBesideTheConfiguration) {
  EXPECT_EQ(ResolveBeside("C:\\EMU\\korvelemu.ini", "cards.state"), "C:\\EMU\\cards.state");
  EXPECT_EQ(ResolveBeside("/tmp/emu/korvelemu.ini", "cards.state"), "/tmp/emu/cards.state");
  EXPECT_EQ(ResolveBeside("C:\\EMU\\korvelemu.ini", "D:\\x.state"), "D:\\x.state");
  EXPECT_EQ(ResolveBeside("korvelemu.ini", "x.state"), "x.state");

  WriteConfig("state=elsewhere.state\n");
  Emulator emulator(Setup());
  EXPECT_EQ(emulator.StatePath(), testing::Host("C:\\EMU\\elsewhere.state"));
}

// ---- State codec ----------------------------------------------------------------

TEST(EmulatorStateTest, Crc32IsTheStandardOne) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
}

struct Units {
  std::vector<Ews64Card> cards{Ews64Card(1 << 20, 1), Ews64Card(1 << 20, 2)};
  std::vector<SoundFontDevice> devices{SoundFontDevice("D", "R", 1 << 20)};
};

TEST(EmulatorStateTest, OddNamesAndPathsComeBackUnchanged) {
  Units units;
  const BankRecord odd{true, "tab\there%25\nnew", 1234, "C:\\My Banks\\x%y.tts"};
  const BankRecord high{true, "\x7F\x01\xE9t\xE9", 99, ""};
  ASSERT_TRUE(units.cards[1].Restore(7, BankRecord{true, "PLAIN", 10, "C:\\P.TTS"}));
  ASSERT_TRUE(units.devices[0].Restore(127, odd));
  ASSERT_TRUE(units.devices[0].Restore(1, high));
  const std::string text = EncodeState(units.cards, units.devices);
  EXPECT_NE(text.find("soundfont\t0\t127\t1234\ttab%09here%2525%0anew\tC:\\My Banks\\x%25y.tts\n"),
            std::string::npos);
  EXPECT_NE(text.find("soundfont\t0\t1\t99\t%7f%01\xE9t\xE9\t\n"), std::string::npos);

  std::vector<StoredBank> banks;
  ASSERT_TRUE(DecodeState(text, &banks));
  ASSERT_EQ(banks.size(), 3u);
  EXPECT_EQ(banks[0].unit, Unit::Ews64);
  EXPECT_EQ(banks[0].index, 1u);
  EXPECT_EQ(banks[0].bank, 7u);
  EXPECT_EQ(banks[1].bank, 1u);
  EXPECT_EQ(banks[1].record, high);
  EXPECT_EQ(banks[2].record, odd);
}

std::string WithCrc(const std::string& body) {
  char crc[16];
  std::snprintf(crc, sizeof crc, "crc\t%08x\n", static_cast<unsigned>(Crc32(body)));
  return body + crc;
}

TEST(EmulatorStateTest, OnlyAnIntactFileIsAccepted) {
  const std::string header = "KORVELEMU STATE 1\n";
  std::vector<StoredBank> banks;
  EXPECT_TRUE(DecodeState(WithCrc(header), &banks));
  EXPECT_TRUE(banks.empty());
  EXPECT_TRUE(DecodeState(WithCrc(header + "ews64\t0\t0\t5\tA\tB\n"), &banks));
  EXPECT_EQ(banks.size(), 1u);

  const char* bad[] = {
      "ews64\t0\t0\t5\tA\n",                          // a field missing
      "ews64\t0\t0\t5\tA\tB\tC\n",                    // one too many
      "sound\t0\t0\t5\tA\tB\n",                       // unknown unit
      "ews64\t0\t0\t-5\tA\tB\n",                      // a sign
      "ews64\t0\t0\t99999999999\tA\tB\n",             // too large
      "ews64\t0\t0\t\tA\tB\n",                        // empty number
      "ews64\t0\t0\t5\tA%\tB\n",                      // cut escape
      "ews64\t0\t0\t5\tA%G1\tB\n",                    // not hex
      "ews64\t0\t0\t5\tA\tB\news64\t0\t0\t6\tC\tD\n", // the same bank twice
      "ews64\t300\t0\t5\tA\tB\n",                     // unit number out of range
  };
  for (const char* line : bad) {
    EXPECT_FALSE(DecodeState(WithCrc(header + line), &banks)) << line;
    EXPECT_TRUE(banks.empty());
  }
  EXPECT_FALSE(DecodeState(WithCrc("KORVELEMU STATE 2\n"), &banks));
  EXPECT_FALSE(DecodeState(header + "crc\t00000000\n", &banks));
  EXPECT_FALSE(DecodeState(WithCrc(header) + "\n", &banks));
  EXPECT_FALSE(DecodeState("", &banks));
  EXPECT_FALSE(DecodeState(std::string(kStateFileMax + 1, 'x'), &banks));
}

TEST(EmulatorStateTest, TornAndAlteredFilesAreRejected) {
  Units units;
  for (unsigned b = 1; b < 20; ++b) {
    ASSERT_TRUE(units.devices[0].Restore(b, BankRecord{true, "N" + std::to_string(b), b, "P"}));
  }
  const std::string text = EncodeState(units.cards, units.devices);
  std::vector<StoredBank> banks;
  for (std::size_t n = 0; n < text.size(); ++n) {
    ASSERT_FALSE(DecodeState(text.substr(0, n), &banks)) << n;
  }
  std::mt19937 random(99);
  for (int round = 0; round < 1000; ++round) {
    std::string mutated = text;
    mutated[random() % mutated.size()] ^= static_cast<char>(1 + random() % 255);
    EXPECT_FALSE(DecodeState(mutated, &banks));
  }
}

}  // namespace
}  // namespace korvel::emu
