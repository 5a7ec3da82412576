// Knock mode: moves staged on a copy of the table, confirmed or cancelled, and the queue
// sent 700 ms apart; and every way a staged sequence must stop.
#include <gtest/gtest.h>

#include "unit/play/PlayFlowFixture.h"
#include "unit/play/PlayTestSupport.h"

using namespace play_test;

namespace {

class KnockTest : public PlayFixture {
 protected:
  // Own hand: a run, a set and one more card; drawn; no melds yet.
  GameVXPlayer* Dark_Hand() {
    GameVXPlayer* me = Seat(0, {C(0, 3), C(0, 4), C(0, 5), C(1, 9), C(2, 9), C(3, 9), C(2, 1)});
    Seat(1, {52, 52, 52});
    Drew(me);
    return me;
  }
  // Selects `codes` in the hand the player sees (the copy's in knock mode).
  void Pick(std::initializer_list<int> codes) {
    GameVXPlayer* p = play->Move_Player();
    ASSERT_NE(p, nullptr);
    p->hand.Clear_Selection();
    Select(p->hand, codes);
  }
  // Stages the whole dark knock (two downs, then the last card thrown) and confirms it.
  void Stage_Dark_Knock() {
    play->OnEvent(&play->btn_knock_dark);
    ASSERT_EQ(play->sequencer.active, 1);
    Pick({C(0, 3), C(0, 4), C(0, 5)});
    play->OnEvent(&play->btn_down_first);
    Pick({C(1, 9), C(2, 9), C(3, 9)});
    play->OnEvent(&play->btn_down_more);
    Pick({C(2, 1)});
    play->OnEvent(&play->btn_throw_last);
    play->OnEvent(&play->btn_confirm);
  }
};

TEST_F(KnockTest, AStagedDarkKnockLeavesOnePacketEvery700Ms) {
  GameVXPlayer* me = Dark_Hand();
  play->OnEvent(&play->btn_knock_dark);
  Pick({C(0, 3), C(0, 4), C(0, 5)});
  play->OnEvent(&play->btn_down_first);
  EXPECT_EQ(play->alert_time, 0u) << "knock dark lays a first meld from the hand";
  Pick({C(1, 9), C(2, 9), C(3, 9)});
  play->OnEvent(&play->btn_down_more);
  EXPECT_EQ(play->sequencer.TaskCount(), 2);
  EXPECT_TRUE(game->sent.empty()) << "staged, not sent";
  // The table itself is untouched while the moves are staged.
  EXPECT_EQ(me->hand.count, 7);
  EXPECT_EQ(me->meld_count, 0);
  EXPECT_EQ(play->sequencer.MyPlayer()->meld_count, 2);
  // The last card is staged too; nothing leaves before the confirmation.
  Pick({C(2, 1)});
  play->OnEvent(&play->btn_throw_last);
  EXPECT_TRUE(Moves().empty()) << "a dark knock waits for its confirmation";
  EXPECT_EQ(play->sequencer.TaskCount(), 3);
  play->OnEvent(&play->btn_confirm);
  auto moves = Moves();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].action, VX_ACTION_DOWN);
  EXPECT_EQ(moves[0].knock, 1);
  EXPECT_EQ(moves[0].codes, (std::vector<int>{C(0, 3), C(0, 4), C(0, 5)}));
  EXPECT_EQ(play->sequencer.active, 0) << "the copy is gone once sending starts";
  g_fake_now += 699;
  play->sequencer.Process();
  EXPECT_EQ(Moves().size(), 1u);
  g_fake_now += 1;
  play->sequencer.Process();
  ASSERT_EQ(Moves().size(), 2u);
  EXPECT_EQ(Moves()[1].kind, GameVXCardDeck::KIND_SET);
  g_fake_now += 700;
  play->sequencer.Process();
  moves = Moves();
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[2].action, VX_ACTION_THROW);
  EXPECT_EQ(moves[2].card, C(2, 1));
  EXPECT_EQ(play->sequencer.running, 0);
}

TEST_F(KnockTest, ConfirmWithCardsLeftShowsItsAlertAndSendsNothing) {
  Dark_Hand();
  play->OnEvent(&play->btn_knock_dark);
  Pick({C(0, 3), C(0, 4), C(0, 5)});
  play->OnEvent(&play->btn_down_first);
  play->OnEvent(&play->btn_confirm);
  EXPECT_TRUE(Alerted(167));
  EXPECT_TRUE(game->sent.empty());
  EXPECT_EQ(play->sequencer.active, 1);
}

