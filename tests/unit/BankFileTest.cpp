// Bank file inspection (what the emulated devices read from a bank file) and
// the bank writer that tests and demos use to make bank files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "emulators/bankgen/BankWriter.h"
#include "emulators/core/BankFile.h"
#include "tests/unit/EmulatorTestSupport.h"

namespace korvel::emu {
namespace {

using bankgen::SoundFontBytes;
using bankgen::SoundSetBytes;
using bankgen::SoundSetKind;
using testing::U16;
using testing::U32;

InspectStatus InspectFont(const std::string& bytes, BankFileInfo* info) {
  return InspectSoundFont(MemorySource(bytes.data(), bytes.size()), info);
}

InspectStatus InspectSet(const std::string& bytes, const char* tag, BankFileInfo* info) {
  return InspectSoundSet(MemorySource(bytes.data(), bytes.size()), tag, info);
}

const std::uint8_t* At(const std::string& bytes, std::size_t offset) {
  return reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset;
}

// Offset of the first chunk `id` at or after `from` (searching the raw bytes).
std::size_t Find(const std::string& bytes, const char* id, std::size_t from = 0) {
  const std::size_t at = bytes.find(std::string(id, 4), from);
  EXPECT_NE(at, std::string::npos) << id;
  return at;
}

void SetU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

TEST(BankKindTest, ExtensionDecidesIgnoringCase) {
  EXPECT_EQ(BankKindOf("C:\\BANKS\\PIANO.SF2"), BankKind::SoundFont);
  EXPECT_EQ(BankKindOf("piano.Sf2"), BankKind::SoundFont);
  EXPECT_EQ(BankKindOf("D:\\SETS\\ORGAN.tTs"), BankKind::TtsSoundSet);
  EXPECT_EQ(BankKindOf("strings.94B"), BankKind::Ews94SoundSet);
  EXPECT_EQ(BankKindOf("C:\\BANKS\\NOEXT"), BankKind::Unknown);
  EXPECT_EQ(BankKindOf("C:\\OLD.SF2\\FILE"), BankKind::Unknown);
  EXPECT_EQ(BankKindOf("piano.sf2x"), BankKind::Unknown);
  EXPECT_EQ(BankKindOf(""), BankKind::Unknown);
}

// ---- SoundFont 2 ------------------------------------------------------------------

TEST(SoundFontFileTest, GeneratedFileGivesNameAndSampleSize) {
  const std::string bytes = SoundFontBytes("Piano", 300000);
  BankFileInfo info;
  ASSERT_EQ(InspectFont(bytes, &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "Piano");
  EXPECT_EQ(info.soundBytes, 300000u);
  EXPECT_EQ(info.fileBytes, bytes.size());

  // Sample data is 16-bit: an odd size is rounded up.
  ASSERT_EQ(InspectFont(SoundFontBytes("Odd", 301), &info), InspectStatus::Ok);
  EXPECT_EQ(info.soundBytes, 302u);
}

TEST(SoundFontFileTest, HeaderBytesAreTheOnesBuiltByHand) {
  const std::string bytes = SoundFontBytes("Ab", 0);
  const std::string expected = std::string("RIFF", 4) + std::string("\x46\x01\x00\x00", 4) +
                               "sfbk" + "LIST" + std::string("\x44\x00\x00\x00", 4) + "INFO" +
                               "ifil" + std::string("\x04\x00\x00\x00\x02\x00\x01\x00", 8) +
                               "isng" + std::string("\x08\x00\x00\x00", 4) +
                               std::string("EMU8000\0", 8) + "INAM" +
                               std::string("\x04\x00\x00\x00" "Ab\0\0", 8);
  ASSERT_GE(bytes.size(), expected.size());
  EXPECT_EQ(bytes.substr(0, expected.size()), expected);
  EXPECT_EQ(bytes.size(), 0x146u + 8);
}

// Record counts, terminal records and indices of the pdta hydra, read as a
// SoundFont player would.
void ExpectValidHydra(const std::string& bytes, bool withTone) {
  struct Sub { const char* id; std::size_t record; std::size_t offset = 0, count = 0; };
  Sub subs[] = {{"phdr", 38}, {"pbag", 4}, {"pmod", 10}, {"pgen", 4}, {"inst", 22},
                {"ibag", 4},  {"imod", 10}, {"igen", 4}, {"shdr", 46}};
  const std::size_t pdta = Find(bytes, "pdta");
  for (Sub& sub : subs) {
    const std::size_t at = Find(bytes, sub.id, pdta);
    const std::uint32_t size = U32(At(bytes, at + 4));
    ASSERT_EQ(size % sub.record, 0u) << sub.id;
    sub.offset = at + 8;
    sub.count = size / sub.record;
    ASSERT_GE(sub.count, 1u) << sub.id;
  }
  const Sub &phdr = subs[0], &pbag = subs[1], &pgen = subs[3], &inst = subs[4], &ibag = subs[5],
            &igen = subs[7], &shdr = subs[8];
  auto name = [&](const Sub& s, std::size_t i) {
    return std::string(bytes.c_str() + s.offset + i * s.record);
  };
  EXPECT_EQ(name(phdr, phdr.count - 1), "EOP");
  EXPECT_EQ(name(inst, inst.count - 1), "EOI");
  EXPECT_EQ(name(shdr, shdr.count - 1), "EOS");
  // The terminal records point one past the last bag and generator.
  EXPECT_EQ(U16(At(bytes, phdr.offset + (phdr.count - 1) * 38 + 24)), pbag.count - 1);
  EXPECT_EQ(U16(At(bytes, inst.offset + (inst.count - 1) * 22 + 20)), ibag.count - 1);
  EXPECT_EQ(U16(At(bytes, pbag.offset + (pbag.count - 1) * 4)), pgen.count - 1);
  EXPECT_EQ(U16(At(bytes, ibag.offset + (ibag.count - 1) * 4)), igen.count - 1);
  ASSERT_EQ(phdr.count, withTone ? 2u : 1u);
  if (!withTone) return;

  const std::size_t smpl = Find(bytes, "smpl");
  const std::uint32_t points = U32(At(bytes, smpl + 4)) / 2;
  const std::uint8_t* sample = At(bytes, shdr.offset);
  const std::uint32_t start = U32(sample + 20), end = U32(sample + 24);
  const std::uint32_t loopStart = U32(sample + 28), loopEnd = U32(sample + 32);
  EXPECT_EQ(start, 0u);
  EXPECT_LE(end + 46, points);
  EXPECT_GE(loopStart, start + 8);
  EXPECT_LE(loopEnd + 8, end);
  EXPECT_LT(loopStart, loopEnd);
  EXPECT_EQ(U32(sample + 36), 22050u);
  EXPECT_EQ(U16(sample + 44), 1u);  // mono
  // The instrument's last generator before the terminal is sampleID 53.
  EXPECT_EQ(U16(At(bytes, igen.offset + (igen.count - 2) * 4)), 53u);
  EXPECT_EQ(U16(At(bytes, pgen.offset)), 41u);  // instrument
  // The points after the end are zero.
  for (std::uint32_t i = end; i < points; ++i) {
    ASSERT_EQ(U16(At(bytes, smpl + 8 + 2 * i)), 0u) << i;
  }
  EXPECT_NE(U16(At(bytes, smpl + 8 + 2 * 25)), 0u);  // a quarter period in: the crest
}

TEST(SoundFontFileTest, GeneratedHydraIsComplete) {
  ExpectValidHydra(SoundFontBytes("Tone", 4000), true);
  ExpectValidHydra(SoundFontBytes("Tone", bankgen::kMinToneBytes), true);
  ExpectValidHydra(SoundFontBytes("Silent", bankgen::kMinToneBytes - 2), false);
  ExpectValidHydra(SoundFontBytes("Empty", 0), false);
}

TEST(SoundFontFileTest, RealSoundFontFromDebian) {
  const std::string path = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  BankFileInfo info;
  ASSERT_EQ(InspectBankFile(BankKind::SoundFont, path, &info), InspectStatus::Ok)
      << "install timgm6mb-soundfont (tools/install-deps.sh)";
  EXPECT_EQ(info.name, "TimGM6mb1.sf2");
  EXPECT_EQ(info.soundBytes, 5764336u);
  EXPECT_EQ(info.fileBytes, 5969788u);
}

TEST(SoundFontFileTest, NamesLongerThanTheFieldAreCut) {
  const std::string longName(300, 'n');
  BankFileInfo info;
  ASSERT_EQ(InspectFont(SoundFontBytes(longName, 1000), &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, std::string(255, 'n'));

  // An INAM chunk without a terminator: the name stops at the chunk's end.
  std::string bytes = SoundFontBytes("Abcd", 1000);
  const std::size_t inam = Find(bytes, "INAM");
  bytes[inam + 8 + 4] = 'e';
  bytes[inam + 8 + 5] = 'f';
  ASSERT_EQ(InspectFont(bytes, &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "Abcdef");
}

TEST(SoundFontFileTest, EveryTruncationIsRejected) {
  const std::string bytes = SoundFontBytes("Cut", 600);
  BankFileInfo info;
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    ASSERT_EQ(InspectFont(bytes.substr(0, n), &info), InspectStatus::BadFormat) << n;
    EXPECT_TRUE(info.name.empty());
  }
  // Bytes after the RIFF form do not matter.
  ASSERT_EQ(InspectFont(bytes + "trailing", &info), InspectStatus::Ok);
}

TEST(SoundFontFileTest, OtherFilesAreRejected) {
  BankFileInfo info;
  std::string wave = SoundFontBytes("Wave", 100);
  wave.replace(8, 4, "WAVE");
  EXPECT_EQ(InspectFont(wave, &info), InspectStatus::BadFormat);
  std::string rifx = SoundFontBytes("Rifx", 100);
  rifx.replace(0, 4, "RIFX");
  EXPECT_EQ(InspectFont(rifx, &info), InspectStatus::BadFormat);
  EXPECT_EQ(InspectFont(SoundSetBytes(SoundSetKind::Tts, "SET", 600, 0), &info),
            InspectStatus::BadFormat);
  EXPECT_EQ(InspectFont("", &info), InspectStatus::BadFormat);

  // SoundFont 3 and files missing a mandatory part.
  std::string v3 = SoundFontBytes("V3", 100);
  v3[Find(v3, "ifil") + 8] = 3;
  EXPECT_EQ(InspectFont(v3, &info), InspectStatus::BadFormat);
  std::string noName = SoundFontBytes("Nameless", 100);
  noName.replace(Find(noName, "INAM"), 4, "ICMT");
  EXPECT_EQ(InspectFont(noName, &info), InspectStatus::BadFormat);
  std::string noPdta = SoundFontBytes("NoPdta", 100);
  noPdta.replace(Find(noPdta, "pdta"), 4, "xxxx");
  EXPECT_EQ(InspectFont(noPdta, &info), InspectStatus::BadFormat);
  std::string noShdr = SoundFontBytes("NoShdr", 100);
  noShdr.replace(Find(noShdr, "shdr"), 4, "xhdr");
  EXPECT_EQ(InspectFont(noShdr, &info), InspectStatus::BadFormat);

}

// A SoundFont put together here chunk by chunk, apart from the writer.
std::string HandChunk(const std::string& id, const std::string& data) {
  std::string chunk = id;
  for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<char>(data.size() >> (8 * i)));
  return chunk + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

std::string HandFont(std::size_t pmodBytes, bool withShdr, std::size_t smplBytes = 6) {
  const std::string info = "INFO" + HandChunk("ifil", std::string("\2\0\1\0", 4)) +
                           HandChunk("INAM", std::string("By hand\0", 8));
  std::string pdta = "pdta";
  const std::pair<const char*, std::size_t> parts[] = {
      {"phdr", 38}, {"pbag", 4}, {"pmod", pmodBytes}, {"pgen", 4}, {"inst", 22},
      {"ibag", 4},  {"imod", 10}, {"igen", 4}, {"shdr", 46}};
  for (const auto& [id, size] : parts) {
    if (withShdr || std::string(id) != "shdr") pdta += HandChunk(id, std::string(size, '\0'));
  }
  return HandChunk("RIFF", "sfbk" + HandChunk("LIST", info) +
                               HandChunk("LIST", "sdta" + HandChunk("smpl", std::string(smplBytes, '\1'))) +
                               HandChunk("LIST", pdta));
}

TEST(SoundFontFileTest, HydraMustHoldWholeRecords) {
  BankFileInfo info;
  ASSERT_EQ(InspectFont(HandFont(10, true), &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "By hand");
  EXPECT_EQ(info.soundBytes, 6u);
  EXPECT_EQ(InspectFont(HandFont(20, true, 7), &info), InspectStatus::Ok);  // padded odd chunk
  EXPECT_EQ(info.soundBytes, 7u);
  EXPECT_EQ(InspectFont(HandFont(12, true), &info), InspectStatus::BadFormat);
  EXPECT_EQ(InspectFont(HandFont(0, true), &info), InspectStatus::BadFormat);
  EXPECT_EQ(InspectFont(HandFont(10, false), &info), InspectStatus::BadFormat);
}

TEST(SoundFontFileTest, HugeChunkSizesAreNotTrusted) {
  const std::string good = SoundFontBytes("Huge", 1000);
  BankFileInfo info;
  const char* ids[] = {"RIFF", "LIST", "ifil", "INAM", "smpl", "phdr"};
  for (const char* id : ids) {
    for (std::uint32_t size : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFF8u}) {
      std::string bytes = good;
      SetU32(bytes, Find(bytes, id) + 4, size);
      EXPECT_EQ(InspectFont(bytes, &info), InspectStatus::BadFormat) << id << " " << size;
    }
  }
  // A list too short to hold its type.
  std::string shortList = good;
  SetU32(shortList, Find(shortList, "LIST") + 4, 2);
  EXPECT_EQ(InspectFont(shortList, &info), InspectStatus::BadFormat);
}

// ---- Sound sets ----------------------------------------------------------------------

TEST(SoundSetFileTest, GeneratedSetHasItsFieldsAtTheirOffsets) {
  const std::string bytes = SoundSetBytes(SoundSetKind::Tts, "PIANO1", 120000, 5);
  ASSERT_EQ(bytes.size(), 120000u);
  EXPECT_EQ(bytes.substr(0, 4), "TTPR");
  EXPECT_EQ(std::string(bytes.c_str() + 8), "PIANO1");
  EXPECT_EQ(bytes.substr(24, 4), "TTIM");
  EXPECT_EQ(U16(At(bytes, 34)), 5u);  // the slot, 10 bytes after the tag

  const std::string other = SoundSetBytes(SoundSetKind::Ews94, "STRINGS", 10, 300);
  ASSERT_EQ(other.size(), bankgen::kSoundSetHeaderBytes);
  EXPECT_EQ(other.substr(0, 4), "PRIO");
  EXPECT_EQ(other.substr(24, 4), "IMAP");
  EXPECT_EQ(U16(At(other, 34)), 300u);

  BankFileInfo info;
  ASSERT_EQ(InspectSet(bytes, "TTPR", &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "PIANO1");
  EXPECT_EQ(info.soundBytes, 120000u);
  ASSERT_EQ(InspectSet(other, "PRIO", &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "STRINGS");
  EXPECT_EQ(InspectSet(other, "TTPR", &info), InspectStatus::BadFormat);
}

TEST(SoundSetFileTest, NamesAreCutToEightCharacters) {
  BankFileInfo info;
  ASSERT_EQ(InspectSet(SoundSetBytes(SoundSetKind::Tts, "GRANDPIANO2", 1000, 0), "TTPR", &info),
            InspectStatus::Ok);
  EXPECT_EQ(info.name, "GRANDPIA");
  // The writer's field holds 15 characters; the reader still cuts to 8.
  EXPECT_EQ(SoundSetBytes(SoundSetKind::Tts, std::string(40, 'x'), 100, 0).substr(8, 16),
            std::string(15, 'x') + '\0');
}

TEST(SoundSetFileTest, OnlyTheFirst512BytesAreSearched) {
  BankFileInfo info;
  std::string bytes(2000, '\0');
  // The first occurrence counts.
  bytes.replace(100, 4, "TTPR");
  bytes.replace(108, 5, "FIRST");
  bytes.replace(200, 4, "TTPR");
  bytes.replace(208, 6, "SECOND");
  ASSERT_EQ(InspectSet(bytes, "TTPR", &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "FIRST");

  // A name running over byte 512 stops there.
  bytes.assign(2000, '\0');
  bytes.replace(500, 4, "TTPR");
  bytes.replace(508, 8, "ABCDEFGH");
  ASSERT_EQ(InspectSet(bytes, "TTPR", &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "ABCD");

  // A tag in the last four bytes has its name beyond the header: no name.
  bytes.assign(2000, 'Z');
  bytes.replace(508, 4, "TTPR");
  EXPECT_EQ(InspectSet(bytes, "TTPR", &info), InspectStatus::BadFormat);
  // A tag crossing byte 512, or after it, is not found.
  bytes.assign(2000, 'Z');
  bytes.replace(510, 4, "TTPR");
  EXPECT_EQ(InspectSet(bytes, "TTPR", &info), InspectStatus::BadFormat);
  bytes.assign(2000, 'Z');
  bytes.replace(600, 4, "TTPR");
  EXPECT_EQ(InspectSet(bytes, "TTPR", &info), InspectStatus::BadFormat);

  // The same at the very end of a short file.
  EXPECT_EQ(InspectSet(std::string("xxTTPR\0\0\0\0NAME", 14), "TTPR", &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "NAME");
  EXPECT_EQ(InspectSet(std::string("xxTTPR\0\0\0\0", 10), "TTPR", &info), InspectStatus::BadFormat);
  EXPECT_EQ(InspectSet("TTP", "TTPR", &info), InspectStatus::BadFormat);
  EXPECT_EQ(InspectSet("", "TTPR", &info), InspectStatus::BadFormat);
}

class BankFileOnDiskTest : public testing::EmulatorFixture {};

TEST_F(BankFileOnDiskTest, FilesAreOpenedAndMissingOnesReported) {
  const std::string tts = testing::Host("C:\\BANKS\\ORGAN.TTS");
  ASSERT_TRUE(bankgen::WriteBankFile(tts, SoundSetBytes(SoundSetKind::Tts, "ORGAN", 5000, 1)));
  EXPECT_FALSE(std::filesystem::exists(tts + ".new"));
  BankFileInfo info;
  ASSERT_EQ(InspectBankFile(BankKind::TtsSoundSet, tts, &info), InspectStatus::Ok);
  EXPECT_EQ(info.name, "ORGAN");
  EXPECT_EQ(info.soundBytes, 5000u);
  EXPECT_EQ(InspectBankFile(BankKind::Unknown, tts, &info), InspectStatus::BadFormat);
  EXPECT_EQ(InspectBankFile(BankKind::TtsSoundSet, tts + ".missing", &info),
            InspectStatus::NotFound);
  // A folder is not a bank file.
  EXPECT_EQ(InspectBankFile(BankKind::TtsSoundSet, testing::Host("C:\\BANKS"), &info),
            InspectStatus::NotFound);
  // An empty file is no sound set.
  testing::WriteFile(testing::Host("C:\\BANKS\\EMPTY.TTS"), "");
  EXPECT_EQ(InspectBankFile(BankKind::TtsSoundSet, testing::Host("C:\\BANKS\\EMPTY.TTS"), &info),
            InspectStatus::BadFormat);
}

}  // namespace
}  // namespace korvel::emu
