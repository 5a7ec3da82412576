#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CardTestUtil.h"
#include "framework/Clock.h"
#include "net/Packet.h"
#include "net/messages/GameVXPlayer.h"

namespace {

uint32_t g_now = 100000;
uint32_t FixedTick() { return g_now; }

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 100000;
    SetTickSource(FixedTick);
  }
  void TearDown() override { SetTickSource(nullptr); }

  // A seated player with a profile, a seat state, a hand of three and two melds.
  static void Fill(GameVXPlayer& p) {
    for (size_t i = 0; i < GameVXPlayer::kProfileSize; ++i) p.profile[i] = static_cast<uint8_t>(i * 7);
    for (size_t i = 0; i < VXType_seat_state::kSize; ++i) p.seat.raw[i] = static_cast<uint8_t>(i + 1);
    p.seat.SetSeat(2);
    p.seat.SetTurnStart(1500);  // milliseconds used of the turn, as sent
    p.status = 4;
    FillDeck(p.hand, {C(0, 1), C(2, 12), 52});
    GameVXCardDeck* run = p.Add_Meld(2);
    FillDeck(*run, {C(1, 6), C(1, 4), C(1, 5)});
    run->turn_mark = 3;
    GameVXCardDeck* set = p.Add_Meld(3);
    FillDeck(*set, {C(0, 9), C(1, 9), C(3, 9)});
    set->turn_mark = 5;
  }
};

TEST_F(PlayerTest, ConstructAndResetGiveAnEmptySeat) {
  GameVXPlayer p;
  EXPECT_EQ(p.seat.Seat(), -1);
  EXPECT_EQ(p.seat.Get(56), -1);
  EXPECT_EQ(p.hand.kind, 1);
  EXPECT_EQ(p.meld_count, 0);

  Fill(p);
  p.seat.SetReady(2);
  p.Reset(nullptr);
  EXPECT_EQ(p.seat.Seat(), -1);
  EXPECT_EQ(p.seat.Ready(), 0);
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.hand.count, 0);
  EXPECT_EQ(p.meld_count, 0);
  for (size_t off = 184; off < 208; off += 4) {
    int32_t v;
    std::memcpy(&v, p.profile + off, 4);
    EXPECT_EQ(v, -1) << off;
  }
  EXPECT_EQ(p.profile[0], 0);

  uint8_t given[GameVXPlayer::kProfileSize];
  std::memset(given, 0x5A, sizeof(given));
  p.Reset(given);
  EXPECT_EQ(std::memcmp(p.profile, given, sizeof(given)), 0);
}

TEST_F(PlayerTest, WireFormRoundTripsAndConvertsTheTurnStart) {
  GameVXPlayer src;
  Fill(src);
  Packet p(207);
  ASSERT_EQ(src.Write(p), 1);
  EXPECT_EQ(p.PayloadLength(), 516u + 136 + 4 + (16 + 3 * 20) + 4 + 2 * (16 + 3 * 20));

  GameVXPlayer back;
  ASSERT_EQ(back.Read(p), 1);
  EXPECT_EQ(p.Remaining(), 0u);
  EXPECT_EQ(back.seat.TurnStart(), 100000u - 1500);  // local tick of the turn start
  EXPECT_EQ(back.status, 4);
  EXPECT_EQ(std::memcmp(back.profile, src.profile, GameVXPlayer::kProfileSize), 0);
  ASSERT_EQ(back.meld_count, 2);
  EXPECT_EQ(back.melds[0]->index, 0);
  EXPECT_EQ(back.melds[1]->index, 1);
  EXPECT_EQ(back.melds[1]->kind, 3);
  EXPECT_EQ(back.melds[1]->turn_mark, 5);
  EXPECT_EQ(CodesOf(back.hand), (std::vector<int>{C(0, 1), C(2, 12), 52}));

  // Written again with the time used restored, the bytes are the same.
  back.seat.SetTurnStart(1500);
  Packet again(207);
  ASSERT_EQ(back.Write(again), 1);
  ASSERT_EQ(again.PayloadLength(), p.PayloadLength());
  EXPECT_EQ(std::memcmp(again.payload, p.payload, p.PayloadLength()), 0);
}

