// Reading a text or a number after a tag in a bank file's first 512 bytes:
// where the tag may lie, how far the value may reach, and bad files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "banks/BankFiles.h"
#include "platform/sim/Sim.h"
#include "tests/unit/BankLayerTestSupport.h"

namespace korvel {
namespace {

// Random headers are the fuzz target's (tests/fuzz/BankHeaderFuzz.cpp).
class BankHeaderTest : public testsupport::BankLayerTest {
 protected:

  // Writes `bytes` as C:\Banks\<name> and returns the Windows path.
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = "C:\\Banks\\" + name;
    const std::filesystem::path host = platform::sim::HostPath(path.c_str());
    std::filesystem::create_directories(host.parent_path());
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // `size` bytes of filler with `what` placed at `at`.
  static std::string With(std::size_t size, std::size_t at, const std::string& what) {
    std::string bytes(size, '.');
    bytes.replace(at, what.size(), what);
    return bytes;
  }
  std::uint32_t Number(const std::string& path, const char* tag, int offset, int width) {
    return FindTagInHeader(layer, path.c_str(), tag, offset, nullptr, 0, width);
  }
  std::string Text(const std::string& path, const char* tag, int offset, std::size_t size = 64) {
    std::string text(size, '#');
    EXPECT_EQ(FindTagInHeader(layer, path.c_str(), tag, offset, &text[0], size, 0), 0u);
    return text.c_str();
  }
};

TEST_F(BankHeaderTest, TextAndNumbersAfterTheFirstTag) {
  std::string bytes = With(600, 40, std::string("INAM\0\0\0\0Grand Piano\0rest", 24));
  bytes.replace(200, 4, "INAM");  // a later tag is not looked at
  bytes.replace(100, 8, std::string("SIZE\x34\x12\xCD\xAB", 8));
  const std::string path = Write("piano.sf2", bytes);

  EXPECT_EQ(Text(path, "INAM", 8), "Grand Piano");
  EXPECT_EQ(Text(path, "INAM", 14), "Piano");
  EXPECT_EQ(Number(path, "SIZE", 4, 1), 0x34u);
  EXPECT_EQ(Number(path, "SIZE", 4, 2), 0x1234u);
  EXPECT_EQ(Number(path, "SIZE", 4, 3), 0xCD1234u);
  EXPECT_EQ(Number(path, "SIZE", 4, 4), 0xABCD1234u);
  EXPECT_EQ(Number(path, "SIZE", 5, 2), 0xCD12u);
  EXPECT_EQ(layer.Errors().ErrorCode, kErrOk);
  EXPECT_STREQ(layer.Errors().failingFile, path.c_str());
}

TEST_F(BankHeaderTest, HeaderIsReadIntoTheLayersBuffer) {
  std::string bytes;
  for (int i = 0; i < 700; ++i) bytes += static_cast<char>(i * 7);
  const std::string path = Write("x.sf2", bytes);
  Number(path, "nothing", 0, 4);
  ASSERT_NE(layer.HeaderBuffer(), nullptr);
  EXPECT_EQ(std::memcmp(layer.HeaderBuffer(), bytes.data(), kHeaderReadSize), 0);
}

TEST_F(BankHeaderTest, TagMustLieWhollyWithinTheFirst512Bytes) {
  // Ends exactly at byte 511: found, and a value inside the 512 bytes is read.
  const std::string atEnd = Write("end.tts", With(1000, 508, "TTPR"));
  EXPECT_EQ(Number(atEnd, "TTPR", -4, 4), 0x2E2E2E2Eu);
  EXPECT_EQ(Number(atEnd, "TTPR", 0, 4), 0x52505454u);
  // ...but a value that would reach past byte 511 is not.
  EXPECT_EQ(Number(atEnd, "TTPR", 1, 4), 0u);
  EXPECT_EQ(Number(atEnd, "TTPR", 4, 1), 0u);
  // A text there ends with the bytes read.
  EXPECT_EQ(Text(atEnd, "TTPR", 2), "PR");

  // One byte later the tag crosses byte 512 and is not found.
  const std::string across = Write("across.tts", With(1000, 509, "TTPR"));
  EXPECT_EQ(Number(across, "TTPR", 0, 1), 0u);
  EXPECT_EQ(Text(across, "TTPR", 0), "");
  EXPECT_EQ(Number(across, "TTPR", -509, 1), 0u);
  EXPECT_EQ(layer.Errors().ErrorCode, kErrOk);

  // A file shorter than 512 bytes: the same rule at its own end.
  const std::string shortFile = Write("short.tts", With(20, 16, "TTPR"));
  EXPECT_EQ(Number(shortFile, "TTPR", 0, 4), 0x52505454u);
  EXPECT_EQ(Number(shortFile, "TTPR", 2, 4), 0u);
  const std::string cut = Write("cut.tts", With(20, 17, "TTP"));
  EXPECT_EQ(Number(cut, "TTPR", 0, 1), 0u);
}

TEST_F(BankHeaderTest, OffsetsOutsideTheBytesReadGiveNothing) {
  const std::string path = Write("a.sf2", With(100, 10, "TAG!"));
  EXPECT_EQ(Number(path, "TAG!", -11, 1), 0u);
  EXPECT_EQ(Number(path, "TAG!", -10, 1), static_cast<std::uint32_t>('.'));
  EXPECT_EQ(Number(path, "TAG!", 90, 1), 0u);
  EXPECT_EQ(Number(path, "TAG!", 1 << 30, 4), 0u);
  EXPECT_EQ(Number(path, "TAG!", -(1 << 30), 4), 0u);
  EXPECT_EQ(Text(path, "TAG!", 1000), "");
  // Widths beyond 4 are not numbers of this format.
  EXPECT_EQ(Number(path, "TAG!", 0, 5), 0u);
  EXPECT_EQ(Number(path, "TAG!", 0, -1), 0u);
}

TEST_F(BankHeaderTest, TextIsCutToItsBuffer) {
  const std::string name(300, 'N');
  const std::string path = Write("long.sf2", With(600, 0, "INAM" + name + std::string(1, '\0')));
  EXPECT_EQ(Text(path, "INAM", 4, 32), std::string(31, 'N'));
  EXPECT_EQ(Text(path, "INAM", 4, 1), "");

  // An unterminated text runs to the end of the 512 bytes read, no further.
  const std::string open = Write("open.sf2", With(2000, 0, "INAM" + std::string(1500, 'M')));
  EXPECT_EQ(Text(open, "INAM", 4, 1024), std::string(508, 'M'));
}

TEST_F(BankHeaderTest, BadFiles) {
  // Empty, not a bank at all, or without the tag: 0 and an empty text, no error.
  for (const std::string& bytes : {std::string(), std::string("RIFX"), std::string(3, '\0'),
                                   std::string(4096, '\xFF')}) {
    const std::string path = Write("bad.sf2", bytes);
    EXPECT_EQ(Number(path, "INAM", 0, 4), 0u);
    EXPECT_EQ(Text(path, "INAM", 8), "");
    EXPECT_EQ(layer.Errors().ErrorCode, kErrOk);
  }
}

TEST_F(BankHeaderTest, MissingFileIsNamedWithCode6) {
  const std::string path = "C:\\Banks\\missing.sf2";
  char text[16] = "stale";
  EXPECT_EQ(FindTagInHeader(layer, path.c_str(), "INAM", 8, text, sizeof text, 0), 0u);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(layer.Errors().ErrorCode, kErrFileNotFound);
  EXPECT_STREQ(layer.Errors().failingFile, path.c_str());

  layer.Errors().ErrorCode = kErrOk;
  EXPECT_EQ(FindTagInHeader(layer, "C:\\Banks", "INAM", 0, nullptr, 0, 4), 0u);  // a folder
  EXPECT_EQ(layer.Errors().ErrorCode, kErrFileNotFound);
}

TEST_F(BankHeaderTest, WorksBeforeTheLayerHasItsBuffer) {
  layer.ShutdownBankLayer();
  const std::string path = Write("a.tts", With(64, 0, std::string("TTPR\x40\0\0\0Strings\0", 16)));
  EXPECT_EQ(Text(path, "TTPR", 8), "Strings");
  EXPECT_EQ(Number(path, "TTPR", 4, 4), 0x40u);
  layer.InitBankLayer();
}

}  // namespace
}  // namespace korvel
