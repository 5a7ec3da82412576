// Seats, ranks and indexes from the wire that name nothing valid: each event is
// dropped or applied only where it fits, and nothing outside the table's arrays is
// touched (the sanitizer build runs these). Also the model's pointers across the
// events that replace cards, and leaving or restarting in the middle of a round.
#include "unit/play/PlayFlowFixture.h"

using namespace play_testing;

namespace {

constexpr int32_t kBadSeats[] = {-1, 4, 9, -2147483647 - 1, 2147483647};

Packet Chat(int32_t seat, const char* text) {
  VXMsg_table_chat msg;
  msg.seat = seat;
  std::strncpy(msg.text, text, sizeof(msg.text) - 1);
  Packet p;
  Build_Packet(msg, p);
  return p;
}

Packet Emoticon(int32_t seat, int32_t index, int32_t variant) {
  VXMsg_table_emoticon msg;
  msg.seat = seat;
  msg.emoticon = index;
  msg.variant = variant;
  Packet p;
  Build_Packet(msg, p);
  return p;
}

Packet Attack(int32_t to_all, int32_t seat, int32_t target, int32_t item, int64_t chips) {
  VXMsg_table_item_attack msg;
  msg.to_all = to_all;
  msg.seat = seat;
  msg.target_seat = target;
  msg.item = item;
  msg.chips = chips;
  Packet p;
  Build_Packet(msg, p);
  return p;
}

Packet Result(int32_t winner, std::vector<VXMsg_game_result::Row> rows) {
  VXMsg_game_result r;
  r.winner_seat = winner;
  r.row_count = static_cast<int32_t>(rows.size());
  for (size_t i = 0; i < rows.size() && i < 4; ++i) r.rows[i] = rows[i];
  Packet p;
  Build_Packet(r, p);
  return p;
}

Packet Action(int32_t action, int32_t seat, int32_t card) {
  VXMsg_player_action_event ev;
  ev.action = action;
  ev.ok = 1;
  ev.seat = seat;
  ev.card.code = card;
  ev.event = -1;
  Packet p;
  Build_Packet(ev, p);
  return p;
}

}  // namespace

TEST_F(PlayFlowTest, SeatIndexesOutsideTheTableAreDropped) {
  StartRound({5, 6});
  const int64_t chips = play.players[1]->Chips();
  for (int32_t bad : kBadSeats) {
    SCOPED_TRACE(bad);
    Feed(Chat(bad, "x"));
    Feed(Emoticon(bad, 1, 0));
    Feed(Attack(0, bad, 1, 2, 999));
    Feed(Attack(0, 1, bad, 2, 555));  // a real attacker at no seat: balance only
    Feed(Attack(1, bad, 0, 2, 999));
    Feed(Ready(bad));
    Feed(Words(VX_PROTOCOL_TABLE_PLAYER, {0, bad}));
    // A turn of a seat that does not exist: the status block is taken, no player is.
    Feed(Turn(Status(2, bad, bad), 0));
    EXPECT_EQ(play.turn.TurnSeat(), bad);
    EXPECT_TRUE(play.btn_change.m_hidden);
    Feed(Result(bad, {{1, bad, 5}}));
    Feed(Action(VX_ACTION_THROW, bad, 5));
    Feed(Action(VX_ACTION_DRAW, bad, 5));
    // 214 with a host seat outside the table restarts no countdown.
    Feed(Turn(Status(2, bad, 0), 0));
    Feed(Ready(1));
  }
  for (int s = 0; s < 4; ++s) EXPECT_EQ(play.chat_text[s][0], 0) << s;
  EXPECT_EQ(play.players[1]->Chips(), 555);
  EXPECT_NE(chips, 555);
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(play.result_order[s], -1) << s;
    EXPECT_EQ(play.result_rank[s], -1) << s;
  }
}

TEST_F(PlayFlowTest, EmoticonAndItemIndexesOutsideTheirSheetsAreDropped) {
  LogCapture log;
  StartRound({5});
  struct Case {
    int32_t seat, index, variant;
    bool kept;
  } emoticons[] = {{1, 0, 0, true}, {1, 5, 3, true}, {1, 6, 0, false}, {1, -1, 0, false}, {1, 2, -1, false},
                   {1, 2, 2147483647, false}};
  for (const Case& c : emoticons) {
    const size_t before = log.lines.size();
    Feed(Emoticon(c.seat, c.index, c.variant));
    bool dropped = false;
    for (size_t i = before; i < log.lines.size(); ++i) dropped |= log.lines[i].find("209") != std::string::npos;
    EXPECT_EQ(dropped, !c.kept) << c.index << "/" << c.variant;
  }
  struct Item {
    int32_t item;
    bool kept;
  } items[] = {{0, true}, {11, true}, {12, false}, {-1, false}, {1000, false}};
  for (const Item& c : items) {
    play.players[2]->SetChips(1);
    Feed(Attack(0, 2, 1, c.item, 42));
    EXPECT_EQ(play.players[2]->Chips(), c.kept ? 42 : 1) << c.item;
  }
  // An attack of the own seat updates the own balance in the shared data too.
  Feed(Attack(1, 0, -1, 3, 1234));
  EXPECT_EQ(data->Chips(), 1234);
}

