#include "config/ConfigFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace korvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian words and text buffers placed by hand at the file's offsets.
void PutWord(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  bytes[offset + 2] = static_cast<std::uint8_t>((value >> 16) & 0xFF);
  bytes[offset + 3] = static_cast<std::uint8_t>((value >> 24) & 0xFF);
}

void PutText(Bytes& bytes, std::size_t offset, const std::string& text) {
  std::memcpy(&bytes[offset], text.c_str(), text.size() + 1);
}

Configuration SampleConfiguration() {
  Configuration config;
  config.homedrive = 2;
  std::strcpy(config.homedir, "c:\\korvel");
  config.cflags = 0x1E45D;
  config.curdev = 1;
  config.korvelengine = 0xCAFEBABE;
  config.cursheet = 3;
  std::strcpy(config.curpreset, "C:\\KORVEL\\PRESETS\\Live.kvp");
  std::strcpy(config.lastpath, "C:\\KORVEL\\PRESETS");
  std::strcpy(config.bankfolder, "C:\\SOUNDS;D:\\BANKS");
  std::strcpy(config.lastmididev, "MIDI In 2");
  return config;
}

// The file SampleConfiguration() with edges (120, -1) must produce, laid out
// from the offset table rather than by any code under test.
Bytes SampleFile() {
  Bytes bytes(1012, 0);
  const std::uint8_t magic[] = {0x04, 0x00, 0x00, 0x00, 0x28, 0x67, 0xF5, 0x14};
  std::memcpy(bytes.data(), magic, sizeof magic);
  PutWord(bytes, 8, 4);
  PutWord(bytes, 12, 2);
  PutWord(bytes, 16, 128);
  PutText(bytes, 20, "c:\\korvel");
  PutWord(bytes, 148, 4);
  const std::uint8_t flags[] = {0x5D, 0xE4, 0x01, 0x00};
  std::memcpy(&bytes[152], flags, 4);
  PutWord(bytes, 156, 4);
  PutWord(bytes, 160, 1);
  PutWord(bytes, 164, 4);
  const std::uint8_t engine[] = {0xBE, 0xBA, 0xFE, 0xCA};
  std::memcpy(&bytes[168], engine, 4);
  PutWord(bytes, 172, 4);
  PutWord(bytes, 176, 3);
  PutWord(bytes, 180, 4);
  PutWord(bytes, 184, 120);
  PutWord(bytes, 188, 4);
  const std::uint8_t minusOne[] = {0xFF, 0xFF, 0xFF, 0xFF};
  std::memcpy(&bytes[192], minusOne, 4);
  PutWord(bytes, 196, 128);
  PutText(bytes, 200, "C:\\KORVEL\\PRESETS\\Live.kvp");
  PutWord(bytes, 328, 128);
  PutText(bytes, 332, "C:\\KORVEL\\PRESETS");
  PutWord(bytes, 460, 512);
  PutText(bytes, 464, "C:\\SOUNDS;D:\\BANKS");
  PutWord(bytes, 976, 32);
  PutText(bytes, 980, "MIDI In 2");
  return bytes;
}

void ExpectSameConfiguration(const Configuration& a, const Configuration& b) {
  EXPECT_EQ(a.homedrive, b.homedrive);
  EXPECT_EQ(0, std::memcmp(a.homedir, b.homedir, sizeof a.homedir));
  EXPECT_EQ(a.cflags, b.cflags);
  EXPECT_EQ(a.curdev, b.curdev);
  EXPECT_EQ(a.korvelengine, b.korvelengine);
  EXPECT_EQ(a.cursheet, b.cursheet);
  EXPECT_EQ(0, std::memcmp(a.curpreset, b.curpreset, sizeof a.curpreset));
  EXPECT_EQ(0, std::memcmp(a.lastpath, b.lastpath, sizeof a.lastpath));
  EXPECT_EQ(0, std::memcmp(a.bankfolder, b.bankfolder, sizeof a.bankfolder));
  EXPECT_EQ(0, std::memcmp(a.lastmididev, b.lastmididev, sizeof a.lastmididev));
}

bool Terminated(const char* field, std::size_t size) { return std::memchr(field, 0, size) != nullptr; }

