#include <gtest/gtest.h>

#include "platform/clock.h"
#include "sim/sim_clock.h"
#include "sim/sim_world.h"

TEST(SimClock, SleepAdvancesVirtualTimeAndListenersSeeEveryInstantInOrder) {
  sim::ResetWorld();
  const std::uint32_t start = plat::TickCount();
  std::vector<std::uint64_t> seen;
  int id = sim::AddClockListener([&](std::uint64_t now) {
    if ((now - start) % 100 == 0) seen.push_back(now - start);
  });
  plat::SleepMs(300);
  sim::RemoveClockListener(id);
  EXPECT_EQ(plat::TickCount() - start, 300u);
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{100, 200, 300}));
  plat::SleepMs(50);  // no listener left: plain jump
  EXPECT_EQ(plat::TickCount() - start, 350u);
}

TEST(SimClock, TickCountWrapsAt32Bits) {
  sim::ResetWorld();
  sim::SetNow(0xFFFFFFFFull - 10);
  plat::SleepMs(20);
  EXPECT_EQ(plat::TickCount(), 9u);
}
