// The moves' checks: each refused move shows its alert (or nothing) and sends nothing;
// each accepted one sends exactly the request the server reads.
#include <gtest/gtest.h>

#include "unit/play/PlayTestSupport.h"

using namespace play_test;

namespace {

class MovesTest : public PlayFixture {};

// ---- lay down ----------------------------------------------------------------------------

struct DownCase {
  const char* what;
  std::vector<int> hand;       // own hand
  std::vector<int> pile;       // the pile, bottom first
  int pick_from;               // pile index picked (-1 none); every card above is copied too
  std::vector<int> pick_sel;   // further picked-up cards selected (codes)
  std::vector<int> select;     // selected hand cards
  bool has_meld;               // an earlier meld of the player on the table
  bool drew;
  int alert;                   // expected alert, 0 none
  int sent_kind;               // kind of the meld sent, 0 nothing sent
};

const DownCase kDownCases[] = {
    {"nothing selected", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, -1, {}, {}, true, true, 166, 0},
    {"a run of the hand after a draw", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, -1, {}, {C(0, 3), C(0, 4), C(0, 5)},
     true, true, 0, 2},
    {"neither a run nor a set", {C(0, 3), C(0, 4), C(1, 6), C(1, 9)}, {}, -1, {}, {C(0, 3), C(0, 4), C(1, 6)}, true,
     true, 166, 0},
    {"two cards", {C(0, 3), C(0, 4), C(1, 9)}, {}, -1, {}, {C(0, 3), C(0, 4)}, true, true, 166, 0},
    {"the meld would use every card", {C(0, 5), C(0, 6), C(0, 7)}, {}, -1, {}, {C(0, 5), C(0, 6), C(0, 7)}, true, true,
     173, 0},
    {"first meld from the hand alone", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, -1, {}, {C(0, 3), C(0, 4), C(0, 5)},
     false, true, 172, 0},
    {"first meld: a picked-up card and two hand cards of one rank", {C(0, 7), C(1, 7), C(2, 2), C(3, 9)},
     {C(1, 2), C(2, 7)}, 1, {}, {C(0, 7), C(1, 7)}, false, false, 0, 3},
    {"only picked-up cards selected", {C(0, 7), C(1, 9)}, {C(2, 7), C(1, 7), C(3, 7)}, 0, {C(1, 7), C(3, 7)}, {},
     false, false, 170, 0},
    {"a picked-up card and the rest of the hand", {C(0, 7), C(1, 7)}, {C(2, 7)}, 0, {}, {C(0, 7), C(1, 7)}, false,
     false, 173, 0},
    {"hand cards alone before the turn began", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, -1, {},
     {C(0, 3), C(0, 4), C(0, 5)}, true, false, 0, 0},
};

TEST_F(MovesTest, DownChecksEachCaseBeforeSending) {
  for (const DownCase& c : kDownCases) {
    SCOPED_TRACE(c.what);
    game->sent.clear();
    play->move_pending = 0;  // each case is a turn of its own
    Clear_Alert();
    play->pile.Clear(true);
    GameVXPlayer* me = Seat(0, {});
    for (int code : c.hand) Add(me->hand, code, 1);
    for (int code : c.pile) Add(play->pile, code);
    if (c.has_meld) {
      GameVXPlayer* other = Seat(1, {C(3, 0)});
      (void)other;
      Meld(me, 3, {C(3, 12), C(2, 12), C(1, 12)});
    }
    if (c.drew) Drew(me);
    if (c.pick_from >= 0) {
      Lay_Out(play->pile, 500, 300);
      const int x = play->pile.cards[c.pick_from]->rect[0] + 1;
      play->OnTouchDown(0, x, 301);
      play->OnTouchUp(0, x, 301);
      ASSERT_EQ(me->pickup.count, static_cast<int>(c.pile.size()) - c.pick_from);
      for (int code : c.pick_sel) me->pickup.cards[me->pickup.Index_Of(code)]->selected = 1;
    }
    for (int code : c.select) me->hand.cards[me->hand.Index_Of(code)]->selected = 1;
    play->OnEvent(&play->btn_down_more);
    if (c.alert)
      EXPECT_TRUE(Alerted(c.alert)) << "alert '" << AlertText() << "'";
    else
      EXPECT_EQ(play->alert_time, 0u) << "alert '" << AlertText() << "'";
    auto moves = Moves();
    if (!c.sent_kind) {
      EXPECT_TRUE(moves.empty());
      // A refused move keeps the selection as it was.
      for (int code : c.select) EXPECT_EQ(me->hand.cards[me->hand.Index_Of(code)]->selected, 1);
      continue;
    }
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].action, VX_ACTION_DOWN);
    EXPECT_EQ(moves[0].knock, 0);
    EXPECT_EQ(moves[0].kind, c.sent_kind);
    EXPECT_EQ(moves[0].codes.size(), c.select.size() + (c.pick_from >= 0 ? 1 : 0));
  }
}

