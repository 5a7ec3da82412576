// One table of moves, judged twice: by the game client's checks (what it sends, or
// stages in knock mode) and by the local server's rules (what it accepts). A move the
// client sends must be one the server accepts, and a move the client refuses must be one
// the server would refuse too; otherwise the player is told "yes" by one side and "no" by
// the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "Rules.h"
#include "unit/play/PlayTestSupport.h"

using namespace play_test;

namespace {

enum Action { kDraw, kDown, kAttach, kThrow };

struct MeldSpec {
  int kind;
  std::vector<int> codes;
  bool this_turn = false;  // laid in the current turn (a pile take)
};

struct RuleCase {
  const char* what;
  std::vector<int> hand;            // own seat 0
  std::vector<MeldSpec> melds;      // own melds
  std::vector<MeldSpec> other_melds;  // seat 1's melds
  std::vector<int> pile;            // bottom first
  bool drew;
  int knock;                        // -1 off, 0 knock dark, 1 forced (the last turn)
  Action action;
  int pick_from;                    // pile index picked for a down, -1 none
  std::vector<int> select;          // selected own hand cards
  bool sent;                        // the client sends (or stages) it and the server accepts
};

const int kOtherHand = 6;

const std::vector<RuleCase> kCases = {
    {"draw at the start of the turn", {C(0, 1), C(1, 5)}, {}, {}, {C(2, 2)}, false, -1, kDraw, -1, {}, true},
    {"draw twice", {C(0, 1), C(1, 5)}, {}, {}, {C(2, 2)}, true, -1, kDraw, -1, {}, false},
    {"a run from the hand after a draw", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}}},
     {}, {C(2, 2)}, true, -1, kDown, -1, {C(0, 3), C(0, 4), C(0, 5)}, true},
    {"a first meld from the hand alone", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, {}, {C(2, 2)}, true, -1, kDown,
     -1, {C(0, 3), C(0, 4), C(0, 5)}, false},
    {"a first meld with a pile card from the middle of the pile", {C(0, 7), C(1, 7), C(3, 2)}, {}, {},
     {C(2, 2), C(2, 7), C(1, 11)}, false, -1, kDown, 1, {C(0, 7), C(1, 7)}, true},
    {"a meld that would leave nothing to throw", {C(0, 7), C(1, 7)}, {}, {}, {C(2, 7)}, false, -1, kDown, 0,
     {C(0, 7), C(1, 7)}, false},
    {"hand cards alone before drawing", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)},
     {{3, {C(1, 12), C(2, 12), C(3, 12)}}}, {}, {C(2, 2)}, false, -1, kDown, -1, {C(0, 3), C(0, 4), C(0, 5)}, false},
    {"not a meld", {C(0, 3), C(0, 4), C(1, 6), C(1, 9)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}}}, {}, {C(2, 2)}, true,
     -1, kDown, -1, {C(0, 3), C(0, 4), C(1, 6)}, false},
    {"picked-up cards without a hand card", {C(0, 7), C(1, 9)}, {}, {}, {C(2, 7), C(1, 7), C(3, 7)}, false, -1,
     kDown, 0, {}, false},
    {"attach to another seat's meld", {C(0, 6), C(2, 1)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}}},
     {{2, {C(0, 7), C(0, 8), C(0, 9)}}}, {C(2, 2)}, true, -1, kAttach, -1, {C(0, 6)}, true},
    {"attach without an own meld", {C(0, 6), C(2, 1)}, {}, {{2, {C(0, 7), C(0, 8), C(0, 9)}}}, {C(2, 2)}, true, -1,
     kAttach, -1, {C(0, 6)}, false},
    {"attach before drawing", {C(0, 6), C(2, 1)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}}},
     {{2, {C(0, 7), C(0, 8), C(0, 9)}}}, {C(2, 2)}, false, -1, kAttach, -1, {C(0, 6)}, false},
    {"attach the last card", {C(0, 6)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}}}, {{2, {C(0, 7), C(0, 8), C(0, 9)}}},
     {C(2, 2)}, true, -1, kAttach, -1, {C(0, 6)}, false},
    {"attach a card that fits nowhere", {C(1, 6), C(2, 1)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}}},
     {{2, {C(0, 7), C(0, 8), C(0, 9)}}}, {C(2, 2)}, true, -1, kAttach, -1, {C(1, 6)}, false},
    {"throw after a draw", {C(0, 6), C(2, 1)}, {}, {}, {C(2, 2)}, true, -1, kThrow, -1, {C(2, 1)}, true},
    {"throw before drawing", {C(0, 6), C(2, 1)}, {}, {}, {C(2, 2)}, false, -1, kThrow, -1, {C(2, 1)}, false},
    {"throw after a pile take", {C(0, 6), C(2, 1)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}, true}}, {}, {C(2, 2)},
     false, -1, kThrow, -1, {C(2, 1)}, true},
    {"knock dark: a first meld from the hand before drawing", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, {},
     {C(2, 2)}, false, 0, kDown, -1, {C(0, 3), C(0, 4), C(0, 5)}, true},
    {"knock dark: a first meld from the hand after a draw", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, {}, {C(2, 2)},
     true, 0, kDown, -1, {C(0, 3), C(0, 4), C(0, 5)}, true},
    {"knock dark: picked-up cards without a hand card", {C(0, 7), C(1, 9)}, {}, {}, {C(2, 7), C(1, 7), C(3, 7)},
     false, 0, kDown, 0, {}, false},
    {"knock dark: a pile card after a draw", {C(0, 7), C(1, 7), C(3, 2)}, {}, {}, {C(2, 7)}, true, 0, kDown, 0,
     {C(0, 7), C(1, 7)}, false},
    {"knock dark: attach without an own meld", {C(0, 6), C(2, 1)}, {}, {{2, {C(0, 7), C(0, 8), C(0, 9)}}},
     {C(2, 2)}, true, 0, kAttach, -1, {C(0, 6)}, true},
    {"knock dark: attach before drawing", {C(0, 6), C(2, 1)}, {}, {{2, {C(0, 7), C(0, 8), C(0, 9)}}}, {C(2, 2)},
     false, 0, kAttach, -1, {C(0, 6)}, true},
    {"last turn: a first meld from the hand alone", {C(0, 3), C(0, 4), C(0, 5), C(1, 9)}, {}, {}, {C(2, 2)}, false,
     1, kDown, -1, {C(0, 3), C(0, 4), C(0, 5)}, false},
    {"last turn: a first meld with a pile card", {C(0, 7), C(1, 7), C(3, 2)}, {}, {}, {C(2, 2), C(2, 7)}, false, 1,
     kDown, 1, {C(0, 7), C(1, 7)}, true},
    {"last turn: throwing the last card after a take", {C(2, 1)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}, true}}, {},
     {C(2, 2)}, false, 1, kThrow, -1, {C(2, 1)}, true},
    {"last turn: throwing with two cards left", {C(0, 6), C(2, 1)}, {{3, {C(1, 12), C(2, 12), C(3, 12)}, true}}, {},
     {C(2, 2)}, false, 1, kThrow, -1, {C(2, 1)}, false},
};

