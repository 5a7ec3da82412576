// The table drawn from the server's own packets fed to OnPacket (with the kit's art and
// a clock stepped by hand): a game start and its deal, a round in progress with melds
// on every seat and a long pile, the own turn's timer, then the result and the ranking.
#include <gtest/gtest.h>

#include "gfx/GLSurface.h"
#include "media/GameSharedImage.h"
#include "render/SharedImageKit.h"
#include "render/TexRenderEnv.h"
#include "unit/play/PlayFlowFixture.h"

namespace {

using namespace play_testing;
using texrender::Frame;

bool Yellowish(const uint8_t* p) { return p[0] > 170 && p[1] > 170 && p[2] < 90; }

template <class Pred>
int CountIn(const Frame& f, int x0, int y0, int x1, int y1, Pred pred) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += pred(f.At(x, y)) ? 1 : 0;
  return n;
}

class TablePacketRender : public PlayFlowTest {
 protected:
  static void SetUpTestSuite() { kit.Load(); }

  void SetUp() override {
    if (!kit.loaded) GTEST_SKIP() << "no GL context or no generated art in this build folder";
    PlayFlowTest::SetUp();
    texrender::InFolder(kit.folder, [this] { ASSERT_EQ(play.LoadTableArt(), 1); });
  }
  void TearDown() override {
    if (!kit.loaded) return;
    play.ReleaseTableArt();
    PlayFlowTest::TearDown();
  }
  // Frames of 16 ms, each running Update as the main loop does.
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 16) {
      g_fake_now += 16;
      play.Update();
    }
  }
  Frame DrawFrame() {
    texrender::BeginFrame();
    play.Draw();
    return texrender::Read();
  }
  void Save(const Frame& f, const char* name) { texrender::SavePng(f, texrender::OutDir() + "/" + name + ".png"); }

  static texrender::SharedImageKit kit;
};
texrender::SharedImageKit TablePacketRender::kit;

TEST_F(TablePacketRender, TheDealShowsEachHandWhenItsFlightEnds) {
  SeatTable(0, 0, {{1, 1}, {2, 1}, {3, 1}});
  std::vector<SeatSpec> seats;
  seats.push_back({0, MakePlayer(kOwnId, 0, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10})});
  for (int s = 1; s < 4; ++s)
    seats.push_back({s, MakePlayer(("bot" + std::to_string(s)).c_str(), s, 2, {20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30})});
  Feed(GameStart(Status(2, 0, 1, 20, 23), std::move(seats), {33, 34}));
  ASSERT_EQ(play.dealing, 1);
  GameVXPlayer* own = play.MyPlayer();
  ASSERT_NE(own, nullptr);
  Run(100);
  Frame early = DrawFrame();
  Save(early, "table_packets_dealing");
  EXPECT_EQ(play.drawn_cards, 0) << "nothing dealt has landed yet";
  Run(2500);
  EXPECT_EQ(play.dealing, 0) << "the deal ended";
  Frame dealt = DrawFrame();
  Save(dealt, "table_packets_dealt");
  for (int i = 0; i < own->hand.count; ++i) {
    EXPECT_EQ(own->hand.At(i)->rect[0], 295 + 56 * i) << i;
    EXPECT_EQ(own->hand.At(i)->rect[1], 577) << i;
  }
  // 11 own cards, 3 x 11 backs, the pile's remaining card.
  EXPECT_EQ(play.drawn_cards, 11 + 33 + 1);
  // The stock's count: 52 - 23 = 29, in yellow over the stack.
  const int top = 330 - (29 / 3);
  EXPECT_GT(CountIn(dealt, 292, top + 40, 332, top + 72, Yellowish), 15);
}

