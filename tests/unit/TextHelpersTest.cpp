#include "config/TextHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace korvel {
namespace {

// A heap copy of exactly `length` bytes, so the sanitizer flags any read past it.
std::unique_ptr<char[]> ExactBytes(const char* bytes, std::size_t length) {
  std::unique_ptr<char[]> copy(new char[length]);
  std::memcpy(copy.get(), bytes, length);
  return copy;
}

std::unique_ptr<char[]> ExactString(const char* text) {
  return ExactBytes(text, std::strlen(text) + 1);
}

TEST(BoundedCopy, KeepsFirstNMinusOneCharactersOfALongerSource) {
  char destination[8];
  std::memset(destination, '#', sizeof destination);
  EXPECT_EQ(BoundedCopy(destination, "abcdef", 4), 0);
  EXPECT_STREQ(destination, "abc");
  EXPECT_EQ(destination[4], '#');
}

TEST(BoundedCopy, CopiesAShorterSourceWithoutPadding) {
  char destination[8];
  std::memset(destination, '#', sizeof destination);
  EXPECT_EQ(BoundedCopy(destination, "ab", 8), 0);
  EXPECT_STREQ(destination, "ab");
  EXPECT_EQ(destination[3], '#');

  // A source of exactly n - 1 characters fits with its terminator.
  std::memset(destination, '#', sizeof destination);
  BoundedCopy(destination, "abc", 4);
  EXPECT_STREQ(destination, "abc");
  EXPECT_EQ(destination[4], '#');
}

TEST(BoundedCopy, TinyBounds) {
  char destination[4] = {'#', '#', '#', '#'};
  BoundedCopy(destination, "abc", 0);
  EXPECT_EQ(destination[0], '#');
  BoundedCopy(destination, "abc", 1);
  EXPECT_EQ(destination[0], '\0');
  EXPECT_EQ(destination[1], '#');
}

TEST(BoundedCompare, ComparesWithinTheBound) {
  EXPECT_EQ(BoundedCompare("abc", "abd", 2), 0);
  EXPECT_EQ(BoundedCompare("abc", "abd", 3), 1);
  EXPECT_EQ(BoundedCompare("abc", "abc", 3), 0);
  EXPECT_EQ(BoundedCompare("abc", "xyz", 0), 0);
  EXPECT_EQ(BoundedCompare("Piano", "piano", 5), 1);  // case matters
}

TEST(BoundedCompare, StopsAtACommonEnd) {
  auto a = ExactString("ab");
  auto b = ExactString("ab");
  EXPECT_EQ(BoundedCompare(a.get(), b.get(), 100), 0);

  auto longer = ExactString("abc");
  EXPECT_EQ(BoundedCompare(a.get(), longer.get(), 3), 1);
  EXPECT_EQ(BoundedCompare(longer.get(), a.get(), 3), 1);
  EXPECT_EQ(BoundedCompare(a.get(), longer.get(), 2), 0);
}

TEST(CountOccurrences, AMatchNeedsAByteAfterIt) {
  EXPECT_EQ(CountOccurrences("a\nb\n", "\n", 4), 1);
  EXPECT_EQ(CountOccurrences("a\nb\nc", "\n", 5), 2);
  // The bound cuts the range, not the terminator.
  EXPECT_EQ(CountOccurrences("ab\nc\n", "\n", 3), 0);
  EXPECT_EQ(CountOccurrences("ab\nc\n", "\n", 4), 1);
  EXPECT_EQ(CountOccurrences("\n", "\n", 1), 0);
  EXPECT_EQ(CountOccurrences("xxab", "ab", 4), 0);
  EXPECT_EQ(CountOccurrences("xxabc", "ab", 5), 1);
  EXPECT_EQ(CountOccurrences("abc", "\n", 0), 0);
}

TEST(CountOccurrences, SkipsTheByteAfterAMatch) {
  EXPECT_EQ(CountOccurrences("\n\n\n\nx", "\n", 5), 2);
  EXPECT_EQ(CountOccurrences("aaaaaaa", "aa", 7), 2);
  EXPECT_EQ(CountOccurrences("abab_ab_", "ab", 8), 2);
}

TEST(CountOccurrences, RestartsOneByteAfterAFailedAttempt) {
  EXPECT_EQ(CountOccurrences("aabx", "ab", 4), 1);
  EXPECT_EQ(CountOccurrences("\r\r\nx", "\r\n", 4), 1);
  EXPECT_EQ(CountOccurrences("line1\r\nline2\r\nline3", "\r\n", 19), 2);
}

TEST(CountOccurrences, ReadsOnlyTheRangeAndLooksPastNuls) {
  const char bytes[] = {'a', '\0', '\n', '\0', '\n'};
  auto buffer = ExactBytes(bytes, sizeof bytes);
  EXPECT_EQ(CountOccurrences(buffer.get(), "\n", sizeof bytes), 1);
  EXPECT_EQ(CountOccurrences(buffer.get(), "\n\0", sizeof bytes), 1);
}

TEST(CountOccurrences, EmptyPatternMatchesNothing) {
  EXPECT_EQ(CountOccurrences("abc", "", 3), 0);
}

TEST(ReplaceChar, ReplacesEveryMatchUpToTheTerminator) {
  char name[] = "my_mod__name\0_";
  ReplaceChar(name, '_', ' ');
  EXPECT_STREQ(name, "my mod  name");
  EXPECT_EQ(name[13], '_');  // past the terminator: untouched

  ReplaceChar(name, ' ', '_');
  EXPECT_STREQ(name, "my_mod__name");

  char empty[] = "";
  ReplaceChar(empty, '\0', 'x');
  EXPECT_EQ(empty[0], '\0');
}

}  // namespace
}  // namespace korvel