// The picked-up cards lead the sent meld's cards (the pile card first, then the hand's).
TEST_F(MovesTest, DownSendsThePickedUpCardsFirst) {
  GameVXPlayer* me = Seat(0, {C(0, 7), C(1, 7), C(3, 2)});
  Pile({C(2, 7)});
  Lay_Out(play->pile, 500, 300);
  Tap(*play, 501, 301);
  Select(me->hand, {C(1, 7), C(0, 7)});
  play->OnEvent(&play->btn_down_first);
  auto moves = Moves();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].codes, (std::vector<int>{C(2, 7), C(0, 7), C(1, 7)}));
}

// ---- pile picks --------------------------------------------------------------------------

TEST_F(MovesTest, TouchingAPileCardPicksItAndEveryCardAboveIt) {
  GameVXPlayer* me = Seat(0, {C(0, 1), C(1, 1)});
  Pile({C(3, 0), C(3, 1), C(3, 2), C(3, 3), C(3, 4)});
  Lay_Out(play->pile, 500, 300);
  const int third_from_top = 2;
  const int x = play->pile.cards[third_from_top]->rect[0] + 1;  // left of the next card
  Tap(*play, x, 301);
  EXPECT_EQ(Codes(me->pickup), (std::vector<int>{C(3, 2), C(3, 3), C(3, 4)}));
  EXPECT_EQ(me->pickup.cards[0]->selected, 1);
  EXPECT_EQ(me->pickup.cards[1]->selected, 0);
  EXPECT_EQ(me->pickup.cards[2]->selected, 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(play->pile.cards[i]->selected, i >= 2 ? 1 : 0) << i;
  // The copies are the pick's own: the pile still holds its five cards.
  EXPECT_EQ(play->pile.count, 5);
  // The touched card again: the pick is undone.
  Tap(*play, x, 301);
  EXPECT_EQ(me->pickup.count, 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(play->pile.cards[i]->selected, 0) << i;
  EXPECT_TRUE(game->sent.empty());
}

TEST_F(MovesTest, NoPilePickOnceThePlayerDrewOrOutsideTheOwnTurn) {
  GameVXPlayer* me = Seat(0, {C(0, 1)});
  Pile({C(3, 0), C(3, 1)});
  Lay_Out(play->pile, 500, 300);
  Drew(me);
  Tap(*play, 501, 301);
  EXPECT_EQ(me->pickup.count, 0);
  me->seat.SetDrawnTurnId(4);
  play->turn.SetTurnSeat(1);
  Tap(*play, 501, 301);
  EXPECT_EQ(me->pickup.count, 0);
}

// ---- hand touches and drag -------------------------------------------------------------------

TEST_F(MovesTest, AClickOnAHandCardSelectsItAndLeavesTheOrder) {
  GameVXPlayer* me = Seat(0, {C(0, 1), C(0, 5), C(0, 9)});
  Lay_Out(me->hand, 300, 600, 50);
  play->OnTouchDown(0, 301, 601);
  // The card is drawn where the pointer is while it is held; a tiny move is still a click.
  me->hand.cards[0]->rect[0] = 420, me->hand.cards[0]->rect[2] = 460;
  play->OnTouchMove(0, 303, 602);
  play->OnTouchUp(0, 303, 602);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(0, 1), C(0, 5), C(0, 9)}));
  EXPECT_EQ(me->hand.cards[0]->selected, 1);
  EXPECT_EQ(play->drag_card, nullptr);
}

TEST_F(MovesTest, ADragPastTheThresholdReordersTheHand) {
  GameVXPlayer* me = Seat(0, {C(0, 1), C(0, 5), C(0, 9)});
  Lay_Out(me->hand, 300, 600, 50);
  play->OnTouchDown(0, 301, 601);
  ASSERT_EQ(play->drag_card, me->hand.cards[0]);
  for (int x = 311; x <= 421; x += 10) play->OnTouchMove(0, x, 601);
  // The card is drawn at its place moved by the pointer's travel from the touch.
  EXPECT_EQ(play->pointer_x - play->drag_x, 120);
  me->hand.cards[0]->rect[0] = 420, me->hand.cards[0]->rect[2] = 460;
  play->OnTouchUp(0, 421, 601);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(0, 5), C(0, 9), C(0, 1)}));
}

