// The simulation's stand-in for posting work to the user-interface thread.
#include <gtest/gtest.h>

#include <thread>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"

namespace {

TEST(SimUserInterfaceTest, PostsFromAnyThreadAreCountedUntilTheReset) {
  platform::sim::Sandbox sandbox;
  platform::SetUserInterfaceWorkTarget(0x1234, 0x8001);
  EXPECT_EQ(platform::sim::UserInterfaceWorkWindow(), 0x1234u);
  EXPECT_EQ(platform::sim::UserInterfaceWorkMessage(), 0x8001u);
  EXPECT_FALSE(platform::sim::WaitForUserInterfaceWork(1, 10));

  std::thread poster([] {
    for (int i = 0; i < 3; ++i) platform::PostUserInterfaceWork();
  });
  EXPECT_TRUE(platform::sim::WaitForUserInterfaceWork(3));
  poster.join();
  EXPECT_EQ(platform::sim::PostedUserInterfaceWork(), 3u);

  platform::sim::Reset(sandbox.Root());
  EXPECT_EQ(platform::sim::PostedUserInterfaceWork(), 0u);
  EXPECT_EQ(platform::sim::UserInterfaceWorkWindow(), 0u);
}

}  // namespace
