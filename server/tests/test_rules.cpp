// The server's rules: melds, turn order, taking the pile, knocks, stock exhaustion,
// scoring and chip settlement; and bots that always play legal moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Bot.h"
#include "Rules.h"

using namespace tsrv;

namespace {

int C(int suit, int rank) { return suit * 13 + rank; }

// A pack for StartWithPack: the given cards first in each seat's hand (padded with unused
// cards), then the open pile card, then the stock in drawing order.
std::vector<int> Pack(uint32_t mask, std::vector<std::vector<int>> hands, int open,
                      std::vector<int> draws) {
  int seats = __builtin_popcount(mask);
  int per = Game::HandSize(seats);
  std::set<int> used;
  for (auto& h : hands) used.insert(h.begin(), h.end());
  used.insert(open);
  used.insert(draws.begin(), draws.end());
  std::vector<int> spare;
  for (int c = 51; c >= 0; --c)
    if (!used.count(c)) spare.push_back(c);
  for (auto& h : hands)
    while (static_cast<int>(h.size()) < per) {
      h.push_back(spare.back());
      spare.pop_back();
    }
  std::vector<int> order;
  for (int k = 0; k < per; ++k)
    for (auto& h : hands) order.push_back(h[k]);
  order.push_back(open);
  order.insert(order.end(), draws.begin(), draws.end());
  order.insert(order.end(), spare.begin(), spare.end());
  return order;
}

// Everything a refused move must leave alone.
struct Snapshot {
  std::vector<int> hand0, hand1, pile;
  size_t melds0, melds1;
  int turn, stock;
  bool operator==(const Snapshot&) const = default;
};
Snapshot Snap(const Game& g) {
  Snapshot s;
  s.hand0 = g.seat(0).hand;
  s.hand1 = g.seat(1).hand;
  for (const auto& t : g.pile()) s.pile.push_back(t.code);
  s.melds0 = g.seat(0).melds.size();
  s.melds1 = g.seat(1).melds.size();
  s.turn = g.turn_seat();
  s.stock = g.stock_used();
  return s;
}

}  // namespace

TEST(Rules, MeldShapes) {
  struct Case {
    std::vector<int> codes;
    int kind;
    bool valid;
  } cases[] = {
      {{C(1, 4), C(1, 6), C(1, 5)}, kKindRun, true},       // any order
      {{C(2, 10), C(2, 11), C(2, 12)}, kKindRun, true},    // up to the ace
      {{C(2, 11), C(2, 12), C(2, 0)}, kKindRun, false},    // no wrap
      {{C(1, 4), C(2, 5), C(1, 6)}, kKindRun, false},      // mixed suits
      {{C(1, 4), C(1, 5)}, kKindRun, false},               // too short
      {{C(1, 4), C(1, 4), C(1, 5)}, kKindRun, false},      // repeated card
      {{C(0, 7), C(1, 7), C(3, 7)}, kKindSet, true},
      {{C(0, 7), C(1, 7), C(2, 7), C(3, 7)}, kKindSet, true},
      {{C(0, 7), C(1, 7), C(1, 7)}, kKindSet, false},      // duplicate
      {{C(0, 7), C(1, 7), C(1, 8)}, kKindSet, false},
      {{C(0, 7), C(1, 7), C(3, 7)}, kKindRun, false},      // right cards, wrong kind
      {{C(0, 1), C(0, 2), 52}, kKindRun, false},           // hidden card code
      {{C(0, 1), C(0, 2), C(0, 3)}, 1, false},             // not a meld kind
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidMeld(c.codes, c.kind), c.valid);
}

TEST(Rules, CardAndMissionValues) {
  EXPECT_EQ(CardPoints(kSpecialClub2), 50);
  EXPECT_EQ(CardPoints(kSpecialSpadeQ), 50);
  EXPECT_EQ(CardPoints(C(1, 12)), 15);
  EXPECT_EQ(CardPoints(C(1, 8)), 10);
  EXPECT_EQ(CardPoints(C(1, 7)), 5);
  EXPECT_EQ(MissionValueFor(C(2, 3)), 75);
  EXPECT_EQ(MissionValueFor(C(2, 9)), 100);
  EXPECT_EQ(MissionValueFor(C(2, 12)), 125);
}