class MoveRulesAgreement : public PlayFixture {
 protected:
  static constexpr int kTurn = 5;

  void Build_Client(const RuleCase& c) {
    play->pile.Clear(true);
    play->sequencer.Reset();
    play->move_pending = 0;
    game->sent.clear();
    Clear_Alert();
    GameVXPlayer* me = Seat(0, {});
    for (int code : c.hand) Add(me->hand, code, 1);
    if (c.drew) Drew(me);
    for (const MeldSpec& m : c.melds) Client_Meld(me, m);
    GameVXPlayer* other = Seat(1, {});
    for (int i = 0; i < kOtherHand; ++i) Add(other->hand, 52, 1);
    for (const MeldSpec& m : c.other_melds) Client_Meld(other, m);
    for (int code : c.pile) Add(play->pile, code);
    play->stock_used = c.knock == 1 ? 52 : 52 - (static_cast<int>(Stock(c).size()) - kOtherHand);
  }
  static void Client_Meld(GameVXPlayer* p, const MeldSpec& m) {
    GameVXCardDeck* d = Meld(p, m.kind, {});
    for (int code : m.codes) Add(*d, code)->owner_seat = p->seat.Seat();
    d->turn_mark = m.this_turn ? kTurn : 1;
  }
  // Every card the case does not place is in the stock (none in the last turn).
  static std::vector<int> Stock(const RuleCase& c) {
    std::set<int> used(c.hand.begin(), c.hand.end());
    used.insert(c.pile.begin(), c.pile.end());
    for (const auto* ms : {&c.melds, &c.other_melds})
      for (const MeldSpec& m : *ms) used.insert(m.codes.begin(), m.codes.end());
    std::vector<int> rest;
    for (int code = 0; code < 52; ++code)
      if (!used.count(code)) rest.push_back(code);
    return rest;
  }
  // The table as the server holds it; seat 1's hand gets the first free cards.
  static tsrv::TableSnapshot Build_Server(const RuleCase& c) {
    tsrv::TableSnapshot t;
    t.seats_mask = 0b11;
    t.turn_seat = 0;
    std::vector<int> rest = Stock(c);
    tsrv::SeatSnapshot& me = t.seats[0];
    me.hand = c.hand;
    me.turn_id = kTurn;
    me.drew = c.drew;
    me.never_drew = false;
    for (const MeldSpec& m : c.melds) {
      me.melds.push_back(Server_Meld(m, 0));
      if (m.this_turn) me.took = true;
    }
    tsrv::SeatSnapshot& other = t.seats[1];
    other.hand.assign(rest.begin(), rest.begin() + kOtherHand);
    rest.erase(rest.begin(), rest.begin() + kOtherHand);
    for (const MeldSpec& m : c.other_melds) other.melds.push_back(Server_Meld(m, 1));
    for (int code : c.pile) t.pile.push_back(tsrv::TableCard{code, 1, 1});
    if (c.knock != 1) t.stock = rest;
    t.forced = c.knock == 1;
    return t;
  }
  static tsrv::Meld Server_Meld(const MeldSpec& m, int seat) {
    tsrv::Meld out;
    out.kind = m.kind;
    out.turn_mark = m.this_turn ? kTurn : 1;
    std::vector<int> codes = m.codes;
    if (m.kind == 2) std::sort(codes.begin(), codes.end());
    for (int code : codes) out.cards.push_back(tsrv::TableCard{code, seat, out.turn_mark});
    return out;
  }