TEST_F(KnockTest, CancelRestoresTheHandAndSendsNothing) {
  GameVXPlayer* me = Dark_Hand();
  play->OnEvent(&play->btn_knock_dark);
  Pick({C(0, 3), C(0, 4), C(0, 5)});
  play->OnEvent(&play->btn_down_first);
  play->OnEvent(&play->btn_cancel);
  EXPECT_EQ(play->sequencer.active, 0);
  EXPECT_EQ(play->sequencer.TaskCount(), 0);
  EXPECT_EQ(play->Move_Player(), me);
  EXPECT_EQ(me->hand.count, 7);
  EXPECT_EQ(me->meld_count, 0);
  g_fake_now += 5000;
  play->sequencer.Process();
  EXPECT_TRUE(game->sent.empty());
  EXPECT_EQ(play->btn_knock_dark.m_hidden, 0) << "the buttons are the table's again";
}

// Knock dark lifts only the pile-card rule of a first meld: a meld needs hand cards.
TEST_F(KnockTest, KnockDarkStillNeedsAHandCardInEveryMeld) {
  Dark_Hand();
  Pile({C(3, 3), C(3, 4), C(3, 5)});
  play->Enter_Knock_Mode(GameModePlay_virtual::kKnockDark);
  GameVXPlayer* copy = play->sequencer.MyPlayer();
  ASSERT_NE(copy, nullptr);
  for (int code : {C(3, 3), C(3, 4), C(3, 5)}) {
    VXType_card* c = Add(copy->pickup, code);
    c->selected = 1;
  }
  play->OnEvent(&play->btn_down_first);
  EXPECT_TRUE(Alerted(170));
  EXPECT_EQ(play->sequencer.TaskCount(), 0);
  // The sequencer refuses it as well, whoever asks.
  GameVXCardDeck d;
  d.not_owner = 1;
  d.kind = GameVXCardDeck::KIND_RUN;
  for (int i = 0; i < copy->pickup.count; ++i) d.Add_Card(copy->pickup.cards[i]);
  EXPECT_EQ(play->sequencer.Process_Player_Action_Down(&d, 0), 0);
  d.Clear(false);
}

TEST_F(KnockTest, AttachWithoutOwnMeldsOnlyInKnockDark) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 1), C(2, 2)});
  Drew(me);
  GameVXPlayer* other = Seat(1, {52, 52});
  Meld(other, 2, {C(0, 7), C(0, 8), C(0, 9)});
  for (int variant : {GameModePlay_virtual::kKnockDark, GameModePlay_virtual::kForced}) {
    SCOPED_TRACE(variant);
    play->sequencer.Reset();
    play->Enter_Knock_Mode(variant);
    Pick({C(0, 6)});
    play->OnEvent(&play->btn_attach);
    ASSERT_EQ(play->attach_target_count, 1);
    play->OnEvent(&play->btn_attach_target[0]);
    EXPECT_EQ(play->sequencer.TaskCount(), variant == GameModePlay_virtual::kKnockDark ? 1 : 0);
  }
  EXPECT_TRUE(game->sent.empty());
}

TEST_F(KnockTest, ADownWithAPileCardAfterADrawIsRefusedOnTheCopy) {
  GameVXPlayer* me = Seat(0, {C(1, 4), C(1, 5), C(3, 0)});
  Drew(me);
  Pile({C(1, 6)});
  play->Enter_Knock_Mode(GameModePlay_virtual::kKnockDark);
  GameVXCardDeck d;
  d.not_owner = 1;
  d.kind = GameVXCardDeck::KIND_RUN;
  GameVXPlayer* copy = play->sequencer.MyPlayer();
  d.Add_Card(copy->hand.cards[0]);
  d.Add_Card(copy->hand.cards[1]);
  d.Add_Card(play->sequencer.pile.cards[0]);
  EXPECT_EQ(play->sequencer.Process_Player_Action_Down(&d, 0), 0);
  d.Clear(false);
  EXPECT_EQ(copy->meld_count, 0);
  EXPECT_EQ(play->sequencer.pile.count, 1);
  // Before a draw the same meld takes the pile card into the copy's hand and down.
  copy->seat.SetDrawnTurnId(4);
  d.kind = GameVXCardDeck::KIND_RUN;
  d.Add_Card(copy->hand.cards[0]);
  d.Add_Card(copy->hand.cards[1]);
  d.Add_Card(play->sequencer.pile.cards[0]);
  EXPECT_EQ(play->sequencer.Process_Player_Action_Down(&d, 0), 1);
  d.Clear(false);
  EXPECT_EQ(copy->meld_count, 1);
  EXPECT_EQ(play->sequencer.pile.count, 0);
  EXPECT_EQ(Codes(copy->hand), (std::vector<int>{C(3, 0)}));
  EXPECT_EQ(play->pile.count, 1) << "the table's pile is not the copy's";
}

