// The table drawn offscreen with the kit's art: where the stock, the pile, the hands and
// the melds land (the rectangles each card keeps for input), the timer ring at two
// moments of a turn, both layouts, a busy four-seat round, the alert line and the two
// result panels. Pictures of each case go to <build>/render-out/table_*.png.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLSurface.h"
#include "media/GameSharedImage.h"
#include "modes/play/GameModePlay.h"
#include "render/SharedImageKit.h"
#include "render/TexRenderEnv.h"

namespace {

using texrender::Frame;

bool Yellowish(const uint8_t* p) { return p[0] > 170 && p[1] > 170 && p[2] < 90; }
bool Reddish(const uint8_t* p) { return p[0] > 170 && p[1] < 90 && p[2] < 90; }

// Pixels in the box passing `pred`.
template <class Pred>
int CountIn(const Frame& f, int x0, int y0, int x1, int y1, Pred pred) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (x >= 0 && y >= 0 && x < texrender::kW && y < texrender::kH && pred(f.At(x, y))) ++n;
  return n;
}

// The colour most common in the box, by coarse bins (the fill of a plate).
struct Colour {
  int r, g, b;
};
Colour Mean(const Frame& f, int x0, int y0, int x1, int y1) {
  long r = 0, g = 0, b = 0, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = f.At(x, y);
      r += p[0], g += p[1], b += p[2], ++n;
    }
  return n ? Colour{static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)} : Colour{0, 0, 0};
}
int Distance(Colour a, Colour b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

struct Rect {
  int l, t, r, b;
  bool operator==(const Rect& o) const { return l == o.l && t == o.t && r == o.r && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.l << "," << r.t << "," << r.r << "," << r.b << ")";
}
Rect RectOf(const VXType_card* c) { return Rect{c->rect[0], c->rect[1], c->rect[2], c->rect[3]}; }

VXType_card* NewCard(int code) {
  auto* c = new VXType_card();
  c->code = code;
  return c;
}

class TableRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    kit.Load();
    InitLanguageMessages(kLanguageEditionThai);
  }

  void SetUp() override {
    if (!kit.loaded) GTEST_SKIP() << "no GL context or no generated art in this build folder";
    GameSharedData::Instance()->ResetDefaults();
    play = new GameModePlay();
    texrender::InFolder(kit.folder, [this] { ASSERT_EQ(play->LoadTableArt(), 1); });
    now = GetTickMs();
  }
  void TearDown() override {
    if (play) {
      play->ReleaseTableArt();
      delete play;
    }
    play = nullptr;
    GameSharedData::Instance()->ResetDefaults();
  }

  // Seats a player: account id, name, ready flag.
  GameVXPlayer* Seat(int seat, const char* name, int ready = 2) {
    delete play->players[seat];
    auto* p = new GameVXPlayer();
    std::snprintf(reinterpret_cast<char*>(p->profile), 30, "NV%08d", seat + 1);
    CopyFixedText(reinterpret_cast<char*>(p->profile + 30), 50, name);
    p->seat.SetSeat(seat);
    p->seat.SetReady(ready);
    play->players[seat] = p;
    return p;
  }
  static void Deal(GameVXCardDeck& deck, int first_code, int n) {
    for (int i = 0; i < n; ++i) deck.Add_Card(NewCard((first_code + i) % 52));
  }
  void Round(int layout, int my_seat) {
    play->layout = layout;
    play->my_seat = my_seat;
    play->room.SetTableState(2);
    play->room.SetTurnSeconds(20);
  }
  Frame DrawFrame() {
    texrender::BeginFrame();
    play->Draw();
    return texrender::Read();
  }
  void Save(const Frame& f, const char* name) { texrender::SavePng(f, texrender::OutDir() + "/" + name + ".png"); }

  static texrender::SharedImageKit kit;
  GameModePlay* play = nullptr;
  uint32_t now = 0;
};
texrender::SharedImageKit TableRender::kit;

