// The server's move results change the table: own and other seats' draws, downs,
// attaches and throws; and the change of room with its two waits on a worker.
#include <gtest/gtest.h>

#include <cstring>

#include "app/GameAfterFrame.h"
#include "unit/play/PlayTestSupport.h"

using namespace play_test;

namespace {

class ResultsTest : public PlayFixture {
 protected:
  void TearDown() override {
    GameAfterFrame::Clear();
    PlayFixture::TearDown();
  }
  static void Event(VXMsg_player_action_event& ev, int action, int seat) {
    ev.action = action;
    ev.ok = 1;
    ev.seat = seat;
  }
  static void Cards(GameVXCardDeck& d, int kind, std::initializer_list<int> codes) {
    d.kind = kind;
    for (int code : codes) Add(d, code);
  }
};

TEST_F(ResultsTest, AnOwnDrawIsInTheHandAtOnce) {
  GameVXPlayer* me = Seat(0, {C(0, 1)});
  Pile({C(1, 1), C(1, 2)});
  Lay_Out(play->pile, 500, 300);
  Tap(*play, 531, 301);  // a pick that the draw abandons
  ASSERT_EQ(me->pickup.count, 1);
  VXMsg_player_action_event ev;
  Event(ev, VX_ACTION_DRAW, 0);
  ev.stock_taken = 31;
  ev.card.code = C(2, 2);
  Result(ev);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(0, 1), C(2, 2)}));
  EXPECT_EQ(me->hand.cards[1]->owner_seat, 0);
  EXPECT_EQ(me->seat.DrawnTurnId(), me->seat.TurnId());
  EXPECT_EQ(play->stock_used, 31);
  EXPECT_EQ(me->pickup.count, 0);
  EXPECT_EQ(play->pile.cards[1]->selected, 0);
}

// The pile take: the pile from the taken card up goes to the hand and the meld's cards
// leave it; the picked-up copies go and the attach button opens.
TEST_F(ResultsTest, AnOwnDownFromThePileRefreshesTheButtonsAndTheSelection) {
  GameVXPlayer* me = Seat(0, {C(0, 7), C(1, 7), C(3, 2), C(3, 4)});
  Pile({C(2, 1), C(2, 7), C(1, 12)});
  Lay_Out(play->pile, 500, 300);
  Tap(*play, 531, 301);
  ASSERT_EQ(me->pickup.count, 2);
  Select(me->hand, {C(0, 7), C(1, 7)});
  play->OnEvent(&play->btn_down_first);
  ASSERT_EQ(Moves().size(), 1u);
  VXMsg_player_action_event ev;
  Event(ev, VX_ACTION_DOWN, 0);
  Cards(ev.cards, GameVXCardDeck::KIND_SET, {C(2, 7), C(0, 7), C(1, 7)});
  ev.cards.turn_mark = 5;
  ev.mission_value = 75;
  Result(ev);
  EXPECT_EQ(Codes(play->pile), (std::vector<int>{C(2, 1)}));
  ASSERT_EQ(me->meld_count, 1);
  EXPECT_EQ(me->melds[0]->count, 3);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(3, 2), C(3, 4), C(1, 12)}));
  for (int i = 0; i < me->hand.count; ++i) EXPECT_EQ(me->hand.cards[i]->selected, 0);
  EXPECT_EQ(me->pickup.count, 0) << "no picked-up copies left beside the laid cards";
  EXPECT_EQ(play->btn_attach.State() != GLButton::kDisabled, true);
  EXPECT_EQ(play->btn_down_more.m_hidden, 0);
  EXPECT_EQ(play->turn.Mission(), 75);
  EXPECT_EQ(play->move_pending, 0);
  EXPECT_EQ(GameModePlay::Has_Taken(me), true);
  // Now a throw is possible.
  Select(me->hand, {C(3, 2)});
  play->OnEvent(&play->btn_throw);
  EXPECT_EQ(Moves().size(), 2u);
}