// In the forced variant the last throw sends the queue at once, the throw included.
TEST_F(KnockTest, TheForcedKnockSendsItsQueueWithTheLastThrow) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 1)});
  Drew(me);
  Meld(me, 2, {C(0, 7), C(0, 8), C(0, 9)});
  play->Enter_Knock_Mode(GameModePlay_virtual::kForced);
  EXPECT_EQ(play->btn_end.m_hidden, 0);
  EXPECT_EQ(play->btn_confirm.m_hidden, 1);
  Pick({C(0, 6)});
  play->OnEvent(&play->btn_attach);
  play->OnEvent(&play->btn_attach_target[0]);
  Pick({C(2, 1)});
  play->OnEvent(&play->btn_throw_last);
  ASSERT_EQ(Moves().size(), 1u);
  EXPECT_EQ(Moves()[0].action, VX_ACTION_ATTACH);
  EXPECT_EQ(Moves()[0].knock, 0);
  g_fake_now += 700;
  play->sequencer.Process();
  ASSERT_EQ(Moves().size(), 2u);
  EXPECT_EQ(Moves()[1].action, VX_ACTION_THROW);
  EXPECT_EQ(Moves()[1].card, C(2, 1));
}

TEST_F(KnockTest, AForcedKnockOfOneCardSendsTheThrow) {
  GameVXPlayer* me = Seat(0, {C(2, 1)});
  Drew(me);
  Meld(me, 2, {C(0, 7), C(0, 8), C(0, 9)});
  play->Enter_Knock_Mode(GameModePlay_virtual::kForced);
  Pick({C(2, 1)});
  play->OnEvent(&play->btn_throw_last);
  ASSERT_EQ(Moves().size(), 1u);
  EXPECT_EQ(Moves()[0].action, VX_ACTION_THROW);
}

TEST_F(KnockTest, AStockTouchInKnockModeSendsNoDraw) {
  Seat(0, {C(0, 1), C(0, 2)});
  play->Enter_Knock_Mode(GameModePlay_virtual::kKnockDark);
  Tap(*play, 300, 400);
  EXPECT_TRUE(game->sent.empty());
  play->sequencer.Reset();
  Tap(*play, 300, 400);
  EXPECT_EQ(Moves().size(), 1u);
}

// ---- a running sequence stops ---------------------------------------------------------------

TEST_F(KnockTest, ARefusedMoveDropsTheRestOfTheSequence) {
  Dark_Hand();
  Stage_Dark_Knock();
  ASSERT_EQ(Moves().size(), 1u);
  ASSERT_EQ(play->sequencer.running, 1);
  VXMsg_player_action_event no;
  no.action = VX_ACTION_DOWN;
  no.ok = 0;
  Result(no);
  EXPECT_EQ(play->sequencer.running, 0);
  EXPECT_EQ(play->sequencer.TaskCount(), 0);
  g_fake_now += 5000;
  play->sequencer.Process();
  EXPECT_EQ(Moves().size(), 1u);
}

TEST_F(KnockTest, AGameStartStopsASequenceAndNothingOfItLeavesLater) {
  Dark_Hand();
  Stage_Dark_Knock();
  ASSERT_EQ(play->sequencer.running, 1);
  play->table_ready = 1;
  Packet start = play_testing::GameStart(play_testing::Status(2, 0, 0), {}, {C(3, 3), C(3, 4)});
  start.read_pos = 0;
  play->OnPacket(&start);
  EXPECT_EQ(play->sequencer.running, 0);
  EXPECT_EQ(play->sequencer.TaskCount(), 0);
  g_fake_now += 5000;
  play->sequencer.Process();
  EXPECT_EQ(Moves().size(), 1u);
}

TEST_F(KnockTest, EveryResetEmptiesTheQueue) {
  Dark_Hand();
  play->OnEvent(&play->btn_knock_dark);
  Pick({C(0, 3), C(0, 4), C(0, 5)});
  play->OnEvent(&play->btn_down_first);
  ASSERT_EQ(play->sequencer.TaskCount(), 1);
  play->sequencer.Reset();
  EXPECT_EQ(play->sequencer.TaskCount(), 0);
  EXPECT_EQ(play->sequencer.active, 0);
  // The next knock starts from an empty queue.
  play->Enter_Knock_Mode(GameModePlay_virtual::kKnockDark);
  Pick({C(1, 9), C(2, 9), C(3, 9)});
  play->OnEvent(&play->btn_down_first);
  EXPECT_EQ(play->sequencer.TaskCount(), 1);
}

TEST_F(KnockTest, QueuedPacketsWithoutAGameSessionAreDropped) {
  Dark_Hand();
  Stage_Dark_Knock();
  ASSERT_EQ(Moves().size(), 1u);
  game->connected = false;
  g_fake_now += 700;
  play->sequencer.Process();
  game->connected = true;
  g_fake_now += 700;
  play->sequencer.Process();
  EXPECT_EQ(Moves().size(), 2u) << "the second was dropped, the third sent";
  EXPECT_EQ(play->sequencer.running, 0);
}

}  // namespace