TEST_F(TableRender, StockShowsItsBacksAndCountOrTheEmptyPlace) {
  Round(0, 0);
  Seat(0, "Own");
  struct Case {
    int taken;
    bool count_shown;
  } cases[] = {{52, false}, {50, true}, {0, true}};
  Frame frames[3];
  for (int i = 0; i < 3; ++i) {
    play->stock_used = cases[i].taken;
    frames[i] = DrawFrame();
    // The count sits 35 right of the stock's origin, 56 below the top of the stack.
    const int backs = (52 - cases[i].taken) / 3 + 1;
    const int top = 330 - (backs - 1);
    const int yellow = CountIn(frames[i], 295, top + 40, 330, top + 72, Yellowish);
    EXPECT_EQ(yellow > 15, cases[i].count_shown) << cases[i].taken << " taken: " << yellow;
  }
  Save(frames[1], "table_stock_50");
  // One back for two cards left; a full stock stacks 18 backs, each a unit higher.
  const Colour place_empty = Mean(frames[0], 280, 300, 340, 330);
  const Colour one_back = Mean(frames[1], 280, 300, 340, 330);
  const Colour full = Mean(frames[2], 280, 300, 340, 330);
  EXPECT_LT(Distance(place_empty, one_back), 30) << "above a single back the table shows";
  EXPECT_GT(Distance(full, one_back), 30) << "a full stack rises 17 units above the origin";
  EXPECT_GT(Distance(Mean(frames[0], 285, 345, 335, 410), Mean(frames[1], 285, 345, 335, 410)), 30)
      << "the empty place is not a card back";
}

TEST_F(TableRender, PileCardsKeepTheirRectanglesInBothLayouts) {
  Seat(0, "Own");
  Deal(play->pile, 3, 5);
  for (int layout = 0; layout < 2; ++layout) {
    Round(layout, 0);
    Frame f = DrawFrame();
    if (layout == 0) Save(f, "table_pile_5");
    const int ox = layout ? 385 : 420, oy = layout ? 230 : 330;
    EXPECT_EQ(RectOf(play->pile.At(2)), (Rect{ox + 66, oy, ox + 99, oy + 92})) << "layout " << layout;
    EXPECT_EQ(RectOf(play->pile.At(4)), (Rect{ox + 132, oy, ox + 203, oy + 92})) << "layout " << layout;
  }
  // A selected card rises 20 units; the pointer's card is tinted.
  play->layout = 0;
  play->pile.At(1)->selected = 1;
  DrawFrame();
  EXPECT_EQ(RectOf(play->pile.At(1)), (Rect{453, 310, 486, 402}));
}

TEST_F(TableRender, ALongPileClosesUpInsideTheScreen) {
  Round(0, 0);
  Seat(0, "Own");
  for (int n : {24, 26, 40, 52}) {
    play->pile.Clear(true);
    Deal(play->pile, 0, n);
    Frame f = DrawFrame();
    if (n == 40) Save(f, "table_pile_40");
    const Rect top = RectOf(play->pile.At(n - 1));
    EXPECT_LE(top.r, 1280) << n << " cards: the top card stays on screen";
    EXPECT_EQ(top.r - top.l, 71) << n;
    for (int i = 1; i < n; ++i) EXPECT_GT(play->pile.At(i)->rect[0], play->pile.At(i - 1)->rect[0]) << n << " at " << i;
  }
  // Up to 24 cards the pile keeps its 33-unit step.
  play->pile.Clear(true);
  Deal(play->pile, 0, 24);
  DrawFrame();
  EXPECT_EQ(play->pile.At(23)->rect[0], 420 + 33 * 23);
}

TEST_F(TableRender, OwnHandRowsAndTheirRectangles) {
  struct Case {
    int layout, cards;
  } cases[] = {{0, 15}, {1, 17}, {0, 30}, {1, 40}};
  for (const Case& c : cases) {
    Round(c.layout, 1);
    GameVXPlayer* own = Seat(1, "Own");
    Deal(own->hand, 0, c.cards);
    Frame f = DrawFrame();
    const int x0 = c.layout ? 165 : 295, per_row = c.layout ? 16 : 14;
    if (c.cards == 15) Save(f, "table_hand_two_rows");
    if (c.cards == 30) Save(f, "table_hand_three_rows");
    // The first row, the wide card that ends it, the next row's first card.
    EXPECT_EQ(RectOf(own->hand.At(0)), (Rect{x0, 577, x0 + 49, 706})) << c.cards;
    EXPECT_EQ(RectOf(own->hand.At(per_row - 1)), (Rect{x0 + 56 * (per_row - 1), 577, x0 + 56 * (per_row - 1) + 99, 706}))
        << c.cards;
    const int rows = (c.cards + per_row - 1) / per_row;
    const int pitch = rows > 2 ? 70 / (rows - 1) : 70;
    EXPECT_EQ(own->hand.At(per_row)->rect[0], x0) << c.cards;
    EXPECT_EQ(own->hand.At(per_row)->rect[1], 577 + pitch) << c.cards;
    const Rect last = RectOf(own->hand.At(c.cards - 1));
    EXPECT_EQ(last.r - last.l, 99) << "the last card is whole: " << c.cards;
    EXPECT_LE(last.t, 647) << "the last row stays above the bottom edge: " << c.cards;
  }
  // The 15th card of layout 0 starts the second row at (295, 647).
  Round(0, 0);
  GameVXPlayer* own = Seat(0, "Own");
  Deal(own->hand, 0, 15);
  DrawFrame();
  EXPECT_EQ(own->hand.At(14)->rect[0], 295);
  EXPECT_EQ(own->hand.At(14)->rect[1], 647);
}

