// The room list's rooms drawn in their sideways list: each plate where the list puts
// it, an affordable room lit with a gold rim and a gold stake, a badge where one is
// set, and the stake and player count written larger for larger figures.
#include <gtest/gtest.h>

#include <string>

#include "app/LanguageMessages.h"
#include "gfx/GLSurface.h"
#include "render/TexRenderEnv.h"
#include "scenes/VXScene_game.h"
#include "ui/GLScrollBox.h"

namespace {

using texrender::Frame;

bool Near(const uint8_t* p, int r, int g, int b, int tol = 10) {
  return std::abs(p[0] - r) <= tol && std::abs(p[1] - g) <= tol && std::abs(p[2] - b) <= tol;
}

// Horizontal extent {first, last} of pixels in the box that pass `lit`, {-1, -1} for none.
template <class Lit>
std::pair<int, int> Span(const Frame& f, int x0, int x1, int y0, int y1, Lit lit) {
  int first = -1, last = -1;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (lit(f.At(x, y))) {
        if (first < 0 || x < first) first = x;
        if (x > last) last = x;
      }
  return {first, last};
}

bool Gold(const uint8_t* p) { return p[0] > 200 && p[1] > 160 && p[2] < 130; }
bool White(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }

VXRoomEntry Room(int32_t stake, int32_t normal_a, int32_t normal_b, int32_t badge) {
  VXRoomEntry r;
  r.stake = stake;
  r.badge = badge;
  r.players[0][0] = normal_a;
  r.players[0][1] = normal_b;
  return r;
}

class RoomListRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!texrender::EnsureContext()) GTEST_SKIP() << "no GL context on the offscreen driver";
    texrender::InFolder(texrender::FontFolder(), [] { GLSurface::Instance()->Initialize(0, nullptr); });
    ASSERT_NE(GLSurface::Instance()->Font(0), nullptr);
    InitLanguageMessages(kLanguageEditionThai);
  }
};

TEST_F(RoomListRender, RoomsShowTheirPlatesStakesCountsAndBadges) {
  GLScrollBox list;
  list.Setup(0, VXScene_game::kListTop, 1280, VXScene_game::kListBottom);
  list.SetVertical(0);
  list.AddItem(new VXButton_room(0, 300, Room(1000, 3, 4, 0), true));        // affordable: lit
  list.AddItem(new VXButton_room(0, 300, Room(2500000, 9, 3, 300), false));  // a badge
  list.AddItem(new VXButton_room(0, 300, Room(50, 0, 0, 0), false));

  texrender::BeginFrame();
  list.Draw();
  const Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/room_list.png");

  // Plates: 32 units into each 266-unit slot, from 10 units below the list's top.
  const int top = VXScene_game::kListTop + VXButton_room::kPlateTop;
  EXPECT_TRUE(Near(f.At(60, 450), 41, 107, 209)) << "the affordable room is lit";
  EXPECT_TRUE(Near(f.At(320, 450), 26, 64, 128)) << "the other rooms are plain";
  EXPECT_TRUE(Near(f.At(586, 450), 26, 64, 128));
  EXPECT_TRUE(Gold(f.At(33, 450))) << "a gold rim on the affordable room";
  EXPECT_FALSE(Gold(f.At(299, 450)));
  EXPECT_TRUE(f.IsBlack(290, 450)) << "the gap between two plates";
  EXPECT_TRUE(f.IsBlack(60, top - 4)) << "nothing above the plates";

  // The badge of value 300 in the plate's top-right corner, none elsewhere.
  EXPECT_TRUE(Near(f.At(298 + 252 - 75, top + 16), 217, 38, 38));
  EXPECT_FALSE(Near(f.At(32 + 252 - 75, top + 16), 217, 38, 38));

  // Stakes: gold on the affordable room, white on the others; "2,500,000" runs wider
  // than "1,000" (in a smaller size, inside its plate), which runs wider than "50".
  const int stake_y0 = top + 105, stake_y1 = top + 155;
  const auto gold_stake = Span(f, 40, 276, stake_y0, stake_y1, Gold);  // inside the rim
  const auto white_stake0 = Span(f, 40, 276, stake_y0, stake_y1, White);
  const auto big_stake = Span(f, 298, 550, stake_y0, stake_y1, White);
  const auto small_stake = Span(f, 564, 816, stake_y0, stake_y1, White);
  ASSERT_GE(gold_stake.first, 0) << "the affordable stake is drawn in gold";
  EXPECT_LT(white_stake0.first, 0) << "and not in white";
  ASSERT_GE(big_stake.first, 0);
  ASSERT_GE(small_stake.first, 0);
  const int w_gold = gold_stake.second - gold_stake.first;
  const int w_big = big_stake.second - big_stake.first;
  const int w_small = small_stake.second - small_stake.first;
  EXPECT_GT(w_big, w_gold + 10);
  EXPECT_GT(big_stake.first, 298 + 10) << "a long stake stays inside its plate";
  EXPECT_LT(big_stake.second, 550 - 10);
  EXPECT_GT(w_gold, w_small + 20);
  // Each stake is centred on its plate.
  EXPECT_NEAR((big_stake.first + big_stake.second) / 2, 298 + 126, 6);

  // Player counts: "7" and "12" (both counts of the tab), "0" on the empty room.
  const int count_y0 = top + 248, count_y1 = top + 278;
  const auto count0 = Span(f, 32, 284, count_y0, count_y1, White);
  const auto count1 = Span(f, 298, 550, count_y0, count_y1, White);
  ASSERT_GE(count0.first, 0);
  ASSERT_GE(count1.first, 0);
  EXPECT_GT(count1.second - count1.first, count0.second - count0.first + 5) << "two digits run wider than one";

  // The turn limit line of the normal tab sits between the stake and the count.
  EXPECT_GE(Span(f, 32, 284, top + 180, top + 210, White).first, 0);
}

TEST_F(RoomListRender, APressedRoomIsDarkerAndTheListClipsAtItsEdges) {
  GLScrollBox list;
  list.Setup(0, VXScene_game::kListTop, 1280, VXScene_game::kListBottom);
  list.SetVertical(0);
  for (int i = 0; i < 6; ++i) list.AddItem(new VXButton_room(1, 300, Room(1000, 0, 0, 0), false));
  texrender::BeginFrame();
  list.Draw();
  static_cast<GLScrollBoxItem*>(list.GetItem(1))->m_state = GLScrollBoxItem::kPressed;
  texrender::BeginFrame();
  list.Draw();
  const Frame f = texrender::Read();
  texrender::SavePng(f, texrender::OutDir() + "/room_list_point.png");
  EXPECT_TRUE(Near(f.At(60, 450), 128, 66, 20)) << "the point tab's plate";
  EXPECT_TRUE(Near(f.At(320, 450), 90, 46, 14)) << "pressed: darker";
  // The fifth room starts at 32 + 4 x 266 = 1096 and is cut at the right edge.
  EXPECT_TRUE(Near(f.At(1270, 450), 128, 66, 20));
}

}  // namespace
