// The range texts of the "Connection Details" edits: written from a
// modification's bytes, read back from what the user types, and whether the
// numbers fit their bytes.
#include "app/models/RangeText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace korvel {
namespace {

TEST(RangeTextTest, WritingShowsLowAloneOrBothInTheirOrder) {
  EXPECT_EQ(RangeText({60, 60}), "60");
  EXPECT_EQ(RangeText({36, 47}), "36-47");
  EXPECT_EQ(RangeText({9, 5}), "9-5");

  Modification m;
  m.sourceLow = 200;
  m.sourceHigh = 255;
  m.targetValue = -12;
  m.targetHigh = 5;
  m.flags = kSwapFlag | 8;
  m.highChannel = 8;
  EXPECT_EQ(RangeTextOf(m, RangeKind::Source), "200-255");  // unsigned
  EXPECT_EQ(RangeTextOf(m, RangeKind::Target), "-12-5");    // signed
  EXPECT_EQ(RangeTextOf(m, RangeKind::Channel), "9");       // stored + 1, the swap bit left out
}

TEST(RangeTextTest, ReadingTakesNOrNDashM) {
  auto read = [](const std::string& text) {
    const ReadRangeResult r = ReadRange(text, RangeKind::Source);
    return std::make_tuple(r.range.low, r.range.high, r.complete);
  };
  EXPECT_EQ(read("36-47"), std::make_tuple(36, 47, true));
  EXPECT_EQ(read("60"), std::make_tuple(60, 60, true));
  EXPECT_EQ(read("10-  12"), std::make_tuple(10, 12, true));  // blanks after the dash skipped
  EXPECT_EQ(read("9-5"), std::make_tuple(9, 5, true));
  EXPECT_EQ(read("123456789"), std::make_tuple(1234567, 1234567, true));  // seven digits at most
  EXPECT_EQ(read("5-123456789"), std::make_tuple(5, 1234567, true));
  // Low comes from as many leading characters as there are digits before the dash.
  EXPECT_EQ(read("1x2-3"), std::make_tuple(1, 3, true));
  // A missing number reads as 0 and marks a range still being typed.
  EXPECT_EQ(read("1-"), std::make_tuple(1, 0, false));
  EXPECT_EQ(read("-16"), std::make_tuple(0, 16, false));
}

TEST(RangeTextTest, NumbersMustFitTheirByte) {
  EXPECT_TRUE(RangeFits(RangeKind::Source, {0, 255}));
  EXPECT_FALSE(RangeFits(RangeKind::Source, {0, 256}));
  EXPECT_TRUE(RangeFits(RangeKind::Target, {-128, 127}));
  EXPECT_FALSE(RangeFits(RangeKind::Target, {128, 0}));
  EXPECT_TRUE(RangeFits(RangeKind::Channel, {1, 16}));
  EXPECT_FALSE(RangeFits(RangeKind::Channel, {0, 16}));
  EXPECT_FALSE(RangeFits(RangeKind::Channel, {1, 17}));
}

TEST(RangeTextTest, StoringAChannelRangeKeepsTheSwapFlag) {
  Modification m;
  m.flags = kSwapFlag | 3;
  StoreRange(m, RangeKind::Channel, {10, 10});
  EXPECT_EQ(m.flags, kSwapFlag | 9);
  EXPECT_EQ(m.highChannel, 9);

  StoreRange(m, RangeKind::Target, {-1, 127});
  EXPECT_EQ(m.targetValue, -1);
  EXPECT_EQ(m.targetHigh, 127);
  StoreRange(m, RangeKind::Source, {36, 47});
  EXPECT_EQ(m.sourceLow, 36);
  EXPECT_EQ(m.sourceHigh, 47);
}

}  // namespace
}  // namespace korvel