TEST_F(TableRender, MeldCardsSpreadByTheirCount) {
  Round(0, 0);
  Seat(0, "Own");
  GameVXPlayer* other = Seat(1, "Left");
  GameVXCardDeck* meld = other->Add_Meld(2);
  for (int r = 0; r < 7; ++r) meld->Add_Card(NewCard(13 + r));
  GameVXCardDeck* three = other->Add_Meld(3);
  for (int s = 0; s < 3; ++s) three->Add_Card(NewCard(7 + 13 * s));
  Frame f = DrawFrame();
  Save(f, "table_melds");
  // Relative seat 1 in layout 0: melds from (27, 155), columns 127 wide.
  const int want[7] = {0, 15, 28, 41, 54, 67, 80};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(meld->At(i)->rect[0], 27 + want[i]) << i;
    EXPECT_EQ(meld->At(i)->rect[1], 155) << i;
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(three->At(i)->rect[0], 27 + 127 + 20 * i) << i;
  // The position lookup of the table's effects agrees with what was drawn, for every
  // meld card and the pile.
  Deal(play->pile, 40, 6);
  DrawFrame();
  float x = 0, y = 0;
  for (const GameVXCardDeck* deck : {static_cast<const GameVXCardDeck*>(meld), static_cast<const GameVXCardDeck*>(three),
                                     static_cast<const GameVXCardDeck*>(&play->pile)})
    for (int i = 0; i < deck->count; ++i) {
      ASSERT_TRUE(play->CardPosition(deck->At(i)->code, &x, &y)) << deck->At(i)->code;
      EXPECT_EQ(static_cast<int>(x), deck->At(i)->rect[0]) << deck->At(i)->code;
      EXPECT_EQ(static_cast<int>(y), deck->At(i)->rect[1]) << deck->At(i)->code;
    }
  EXPECT_FALSE(play->CardPosition(30, &x, &y)) << "a card not on the table has no place";
  EXPECT_FALSE(play->CardPosition(-1, &x, &y));
}

TEST_F(TableRender, TheTimerRingChangesInTheTurnsLastQuarter) {
  Round(0, 0);
  GameVXPlayer* own = Seat(0, "Own");
  Seat(2, "Top");
  play->turn.SetTurnSeat(0);
  struct Case {
    uint32_t left_ms;
    float fraction;
  } cases[] = {{8000, 0.4f}, {4000, 0.2f}};
  Frame frames[2];
  for (int i = 0; i < 2; ++i) {
    own->seat.SetTurnStart(GetTickMs() - (20000 - cases[i].left_ms) + 300);
    EXPECT_NEAR(play->SeatTimerFraction(own, GetTickMs()), cases[i].fraction, 0.03f);
    frames[i] = DrawFrame();
  }
  Save(frames[0], "table_timer_04");
  Save(frames[1], "table_timer_02");
  // The ring's top (its sector starts at the top centre): green at 0.4, red at 0.2.
  auto green = [](const uint8_t* p) { return p[1] > 150 && p[1] - p[0] > 60 && p[1] - p[2] > 40; };
  auto red = [](const uint8_t* p) { return p[0] > 190 && p[0] - p[1] > 90 && p[0] - p[2] > 90; };
  const int ax = 153, ay = 562;
  const int ring_top = ay + 55 - 70;
  EXPECT_GT(CountIn(frames[0], ax + 56, ring_top + 2, ax + 75, ring_top + 12, green), 40);
  EXPECT_EQ(CountIn(frames[1], ax + 56, ring_top + 2, ax + 75, ring_top + 12, green), 0);
  EXPECT_GT(CountIn(frames[1], ax + 56, ring_top + 2, ax + 75, ring_top + 12, red), 40);
  // Left of the top centre the ring has not started (the sector grows clockwise).
  EXPECT_EQ(CountIn(frames[0], ax + 30, ring_top + 2, ax + 50, ring_top + 12, green), 0);

  // Another seat on its turn shows its seconds only in the last quarter.
  play->turn.SetTurnSeat(2);
  GameVXPlayer* top = play->players[2];
  const int tx = 582, ty = 34;
  for (int i = 0; i < 2; ++i) {
    top->seat.SetTurnStart(GetTickMs() - (20000 - cases[i].left_ms) + 300);
    Frame f = DrawFrame();
    const int digits = CountIn(f, tx + 25, ty + 30, tx + 90, ty + 85, Yellowish);
    EXPECT_EQ(digits > 20, i == 1) << "fraction " << cases[i].fraction << ": " << digits;
  }
  // A turn limit of 0 gives an empty ring, not a division by zero.
  play->room.SetTurnSeconds(0);
  EXPECT_EQ(play->SeatTimerFraction(top, GetTickMs()), 0.0f);
  DrawFrame();
}