TEST(Rules, TurnOrderAndRefusalsChangeNothing) {
  Game g;
  g.StartWithPack(0b11, 0, Pack(0b11, {{C(1, 3), C(2, 3)}, {}}, C(0, 3), {C(3, 9), C(3, 10)}), C(3, 1));
  EXPECT_EQ(g.stock_used(), 23);
  Snapshot before = Snap(g);
  struct Case {
    const char* what;
    MoveError got;
    MoveError want;
  } cases[] = {
      {"throw before drawing", g.Throw(0, C(1, 3), nullptr), MoveError::kMustActFirst},
      {"other seat draws", g.Draw(1, nullptr), MoveError::kNotYourTurn},
      {"other seat throws", g.Throw(1, g.seat(1).hand[0], nullptr), MoveError::kNotYourTurn},
      {"hand cards alone as the first meld",
       g.Down(0, {C(1, 3), C(2, 3), C(3, 3)}, kKindSet, false, nullptr), MoveError::kNotInHand},
      {"pile card alone", g.Down(0, {C(0, 3)}, kKindSet, false, nullptr), MoveError::kBadCards},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_EQ(Snap(g), before) << "refused moves changed the table";
  ASSERT_EQ(g.Down(0, {C(1, 3), C(2, 3), C(0, 3)}, kKindSet, false, nullptr), MoveError::kNone);
  // The set took the open pile card: the pile is empty and the seat holds 11 - 2 cards.
  EXPECT_TRUE(g.pile().empty());
  EXPECT_EQ(g.seat(0).hand.size(), 9u);
  Snapshot after_take = Snap(g);
  EXPECT_EQ(g.Draw(0, nullptr), MoveError::kAlreadyActed) << "no draw after taking the pile";
  EXPECT_EQ(g.Throw(0, C(3, 12), nullptr), MoveError::kNotInHand);
  EXPECT_EQ(Snap(g), after_take);
  ASSERT_EQ(g.Throw(0, g.seat(0).hand[0], nullptr), MoveError::kNone);
  EXPECT_EQ(g.turn_seat(), 1);
  int card = -1;
  ASSERT_EQ(g.Draw(1, &card), MoveError::kNone);
  EXPECT_EQ(card, C(3, 9));
  EXPECT_EQ(g.Draw(1, nullptr), MoveError::kAlreadyActed);
  EXPECT_TRUE(g.CardsConserved());
}

TEST(Rules, FirstMeldNeedsThePileAndPileTakesNeedHandCards) {
  // Seat 0 holds a run 4-5-6 of suit 1; the pile shows 7 of suit 1 under two more cards.
  Game g;
  std::vector<int> hand = {C(1, 4), C(1, 5), C(1, 6), C(2, 2), C(2, 4)};
  g.StartWithPack(0b11, 0, Pack(0b11, {hand, {}}, C(1, 7), {C(0, 9)}), C(3, 1));
  // Draw first, then the hand-only meld is refused: the first meld must use a pile card.
  Game h = g;
  ASSERT_EQ(h.Draw(0, nullptr), MoveError::kNone);
  EXPECT_EQ(h.Down(0, {C(1, 4), C(1, 5), C(1, 6)}, kKindRun, false, nullptr), MoveError::kNeedsPileCard);
  EXPECT_EQ(h.Down(0, {C(1, 5), C(1, 6), C(1, 7)}, kKindRun, false, nullptr), MoveError::kAlreadyActed)
      << "no pile card after drawing";
  // A dark-knock claim may lay from the hand.
  EXPECT_EQ(h.Down(0, {C(1, 4), C(1, 5), C(1, 6)}, kKindRun, true, nullptr), MoveError::kNone);
  // Without drawing: the pile card with two hand cards makes the first meld.
  DownOutcome o;
  ASSERT_EQ(g.Down(0, {C(1, 5), C(1, 6), C(1, 7)}, kKindRun, false, &o), MoveError::kNone);
  EXPECT_EQ(o.pile_from, 0);
  EXPECT_EQ(g.seat(0).melds.size(), 1u);
  EXPECT_EQ(g.seat(0).melds[0].Codes(), (std::vector<int>{C(1, 5), C(1, 6), C(1, 7)}));
  // Later melds come from the hand.
  EXPECT_EQ(g.Attach(0, 0, 0, {C(1, 4)}, false, nullptr), MoveError::kNone);
  EXPECT_EQ(g.seat(0).melds[0].cards.size(), 4u);
  EXPECT_EQ(g.Attach(0, 0, 0, {C(2, 4)}, false, nullptr), MoveError::kDoesNotFit);
  EXPECT_TRUE(g.CardsConserved());
}

TEST(Rules, PileTakeBringsEveryCardAboveIntoTheHand) {
  Game g;
  // Seat 0 holds 8 and 8 of suits 0 and 1; seat 1 throws a card on top of the open 8.
  g.StartWithPack(0b11, 1, Pack(0b11, {{C(0, 8), C(1, 8)}, {C(3, 2)}}, C(2, 8), {C(3, 5)}), C(3, 1));
  ASSERT_EQ(g.Draw(1, nullptr), MoveError::kNone);
  ASSERT_EQ(g.Throw(1, C(3, 2), nullptr), MoveError::kNone);
  size_t before = g.seat(0).hand.size();
  DownOutcome o;
  EXPECT_EQ(g.Down(0, {C(2, 8)}, kKindSet, false, &o), MoveError::kBadCards);
  EXPECT_EQ(g.Down(0, {C(0, 8), C(1, 8), C(2, 8)}, kKindSet, false, &o), MoveError::kNone);
  EXPECT_EQ(o.pile_from, 0);
  EXPECT_TRUE(g.pile().empty());
  // Two pile cards came in, two hand cards and the 8 went out.
  EXPECT_EQ(g.seat(0).hand.size(), before + 2 - 3);
  EXPECT_NE(std::find(g.seat(0).hand.begin(), g.seat(0).hand.end(), C(3, 2)), g.seat(0).hand.end());
}

TEST(Rules, KnocksScoreAndTheFeederPays) {
  // Three players, first seat 2, so seat 2 throws just before seat 0. Seat 0 holds the 9s
  // of suits 0 and 1, a run 3..8 of suit 2 and an ace.
  const uint32_t mask = 0b111;
  std::vector<int> h0 = {C(0, 7), C(1, 7), C(2, 1), C(2, 2), C(2, 3), C(2, 4), C(2, 5), C(2, 6), C(1, 12)};
  auto deal = [&](Game& g) {
    g.StartWithPack(mask, 2, Pack(mask, {h0, {}, {C(3, 7)}}, C(0, 3), {C(0, 10), C(1, 10), C(2, 10), C(3, 11)}),
                    C(3, 1));
    ASSERT_EQ(g.Draw(2, nullptr), MoveError::kNone);
    ASSERT_EQ(g.Throw(2, C(3, 7), nullptr), MoveError::kNone);  // seat 2 feeds a 9
    ASSERT_EQ(g.Down(0, {C(0, 7), C(1, 7), C(3, 7)}, kKindSet, false, nullptr), MoveError::kNone);
  };
  // Going out in the same turn: a dark knock, and the feeder pays its doubled bonus.
  {
    Game g;
    deal(g);
    ASSERT_EQ(g.Down(0, {C(2, 1), C(2, 2), C(2, 3), C(2, 4), C(2, 5), C(2, 6)}, kKindRun, false, nullptr),
              MoveError::kNone);
    ThrowOutcome t;
    ASSERT_EQ(g.Throw(0, C(1, 12), &t), MoveError::kNone);
    EXPECT_TRUE(t.round_end);
    EXPECT_EQ(t.end_kind, 1);
    EXPECT_EQ(t.feeder, 2);
    RoundScore s = g.Score();
    EXPECT_EQ(s.winner, 0);
    EXPECT_EQ(s.plus[0], 9 * 5 + 100);
    EXPECT_EQ(s.minus[0], 0);
    EXPECT_EQ(s.minus[2] - 100, [&] {
      int m = 0;
      for (int c : g.seat(2).hand) m += CardPoints(c);
      return m;
    }());
    EXPECT_EQ(g.seat(2).penalties[kPenKnockFed], 1);
    EXPECT_EQ(g.seat(0).counters[kEvDarkKnock], 1);
  }
  // Going out a turn later after a draw: a plain knock without a feeder.
  {
    Game g;
    deal(g);
    ASSERT_EQ(g.Throw(0, C(1, 12), nullptr), MoveError::kNone);
    for (int seat : {1, 2}) {
      int c = -1;
      ASSERT_EQ(g.Draw(seat, &c), MoveError::kNone);
      ASSERT_EQ(g.Throw(seat, c, nullptr), MoveError::kNone);
    }
    ASSERT_EQ(g.Draw(0, nullptr), MoveError::kNone);
    ASSERT_EQ(g.Down(0, {C(2, 1), C(2, 2), C(2, 3), C(2, 4), C(2, 5), C(2, 6)}, kKindRun, false, nullptr),
              MoveError::kNone);
    ThrowOutcome t;
    ASSERT_EQ(g.Throw(0, C(3, 11), &t), MoveError::kNone);
    EXPECT_EQ(t.end_kind, 0);
    EXPECT_EQ(t.feeder, -1);
    RoundScore s = g.Score();
    EXPECT_EQ(s.plus[0], 9 * 5 + 50);
    EXPECT_EQ(s.total[0], 95);
    EXPECT_EQ(s.winner, 0);
  }
}

TEST(Rules, DarkKnockAndStockExhaustion) {
  // Two players, 11 cards: seat 0 holds three runs and two more cards of a set, draws the
  // third and goes out in one turn without earlier melds.
  Game g;
  std::vector<int> h0 = {C(0, 1), C(0, 2), C(0, 3), C(1, 1), C(1, 2), C(1, 3),
                         C(2, 5), C(2, 6), C(2, 7), C(3, 9), C(1, 9)};
  g.StartWithPack(0b11, 0, Pack(0b11, {h0, {}}, C(3, 0), {C(0, 9), C(2, 12)}), C(3, 1));
  ASSERT_EQ(g.Draw(0, nullptr), MoveError::kNone);
  ASSERT_EQ(g.Down(0, {C(0, 1), C(0, 2), C(0, 3)}, kKindRun, true, nullptr), MoveError::kNone);
  ASSERT_EQ(g.Down(0, {C(1, 1), C(1, 2), C(1, 3)}, kKindRun, true, nullptr), MoveError::kNone);
  ASSERT_EQ(g.Down(0, {C(2, 5), C(2, 6), C(2, 7)}, kKindRun, true, nullptr), MoveError::kNone);
  EXPECT_EQ(g.Down(0, {C(3, 9), C(1, 9), C(0, 9)}, kKindSet, true, nullptr), MoveError::kMustKeepCard);
  ASSERT_EQ(g.Attach(0, 0, 0, {C(0, 9)}, true, nullptr), MoveError::kDoesNotFit);
  // Throw one 9 and keep two: no knock; the claim costs 50.
  Game h = g;
  ASSERT_EQ(h.Throw(0, C(3, 9), nullptr), MoveError::kNone);
  EXPECT_EQ(h.Score().minus[0], 50 + 10 + 10);  // the claim plus the two jacks kept

  // Stock exhaustion: a two-seat game where every turn only draws and throws. The throw
  // that leaves the stock empty gives the next seat the last turn, which may only go out
  // or end the round.
  Game s;
  s.StartWithPack(0b11, 0, Pack(0b11, {{}, {}}, C(3, 0), {}), C(3, 1));
  ThrowOutcome t;
  int guard = 0;
  while (s.running() && s.forced_seat() < 0 && ++guard < 100) {
    int seat = s.turn_seat();
    int c = -1;
    ASSERT_EQ(s.End(seat), MoveError::kNotForced) << "only the last turn may end the round";
    ASSERT_EQ(s.Draw(seat, &c), MoveError::kNone);
    ASSERT_EQ(s.Throw(seat, c, &t), MoveError::kNone);
    EXPECT_FALSE(t.round_end);
  }
  ASSERT_TRUE(s.running());
  EXPECT_EQ(s.stock_left(), 0);
  const int last = s.turn_seat();
  EXPECT_EQ(s.forced_seat(), last);
  EXPECT_EQ(s.Draw(last, nullptr), MoveError::kStockEmpty);
  EXPECT_EQ(s.End(1 - last), MoveError::kNotYourTurn);
  ASSERT_EQ(s.End(last), MoveError::kNone);
  EXPECT_TRUE(s.finished());
  EXPECT_EQ(s.Score().knocker, -1);
  EXPECT_EQ(s.Score().end_kind, -1);
  EXPECT_EQ(s.Draw(s.turn_seat(), nullptr), MoveError::kRoundOver);
  EXPECT_TRUE(s.CardsConserved());
}

TEST(Rules, SettlementIsZeroSumAndNeverOverdraws) {
  struct Case {
    std::array<int, 4> total;
    uint32_t mask;
    std::array<int64_t, 4> balance;
  } cases[] = {
      {{150, -40, -60, -20}, 0b1111, {100000, 100000, 100000, 100000}},
      {{300, -300, 0, 0}, 0b0011, {100000, 50, 0, 0}},            // loser short of chips
      {{10, 20, 30, 40}, 0b1111, {0, 0, 0, 7}},                   // nearly nothing to pay
      {{-5, 77, 0, 13}, 0b1011, {1000, 1000, 0, 1000}},
  };
  for (const auto& c : cases) {
    RoundScore s;
    s.total = c.total;
    auto d = SettleChips(s, c.mask, 1000, c.balance);
    int64_t sum = 0;
    for (int i = 0; i < 4; ++i) {
      sum += d[i];
      EXPECT_GE(c.balance[i] + d[i], 0) << "seat " << i;
      if (!(c.mask & (1u << i))) {
        EXPECT_EQ(d[i], 0);
      }
    }
    EXPECT_EQ(sum, 0);
  }
}

// Bots play whole rounds at every table size: every chosen move is legal, every card is
// always in exactly one place, and rounds end by knocks as well as by the stock.
TEST(Rules, BotsPlayLegalRoundsToTheEnd) {
  std::mt19937_64 rng(99);
  int knocks = 0, runouts = 0;
  for (int round = 0; round < 300; ++round) {
    uint32_t mask = round % 3 == 0 ? 0b1111 : round % 3 == 1 ? 0b0111 : 0b0101;
    Game g;
    g.Start(mask, round % 4, rng);
    int moves = 0;
    ThrowOutcome last;
    while (g.running()) {
      ASSERT_LT(++moves, 2000) << "round " << round << " does not end";
      int seat = g.turn_seat();
      BotMove mv = ChooseMove(g, seat);
      MoveOutcome o;
      MoveError e = g.Apply(seat, mv, &o);
      if (mv.action == BotMove::kThrow) last = o.thrown;
      if (mv.action == BotMove::kEnd) last = ThrowOutcome{};
      ASSERT_EQ(e, MoveError::kNone) << "round " << round << " action " << mv.action;
      ASSERT_TRUE(g.CardsConserved());
    }
    (last.end_kind >= 0 ? knocks : runouts)++;
    RoundScore s = g.Score();
    EXPECT_GE(s.winner, 0);
  }
  EXPECT_GT(knocks, 30);
  EXPECT_GT(runouts, 0);
}

namespace {

Meld MeldOf(int kind, std::vector<int> codes, int owner, int turn_mark) {
  Meld m;
  m.kind = kind;
  m.turn_mark = turn_mark;
  if (kind == kKindRun) std::sort(codes.begin(), codes.end(), [](int a, int b) { return Rank(a) < Rank(b); });
  for (int c : codes) m.cards.push_back(TableCard{c, owner, turn_mark});
  return m;
}

Move DownOf(std::vector<int> cards, int kind, bool knock) {
  Move m;
  m.action = Move::kDown;
  m.cards = std::move(cards);
  m.kind = kind;
  m.knock_flag = knock;
  return m;
}

Move AttachOf(std::vector<int> cards, int seat, int meld, bool knock) {
  Move m;
  m.action = Move::kAttach;
  m.cards = std::move(cards);
  m.target_seat = seat;
  m.meld_index = meld;
  m.knock_flag = knock;
  return m;
}

Move ThrowOf(int code) {
  Move m;
  m.action = Move::kThrow;
  m.cards = {code};
  return m;
}

Move Simple(Move::Action a) {
  Move m;
  m.action = a;
  return m;
}

// Seat 0 to play, turn 3: a run 2-3-4 and a set of 9s in the hand with a jack and a
// queen of suit 2; seat 1 has laid 5-6-7 of suit 1 in an earlier turn; the pile shows the
// 7 of suit 0 on top of the 4 of suit 3.
TableSnapshot DarkTable() {
  TableSnapshot t;
  t.seats_mask = 0b11;
  t.turn_seat = 0;
  t.seats[0].turn_id = 3;
  t.seats[0].hand = {C(0, 2), C(0, 3), C(0, 4), C(1, 7), C(2, 7), C(3, 7), C(2, 9), C(2, 10), C(1, 3)};
  t.seats[1].turn_id = 2;
  t.seats[1].hand = {C(3, 11), C(3, 12), C(2, 1)};
  t.seats[1].melds = {MeldOf(kKindRun, {C(1, 4), C(1, 5), C(1, 6)}, 1, 1)};
  t.pile = {TableCard{C(3, 2), 1, 1}, TableCard{C(0, 5), 1, 2}};
  t.stock = {C(3, 3), C(3, 4), C(3, 5)};
  t.mission_card = C(3, 9);
  return t;
}

}  // namespace

// One table of moves judged on fixed snapshots: the dark-knock allowances, the last turn,
// and the plain rules they must not loosen.
TEST(Rules, JudgedMovesOnSnapshots) {
  const TableSnapshot dark = DarkTable();
  TableSnapshot drew = DarkTable();
  drew.seats[0].drew = true;
  drew.seats[0].never_drew = false;
  drew.seats[0].hand.push_back(C(3, 6));
  TableSnapshot had_meld = DarkTable();
  had_meld.seats[0].melds = {MeldOf(kKindSet, {C(0, 12), C(1, 12), C(2, 12)}, 0, 1)};
  TableSnapshot last = DarkTable();
  last.stock.clear();
  last.forced = true;
  TableSnapshot last_one = last;
  last_one.seats[0].hand = {C(0, 7), C(0, 9)};
  last_one.pile.push_back(TableCard{C(0, 8), 1, 2});
  last_one.pile.erase(last_one.pile.begin() + 1);
  struct Case {
    const char* what;
    const TableSnapshot* table;
    Move move;
    MoveError want;
  } cases[] = {
      {"dark: a first meld from the hand before drawing", &dark,
       DownOf({C(0, 2), C(0, 3), C(0, 4)}, kKindRun, true), MoveError::kNone},
      {"the same without the knock flag", &dark, DownOf({C(0, 2), C(0, 3), C(0, 4)}, kKindRun, false),
       MoveError::kNeedsPileCard},
      {"dark: a first meld from the hand after drawing", &drew,
       DownOf({C(1, 7), C(2, 7), C(3, 7)}, kKindSet, true), MoveError::kNone},
      {"dark: a pile card after drawing", &drew, DownOf({C(0, 3), C(0, 4), C(0, 5)}, kKindRun, true),
       MoveError::kAlreadyActed},
      {"dark: an attach without an own meld, before drawing", &dark, AttachOf({C(1, 3)}, 1, 0, true),
       MoveError::kNone},
      {"an attach without an own meld, no knock flag", &drew, AttachOf({C(1, 3)}, 1, 0, false),
       MoveError::kNoMelds},
      {"an earlier meld closes the attempt: no hand meld before drawing", &had_meld,
       DownOf({C(0, 2), C(0, 3), C(0, 4)}, kKindRun, true), MoveError::kMustActFirst},
      {"an earlier meld closes the attempt: no attach before drawing", &had_meld,
       AttachOf({C(1, 3)}, 1, 0, true), MoveError::kMustActFirst},
      {"a pile take", &dark, DownOf({C(0, 3), C(0, 4), C(0, 5)}, kKindRun, false), MoveError::kNone},
      {"a pile card alone", &dark, DownOf({C(0, 5)}, kKindSet, false), MoveError::kBadCards},
      {"a throw before the turn started", &dark, ThrowOf(C(1, 3)), MoveError::kMustActFirst},
      {"end outside the last turn", &dark, Simple(Move::kEnd), MoveError::kNotForced},
      {"last turn: end", &last, Simple(Move::kEnd), MoveError::kNone},
      {"last turn: no draw", &last, Simple(Move::kDraw), MoveError::kStockEmpty},
      {"last turn: no hand meld even with the knock flag", &last,
       DownOf({C(0, 2), C(0, 3), C(0, 4)}, kKindRun, true), MoveError::kNeedsPileCard},
      {"last turn: no attach without an own meld", &last, AttachOf({C(1, 3)}, 1, 0, true), MoveError::kNoMelds},
      {"last turn: a pile take", &last, DownOf({C(0, 3), C(0, 4), C(0, 5)}, kKindRun, true), MoveError::kNone},
      {"last turn: the pile take that goes out", &last_one, DownOf({C(0, 7), C(0, 8), C(0, 9)}, kKindRun, true),
       MoveError::kMustKeepCard},
      {"a draw", &dark, Simple(Move::kDraw), MoveError::kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(JudgeMove(*c.table, 0, c.move), c.want) << c.what;
  EXPECT_EQ(JudgeMove(DarkTable(), 1, Simple(Move::kDraw)), MoveError::kNotYourTurn);
  EXPECT_EQ(JudgeMove(DarkTable(), 2, Simple(Move::kDraw)), MoveError::kNotYourTurn) << "no such seat";
}

// The knock-dark sequence as the client stages it, without a draw: two downs from the
// hand and the last card thrown make a dark knock; a draw after the first down is refused.
TEST(Rules, StagedDarkKnockGoesOutWithoutADraw) {
  TableSnapshot t = DarkTable();
  t.seats[0].hand = {C(0, 2), C(0, 3), C(0, 4), C(1, 7), C(2, 7), C(3, 7), C(2, 12)};
  Game g;
  g.Restore(t);
  ASSERT_EQ(g.Down(0, {C(0, 2), C(0, 3), C(0, 4)}, kKindRun, true, nullptr), MoveError::kNone);
  EXPECT_EQ(g.Draw(0, nullptr), MoveError::kAlreadyActed);
  ASSERT_EQ(g.Down(0, {C(1, 7), C(2, 7), C(3, 7)}, kKindSet, true, nullptr), MoveError::kNone);
  ThrowOutcome o;
  ASSERT_EQ(g.Throw(0, C(2, 12), &o), MoveError::kNone);
  EXPECT_TRUE(o.round_end);
  EXPECT_EQ(o.end_kind, 1);
  RoundScore s = g.Score();
  EXPECT_EQ(s.plus[0], 6 * 5 + 100);
  EXPECT_EQ(s.minus[0], 0) << "a dark knock that went out pays no attempt penalty";
  // The same attempt that keeps two cards pays the penalty.
  Game h;
  t.seats[0].hand.push_back(C(1, 1));
  h.Restore(t);
  ASSERT_EQ(h.Down(0, {C(0, 2), C(0, 3), C(0, 4)}, kKindRun, true, nullptr), MoveError::kNone);
  ASSERT_EQ(h.Throw(0, C(2, 12), nullptr), MoveError::kNone);
  EXPECT_EQ(h.Score().minus[0], 50 + 5 + 5 + 5 + 5);
}

TEST(Rules, CardChangeBeforeTheFirstDraw) {
  const TableSnapshot dark = DarkTable();
  TableSnapshot drew = DarkTable();
  drew.seats[0].drew = true;
  drew.seats[0].never_drew = false;
  TableSnapshot earlier = DarkTable();
  earlier.seats[0].never_drew = false;
  TableSnapshot melded = DarkTable();
  melded.seats[0].melds = {MeldOf(kKindSet, {C(0, 12), C(1, 12), C(2, 12)}, 0, 1)};
  TableSnapshot short_stock = DarkTable();
  short_stock.stock = {C(3, 3)};
  struct Case {
    const char* what;
    const TableSnapshot* table;
    int seat;
    std::vector<int> codes;
    MoveError want;
  } cases[] = {
      {"three cards", &dark, 0, {C(0, 2), C(2, 9), C(1, 3)}, MoveError::kNone},
      {"one card", &dark, 0, {C(1, 3)}, MoveError::kNone},
      {"none", &dark, 0, {}, MoveError::kBadCards},
      {"four", &dark, 0, {C(0, 2), C(0, 3), C(0, 4), C(1, 3)}, MoveError::kBadCards},
      {"the same card twice", &dark, 0, {C(1, 3), C(1, 3)}, MoveError::kBadCards},
      {"a card not held", &dark, 0, {C(3, 3)}, MoveError::kNotInHand},
      {"a hidden card code", &dark, 0, {52}, MoveError::kBadCards},
      {"another seat's turn", &dark, 1, {C(3, 11)}, MoveError::kNotYourTurn},
      {"after drawing in this turn", &drew, 0, {C(1, 3)}, MoveError::kCannotChange},
      {"after a draw in an earlier turn", &earlier, 0, {C(1, 3)}, MoveError::kCannotChange},
      {"with a meld", &melded, 0, {C(1, 3)}, MoveError::kCannotChange},
      {"more cards than the stock holds", &short_stock, 0, {C(1, 3), C(2, 9)}, MoveError::kStockEmpty},
  };
  for (const auto& c : cases) EXPECT_EQ(JudgeCardChange(*c.table, c.seat, c.codes), c.want) << c.what;

  Game g;
  g.Restore(DarkTable());
  const int used = g.stock_used();
  std::vector<int> drawn;
  ASSERT_EQ(g.ChangeCards(0, {C(0, 3), C(2, 10)}, &drawn), MoveError::kNone);
  EXPECT_EQ(drawn, (std::vector<int>{C(3, 3), C(3, 4)})) << "taken from the top of the stock";
  EXPECT_EQ(g.seat(0).hand[1], C(3, 3)) << "in the place of the card given";
  EXPECT_EQ(g.seat(0).hand[7], C(3, 4));
  EXPECT_EQ(g.stock_used(), used);
  // The cards given come back last.
  for (int want : {C(3, 5), C(0, 3), C(2, 10)}) {
    int c = -1;
    ASSERT_EQ(g.Draw(g.turn_seat(), &c), MoveError::kNone);
    EXPECT_EQ(c, want);
    ASSERT_EQ(g.Throw(g.turn_seat(), c, nullptr), MoveError::kNone);
  }
}

// The stock limit sets the rest of the pack aside: fewer draws, every card accounted for,
// and a deal with nothing to draw starts with the last turn.
TEST(Rules, StockLimitAndAnEmptyStock) {
  Game g;
  g.set_stock_limit(2);
  g.StartWithPack(0b11, 0, Pack(0b11, {{}, {}}, C(3, 0), {C(0, 9), C(2, 12)}), C(3, 1));
  EXPECT_EQ(g.stock_left(), 2);
  EXPECT_EQ(g.stock_used(), 50);
  EXPECT_TRUE(g.CardsConserved());
  EXPECT_EQ(g.forced_seat(), -1);
  int c = -1;
  ASSERT_EQ(g.Draw(0, &c), MoveError::kNone);
  EXPECT_EQ(c, C(0, 9));
  Game none;
  none.set_stock_limit(0);
  none.StartWithPack(0b11, 1, Pack(0b11, {{}, {}}, C(3, 0), {}), C(3, 1));
  EXPECT_EQ(none.forced_seat(), 1);
  EXPECT_EQ(ChooseMove(none, 1).action, Move::kEnd) << "nothing in the pile makes a meld";
}

// A bot in the last turn goes out through the pile when it can, else ends.
TEST(Rules, BotInTheLastTurn) {
  TableSnapshot t = DarkTable();
  t.stock.clear();
  t.forced = true;
  t.seats[0].hand = {C(0, 7), C(0, 9), C(1, 1), C(2, 5)};
  t.pile = {TableCard{C(0, 8), 1, 2}};
  // 9-10-J takes the pile card, but two cards that fit nothing stay: no way out.
  EXPECT_EQ(ChooseMove([&] {
              Game g;
              g.Restore(t);
              return g;
            }(), 0).action,
            Move::kEnd);
  t.seats[0].hand = {C(0, 7), C(0, 9), C(1, 3), C(2, 5)};
  Game g;
  g.Restore(t);
  // Now: take 9-10-J, attach the 5 of suit 1 to seat 1's 6-7-8, throw the last card.
  int guard = 0;
  while (g.running() && ++guard < 10) {
    Move mv = ChooseMove(g, 0);
    ASSERT_NE(mv.action, Move::kEnd);
    ASSERT_EQ(g.Apply(0, mv, nullptr), MoveError::kNone);
  }
  EXPECT_FALSE(g.running());
  EXPECT_EQ(g.Score().knocker, 0);
}
