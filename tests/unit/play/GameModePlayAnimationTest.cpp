// The table's animations against the table model: a card carried by an animation is
// only hidden until the animation ends, whatever happens to its seat meanwhile, and
// values from the wire that index seats, items, emoticons or events are checked. The
// clock is stepped by hand; no display is needed (the animations draw nothing here).
#include <gtest/gtest.h>

#include <cstdio>

#include "framework/Clock.h"
#include "modes/play/GameModePlay.h"
#include "modes/play/GameModePlayAnimations.h"

namespace {

uint32_t g_now = 100000;
uint32_t FakeNow() { return g_now; }

bool Hidden(const VXType_card* c) { return static_cast<int32_t>(c->anim_time - g_now) > 0; }

class TableAnimation : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTickSource(FakeNow);
    g_now = 100000;
    play.BuildAnimations();
    play.my_seat = 0;
    play.room.SetTableState(2);
  }
  void TearDown() override {
    play.Ani_Stop_All();
    SetTickSource(nullptr);
  }
  GameVXPlayer* Seat(int seat, int cards) {
    delete play.players[seat];
    auto* p = new GameVXPlayer();
    std::snprintf(reinterpret_cast<char*>(p->profile), 30, "NV%08d", seat + 1);
    p->seat.SetSeat(seat);
    p->seat.SetReady(2);
    for (int i = 0; i < cards; ++i) {
      auto* c = new VXType_card();
      c->code = 10 * seat + i;
      p->hand.Add_Card(c);
    }
    play.players[seat] = p;
    return p;
  }
  void Empty(int seat) {
    delete play.players[seat];
    play.players[seat] = nullptr;
  }
  // Steps the clock in frames of 16 ms, running the animations as Update does.
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 16) {
      g_now += 16;
      play.Ani_Update();
    }
  }

  GameModePlay play;
};

TEST_F(TableAnimation, TheOwnDrawnCardIsInTheHandAndHiddenOnlyUntilItsFlightEnds) {
  GameVXPlayer* own = Seat(0, 5);
  auto* drawn = new VXType_card();
  drawn->code = 33;
  own->hand.Add_Card(drawn);  // the table changes first
  play.Ani_Card_Flight(drawn, 0);
  EXPECT_TRUE(Hidden(drawn)) << "hidden while it flies";
  EXPECT_EQ(own->hand.Index_Of(33), 5) << "and in the hand all along";
  Run(120);
  EXPECT_TRUE(Hidden(drawn));
  Run(200);
  EXPECT_FALSE(Hidden(drawn)) << "shown when the flight ends";

  // Another seat's card shows at once (its backs are counted, not flown).
  GameVXPlayer* left = Seat(1, 3);
  play.Ani_Card_Flight(left->hand.At(2), 1);
  EXPECT_FALSE(Hidden(left->hand.At(2)));
}

TEST_F(TableAnimation, WithoutAnimationsEveryChangeShowsAtOnce) {
  GameModePlay bare;  // no art loaded: no animation objects at all
  bare.my_seat = 0;
  auto* p = new GameVXPlayer();
  auto* c = new VXType_card();
  c->code = 7;
  p->hand.Add_Card(c);
  bare.players[0] = p;
  bare.Ani_Card_Flight(c, 0);
  EXPECT_FALSE(Hidden(c));
  bare.dealing = 1;
  bare.Ani_Deal();
  EXPECT_EQ(bare.dealing, 0) << "no deal animation: the dealt cards show";
  bare.dealing = 1;
  bare.Ani_Update();
  EXPECT_EQ(bare.dealing, 0);
}

TEST_F(TableAnimation, AFlightWhoseSeatEmptiesOrChangesEndsHarmlessly) {
  struct Case {
    const char* what;
    bool reseat;
  } cases[] = {{"seat emptied mid-flight", false}, {"another player seated mid-flight", true}};
  for (const Case& k : cases) {
    GameVXPlayer* own = Seat(0, 2);
    auto* drawn = new VXType_card();
    drawn->code = 44;
    own->hand.Add_Card(drawn);
    play.Ani_Card_Flight(drawn, 0);
    Empty(0);  // the hand and the card are freed with the player
    if (k.reseat) Seat(0, 1);
    Run(400);  // the flight's end looks the seat up by index and finds no such card
    EXPECT_EQ(play.m_draw.anis->sets.GetCount(), 0) << k.what << ": the ended flight is purged";
    Empty(0);
  }
}