TEST_F(ResultsTest, AnotherSeatsDownTakesItsHiddenCards) {
  Seat(0, {C(0, 1)});
  GameVXPlayer* other = Seat(2, {52, 52, 52, 52, 52});
  Seat(1, {52})->seat.SetSecondCounter(3, 0);
  Pile({C(1, 1), C(1, 2)});
  VXMsg_player_action_event ev;
  Event(ev, VX_ACTION_DOWN, 2);
  Cards(ev.cards, GameVXCardDeck::KIND_RUN, {C(1, 2), C(1, 3), C(1, 4)});
  ev.mission_flags[1] = 1;
  Result(ev);
  EXPECT_EQ(Codes(play->pile), (std::vector<int>{C(1, 1)}));
  ASSERT_EQ(other->meld_count, 1);
  EXPECT_EQ(Codes(*other->melds[0]), (std::vector<int>{C(1, 2), C(1, 3), C(1, 4)}));
  EXPECT_EQ(other->melds[0]->cards[0]->owner_seat, 2);
  EXPECT_EQ(other->hand.count, 3);  // five, one from the pile, three laid
  EXPECT_EQ(play->players[1]->seat.SecondCounter(3), 1);
}

TEST_F(ResultsTest, AttachesMoveTheCardsIntoTheTargetMeld) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 1)});
  Drew(me);
  GameVXPlayer* other = Seat(1, {52, 52});
  Meld(other, 2, {C(0, 7), C(0, 8), C(0, 9)});
  Meld(me, 3, {C(3, 3), C(2, 3), C(1, 3)});
  VXMsg_player_action_event ev;
  Event(ev, VX_ACTION_ATTACH, 0);
  ev.target_seat = 1;
  ev.target_meld = 0;
  Cards(ev.cards, GameVXCardDeck::KIND_RUN, {C(0, 6)});
  ev.event = 5;
  Result(ev);
  EXPECT_EQ(Codes(*other->melds[0]), (std::vector<int>{C(0, 6), C(0, 7), C(0, 8), C(0, 9)}));
  EXPECT_EQ(other->melds[0]->cards[0]->owner_seat, 0);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(2, 1)}));
  EXPECT_EQ(me->seat.FirstCounter(5), 1);
  EXPECT_EQ(play->btn_throw_last.m_hidden, 0) << "buttons refreshed: one card left";
  // Another seat's attach onto the own meld.
  VXMsg_player_action_event ev2;
  Event(ev2, VX_ACTION_ATTACH, 1);
  ev2.target_seat = 0;
  ev2.target_meld = 0;
  Cards(ev2.cards, GameVXCardDeck::KIND_SET, {C(0, 3)});
  Result(ev2);
  EXPECT_EQ(me->melds[0]->count, 4);
  EXPECT_EQ(other->hand.count, 1);
  // A meld the client does not have: the cards are asked for again.
  VXMsg_player_action_event ev3;
  Event(ev3, VX_ACTION_ATTACH, 1);
  ev3.target_seat = 3;
  ev3.target_meld = 0;
  Cards(ev3.cards, GameVXCardDeck::KIND_SET, {C(1, 1)});
  Result(ev3);
  ASSERT_EQ(Sent(VX_PROTOCOL_TABLE_INFO), 1);
  Packet p = game->sent.back();
  p.read_pos = 0;
  int32_t mode = -1;
  p.ReadInt32(&mode);
  EXPECT_EQ(mode, 2);
}

TEST_F(ResultsTest, ThrowsGoOnTopOfThePileAndARoundEndIsKept) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 1)});
  GameVXPlayer* other = Seat(3, {52, 52});
  Pile({C(1, 1)});
  VXMsg_player_action_event ev;
  Event(ev, VX_ACTION_THROW, 0);
  ev.card.code = C(2, 1);
  Result(ev);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(0, 6)}));
  ASSERT_EQ(play->pile.count, 2);
  EXPECT_EQ(play->pile.cards[1]->code, C(2, 1));
  EXPECT_EQ(play->pile.cards[1]->owner_seat, 0);
  EXPECT_EQ(play->pile.cards[1]->in_hand, 0);
  EXPECT_EQ(play->last_throw.active, 0);
  VXMsg_player_action_event end;
  Event(end, VX_ACTION_THROW, 3);
  end.card.code = 49;
  end.round_end = 1;
  end.end_kind = 1;
  end.feeder_seat = 0;
  Result(end);
  EXPECT_EQ(other->hand.count, 1);
  EXPECT_EQ(play->pile.cards[2]->code, 49);
  EXPECT_EQ(play->last_throw.active, 1);
  EXPECT_EQ(play->last_throw.thrower, 3);
  EXPECT_EQ(play->last_throw.revealed, 1);
  EXPECT_EQ(other->seat.FirstCounter(0), 1);
  EXPECT_EQ(other->seat.FirstCounter(1), 1);
  EXPECT_EQ(me->seat.SecondCounter(6), 1);
}