void ExpectTextsTerminated(const Configuration& c) {
  EXPECT_TRUE(Terminated(c.homedir, sizeof c.homedir));
  EXPECT_TRUE(Terminated(c.curpreset, sizeof c.curpreset));
  EXPECT_TRUE(Terminated(c.lastpath, sizeof c.lastpath));
  EXPECT_TRUE(Terminated(c.bankfolder, sizeof c.bankfolder));
  EXPECT_TRUE(Terminated(c.lastmididev, sizeof c.lastmididev));
}

// A configuration whose every field differs from what the sample file holds.
Configuration Untouched() {
  Configuration config;
  config.homedrive = 7;
  std::strcpy(config.homedir, "untouched home");
  config.cflags = 0x11;
  config.curdev = 9;
  config.korvelengine = 5;
  config.cursheet = 8;
  std::strcpy(config.curpreset, "untouched preset");
  std::strcpy(config.lastpath, "untouched path");
  std::strcpy(config.bankfolder, "untouched banks");
  std::strcpy(config.lastmididev, "untouched port");
  return config;
}

ConfigDecodeStatus Decode(const Bytes& bytes, Configuration& config, WindowEdges& edges) {
  return DecodeConfigFile(bytes.data(), bytes.size(), config, edges);
}

TEST(ConfigFileEncode, LaysOutEveryRecordAtItsFixedOffset) {
  const ConfigFileBytes encoded = EncodeConfigFile(SampleConfiguration(), WindowEdges{120, -1});
  const Bytes expected = SampleFile();
  ASSERT_EQ(encoded.size(), 1012u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(encoded[i], expected[i]) << "at offset " << i;
  }
}

TEST(ConfigFileEncode, TextRecordsCarryTheWholeBufferIncludingBytesAfterTheTerminator) {
  Configuration config;
  std::memset(config.lastmididev, 'x', sizeof config.lastmididev);
  std::strcpy(config.lastmididev, "In");  // "In\0" then 28 stale 'x' bytes
  const ConfigFileBytes encoded = EncodeConfigFile(config, WindowEdges{});
  EXPECT_EQ(encoded[980], 'I');
  EXPECT_EQ(encoded[982], 0);
  EXPECT_EQ(encoded[983], 'x');
  EXPECT_EQ(encoded[1011], 'x');

  Configuration read;
  WindowEdges edges;
  ASSERT_EQ(DecodeConfigFile(encoded.data(), encoded.size(), read, edges), ConfigDecodeStatus::Complete);
  EXPECT_EQ(0, std::memcmp(read.lastmididev, config.lastmididev, sizeof config.lastmididev));
}

TEST(ConfigFileDecode, ReadsEveryFieldOfAHandBuiltFile) {
  Configuration config = Untouched();
  WindowEdges edges{5, 6};
  ASSERT_EQ(Decode(SampleFile(), config, edges), ConfigDecodeStatus::Complete);
  ExpectSameConfiguration(config, SampleConfiguration());
  EXPECT_EQ(edges.left, 120);
  EXPECT_EQ(edges.top, 6);  // -1 in the file leaves the edge where it was
}

TEST(ConfigFileDecode, RoundTripKeepsExtremeValues) {
  Configuration config = SampleConfiguration();
  config.homedrive = -5;
  config.cflags = 0xFFFFFFFF;
  config.korvelengine = 0x80000001;
  config.curdev = INT32_MIN;
  std::memset(config.bankfolder, 'b', sizeof config.bankfolder - 1);  // a text that fills its buffer
  const ConfigFileBytes encoded = EncodeConfigFile(config, WindowEdges{-2, INT32_MAX});
  Configuration read;
  WindowEdges edges;
  ASSERT_EQ(DecodeConfigFile(encoded.data(), encoded.size(), read, edges), ConfigDecodeStatus::Complete);
  ExpectSameConfiguration(read, config);
  EXPECT_EQ(edges.left, -2);
  EXPECT_EQ(edges.top, INT32_MAX);
}