TEST_F(TableAnimation, StoppingEverythingShowsWhatWasHiddenBeforePlayersGo) {
  GameVXPlayer* own = Seat(0, 3);
  Seat(1, 4);
  // A deal in progress hides the dealt hands; a card is in flight.
  for (int s = 0; s < 2; ++s) play.players[s]->hand.Set_All_Anim_Time(0);
  play.dealing = 1;
  play.Ani_Deal();
  auto* drawn = new VXType_card();
  drawn->code = 50;
  own->hand.Add_Card(drawn);
  play.Ani_Card_Flight(drawn, 0);
  play.Ani_Attack(1, 0, 3);
  play.Ani_Mission_Hit(0, 4, 100, 1, 3, 22);
  Run(32);
  ASSERT_EQ(play.dealing, 1);
  // Leaving (or the next game start): everything stops before the players are deleted.
  play.Ani_Stop_All();
  EXPECT_EQ(play.dealing, 0);
  EXPECT_FALSE(Hidden(drawn));
  EXPECT_NE(own->hand.At(0)->anim_time, 0u) << "the own dealt cards were shown";
  EXPECT_EQ(play.m_draw.anis->sets.GetCount(), 0);
  EXPECT_EQ(play.m_draw.anis->singles.GetCount(), 0);
  Empty(0);
  Empty(1);
  Run(2000);  // nothing left refers to the players

  // A game start in the middle of the animations: the new deal runs on its own.
  Seat(0, 9);
  Seat(2, 9);
  for (int s : {0, 2}) play.players[s]->hand.Set_All_Anim_Time(0);
  play.dealing = 1;
  play.Ani_Deal();
  Run(200);
  EXPECT_EQ(play.players[0]->hand.At(0)->anim_time, 0u) << "the dealt hand waits for its flight";
  Run(1500);
  EXPECT_EQ(play.dealing, 0) << "the deal ended";
  EXPECT_NE(play.players[0]->hand.At(0)->anim_time, 0u);
  EXPECT_NE(play.players[2]->hand.At(0)->anim_time, 0u);
  EXPECT_TRUE(play.m_draw.anis->gold_coin[0]->IsPlaying()) << "the coins bob once the deal is over";
  Empty(0);
  Empty(2);
}

TEST_F(TableAnimation, ADealWhoseAnimationIsLostStillEnds) {
  Seat(0, 4);
  play.dealing = 1;
  play.Ani_Deal();
  // The deal's set disappears without ending (say, stopped silently by a purge).
  play.m_draw.anis->sets.m_sets.Walk([](GLAnimationSet* s) { s->m_playing = 0; });
  Run(3000);
  EXPECT_EQ(play.dealing, 0);
}

TEST_F(TableAnimation, AnItemMarksItsTargetWhenItLands) {
  Seat(0, 1);
  Seat(2, 1);
  play.Ani_Attack(2, 0, 3);
  EXPECT_EQ(play.reaction[0].item, 3);
  EXPECT_GT(static_cast<int32_t>(play.reaction[0].time - g_now), 1000) << "not before it lands";
  Run(3000);
  EXPECT_LE(static_cast<int32_t>(play.reaction[0].time - g_now), 0);
  // Items 8 to 11 leave no mark; an attack on everyone spares the own seat.
  Seat(1, 1);
  play.reaction[1] = {};
  play.reaction[0] = {};
  play.Ani_Attack(2, -1, 1);
  EXPECT_EQ(play.reaction[1].item, 1);
  EXPECT_EQ(play.reaction[0].item, -1);
  play.Ani_Attack(2, 1, 9);
  EXPECT_EQ(play.reaction[1].item, 1);
}

TEST_F(TableAnimation, HostileIndexesBuildNothing) {
  Seat(0, 2);
  Seat(1, 2);
  const int before_sets = play.m_draw.anis->sets.GetCount();
  const int before_singles = play.m_draw.anis->singles.GetCount();
  for (int seat : {-1000000, -2, 4, 99, 1 << 30}) {
    play.Ani_Attack(seat, 0, 1);
    play.Ani_Attack(1, seat, 1);
    play.Ani_Emoticon(seat, 0, 0);
    play.Ani_Action(seat, 1, seat, 1);
    play.Ani_Mission_Hit(seat, 4, 100, 1, 3, 0);
    play.Ani_Crown(seat);
    play.Ani_Winner(seat);
    play.Ani_Card_Flight(nullptr, seat);
  }
  play.Ani_Attack(1, 3, 1);  // an empty seat
  for (int item : {-1, 12, 99, -1000000}) play.Ani_Attack(1, 0, item);
  for (int index : {-1, 6, 1000}) play.Ani_Emoticon(1, index, 0);
  for (int variant : {-1, 9, 400}) play.Ani_Emoticon(1, 0, variant);
  for (int event : {-1, 11, 1 << 20}) play.Ani_Action(0, event, -1, -1);
  for (int event : {-1, 7, 1 << 20}) play.Ani_Action(-1, -1, 1, event);
  for (int kind : {-1, 2}) play.Ani_Own_Throw_Warning(kind);
  play.Ani_Card_Sweat(nullptr, 5);
  play.Ani_Light_Flash(nullptr);
  EXPECT_EQ(play.m_draw.anis->sets.GetCount(), before_sets);
  EXPECT_EQ(play.m_draw.anis->singles.GetCount(), before_singles);
  for (const GameModePlay::Reaction& r : play.reaction) EXPECT_EQ(r.item, -1);
  EXPECT_EQ(play.winner_active, 0);
  for (GLAnimation* e : play.m_draw.anis->emoticon) EXPECT_FALSE(e->IsPlaying());
  for (auto& pair : play.m_draw.anis->first)
    for (GLAnimationSet* s : pair) EXPECT_FALSE(s->IsPlaying());
  for (auto& pair : play.m_draw.anis->second)
    for (GLAnimationSet* s : pair) EXPECT_FALSE(s->IsPlaying());
  Run(100);
}

}  // namespace