// ---- stock ------------------------------------------------------------------------------

TEST_F(MovesTest, AStockReleaseDrawsOnlyWhenDrawingIsPossible) {
  GameVXPlayer* me = Seat(0, {C(0, 1)});
  Tap(*play, 300, 400);  // layout 0 stock
  ASSERT_EQ(Moves().size(), 1u);
  EXPECT_EQ(Moves()[0].action, VX_ACTION_DRAW);
  game->sent.clear();
  VXMsg_player_action_event ev;
  ev.action = VX_ACTION_DRAW;
  ev.ok = 1;
  ev.seat = 0;
  ev.stock_taken = 30;
  ev.card.code = C(2, 2);
  Result(ev);
  Tap(*play, 300, 400);  // drawn already
  EXPECT_TRUE(game->sent.empty());
  me->seat.SetDrawnTurnId(4);
  play->stock_used = 52;  // nothing left
  Tap(*play, 300, 400);
  EXPECT_TRUE(game->sent.empty());
  play->stock_used = 20;
  play->layout = 1;
  Tap(*play, 300, 400);  // outside the second layout's stock
  EXPECT_TRUE(game->sent.empty());
  Tap(*play, 250, 300);
  EXPECT_EQ(Moves().size(), 1u);
}

// ---- sending rules ------------------------------------------------------------------------

TEST_F(MovesTest, MovesLeaveOnlyInTheOwnTurnOfARoundWithNoRequestWaiting) {
  GameVXPlayer* me = Seat(0, {C(0, 1), C(0, 2)});
  Drew(me);
  auto throw_first = [&] {
    me->hand.Clear_Selection();
    me->hand.cards[0]->selected = 1;
    play->OnEvent(&play->btn_throw);
  };
  play->turn.SetTurnSeat(2);
  throw_first();
  EXPECT_EQ(Moves().size(), 0u) << "another seat's turn";
  play->turn.SetTurnSeat(0);
  play->room.SetTableState(3);
  throw_first();
  EXPECT_EQ(Moves().size(), 0u) << "no round in progress";
  play->room.SetTableState(2);
  throw_first();
  EXPECT_EQ(Moves().size(), 1u);
  throw_first();
  EXPECT_EQ(Moves().size(), 1u) << "the first throw is still waiting for its answer";
  // Its refusal frees the way again.
  VXMsg_player_action_event no;
  no.action = VX_ACTION_THROW;
  no.ok = 0;
  Result(no);
  throw_first();
  EXPECT_EQ(Moves().size(), 2u);
  // A lost answer does not block the table for ever.
  g_fake_now += GameModePlay::kMoveReplyWaitMs;
  throw_first();
  EXPECT_EQ(Moves().size(), 3u);
  // Not at a game server: dropped.
  g_fake_now += GameModePlay::kMoveReplyWaitMs;
  game->connected = false;
  throw_first();
  EXPECT_EQ(Moves().size(), 3u);
}

// ---- throw ------------------------------------------------------------------------------

TEST_F(MovesTest, ThrowNeedsExactlyOneCardAndABegunTurn) {
  GameVXPlayer* me = Seat(0, {C(0, 1), C(0, 2), C(1, 4)});
  play->OnEvent(&play->btn_throw);
  EXPECT_TRUE(Alerted(169));
  Clear_Alert();
  Select(me->hand, {C(0, 1), C(0, 2)});
  play->OnEvent(&play->btn_throw);
  EXPECT_EQ(play->alert_time, 0u) << "two selected: nothing at all";
  me->hand.Clear_Selection();
  Select(me->hand, {C(1, 4)});
  play->OnEvent(&play->btn_throw);
  EXPECT_TRUE(Moves().empty()) << "neither drawn nor taken";
  Drew(me);
  play->OnEvent(&play->btn_throw_last);
  auto moves = Moves();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].action, VX_ACTION_THROW);
  EXPECT_EQ(moves[0].card, C(1, 4));
  EXPECT_EQ(play->alert_time, 0u);
}

// ---- attach -----------------------------------------------------------------------------