TEST_F(PlayFlowTest, ResultRowsNamingBadOrRepeatedSeatsAreSkipped) {
  StartRound({5});
  Feed(Result(9, {{1, 3, 2}, {2, 3, 7}, {3, -4, 1}, {4, 1, 0}}));
  EXPECT_EQ(play.result_order[0], 3);
  EXPECT_EQ(play.result_order[1], -1) << "a repeated seat";
  EXPECT_EQ(play.result_order[2], -1);
  EXPECT_EQ(play.result_order[3], 1);
  EXPECT_EQ(play.result_rank[3], 0);
  EXPECT_EQ(play.players[3]->status, 2) << "the first row of the seat counts";
  for (int s = 0; s < 4; ++s) EXPECT_EQ(play.seat_fx[s].advance, 0) << "a winner outside the table marks nobody";
  EXPECT_EQ(play.room.TableState(), 3);

  // A row count beyond four seats refuses the rows; the rest of the result stands.
  Packet p = Result(1, {});
  p.length -= 4;  // drop the empty count ...
  p.write_len -= 4;
  p.WriteInt32(77);  // ... and claim 77 rows
  Feed(p);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(play.result_order[s], -1) << s;
  EXPECT_EQ(play.seat_fx[1].advance, 1);
}

TEST_F(PlayFlowTest, AShortPayloadLeavesTheRestAtItsInitialValues) {
  SeatTable(0, 0, {{1, 0}});
  // 215 cut inside the seat state: dropped whole.
  Packet turn = Turn(Status(2, 0, 1), 1);
  turn.length = static_cast<uint16_t>(kPacketHeaderSize + 120);
  Feed(turn);
  EXPECT_EQ(play.room.TableState(), 1);
  // 207 with no player behind the seat.
  Feed(Words(VX_PROTOCOL_TABLE_PLAYER, {0, 2}));
  EXPECT_EQ(play.players[2], nullptr);
  // 214 with no field at all names no seat.
  Feed(Words(VX_PROTOCOL_GAME_READY, {}));
  EXPECT_EQ(play.players[0]->seat.Ready(), 0);
  EXPECT_EQ(play.players[1]->seat.Ready(), 0);
}

// Every event that replaces the cards of a hand lets go of the dragged card.
TEST_F(PlayFlowTest, TheDraggedCardIsLetGoWheneverItsHandChanges) {
  auto drag = [this]() {
    ASSERT_NE(play.MyPlayer(), nullptr);
    ASSERT_GT(play.MyPlayer()->hand.count, 0);
    play.drag_card = play.MyPlayer()->hand.cards[0];
  };
  StartRound({5, 6, 7});
  drag();
  std::vector<SeatSpec> seats;
  seats.push_back({0, MakePlayer(kOwnId, 0, 2, {8, 9})});
  Feed(TableInfo(1, Status(2, 0, 0), std::move(seats)));
  EXPECT_EQ(play.drag_card, nullptr) << "206";

  drag();
  Feed(Action(VX_ACTION_DRAW, 0, 12));
  EXPECT_EQ(play.drag_card, nullptr) << "216";

  drag();
  StartRound({1, 2});
  EXPECT_EQ(play.drag_card, nullptr) << "217";

  drag();
  Feed(Result(0, {{1, 0, 1}}));
  EXPECT_EQ(play.drag_card, nullptr) << "218";

  drag();
  VXMsg_table_player one;
  one.mode = 2;
  one.seat = 0;
  Packet p;
  Build_Packet(one, p);
  Feed(p);
  EXPECT_EQ(play.drag_card, nullptr) << "207";
}

// Leaving and restarting in the middle of a round: the animations are stopped before
// the seats' cards go, and the sanitizer build sees no use after free or leak.
TEST_F(PlayFlowTest, LeavingOrRestartingMidRoundFreesTheTableCleanly) {
  StartRound({5, 6, 7, 8});
  play.Ani_Card_Flight(play.MyPlayer()->hand.cards[3], 0);
  play.Ani_Card_Sweat(play.pile.cards[0], 5);
  play.Ani_Attack(1, 0, 3);
  StartRound({9, 10});  // a new round while the deal and the flights run
  play.Update();
  ASSERT_NE(play.MyPlayer(), nullptr);
  EXPECT_EQ(play.MyPlayer()->hand.count, 2);

  play.Ani_Card_Flight(play.MyPlayer()->hand.cards[1], 0);
  VXMsg_room_leave_event ev;
  ev.ok = 1;
  Packet p;
  Build_Packet(ev, p);
  Feed(p);
  logic->ChangeMode(&lobby, 0, -1);  // the table screen is cleaned up
  play.Update();
  for (int s = 0; s < 4; ++s) EXPECT_EQ(play.players[s], nullptr);
  EXPECT_EQ(play.pile.count, 0);
}
