#include "midi/Modification.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace korvel {
namespace {

// A packed short message: status, first and second data byte.
std::uint32_t Msg(std::uint32_t status, std::uint32_t first, std::uint32_t second) {
  return status | (first << 8) | (second << 16);
}

Modification Rule(std::uint8_t source, std::uint8_t target, std::uint8_t low, std::uint8_t high,
                  std::int8_t value, std::uint8_t lowChannel = 0, std::uint8_t highChannel = 15,
                  bool swap = false) {
  Modification m;
  m.sourceType = source;
  m.targetType = target;
  m.sourceLow = low;
  m.sourceHigh = high;
  m.targetValue = value;
  m.flags = static_cast<std::uint8_t>(lowChannel | (swap ? kSwapFlag : 0));
  m.highChannel = highChannel;
  return m;
}

class ModificationsTest : public ::testing::Test {
 protected:
  void Add(const Modification& m) { ASSERT_GE(AddModificationCopy(list_, m), 0); }
  std::uint32_t Apply(std::uint32_t message) { return ApplyModifications(list_, message); }
  ModificationList list_;
};

TEST(ModificationRecordTest, BytesAtTheirOffsetsAndSignedFields) {
  Modification m;
  m.sourceType = 0x90;
  m.targetType = 0xB0;
  m.sourceLow = 200;
  m.targetValue = -12;
  m.flags = 0x83;
  m.highChannel = 9;
  m.sourceHigh = 250;
  m.targetHigh = -128;
  std::uint8_t bytes[kModificationSize];
  EncodeModification(m, bytes);
  const std::uint8_t expected[kModificationSize] = {0x90, 0xB0, 200, 0xF4, 0x83, 9, 250, 0x80};
  EXPECT_EQ(0, std::memcmp(bytes, expected, kModificationSize));

  const Modification back = DecodeModification(expected);
  EXPECT_EQ(back.targetValue, -12);
  EXPECT_EQ(back.targetHigh, -128);
  EXPECT_EQ(back.sourceLow, 200);
  EXPECT_TRUE(SameModification(back, m));
  Modification other = m;
  other.targetHigh = 127;
  EXPECT_FALSE(SameModification(other, m));

  std::uint8_t fresh[kModificationSize];
  EncodeModification(DefaultModification(), fresh);
  const std::uint8_t defaults[kModificationSize] = {0x90, 0x90, 0, 0, 0, 15, 0, 0};
  EXPECT_EQ(0, std::memcmp(fresh, defaults, kModificationSize));
}

TEST(ModificationListTest, AddCopyDeleteUpToEight) {
  ModificationList list;
  EXPECT_EQ(list.count.load(), 0);
  EXPECT_EQ(AddModification(list), 0);
  EXPECT_TRUE(SameModification(list.records[0], DefaultModification()));
  for (int i = 1; i < kMaxModifications; ++i) {
    Modification m = DefaultModification();
    m.sourceLow = static_cast<std::uint8_t>(i);
    EXPECT_EQ(AddModificationCopy(list, m), i);
  }
  EXPECT_EQ(list.count.load(), 8);
  // A ninth is refused and changes nothing.
  EXPECT_EQ(AddModification(list), -1);
  EXPECT_EQ(AddModificationCopy(list, Rule(0xB0, 0xB0, 1, 1, 7)), -1);
  EXPECT_EQ(list.count.load(), 8);
  EXPECT_EQ(list.records[7].sourceLow, 7);

  // Out-of-range indexes do nothing.
  DeleteModification(list, 8);
  DeleteModification(list, -1);
  EXPECT_EQ(list.count.load(), 8);

  // Deleting keeps the order of the later records.
  DeleteModification(list, 2);
  ASSERT_EQ(list.count.load(), 7);
  const int expected[] = {0, 1, 3, 4, 5, 6, 7};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(list.records[i].sourceLow, expected[i]) << i;
  DeleteModification(list, 6);
  DeleteModification(list, 0);
  ASSERT_EQ(list.count.load(), 5);
  EXPECT_EQ(list.records[0].sourceLow, 1);
  EXPECT_EQ(list.records[4].sourceLow, 6);

  // Room again after a delete, down to zero and up again.
  EXPECT_EQ(AddModification(list), 5);
  while (list.count.load() > 0) DeleteModification(list, 0);
  DeleteModification(list, 0);
  EXPECT_EQ(list.count.load(), 0);
  EXPECT_EQ(AddModification(list), 0);
}

TEST_F(ModificationsTest, WithoutRecordsMessagesPassUnchanged) {
  EXPECT_EQ(Apply(Msg(0x93, 40, 90)), Msg(0x93, 40, 90));
  EXPECT_EQ(Apply(0xF8u), 0xF8u);
}

TEST_F(ModificationsTest, DefaultRecordSelectsNoteZeroOnly) {
  ASSERT_EQ(AddModification(list_), 0);
  EXPECT_EQ(Apply(Msg(0x90, 0, 100)), Msg(0x90, 0, 100));
  EXPECT_EQ(Apply(Msg(0x90, 1, 100)), Msg(0x90, 1, 100));
  EXPECT_EQ(Apply(Msg(0x9F, 0, 100)), Msg(0x9F, 0, 100));
}

TEST_F(ModificationsTest, TransposeKeepsChannelAndVelocity) {
  Add(Rule(0x90, 0x90, 36, 47, 60));
  EXPECT_EQ(Apply(Msg(0x92, 40, 90)), Msg(0x92, 64, 90));
  EXPECT_EQ(Apply(Msg(0x92, 36, 90)), Msg(0x92, 60, 90));
  EXPECT_EQ(Apply(Msg(0x92, 47, 90)), Msg(0x92, 71, 90));
  // Outside the range, or another type: untouched.
  EXPECT_EQ(Apply(Msg(0x92, 35, 90)), Msg(0x92, 35, 90));
  EXPECT_EQ(Apply(Msg(0x92, 48, 90)), Msg(0x92, 48, 90));
  EXPECT_EQ(Apply(Msg(0x82, 40, 0)), Msg(0x82, 40, 0));
}

TEST_F(ModificationsTest, TransposeWrapsInEightBits) {
  Add(Rule(0x80, 0x80, 0, 255, 127));  // up 127
  EXPECT_EQ(Apply(Msg(0x80, 200, 0)), Msg(0x80, (200 + 127) & 0xFF, 0));
  EXPECT_EQ(Apply(Msg(0x81, 255, 5)), Msg(0x81, 126, 5));
  ModificationList down;
  ASSERT_EQ(AddModificationCopy(down, Rule(0x90, 0x90, 10, 20, 0)), 0);  // down 10
  EXPECT_EQ(ApplyModifications(down, Msg(0x90, 10, 1)), Msg(0x90, 0, 1));
  ModificationList negative;
  ASSERT_EQ(AddModificationCopy(negative, Rule(0x90, 0x90, 0, 127, -1)), 0);
  EXPECT_EQ(ApplyModifications(negative, Msg(0x90, 0, 1)), Msg(0x90, 255, 1));  // no clamping
  EXPECT_EQ(ApplyModifications(negative, Msg(0x90, 60, 1)), Msg(0x90, 59, 1));
}

TEST_F(ModificationsTest, NoneTargetDropsByBareChannel) {
  Add(Rule(0x90, kTypeNone, 36, 47, 0));
  const std::uint32_t dropped = Apply(Msg(0x95, 40, 90));
  EXPECT_TRUE(IsDroppedMessage(dropped));
  EXPECT_EQ(dropped & 0xFF, 0x05u);
  EXPECT_EQ(Apply(Msg(0x95, 50, 90)), Msg(0x95, 50, 90));
  EXPECT_FALSE(IsDroppedMessage(Apply(Msg(0x95, 50, 90))));
}

TEST_F(ModificationsTest, ChainedRecordsSeeEarlierResults) {
  Add(Rule(0x90, 0x80, 0, 127, 0));
  Add(Rule(0x80, kTypeNone, 0, 127, 0));
  EXPECT_TRUE(IsDroppedMessage(Apply(Msg(0x90, 60, 100))));
  EXPECT_TRUE(IsDroppedMessage(Apply(Msg(0x8F, 60, 100))));
  // A dropped message stays dropped, even for a later "All" rule.
  Add(Rule(kTypeAll, 0x90, 0, 127, 0));
  const std::uint32_t dropped = Apply(Msg(0x9C, 60, 100));
  EXPECT_TRUE(IsDroppedMessage(dropped));
  EXPECT_EQ(dropped & 0xFF, 0x0Cu);
}

TEST_F(ModificationsTest, ControllerTargets) {
  Add(Rule(0xB0, 0xB0, 1, 1, 11));
  EXPECT_EQ(Apply(Msg(0xB4, 1, 64)), Msg(0xB4, 11, 64));
  EXPECT_EQ(Apply(Msg(0xB4, 2, 64)), Msg(0xB4, 2, 64));

  ModificationList pitch;
  ASSERT_EQ(AddModificationCopy(pitch, Rule(0xE0, 0xB0, 0, 127, 1)), 0);
  EXPECT_EQ(ApplyModifications(pitch, Msg(0xE0, 0, 64)), Msg(0xB0, 1, 64));

  ModificationList noteToCc;
  ASSERT_EQ(AddModificationCopy(noteToCc, Rule(0x90, 0xB0, 0, 127, 7)), 0);
  EXPECT_EQ(ApplyModifications(noteToCc, Msg(0x93, 60, 100)), Msg(0xB3, 7, 100));
  ModificationList noteToCcSwapped;
  ASSERT_EQ(AddModificationCopy(noteToCcSwapped, Rule(0x90, 0xB0, 0, 127, 7, 0, 15, true)), 0);
  EXPECT_EQ(ApplyModifications(noteToCcSwapped, Msg(0x93, 60, 100)), Msg(0xB3, 7, 60));

  ModificationList program;
  ASSERT_EQ(AddModificationCopy(program, Rule(0xC0, 0xB0, 0, 127, 0)), 0);
  EXPECT_EQ(ApplyModifications(program, Msg(0xC1, 5, 0)), Msg(0xB1, 0, 0));
  ModificationList programSwapped;
  ASSERT_EQ(AddModificationCopy(programSwapped, Rule(0xC0, 0xB0, 0, 127, 0, 0, 15, true)), 0);
  EXPECT_EQ(ApplyModifications(programSwapped, Msg(0xC1, 5, 0)), Msg(0xB1, 0, 5));
}

TEST_F(ModificationsTest, NoteToProgramChangeOrPitchWheelKeepsBothBytes) {
  Add(Rule(0x90, 0xC0, 0, 127, 99));
  EXPECT_EQ(Apply(Msg(0x90, 10, 20)), Msg(0xC0, 10, 20));
  ModificationList wheel;
  ASSERT_EQ(AddModificationCopy(wheel, Rule(0x80, 0xE0, 0, 127, 99)), 0);
  EXPECT_EQ(ApplyModifications(wheel, Msg(0x8A, 10, 20)), Msg(0xEA, 10, 20));
}

TEST_F(ModificationsTest, SwapTestsTheSecondByte) {
  // Velocities 100..127 only; the bytes stay exchanged for a passed message.
  Add(Rule(0x90, 0x90, 100, 127, 0, 0, 15, true));
  // Range test on the velocity: 110 -> 110 - 100 + 0 = 10, note goes second.
  EXPECT_EQ(Apply(Msg(0x90, 60, 110)), Msg(0x90, 10, 60));
  // Passed over by range: the swap is undone, the message is as it came.
  EXPECT_EQ(Apply(Msg(0x90, 60, 99)), Msg(0x90, 60, 99));
  // Pitch wheel with swap tests the high bits and sends the low as value.
  ModificationList wheel;
  ASSERT_EQ(AddModificationCopy(wheel, Rule(0xE0, 0xB0, 64, 127, 1, 0, 15, true)), 0);
  EXPECT_EQ(ApplyModifications(wheel, Msg(0xE2, 3, 70)), Msg(0xB2, 1, 3));
  EXPECT_EQ(ApplyModifications(wheel, Msg(0xE2, 3, 10)), Msg(0xE2, 3, 10));
}

TEST_F(ModificationsTest, ChannelRangeIsAFilter) {
  Add(Rule(0x90, 0x90, 0, 127, 12, 2, 4));  // channels 3..5, up 12
  EXPECT_EQ(Apply(Msg(0x91, 60, 1)), Msg(0x91, 60, 1));
  EXPECT_EQ(Apply(Msg(0x92, 60, 1)), Msg(0x92, 72, 1));
  EXPECT_EQ(Apply(Msg(0x94, 60, 1)), Msg(0x94, 72, 1));
  EXPECT_EQ(Apply(Msg(0x95, 60, 1)), Msg(0x95, 60, 1));
  // An empty range (lowest above highest) selects nothing.
  ModificationList empty;
  ASSERT_EQ(AddModificationCopy(empty, Rule(0x90, kTypeNone, 0, 127, 0, 9, 3)), 0);
  for (std::uint32_t channel = 0; channel < 16; ++channel)
    EXPECT_EQ(ApplyModifications(empty, Msg(0x90 | channel, 1, 1)), Msg(0x90 | channel, 1, 1));
}

TEST_F(ModificationsTest, AllSelectsEveryChannelMessage) {
  Add(Rule(kTypeAll, kTypeNone, 0, 127, 0, 1, 15));  // keep channel 1 only
  EXPECT_EQ(Apply(Msg(0x90, 60, 1)), Msg(0x90, 60, 1));
  EXPECT_EQ(Apply(Msg(0xE0, 0, 64)), Msg(0xE0, 0, 64));
  for (std::uint32_t type = 0x80; type <= 0xE0; type += 0x10)
    EXPECT_TRUE(IsDroppedMessage(Apply(Msg(type | 7, 1, 2)))) << type;
  // System messages are not channel messages.
  EXPECT_EQ(Apply(0xF8u), 0xF8u);
  EXPECT_EQ(Apply(Msg(0xF2, 1, 2)), Msg(0xF2, 1, 2));
}

TEST_F(ModificationsTest, UnlistedSourceTypesAreHarmless) {
  for (std::uint32_t source : {0x05u, 0x10u, 0x70u, 0xA0u, 0xD0u, 0xF0u, 0x95u, 0xFFu})
    Add(Rule(static_cast<std::uint8_t>(source), kTypeNone, 0, 255, 0, 0, 15, true));
  for (std::uint32_t status : {0x80u, 0x95u, 0xA3u, 0xBFu, 0xD0u, 0xF0u, 0xF8u, 0xFFu})
    EXPECT_EQ(Apply(Msg(status, 12, 34)), Msg(status, 12, 34)) << status;
  // The top byte of the packed message is kept.
  ModificationList up;
  ASSERT_EQ(AddModificationCopy(up, Rule(0x90, 0x90, 0, 127, 1)), 0);
  EXPECT_EQ(ApplyModifications(up, 0xAB000000u | Msg(0x90, 1, 2)), 0xAB000000u | Msg(0x90, 2, 2));
}

TEST_F(ModificationsTest, AllEightRecordsApplyInOrder) {
  for (int i = 0; i < kMaxModifications; ++i) Add(Rule(0x90, 0x90, 0, 127, 1));  // up one each
  EXPECT_EQ(Apply(Msg(0x90, 60, 100)), Msg(0x90, 68, 100));
  // A copy counted before its bytes arrive meets the default record only.
  DeleteModification(list_, 7);
  ASSERT_EQ(AddModification(list_), 7);
  EXPECT_EQ(Apply(Msg(0x90, 60, 100)), Msg(0x90, 67, 100));
}

}  // namespace
}  // namespace korvel
