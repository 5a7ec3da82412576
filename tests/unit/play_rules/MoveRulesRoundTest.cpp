// Whole rounds: the own seat is played through the table screen's real input (taps and
// buttons), the other seat by the server's bot, and every request the screen sends is
// judged by the server's rules. Each accepted move comes back as the result the server
// reports, and the client's table must then match the server's: hands, melds and pile.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "Bot.h"
#include "Rules.h"
#include "unit/play/PlayTestSupport.h"

using namespace play_test;

namespace {

class RoundTest : public PlayFixture {
 protected:
  void Deal(uint64_t seed) {
    std::mt19937_64 rng(seed);
    g.Start(0b11, 0, rng);
    play->pile.Clear(true);
    GameVXPlayer* me = Seat(0, {});
    for (int code : g.seat(0).hand) Add(me->hand, code, 1);
    GameVXPlayer* other = Seat(1, {});
    for (size_t i = 0; i < g.seat(1).hand.size(); ++i) Add(other->hand, 52, 1);
    for (const tsrv::TableCard& t : g.pile()) Add(play->pile, t.code);
    play->stock_used = g.stock_used();
    play->mission_card = g.mission_card();
  }

  // The turn as the server names it (the turn start message's part).
  void Sync_Turn() {
    play->turn.SetTurnSeat(g.turn_seat());
    for (int s = 0; s < 2; ++s) play->players[s]->seat.SetTurnId(g.seat(s).turn_id);
    play->turn.SetAutoStageSeat(g.forced_seat());
  }

  // Applies `mv` of `seat` on the server (it must be accepted) and reports the result to
  // the client as the server writes it for seat 0.
  void Apply(int seat, const tsrv::Move& mv) {
    tsrv::MoveOutcome o;
    const int turn_mark = g.seat(seat).turn_id;
    const tsrv::MoveError err = g.Apply(seat, mv, &o);
    ASSERT_EQ(err, tsrv::MoveError::kNone) << tsrv::MoveErrorName(err) << " for action " << mv.action;
    ++moves_applied;
    VXMsg_player_action_event ev;
    ev.action = mv.action;
    ev.ok = 1;
    ev.seat = seat;
    switch (mv.action) {
      case tsrv::Move::kDraw:
        ev.stock_taken = g.stock_used();
        ev.card.code = seat == 0 ? o.card : 52;
        ev.card.owner_seat = seat;
        ev.card.in_hand = 1;
        break;
      case tsrv::Move::kDown: {
        const tsrv::Meld& m = g.seat(seat).melds[static_cast<size_t>(o.down.meld_index)];
        ev.mission_value = g.mission_value();
        Fill(ev.cards, m.kind, o.down.meld_index, m.turn_mark, m.Codes(), seat);
        ev.mission_event = o.down.mission_event;
        ev.card0_event = o.down.club2_event;
        ev.card49_event = o.down.spadeq_event;
        for (int i = 0; i < 4; ++i) {
          ev.mission_flags[i] = o.down.mission_flags[static_cast<size_t>(i)];
          ev.card0_flags[i] = o.down.club2_flags[static_cast<size_t>(i)];
          ev.card49_flags[i] = o.down.spadeq_flags[static_cast<size_t>(i)];
        }
        break;
      }
      case tsrv::Move::kAttach: {
        const tsrv::Meld& m = g.seat(mv.target_seat).melds[static_cast<size_t>(mv.meld_index)];
        ev.target_seat = mv.target_seat;
        ev.target_meld = mv.meld_index;
        Fill(ev.cards, m.kind, mv.meld_index, m.turn_mark, mv.cards, seat);
        ev.event = o.attach.event;
        ev.flagged_seat = o.attach.flagged;
        break;
      }
      case tsrv::Move::kThrow:
        ev.card.code = mv.cards[0];
        ev.card.owner_seat = seat;
        ev.card.turn_mark = turn_mark;
        ev.round_end = o.thrown.round_end ? 1 : 0;
        ev.end_kind = o.thrown.end_kind;
        ev.event_a = o.thrown.event_a;
        ev.event_b = o.thrown.event_b;
        ev.feeder_seat = o.thrown.feeder;
        break;
      default:
        break;
    }
    Result(ev);
    ev.cards.Clear(true);
    Check_Tables_Agree();
  }
  static void Fill(GameVXCardDeck& d, int kind, int index, int turn_mark, const std::vector<int>& codes, int seat) {
    d.kind = kind;
    d.index = index;
    d.turn_mark = turn_mark;
    for (int code : codes) {
      auto* c = new VXType_card;
      c->code = code;
      c->owner_seat = seat;
      c->turn_mark = turn_mark;
      if (!d.Add_Card(c)) delete c;
    }
  }

  void Check_Tables_Agree() {
    std::vector<int> client = Codes(Me()->hand), server = g.seat(0).hand;
    std::sort(client.begin(), client.end());
    std::sort(server.begin(), server.end());
    EXPECT_EQ(client, server) << "own hand";
    std::vector<int> pile;
    for (const tsrv::TableCard& t : g.pile()) pile.push_back(t.code);
    EXPECT_EQ(Codes(play->pile), pile) << "pile";
    EXPECT_EQ(play->players[1]->hand.count, static_cast<int>(g.seat(1).hand.size())) << "other hand";
    for (int s = 0; s < 2; ++s) {
      ASSERT_EQ(play->players[s]->meld_count, static_cast<int>(g.seat(s).melds.size())) << "melds of " << s;
      for (int m = 0; m < play->players[s]->meld_count; ++m) {
        std::vector<int> a = Codes(*play->players[s]->melds[m]), b = g.seat(s).melds[static_cast<size_t>(m)].Codes();
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b) << "meld " << m << " of seat " << s;
      }
    }
    EXPECT_EQ(play->stock_used, g.stock_used());
  }