TEST(ConfigFileDecode, RejectsAnythingButFourBytesOfMagicFirst) {
  const Bytes good = SampleFile();
  std::vector<Bytes> bad;
  bad.push_back(Bytes());                                      // empty file
  bad.push_back(Bytes(good.begin(), good.begin() + 4));        // length word only
  bad.push_back(Bytes(good.begin(), good.begin() + 7));        // magic cut short
  Bytes wrongValue = good;
  wrongValue[4] = 0x29;
  bad.push_back(wrongValue);
  Bytes bigEndian = good;
  PutWord(bigEndian, 4, 0x2867F514);
  bad.push_back(bigEndian);
  Bytes longer = good;                                          // (5, magic + 1 byte)
  PutWord(longer, 0, 5);
  bad.push_back(longer);
  Bytes shorter = good;                                         // (3, 28 67 F5)
  PutWord(shorter, 0, 3);
  bad.push_back(shorter);
  for (std::size_t i = 0; i < bad.size(); ++i) {
    Configuration config = Untouched();
    WindowEdges edges{5, 6};
    EXPECT_EQ(Decode(bad[i], config, edges), ConfigDecodeStatus::BadMagic) << "case " << i;
    ExpectSameConfiguration(config, Untouched());
    EXPECT_EQ(edges.left, 5);
    EXPECT_EQ(edges.top, 6);
  }
}

// Record boundaries in the written layout: the fields complete at each one.
struct Boundary {
  std::size_t end;
  int fieldsRead;  // homedrive = 1 ... lastmididev = 12
};
const Boundary kBoundaries[] = {{8, 0},    {16, 1},   {148, 2},  {156, 3},  {164, 4},
                                {172, 5},  {180, 6},  {188, 7},  {196, 8},  {328, 9},
                                {460, 10}, {976, 11}, {1012, 12}};

int FieldsReadFor(std::size_t length) {
  int fields = 0;
  for (const Boundary& b : kBoundaries)
    if (length >= b.end) fields = b.fieldsRead;
  return fields;
}

// Which fields of `read` equal the sample, field by field in file order.
void ExpectFieldsFromFile(const Configuration& read, const WindowEdges& edges, int fields,
                          std::size_t length) {
  const Configuration sample = SampleConfiguration();
  const Configuration old = Untouched();
  auto pick = [&](int index) -> const Configuration& { return fields >= index ? sample : old; };
  SCOPED_TRACE("file of " + std::to_string(length) + " bytes");
  EXPECT_EQ(read.homedrive, pick(1).homedrive);
  EXPECT_STREQ(read.homedir, pick(2).homedir);
  EXPECT_EQ(read.cflags, pick(3).cflags);
  EXPECT_EQ(read.curdev, pick(4).curdev);
  EXPECT_EQ(read.korvelengine, pick(5).korvelengine);
  EXPECT_EQ(read.cursheet, pick(6).cursheet);
  EXPECT_EQ(edges.left, fields >= 7 ? 120 : 5);
  EXPECT_EQ(edges.top, 6);
  EXPECT_STREQ(read.curpreset, pick(9).curpreset);
  EXPECT_STREQ(read.lastpath, pick(10).lastpath);
  EXPECT_STREQ(read.bankfolder, pick(11).bankfolder);
  EXPECT_STREQ(read.lastmididev, pick(12).lastmididev);
}

TEST(ConfigFileDecode, FileCutAtAnyLengthKeepsTheFieldsItDoesNotReach) {
  const Bytes full = SampleFile();
  for (std::size_t length = 0; length < full.size(); ++length) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    Configuration config = Untouched();
    WindowEdges edges{5, 6};
    const ConfigDecodeStatus status = Decode(cut, config, edges);
    EXPECT_EQ(status, length < 8 ? ConfigDecodeStatus::BadMagic : ConfigDecodeStatus::EndedEarly)
        << "file of " << length << " bytes";
    ExpectFieldsFromFile(config, edges, FieldsReadFor(length), length);
  }
}

