#include <gtest/gtest.h>

#include "modes/play/GameModePlay.h"

// Seats are drawn relative to the own seat: the own seat is always at the bottom.
TEST(GameModePlaySeat, RelativePositions) {
  struct Case {
    int my_seat, seat, relative;
  } cases[] = {{-1, 2, 2}, {0, 0, 0}, {0, 3, 3}, {2, 2, 0}, {2, 3, 1}, {2, 0, 2}, {3, 0, 1}, {1, -1, -1}, {1, 4, -1}};
  GameModePlay play;
  for (const Case& c : cases) {
    play.my_seat = c.my_seat;
    EXPECT_EQ(play.Relative(c.seat), c.relative) << "own " << c.my_seat << " seat " << c.seat;
  }
}