  // Sends whatever the screen sent since `before` to the server.
  bool Forward(size_t before) {
    if (game->sent.size() == before) return false;
    std::vector<Packet> fresh(game->sent.begin() + static_cast<long>(before), game->sent.end());
    std::vector<Move> moves = Decode(fresh);
    EXPECT_EQ(moves.size(), 1u);
    for (const Move& m : moves) {
      tsrv::Move mv;
      mv.action = static_cast<tsrv::Move::Action>(m.action);
      mv.knock_flag = m.knock != 0;
      mv.kind = m.kind;
      mv.target_seat = m.target_seat;
      mv.meld_index = m.target_meld;
      mv.cards = m.action == VX_ACTION_THROW ? std::vector<int>{m.card} : m.codes;
      Apply(0, mv);
    }
    return true;
  }
  void Select_Only(std::initializer_list<int> codes) { Select_Only(std::vector<int>(codes)); }
  void Select_Only(const std::vector<int>& codes) {
    GameVXPlayer* me = Me();
    me->hand.Clear_Selection();
    for (int code : codes) me->hand.cards[me->hand.Index_Of(code)]->selected = 1;
  }

  // The own turn, played with taps and buttons.
  void Own_Turn() {
    GameVXPlayer* me = Me();
    if (g.forced_seat() == 0) {
      // The last turn: no draw; this player gives up going out.
      play->Enter_Knock_Mode(1);
      const size_t before = game->sent.size();
      play->OnEvent(&play->btn_end);
      ASSERT_TRUE(Forward(before));
      return;
    }
    // A pile take when the top card makes a meld with two hand cards, else a draw.
    bool took = false;
    if (play->pile.count > 0) {
      const int top = play->pile.cards[play->pile.count - 1]->code;
      const std::vector<int> hand = g.seat(0).hand;
      for (size_t i = 0; i < hand.size() && !took; ++i)
        for (size_t j = i + 1; j < hand.size() && !took; ++j) {
          const std::vector<int> meld = {top, hand[i], hand[j]};
          if (hand.size() < 3 || (!tsrv::IsValidMeld(meld, 2) && !tsrv::IsValidMeld(meld, 3))) continue;
          Lay_Out(play->pile, 500, 300);
          Tap(*play, play->pile.cards[play->pile.count - 1]->rect[0] + 1, 301);
          Select_Only({hand[i], hand[j]});
          const size_t before = game->sent.size();
          play->OnEvent(&play->btn_down_first);
          took = Forward(before);
          ASSERT_TRUE(took) << "a pile meld the server accepts";
          ++pile_takes;
        }
    }
    if (!took) {
      const size_t before = game->sent.size();
      Tap(*play, 300, 400);
      ASSERT_TRUE(Forward(before)) << "the draw";
    }
    // Every meld the hand holds, then every card that fits a meld on the table.
    for (int guard = 0; guard < 10 && me->meld_count > 0; ++guard) {
      int kind = 0;
      std::vector<int> meld = tsrv::FindMeld(g.seat(0).hand, &kind);
      if (meld.empty() || meld.size() >= g.seat(0).hand.size()) break;
      Select_Only(meld);
      const size_t before = game->sent.size();
      play->OnEvent(&play->btn_down_more);
      ASSERT_TRUE(Forward(before)) << "a hand meld";
    }
    for (size_t i = 0; me->meld_count > 0 && i < g.seat(0).hand.size() && g.seat(0).hand.size() > 1;) {
      Select_Only({g.seat(0).hand[i]});
      play->OnEvent(&play->btn_attach);
      if (play->attach_target_count == 0) {
        ++i;
        continue;
      }
      const size_t before = game->sent.size();
      play->OnEvent(&play->btn_attach_target[0]);
      ASSERT_TRUE(Forward(before)) << "an attach";
      ++attaches;
    }
    // The least useful card goes.
    const std::vector<int>& hand = g.seat(0).hand;
    int worst = hand[0];
    for (int code : hand)
      if (tsrv::CardUsefulness(hand, code) < tsrv::CardUsefulness(hand, worst)) worst = code;
    Select_Only({worst});
    const size_t before = game->sent.size();
    play->OnEvent(hand.size() >= 2 ? &play->btn_throw : &play->btn_throw_last);
    ASSERT_TRUE(Forward(before)) << "the throw";
  }

  void Other_Turn() {
    for (int step = 0; step < 64 && g.running() && g.turn_seat() == 1; ++step) {
      const tsrv::Move mv = tsrv::ChooseMove(g, 1);
      Apply(1, mv);
      if (mv.action == tsrv::Move::kThrow || mv.action == tsrv::Move::kEnd) return;
    }
  }

  tsrv::Game g;
  int moves_applied = 0, pile_takes = 0, attaches = 0;
};

TEST_F(RoundTest, WholeRoundsPlayedThroughTheScreenAgreeWithTheServer) {
  int rounds = 0;
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    g = tsrv::Game();
    Deal(seed);
    for (int turn = 0; turn < 200 && g.running(); ++turn) {
      Sync_Turn();
      play->move_pending = 0;
      if (g.turn_seat() == 0)
        Own_Turn();
      else
        Other_Turn();
      if (HasFatalFailure()) return;
      // After each turn the flow resets knock mode and the buttons (the throw's common part).
      play->sequencer.Reset();
      play->Update_Action_Buttons(true);
    }
    EXPECT_FALSE(g.running()) << "the round ended";
    ++rounds;
  }
  EXPECT_EQ(rounds, 12);
  // The rounds went through every kind of move of the own seat.
  EXPECT_GT(pile_takes, 0);
  EXPECT_GT(attaches, 0);
  EXPECT_GT(moves_applied, 100);
}

}  // namespace
