#include "config/ScratchRing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <set>

namespace korvel {
namespace {

TEST(ScratchRing, KeptSlotHandsBackTheSameBuffer) {
  ScratchRing ring;
  char* first = ring.Take(100);
  ASSERT_NE(first, nullptr);
  ring.Release();
  EXPECT_EQ(ring.Capacity(0), 100u);

  char* second = ring.Take(50);
  EXPECT_EQ(second, first);
  EXPECT_EQ(ring.Capacity(0), 100u);
  ring.Release();
}

TEST(ScratchRing, SlotsFromTheThresholdOnAreFreedOnRelease) {
  ScratchRing ring;
  ring.Take(10);
  ring.Take(10);
  ring.Take(100);
  EXPECT_EQ(ring.Capacity(2), 100u);
  ring.Release();
  EXPECT_EQ(ring.Capacity(2), 0u);

  ring.Take(50);
  EXPECT_EQ(ring.Capacity(2), 50u);  // allocated anew at exactly the size asked
}

TEST(ScratchRing, TooSmallKeptBufferIsReplaced) {
  ScratchRing ring;
  ring.Take(200);
  ring.Release();
  char* bigger = ring.Take(300);
  EXPECT_EQ(ring.Capacity(0), 300u);
  std::memset(bigger, 'x', 300);  // the whole size is usable
}

TEST(ScratchRing, SixBuffersAtOnceThenTheRoundStartsAgain) {
  ScratchRing ring;
  std::set<char*> buffers;
  char* first = nullptr;
  for (int i = 0; i < ScratchRing::kSlotCount; ++i) {
    EXPECT_EQ(ring.Cursor(), i);
    char* buffer = ring.Take(64);
    std::memset(buffer, i, 64);
    if (i == 0) first = buffer;
    buffers.insert(buffer);
  }
  EXPECT_EQ(buffers.size(), 6u);
  EXPECT_EQ(ring.Cursor(), 0);
  EXPECT_EQ(ring.Take(64), first);  // the seventh take reuses the first slot
  EXPECT_EQ(ring.Cursor(), 1);
}

TEST(ScratchRing, PairedTakesAndReleasesRestoreTheCursor) {
  ScratchRing ring;
  ring.Take(20);  // an outer operation holds slot 0
  for (int round = 0; round < 3; ++round) {
    ring.Take(30);
    ring.Take(40);
    ring.Take(50);
    ring.Release();
    ring.Release();
    ring.Release();
    EXPECT_EQ(ring.Cursor(), 1);
  }
  EXPECT_EQ(ring.Capacity(0), 20u);
  EXPECT_EQ(ring.Capacity(1), 30u);  // kept
  EXPECT_EQ(ring.Capacity(2), 0u);
  EXPECT_EQ(ring.Capacity(3), 0u);
}

TEST(ScratchRing, ReleaseAtSlotZeroWrapsToTheLastSlot) {
  ScratchRing ring;
  for (int i = 0; i < ScratchRing::kSlotCount; ++i) ring.Take(8);
  EXPECT_EQ(ring.Capacity(5), 8u);
  ring.Release();
  EXPECT_EQ(ring.Cursor(), 5);
  EXPECT_EQ(ring.Capacity(5), 0u);

  ScratchRing fresh;
  fresh.Release();
  EXPECT_EQ(fresh.Cursor(), 5);
}

TEST(ScratchRing, DestroyFreesEverySlot) {
  ScratchRing ring;
  for (int i = 0; i < 4; ++i) ring.Take(16);
  ring.Release();
  ring.Release();
  ring.Destroy();
  for (int i = 0; i < ScratchRing::kSlotCount; ++i) EXPECT_EQ(ring.Capacity(i), 0u) << i;
  EXPECT_EQ(ring.Cursor(), 2);

  // The ring still works afterwards.
  ring.Release();
  ring.Release();
  ring.Take(12);
  EXPECT_EQ(ring.Capacity(0), 12u);
}

TEST(ScratchRing, KeepThresholdIsConfigurable) {
  ScratchRing none(0);
  none.Take(10);
  none.Release();
  EXPECT_EQ(none.Capacity(0), 0u);

  ScratchRing all(99);  // clamped to every slot
  for (int i = 0; i < ScratchRing::kSlotCount; ++i) all.Take(10);
  for (int i = 0; i < ScratchRing::kSlotCount; ++i) all.Release();
  for (int i = 0; i < ScratchRing::kSlotCount; ++i) EXPECT_EQ(all.Capacity(i), 10u) << i;
}

TEST(ScratchRing, ZeroSizeTakeStillGivesABuffer) {
  ScratchRing ring;
  EXPECT_NE(ring.Take(0), nullptr);
  EXPECT_EQ(ring.Capacity(0), 0u);
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEL_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KORVEL_ASAN 1
#endif

TEST(ScratchRing, FailedAllocationThrowsAndLeavesTheRingAsItWas) {
#ifdef KORVEL_ASAN
  GTEST_SKIP() << "AddressSanitizer aborts on an impossible allocation instead of throwing";
#else
  ScratchRing ring;
  ring.Take(16);
  ring.Take(16);
  EXPECT_THROW(ring.Take(SIZE_MAX / 2), std::bad_alloc);
  EXPECT_EQ(ring.Cursor(), 2);
  EXPECT_EQ(ring.Capacity(2), 0u);
  ring.Take(32);
  EXPECT_EQ(ring.Capacity(2), 32u);
#endif
}

}  // namespace
}  // namespace korvel