TEST_F(TableRender, FourSeatsMidRoundWithMeldsAndALongPile) {
  for (int layout = 0; layout < 2; ++layout) {
    Round(layout, 2);
    play->stock_used = 31;
    play->turn.SetTurnSeat(3);
    play->turn.SetHostSeat(0);
    const char* names[4] = {"Somchai", "Malee", "Own seat", "Niran"};
    for (int s = 0; s < 4; ++s) {
      GameVXPlayer* p = Seat(s, names[s]);
      p->status = s;  // runs of wins 0 to 3
      Deal(p->hand, 7 * s, s == 2 ? 12 : 8);
      for (int m = 0; m < 3; ++m) {
        GameVXCardDeck* meld = p->Add_Meld(3);
        for (int k = 0; k < 3 + (m == 2 ? 2 : 0); ++k) {
          VXType_card* c = NewCard((m + 4 * s) % 13 + 13 * (k % 4));
          c->owner_seat = (k == 3) ? (s + 1) % 4 : s;
          meld->Add_Card(c);
        }
      }
      p->seat.SetTurnStart(GetTickMs() - 6000);
    }
    // Four cards picked up from the pile: copies held by the pick-up list alone.
    GameVXPlayer* own = play->players[2];
    VXType_card* picked[4];
    for (int k = 0; k < 4; ++k) own->pickup.Add_Card(picked[k] = NewCard(40 + k));
    own->hand.At(3)->selected = 1;
    play->pile.Clear(true);
    Deal(play->pile, 20, 28);
    Frame f = DrawFrame();
    Save(f, layout ? "table_four_seats_layout1" : "table_four_seats_layout0");
    // Every card the table shows is on screen.
    for (int s = 0; s < 4; ++s) {
      const GameVXPlayer* p = play->players[s];
      for (int m = 0; m < p->meld_count; ++m)
        for (int k = 0; k < p->melds[m]->count; ++k) {
          const Rect r = RectOf(p->melds[m]->At(k));
          EXPECT_GE(r.l, 0) << "layout " << layout << " seat " << s;
          EXPECT_LE(r.r, 1280) << "layout " << layout << " seat " << s;
          EXPECT_LE(r.b, 720) << "layout " << layout << " seat " << s;
        }
    }
    EXPECT_LE(play->pile.At(27)->rect[2], 1280);
    const Rect last = RectOf(own->pickup.At(3));
    EXPECT_EQ(last.r - last.l, 99) << "the last picked-up card is the wide one";
    EXPECT_EQ(own->hand.At(3)->rect[1], 577) << "a raised card keeps its row's rectangle";
    own->pickup.Clear(false);
    for (VXType_card* c : picked) delete c;
    for (int s = 0; s < 4; ++s) {
      delete play->players[s];
      play->players[s] = nullptr;
    }
  }
}

TEST_F(TableRender, AlertLineShowsForTwoSeconds) {
  Round(0, 0);
  Seat(0, "Own");
  CopyFixedText(play->alert_text, sizeof(play->alert_text), LangMessage(167));
  play->alert_time = GetTickMs() - 500;
  Frame shown = DrawFrame();
  Save(shown, "table_alert");
  EXPECT_GT(CountIn(shown, 400, 425, 880, 462, Reddish), 40) << "red text on the plate";
  play->alert_time = GetTickMs() - 2100;
  Frame gone = DrawFrame();
  EXPECT_EQ(CountIn(gone, 400, 425, 880, 462, Reddish), 0);
}