TEST_F(TablePacketRender, ARoundInProgressWithMeldsALongPileAndTheOwnTurn) {
  SeatTable(0, 0, {{1, 1}, {2, 1}, {3, 1}});
  std::vector<SeatSpec> seats;
  seats.push_back({0, MakePlayer(kOwnId, 0, 2, {13, 14, 15, 16, 30, 31, 44, 45, 46}, {{0, 13 + 0, 26 + 0}, {5, 6, 7}})});
  seats.push_back({1, MakePlayer("bot1", 1, 2, {1, 2, 3}, {{40, 41, 42, 43, 44, 45, 46}, {12, 25, 38}})});
  seats.push_back({2, MakePlayer("bot2", 2, 2, {1, 2, 3, 4}, {{9, 10, 11}, {21, 22, 23}, {47, 48, 49, 50}})});
  seats.push_back({3, MakePlayer("bot3", 3, 2, {1, 2}, {{33, 34, 35}})});
  std::initializer_list<int> pile = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 17, 18, 19,
                                     20, 24, 27, 28, 29, 32, 36, 37, 39, 51, 26, 14, 15, 16, 30};
  Feed(TableInfo(0, Status(2, 0, 1, 20, 30), std::move(seats), pile));
  ASSERT_EQ(play.table_ready, 1);
  Feed(Turn(Status(2, 0, 0, 20, 30), 0, 14000));  // the own turn, 6 s left of 20
  Run(32);
  Frame f = DrawFrame();
  Save(f, "table_packets_mid_round");
  ASSERT_EQ(play.pile.count, 30);
  EXPECT_LE(play.pile.At(29)->rect[2], 1280) << "the long pile stays on screen";
  // The seven-card meld of relative seat 1 from (27, 155).
  const GameVXPlayer* left = play.players[1];
  ASSERT_NE(left, nullptr);
  ASSERT_GE(left->meld_count, 1);
  const int want[7] = {0, 15, 28, 41, 54, 67, 80};
  for (int i = 0; i < left->melds[0]->count && i < 7; ++i) EXPECT_EQ(left->melds[0]->At(i)->rect[0], 27 + want[i]);
  // The own melds: six columns from (263, 438).
  const GameVXPlayer* own = play.MyPlayer();
  ASSERT_EQ(own->meld_count, 2);
  EXPECT_EQ(own->melds[1]->At(0)->rect[0], 263 + 127);
  EXPECT_EQ(own->melds[1]->At(0)->rect[1], 438);
  // The own timer: 6 of 20 seconds is above the last quarter (green ring, seconds shown).
  auto green = [](const uint8_t* p) { return p[1] > 150 && p[1] - p[0] > 60 && p[1] - p[2] > 40; };
  // The ring at three o'clock (0.3 of it is drawn, clockwise from the top), clear of the
  // host's crown and of the warning clock; nothing at nine o'clock.
  EXPECT_GT(CountIn(f, 153 + 55 + 56, 562 + 55 - 6, 153 + 55 + 68, 562 + 55 + 6, green), 40);
  EXPECT_EQ(CountIn(f, 153 + 55 - 68, 562 + 55 - 6, 153 + 55 - 56, 562 + 55 + 6, green), 0);
}

TEST_F(TablePacketRender, TheResultAndTheRankingFromTheirPackets) {
  StartRound({0, 1, 2, 3, 4}, 1);
  Run(2500);
  VXMsg_game_result result;
  result.winner_seat = 2;
  for (int s = 0; s < 4; ++s) {
    result.settlement[s] = s == 2 ? 3000 : -1000;
    result.kept[s] = s == 2 ? 45 : -15;
    result.plus_points[s] = s == 2 ? 45 : 0;
    result.minus_points[s] = s == 2 ? 0 : 15;
  }
  result.row_count = 4;
  const int order[4] = {2, 0, 1, 3};
  for (int r = 0; r < 4; ++r) result.rows[r] = {r, order[r], r == 0 ? 3 : 0};
  Packet p;
  Build_Packet(result, p);
  Feed(std::move(p));
  Run(600);
  ASSERT_EQ(play.room.TableState(), 3);
  Frame shown = DrawFrame();
  Save(shown, "table_packets_result");
  // The winner's total on its plate (relative seat 2, result anchor (440, 155)).
  EXPECT_GT(CountIn(shown, 440 + 320, 155 + 130, 440 + 392, 155 + 165, Yellowish), 15);

  Feed(Words(VX_PROTOCOL_GAME_RANKING, {0}));
  Run(600);
  ASSERT_EQ(play.room.TableState(), 4);
  Frame ranking = DrawFrame();
  Save(ranking, "table_packets_ranking");
  // Rows in the result's order: the winner first with a gold settlement.
  auto gold = [](const uint8_t* px) { return px[0] > 200 && px[1] > 170 && px[2] < 80; };
  EXPECT_GT(CountIn(ranking, 900, 272, 1025, 305, gold), 10);
}

}  // namespace
