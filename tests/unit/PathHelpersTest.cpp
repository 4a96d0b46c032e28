#include "config/PathHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace korvel {
namespace {

struct PathCase {
  const char* path;
  const char* expected;
};

// Destination prefilled with a marker so a stray write past the terminator shows.
struct Destination {
  char bytes[64];
  Destination() { std::memset(bytes, '#', sizeof bytes); }
  void Set(const char* text) { std::strcpy(bytes, text); }
  bool UntouchedAfter(std::size_t length) const {
    for (std::size_t i = length + 1; i < sizeof bytes; ++i) {
      if (bytes[i] != '#') return false;
    }
    return true;
  }
};

TEST(FileTitle, TakesTheNameBeforeTheFirstDot) {
  const PathCase cases[] = {
      {"c:\\banks\\gm.sf2", "gm"},
      {"gm.sf2", "gm"},
      {"piano", "piano"},                // no "." and no "\": the whole path
      {"x.y.z", "x"},                    // the first "." ends the title
      {"c:gm.sf2", "gm"},                // ":" separates like "\"
      {"c:\\banks.old\\gm.sf2", "banks"},  // a "." in a folder ends the title there
      {".hidden", ".hidden"},            // the "." search starts at the second character
      {".a.b", ".a"},
      {"c:\\banks\\", ""},
      {"c:\\banks\\.sf2", ""},           // an empty name gives an empty title
      {"", ""},
  };
  for (const PathCase& c : cases) {
    Destination d;
    FileTitle(d.bytes, c.path);
    EXPECT_STREQ(d.bytes, c.expected) << "path " << c.path;
    EXPECT_TRUE(d.UntouchedAfter(std::strlen(c.expected))) << "path " << c.path;
  }
}

TEST(FileTitle, WorksInPlace) {
  char buffer[] = "c:\\banks\\piano.sf2";
  FileTitle(buffer, buffer);
  EXPECT_STREQ(buffer, "piano");
}

TEST(FileExtension, TakesEverythingAfterTheFirstDot) {
  const PathCase cases[] = {
      {"gm.sf2", "sf2"},
      {"c:\\banks\\gm.sf2", "sf2"},
      {"x.y.z", "y.z"},
      {"piano", ""},
      {"", ""},
      {".sf2", ""},  // a leading "." is not searched
      {"a.", ""},
      {"c:\\banks.old\\gm.sf2", "old\\gm.sf2"},
  };
  for (const PathCase& c : cases) {
    Destination d;
    FileExtension(d.bytes, c.path);
    EXPECT_STREQ(d.bytes, c.expected) << "path " << c.path;
    EXPECT_TRUE(d.UntouchedAfter(std::strlen(c.expected))) << "path " << c.path;
  }
}

TEST(ItemFolder, SplitsAtTheFirstSemicolon) {
  const char list[] = "c:\\a;d:\\b";
  Destination d;
  const char* rest = ItemFolder(d.bytes, list);
  EXPECT_STREQ(d.bytes, "c:\\a");
  ASSERT_EQ(rest, list + 5);

  rest = ItemFolder(d.bytes, rest);
  EXPECT_STREQ(d.bytes, "d:\\b");
  EXPECT_EQ(rest, nullptr);
}

TEST(ItemFolder, DropsOneTrailingBackslash) {
  Destination d;
  EXPECT_EQ(ItemFolder(d.bytes, "c:\\banks\\"), nullptr);
  EXPECT_STREQ(d.bytes, "c:\\banks");

  EXPECT_STREQ(ItemFolder(d.bytes, "c:\\banks\\;d:\\x"), "d:\\x");
  EXPECT_STREQ(d.bytes, "c:\\banks");

  ItemFolder(d.bytes, "c:\\a\\\\");
  EXPECT_STREQ(d.bytes, "c:\\a\\");
}

TEST(ItemFolder, EmptyItems) {
  Destination d;
  d.Set("old");
  EXPECT_EQ(ItemFolder(d.bytes, ""), nullptr);
  EXPECT_STREQ(d.bytes, "");

  d.Set("old");
  EXPECT_STREQ(ItemFolder(d.bytes, ";d:\\x"), "d:\\x");
  EXPECT_STREQ(d.bytes, "");

  // A final ";" hands back the (empty) rest, which the next call ends.
  const char list[] = "c:\\a;";
  const char* rest = ItemFolder(d.bytes, list);
  ASSERT_EQ(rest, list + 5);
  EXPECT_STREQ(rest, "");
  d.Set("old");
  EXPECT_EQ(ItemFolder(d.bytes, rest), nullptr);
  EXPECT_STREQ(d.bytes, "");
}

TEST(ItemFolder, FilePathGivesItsFolderAndEndsTheWalk) {
  Destination d;
  EXPECT_EQ(ItemFolder(d.bytes, "c:\\banks\\gm.sf2"), nullptr);
  EXPECT_STREQ(d.bytes, "c:\\banks");

  // The ";" after the "." is not seen.
  EXPECT_EQ(ItemFolder(d.bytes, "c:\\banks\\gm.sf2;d:\\x"), nullptr);
  EXPECT_STREQ(d.bytes, "c:\\banks");

  // Only the backslashes before the "." count.
  EXPECT_EQ(ItemFolder(d.bytes, "c:\\my.banks\\sub"), nullptr);
  EXPECT_STREQ(d.bytes, "c:");
}

TEST(ItemFolder, FilePathWithoutBackslashLeavesDestinationAlone) {
  Destination d;
  d.Set("kept");
  EXPECT_EQ(ItemFolder(d.bytes, "gm.sf2"), nullptr);
  EXPECT_STREQ(d.bytes, "kept");

  d.Set("kept");
  EXPECT_EQ(ItemFolder(d.bytes, "c:gm.sf2;d:\\x"), nullptr);
  EXPECT_STREQ(d.bytes, "kept");
}

TEST(ItemFolder, WalksAFolderList) {
  const char* list = "c:\\sb\\banks;d:\\ews\\;e:\\sf2;c:\\last\\x.sf2;f:\\never";
  std::vector<std::string> folders;
  Destination d;
  for (const char* rest = list; rest != nullptr;) {
    rest = ItemFolder(d.bytes, rest);
    folders.emplace_back(d.bytes);
  }
  EXPECT_EQ(folders, (std::vector<std::string>{"c:\\sb\\banks", "d:\\ews", "e:\\sf2", "c:\\last"}));
}

}  // namespace
}  // namespace korvel