TEST_F(TableRender, ResultAndRankingPanels) {
  Round(0, 0);
  play->room.SetTableState(3);
  for (int s = 0; s < 3; ++s) {
    GameVXPlayer* p = Seat(s, s == 0 ? "Own" : "Other");
    Deal(p->hand, 5 * s, 4);
    p->seat.SetMinusPoints(20 + s);
    p->seat.SetPlusPoints(50);
    p->seat.SetFirstCounter(1, 1);
    p->seat.SetSecondCounter(2, 2);
    p->seat.SetSettlement(s == 0 ? 1500 : -750);
    play->result_total[s] = 30 - 15 * s;
    play->result_order[s] = s;
  }
  play->panel_state[1] = 1;
  play->panel_time[1] = GetTickMs() - 1000;
  Frame result = DrawFrame();
  Save(result, "table_result");
  // Each seated player's plate at its result anchor; the empty fourth seat has none.
  const Colour plate0 = Mean(result, 450, 440, 560, 460);  // relative seat 0 at (440, 435)
  const Colour plate1 = Mean(result, 24, 160, 134, 180);   // relative seat 1 at (14, 155)
  const Colour no_plate = Mean(result, 874, 160, 984, 180);
  EXPECT_LT(Distance(plate0, plate1), 40);
  EXPECT_GT(Distance(plate0, no_plate), 40);
  EXPECT_GT(CountIn(result, 440 + 300, 435 + 5, 440 + 392, 435 + 40, Reddish), 10) << "the minus points";

  play->room.SetTableState(4);
  play->panel_state[1] = 0;
  play->panel_state[2] = 1;
  play->panel_time[2] = GetTickMs() - 1000;
  Frame ranking = DrawFrame();
  Save(ranking, "table_ranking");
  EXPECT_GT(Distance(Mean(ranking, 250, 60, 1000, 120), Mean(result, 250, 60, 1000, 120)), 30)
      << "the ranking plate covers the table";
  // A negative settlement in red, a positive one in gold: rows 1 and 0.
  auto gold = [](const uint8_t* p) { return p[0] > 200 && p[1] > 170 && p[2] < 80; };
  EXPECT_GT(CountIn(ranking, 900, 272, 1025, 305, gold), 10);
  auto pink = [](const uint8_t* p) { return p[0] > 200 && p[1] > 100 && p[1] < 170 && p[2] > 100 && p[2] < 170; };
  EXPECT_GT(CountIn(ranking, 900, 368, 1025, 401, pink), 10);
}

TEST_F(TableRender, HostileValuesFromTheWireDrawNothingOutOfRange) {
  Round(0, 0);
  GameVXPlayer* own = Seat(0, "Own");
  GameVXPlayer* other = Seat(1, "Other");
  int32_t bad_character = 77;
  std::memcpy(other->profile + 108, &bad_character, 4);
  bad_character = -3;
  std::memcpy(own->profile + 108, &bad_character, 4);
  other->status = 123456;
  other->seat.SetFirstCounter(4, -9);
  other->seat.SetSecondCounter(0, 100000);  // icon counts are capped
  play->reaction[1].item = 99;
  play->reaction[1].time = GetTickMs() - 100;
  play->reaction[0].item = -4;
  play->reaction[0].time = GetTickMs() - 100;
  play->turn.SetTurnSeat(7);
  play->turn.SetHostSeat(-2);
  play->result_order[0] = 9;
  play->result_order[1] = -5;
  play->attach_target_count = 3;
  play->attach_targets[0] = {1, 19};
  play->attach_targets[1] = {6, 0};
  play->attach_targets[2] = {-1, -1};
  play->room.SetTurnSeconds(0);
  play->stock_used = INT32_MIN;
  play->result_rank[0] = INT32_MAX;
  play->result_rank[1] = -7;
  play->progress.Put(8, INT32_MAX);    // the round shown
  play->progress.Put(44, INT32_MIN);   // rounds
  play->progress.Put(28, INT32_MAX);   // places that advance
  play->tournament.Put(12, 2);
  play->last_throw.active = 1;
  play->last_throw.card = 900;
  Deal(play->pile, 0, 3);
  play->pile.At(2)->code = 52;
  for (int tournament_id : {0, 7}) {
    play->tournament.SetTournamentId(tournament_id);
    for (int state : {0, 1, 2, 3, 4, 5, -9}) {
      play->room.SetTableState(state);
      play->panel_state[1] = state == 3;
      play->panel_state[2] = state == 4;
      DrawFrame();
    }
  }
  SUCCEED();
}

}  // namespace