TEST_F(MovesTest, AttachOffersTheFirstThreeFittingMeldsInSeatOrder) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 9)});
  Drew(me);
  Meld(me, 3, {C(1, 12), C(2, 12), C(3, 12)});
  GameVXPlayer* b = Seat(1, {52});
  GameVXPlayer* d = Seat(3, {52});
  Meld(b, 2, {C(0, 3), C(0, 4), C(0, 5)});   // fits
  Meld(b, 3, {C(1, 6), C(2, 6), C(3, 6)});   // fits
  Meld(d, 2, {C(0, 7), C(0, 8), C(0, 9)});   // fits
  Meld(me, 2, {C(0, 7), C(0, 8), C(0, 9)});  // fits, own seat, comes first
  Select(me->hand, {C(0, 6)});
  play->OnEvent(&play->btn_attach);
  ASSERT_EQ(play->attach_target_count, 3);
  EXPECT_EQ(play->attach_targets[0].seat, 0);
  EXPECT_EQ(play->attach_targets[0].meld, 1);
  EXPECT_EQ(play->attach_targets[1].seat, 1);
  EXPECT_EQ(play->attach_targets[1].meld, 0);
  EXPECT_EQ(play->attach_targets[2].seat, 1);
  EXPECT_EQ(play->attach_targets[2].meld, 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(play->btn_attach_target[i].m_hidden, 0);
  EXPECT_TRUE(game->sent.empty());
  // The second target: the request names that meld.
  play->OnEvent(&play->btn_attach_target[1]);
  auto moves = Moves();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].action, VX_ACTION_ATTACH);
  EXPECT_EQ(moves[0].target_seat, 1);
  EXPECT_EQ(moves[0].target_meld, 0);
  EXPECT_EQ(moves[0].knock, 0);
  EXPECT_EQ(moves[0].codes, (std::vector<int>{C(0, 6)}));
  EXPECT_EQ(play->attach_target_count, 0) << "the choice closes";
}

TEST_F(MovesTest, AttachRefusalsShowTheirAlerts) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 9)});
  Drew(me);
  Meld(me, 2, {C(0, 7), C(0, 8), C(0, 9)});
  play->OnEvent(&play->btn_attach);
  EXPECT_TRUE(Alerted(168)) << "nothing selected";
  Clear_Alert();
  Select(me->hand, {C(2, 9)});
  play->OnEvent(&play->btn_attach);
  EXPECT_TRUE(Alerted(165)) << "no meld takes it";
  EXPECT_EQ(play->attach_target_count, 0);
  // Every card of the hand selected: the target is offered, but nothing to throw would be
  // left.
  me->hand.Clear_Selection();
  Select(me->hand, {C(0, 6)});
  play->OnEvent(&play->btn_attach);
  ASSERT_EQ(play->attach_target_count, 1);
  Clear_Alert();
  Select(me->hand, {C(2, 9)});
  play->OnEvent(&play->btn_attach_target[0]);
  EXPECT_TRUE(Alerted(168));
  // The meld changed under the choice: no longer fits.
  me->hand.Clear_Selection();
  Select(me->hand, {C(0, 6)});
  Clear_Alert();
  play->OnEvent(&play->btn_attach);
  ASSERT_EQ(play->attach_target_count, 1);
  GameVXCardDeck* m = me->melds[0];
  delete m->cards[0];
  m->Remove_At(0);
  Add(*m, C(0, 10));
  play->OnEvent(&play->btn_attach_target[0]);
  EXPECT_TRUE(Alerted(165));
  EXPECT_TRUE(game->sent.empty());
}

TEST_F(MovesTest, AReleaseNearATargetButtonPicksIt) {
  GameVXPlayer* me = Seat(0, {C(0, 6), C(2, 9)});
  Drew(me);
  Meld(me, 2, {C(0, 7), C(0, 8), C(0, 9)});
  Select(me->hand, {C(0, 6)});
  play->OnEvent(&play->btn_attach);
  ASSERT_EQ(play->attach_target_count, 1);
  play->btn_attach_target[0].SetRect(408, 223, 508, 283);
  play->OnTouchUp(0, 408 - 30, 300);  // just outside the widened area
  EXPECT_TRUE(Moves().empty());
  play->OnTouchUp(0, 408 - 27, 283 + 79);
  EXPECT_EQ(Moves().size(), 1u);
}

// ---- card change --------------------------------------------------------------------------