TEST(ConfigFileDecode, OversizeRecordsFillTheirFieldAndSkipTheRest) {
  // homedir carries 200 bytes without a terminator, lastmididev 40 bytes of
  // text, cflags 8 bytes: each field takes its size, the reader stays in step.
  Bytes bytes;
  auto word = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto record = [&](const Bytes& data) {
    word(static_cast<std::uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
  };
  auto le = [](std::uint32_t v) {
    return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  };
  record(le(kConfigMagic));
  record(le(3));
  record(Bytes(200, 'h'));
  record({0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB, 0xCC, 0xDD});
  record(le(1));
  record(le(2));
  record(le(4));
  record(le(10));
  record(le(20));
  record(Bytes{'p', 0});
  record(Bytes{'l', 0});
  record(Bytes{'b', 0});
  Bytes port(40, 'm');
  port[35] = 0;  // terminator beyond the 32-byte field
  record(port);
  Configuration config;
  WindowEdges edges;
  // Skipped bytes would be lost to the next write: the file counts as damaged.
  ASSERT_EQ(Decode(bytes, config, edges), ConfigDecodeStatus::Irregular);
  EXPECT_EQ(config.homedrive, 3);
  EXPECT_EQ(std::string(config.homedir), std::string(127, 'h'));
  EXPECT_EQ(config.cflags, 0x04030201u);
  EXPECT_EQ(config.curdev, 1);
  EXPECT_EQ(config.korvelengine, 2u);
  EXPECT_EQ(config.cursheet, 4);
  EXPECT_EQ(edges.left, 10);
  EXPECT_EQ(edges.top, 20);
  EXPECT_STREQ(config.curpreset, "p");
  EXPECT_STREQ(config.lastpath, "l");
  EXPECT_STREQ(config.bankfolder, "b");
  EXPECT_EQ(std::string(config.lastmididev), std::string(31, 'm'));
}

// One damaged length word costs no setting behind it: where the field's own
// length still fits, the record is taken at that length. Not the magic record.
TEST(ConfigFileDecode, HugeLengthWordIsTakenAsTheFieldsOwnLength) {
  for (std::uint32_t huge : {0xFFFFFFFFu, 0x80000000u, 1013u}) {
    Bytes bytes = SampleFile();
    PutWord(bytes, 16, huge);  // homedir claims more than the file holds
    Configuration config = Untouched();
    WindowEdges edges{5, 6};
    EXPECT_EQ(Decode(bytes, config, edges), ConfigDecodeStatus::Irregular);
    ExpectFieldsFromFile(config, edges, 12, bytes.size());

    Bytes badMagic = SampleFile();
    PutWord(badMagic, 0, huge);
    Configuration untouched = Untouched();
    EXPECT_EQ(Decode(badMagic, untouched, edges), ConfigDecodeStatus::BadMagic);
    EXPECT_STREQ(untouched.homedir, "untouched home");
  }
  // Past the end and no room for the field either: the read ends there.
  const Bytes full = SampleFile();
  Bytes cut(full.begin(), full.begin() + 100);
  PutWord(cut, 16, 0xFFFFFFFFu);
  Configuration config = Untouched();
  WindowEdges edges{5, 6};
  EXPECT_EQ(Decode(cut, config, edges), ConfigDecodeStatus::EndedEarly);
  EXPECT_STREQ(config.homedir, "untouched home");
  EXPECT_EQ(config.cflags, 0x11u);
}

TEST(ConfigFileDecode, ShortRecordsReplaceOnlyWhatTheyCarry) {
  const Bytes sample = SampleFile();
  Bytes bytes(sample.begin(), sample.begin() + 16);  // magic and homedrive
  // homedir record of 3 bytes without a terminator: the text ends there.
  const std::uint8_t shortHome[] = {0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'};
  bytes.insert(bytes.end(), std::begin(shortHome), std::end(shortHome));
  // cflags record of 2 bytes: the low half changes, the high half stays.
  const std::uint8_t shortFlags[] = {0x02, 0x00, 0x00, 0x00, 0x34, 0x12};
  bytes.insert(bytes.end(), std::begin(shortFlags), std::end(shortFlags));

  Configuration config = Untouched();
  config.cflags = 0xABCD0011;
  WindowEdges edges;
  EXPECT_EQ(Decode(bytes, config, edges), ConfigDecodeStatus::EndedEarly);
  EXPECT_EQ(config.homedrive, 2);
  EXPECT_STREQ(config.homedir, "abc");
  EXPECT_EQ(config.cflags, 0xABCD1234u);
  EXPECT_EQ(config.curdev, 9);
}

TEST(ConfigFileDecode, RandomBytesNeverBreakTheRecord) {
  std::mt19937 random(20240611);
  const Bytes sample = SampleFile();
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes;
    if (round % 2 == 0) {
      bytes.resize(random() % 1100);
      for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
      if (bytes.size() >= 8 && round % 4 == 0) std::memcpy(bytes.data(), sample.data(), 8);
    } else {
      bytes = sample;  // a good file with a few bytes flipped
      for (int flips = 0; flips < 4; ++flips) bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(random());
    }
    Configuration config;
    std::memset(config.homedir, 'z', sizeof config.homedir);  // no terminator to start with
    config.homedir[sizeof config.homedir - 1] = 0;
    WindowEdges edges;
    Decode(bytes, config, edges);
    ExpectTextsTerminated(config);
  }
}

}  // namespace
}  // namespace korvel
