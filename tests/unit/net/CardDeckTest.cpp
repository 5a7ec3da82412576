#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CardTestUtil.h"
#include "framework/Clock.h"
#include "net/Packet.h"
#include "net/messages/GameVXCardDeck.h"

namespace {

struct MeldCase {
  const char* name;
  int kind;
  std::vector<int> codes;
  int valid;
};

class MeldTable : public ::testing::TestWithParam<MeldCase> {};

TEST_P(MeldTable, IsValidMeld) {
  const MeldCase& m = GetParam();
  GameVXCardDeck deck;
  // Kind set after filling so that a run is judged in the given order.
  for (int code : m.codes) {
    auto* c = new VXType_card;
    c->code = code;
    ASSERT_EQ(deck.Add_Card(c), 1);
  }
  deck.kind = m.kind;
  EXPECT_EQ(deck.Is_Valid_Meld(), m.valid);
  EXPECT_EQ(deck.count, static_cast<int>(m.codes.size()));  // judging never loses cards
}

INSTANTIATE_TEST_SUITE_P(
    Cards, MeldTable,
    ::testing::Values(
        MeldCase{"run_in_order", 2, {C(1, 4), C(1, 5), C(1, 6)}, 1},
        MeldCase{"run_any_order", 2, {C(1, 6), C(1, 4), C(1, 5)}, 1},
        MeldCase{"run_of_five", 2, {C(3, 8), C(3, 12), C(3, 9), C(3, 11), C(3, 10)}, 1},
        MeldCase{"run_ace_low", 2, {C(0, 0), C(0, 1), C(0, 2)}, 1},
        MeldCase{"run_no_wrap_king_to_ace", 2, {C(1, 11), C(1, 12), C(1, 0)}, 0},
        MeldCase{"run_repeated_code", 2, {C(1, 4), C(1, 4), C(1, 5)}, 0},
        MeldCase{"run_repeated_code_inside", 2, {C(1, 4), C(1, 5), C(1, 5), C(1, 6)}, 0},
        MeldCase{"run_mixed_suits", 2, {C(1, 4), C(0, 5), C(1, 6)}, 0},
        MeldCase{"run_with_gap", 2, {C(1, 4), C(1, 5), C(1, 7)}, 0},
        MeldCase{"run_with_code_52", 2, {52, C(0, 1), C(0, 2)}, 0},
        MeldCase{"run_two_cards", 2, {C(1, 4), C(1, 5)}, 0},
        MeldCase{"set_three_suits", 3, {C(0, 7), C(1, 7), C(2, 7)}, 1},
        MeldCase{"set_four_suits", 3, {C(3, 7), C(1, 7), C(2, 7), C(0, 7)}, 1},
        MeldCase{"set_rank_mismatch", 3, {C(0, 7), C(1, 7), C(2, 8)}, 0},
        MeldCase{"set_two_cards", 3, {C(0, 7), C(1, 7)}, 0},
        MeldCase{"set_code_52_first", 3, {52, C(1, 0), C(2, 0)}, 0},
        MeldCase{"set_code_52_later", 3, {C(1, 0), 52, C(2, 0)}, 0},
        MeldCase{"unknown_kind_any_three", -1, {C(0, 1), C(2, 9), C(3, 12)}, 1},
        MeldCase{"unknown_kind_two_cards", -1, {C(0, 1), C(2, 9)}, 0},
        MeldCase{"other_kind_three", 7, {C(0, 1), C(2, 9), C(3, 12)}, 1},
        MeldCase{"plain_kind_never", 0, {C(1, 4), C(1, 5), C(1, 6)}, 0},
        MeldCase{"hand_kind_never", 1, {C(0, 7), C(1, 7), C(2, 7)}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardMeld, CheckMeldWithCombinesSelectionAndMeldWithoutChangingThem) {
  GameVXCardDeck meld, sel;
  meld.kind = 2;
  FillDeck(meld, {C(2, 5), C(2, 6), C(2, 7)});
  FillDeck(sel, {C(2, 9), C(2, 8)});
  EXPECT_EQ(GameVXCardDeck::Check_Meld_With(&sel, &meld), 1);
  EXPECT_EQ(CodesOf(sel), (std::vector<int>{C(2, 9), C(2, 8)}));
  EXPECT_EQ(meld.count, 3);

  GameVXCardDeck bad;
  FillDeck(bad, {C(2, 10)});
  EXPECT_EQ(GameVXCardDeck::Check_Meld_With(&bad, &meld), 0);
  EXPECT_EQ(GameVXCardDeck::Check_Meld_With(nullptr, &meld), 0);
}

struct AttachCase {
  const char* name;
  int kind;
  std::vector<int> meld;
  int card;
  int expected;
};

class AttachTable : public ::testing::TestWithParam<AttachCase> {};

TEST_P(AttachTable, CanAttach) {
  const AttachCase& a = GetParam();
  GameVXCardDeck meld;
  meld.kind = a.kind;
  FillDeck(meld, {});
  for (int code : a.meld) {
    auto* c = new VXType_card;
    c->code = code;
    meld.Add_Card(c);
  }
  VXType_card card;
  card.code = a.card;
  EXPECT_EQ(GameVXCardDeck::Can_Attach(&card, &meld), a.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, AttachTable,
    ::testing::Values(
        AttachCase{"run_below", 2, {C(1, 4), C(1, 5), C(1, 6)}, C(1, 3), 1},
        AttachCase{"run_above", 2, {C(1, 4), C(1, 5), C(1, 6)}, C(1, 7), 1},
        AttachCase{"run_gap_above", 2, {C(1, 4), C(1, 5), C(1, 6)}, C(1, 8), 0},
        AttachCase{"run_wrong_suit_below", 2, {C(1, 4), C(1, 5), C(1, 6)}, C(0, 3), 0},
        AttachCase{"run_wrong_suit_above", 2, {C(1, 4), C(1, 5), C(1, 6)}, C(2, 7), 0},
        AttachCase{"run_no_wrap_below_ace", 2, {C(0, 0), C(0, 1), C(0, 2)}, C(0, 12), 0},
        AttachCase{"run_no_wrap_above_king", 2, {C(0, 10), C(0, 11), C(0, 12)}, C(0, 0), 0},
        AttachCase{"set_same_rank", 3, {C(0, 7), C(1, 7), C(2, 7)}, C(3, 7), 1},
        AttachCase{"set_other_rank", 3, {C(0, 7), C(1, 7), C(2, 7)}, C(3, 8), 0},
        AttachCase{"code_52", 3, {C(0, 0), C(1, 0), C(2, 0)}, 52, 0},
        AttachCase{"no_card", 3, {C(0, 0), C(1, 0), C(2, 0)}, -1, 0},
        AttachCase{"meld_of_two", 2, {C(1, 4), C(1, 5)}, C(1, 6), 0},
        AttachCase{"plain_kind", 0, {C(1, 4), C(1, 5), C(1, 6)}, C(1, 7), 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct HandCase {
  const char* name;
  std::vector<int> hand;
  int card;
  int expected;
};

class HandMeldTable : public ::testing::TestWithParam<HandCase> {};

TEST_P(HandMeldTable, FormsMeldWithHand) {
  const HandCase& h = GetParam();
  GameVXCardDeck hand;
  hand.kind = 1;
  for (int code : h.hand) FillDeck(hand, {code});
  const int i = hand.Index_Of(h.card);
  VXType_card outside;
  outside.code = h.card;
  EXPECT_EQ(hand.Forms_Meld_With_Hand(i >= 0 ? hand.cards[i] : &outside), h.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, HandMeldTable,
    ::testing::Values(
        HandCase{"ace_with_two_and_three", {C(2, 0), C(2, 1), C(2, 2)}, C(2, 0), 1},
        HandCase{"king_with_queen_and_jack", {C(1, 12), C(1, 11), C(1, 10)}, C(1, 12), 1},
        HandCase{"king_with_queen_and_ace", {C(1, 12), C(1, 11), C(1, 0)}, C(1, 12), 0},
        HandCase{"middle_of_run", {C(3, 4), C(3, 6), C(3, 5)}, C(3, 5), 1},
        HandCase{"neighbours_other_suit", {C(3, 4), C(2, 5), C(3, 6)}, C(3, 4), 0},
        HandCase{"three_of_a_rank", {C(0, 9), C(1, 9), C(3, 9)}, C(1, 9), 1},
        HandCase{"two_of_a_rank", {C(0, 9), C(1, 9), C(3, 2)}, C(1, 9), 0},
        HandCase{"card_not_in_hand_completes_set", {C(0, 9), C(1, 9), C(3, 9)}, C(2, 9), 1},
        HandCase{"code_52_never", {52, C(1, 0), C(2, 0), C(3, 0)}, 52, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardDeck, SortBySuitPutsSuitZeroFirstAndRanksInOrder) {
  GameVXCardDeck hand;
  hand.sort_mode = GameVXCardDeck::SORT_BY_SUIT;
  FillDeck(hand, {C(3, 1), C(0, 5), C(2, 0), C(0, 2), C(1, 12), C(0, 0)});
  hand.Sort();
  EXPECT_EQ(CodesOf(hand), (std::vector<int>{C(0, 0), C(0, 2), C(0, 5), C(1, 12), C(2, 0), C(3, 1)}));
}

TEST(CardDeck, SortByRankIsStableForEqualRanks) {
  GameVXCardDeck hand;
  hand.sort_mode = GameVXCardDeck::SORT_BY_RANK;
  FillDeck(hand, {C(2, 7), C(1, 3), C(0, 7), C(3, 3), C(1, 7), 52});
  VXType_card* first7 = hand.cards[0];
  VXType_card* second7 = hand.cards[2];
  hand.Sort();
  // Code 52 has rank 0; ranks equal keep their relative order.
  EXPECT_EQ(CodesOf(hand), (std::vector<int>{52, C(1, 3), C(3, 3), C(2, 7), C(0, 7), C(1, 7)}));
  EXPECT_EQ(hand.cards[3], first7);
  EXPECT_EQ(hand.cards[4], second7);
}

TEST(CardDeck, RunKindSortsOnEveryAdd) {
  GameVXCardDeck run;
  run.kind = 2;
  FillDeck(run, {C(1, 9), C(1, 7), C(1, 8)});
  EXPECT_EQ(CodesOf(run), (std::vector<int>{C(1, 7), C(1, 8), C(1, 9)}));
}

TEST(CardDeck, AddCardRefusesBadInputAndA53rdCard) {
  GameVXCardDeck deck;
  EXPECT_EQ(deck.Add_Card(nullptr), 0);
  for (int bad : {-1, 53, 1000}) {
    VXType_card c;
    c.code = bad;
    EXPECT_EQ(deck.Add_Card(&c), 0) << bad;
  }
  for (int code = 0; code < 52; ++code) FillDeck(deck, {code});
  ASSERT_EQ(deck.count, 52);
  auto* extra = new VXType_card;
  extra->code = 52;
  EXPECT_EQ(deck.Add_Card(extra), 0);
  delete extra;
  EXPECT_EQ(deck.count, 52);
  // The same record twice would be freed twice.
  GameVXCardDeck other;
  auto* c = new VXType_card;
  c->code = 52;
  EXPECT_EQ(other.Add_Card(c), 1);
  EXPECT_EQ(other.Add_Card(c), 0);
  EXPECT_EQ(other.count, 1);
}

TEST(CardDeck, MovesKeepCardsThatTheDestinationRefuses) {
  GameVXCardDeck hand, full;
  FillDeck(hand, {C(0, 1), C(0, 2), C(0, 3)});
  for (int code = 0; code < 52; ++code) FillDeck(full, {code});
  VXType_card probe;
  probe.code = C(0, 2);
  EXPECT_EQ(hand.Move_Card(&probe, &full), 0);
  EXPECT_EQ(hand.count, 3);
  EXPECT_EQ(GameVXCardDeck::Move_From(&full, 0, &hand), 0);
  EXPECT_EQ(hand.count, 3);

  GameVXCardDeck pile;
  VXType_card* moved = hand.cards[1];
  EXPECT_EQ(hand.Move_Card(&probe, &pile), 1);
  EXPECT_EQ(pile.cards[0], moved);
  EXPECT_EQ(CodesOf(hand), (std::vector<int>{C(0, 1), C(0, 3)}));

  EXPECT_EQ(GameVXCardDeck::Move_From(&pile, 1, &hand), 1);
  EXPECT_EQ(CodesOf(hand), (std::vector<int>{C(0, 1)}));
  EXPECT_EQ(CodesOf(pile), (std::vector<int>{C(0, 2), C(0, 3)}));
  EXPECT_EQ(GameVXCardDeck::Move_From(&pile, 5, &hand), 0);

  GameVXCardDeck back;
  EXPECT_EQ(pile.Move_Matching(&pile, &back), 2);
  EXPECT_EQ(pile.count, 0);
  EXPECT_EQ(back.Count_Common(&hand), 0);
  EXPECT_EQ(back.Count_Common(&back), 2);
}

TEST(CardDeck, CopyFromDeepClonesAndRefusesFullSources) {
  GameVXCardDeck src;
  src.kind = 3;
  src.index = 4;
  src.turn_mark = 9;
  FillDeck(src, {C(0, 7), C(1, 7), C(2, 7)});
  src.cards[0]->owner_seat = 2;
  src.cards[0]->selected = 1;

  GameVXCardDeck deep;
  ASSERT_EQ(deep.Copy_From(&src, true), 1);
  EXPECT_EQ(deep.kind, 3);
  EXPECT_EQ(deep.index, 4);
  EXPECT_EQ(deep.turn_mark, 9);
  ASSERT_EQ(deep.count, 3);
  EXPECT_NE(deep.cards[0], src.cards[0]);
  EXPECT_EQ(deep.cards[0]->owner_seat, 2);
  EXPECT_EQ(deep.cards[0]->selected, 0);  // only the travelling fields are cloned

  GameVXCardDeck shallow;
  shallow.not_owner = 1;
  ASSERT_EQ(shallow.Copy_From(&src, false), 1);
  EXPECT_EQ(shallow.cards[2], src.cards[2]);

  GameVXCardDeck full;
  for (int code = 0; code < 52; ++code) FillDeck(full, {code});
  GameVXCardDeck dst;
  EXPECT_EQ(dst.Copy_From(&full, true), 0);
  EXPECT_EQ(dst.count, 0);
  // Cloned cards the destination cannot hold are not leaked (checked under ASan).
  GameVXCardDeck nearly;
  for (int code = 0; code < 50; ++code) FillDeck(nearly, {code});
  EXPECT_EQ(nearly.Copy_From(&src, true), 1);
  EXPECT_EQ(nearly.count, 52);
}

TEST(CardDeck, HitTestFindsTheTopmostCardWithEdgesIncluded) {
  GameVXCardDeck hand;
  FillDeck(hand, {1, 2});
  auto set = [](VXType_card* c, int l, int t, int r, int b) {
    c->rect[0] = l;
    c->rect[1] = t;
    c->rect[2] = r;
    c->rect[3] = b;
  };
  set(hand.cards[0], 100, 500, 180, 600);
  set(hand.cards[1], 140, 500, 220, 600);
  EXPECT_EQ(hand.Hit_Test(150, 550), hand.cards[1]);
  EXPECT_EQ(hand.Hit_Test(100, 500), hand.cards[0]);
  EXPECT_EQ(hand.Hit_Test(220, 600), hand.cards[1]);
  EXPECT_EQ(hand.Hit_Test(221, 600), nullptr);
}

// A hand drawn in two rows: 1, 2, 3 at top 500 (lefts 100, 150, 200) and 4, 5 at top
// 600 (lefts 100, 150); card 9 was dragged to (left, top).
struct DropCase {
  const char* name;
  int left, top;
  std::vector<int> expected;
};

class ReorderTable : public ::testing::TestWithParam<DropCase> {};

TEST_P(ReorderTable, ReorderByPosition) {
  const DropCase& d = GetParam();
  GameVXCardDeck hand;
  FillDeck(hand, {1, 2, 3, 4, 5, 9});
  const int lefts[] = {100, 150, 200, 100, 150};
  const int tops[] = {500, 500, 500, 600, 600};
  for (int i = 0; i < 5; ++i) {
    hand.cards[i]->rect[0] = lefts[i];
    hand.cards[i]->rect[1] = tops[i];
  }
  hand.cards[5]->rect[0] = d.left;
  hand.cards[5]->rect[1] = d.top;
  hand.cards[0]->selected = 1;
  hand.cards[5]->selected = 1;
  VXType_card dragged;
  dragged.code = 9;
  hand.Reorder_By_Position(&dragged);
  EXPECT_EQ(CodesOf(hand), d.expected);
  const bool moved = d.expected.back() != 9;
  EXPECT_EQ(hand.cards[hand.Index_Of(1)]->selected, moved ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, ReorderTable,
    ::testing::Values(DropCase{"left_of_second_row", 90, 600, {1, 2, 3, 9, 4, 5}},
                      DropCase{"inside_first_row", 120, 500, {1, 9, 2, 3, 4, 5}},
                      DropCase{"above_the_hand", 60, 400, {9, 1, 2, 3, 4, 5}},
                      DropCase{"end_of_second_row", 180, 600, {1, 2, 3, 4, 5, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardDeck, ReorderIgnoresACardNotInTheHand) {
  GameVXCardDeck hand;
  FillDeck(hand, {1, 2});
  VXType_card other;
  other.code = 40;
  hand.Reorder_By_Position(&other);
  hand.Reorder_By_Position(nullptr);
  EXPECT_EQ(CodesOf(hand), (std::vector<int>{1, 2}));
}

// Feeds_Special: special card a, thrown card b, pile (b already added), cards of b's
// rank on the table, ranks marked in `seen`.
struct FeedCase {
  const char* name;
  int special, thrown;
  std::vector<int> pile;
  int same_rank_on_table;
  std::vector<int> seen_ranks;
  int expected;
};

class FeedsSpecialTable : public ::testing::TestWithParam<FeedCase> {};

TEST_P(FeedsSpecialTable, FeedsSpecial) {
  const FeedCase& f = GetParam();
  GameVXCardDeck pile;
  for (int code : f.pile) FillDeck(pile, {code});
  int32_t seen[13] = {};
  for (int r : f.seen_ranks) seen[r] = 1;
  EXPECT_EQ(GameVXCardDeck::Feeds_Special(f.special, &pile, f.thrown, f.same_rank_on_table, seen), f.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, FeedsSpecialTable,
    ::testing::Values(
        // Same rank, other suit: two of that rank in the pile.
        FeedCase{"pair_of_rank_in_pile", C(0, 5), C(1, 5), {C(1, 5), C(2, 5)}, 0, {}, 1},
        FeedCase{"pair_but_rank_used_up", C(0, 5), C(1, 5), {C(1, 5), C(2, 5)}, 2, {}, 0},
        FeedCase{"single_of_rank", C(0, 5), C(1, 5), {C(1, 5)}, 0, {}, 0},
        // Same suit, one rank below, a near card two below: the open end above.
        FeedCase{"near_card_open_end", C(0, 5), C(0, 4), {C(0, 4), C(0, 3)}, 0, {}, 1},
        FeedCase{"near_card_end_seen", C(0, 5), C(0, 4), {C(0, 4), C(0, 3)}, 0, {5}, 0},
        FeedCase{"no_near_card", C(0, 5), C(0, 4), {C(0, 4), C(1, 3)}, 0, {}, 0},
        FeedCase{"too_far_apart", C(0, 5), C(0, 9), {C(0, 9), C(0, 8)}, 0, {}, 0},
        // The thrown card is the special itself with a card two below.
        FeedCase{"same_card_gap_open", C(0, 5), C(0, 5), {C(0, 5), C(0, 3)}, 0, {}, 1},
        FeedCase{"same_card_gap_seen", C(0, 5), C(0, 5), {C(0, 5), C(0, 3)}, 0, {4}, 0},
        // Queen special, king thrown: the upper bound lies past the king.
        FeedCase{"king_lower_end_open", C(0, 11), C(0, 12), {C(0, 12), C(0, 10)}, 0, {}, 1},
        FeedCase{"past_king_is_never_open", C(0, 11), C(0, 12), {C(0, 12), C(0, 10)}, 0, {11}, 0},
        FeedCase{"bad_codes", 52, C(0, 1), {C(0, 1)}, 0, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Wire form of decks.
TEST(CardWire, DeckRoundTripsByteForByteAndNormalisesInHand) {
  GameVXCardDeck deck;
  deck.kind = 3;
  deck.index = 5;
  deck.turn_mark = 77;
  deck.sort_mode = 2;
  FillDeck(deck, {C(0, 7), C(1, 7), 52});
  deck.cards[0]->owner_seat = 3;
  deck.cards[0]->in_hand = 5;  // any non-zero value travels as 1
  deck.cards[1]->turn_mark = 12;
  deck.cards[2]->extra = -9;

  Packet p(216);
  ASSERT_EQ(deck.Write(p), 1);
  ASSERT_EQ(p.PayloadLength(), 16u + 3 * 20);
  const int32_t expected[] = {3, 5, 77, 3, C(0, 7), 3, 1, 0, 0, C(1, 7), -1, 0, 12, 0, 52, -1, 0, 0, -9};
  EXPECT_EQ(std::memcmp(p.payload, expected, sizeof(expected)), 0);

  GameVXCardDeck back;
  ASSERT_EQ(back.Read(p, true), 1);
  EXPECT_EQ(back.kind, 3);
  EXPECT_EQ(back.sort_mode, 0);  // not part of the wire form
  Packet again(216);
  ASSERT_EQ(back.Write(again), 1);
  ASSERT_EQ(again.PayloadLength(), p.PayloadLength());
  EXPECT_EQ(std::memcmp(again.payload, p.payload, p.PayloadLength()), 0);
}

TEST(CardWire, BadCountsLeaveTheDeckEmpty) {
  for (int32_t n : {52, 53, -1, 1 << 30}) {
    Packet p(216);
    p.WriteInt32(2);
    p.WriteInt32(0);
    p.WriteInt32(0);
    p.WriteInt32(n);
    for (int i = 0; i < 60; ++i) p.WriteInt32(i % 52);
    GameVXCardDeck deck;
    FillDeck(deck, {1, 2});
    EXPECT_EQ(deck.Read(p, true), 0) << n;
    EXPECT_EQ(deck.count, 0) << n;
    EXPECT_EQ(deck.cards[0], nullptr);
  }
}

TEST(CardWire, ShortDeckKeepsWhatArrivedAndDropsBadCodes) {
  Packet p(216);
  for (int32_t v : {0, 1, 2, 4}) p.WriteInt32(v);
  for (int32_t code : {7, 99, -1}) {
    for (int32_t v : {code, 0, 1, 0, 0}) p.WriteInt32(v);
  }
  p.WriteInt32(8);  // the fourth card is cut short
  GameVXCardDeck deck;
  EXPECT_EQ(deck.Read(p, true), 0);
  EXPECT_EQ(CodesOf(deck), (std::vector<int>{7}));
  EXPECT_EQ(deck.cards[0]->in_hand, 1);
}

TEST(CardWire, FullDeckIsNotSentAndStaysWhole) {
  GameVXCardDeck deck;
  for (int code = 0; code < 52; ++code) FillDeck(deck, {code});
  Packet p(216);
  EXPECT_EQ(deck.Write(p), 0);
  EXPECT_EQ(deck.count, 52);
  ASSERT_EQ(p.PayloadLength(), 16u);
  GameVXCardDeck back;
  EXPECT_EQ(back.Read(p, true), 1);
  EXPECT_EQ(back.count, 0);
}

TEST(CardWire, ReadingIntoANonOwningDeckTakesOwnership) {
  Packet p(216);
  for (int32_t v : {0, 0, 0, 1, 5, 0, 0, 0, 0}) p.WriteInt32(v);
  GameVXCardDeck deck;
  deck.not_owner = 1;
  ASSERT_EQ(deck.Read(p, false), 1);
  EXPECT_EQ(deck.not_owner, 0);  // the new record is freed with the deck (ASan checks)
}

TEST(CardDeck, StampOwnerSetsSeatAndTime) {
  static uint32_t now = 5000;
  SetTickSource([] { return now; });
  GameVXCardDeck meld;
  FillDeck(meld, {1, 2, 3});
  meld.Stamp_Owner(2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(meld.cards[i]->owner_seat, 2);
    EXPECT_EQ(meld.cards[i]->anim_time, 5000u);
  }
  SetTickSource(nullptr);
}

}  // namespace
