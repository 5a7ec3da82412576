#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/GameAfterFrame.h"

namespace {

// What a frame posts runs at the next pass, in order; what a task posts waits for the
// pass after, so a task that posts itself again never spins inside one pass.
TEST(GameAfterFrameTest, TasksRunOncePerPassInOrderAndLaterPostsWait) {
  GameAfterFrame::Clear();
  std::string trace;
  GameAfterFrame::Post([&] { trace += "a"; });
  GameAfterFrame::Post([&] {
    trace += "b";
    GameAfterFrame::Post([&] { trace += "c"; });
  });
  std::thread worker([&] { GameAfterFrame::Post([&] { trace += "w"; }); });
  worker.join();
  EXPECT_EQ(GameAfterFrame::Pending(), 3u);
  EXPECT_EQ(GameAfterFrame::Run(), 3u);
  EXPECT_EQ(trace, "abw");
  EXPECT_EQ(GameAfterFrame::Run(), 1u);
  EXPECT_EQ(trace, "abwc");
  EXPECT_EQ(GameAfterFrame::Run(), 0u);

  GameAfterFrame::Post([&] { trace += "x"; });
  GameAfterFrame::Clear();  // shutdown: dropped, never run
  EXPECT_EQ(GameAfterFrame::Run(), 0u);
  EXPECT_EQ(trace, "abwc");
}

}  // namespace