TEST_F(PlayerTest, BadCountsAndShortPayloadsLeaveTheModelEmptyAndSafe) {
  GameVXPlayer src;
  Fill(src);
  Packet full(207);
  ASSERT_EQ(src.Write(full), 1);
  const size_t hand_count_at = 516 + 136 + 4 + 12;
  const size_t meld_count_at = 516 + 136 + 4 + 16 + 3 * 20;

  struct Case {
    const char* name;
    size_t offset;
    int32_t value;
    int hand;
  };
  for (const Case& c : {Case{"hand_of_52", hand_count_at, 52, 0}, Case{"hand_negative", hand_count_at, -3, 0},
                        Case{"twenty_melds", meld_count_at, 20, 3}, Case{"negative_melds", meld_count_at, -1, 3}}) {
    Packet p;
    CopyPacket(full, p, true);
    std::memcpy(p.payload + c.offset, &c.value, 4);
    GameVXPlayer dst;
    Fill(dst);
    EXPECT_EQ(dst.Read(p), 0) << c.name;
    EXPECT_EQ(dst.meld_count, 0) << c.name;
    EXPECT_EQ(dst.melds[0], nullptr) << c.name;
    EXPECT_EQ(dst.hand.count, c.hand) << c.name;
  }

  // Every truncation fails cleanly; a cut inside a meld drops that meld.
  for (size_t len = 0; len < full.PayloadLength(); len += 13) {
    Packet p;
    CopyPacket(full, p, true);
    p.length = static_cast<uint16_t>(kPacketHeaderSize + len);
    GameVXPlayer dst;
    EXPECT_EQ(dst.Read(p), 0) << len;
    EXPECT_LE(dst.meld_count, 1) << len;
    if (len < 516) {
      EXPECT_EQ(dst.seat.Seat(), -1) << len;
    }
  }
}

TEST_F(PlayerTest, MeldListHoldsTwentyAndCountsByTurn) {
  GameVXPlayer p;
  for (int i = 0; i < 20; ++i) {
    GameVXCardDeck* m = p.Add_Meld(3);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->index, i);
    m->turn_mark = i % 2;
  }
  EXPECT_EQ(p.Add_Meld(2), nullptr);
  EXPECT_EQ(p.Count_Melds(-1), 20);
  EXPECT_EQ(p.Count_Melds(1), 10);

  GameVXPlayer copy;
  EXPECT_EQ(copy.Copy_From(&p), 0);  // 20 melds are refused
  EXPECT_EQ(copy.meld_count, 0);
}

TEST_F(PlayerTest, CopyFromDeepAndShallow) {
  GameVXPlayer src;
  Fill(src);
  GameVXPlayer deep;
  FillDeck(deep.hand, {C(3, 3)});  // replaced, not appended to
  ASSERT_EQ(deep.Copy_From(&src, true), 1);
  EXPECT_EQ(CodesOf(deep.hand), CodesOf(src.hand));
  EXPECT_NE(deep.hand.cards[0], src.hand.cards[0]);
  ASSERT_EQ(deep.meld_count, 2);
  EXPECT_NE(deep.melds[0], src.melds[0]);
  EXPECT_EQ(deep.melds[1]->kind, 3);
  EXPECT_EQ(deep.melds[1]->turn_mark, 5);
  EXPECT_EQ(deep.status, 4);
  EXPECT_EQ(deep.seat.Seat(), 2);

  {
    GameVXPlayer shallow;
    ASSERT_EQ(shallow.Copy_From(&src, false), 1);
    EXPECT_EQ(shallow.hand.cards[0], src.hand.cards[0]);
  }  // the shallow copy's end must not free the source's cards (ASan checks)
  EXPECT_EQ(src.hand.cards[0]->code, C(0, 1));
}

TEST_F(PlayerTest, UsableMarkingLooksAtTheHandAndEveryMeldOnTheTable) {
  GameVXPlayer own, other;
  FillDeck(own.hand, {C(0, 3), C(0, 4), C(0, 5), C(2, 4), C(3, 11)});
  GameVXCardDeck* run = other.Add_Meld(2);
  FillDeck(*run, {C(2, 5), C(2, 6), C(2, 7)});
  own.hand.cards[4]->usable = 1;  // stale hint is cleared
  GameVXPlayer* seats[4] = {nullptr, &own, nullptr, &other};
  GameVXPlayer::Mark_Usable_Cards(&own.hand, seats);
  std::vector<int> usable;
  for (int i = 0; i < own.hand.count; ++i) usable.push_back(own.hand.cards[i]->usable);
  EXPECT_EQ(usable, (std::vector<int>{1, 1, 1, 1, 0}));
  EXPECT_EQ(other.Find_Meld_For(own.hand.cards[3]), run);
  EXPECT_EQ(other.Find_Meld_For(own.hand.cards[4]), nullptr);
}

}  // namespace