  // Runs the user's action on the client; returns the move it sent or staged (empty when
  // it refused), and in `intended` the move the user meant, for the server to judge.
  std::vector<Move> Play_Client(const RuleCase& c, tsrv::Move* intended) {
    if (c.knock >= 0) play->Enter_Knock_Mode(c.knock);
    GameVXPlayer* me = play->Move_Player();
    intended->knock_flag = c.knock >= 0;
    switch (c.action) {
      case kDraw:
        intended->action = tsrv::Move::kDraw;
        Tap(*play, 300, 400);
        break;
      case kDown: {
        intended->action = tsrv::Move::kDown;
        if (c.pick_from >= 0) {
          intended->cards.push_back(c.pile[static_cast<size_t>(c.pick_from)]);
          GameVXCardDeck* pile = play->Move_Pile();
          Lay_Out(*pile, 500, 300);
          Tap(*play, pile->cards[c.pick_from]->rect[0] + 1, 301);
          if (c.select.empty()) {  // every picked-up card, no hand card
            for (int i = 0; i < me->pickup.count; ++i) me->pickup.cards[i]->selected = 1;
            for (int i = c.pick_from + 1; i < static_cast<int>(c.pile.size()); ++i)
              intended->cards.push_back(c.pile[static_cast<size_t>(i)]);
          }
        }
        for (int code : c.select) me->hand.cards[me->hand.Index_Of(code)]->selected = 1;
        intended->cards.insert(intended->cards.end(), c.select.begin(), c.select.end());
        intended->kind = tsrv::IsValidMeld(intended->cards, 2) ? 2 : 3;
        play->OnEvent(&play->btn_down_first);
        break;
      }
      case kAttach:
        intended->action = tsrv::Move::kAttach;
        intended->knock_flag = c.knock == 0;
        intended->target_seat = 1;
        intended->meld_index = 0;
        intended->cards = c.select;
        for (int code : c.select) me->hand.cards[me->hand.Index_Of(code)]->selected = 1;
        play->OnEvent(&play->btn_attach);
        if (play->attach_target_count > 0) play->OnEvent(&play->btn_attach_target[0]);
        break;
      case kThrow:
        intended->action = tsrv::Move::kThrow;
        intended->cards = c.select;
        for (int code : c.select) me->hand.cards[me->hand.Index_Of(code)]->selected = 1;
        play->OnEvent(&play->btn_throw);
        break;
    }
    std::vector<Packet> out = game->sent;
    for (int i = 0; const Packet* p = play->sequencer.TaskAt(i); ++i) out.push_back(*p);
    return Decode(out);
  }

  static tsrv::Move To_Server(const Move& m) {
    tsrv::Move mv;
    mv.action = static_cast<tsrv::Move::Action>(m.action);
    mv.knock_flag = m.knock != 0;
    mv.kind = m.kind;
    mv.target_seat = m.target_seat;
    mv.meld_index = m.target_meld;
    mv.cards = m.action == VX_ACTION_THROW ? std::vector<int>{m.card} : m.codes;
    return mv;
  }
};

TEST_F(MoveRulesAgreement, TheClientSendsExactlyWhatTheServerAccepts) {
  for (const RuleCase& c : kCases) {
    SCOPED_TRACE(c.what);
    Build_Client(c);
    const tsrv::TableSnapshot table = Build_Server(c);
    tsrv::Move intended;
    std::vector<Move> sent = Play_Client(c, &intended);
    ASSERT_LE(sent.size(), 1u);
    const bool client_yes = !sent.empty();
    const tsrv::MoveError verdict = tsrv::JudgeMove(table, 0, client_yes ? To_Server(sent[0]) : intended);
    EXPECT_EQ(client_yes, c.sent) << "client";
    EXPECT_EQ(verdict == tsrv::MoveError::kNone, c.sent) << "server: " << tsrv::MoveErrorName(verdict);
  }
}

}  // namespace