TEST_F(ResultsTest, AResultForAnEmptySeatAsksForTheTable) {
  Seat(0, {C(0, 6)});
  VXMsg_player_action_event ev;
  Event(ev, VX_ACTION_DRAW, 2);
  ev.card.code = 52;
  Result(ev);
  ASSERT_EQ(Sent(VX_PROTOCOL_TABLE_INFO), 1);
  Packet p = game->sent.back();
  p.read_pos = 0;
  int32_t mode = -1;
  p.ReadInt32(&mode);
  EXPECT_EQ(mode, 0);
}

// ---- change of room --------------------------------------------------------------------------

class ChangeRoomTest : public ResultsTest {
 protected:
  void Answers(int32_t leave_ok, int32_t enter_ok) {
    Packet leave(VX_PROTOCOL_ROOM_LEAVE);
    leave.WriteInt32(leave_ok);
    uint8_t profile[GameVXPlayer::kProfileSize] = {};
    std::memcpy(profile, "Q0000000042", 11);
    leave.WriteBytes(profile, sizeof(profile));
    leave.WriteInt32(0);
    game->replies[VX_PROTOCOL_ROOM_LEAVE] = leave;
    Packet enter(VX_PROTOCOL_ROOM_ENTER);
    enter.WriteInt32(enter_ok);
    VXType_room_info next;
    next.SetTableNumber(77);
    enter.WriteBytes(next.raw, VXType_room_info::kSize);
    enter.WriteBytes(profile, sizeof(profile));
    enter.WriteInt32(0);
    game->replies[VX_PROTOCOL_ROOM_ENTER] = enter;
  }
};

TEST_F(ChangeRoomTest, TwoClicksWithinASecondStartOneChange) {
  play->OnEvent(&play->btn_change_room);
  g_fake_now += 999;
  play->OnEvent(&play->btn_change_room);
  EXPECT_EQ(jobs.jobs.size(), 1u);
  g_fake_now += 1;
  play->OnEvent(&play->btn_change_room);
  EXPECT_EQ(jobs.jobs.size(), 2u);
}

TEST_F(ChangeRoomTest, TheRoomIsCopiedFirstAndTheTableResetOnTheMainThread) {
  Answers(1, 1);
  Seat(0, {C(0, 1)});
  Seat(2, {52});
  play->room.SetTableNumber(12);
  play->room.SetTableState(0);
  play->OnEvent(&play->btn_change_room);
  ASSERT_EQ(jobs.jobs.size(), 1u);
  EXPECT_TRUE(splash.splash_shown);
  jobs.RunAll();
  ASSERT_EQ(Sent(VX_PROTOCOL_ROOM_ENTER), 1);
  Packet asked;
  for (const Packet& p : game->sent)
    if (p.id == VX_PROTOCOL_ROOM_ENTER) asked = p;
  VXType_room_info wanted;
  asked.read_pos = 0;
  ASSERT_TRUE(asked.ReadBytes(wanted.raw, VXType_room_info::kSize));
  EXPECT_EQ(wanted.TableNumber(), 12) << "the room left, not an emptied record";
  // The worker changed nothing of the table itself.
  EXPECT_NE(play->players[2], nullptr);
  EXPECT_FALSE(splash.splash_shown);
  GameAfterFrame::Run();
  EXPECT_EQ(play->players[0], nullptr);
  EXPECT_EQ(play->players[2], nullptr);
  EXPECT_EQ(play->room.TableNumber(), 77);
  EXPECT_EQ(Sent(VX_PROTOCOL_TABLE_INFO), 1);
}

TEST_F(ChangeRoomTest, ARefusedLeaveEndsTheChange) {
  Answers(0, 1);
  Seat(0, {C(0, 1)});
  play->OnEvent(&play->btn_change_room);
  jobs.RunAll();
  GameAfterFrame::Run();
  EXPECT_EQ(Sent(VX_PROTOCOL_ROOM_ENTER), 0);
  EXPECT_NE(play->players[0], nullptr);
  EXPECT_FALSE(splash.splash_shown);
}

TEST_F(ChangeRoomTest, OnlyFromAGameServerOfTheFirstKind) {
  game->Info().SetKind(2);
  play->OnEvent(&play->btn_change_room);
  EXPECT_TRUE(jobs.jobs.empty());
}

}  // namespace