TEST_F(MovesTest, CardChangeTakesOneToThreeHandCardsInTheOwnTurn) {
  GameVXPlayer* me = Seat(0, {C(0, 1), C(0, 2), C(0, 3), C(0, 4), C(1, 9)});
  play->OnEvent(&play->btn_change);
  EXPECT_TRUE(Alerted(212));
  Select(me->hand, {C(0, 1), C(0, 2), C(0, 3), C(0, 4)});
  play->OnEvent(&play->btn_change);
  EXPECT_TRUE(Alerted(213));
  EXPECT_EQ(Sent(VX_PROTOCOL_CARD_CHANGE), 0);
  me->hand.cards[0]->selected = 0;
  play->turn.SetTurnSeat(1);
  play->OnEvent(&play->btn_change);
  EXPECT_EQ(Sent(VX_PROTOCOL_CARD_CHANGE), 0) << "another seat's turn";
  play->turn.SetTurnSeat(0);
  play->OnEvent(&play->btn_change);
  ASSERT_EQ(Sent(VX_PROTOCOL_CARD_CHANGE), 1);
  Packet p = game->sent.back();
  p.read_pos = 0;
  GameVXCardDeck d;
  ASSERT_TRUE(d.Read(p, true));
  EXPECT_EQ(Codes(d), (std::vector<int>{C(0, 2), C(0, 3), C(0, 4)}));
}

// ---- buttons ------------------------------------------------------------------------------

struct ButtonsCase {
  const char* what;
  bool melds;
  int hand_cards;
  int knock;  // -1 off, else the variant
  // shown: down first, down more, attach, attach enabled, throw, throw last, knock dark,
  // confirm, cancel, end
  int shown[10];
};

const ButtonsCase kButtonCases[] = {
    {"no melds yet", false, 5, -1, {1, 0, 1, 0, 1, 0, 1, 0, 0, 0}},
    {"melds laid, one card left", true, 1, -1, {0, 1, 1, 1, 0, 1, 0, 0, 0, 0}},
    {"forced knock", true, 3, 1, {0, 1, 1, 1, 1, 0, 0, 0, 0, 1}},
    {"knock dark", false, 4, 0, {1, 0, 1, 1, 1, 0, 0, 1, 1, 0}},
};

TEST_F(MovesTest, ActionButtonsFollowTheMeldsTheHandAndKnockMode) {
  for (const ButtonsCase& c : kButtonCases) {
    SCOPED_TRACE(c.what);
    play->sequencer.Reset();
    GameVXPlayer* me = Seat(0, {});
    for (int i = 0; i < c.hand_cards; ++i) Add(me->hand, C(1, i), 1);
    if (c.melds) Meld(me, 3, {C(0, 12), C(2, 12), C(3, 12)});
    if (c.knock >= 0)
      play->Enter_Knock_Mode(c.knock);
    else
      play->Update_Action_Buttons(false);
    GLButtonImage* b[10] = {&play->btn_down_first, &play->btn_down_more, &play->btn_attach, nullptr,
                            &play->btn_throw,      &play->btn_throw_last, &play->btn_knock_dark,
                            &play->btn_confirm,    &play->btn_cancel,     &play->btn_end};
    for (int i = 0; i < 10; ++i) {
      if (i == 3)
        EXPECT_EQ(play->btn_attach.State() != GLButton::kDisabled, c.shown[3] == 1) << "attach enabled";
      else
        EXPECT_EQ(b[i]->m_hidden == 0, c.shown[i] == 1) << "button " << i;
    }
    EXPECT_EQ(play->btn_card_order[1].m_hidden, 0);
  }
}

TEST_F(MovesTest, CardOrderTogglesTheSortAndClearsTheSelection) {
  GameVXPlayer* me = Seat(0, {C(2, 1), C(0, 5), C(1, 1)});
  Select(me->hand, {C(0, 5)});
  play->OnEvent(&play->btn_card_order[0]);
  EXPECT_EQ(me->hand.sort_mode, GameVXCardDeck::SORT_BY_SUIT);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(0, 5), C(1, 1), C(2, 1)}));
  EXPECT_EQ(me->hand.cards[0]->selected, 0);
  play->OnEvent(&play->btn_card_order[1]);
  EXPECT_EQ(Codes(me->hand), (std::vector<int>{C(1, 1), C(2, 1), C(0, 5)}));
  // Not while a pile pick is open.
  Add(me->pickup, C(3, 3));
  play->OnEvent(&play->btn_card_order[0]);
  EXPECT_EQ(me->hand.sort_mode, GameVXCardDeck::SORT_BY_RANK);
}

}  // namespace
